#include "simbody.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace simtest {

void Recorder::add(const Event& e)
{
    {
        std::lock_guard lock(mutex_);
        events_.push_back(e);
    }
    changed_.notify_all();
}

std::vector<Event> Recorder::events()
{
    std::lock_guard lock(mutex_);
    return events_;
}

bool Recorder::waitFor(const std::function<bool(const std::vector<Event>&)>& predicate, std::chrono::seconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return predicate(events_); });
}

EdsBaseRef Recorder::waitForItem(size_t n)
{
    EdsBaseRef item = nullptr;
    waitFor([&](const std::vector<Event>& events) {
        size_t seen = 0;
        for (const Event& e : events)
            if (e.event == kEdsObjectEvent_DirItemRequestTransfer && ++seen == n)
                item = e.item;
        return item != nullptr;
    });
    return item;
}

void Recorder::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

Connection::Connection(bool openSession)
{
    EXPECT_EQ(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    EXPECT_EQ(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsUInt32 count = 0;
    EXPECT_EQ(EdsGetChildCount(list, &count), EDS_ERR_OK);
    if (count > 0) {
        EXPECT_EQ(EdsGetChildAtIndex(list, 0, &camera_), EDS_ERR_OK);
    }
    EdsRelease(list);
    if (!camera_)
        return;
    EXPECT_EQ(EdsSetPropertyEventHandler(camera_, kEdsPropertyEvent_All, propertyHandler, this), EDS_ERR_OK);
    EXPECT_EQ(EdsSetObjectEventHandler(camera_, kEdsObjectEvent_All, objectHandler, this), EDS_ERR_OK);
    if (!openSession)
        return;
    EXPECT_EQ(EdsOpenSession(camera_), EDS_ERR_OK);
    sessionOpen_ = true;
    EXPECT_EQ(set(kEdsPropID_SaveTo, kEdsSaveTo_Host), EDS_ERR_OK);
    EXPECT_EQ(EdsSetCapacity(camera_, {2147483647, 4096, 1}), EDS_ERR_OK);
}

Connection::~Connection()
{
    if (sessionOpen_)
        EdsCloseSession(camera_);
    EXPECT_EQ(EdsTerminateSDK(), EDS_ERR_OK);
}

EdsUInt32 Connection::get(EdsPropertyID id)
{
    EdsUInt32 value = 0xDEADBEEF;
    EXPECT_EQ(EdsGetPropertyData(camera_, id, 0, sizeof value, &value), EDS_ERR_OK) << "property " << id;
    return value;
}

EdsError Connection::set(EdsPropertyID id, EdsUInt32 value)
{
    return EdsSetPropertyData(camera_, id, 0, sizeof value, &value);
}

std::vector<EdsInt32> Connection::allowed(EdsPropertyID id)
{
    EdsPropertyDesc desc{};
    EXPECT_EQ(EdsGetPropertyDesc(camera_, id, &desc), EDS_ERR_OK);
    return {desc.propDesc, desc.propDesc + desc.numElements};
}

EdsError Connection::download(EdsBaseRef item, const std::string& path, std::string* name)
{
    EdsDirectoryItemInfo info{};
    EdsError err = EdsGetDirectoryItemInfo(item, &info);
    EdsStreamRef stream = nullptr;
    if (err == EDS_ERR_OK)
        err = EdsCreateFileStream(path.c_str(), kEdsFileCreateDisposition_CreateAlways, kEdsAccess_ReadWrite,
                                  &stream);
    if (err == EDS_ERR_OK)
        err = EdsDownload(item, info.size, stream);
    if (err == EDS_ERR_OK)
        err = EdsDownloadComplete(item);
    if (stream)
        EdsRelease(stream);
    EdsRelease(item);
    if (name)
        *name = info.szFileName;
    return err;
}

std::vector<std::string> Connection::shoot(const std::string& dir, size_t files)
{
    EXPECT_EQ(EdsSendCommand(camera_, kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    std::vector<std::string> names;
    for (size_t i = 0; i < files; ++i) {
        EdsBaseRef item = recorder_.waitForItem(++offered_);
        if (!item) {
            ADD_FAILURE() << "no picture offered";
            break;
        }
        std::string name;
        EXPECT_EQ(download(item, dir + "/part", &name), EDS_ERR_OK);
        std::filesystem::rename(dir + "/part", dir + "/" + name);
        names.push_back(name);
    }
    return names;
}

EdsError Connection::propertyHandler(EdsPropertyEvent event, EdsPropertyID id, EdsUInt32, EdsVoid* context)
{
    auto* self = static_cast<Connection*>(context);
    if (self->onProperty)
        self->onProperty(event, id);
    self->recorder_.add({event, id, nullptr, std::this_thread::get_id()});
    return EDS_ERR_OK;
}

EdsError Connection::objectHandler(EdsObjectEvent event, EdsBaseRef ref, EdsVoid* context)
{
    static_cast<Connection*>(context)->recorder_.add({event, 0, ref, std::this_thread::get_id()});
    return EDS_ERR_OK;
}

void configure(const std::string& extra)
{
    ASSERT_EQ(EdsSimConfigure((std::string(kQuick) + ";" + extra).c_str()), EDS_ERR_OK);
}

std::string callLog()
{
    EdsUInt32 length = 0;
    EdsSimCallLog(nullptr, 0, &length);
    std::string text(length + 1, '\0');
    EdsSimCallLog(text.data(), length + 1, &length);
    text.resize(length);
    return text;
}

namespace {

// One folder per test program below the system's temporary folder, removed when it ends.
class TempDirs {
public:
    TempDirs()
        : root_(std::filesystem::temp_directory_path() / ("sdk_tests_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(root_);
    }
    ~TempDirs()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    std::string make()
    {
        const auto dir = root_ / std::to_string(counter_++);
        std::filesystem::create_directories(dir);
        return dir.string();
    }

private:
    std::filesystem::path root_;
    std::atomic<int> counter_{0};
};

} // namespace

std::string tempDir()
{
    static TempDirs dirs;
    return dirs.make();
}

} // namespace simtest
