#include "fakegphoto2.h"

#include <gphoto2/gphoto2.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

struct _GPContext {
    GPContextProgressStartFunc start = nullptr;
    GPContextProgressUpdateFunc update = nullptr;
    void* progressData = nullptr;
    GPContextCancelFunc cancel = nullptr;
    void* cancelData = nullptr;
};
struct _CameraList {
    std::vector<std::pair<std::string, std::string>> entries;
};
struct _CameraWidget {
    fakegp::Widget widget;
};
struct _CameraFile {
    std::string data;
};
struct _CameraAbilitiesList {};
struct _GPPortInfoList {};

namespace {

struct Body {
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> cameras;
    int initResult = GP_OK;
    std::map<std::string, fakegp::Widget> widgets;
    std::map<std::string, std::string> files;
    std::deque<std::pair<CameraEventType, std::string>> events;
    bool unplugged = false;
    int eventResult = GP_OK;
    int eventWaits = 0;
    int captures = 0;
    std::vector<std::string> writes;
};

Body& body()
{
    static Body state;
    return state;
}

} // namespace

namespace fakegp {

void reset()
{
    Body& b = body();
    std::lock_guard lock(b.mutex);
    b.cameras.clear();
    b.initResult = GP_OK;
    b.widgets.clear();
    b.files.clear();
    b.events.clear();
    b.unplugged = false;
    b.eventResult = GP_OK;
    b.eventWaits = 0;
    b.captures = 0;
    b.writes.clear();
}

void addCamera(const std::string& model, const std::string& port)
{
    std::lock_guard lock(body().mutex);
    body().cameras.emplace_back(model, port);
}

void failEvents(int gpResult)
{
    std::lock_guard lock(body().mutex);
    body().eventResult = gpResult;
}

int eventWaits()
{
    std::lock_guard lock(body().mutex);
    return body().eventWaits;
}

void failInit(int gpResult)
{
    std::lock_guard lock(body().mutex);
    body().initResult = gpResult;
}

void setWidget(const Widget& widget)
{
    std::lock_guard lock(body().mutex);
    body().widgets[widget.name] = widget;
}

std::string widgetValue(const std::string& name)
{
    std::lock_guard lock(body().mutex);
    return body().widgets[name].value;
}

void turnWidget(const std::string& name, const std::string& value)
{
    std::lock_guard lock(body().mutex);
    body().widgets[name].value = value;
    body().events.emplace_back(GP_EVENT_UNKNOWN, "PTP Property d103 changed");
}

void addFile(const std::string& name, const std::string& bytes)
{
    std::lock_guard lock(body().mutex);
    body().files[name] = bytes;
    body().events.emplace_back(GP_EVENT_FILE_ADDED, name);
}

void disconnect()
{
    std::lock_guard lock(body().mutex);
    body().unplugged = true;
}

int captures()
{
    std::lock_guard lock(body().mutex);
    return body().captures;
}

std::vector<std::string> writes()
{
    std::lock_guard lock(body().mutex);
    return body().writes;
}

} // namespace fakegp

#define FAKE_CONNECTED()                                                                           \
    std::lock_guard lock(body().mutex);                                                            \
    if (body().unplugged)                                                                          \
        return GP_ERROR_IO_USB_FIND;

