#include "simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

namespace edsim {

namespace {

const char* kindName(EdsObject::Kind kind)
{
    switch (kind) {
    case EdsObject::Kind::CameraList: return "list";
    case EdsObject::Kind::Camera: return "camera";
    case EdsObject::Kind::Item: return "item";
    case EdsObject::Kind::Stream: return "stream";
    }
    return "?";
}

bool savesToHost(uint32_t saveTo)
{
    return (saveTo & kEdsSaveTo_Host) != 0;
}

} // namespace

Simulator& Simulator::instance()
{
    static Simulator simulator;
    return simulator;
}

// A program that ends without terminating the SDK still gets its threads joined
// before the state they use goes away.
Simulator::~Simulator()
{
    events_.stop();
    processing_.stop();
    for (EdsObject* object : objects_)
        delete object;
}

Body& Simulator::body()
{
    if (!body_) {
        body_.emplace(loadConfig());
        bulbMs_ = body_->config().bulbMs;
    }
    return *body_;
}

bool Simulator::live(EdsBaseRef ref, EdsObject::Kind kind) const
{
    return ref && objects_.count(ref) != 0 && ref->kind == kind;
}

EdsError Simulator::checkCamera(EdsBaseRef ref, bool needSession) const
{
    if (!live(ref, EdsObject::Kind::Camera))
        return EDS_ERR_INVALID_HANDLE;
    if (disconnected_ || static_cast<const Camera*>(ref)->unplugged)
        return EDS_ERR_COMM_DISCONNECTED;
    if (needSession && !sessionOpen_)
        return EDS_ERR_SESSION_NOT_OPEN;
    return EDS_ERR_OK;
}

EdsError Simulator::checkItem(EdsBaseRef ref) const
{
    if (!live(ref, EdsObject::Kind::Item))
        return EDS_ERR_INVALID_HANDLE;
    // An item of a connection before the cable was pulled is gone with it.
    return disconnected_ || static_cast<const Item*>(ref)->session != session_ ? EDS_ERR_COMM_DISCONNECTED
                                                                             : EDS_ERR_OK;
}

EdsBaseRef Simulator::add(EdsObject* object)
{
    objects_.insert(object);
    return object;
}

void Simulator::destroy(EdsObject* object)
{
    objects_.erase(object);
    if (object == camera_)
        camera_ = nullptr;
    if (object->kind == EdsObject::Kind::CameraList) {
        EdsObject* camera = static_cast<CameraList*>(object)->camera;
        if (camera && objects_.count(camera) && --camera->refs == 0)
            destroy(camera);
    }
    if (object->kind == EdsObject::Kind::Item && !static_cast<Item*>(object)->settled)
        settle(*static_cast<Item*>(object));
    delete object;
}

bool Simulator::busy() const
{
    return exposing_ || transferring_ || !pending_.empty();
}

// ---- SDK lifetime -------------------------------------------------------------------

EdsError Simulator::initialize()
{
    {
        std::lock_guard lock(mutex_);
        if (initialised_)
            return EDS_ERR_OK;
        body();
        initialised_ = true;
    }
    events_.start();
    processing_.start();
    return EDS_ERR_OK;
}

EdsError Simulator::terminate()
{
    // Joining the event thread from a handler would wait for itself.
    if (events_.onLoopThread() || processing_.onLoopThread())
        return EDS_ERR_INVALID_FN_CALL;
    {
        std::lock_guard lock(mutex_);
        if (!initialised_)
            return EDS_ERR_OK;
        initialised_ = false;
        sessionOpen_ = false;
        propertyHandler_ = {};
        objectHandler_ = {};
        exposing_ = transferring_ = false;
        pending_.clear();
    }
    events_.stop();
    processing_.stop();
    std::lock_guard lock(mutex_);
    for (EdsObject* object : objects_)
        delete object;
    objects_.clear();
    camera_ = nullptr;
    return EDS_ERR_OK;
}

EdsUInt32 Simulator::retain(EdsBaseRef ref)
{
    std::lock_guard lock(mutex_);
    if (!ref || !objects_.count(ref))
        return 0xFFFFFFFFu;
    return ++ref->refs;
}

EdsUInt32 Simulator::release(EdsBaseRef ref)
{
    std::lock_guard lock(mutex_);
    if (!ref || !objects_.count(ref)) {
        log("EdsRelease ?");
        return 0xFFFFFFFFu;
    }
    log(std::string("EdsRelease ") + kindName(ref->kind));
    const EdsUInt32 refs = --ref->refs;
    if (refs == 0)
        destroy(ref);
    return refs;
}

// ---- Camera list and device ---------------------------------------------------------

EdsError Simulator::cameraList(EdsCameraListRef* out)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return EDS_ERR_INVALID_FN_CALL;
    if (!out)
        return EDS_ERR_INVALID_POINTER;
    auto* list = new CameraList;
    if (body().config().camera && !disconnected_) {
        if (!camera_)
            camera_ = add(new Camera); // the SDK's own reference keeps it while it is attached
        ++camera_->refs;
        list->camera = camera_;
    }
    *out = add(list);
    return EDS_ERR_OK;
}

