// The bridge through the real libgphoto2 and its PTP/IP port, against the EOS responder.
#include "responder.h"
#include "sdkevents.h"

#include "edsdk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sdkevents;

// libgphoto2 keeps what it allocates for its camera drivers and unloads them, so the leaks
// cannot even be named; the bridge's own are checked in gphoto2_tests.
extern "C" const char *__lsan_default_options()
{
    return "detect_leaks=0";
}

namespace {

std::string picture()
{
    return readFile(TESSARO_RESPONDER_JPEG);
}

class Wire : public testing::Test {
protected:
    void SetUp() override
    {
        // libgphoto2 keeps its settings in the home folder.
        setenv("HOME", testing::TempDir().c_str(), 1);
        setenv("TESSARO_GPHOTO2_PORT", body.port().c_str(), 1);
        ASSERT_EQ(EdsInitializeSDK(), EDS_ERR_OK);
        connect(recorder);
    }
    // As the program connects: the camera list, its one camera, a session whose values came.
    void connect(Recorder& events)
    {
        EdsCameraListRef list = nullptr;
        ASSERT_EQ(EdsGetCameraList(&list), EDS_ERR_OK);
        EdsUInt32 count = 0;
        EdsGetChildCount(list, &count);
        ASSERT_EQ(count, 1u);
        EdsGetChildAtIndex(list, 0, &camera);
        EdsRelease(list);
        ASSERT_EQ(openWith(camera, events), EDS_ERR_OK);
        ASSERT_TRUE(eventually([&] { return events.seen(kEdsPropertyEvent_PropertyChanged, kEdsPropID_AEMode); }));
    }
    void TearDown() override
    {
        if (camera) {
            EdsCloseSession(camera);
            EdsRelease(camera);
        }
        EdsTerminateSDK();
        unsetenv("TESSARO_GPHOTO2_PORT");
    }

    EdsUInt32 value(EdsPropertyID id)
    {
        EdsUInt32 v = 0;
        EXPECT_EQ(EdsGetPropertyData(camera, id, 0, 4, &v), EDS_ERR_OK) << id;
        return v;
    }

