#pragma once

#include "body.h"
#include "eventloop.h"
#include "objects.h"

#include "edsdk.h"

#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace edsim {

// The simulated camera behind the SDK calls. One instance per process; the body
// outlives SDK sessions as a real camera outlives the program's connections.
class Simulator {
public:
    static Simulator& instance();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    EdsError initialize();
    EdsError terminate();

    EdsUInt32 retain(EdsBaseRef ref);
    EdsUInt32 release(EdsBaseRef ref);

    EdsError cameraList(EdsCameraListRef* out);
    EdsError childCount(EdsBaseRef ref, EdsUInt32* out);
    EdsError childAt(EdsBaseRef ref, EdsInt32 index, EdsBaseRef* out);
    EdsError deviceInfo(EdsCameraRef ref, EdsDeviceInfo* out);

    EdsError setPropertyHandler(EdsCameraRef ref, EdsPropertyEvent event, EdsPropertyEventHandler handler,
                                EdsVoid* context);
    EdsError setObjectHandler(EdsCameraRef ref, EdsObjectEvent event, EdsObjectEventHandler handler,
                              EdsVoid* context);

    EdsError openSession(EdsCameraRef ref);
    EdsError closeSession(EdsCameraRef ref);

    EdsError propertySize(EdsBaseRef ref, EdsPropertyID id, EdsDataType* type, EdsUInt32* size);
    EdsError propertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size, EdsVoid* out);
    EdsError setPropertyData(EdsBaseRef ref, EdsPropertyID id, EdsUInt32 size, const EdsVoid* data);
    EdsError propertyDesc(EdsBaseRef ref, EdsPropertyID id, EdsPropertyDesc* out);

    EdsError sendCommand(EdsCameraRef ref, EdsCameraCommand command);
    EdsError sendStatusCommand(EdsCameraRef ref, EdsCameraStatusCommand command);
    EdsError setCapacity(EdsCameraRef ref, const EdsCapacity& capacity);

    EdsError itemInfo(EdsDirectoryItemRef ref, EdsDirectoryItemInfo* out);
    EdsError createFileStream(const EdsChar* path, EdsFileCreateDisposition disposition, EdsAccess access,
                              EdsStreamRef* out);
    EdsError setProgressCallback(EdsBaseRef ref, EdsProgressCallback callback, EdsProgressOption option,
                                 EdsVoid* context);
    EdsError download(EdsDirectoryItemRef ref, EdsUInt64 size, EdsStreamRef streamRef);
    EdsError downloadComplete(EdsDirectoryItemRef ref);

    // Test controls.
    EdsError configure(const EdsChar* keyValues);
    EdsError setModeDial(EdsUInt32 aeMode);
    EdsError turnValue(EdsPropertyID id, EdsUInt32 value);
    EdsError setBulbTime(EdsUInt32 ms);
    EdsError disconnect();
    EdsError reconnect();
    EdsError waitQuiet(EdsUInt32 timeoutMs);

    void log(const std::string& line);
    std::string callLog();
    void clearCallLog();

private:
    Simulator() = default;
    ~Simulator();

    template <typename Function>
    struct Handler {
        EdsUInt32 filter = 0;
        Function function = nullptr;
        EdsVoid* context = nullptr;
    };

    // Installs a handler for the events `filter` lets through, when the filter is one of `known`.
    template <typename Function>
    EdsError setHandler(Handler<Function>& slot, EdsCameraRef ref, EdsUInt32 filter,
                        std::initializer_list<EdsUInt32> known, Function function, EdsVoid* context);

    Body& body();
    bool live(EdsBaseRef ref, EdsObject::Kind kind) const;
    EdsError checkCamera(EdsBaseRef ref, bool needSession) const;
    EdsError checkItem(EdsBaseRef ref) const;
    EdsError checkPropertyRead(EdsBaseRef ref, EdsPropertyID id, bool pointersGiven);
    EdsBaseRef add(EdsObject* object);
    void destroy(EdsObject* object);
    bool busy() const;

    void announceAll();
    void postPropertyEvent(EdsPropertyEvent event, EdsPropertyID id);
    void deliverPropertyEvent(uint64_t session, EdsPropertyEvent event, EdsPropertyID id);
    void announceChanges(const Body::Changes& changes);

    void pictureReady(uint64_t session, uint32_t frame, std::vector<PictureFile> files);
    void offerNext(std::unique_lock<std::mutex>& lock);
    void settle(Item& item);
    void offerPending(uint64_t session);
    void finishPicture();

    mutable std::mutex mutex_;
    std::optional<Body> body_;
    bool initialised_ = false;
    bool disconnected_ = false;
    uint64_t session_ = 0; // counts opened sessions; late work of an older one is dropped
    bool sessionOpen_ = false;
    bool uiLocked_ = false;
    bool capacitySet_ = false;
    EdsObject* camera_ = nullptr;
    std::set<EdsObject*> objects_;
    Handler<EdsPropertyEventHandler> propertyHandler_;
    Handler<EdsObjectEventHandler> objectHandler_;
    uint32_t bulbMs_ = 1000;

    uint32_t releases_ = 0;
    uint32_t pictures_ = 0;
    uint32_t finishedPictures_ = 0;
    bool exposing_ = false;
    bool transferring_ = false;
    uint32_t transferFrame_ = 0;
    std::deque<PictureFile> pending_;

    EventLoop events_;
    EventLoop processing_;

    std::mutex logMutex_;
    std::vector<std::string> callLog_;
};

} // namespace edsim