EdsError Simulator::childCount(EdsBaseRef ref, EdsUInt32* out)
{
    std::lock_guard lock(mutex_);
    if (!out)
        return EDS_ERR_INVALID_POINTER;
    if (live(ref, EdsObject::Kind::CameraList)) {
        *out = static_cast<CameraList*>(ref)->camera ? 1 : 0;
        return EDS_ERR_OK;
    }
    if (live(ref, EdsObject::Kind::Camera)) {
        *out = 0;
        return disconnected_ ? EDS_ERR_COMM_DISCONNECTED : EDS_ERR_OK;
    }
    return EDS_ERR_INVALID_HANDLE;
}

EdsError Simulator::childAt(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* out)
{
    std::lock_guard lock(mutex_);
    if (!out)
        return EDS_ERR_INVALID_POINTER;
    if (!live(ref, EdsObject::Kind::CameraList))
        return EDS_ERR_INVALID_HANDLE;
    EdsObject* camera = static_cast<CameraList*>(ref)->camera;
    if (index != 0 || !camera || !objects_.count(camera))
        return EDS_ERR_INVALID_INDEX;
    ++camera->refs;
    *out = camera;
    return EDS_ERR_OK;
}

EdsError Simulator::deviceInfo(EdsCameraRef ref, EdsDeviceInfo* out)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, false))
        return err;
    if (!out)
        return EDS_ERR_INVALID_POINTER;
    *out = {};
    std::snprintf(out->szPortName, sizeof out->szPortName, "usb:001,004");
    std::snprintf(out->szDeviceDescription, sizeof out->szDeviceDescription, "%s", body().config().model.c_str());
    out->deviceSubType = body().config().legacy ? 0 : 1;
    return EDS_ERR_OK;
}

// ---- Handlers and events ------------------------------------------------------------

template <typename Function>
EdsError Simulator::setHandler(Handler<Function>& slot, EdsCameraRef ref, EdsUInt32 filter,
                               std::initializer_list<EdsUInt32> known, Function function, EdsVoid* context)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, false))
        return err;
    if (std::find(known.begin(), known.end(), filter) == known.end())
        return EDS_ERR_INVALID_PARAMETER;
    slot = {filter, function, context};
    return EDS_ERR_OK;
}

EdsError Simulator::setPropertyHandler(EdsCameraRef ref, EdsPropertyEvent event, EdsPropertyEventHandler handler,
                                       EdsVoid* context)
{
    return setHandler(propertyHandler_, ref, event,
                      {kEdsPropertyEvent_All, kEdsPropertyEvent_PropertyChanged, kEdsPropertyEvent_PropertyDescChanged},
                      handler, context);
}

EdsError Simulator::setObjectHandler(EdsCameraRef ref, EdsObjectEvent event, EdsObjectEventHandler handler,
                                     EdsVoid* context)
{
    return setHandler(objectHandler_, ref, event, {kEdsObjectEvent_All, kEdsObjectEvent_DirItemRequestTransfer},
                      handler, context);
}

