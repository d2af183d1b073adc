// The SDK's calls over the fake libgphoto2, in the order the program makes them.
#include "fakegphoto2.h"
#include "sdkevents.h"

#include "edsdk.h"
#include "errors.h"

#include <gphoto2/gphoto2-port-result.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace sdkevents;

void setUpBody()
{
    fakegp::reset();
    fakegp::addCamera("Canon EOS 5D Mark II", "usb:001,004");
    const fakegp::Widget widgets[] = {
        {"cameramodel", "Canon EOS 5D Mark II", {}, true},
        {"ownername", "Tessaro", {}, false},
        {"deviceversion", "3-1.0.7", {}, true},
        {"batterylevel", "75%", {}, true},
        {"capturetarget", "Memory card", {"Internal RAM", "Memory card"}},
        {"imageformat", "RAW + Large Fine JPEG", {"Large Fine JPEG", "RAW", "RAW + Large Fine JPEG"}},
        {"whitebalance", "Auto", {"Auto", "Daylight", "Shadow"}},
        {"drivemode", "Single", {"Single", "Continuous", "Unknown value 0007"}},
        {"iso", "100", {"Auto", "100", "200", "400"}},
        {"meteringmode", "Evaluative", {"Evaluative", "Spot"}},
        {"focusmode", "One Shot", {"One Shot", "AI Servo"}},
        {"aperture", "5.6", {"4", "4.5", "5", "5.6"}},
        {"shutterspeed", "1/125", {"1/100", "1/125", "1/160"}},
        {"exposurecompensation", "0", {"-0.3", "0", "0.3"}},
        {"autoexposuremode", "Manual", {"P", "TV", "AV", "Manual"}, true},
    };
    for (const fakegp::Widget& w : widgets)
        fakegp::setWidget(w);
}

class Bridge : public testing::Test {
protected:
    void SetUp() override
    {
        setUpBody();
        ASSERT_EQ(EdsInitializeSDK(), EDS_ERR_OK);
    }
    void TearDown() override
    {
        if (camera) {
            EdsCloseSession(camera);
            EdsRelease(camera);
        }
        EdsTerminateSDK();
    }

    EdsUInt32 countCameras()
    {
        EdsCameraListRef list = nullptr;
        EXPECT_EQ(EdsGetCameraList(&list), EDS_ERR_OK);
        EdsUInt32 count = 0;
        EXPECT_EQ(EdsGetChildCount(list, &count), EDS_ERR_OK);
        if (count > 0)
            EdsGetChildAtIndex(list, 0, &camera);
        EdsRelease(list);
        return count;
    }

    void open()
    {
        ASSERT_EQ(countCameras(), 1u);
        ASSERT_EQ(openWith(camera, recorder), EDS_ERR_OK);
        ASSERT_TRUE(eventually([&] { return seen(kEdsPropertyEvent_PropertyChanged, kEdsPropID_AEMode); }));
    }

    bool seen(EdsUInt32 event, EdsUInt32 id) { return recorder.seen(event, id); }

    EdsUInt32 value(EdsPropertyID id)
    {
        EdsUInt32 v = 0;
        EXPECT_EQ(EdsGetPropertyData(camera, id, 0, 4, &v), EDS_ERR_OK) << id;
        return v;
    }

    EdsError write(EdsPropertyID id, EdsUInt32 v) { return EdsSetPropertyData(camera, id, 0, 4, &v); }

    size_t offered() { return recorder.offered(); }

    EdsCameraRef camera = nullptr;
    Recorder recorder;
};

std::string tempPath(const char* name)
{
    return testing::TempDir() + name;
}

} // namespace

TEST_F(Bridge, NoCameraAndACameraHeldByGvfsListNothingTheLatterSaidInPlainWords)
{
    fakegp::reset();
    EXPECT_EQ(countCameras(), 0u);
    fakegp::addCamera("Canon EOS 90D", "usb:002,007");
    fakegp::failInit(GP_ERROR_IO_USB_CLAIM);
    testing::internal::CaptureStderr();
    EXPECT_EQ(countCameras(), 0u);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("gvfs"), std::string::npos) << said;
    EXPECT_NE(said.find("gio mount -s gphoto2"), std::string::npos) << said;
    // The program adds the same words to its no-camera message.
    EXPECT_EQ(std::string(EdsGetCameraListProblem()) + "\n", said);
}