extern "C" {

GPContext* gp_context_new(void) { return new _GPContext; }
void gp_context_unref(GPContext* context) { delete context; }
void gp_context_set_progress_funcs(GPContext* context, GPContextProgressStartFunc start,
                                   GPContextProgressUpdateFunc update, GPContextProgressStopFunc, void* data)
{
    context->start = start;
    context->update = update;
    context->progressData = data;
}
void gp_context_set_cancel_func(GPContext* context, GPContextCancelFunc cancel, void* data)
{
    context->cancel = cancel;
    context->cancelData = data;
}

int gp_list_new(CameraList** list)
{
    *list = new _CameraList;
    return GP_OK;
}
int gp_list_free(CameraList* list)
{
    delete list;
    return GP_OK;
}
int gp_list_get_name(CameraList* list, int index, const char** name)
{
    *name = list->entries.at(index).first.c_str();
    return GP_OK;
}
int gp_list_get_value(CameraList* list, int index, const char** value)
{
    *value = list->entries.at(index).second.c_str();
    return GP_OK;
}
int gp_camera_autodetect(CameraList* list, GPContext*)
{
    std::lock_guard lock(body().mutex);
    if (!body().unplugged)
        list->entries = body().cameras;
    return static_cast<int>(list->entries.size());
}

int gp_abilities_list_new(CameraAbilitiesList** list)
{
    *list = new _CameraAbilitiesList;
    return GP_OK;
}
int gp_abilities_list_free(CameraAbilitiesList* list)
{
    delete list;
    return GP_OK;
}
int gp_abilities_list_load(CameraAbilitiesList*, GPContext*) { return GP_OK; }
int gp_abilities_list_lookup_model(CameraAbilitiesList*, const char*) { return 0; }
int gp_abilities_list_get_abilities(CameraAbilitiesList*, int, CameraAbilities*) { return GP_OK; }
int gp_port_info_list_new(GPPortInfoList** list)
{
    *list = new _GPPortInfoList;
    return GP_OK;
}
int gp_port_info_list_free(GPPortInfoList* list)
{
    delete list;
    return GP_OK;
}
int gp_port_info_list_load(GPPortInfoList*) { return GP_OK; }
int gp_port_info_list_lookup_path(GPPortInfoList*, const char*) { return 0; }
int gp_port_info_list_get_info(GPPortInfoList*, int, GPPortInfo* info)
{
    *info = nullptr;
    return GP_OK;
}

int gp_camera_new(Camera** camera)
{
    *camera = new Camera{};
    return GP_OK;
}
int gp_camera_set_abilities(Camera*, CameraAbilities) { return GP_OK; }
int gp_camera_set_port_info(Camera*, GPPortInfo) { return GP_OK; }
int gp_camera_init(Camera*, GPContext*)
{
    FAKE_CONNECTED();
    return body().initResult;
}
int gp_camera_exit(Camera*, GPContext*) { return GP_OK; }
int gp_camera_unref(Camera* camera)
{
    delete camera;
    return GP_OK;
}

int gp_camera_get_single_config(Camera*, const char* name, CameraWidget** widget, GPContext*)
{
    FAKE_CONNECTED();
    const auto it = body().widgets.find(name);
    if (it == body().widgets.end())
        return GP_ERROR_BAD_PARAMETERS;
    *widget = new _CameraWidget{it->second};
    return GP_OK;
}
int gp_camera_set_single_config(Camera*, const char* name, CameraWidget* widget, GPContext*)
{
    FAKE_CONNECTED();
    fakegp::Widget& target = body().widgets.at(name);
    const std::string& value = widget->widget.value;
    if (!target.choices.empty() && std::find(target.choices.begin(), target.choices.end(), value) == target.choices.end())
        return GP_ERROR_BAD_PARAMETERS;
    target.value = value;
    body().writes.push_back(std::string(name) + "=" + value);
    return GP_OK;
}
int gp_widget_free(CameraWidget* widget)
{
    delete widget;
    return GP_OK;
}
int gp_widget_get_value(CameraWidget* widget, void* value)
{
    *static_cast<const char**>(value) = widget->widget.value.c_str();
    return GP_OK;
}
int gp_widget_set_value(CameraWidget* widget, const void* value)
{
    widget->widget.value = static_cast<const char*>(value);
    return GP_OK;
}
int gp_widget_count_choices(CameraWidget* widget)
{
    return static_cast<int>(widget->widget.choices.size());
}
int gp_widget_get_choice(CameraWidget* widget, int index, const char** choice)
{
    *choice = widget->widget.choices.at(index).c_str();
    return GP_OK;
}
int gp_widget_get_readonly(CameraWidget* widget, int* readonly)
{
    *readonly = widget->widget.readonly;
    return GP_OK;
}

int gp_camera_trigger_capture(Camera*, GPContext*)
{
    FAKE_CONNECTED();
    ++body().captures;
    return GP_OK;
}

int gp_camera_wait_for_event(Camera*, int timeout, CameraEventType* type, void** data, GPContext*)
{
    {
        FAKE_CONNECTED();
        ++body().eventWaits;
        if (body().eventResult != GP_OK)
            return body().eventResult;
        if (!body().events.empty()) {
            const auto [kind, text] = body().events.front();
            body().events.pop_front();
            *type = kind;
            if (kind == GP_EVENT_FILE_ADDED) {
                auto* path = static_cast<CameraFilePath*>(calloc(1, sizeof(CameraFilePath)));
                std::strcpy(path->folder, "/");
                std::strncpy(path->name, text.c_str(), sizeof path->name - 1);
                *data = path;
            } else {
                *data = strdup(text.c_str());
            }
            return GP_OK;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeout, 5)));
    *type = GP_EVENT_TIMEOUT;
    *data = nullptr;
    return GP_OK;
}

int gp_camera_file_get_info(Camera*, const char*, const char* name, CameraFileInfo* info, GPContext*)
{
    FAKE_CONNECTED();
    const auto it = body().files.find(name);
    if (it == body().files.end())
        return GP_ERROR_FILE_NOT_FOUND;
    info->file.fields = GP_FILE_INFO_SIZE;
    info->file.size = it->second.size();
    return GP_OK;
}

int gp_file_new(CameraFile** file)
{
    *file = new _CameraFile;
    return GP_OK;
}
int gp_file_unref(CameraFile* file)
{
    delete file;
    return GP_OK;
}
int gp_file_get_data_and_size(CameraFile* file, const char** data, unsigned long* size)
{
    *data = file->data.data();
    *size = file->data.size();
    return GP_OK;
}

// Hands the bytes over in four parts, telling the progress and asking for a cancel after each.
int gp_camera_file_get(Camera*, const char*, const char* name, CameraFileType, CameraFile* file,
                       GPContext* context)
{
    std::string bytes;
    {
        FAKE_CONNECTED();
        const auto it = body().files.find(name);
        if (it == body().files.end())
            return GP_ERROR_FILE_NOT_FOUND;
        bytes = it->second;
    }
    const float size = static_cast<float>(bytes.size());
    const unsigned id = context->start ? context->start(context, size, name, context->progressData) : 0;
    for (int part = 1; part <= 4; ++part) {
        if (context->update)
            context->update(context, id, size * part / 4, context->progressData);
        if (context->cancel && context->cancel(context, context->cancelData) == GP_CONTEXT_FEEDBACK_CANCEL)
            return GP_ERROR_CANCEL;
    }
    file->data = bytes;
    return GP_OK;
}

} // extern "C"