void Simulator::postPropertyEvent(EdsPropertyEvent event, EdsPropertyID id)
{
    if (!sessionOpen_)
        return;
    const uint64_t session = session_;
    events_.post([this, session, event, id] { deliverPropertyEvent(session, event, id); });
}

void Simulator::deliverPropertyEvent(uint64_t session, EdsPropertyEvent event, EdsPropertyID id)
{
    std::unique_lock lock(mutex_);
    if (session != session_ || !sessionOpen_ || !propertyHandler_.function)
        return;
    if (propertyHandler_.filter != kEdsPropertyEvent_All && propertyHandler_.filter != event)
        return;
    const EdsPropertyEventHandler handler = propertyHandler_.function;
    EdsVoid* context = propertyHandler_.context;
    lock.unlock();
    handler(event, id, 0, context);
}

// A program reads nothing on its own when it connects, so the body tells it everything.
void Simulator::announceAll()
{
    announceChanges({Body::listProperties(), Body::valueProperties()});
}

void Simulator::announceChanges(const Body::Changes& changes)
{
    for (EdsPropertyID id : changes.lists)
        postPropertyEvent(kEdsPropertyEvent_PropertyDescChanged, id);
    for (EdsPropertyID id : changes.values)
        postPropertyEvent(kEdsPropertyEvent_PropertyChanged, id);
}

// ---- Session ------------------------------------------------------------------------

EdsError Simulator::openSession(EdsCameraRef ref)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, false))
        return err;
    if (sessionOpen_)
        return EDS_ERR_OK;
    sessionOpen_ = true;
    ++session_;
    uiLocked_ = false;
    capacitySet_ = false;
    announceAll();
    return EDS_ERR_OK;
}

EdsError Simulator::closeSession(EdsCameraRef ref)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, true))
        return err;
    sessionOpen_ = false;
    uiLocked_ = false;
    exposing_ = transferring_ = false;
    pending_.clear();
    return EDS_ERR_OK;
}

// ---- Properties ---------------------------------------------------------------------

// What every read of a property checks first, in the order a real body answers.
EdsError Simulator::checkPropertyRead(EdsBaseRef ref, EdsPropertyID id, bool pointersGiven)
{
    if (EdsError err = checkCamera(ref, true))
        return err;
    if (!pointersGiven)
        return EDS_ERR_INVALID_POINTER;
    return body().known(id) ? EDS_ERR_OK : EDS_ERR_PROPERTIES_UNAVAILABLE;
}

EdsError Simulator::propertySize(EdsBaseRef ref, EdsPropertyID id, EdsDataType* type, EdsUInt32* size)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkPropertyRead(ref, id, type && size))
        return err;
    *type = body().dataType(id);
    *size = body().isString(id) ? static_cast<EdsUInt32>(body().text(id).size() + 1) : 4;
    return EDS_ERR_OK;
}

EdsError Simulator::propertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size, EdsVoid* out)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkPropertyRead(ref, id, out != nullptr))
        return err;
    if (body().isString(id)) {
        const std::string text = body().text(id);
        if (size < text.size() + 1)
            return EDS_ERR_INVALID_LENGTH;
        std::memcpy(out, text.c_str(), text.size() + 1);
        return EDS_ERR_OK;
    }
    if (size < 4)
        return EDS_ERR_INVALID_LENGTH;
    const uint32_t value = body().value(id);
    std::memcpy(out, &value, 4);
    return EDS_ERR_OK;
}

EdsError Simulator::setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size, const EdsVoid* data)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, true))
        return err;
    if (!data)
        return EDS_ERR_INVALID_POINTER;
    if (exposing_)
        return EDS_ERR_DEVICE_BUSY;
    if (body().isString(id)) {
        const auto* chars = static_cast<const char*>(data);
        const std::string before = body().text(id);
        const EdsError err = body().writeTextFromHost(id, std::string(chars, strnlen(chars, size)));
        if (err == EDS_ERR_OK && body().text(id) != before)
            postPropertyEvent(kEdsPropertyEvent_PropertyChanged, id);
        return err;
    }
    if (size != 4)
        return body().known(id) ? EDS_ERR_INVALID_LENGTH : EDS_ERR_PROPERTIES_UNAVAILABLE;
    uint32_t value = 0;
    std::memcpy(&value, data, 4);
    const uint32_t before = body().known(id) ? body().value(id) : 0;
    const EdsError err = body().writeFromHost(id, value);
    if (err == EDS_ERR_OK && body().value(id) != before)
        postPropertyEvent(kEdsPropertyEvent_PropertyChanged, id);
    return err;
}

