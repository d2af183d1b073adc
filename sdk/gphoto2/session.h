// One camera opened through libgphoto2. Calls are serialised: libgphoto2 may not be entered
// twice on one camera, and the event thread shares it with the program's calls.
#pragma once

#include "widgets.h"

#include "edsdk.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct _Camera;
struct _GPContext;

namespace gpbridge {

struct DetectedCamera {
    std::string model;
    std::string port;
};

// The cameras libgphoto2 finds on USB, and the one of TESSARO_GPHOTO2_PORT (a network
// camera, e.g. "ptpip:192.168.1.20", which autodetection cannot see).
std::vector<DetectedCamera> detectCameras();

// One property as the body reports it now.
struct PropertyState {
    EdsUInt32 value = 0;
    std::string text;                // the string of a text property
    std::vector<EdsUInt32> allowed;  // the codes of the choices
    bool writable = false;
    bool operator==(const PropertyState&) const = default;
};

struct FilePath {
    std::string folder;
    std::string name;
    std::string shown; // the name the program sees, see EventLoop
};

struct FileInfo {
    EdsUInt64 size = 0;
    EdsUInt32 time = 0;
};

// What the body reported while the bridge waited for it.
struct CameraEvent {
    enum class Kind { None, FileAdded, Other } kind = Kind::None;
    FilePath file;
};

// Called with the percentage of a transfer; returns true to cancel it.
using ProgressFunction = std::function<bool(EdsUInt32 percent)>;

class Session {
public:
    explicit Session(DetectedCamera camera);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    EdsError open();
    const DetectedCamera& camera() const { return m_camera; }
    bool disconnected() const { return m_disconnected; }

    EdsError read(const PropertyWidget& widget, PropertyState& state);
    EdsError write(const PropertyWidget& widget, EdsUInt32 value);
    EdsError writeText(const PropertyWidget& widget, const std::string& text);
    EdsError triggerCapture();
    EdsError waitForEvent(int timeoutMs, CameraEvent& event);
    EdsError fileInfo(const FilePath& path, FileInfo& info);
    EdsError download(const FilePath& path, std::string& data, const ProgressFunction& progress);

private:
    struct Widget;
    EdsError check(int gpResult);
    EdsError readWidget(const PropertyWidget& widget, Widget& out);
    class CallLock;
    EdsError setValue(Widget& current, const std::string& text);
    static unsigned progressStarted(_GPContext*, float target, const char*, void* data);
    static void progressUpdated(_GPContext*, unsigned, float current, void* data);

    DetectedCamera m_camera;
    std::mutex m_mutex;
    _Camera* m_gpCamera = nullptr;
    _GPContext* m_context = nullptr;
    std::atomic<bool> m_disconnected{false};
    std::atomic<int> m_callers{0}; // program calls waiting for the camera
    std::atomic<int64_t> m_lastCall{0}; // when the last one ended, steady clock ticks
    const ProgressFunction* m_progress = nullptr; // of the transfer running now
    float m_progressTarget = 0;
    bool m_cancelled = false;
};

} // namespace gpbridge
