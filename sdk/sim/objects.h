#pragma once

#include "picture.h"

#include "edsdk.h"

#include <cstdio>
#include <cstdint>

// The SDK's opaque reference type; every object handed out derives from it.
struct EdsObject {
    enum class Kind { CameraList, Camera, Item, Stream };

    explicit EdsObject(Kind k) : kind(k) {}
    virtual ~EdsObject() = default;

    const Kind kind;
    uint32_t refs = 1;
};

namespace edsim {

struct CameraList : EdsObject {
    CameraList() : EdsObject(Kind::CameraList) {}
    EdsObject* camera = nullptr; // retained while the list lives
};

struct Camera : EdsObject {
    Camera() : EdsObject(Kind::Camera) {}
    bool unplugged = false; // the cable was pulled while it was attached: it stays dead
};

struct Item : EdsObject {
    Item() : EdsObject(Kind::Item) {}
    PictureFile file;
    uint32_t frame = 0;
    bool failDownload = false;
    bool failWrite = false; // the computer's disk takes nothing of it at the first place
    uint64_t session = 0;
    bool settled = false; // completed or given up: the body moves on
};

struct Stream : EdsObject {
    Stream() : EdsObject(Kind::Stream) {}
    ~Stream() override
    {
        if (file)
            std::fclose(file);
    }
    std::FILE* file = nullptr;
    EdsProgressCallback progress = nullptr;
    EdsProgressOption progressOption = kEdsProgressOption_NoReport;
    EdsVoid* progressContext = nullptr;
};

} // namespace edsim