EdsError Simulator::propertyDesc(EdsBaseRef ref, EdsPropertyID id, EdsPropertyDesc* out)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkPropertyRead(ref, id, out != nullptr))
        return err;
    const auto& lists = Body::listProperties();
    const Codes codes = std::find(lists.begin(), lists.end(), id) != lists.end() ? body().allowed(id) : Codes{};
    *out = {};
    out->form = 1;
    out->access = body().hostWritable(id) && !codes.empty() ? kEdsAccess_ReadWrite : kEdsAccess_Read;
    out->numElements = static_cast<EdsInt32>(std::min<size_t>(codes.size(), EDS_MAX_DESC_VALUES));
    std::copy_n(codes.begin(), out->numElements, out->propDesc);
    return EDS_ERR_OK;
}

// ---- Commands and the road of a picture -----------------------------------------------

EdsError Simulator::sendCommand(EdsCameraRef ref, EdsCameraCommand command)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, true))
        return err;
    if (command != kEdsCameraCommand_TakePicture)
        return EDS_ERR_NOT_SUPPORTED;
    const Config& config = body().config();
    ++releases_;
    if (busy() || config.busyOnRelease.count(releases_))
        return EDS_ERR_DEVICE_BUSY;
    const uint32_t saveTo = body().value(kEdsPropID_SaveTo);
    // A newer body saving to the computer needs to be told how much room there is.
    if (savesToHost(saveTo) && !config.legacy && !capacitySet_)
        return EDS_ERR_DEVICE_MEMORY_FULL;

    const uint32_t frame = ++pictures_;
    body().countShutter();
    const Shot shot = snapshot(body(), frame, body().takeFileNumber(), bulbMs_);
    log("Frame " + std::to_string(frame) + " file " + std::to_string(shot.fileNumber) + " ae "
        + std::to_string(shot.aeMode) + " tv " + std::to_string(shot.tv) + " av " + std::to_string(shot.av)
        + " iso " + std::to_string(shot.iso) + " comp " + std::to_string(shot.compensation) + " quality "
        + std::to_string(shot.quality));
    exposing_ = true;
    postPropertyEvent(kEdsPropertyEvent_PropertyChanged, kEdsPropID_ShutterCounter);

    const bool lost = config.lostPicture.count(frame) != 0;
    const bool offer = savesToHost(saveTo) && !lost;
    const uint64_t session = session_;
    const auto exposure = std::chrono::milliseconds(exposureMs(shot));
    const auto readyAt = EventLoop::Clock::now() + exposure + std::chrono::milliseconds(config.processingMs);
    processing_.postAfter(exposure, [this, shot, session, offer, readyAt] {
        std::vector<PictureFile> files = offer ? renderShot(shot) : std::vector<PictureFile>{};
        events_.postAt(readyAt, [this, session, frame = shot.frame, files = std::move(files)]() mutable {
            pictureReady(session, frame, std::move(files));
        });
    });
    return EDS_ERR_OK;
}

void Simulator::pictureReady(uint64_t session, uint32_t frame, std::vector<PictureFile> files)
{
    std::unique_lock lock(mutex_);
    if (session != session_ || !sessionOpen_)
        return;
    exposing_ = false;
    if (files.empty()) {
        finishPicture();
        return;
    }
    pending_.assign(files.begin(), files.end());
    transferFrame_ = frame;
    offerNext(lock);
}

