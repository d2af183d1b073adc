#include "session.h"

#include "errors.h"

#include <gphoto2/gphoto2.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace gpbridge {
namespace {

constexpr auto kCallBurst = std::chrono::milliseconds(20);

template <typename T, int (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using ListPtr = std::unique_ptr<CameraList, Freer<CameraList, gp_list_free>>;
using FilePtr = std::unique_ptr<CameraFile, Freer<CameraFile, gp_file_unref>>;

// libgphoto2 2.5.30 closes descriptor 0 when it lets a PTP/IP body go (a socket it never
// opened there). Left alone, the next file the program opens would take that number and be
// closed under it at the following disconnect, so standard input is put back over such calls.
class StandardInputKept {
public:
    StandardInputKept() : m_spare(::fcntl(0, F_DUPFD_CLOEXEC, 3)) {}
    ~StandardInputKept()
    {
        if (m_spare < 0)
            return;
        if (::fcntl(0, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free number: 0, unless another thread took it meanwhile.
            const int restored = ::fcntl(m_spare, F_DUPFD, 0);
            if (restored > 0)
                ::close(restored);
        }
        ::close(m_spare);
    }
    StandardInputKept(const StandardInputKept&) = delete;
    StandardInputKept& operator=(const StandardInputKept&) = delete;

private:
    int m_spare;
};

template <typename Call>
auto keepingStandardInput(Call call)
{
    const StandardInputKept kept;
    return call();
}

std::optional<DetectedCamera> networkCamera()
{
    const char* port = std::getenv("TESSARO_GPHOTO2_PORT");
    if (!port || !*port)
        return std::nullopt;
    return DetectedCamera{"PTP/IP Camera", port};
}

} // namespace

std::vector<DetectedCamera> detectCameras()
{
    std::vector<DetectedCamera> cameras;
    if (std::optional<DetectedCamera> network = networkCamera())
        cameras.push_back(*network);
    CameraList* raw = nullptr;
    if (gp_list_new(&raw) < GP_OK)
        return cameras;
    ListPtr list(raw);
    GPContext* context = gp_context_new();
    const int count = gp_camera_autodetect(list.get(), context);
    gp_context_unref(context);
    for (int i = 0; i < count; ++i) {
        const char* model = nullptr;
        const char* port = nullptr;
        if (gp_list_get_name(list.get(), i, &model) >= GP_OK && gp_list_get_value(list.get(), i, &port) >= GP_OK)
            cameras.push_back({model, port});
    }
    return cameras;
}

struct Session::Widget {
    ~Widget()
    {
        if (handle)
            gp_widget_free(handle);
    }
    CameraWidget* handle = nullptr;
    const char* name = nullptr;
    std::string value;
    std::vector<std::string> choices;
    bool writable = false;
};

Session::Session(DetectedCamera camera) : m_camera(std::move(camera))
{
    m_context = gp_context_new();
    gp_context_set_progress_funcs(m_context, &Session::progressStarted, &Session::progressUpdated,
                                  nullptr, this);
    gp_context_set_cancel_func(
        m_context,
        [](GPContext*, void* data) {
            return static_cast<Session*>(data)->m_cancelled ? GP_CONTEXT_FEEDBACK_CANCEL
                                                            : GP_CONTEXT_FEEDBACK_OK;
        },
        this);
}

unsigned Session::progressStarted(GPContext*, float target, const char*, void* data)
{
    static_cast<Session*>(data)->m_progressTarget = target;
    return 1;
}

void Session::progressUpdated(GPContext*, unsigned, float current, void* data)
{
    auto* self = static_cast<Session*>(data);
    if (!self->m_progress || self->m_progressTarget <= 0)
        return;
    const float share = std::min(current / self->m_progressTarget, 1.0f);
    // 100 is said once the file is whole on the computer's side.
    const auto percent = static_cast<EdsUInt32>(share * 99);
    if ((*self->m_progress)(percent))
        self->m_cancelled = true;
}

Session::~Session()
{
    if (m_gpCamera) {
        keepingStandardInput([this] {
            gp_camera_exit(m_gpCamera, m_context);
            gp_camera_unref(m_gpCamera);
        });
    }
    gp_context_unref(m_context);
}

// Holds the camera for one of the program's calls; the event thread stands back meanwhile.
class Session::CallLock {
public:
    explicit CallLock(Session& session) : m_session(session)
    {
        ++m_session.m_callers;
        m_session.m_mutex.lock();
        --m_session.m_callers;
    }
    ~CallLock()
    {
        m_session.m_lastCall = std::chrono::steady_clock::now().time_since_epoch().count();
        m_session.m_mutex.unlock();
    }
    CallLock(const CallLock&) = delete;
    CallLock& operator=(const CallLock&) = delete;

private:
    Session& m_session;
};

EdsError Session::check(int gpResult)
{
    const EdsError error = edsError(gpResult);
    if (isDisconnect(error))
        m_disconnected = true;
    return error;
}

EdsError Session::open()
{
    const CallLock lock(*this);
    if (m_gpCamera)
        return EDS_ERR_OK;
    Camera* camera = nullptr;
    if (const EdsError error = check(gp_camera_new(&camera)))
        return error;
    CameraAbilitiesList* abilities = nullptr;
    gp_abilities_list_new(&abilities);
    gp_abilities_list_load(abilities, m_context);
    const int model = gp_abilities_list_lookup_model(abilities, m_camera.model.c_str());
    CameraAbilities ability{};
    if (model >= GP_OK && gp_abilities_list_get_abilities(abilities, model, &ability) >= GP_OK)
        gp_camera_set_abilities(camera, ability);
    gp_abilities_list_free(abilities);
    GPPortInfoList* ports = nullptr;
    gp_port_info_list_new(&ports);
    gp_port_info_list_load(ports);
    const int port = gp_port_info_list_lookup_path(ports, m_camera.port.c_str());
    GPPortInfo info = nullptr;
    if (port >= GP_OK && gp_port_info_list_get_info(ports, port, &info) >= GP_OK)
        gp_camera_set_port_info(camera, info);
    gp_port_info_list_free(ports);
    // A failed init lets the connection go as well.
    const int result = keepingStandardInput([&] {
        const int initialised = gp_camera_init(camera, m_context);
        if (initialised < GP_OK)
            gp_camera_unref(camera);
        return initialised;
    });
    if (result < GP_OK) {
        return edsError(result);
    }
    m_gpCamera = camera;
    // A network body is opened under a generic name; the body tells its own.
    Widget name;
    if (!readWidget(*propertyWidget(kEdsPropID_ProductName), name) && !name.value.empty())
        m_camera.model = name.value;
    return EDS_ERR_OK;
}

EdsError Session::readWidget(const PropertyWidget& widget, Widget& out)
{
    if (m_disconnected)
        return EDS_ERR_COMM_DISCONNECTED;
    int result = GP_ERROR_NOT_SUPPORTED;
    for (const char* name : widget.names) {
        result = gp_camera_get_single_config(m_gpCamera, name, &out.handle, m_context);
        if (result >= GP_OK) {
            out.name = name;
            break;
        }
    }
    if (result < GP_OK)
        return result == GP_ERROR_BAD_PARAMETERS ? EDS_ERR_NOT_SUPPORTED : check(result);
    const char* value = nullptr;
    if (gp_widget_get_value(out.handle, &value) >= GP_OK && value)
        out.value = value;
    const int count = std::max(gp_widget_count_choices(out.handle), 0);
    for (int i = 0; i < count; ++i) {
        const char* choice = nullptr;
        if (gp_widget_get_choice(out.handle, i, &choice) >= GP_OK && choice)
            out.choices.emplace_back(choice);
    }
    int readonly = 1;
    gp_widget_get_readonly(out.handle, &readonly);
    out.writable = !readonly;
    return EDS_ERR_OK;
}

EdsError Session::read(const PropertyWidget& widget, PropertyState& state)
{
    const CallLock lock(*this);
    Widget current;
    if (const EdsError error = readWidget(widget, current))
        return error;
    state = PropertyState{};
    state.writable = current.writable;
    switch (widget.kind) {
    case WidgetKind::Text: state.text = current.value; break;
    case WidgetKind::Battery: state.value = batteryLevel(current.value); break;
    case WidgetKind::Choice:
    case WidgetKind::SaveTo:
        state.value = codeForLabel(widget, current.value, current.choices);
        for (const std::string& choice : current.choices)
            state.allowed.push_back(codeForLabel(widget, choice, current.choices));
        break;
    }
    return EDS_ERR_OK;
}

EdsError Session::setValue(Widget& current, const std::string& text)
{
    if (!current.writable)
        return EDS_ERR_NOT_SUPPORTED;
    if (gp_widget_set_value(current.handle, text.c_str()) < GP_OK)
        return EDS_ERR_DEVICE_INVALID_PARAMETER;
    return check(gp_camera_set_single_config(m_gpCamera, current.name, current.handle, m_context));
}

EdsError Session::write(const PropertyWidget& widget, EdsUInt32 value)
{
    const CallLock lock(*this);
    Widget current;
    if (const EdsError error = readWidget(widget, current))
        return error;
    if (widget.kind != WidgetKind::Choice && widget.kind != WidgetKind::SaveTo)
        return EDS_ERR_NOT_SUPPORTED;
    bool allowed = false;
    for (const std::string& choice : current.choices)
        allowed = allowed || codeForLabel(widget, choice, current.choices) == value;
    const std::optional<std::string> label = labelForCode(widget, value, current.choices);
    if (!allowed || !label)
        return EDS_ERR_DEVICE_INVALID_PARAMETER;
    return setValue(current, *label);
}

EdsError Session::writeText(const PropertyWidget& widget, const std::string& text)
{
    const CallLock lock(*this);
    Widget current;
    if (const EdsError error = readWidget(widget, current))
        return error;
    if (widget.kind != WidgetKind::Text)
        return EDS_ERR_NOT_SUPPORTED;
    return setValue(current, text);
}

EdsError Session::triggerCapture()
{
    const CallLock lock(*this);
    if (m_disconnected)
        return EDS_ERR_COMM_DISCONNECTED;
    return check(gp_camera_trigger_capture(m_gpCamera, m_context));
}

EdsError Session::waitForEvent(int timeoutMs, CameraEvent& event)
{
    event = CameraEvent{};
    // The program's calls come in bursts (a panel refresh, a release): they go first, and the
    // body keeps its events meanwhile.
    const auto sinceCall = std::chrono::steady_clock::now()
                           - std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(m_lastCall));
    if (m_callers > 0 || sinceCall < kCallBurst) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return EDS_ERR_OK;
    }
    std::lock_guard lock(m_mutex);
    if (m_disconnected)
        return EDS_ERR_COMM_DISCONNECTED;
    CameraEventType type = GP_EVENT_TIMEOUT;
    void* data = nullptr;
    const EdsError error = check(gp_camera_wait_for_event(m_gpCamera, timeoutMs, &type, &data, m_context));
    if (!error && type == GP_EVENT_FILE_ADDED && data) {
        const auto* path = static_cast<CameraFilePath*>(data);
        event = {CameraEvent::Kind::FileAdded, {path->folder, path->name, path->name}};
    } else if (!error && type != GP_EVENT_TIMEOUT) {
        event.kind = CameraEvent::Kind::Other;
    }
    std::free(data);
    return error;
}

