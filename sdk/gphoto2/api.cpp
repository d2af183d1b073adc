// The exported C entry points of the SDK over libgphoto2.
#include "errors.h"
#include "objects.h"

#include "edsdk.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>
#include <set>

#include <strings.h>

using namespace gpbridge;

namespace {

struct Bridge {
    std::mutex mutex;
    std::atomic<bool> initialized{false};
    std::set<EdsObject*> live;
    std::map<std::string, std::weak_ptr<Session>> sessions; // by port: one opening per body
    std::string listProblem; // of the last camera list
};

Bridge& bridge()
{
    static Bridge state;
    return state;
}

template <typename T>
T* adopt(T* object)
{
    std::lock_guard lock(bridge().mutex);
    bridge().live.insert(object);
    return object;
}

template <typename T>
T* as(EdsBaseRef ref, EdsObject::Kind kind)
{
    std::lock_guard lock(bridge().mutex);
    if (!bridge().live.contains(ref) || ref->kind != kind)
        return nullptr;
    return static_cast<T*>(ref);
}

CameraObject* cameraOf(EdsBaseRef ref)
{
    return as<CameraObject>(ref, EdsObject::Kind::Camera);
}

ItemObject* itemOf(EdsBaseRef ref)
{
    return as<ItemObject>(ref, EdsObject::Kind::Item);
}

// A camera whose session is open and whose body is still there, or the error why not.
EdsError openCamera(EdsBaseRef ref, CameraObject*& camera)
{
    camera = cameraOf(ref);
    if (!camera)
        return EDS_ERR_INVALID_HANDLE;
    if (camera->session->disconnected())
        return EDS_ERR_COMM_DISCONNECTED;
    return camera->events ? EDS_ERR_OK : EDS_ERR_SESSION_NOT_OPEN;
}

void settle(ItemObject& item)
{
    if (item.settled)
        return;
    item.settled = true;
    if (auto* camera = cameraOf(item.camera); camera && camera->events)
        camera->events->settled(item.file);
}

EdsUInt32 drop(EdsObject* object);

// The bridge's own references go here rather than through EdsRetain: with the SDK loaded
// globally, that name may bind to another SDK library in the same process.
EdsUInt32 retain(EdsObject* object)
{
    std::lock_guard lock(bridge().mutex);
    if (!bridge().live.contains(object))
        return 0xFFFFFFFFu;
    return ++object->refs;
}

// Outside the bridge's lock: a camera's event thread may be waiting for it.
void destroy(EdsObject* object)
{
    switch (object->kind) {
    case EdsObject::Kind::CameraList:
        for (EdsObject* camera : static_cast<CameraListObject*>(object)->cameras)
            drop(camera);
        break;
    case EdsObject::Kind::Item: {
        auto* item = static_cast<ItemObject*>(object);
        settle(*item);
        drop(item->camera);
        break;
    }
    case EdsObject::Kind::Camera:
    case EdsObject::Kind::Stream: break;
    }
    delete object;
}

EdsUInt32 drop(EdsObject* object)
{
    EdsUInt32 left = 0;
    {
        std::lock_guard lock(bridge().mutex);
        if (!bridge().live.contains(object))
            return 0xFFFFFFFFu;
        left = --object->refs;
        if (left == 0)
            bridge().live.erase(object);
    }
    if (left == 0)
        destroy(object);
    return left;
}

std::shared_ptr<Session> sessionFor(const DetectedCamera& found)
{
    std::lock_guard lock(bridge().mutex);
    std::weak_ptr<Session>& slot = bridge().sessions[found.port];
    std::shared_ptr<Session> session = slot.lock();
    if (!session || session->disconnected()) {
        session = std::make_shared<Session>(found);
        slot = session;
    }
    return session;
}

EdsBaseRef makeItem(EdsObject* camera, const FilePath& file)
{
    auto* owner = static_cast<CameraObject*>(camera);
    auto* item = new ItemObject;
    item->file = file;
    owner->session->fileInfo(file, item->info); // a size of 0 only makes the progress coarse
    retain(camera);
    item->camera = camera;
    return adopt(item);
}

EdsUInt32 formatOf(const std::string& name)
{
    const char* dot = std::strrchr(name.c_str(), '.');
    const bool jpeg = dot && (strcasecmp(dot, ".JPG") == 0 || strcasecmp(dot, ".JPEG") == 0);
    return jpeg ? kEdsObjectFormat_Jpeg : kEdsObjectFormat_CR2;
}

void copyText(EdsChar* out, size_t size, const std::string& text)
{
    if (size == 0)
        return;
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void report(EdsProgressCallback progress, EdsVoid* context, EdsUInt32 percent, EdsBool& cancel)
{
    if (progress)
        progress(percent, context, &cancel);
}

} // namespace

extern "C" {

EDSAPI EdsError EdsInitializeSDK(void)
{
    std::lock_guard lock(bridge().mutex);
    bridge().initialized = true;
    // libgphoto2 writes to a network body's socket without guarding against a dropped
    // connection: the default action of SIGPIPE would end the program there.
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsTerminateSDK(void)
{
    std::lock_guard lock(bridge().mutex);
    bridge().initialized = false;
    return EDS_ERR_OK;
}

EDSAPI EdsUInt32 EdsRetain(EdsBaseRef inRef)
{
    return retain(inRef);
}

EDSAPI EdsUInt32 EdsRelease(EdsBaseRef inRef)
{
    return drop(inRef);
}

EDSAPI EdsError EdsGetCameraList(EdsCameraListRef* outCameraListRef)
{
    if (!outCameraListRef)
        return EDS_ERR_INVALID_POINTER;
    if (!bridge().initialized)
        return EDS_ERR_INVALID_FN_CALL;
    auto* list = new CameraListObject;
    std::string problem;
    for (const DetectedCamera& found : detectCameras()) {
        std::shared_ptr<Session> session = sessionFor(found);
        const EdsError error = session->open();
        if (error == EDS_ERR_DEVICE_BUSY)
            problem = claimedCameraMessage(found.model, found.port);
        else if (error)
            problem = "Kamera " + found.model + " an " + found.port + " nicht erreichbar (SDK-Fehler "
                      + std::to_string(error) + ")";
        if (error)
            std::cerr << problem << std::endl;
        else
            list->cameras.push_back(adopt(new CameraObject(session)));
    }
    {
        std::lock_guard lock(bridge().mutex);
        bridge().listProblem = problem;
    }
    *outCameraListRef = adopt(list);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsGetChildCount(EdsBaseRef inRef, EdsUInt32* outCount)
{
    auto* list = as<CameraListObject>(inRef, EdsObject::Kind::CameraList);
    if (!list)
        return EDS_ERR_INVALID_HANDLE;
    if (!outCount)
        return EDS_ERR_INVALID_POINTER;
    *outCount = static_cast<EdsUInt32>(list->cameras.size());
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsGetChildAtIndex(EdsBaseRef inRef, EdsInt32 inIndex, EdsBaseRef* outRef)
{
    auto* list = as<CameraListObject>(inRef, EdsObject::Kind::CameraList);
    if (!list)
        return EDS_ERR_INVALID_HANDLE;
    if (!outRef)
        return EDS_ERR_INVALID_POINTER;
    if (inIndex < 0 || static_cast<size_t>(inIndex) >= list->cameras.size())
        return EDS_ERR_INVALID_INDEX;
    *outRef = list->cameras[inIndex];
    retain(*outRef);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsGetDeviceInfo(EdsCameraRef inCameraRef, EdsDeviceInfo* outDeviceInfo)
{
    CameraObject* camera = cameraOf(inCameraRef);
    if (!camera)
        return EDS_ERR_INVALID_HANDLE;
    if (!outDeviceInfo)
        return EDS_ERR_INVALID_POINTER;
    *outDeviceInfo = EdsDeviceInfo{};
    copyText(outDeviceInfo->szPortName, EDS_MAX_NAME, camera->session->camera().port);
    copyText(outDeviceInfo->szDeviceDescription, EDS_MAX_NAME, camera->session->camera().model);
    outDeviceInfo->deviceSubType = 1; // PTP bodies take the newer body's steps
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsSetPropertyEventHandler(EdsCameraRef inCameraRef, EdsPropertyEvent /*inEvent*/,
                                           EdsPropertyEventHandler inHandler, EdsVoid* inContext)
{
    CameraObject* camera = cameraOf(inCameraRef);
    if (!camera)
        return EDS_ERR_INVALID_HANDLE;
    camera->handlers.property = inHandler;
    camera->handlers.propertyContext = inContext;
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsSetObjectEventHandler(EdsCameraRef inCameraRef, EdsObjectEvent /*inEvent*/,
                                         EdsObjectEventHandler inHandler, EdsVoid* inContext)
{
    CameraObject* camera = cameraOf(inCameraRef);
    if (!camera)
        return EDS_ERR_INVALID_HANDLE;
    camera->handlers.object = inHandler;
    camera->handlers.objectContext = inContext;
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsOpenSession(EdsCameraRef inCameraRef)
{
    CameraObject* camera = cameraOf(inCameraRef);
    if (!camera)
        return EDS_ERR_INVALID_HANDLE;
    if (camera->session->disconnected())
        return EDS_ERR_COMM_DISCONNECTED;
    if (camera->events)
        return EDS_ERR_OK;
    // Every picture goes to the computer; a body without the setting keeps its own.
    camera->session->write(*propertyWidget(kEdsPropID_SaveTo), kEdsSaveTo_Host);
    camera->events = std::make_unique<EventLoop>(camera->session, camera->handlers,
                                                 [camera](const FilePath& file) { return makeItem(camera, file); });
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsCloseSession(EdsCameraRef inCameraRef)
{
    CameraObject* camera = cameraOf(inCameraRef);
    if (!camera)
        return EDS_ERR_INVALID_HANDLE;
    if (!camera->events)
        return EDS_ERR_SESSION_NOT_OPEN;
    camera->events.reset();
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsGetPropertySize(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 /*inParam*/,
                                   EdsDataType* outDataType, EdsUInt32* outSize)
{
    CameraObject* camera = nullptr;
    if (const EdsError error = openCamera(inRef, camera))
        return error;
    const PropertyWidget* widget = propertyWidget(inPropertyID);
    if (!widget)
        return EDS_ERR_PROPERTIES_UNAVAILABLE;
    if (!outDataType || !outSize)
        return EDS_ERR_INVALID_POINTER;
    *outDataType = widget->type;
    *outSize = widget->type == kEdsDataType_String ? EDS_MAX_NAME : 4;
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsGetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 /*inParam*/,
                                   EdsUInt32 inPropertySize, EdsVoid* outPropertyData)
{
    CameraObject* camera = nullptr;
    if (const EdsError error = openCamera(inRef, camera))
        return error;
    const PropertyWidget* widget = propertyWidget(inPropertyID);
    if (!widget)
        return EDS_ERR_PROPERTIES_UNAVAILABLE;
    if (!outPropertyData)
        return EDS_ERR_INVALID_POINTER;
    const bool text = widget->type == kEdsDataType_String;
    if (inPropertySize < (text ? 1u : 4u))
        return EDS_ERR_INVALID_LENGTH;
    PropertyState state;
    if (const EdsError error = camera->session->read(*widget, state))
        return error;
    if (text)
        copyText(static_cast<EdsChar*>(outPropertyData), inPropertySize, state.text);
    else
        std::memcpy(outPropertyData, &state.value, 4);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsSetPropertyData(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsInt32 /*inParam*/,
                                   EdsUInt32 inPropertySize, const EdsVoid* inPropertyData)
{
    CameraObject* camera = nullptr;
    if (const EdsError error = openCamera(inRef, camera))
        return error;
    const PropertyWidget* widget = propertyWidget(inPropertyID);
    if (!widget)
        return EDS_ERR_PROPERTIES_UNAVAILABLE;
    if (!inPropertyData)
        return EDS_ERR_INVALID_POINTER;
    if (widget->type == kEdsDataType_String) {
        const auto* text = static_cast<const EdsChar*>(inPropertyData);
        return camera->session->writeText(*widget, std::string(text, strnlen(text, inPropertySize)));
    }
    if (inPropertySize != 4)
        return EDS_ERR_INVALID_LENGTH;
    EdsUInt32 value = 0;
    std::memcpy(&value, inPropertyData, 4);
    return camera->session->write(*widget, value);
}

EDSAPI EdsError EdsGetPropertyDesc(EdsBaseRef inRef, EdsPropertyID inPropertyID, EdsPropertyDesc* outPropertyDesc)
{
    CameraObject* camera = nullptr;
    if (const EdsError error = openCamera(inRef, camera))
        return error;
    const PropertyWidget* widget = propertyWidget(inPropertyID);
    if (!widget)
        return EDS_ERR_PROPERTIES_UNAVAILABLE;
    if (!outPropertyDesc)
        return EDS_ERR_INVALID_POINTER;
    PropertyState state;
    if (const EdsError error = camera->session->read(*widget, state))
        return error;
    *outPropertyDesc = EdsPropertyDesc{};
    const size_t count = std::min<size_t>(state.allowed.size(), EDS_MAX_DESC_VALUES);
    outPropertyDesc->form = 1;
    outPropertyDesc->access = state.writable && count > 0 ? kEdsAccess_ReadWrite : kEdsAccess_Read;
    outPropertyDesc->numElements = static_cast<EdsInt32>(count);
    std::copy_n(state.allowed.begin(), count, outPropertyDesc->propDesc);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsSendCommand(EdsCameraRef inCameraRef, EdsCameraCommand inCommand, EdsInt32 /*inParam*/)
{
    CameraObject* camera = nullptr;
    if (const EdsError error = openCamera(inCameraRef, camera))
        return error;
    if (inCommand != kEdsCameraCommand_TakePicture)
        return EDS_ERR_NOT_SUPPORTED;
    return camera->session->triggerCapture();
}

// libgphoto2 keeps an EOS body in remote mode itself: the UI lock and the host's capacity
// need no call of their own.
EDSAPI EdsError EdsSendStatusCommand(EdsCameraRef inCameraRef, EdsCameraStatusCommand /*inStatusCommand*/,
                                     EdsInt32 /*inParam*/)
{
    CameraObject* camera = nullptr;
    return openCamera(inCameraRef, camera);
}

EDSAPI EdsError EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity /*inCapacity*/)
{
    CameraObject* camera = nullptr;
    return openCamera(inCameraRef, camera);
}

EDSAPI EdsError EdsGetDirectoryItemInfo(EdsDirectoryItemRef inDirItemRef, EdsDirectoryItemInfo* outDirItemInfo)
{
    ItemObject* item = itemOf(inDirItemRef);
    if (!item)
        return EDS_ERR_INVALID_HANDLE;
    if (!outDirItemInfo)
        return EDS_ERR_INVALID_POINTER;
    *outDirItemInfo = EdsDirectoryItemInfo{};
    outDirItemInfo->size = item->info.size;
    copyText(outDirItemInfo->szFileName, EDS_MAX_NAME, item->file.shown);
    outDirItemInfo->format = formatOf(item->file.shown);
    outDirItemInfo->dateTime = item->info.time;
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsCreateFileStream(const EdsChar* inFileName, EdsFileCreateDisposition inCreateDisposition,
                                    EdsAccess /*inDesiredAccess*/, EdsStreamRef* outStream)
{
    if (!inFileName || !outStream)
        return EDS_ERR_INVALID_POINTER;
    // The program only writes pictures: a file is always made anew.
    if (inCreateDisposition != kEdsFileCreateDisposition_CreateAlways)
        return EDS_ERR_NOT_SUPPORTED;
    std::FILE* file = std::fopen(inFileName, "w+b");
    if (!file)
        return EDS_ERR_FILE_OPEN_ERROR;
    auto* stream = new StreamObject;
    stream->file = file;
    *outStream = adopt(stream);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsSetProgressCallback(EdsBaseRef inRef, EdsProgressCallback inProgressFunc,
                                       EdsProgressOption inProgressOption, EdsVoid* inContext)
{
    auto* stream = as<StreamObject>(inRef, EdsObject::Kind::Stream);
    if (!stream)
        return EDS_ERR_INVALID_HANDLE;
    stream->progress = inProgressFunc;
    stream->option = inProgressOption;
    stream->context = inContext;
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsDownload(EdsDirectoryItemRef inDirItemRef, EdsUInt64 inReadSize, EdsStreamRef outStream)
{
    ItemObject* item = itemOf(inDirItemRef);
    auto* stream = as<StreamObject>(outStream, EdsObject::Kind::Stream);
    CameraObject* camera = item ? cameraOf(item->camera) : nullptr;
    if (!item || !stream || !camera)
        return EDS_ERR_INVALID_HANDLE;
    EdsBool cancel = false;
    const bool periodic = stream->option == kEdsProgressOption_Periodically;
    const ProgressFunction progress = [&](EdsUInt32 percent) {
        if (periodic)
            report(stream->progress, stream->context, percent, cancel);
        return cancel != 0;
    };
    std::string data;
    if (const EdsError error = camera->session->download(item->file, data, progress))
        return error;
    const size_t size = std::min<size_t>(data.size(), inReadSize);
    if (std::fwrite(data.data(), 1, size, stream->file) != size || std::fflush(stream->file) != 0)
        return EDS_ERR_STREAM_WRITE_ERROR;
    if (stream->option != kEdsProgressOption_NoReport)
        report(stream->progress, stream->context, 100, cancel);
    return EDS_ERR_OK;
}

EDSAPI EdsError EdsDownloadComplete(EdsDirectoryItemRef inDirItemRef)
{
    ItemObject* item = itemOf(inDirItemRef);
    if (!item)
        return EDS_ERR_INVALID_HANDLE;
    settle(*item);
    return EDS_ERR_OK;
}

} // extern "C"

EDSAPI const char* EdsGetCameraListProblem(void)
{
    std::lock_guard lock(bridge().mutex);
    return bridge().listProblem.c_str();
}