void Simulator::offerNext(std::unique_lock<std::mutex>& lock)
{
    auto* item = new Item;
    item->file = pending_.front();
    pending_.pop_front();
    item->frame = transferFrame_;
    item->failDownload = body().config().failDownload.count(transferFrame_) != 0;
    item->failWrite = body().config().failWrite.count(transferFrame_) != 0;
    item->session = session_;
    add(item);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(item->file.hash));
    log("Offer " + std::to_string(item->frame) + " " + item->file.name + " "
        + std::to_string(item->file.data->size()) + " " + hash);
    transferring_ = true;
    const Handler<EdsObjectEventHandler> handler = objectHandler_;
    if (!handler.function) {
        // Nobody takes the file: the body gives up on it.
        destroy(item);
        return;
    }
    lock.unlock();
    handler.function(kEdsObjectEvent_DirItemRequestTransfer, item, handler.context);
}

// The body is done with a file at once, so a program may release again as soon as its
// last download completed; a further file of the picture follows from the body's thread.
void Simulator::settle(Item& item)
{
    item.settled = true;
    if (!sessionOpen_)
        return;
    if (pending_.empty()) {
        transferring_ = false;
        finishPicture();
        return;
    }
    const uint64_t session = session_;
    events_.post([this, session] { offerPending(session); });
}

void Simulator::offerPending(uint64_t session)
{
    std::unique_lock lock(mutex_);
    if (session != session_ || !sessionOpen_ || pending_.empty())
        return;
    offerNext(lock);
}

void Simulator::finishPicture()
{
    ++finishedPictures_;
    const uint32_t limit = body().config().disconnectAfter;
    if (limit != 0 && finishedPictures_ >= limit)
        disconnected_ = true;
}

EdsError Simulator::sendStatusCommand(EdsCameraRef ref, EdsCameraStatusCommand command)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, true))
        return err;
    if (command == kEdsCameraStatusCommand_UILock)
        uiLocked_ = true;
    else if (command == kEdsCameraStatusCommand_UIUnLock)
        uiLocked_ = false;
    else
        return EDS_ERR_NOT_SUPPORTED;
    return EDS_ERR_OK;
}

EdsError Simulator::setCapacity(EdsCameraRef ref, const EdsCapacity& capacity)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkCamera(ref, true))
        return err;
    if (capacity.numberOfFreeClusters <= 0 || capacity.bytesPerSector <= 0)
        return EDS_ERR_INVALID_PARAMETER;
    capacitySet_ = true;
    return EDS_ERR_OK;
}

// ---- Transfer -----------------------------------------------------------------------

EdsError Simulator::itemInfo(EdsDirectoryItemRef ref, EdsDirectoryItemInfo* out)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkItem(ref))
        return err;
    if (!out)
        return EDS_ERR_INVALID_POINTER;
    const auto* item = static_cast<Item*>(ref);
    *out = {};
    out->size = item->file.data->size();
    out->groupID = item->frame;
    std::snprintf(out->szFileName, sizeof out->szFileName, "%s", item->file.name.c_str());
    out->format = item->file.format;
    out->dateTime = static_cast<EdsUInt32>(item->file.when);
    return EDS_ERR_OK;
}

EdsError Simulator::createFileStream(const EdsChar* path, EdsFileCreateDisposition disposition, EdsAccess access,
                                     EdsStreamRef* out)
{
    if (!path || !out)
        return EDS_ERR_INVALID_POINTER;
    std::FILE* probeFile = std::fopen(path, "rb");
    const bool present = probeFile != nullptr;
    if (probeFile)
        std::fclose(probeFile);
    const char* mode = nullptr;
    switch (disposition) {
    case kEdsFileCreateDisposition_CreateNew:
        if (present)
            return EDS_ERR_FILE_ALREADY_EXISTS;
        mode = "w+b";
        break;
    case kEdsFileCreateDisposition_CreateAlways: mode = "w+b"; break;
    case kEdsFileCreateDisposition_OpenExisting:
        if (!present)
            return EDS_ERR_FILE_NOT_FOUND;
        mode = access == kEdsAccess_Read ? "rb" : "r+b";
        break;
    case kEdsFileCreateDisposition_OpenAlways: mode = present ? "r+b" : "w+b"; break;
    case kEdsFileCreateDisposition_TruncateExisting:
        if (!present)
            return EDS_ERR_FILE_NOT_FOUND;
        mode = "w+b";
        break;
    default: return EDS_ERR_INVALID_PARAMETER;
    }
    std::FILE* file = std::fopen(path, mode);
    if (!file)
        return EDS_ERR_FILE_OPEN_ERROR;
    auto* stream = new Stream;
    stream->file = file;
    std::lock_guard lock(mutex_);
    *out = add(stream);
    return EDS_ERR_OK;
}

