#pragma once

// Drives the simulated body through the SDK's C interface the way a program does,
// recording every event with the thread it came from.

#include "edsdk.h"
#include "edsdk_sim.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace simtest {

struct Event {
    EdsUInt32 event = 0;
    EdsUInt32 property = 0;   // property events
    EdsBaseRef item = nullptr; // object events
    std::thread::id thread;
};

class Recorder {
public:
    void add(const Event& e);
    std::vector<Event> events();
    // Waits until the predicate holds over the recorded events; generous limit.
    bool waitFor(const std::function<bool(const std::vector<Event>&)>& predicate,
                 std::chrono::seconds limit = std::chrono::seconds(30));
    // Waits for the n-th object event (from 1) and returns its item.
    EdsBaseRef waitForItem(size_t n);
    void clear();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
};

// A connected session: SDK initialised, first camera, handlers, open session, pictures
// to the host, capacity set, as the program connects.
class Connection {
public:
    explicit Connection(bool openSession = true);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    EdsCameraRef camera() const { return camera_; }
    Recorder& recorder() { return recorder_; }

    EdsUInt32 get(EdsPropertyID id);
    EdsError set(EdsPropertyID id, EdsUInt32 value);
    std::vector<EdsInt32> allowed(EdsPropertyID id);

    // Releases, waits for the offered files and downloads each into dir; returns names.
    std::vector<std::string> shoot(const std::string& dir, size_t files = 1);
    // Downloads one offered item to path, completes and releases it.
    EdsError download(EdsBaseRef item, const std::string& path, std::string* name = nullptr);

    // Property events are delivered while a test waits; the handler may call back in.
    std::function<void(EdsPropertyEvent, EdsPropertyID)> onProperty;

private:
    static EdsError propertyHandler(EdsPropertyEvent event, EdsPropertyID id, EdsUInt32, EdsVoid* context);
    static EdsError objectHandler(EdsObjectEvent event, EdsBaseRef ref, EdsVoid* context);

    EdsCameraRef camera_ = nullptr;
    bool sessionOpen_ = false;
    size_t offered_ = 0;
    Recorder recorder_;
};

// A body that releases and transfers quickly: small pictures, mode dial at M.
inline constexpr const char* kQuick = "downloadspeed=0;processingtime=10;picturesize=small;modedial=3";
// Configures the quick body with `extra` pairs applied on top.
void configure(const std::string& extra = {});

std::string callLog();
// A fresh empty folder; all of them are removed when the test program ends.
std::string tempDir();

} // namespace simtest
