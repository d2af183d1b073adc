// The objects behind the SDK's references.
#pragma once

#include "events.h"
#include "session.h"

#include "edsdk.h"

#include <cstdio>
#include <memory>
#include <vector>

struct EdsObject {
    enum class Kind { CameraList, Camera, Item, Stream };
    explicit EdsObject(Kind k) : kind(k) {}
    virtual ~EdsObject() = default;
    const Kind kind;
    EdsUInt32 refs = 1;
};

namespace gpbridge {

struct CameraListObject : EdsObject {
    CameraListObject() : EdsObject(Kind::CameraList) {}
    std::vector<EdsObject*> cameras; // one reference each
};

struct CameraObject : EdsObject {
    explicit CameraObject(std::shared_ptr<Session> s) : EdsObject(Kind::Camera), session(std::move(s)) {}
    std::shared_ptr<Session> session;
    Handlers handlers;
    std::unique_ptr<EventLoop> events; // while the session is open
};

struct ItemObject : EdsObject {
    ItemObject() : EdsObject(Kind::Item) {}
    EdsObject* camera = nullptr; // one reference
    FilePath file;
    FileInfo info;
    bool settled = false;
};

struct StreamObject : EdsObject {
    StreamObject() : EdsObject(Kind::Stream) {}
    ~StreamObject() override
    {
        if (file)
            std::fclose(file);
    }
    std::FILE* file = nullptr;
    EdsProgressCallback progress = nullptr;
    EdsProgressOption option = kEdsProgressOption_NoReport;
    EdsVoid* context = nullptr;
};

} // namespace gpbridge