EdsError Simulator::setProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsProgressOption option,
                                        EdsVoid* context)
{
    std::lock_guard lock(mutex_);
    if (!live(ref, EdsObject::Kind::Stream))
        return EDS_ERR_INVALID_HANDLE;
    auto* stream = static_cast<Stream*>(ref);
    stream->progress = callback;
    stream->progressOption = option;
    stream->progressContext = context;
    return EDS_ERR_OK;
}

EdsError Simulator::download(EdsDirectoryItemRef ref, EdsUInt64 size, EdsStreamRef streamRef)
{
    std::unique_lock lock(mutex_);
    if (EdsError err = checkItem(ref))
        return err;
    if (!live(streamRef, EdsObject::Kind::Stream))
        return EDS_ERR_INVALID_HANDLE;
    auto* item = static_cast<Item*>(ref);
    auto* stream = static_cast<Stream*>(streamRef);
    if (item->settled)
        return EDS_ERR_INVALID_FN_CALL;
    const auto data = item->file.data;
    if (size > data->size())
        return EDS_ERR_INVALID_LENGTH;
    const bool fail = item->failDownload;
    // A full disk: the first stream the file goes to takes half of it, then no more.
    const bool diskFull = std::exchange(item->failWrite, false);
    const uint64_t speed = body().config().downloadSpeed;
    std::FILE* file = stream->file;
    const EdsProgressCallback progress = stream->progress;
    const EdsProgressOption option = progress ? stream->progressOption : kEdsProgressOption_NoReport;
    EdsVoid* context = stream->progressContext;
    // Held so a release on another thread cannot pull them away mid-transfer.
    ++item->refs;
    ++stream->refs;
    lock.unlock();

    auto report = [&](uint64_t done) {
        EdsBool cancel = 0;
        progress(size == 0 ? 100 : static_cast<EdsUInt32>(done * 100 / size), context, &cancel);
        return cancel != 0;
    };
    EdsError result = EDS_ERR_OK;
    const uint64_t chunk = std::clamp<uint64_t>(size / 16, 16 * 1024, 4 * 1024 * 1024);
    const uint64_t failAt = fail ? size / 2 : size;
    const auto start = std::chrono::steady_clock::now();
    if (option == kEdsProgressOption_Periodically && report(0))
        result = EDS_ERR_OPERATION_CANCELLED;
    uint64_t written = 0;
    while (result == EDS_ERR_OK && written < size) {
        const uint64_t n = std::min(chunk, failAt - written);
        if (n == 0) {
            result = EDS_ERR_COMM_USB_BUS_ERR;
            break;
        }
        if ((diskFull && written >= size / 2) || std::fwrite(data->data() + written, 1, n, file) != n) {
            result = EDS_ERR_STREAM_WRITE_ERROR;
            break;
        }
        written += n;
        if (speed != 0)
            std::this_thread::sleep_until(start + std::chrono::microseconds(written * 1000000 / speed));
        if (option == kEdsProgressOption_Periodically && report(written))
            result = EDS_ERR_OPERATION_CANCELLED;
    }
    if (std::fflush(file) != 0 && result == EDS_ERR_OK)
        result = EDS_ERR_STREAM_WRITE_ERROR;
    if (result == EDS_ERR_OK && option == kEdsProgressOption_Done)
        report(size);

    lock.lock();
    if (--item->refs == 0)
        destroy(item);
    if (--stream->refs == 0)
        destroy(stream);
    return result;
}

EdsError Simulator::downloadComplete(EdsDirectoryItemRef ref)
{
    std::lock_guard lock(mutex_);
    if (EdsError err = checkItem(ref))
        return err;
    auto* item = static_cast<Item*>(ref);
    if (!item->settled)
        settle(*item);
    return EDS_ERR_OK;
}

// ---- Test controls ------------------------------------------------------------------

