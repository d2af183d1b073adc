// Time from the release to a finished download of a 24-megapixel picture, and the
// simulated body's chunked writer against one plain write of the same bytes.
#include "edsdk.h"
#include "edsdk_sim.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

const std::string kFolder = (std::filesystem::temp_directory_path() / "sdk_bench").string();

// One connected session with pictures to the host; object events are queued.
class Body {
public:
    explicit Body(const char* config)
    {
        std::filesystem::create_directories(kFolder);
        ok_ = EdsSimConfigure(config) == EDS_ERR_OK && EdsInitializeSDK() == EDS_ERR_OK;
        EdsCameraListRef list = nullptr;
        ok_ = ok_ && EdsGetCameraList(&list) == EDS_ERR_OK && EdsGetChildAtIndex(list, 0, &camera_) == EDS_ERR_OK;
        if (list)
            EdsRelease(list);
        const EdsUInt32 host = kEdsSaveTo_Host;
        ok_ = ok_ && EdsSetObjectEventHandler(camera_, kEdsObjectEvent_All, onObject, this) == EDS_ERR_OK
            && EdsOpenSession(camera_) == EDS_ERR_OK
            && EdsSetPropertyData(camera_, kEdsPropID_SaveTo, 0, 4, &host) == EDS_ERR_OK
            && EdsSetCapacity(camera_, {2147483647, 4096, 1}) == EDS_ERR_OK;
    }
    ~Body()
    {
        EdsCloseSession(camera_);
        EdsTerminateSDK();
    }

    bool ok() const { return ok_; }
    EdsCameraRef camera() const { return camera_; }

    EdsBaseRef nextItem()
    {
        std::unique_lock lock(mutex_);
        offered_.wait(lock, [this] { return !items_.empty(); });
        EdsBaseRef item = items_.front();
        items_.erase(items_.begin());
        return item;
    }

private:
    static EdsError onObject(EdsObjectEvent, EdsBaseRef item, EdsVoid* context)
    {
        auto* self = static_cast<Body*>(context);
        {
            std::lock_guard lock(self->mutex_);
            self->items_.push_back(item);
        }
        self->offered_.notify_all();
        return EDS_ERR_OK;
    }

    bool ok_ = false;
    EdsCameraRef camera_ = nullptr;
    std::mutex mutex_;
    std::condition_variable offered_;
    std::vector<EdsBaseRef> items_;
};

EdsError download(EdsBaseRef item, bool complete, uint64_t* bytes = nullptr)
{
    EdsDirectoryItemInfo info{};
    EdsError err = EdsGetDirectoryItemInfo(item, &info);
    const std::string path = kFolder + "/" + info.szFileName;
    EdsStreamRef stream = nullptr;
    if (err == EDS_ERR_OK)
        err = EdsCreateFileStream(path.c_str(), kEdsFileCreateDisposition_CreateAlways, kEdsAccess_ReadWrite, &stream);
    if (err == EDS_ERR_OK)
        err = EdsDownload(item, info.size, stream);
    if (stream)
        EdsRelease(stream);
    if (complete) {
        EdsDownloadComplete(item);
        EdsRelease(item);
    }
    if (bytes)
        *bytes = info.size;
    return err;
}

// Release to the last file downloaded, with the body's default processing time and
// USB 2.0 speed. Arg 0: JPEG only; 1: RAW + JPEG.
void BM_ReleaseToDownloaded24MP(benchmark::State& state)
{
    Body body(state.range(0) ? "picturesize=24mp;rawjpeg=1" : "picturesize=24mp");
    if (!body.ok()) {
        state.SkipWithError("body did not connect");
        return;
    }
    const int files = state.range(0) ? 2 : 1;
    uint64_t bytes = 0;
    for (auto _ : state) {
        // The body takes the next release once it has moved on from the last file,
        // a matter of microseconds after the download completed.
        EdsError err = EDS_ERR_DEVICE_BUSY;
        while (err == EDS_ERR_DEVICE_BUSY)
            err = EdsSendCommand(body.camera(), kEdsCameraCommand_TakePicture, 0);
        if (err != EDS_ERR_OK) {
            state.SkipWithError("release refused");
            break;
        }
        for (int i = 0; i < files; ++i) {
            uint64_t size = 0;
            download(body.nextItem(), true, &size);
            bytes += size;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReleaseToDownloaded24MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The body's chunked stream writer without a speed limit, on one 24-megapixel JPEG.
void BM_ChunkedWriter24MP(benchmark::State& state)
{
    Body body("picturesize=24mp;downloadspeed=0");
    if (!body.ok() || EdsSendCommand(body.camera(), kEdsCameraCommand_TakePicture, 0) != EDS_ERR_OK) {
        state.SkipWithError("body did not connect");
        return;
    }
    EdsBaseRef item = body.nextItem();
    uint64_t bytes = 0;
    for (auto _ : state) {
        uint64_t size = 0;
        download(item, false, &size);
        bytes += size;
    }
    EdsDownloadComplete(item);
    EdsRelease(item);
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ChunkedWriter24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes in one plain write and flush, as the yardstick.
void BM_PlainWrite24MP(benchmark::State& state)
{
    Body body("picturesize=24mp;downloadspeed=0");
    if (!body.ok() || EdsSendCommand(body.camera(), kEdsCameraCommand_TakePicture, 0) != EDS_ERR_OK) {
        state.SkipWithError("body did not connect");
        return;
    }
    download(body.nextItem(), true);
    std::ifstream in(kFolder + "/IMG_0001.JPG", std::ios::binary);
    const std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string path = kFolder + "/plain.jpg";
    uint64_t bytes = 0;
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "w+b");
        std::fwrite(data.data(), 1, data.size(), file);
        std::fflush(file);
        std::fclose(file);
        bytes += data.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PlainWrite24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
