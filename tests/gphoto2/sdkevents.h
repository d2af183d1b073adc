// What the SDK's handlers were called with, and a wait for the SDK's event thread.
#pragma once

#include "edsdk.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace sdkevents {

struct Event {
    EdsUInt32 event;
    EdsUInt32 id;
};

struct Recorder {
    std::mutex mutex;
    std::vector<Event> properties;
    std::vector<EdsBaseRef> items;

    bool seen(EdsUInt32 event, EdsUInt32 id)
    {
        std::lock_guard lock(mutex);
        for (const Event& e : properties)
            if (e.event == event && e.id == id)
                return true;
        return false;
    }
    size_t offered()
    {
        std::lock_guard lock(mutex);
        return items.size();
    }
    EdsBaseRef item(size_t index)
    {
        std::lock_guard lock(mutex);
        return items.at(index);
    }
};

inline EdsError onProperty(EdsPropertyEvent event, EdsPropertyID id, EdsUInt32, EdsVoid* context)
{
    auto* r = static_cast<Recorder*>(context);
    std::lock_guard lock(r->mutex);
    r->properties.push_back({event, id});
    return EDS_ERR_OK;
}

inline EdsError onObject(EdsObjectEvent, EdsBaseRef item, EdsVoid* context)
{
    auto* r = static_cast<Recorder*>(context);
    std::lock_guard lock(r->mutex);
    r->items.push_back(item);
    return EDS_ERR_OK;
}

// Registers the recorder on `camera` and opens its session.
inline EdsError openWith(EdsCameraRef camera, Recorder& recorder)
{
    EdsSetPropertyEventHandler(camera, kEdsPropertyEvent_All, onProperty, &recorder);
    EdsSetObjectEventHandler(camera, kEdsObjectEvent_All, onObject, &recorder);
    return EdsOpenSession(camera);
}

inline bool eventually(const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Downloads an offered item into `path` as the program does; the percentages land in `percents`.
inline EdsError download(EdsBaseRef item, const std::string& path, std::vector<EdsUInt32>& percents,
                         EdsDirectoryItemInfo& info)
{
    EdsStreamRef stream = nullptr;
    if (const EdsError error = EdsGetDirectoryItemInfo(item, &info))
        return error;
    if (const EdsError error = EdsCreateFileStream(path.c_str(), kEdsFileCreateDisposition_CreateAlways,
                                                   kEdsAccess_ReadWrite, &stream))
        return error;
    EdsSetProgressCallback(stream, [](EdsUInt32 p, EdsVoid* c, EdsBool*) {
        static_cast<std::vector<EdsUInt32>*>(c)->push_back(p);
        return EDS_ERR_OK;
    }, kEdsProgressOption_Periodically, &percents);
    EdsError error = EdsDownload(item, info.size, stream);
    if (!error)
        error = EdsDownloadComplete(item);
    EdsRelease(stream);
    return error;
}

} // namespace sdkevents