EdsError Session::fileInfo(const FilePath& path, FileInfo& info)
{
    const CallLock lock(*this);
    if (m_disconnected)
        return EDS_ERR_COMM_DISCONNECTED;
    CameraFileInfo gpInfo{};
    if (const EdsError error = check(
            gp_camera_file_get_info(m_gpCamera, path.folder.c_str(), path.name.c_str(), &gpInfo, m_context)))
        return error;
    info.size = (gpInfo.file.fields & GP_FILE_INFO_SIZE) ? gpInfo.file.size : 0;
    info.time = (gpInfo.file.fields & GP_FILE_INFO_MTIME) ? static_cast<EdsUInt32>(gpInfo.file.mtime) : 0;
    return EDS_ERR_OK;
}

EdsError Session::download(const FilePath& path, std::string& data, const ProgressFunction& progress)
{
    const CallLock lock(*this);
    if (m_disconnected)
        return EDS_ERR_COMM_DISCONNECTED;
    CameraFile* raw = nullptr;
    if (const EdsError error = check(gp_file_new(&raw)))
        return error;
    FilePtr file(raw);
    m_progress = &progress;
    m_progressTarget = 0;
    m_cancelled = progress(0);
    const int result = m_cancelled ? GP_ERROR_CANCEL
                                   : gp_camera_file_get(m_gpCamera, path.folder.c_str(), path.name.c_str(),
                                                        GP_FILE_TYPE_NORMAL, file.get(), m_context);
    m_progress = nullptr;
    // The context's cancel answer holds for this download only, not for the calls after it.
    const bool cancelled = std::exchange(m_cancelled, false);
    if (const EdsError error = cancelled ? EDS_ERR_OPERATION_CANCELLED : check(result))
        return error;
    const char* bytes = nullptr;
    unsigned long size = 0;
    if (const EdsError error = check(gp_file_get_data_and_size(file.get(), &bytes, &size)))
        return error;
    data.assign(bytes, size);
    return EDS_ERR_OK;
}

} // namespace gpbridge