    struct Delivered {
        std::string name;
        std::vector<EdsUInt32> percents;
        std::string bytes;
    };
    // Releases once and downloads what the body offers, one file after the other.
    std::vector<Delivered> releaseAndDownload(Recorder& events)
    {
        std::vector<Delivered> files;
        EXPECT_EQ(EdsSendCommand(camera, kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
        for (size_t i = 0; i < 2; ++i) {
            if (!eventually([&] { return events.offered() == i + 1; })) {
                ADD_FAILURE() << "file " << i << " not offered";
                break;
            }
            EdsBaseRef item = events.item(i);
            Delivered file;
            EdsDirectoryItemInfo info{};
            const std::string path = testing::TempDir() + "wire.part";
            EXPECT_EQ(download(item, path, file.percents, info), EDS_ERR_OK);
            EdsRelease(item);
            file.name = info.szFileName;
            file.bytes = readFile(path);
            files.push_back(file);
        }
        return files;
    }
    // The cable is out once a release answers with the disconnected code.
    bool releaseAnswersDisconnected()
    {
        return eventually([&] {
            return EdsSendCommand(camera, kEdsCameraCommand_TakePicture, 0) == EDS_ERR_COMM_DISCONNECTED;
        });
    }
    static std::vector<std::string> namesOf(const std::vector<Delivered>& files)
    {
        std::vector<std::string> names;
        for (const Delivered& file : files)
            names.push_back(file.name);
        return names;
    }

    ptpip::Responder body{picture()};
    EdsCameraRef camera = nullptr;
    Recorder recorder;
};

} // namespace

TEST_F(Wire, ThePanelFillsAndTheBodySeesTheWrites)
{
    EdsDeviceInfo device{};
    ASSERT_EQ(EdsGetDeviceInfo(camera, &device), EDS_ERR_OK);
    EXPECT_STREQ(device.szDeviceDescription, "Canon EOS 5D Mark II");
    const std::pair<EdsPropertyID, EdsUInt32> values[] = {
        {kEdsPropID_ISOSpeed, 72}, {kEdsPropID_Av, 48}, {kEdsPropID_Tv, 112}, {kEdsPropID_AEMode, 3},
        {kEdsPropID_ImageQuality, 0x00640013}, {kEdsPropID_BatteryLevel, 100}, {kEdsPropID_SaveTo, kEdsSaveTo_Host},
    };
    for (const auto& [id, expected] : values)
        EXPECT_EQ(value(id), expected) << id;
    EdsPropertyDesc iso{};
    ASSERT_EQ(EdsGetPropertyDesc(camera, kEdsPropID_ISOSpeed, &iso), EDS_ERR_OK);
    EXPECT_NE(std::find(iso.propDesc, iso.propDesc + iso.numElements, 80), iso.propDesc + iso.numElements);

    EdsUInt32 isoCode = 80, avCode = 56;
    EXPECT_EQ(EdsSetPropertyData(camera, kEdsPropID_ISOSpeed, 0, 4, &isoCode), EDS_ERR_OK);
    EXPECT_EQ(EdsSetPropertyData(camera, kEdsPropID_Av, 0, 4, &avCode), EDS_ERR_OK);
    const std::vector<std::string> writes = body.writes();
    EXPECT_NE(std::find(writes.begin(), writes.end(), "D103=80"), writes.end());
    EXPECT_NE(std::find(writes.begin(), writes.end(), "D101=56"), writes.end());

    body.turnValue(0xD102, 120); // the body's own dial: 1/250
    EXPECT_TRUE(eventually([&] { return value(kEdsPropID_Tv) == 120; }));
}

TEST_F(Wire, AReleaseDeliversRawThenJpegAndAPulledCableDisconnects)
{
    const std::vector<Delivered> files = releaseAndDownload(recorder);
    EXPECT_EQ(body.releases(), 1);
    EXPECT_EQ(namesOf(files), (std::vector<std::string>{"IMG_0001.CR2", "IMG_0001.JPG"}));
    for (const Delivered& file : files)
        EXPECT_EQ(file.percents.empty() ? 0u : file.percents.back(), 100u) << file.name;
    if (files.size() == 2) {
        EXPECT_EQ(files[1].bytes, picture());
    }

    body.disconnect();
    EXPECT_TRUE(releaseAnswersDisconnected());
}

// libgphoto2 2.5.30 closes descriptor 0 as a PTP/IP body goes; the program's standard input
// (or whatever file would take its number next) must not go with it.
TEST_F(Wire, StandardInputOutlivesTheSession)
{
    if (::fcntl(0, F_GETFD) == -1) {
        ASSERT_EQ(::open("/dev/null", O_RDONLY), 0);
    }
    struct stat before {};
    ASSERT_EQ(::fstat(0, &before), 0);
    EXPECT_EQ(EdsCloseSession(camera), EDS_ERR_OK);
    EdsRelease(camera);
    camera = nullptr;
    struct stat after {};
    ASSERT_EQ(::fstat(0, &after), 0) << "descriptor 0 was closed";
    EXPECT_TRUE(before.st_dev == after.st_dev && before.st_ino == after.st_ino);
}

// The program answers a lost camera by listing the cameras again and opening a new session.
TEST_F(Wire, ABodyPluggedInAgainOpensANewSessionAndReleases)
{
    body.replug();
    ASSERT_TRUE(releaseAnswersDisconnected());
    EdsCloseSession(camera);
    EdsRelease(camera);
    camera = nullptr;

    Recorder again;
    connect(again);
    EXPECT_EQ(value(kEdsPropID_ISOSpeed), 72u);
    const std::vector<Delivered> files = releaseAndDownload(again);
    EXPECT_EQ(body.releases(), 1);
    EXPECT_EQ(namesOf(files), (std::vector<std::string>{"IMG_0001.CR2", "IMG_0001.JPG"}));
}