TEST_F(Bridge, OpeningSavesToTheHostAndAnnouncesListsBeforeValuesTheAEModeLast)
{
    EdsUInt32 before = 0;
    ASSERT_EQ(countCameras(), 1u);
    EXPECT_EQ(EdsGetPropertyData(camera, kEdsPropID_ISOSpeed, 0, 4, &before), EDS_ERR_SESSION_NOT_OPEN);
    EdsRelease(camera);
    camera = nullptr;
    open();
    EXPECT_EQ(fakegp::widgetValue("capturetarget"), "Internal RAM");
    std::lock_guard lock(recorder.mutex);
    const auto& events = recorder.properties;
    const auto firstValue = std::find_if(events.begin(), events.end(), [](const Event& e) {
        return e.event == kEdsPropertyEvent_PropertyChanged;
    });
    EXPECT_TRUE(std::all_of(firstValue, events.end(), [](const Event& e) {
        return e.event == kEdsPropertyEvent_PropertyChanged;
    }));
    EXPECT_GE(std::count_if(events.begin(), firstValue, [](const Event&) { return true; }), 10);
    EXPECT_EQ(events.back().id, kEdsPropID_AEMode);
}

TEST_F(Bridge, ReadsValuesAllowedCodesAndTexts)
{
    open();
    const std::pair<EdsPropertyID, EdsUInt32> values[] = {
        {kEdsPropID_ISOSpeed, 72}, {kEdsPropID_Av, 48}, {kEdsPropID_Tv, 112},
        {kEdsPropID_ExposureCompensation, 0}, {kEdsPropID_AEMode, 3}, {kEdsPropID_WhiteBalance, 0},
        {kEdsPropID_DriveMode, 0}, {kEdsPropID_ImageQuality, 0x00640013}, {kEdsPropID_BatteryLevel, 75},
        {kEdsPropID_SaveTo, kEdsSaveTo_Host}, {kEdsPropID_MeteringMode, 3}, {kEdsPropID_AFMode, 0},
    };
    for (const auto& [id, expected] : values)
        EXPECT_EQ(value(id), expected) << id;

    EdsPropertyDesc desc{};
    ASSERT_EQ(EdsGetPropertyDesc(camera, kEdsPropID_Av, &desc), EDS_ERR_OK);
    EXPECT_EQ(desc.access, kEdsAccess_ReadWrite);
    EXPECT_EQ(std::vector<EdsInt32>(desc.propDesc, desc.propDesc + desc.numElements),
              (std::vector<EdsInt32>{40, 43, 45, 48})); // 4.5 on the third-stop scale of 5
    ASSERT_EQ(EdsGetPropertyDesc(camera, kEdsPropID_AEMode, &desc), EDS_ERR_OK);
    EXPECT_EQ(desc.access, kEdsAccess_Read);

    EdsDataType type{};
    EdsUInt32 size = 0;
    ASSERT_EQ(EdsGetPropertySize(camera, kEdsPropID_OwnerName, 0, &type, &size), EDS_ERR_OK);
    EXPECT_EQ(type, kEdsDataType_String);
    char text[EDS_MAX_NAME] = {};
    ASSERT_EQ(EdsGetPropertyData(camera, kEdsPropID_OwnerName, 0, size, text), EDS_ERR_OK);
    EXPECT_STREQ(text, "Tessaro");
    EXPECT_EQ(EdsGetPropertySize(camera, kEdsPropID_CFn, 0, &type, &size), EDS_ERR_PROPERTIES_UNAVAILABLE);
}

TEST_F(Bridge, WritesReachTheBodyAndWhatItRefusesIsReported)
{
    open();
    EXPECT_EQ(write(kEdsPropID_ISOSpeed, 80), EDS_ERR_OK);
    EXPECT_EQ(write(kEdsPropID_Av, 43), EDS_ERR_OK);
    EXPECT_EQ(write(kEdsPropID_DriveMode, 7), EDS_ERR_OK);
    EXPECT_EQ(write(kEdsPropID_ISOSpeed, 104), EDS_ERR_DEVICE_INVALID_PARAMETER); // 1600 not offered
    EXPECT_EQ(write(kEdsPropID_AEMode, 1), EDS_ERR_NOT_SUPPORTED);                // the dial's own
    EXPECT_EQ(EdsSetPropertyData(camera, kEdsPropID_OwnerName, 0, 7, "Studio"), EDS_ERR_OK);
    const std::vector<std::string> writes = fakegp::writes();
    const std::vector<std::string> expected = {"capturetarget=Internal RAM", "iso=200", "aperture=4.5",
                                               "drivemode=Unknown value 0007", "ownername=Studio"};
    EXPECT_EQ(writes, expected);
    EXPECT_TRUE(eventually([&] { return seen(kEdsPropertyEvent_PropertyChanged, kEdsPropID_OwnerName); }));
}