EdsError Simulator::configure(const EdsChar* keyValues)
{
    std::lock_guard lock(mutex_);
    if (initialised_)
        return EDS_ERR_INVALID_FN_CALL;
    Config config = loadConfig();
    if (keyValues && !applySettings(config, keyValues))
        return EDS_ERR_INVALID_PARAMETER;
    const Codes qualities = allowedValues(kEdsPropID_ImageQuality, Zone::Manual);
    if (std::find(qualities.begin(), qualities.end(), static_cast<int32_t>(config.quality)) == qualities.end()
        || aeText(config.modeDial).front() == '?')
        return EDS_ERR_INVALID_PARAMETER;
    body_.emplace(config);
    bulbMs_ = config.bulbMs;
    disconnected_ = false;
    releases_ = pictures_ = finishedPictures_ = 0;
    clearCallLog();
    return EDS_ERR_OK;
}

EdsError Simulator::setModeDial(EdsUInt32 aeMode)
{
    std::lock_guard lock(mutex_);
    if (aeText(aeMode).front() == '?')
        return EDS_ERR_INVALID_PARAMETER;
    if (uiLocked_)
        return EDS_ERR_DEVICE_BUSY;
    if (body().value(kEdsPropID_AEMode) == aeMode)
        return EDS_ERR_OK;
    const Body::Changes changes = body().setModeDial(aeMode);
    postPropertyEvent(kEdsPropertyEvent_PropertyChanged, kEdsPropID_AEMode);
    announceChanges(changes);
    return EDS_ERR_OK;
}

EdsError Simulator::turnValue(EdsPropertyID id, EdsUInt32 value)
{
    if (id == kEdsPropID_AEMode)
        return setModeDial(value);
    std::lock_guard lock(mutex_);
    if (uiLocked_)
        return EDS_ERR_DEVICE_BUSY;
    const uint32_t before = body().known(id) && !body().isString(id) ? body().value(id) : 0;
    const EdsError err = body().turn(id, value);
    if (err == EDS_ERR_OK && body().value(id) != before)
        postPropertyEvent(kEdsPropertyEvent_PropertyChanged, id);
    return err;
}

EdsError Simulator::setBulbTime(EdsUInt32 ms)
{
    std::lock_guard lock(mutex_);
    bulbMs_ = ms;
    return EDS_ERR_OK;
}

EdsError Simulator::disconnect()
{
    std::lock_guard lock(mutex_);
    disconnected_ = true;
    return EDS_ERR_OK;
}

// As a real body comes back: a new device, so the program needs a new camera list and
// session; the camera it held stays dead, and what the old session had under way is gone.
EdsError Simulator::reconnect()
{
    std::lock_guard lock(mutex_);
    if (!disconnected_)
        return EDS_ERR_OK;
    disconnected_ = false;
    if (camera_) {
        EdsObject* old = camera_;
        static_cast<Camera*>(old)->unplugged = true;
        camera_ = nullptr;
        if (--old->refs == 0)
            destroy(old);
    }
    sessionOpen_ = false;
    ++session_;
    uiLocked_ = false;
    exposing_ = transferring_ = false;
    pending_.clear();
    finishedPictures_ = 0;
    return EDS_ERR_OK;
}

// Both threads of the body idle: every event it had to announce has been delivered.
EdsError Simulator::waitQuiet(EdsUInt32 timeoutMs)
{
    const auto timeout = std::chrono::milliseconds(timeoutMs);
    // Processing hands the picture to the event thread, so it goes first, and events again.
    const bool quiet = processing_.waitIdle(timeout) && events_.waitIdle(timeout) && processing_.waitIdle(timeout);
    return quiet ? EDS_ERR_OK : EDS_ERR_DEVICE_BUSY;
}

void Simulator::log(const std::string& line)
{
    std::lock_guard lock(logMutex_);
    callLog_.push_back(line);
}

std::string Simulator::callLog()
{
    std::lock_guard lock(logMutex_);
    std::string text;
    for (const std::string& line : callLog_)
        text += line + "\n";
    return text;
}

void Simulator::clearCallLog()
{
    std::lock_guard lock(logMutex_);
    callLog_.clear();
}

} // namespace edsim