TEST_F(Bridge, AValueTurnedAtTheBodyIsAnnounced)
{
    open();
    fakegp::turnWidget("iso", "400");
    ASSERT_TRUE(eventually([&] { return value(kEdsPropID_ISOSpeed) == 88 && seen(kEdsPropertyEvent_PropertyChanged, kEdsPropID_ISOSpeed); }));
}

TEST_F(Bridge, ReleaseOffersOneFileAtATimeRawFirstAndDownloadsWithProgress)
{
    open();
    ASSERT_EQ(EdsSendCommand(camera, kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EXPECT_EQ(fakegp::captures(), 1);
    fakegp::addFile("IMG_0001.CR2", std::string(5000, 'R'));
    fakegp::addFile("IMG_0001.JPG", std::string(3000, 'J'));
    ASSERT_TRUE(eventually([&] { return offered() == 1; }));
    // While the RAW is on offer the next release comes in, its JPEG announced first.
    fakegp::addFile("IMG_0002.JPG", "jpeg two");
    fakegp::addFile("IMG_0002.CR2", "raw two");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(offered(), 1u);

    std::vector<std::string> names;
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(eventually([&] { return offered() == i + 1; })) << i;
        EdsBaseRef item = recorder.item(i);
        std::vector<EdsUInt32> percents;
        EdsDirectoryItemInfo info{};
        ASSERT_EQ(download(item, tempPath("download.part"), percents, info), EDS_ERR_OK);
        EdsRelease(item);
        names.push_back(info.szFileName);
        EXPECT_EQ(readFile(tempPath("download.part")).size(), info.size);
        ASSERT_GE(percents.size(), 3u);
        EXPECT_EQ(percents.front(), 0u);
        EXPECT_EQ(percents.back(), 100u);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        EXPECT_EQ(info.format, i % 2 ? kEdsObjectFormat_Jpeg : kEdsObjectFormat_CR2);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.CR2", "IMG_0002.JPG"}));
    EXPECT_EQ(readFile(tempPath("download.part")), "jpeg two");
}

// libgphoto2 numbers the files it names itself one by one; a release's files share a number.
TEST_F(Bridge, FilesLibgphoto2NamedShowOneNumberARelease)
{
    open();
    for (const char* name : {"capt0000.cr2", "capt0001.jpg", "capt0002.jpg", "capt0003.cr2", "capt0004.jpg"})
        fakegp::addFile(name, name);
    std::vector<std::string> shown;
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(eventually([&] { return offered() == i + 1; })) << i;
        EdsDirectoryItemInfo info{};
        ASSERT_EQ(EdsGetDirectoryItemInfo(recorder.item(i), &info), EDS_ERR_OK);
        shown.push_back(info.szFileName);
        EdsDownloadComplete(recorder.item(i));
        EdsRelease(recorder.item(i));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.CR2",
                                               "IMG_0003.JPG"}));
}

TEST_F(Bridge, ACancelledDownloadStopsAndAPulledCableDisconnects)
{
    open();
    fakegp::addFile("IMG_0001.JPG", std::string(4000, 'J'));
    ASSERT_TRUE(eventually([&] { return offered() == 1; }));
    EdsBaseRef item = recorder.item(0);
    EdsStreamRef stream = nullptr;
    const std::string path = tempPath("cancelled.part");
    ASSERT_EQ(EdsCreateFileStream(path.c_str(), kEdsFileCreateDisposition_CreateAlways, kEdsAccess_ReadWrite, &stream),
              EDS_ERR_OK);
    EdsSetProgressCallback(stream, [](EdsUInt32 p, EdsVoid*, EdsBool* cancel) {
        *cancel = p >= 40;
        return EDS_ERR_OK;
    }, kEdsProgressOption_Periodically, nullptr);
    EXPECT_EQ(EdsDownload(item, 4000, stream), EDS_ERR_OPERATION_CANCELLED);
    EdsRelease(stream);
    EdsRelease(item);

    fakegp::disconnect();
    EXPECT_EQ(EdsSendCommand(camera, kEdsCameraCommand_TakePicture, 0), EDS_ERR_COMM_DISCONNECTED);
    EdsUInt32 v = 0;
    EXPECT_EQ(EdsGetPropertyData(camera, kEdsPropID_ISOSpeed, 0, 4, &v), EDS_ERR_COMM_DISCONNECTED);
    EdsCloseSession(camera);
    EdsRelease(camera);
    camera = nullptr;
    EXPECT_EQ(countCameras(), 0u);
}

// A body that keeps answering the wait for events with an error is asked again at the pace of
// the waits, not as fast as the error comes back.
TEST_F(Bridge, AnEventErrorThatKeepsComingIsNotAskedInALoop)
{
    open();
    fakegp::failEvents(GP_ERROR);
    const int before = fakegp::eventWaits();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_LT(fakegp::eventWaits() - before, 50);
}
