#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/sdkloader.h"
#include "diagnostics/debuglog.h"
#include "platform/scripteddialogs.h"

#include "edsdk_sim.h"
#include "simcontrol.h"
#include "messagerecorder.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>


#include <gtest/gtest.h>

namespace {

// Quick pictures and downloads, whatever the environment or the body's own file set.
const char *const FastBody = "camera=1;legacy=0;downloadspeed=0;processingtime=10;modedial=3;"
                             "battery=80;firstnumber=1;prefix=IMG_;rawjpeg=0;picturesize=small;"
                             "faildownload=0;busyonrelease=0;lostpicture=0;disconnectafter=0";

class SimulatedCameraTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const Result<> loaded = loadSdk(BinDir);
        ASSERT_TRUE(loaded) << loaded.error().toStdString();
    }

    void SetUp() override
    {
        ASSERT_TRUE(sdkLoaded());
        setAppDialogs(&dialogs);
        IgnoreDisconnect = false;
        configure("");
        simClearCallLog();
        clearDebugLines();
        setDebugEnabled(true);
    }

    void TearDown() override
    {
        master.reset();
        setDebugEnabled(false);
        clearDebugLines();
        setAppDialogs(nullptr);
        IgnoreDisconnect = false;
    }

    static void configure(const std::string &extra)
    {
        const std::string text = std::string(FastBody) + ";" + extra;
        ASSERT_EQ(simConfigure(text.c_str()), 0) << text;
    }

    // The SDK calls made since the last look, one per line (the body's own lines about the
    // frames it took and the files it offered left out).
    static QStringList takeCallLog()
    {
        const QStringList calls = simCallLog().filter(QRegularExpression(QStringLiteral("^Eds")));
        simClearCallLog();
        return calls;
    }

    void connect()
    {
        master = std::make_unique<TAppMaster>(&window);
        ASSERT_EQ(master->SetEventHandlers(), EDS_ERR_OK);
        ASSERT_EQ(master->OpenSession(), EDS_ERR_OK);
        ASSERT_EQ(master->SetSaveToHost(), EDS_ERR_OK);
    }

    // Releases and waits for the item the camera offers.
    EdsDirectoryItemRef takePicture()
    {
        window.messages.clear();
        EXPECT_EQ(master->TakePicture(), EDS_ERR_OK);
        EXPECT_TRUE(waitUntil([&] { return !window.ofType(WM_OBJECTEVENT).isEmpty(); }));
        const auto offers = window.ofType(WM_OBJECTEVENT);
        if (offers.isEmpty())
            return nullptr;
        EXPECT_EQ(offers.first().wParam, kEdsObjectEvent_DirItemRequestTransfer);
        return reinterpret_cast<EdsDirectoryItemRef>(offers.first().lParam);
    }

    ScriptedDialogs dialogs;
    MessageRecorder window;
    std::unique_ptr<TAppMaster> master;
};

struct SessionCase
{
    const char *name;
    bool legacy;
    QStringList openCalls;    // after the connection calls common to both
    QStringList releaseCalls; // of TakePicture
};

class SessionOrder : public SimulatedCameraTest, public ::testing::WithParamInterface<SessionCase>
{
};

TEST_P(SessionOrder, FollowsTheBodyKind)
{
    const SessionCase &c = GetParam();
    configure(c.legacy ? "legacy=1" : "legacy=0");
    connect();
    EXPECT_EQ(master->IsLegacy(), c.legacy);
    EXPECT_TRUE(master->SdkReady());
    EXPECT_TRUE(master->SessionOpen());
    ASSERT_NE(master->GetCamera(), nullptr);
    EXPECT_EQ(master->GetModelName(), master->GetCamera()->GetModelName());
    EXPECT_FALSE(master->GetModelName().isEmpty());
    EXPECT_EQ(takeCallLog(),
              QStringList({"EdsInitializeSDK", "EdsGetCameraList", "EdsGetChildCount",
                           "EdsGetChildAtIndex 0", "EdsGetDeviceInfo", "EdsRelease list",
                           "EdsSetPropertyEventHandler 256", "EdsSetObjectEventHandler 512",
                           "EdsOpenSession"})
                  + c.openCalls);

    const EdsDirectoryItemRef item = takePicture();
    EXPECT_EQ(takeCallLog(), c.releaseCalls);
    if (item)
        master->Api().EdsRelease(item);

    master.reset();
    EXPECT_EQ(takeCallLog(), QStringList({"EdsRelease item", "EdsCloseSession", "EdsRelease camera",
                                          "EdsTerminateSDK"}));
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, SessionOrder,
    ::testing::Values(
        SessionCase{"newer", false,
                    {"EdsSetPropertyData 11 2", "EdsSendStatusCommand 0",
                     "EdsSetCapacity 2147483647 4096 1", "EdsSendStatusCommand 1",
                     "EdsSetPropertyData 11 2"},
                    {"EdsSendCommand 0"}},
        SessionCase{"legacy", true,
                    {"EdsSetPropertyData 11 2", "EdsSendStatusCommand 0",
                     "EdsSetPropertyData 11 2", "EdsSendStatusCommand 1"},
                    {"EdsSendStatusCommand 0", "EdsSendCommand 0", "EdsSendStatusCommand 1"}}),
    [](const ::testing::TestParamInfo<SessionCase> &info) { return std::string(info.param.name); });

TEST_F(SimulatedCameraTest, LegacyBodyIsUnlockedAlsoWhenTheReleaseFails)
{
    configure("legacy=1;busyonrelease=1");
    connect();
    takeCallLog();

    EXPECT_EQ(master->TakePicture(), EDS_ERR_DEVICE_BUSY);
    EXPECT_EQ(takeCallLog(),
              QStringList({"EdsSendStatusCommand 0", "EdsSendCommand 0", "EdsSendStatusCommand 1"}));
}

TEST_F(SimulatedCameraTest, ConnectionLog)
{
    connect();
    const QStringList lines = takeDebugLines();
    const QStringList expected = {"InitializeSDK = 0", "", "Cameralistcount =1", "",
                                  "FIsLegacy = False Neuer Kameratyp", "",
                                  "EdsSetObjectEventHandler erfolgreich = True", "",
                                  "capacity.numberOfFreeClusters = 2147483647",
                                  "capacity.bytesPerSector       = 4096",
                                  "capacity.reset                = 1", "",
                                  "EDS SetCapicity  erfolgreich   = True", ""};
    // Property events from the body's thread may come in between; our own lines keep their order.
    QStringList own;
    qsizetype next = 0;
    for (const QString &line : lines) {
        if (next < expected.size() && line == expected[next]) {
            own << line;
            ++next;
        }
    }
    EXPECT_EQ(own, expected);
}

TEST_F(SimulatedCameraTest, PropertyEventsArriveInPostingOrder)
{
    connect();
    // The body announces every value and every allowed-values list after the session opens;
    // once it is quiet, every handler call has been logged and its message posted.
    ASSERT_TRUE(simWaitQuiet());
    QCoreApplication::processEvents();

    // What the handler was called with, in call order, as it logged it. The body's thread
    // calls it while the connection still logs on this one, so lines of the two may alternate:
    // each call's own lines are looked for after its heading.
    QList<MessageRecorder::Message> handled;
    const QStringList lines = takeDebugLines();
    const auto valueAfter = [&lines](qsizetype from, const QString &label) {
        for (qsizetype i = from; i < lines.size(); ++i) {
            if (lines[i].startsWith(label))
                return lines[i].mid(label.size()).toUInt();
        }
        return 0u;
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] != QStringLiteral("handlePropertyEvent"))
            continue;
        const quint32 event = valueAfter(i + 1, QStringLiteral("invent="));
        const quint32 property = valueAfter(i + 1, QStringLiteral("inPropertyID="));
        const bool tracked = property == 8 || property == 9 || property == 256 || property == 262
                             || (property >= 1024 && property <= 1033);
        if (event == 258)
            handled.append({tracked ? WM_PROPERTYEVENT : WM_UNKNOWNEVENT, event, property});
        else if (event == 257 && tracked)
            handled.append({WM_PROPERTYEVENT, event, property});
    }
    EXPECT_TRUE(handled.contains({WM_PROPERTYEVENT, 258, 1030}));
    EXPECT_TRUE(handled.contains({WM_PROPERTYEVENT, 257, 1024}));
    EXPECT_EQ(window.messages, handled);
}

TEST_F(SimulatedCameraTest, ReadsPropertiesIntoTheCache)
{
    configure("modedial=3;battery=80");
    connect();
    TCamera *camera = master->GetCamera();
    ASSERT_NE(camera, nullptr);
    // The body's announcements would log from its own thread between the lines read here.
    ASSERT_TRUE(simWaitQuiet());
    clearDebugLines();

    EXPECT_EQ(master->GetProperty(kEdsPropID_AEMode), EDS_ERR_OK);
    EXPECT_EQ(camera->GetPropertyUInt32(kEdsPropID_AEMode), 3u);
    const QStringList lines = takeDebugLines();
    EXPECT_EQ(lines.mid(0, 5), QStringList({"getproperty", "id          = 1024",
                                            "idname =    = kEdsPropID_AEMode",
                                            "DataType = 9=kEdsDataType_UInt32", "Data = 3"}));

    const struct
    {
        EdsPropertyID property;
        EdsUInt32 value;
    } values[] = {{kEdsPropID_BatteryLevel, 80}, {kEdsPropID_ISOSpeed, 72}, {kEdsPropID_Tv, 112}};
    for (const auto &v : values) {
        EXPECT_EQ(master->GetProperty(v.property), EDS_ERR_OK);
        EXPECT_EQ(camera->GetPropertyUInt32(v.property), v.value) << v.property;
    }
    EXPECT_EQ(master->GetProperty(kEdsPropID_WhiteBalance), EDS_ERR_OK);
    EXPECT_EQ(camera->GetPropertyUInt32(kEdsPropID_WhiteBalance), 0u);
    EXPECT_TRUE(takeDebugLines().contains(QStringLiteral("DataType = 8=kEdsDataType_Int32")));

    EXPECT_EQ(master->GetProperty(kEdsPropID_ProductName), EDS_ERR_OK);
    EXPECT_EQ(camera->ProductName(), master->GetModelName());

    EXPECT_EQ(master->GetPropertyDesc(kEdsPropID_Tv), EDS_ERR_OK);
    const EdsPropertyDesc tv = camera->GetPropertyDesc(kEdsPropID_Tv);
    EXPECT_GT(tv.numElements, 0);
    EXPECT_NE(std::find(tv.propDesc, tv.propDesc + tv.numElements, 112), tv.propDesc + tv.numElements);
}

TEST_F(SimulatedCameraTest, WriteRefusedByTheBodyReturnsItsCode)
{
    configure("modedial=0"); // program mode: no aperture from the computer
    connect();
    EXPECT_NE(master->SetProperty(kEdsPropID_Av, 48), EDS_ERR_OK);
    EXPECT_EQ(master->SetProperty(kEdsPropID_ISOSpeed, 72), EDS_ERR_OK);
}

TEST_F(SimulatedCameraTest, DownloadReportsProgressThenCompletion)
{
    connect();
    const EdsDirectoryItemRef item = takePicture();
    ASSERT_NE(item, nullptr);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture ä.jpg"));
    window.messages.clear();
    takeCallLog();

    EXPECT_EQ(master->DownloadItem(item, path), EDS_ERR_OK);
    EXPECT_EQ(master->LastFileName(), QStringLiteral("IMG_0001.JPG"));
    ASSERT_TRUE(waitUntil([&] { return !window.ofType(WM_DOWNLOADDONE).isEmpty(); }));
    QCoreApplication::processEvents();

    const auto transfer = window.messages;
    ASSERT_GE(transfer.size(), 2);
    EXPECT_EQ(transfer.last().type, WM_DOWNLOADDONE);
    quintptr last = 0;
    for (qsizetype i = 0; i + 1 < transfer.size(); ++i) {
        EXPECT_EQ(transfer[i].type, WM_PROGRESSEVENT);
        EXPECT_GE(transfer[i].wParam, last);
        last = transfer[i].wParam;
    }
    EXPECT_EQ(last, 100u);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2).startsWith("\xFF\xD8"));
    const QStringList calls = takeCallLog();
    EXPECT_TRUE(calls.contains(QStringLiteral("EdsCreateFileStream 1 2")));
    EXPECT_TRUE(calls.contains(QStringLiteral("EdsSetProgressCallback 2")));
    EXPECT_EQ(calls.mid(calls.size() - 3),
              QStringList({"EdsRelease stream", "EdsDownloadComplete", "EdsRelease item"}));
}

TEST_F(SimulatedCameraTest, DownloadWithoutStreamStillReleasesAndFinishes)
{
    connect();
    const EdsDirectoryItemRef item = takePicture();
    ASSERT_NE(item, nullptr);
    QTemporaryDir dir;
    window.messages.clear();
    takeCallLog();

    bool donePosted = false;
    EXPECT_NE(master->DownloadItem(item, dir.filePath(QStringLiteral("missing/folder/x.jpg")),
                                   &donePosted),
              EDS_ERR_OK);
    EXPECT_TRUE(donePosted);
    ASSERT_TRUE(waitUntil([&] { return !window.ofType(WM_DOWNLOADDONE).isEmpty(); }));
    EXPECT_EQ(window.messages,
              QList<MessageRecorder::Message>({{WM_DOWNLOADDONE, 0, 0}}));
    const QStringList calls = takeCallLog();
    EXPECT_EQ(calls.last(), QStringLiteral("EdsRelease item"));
    EXPECT_TRUE(calls.filter(QStringLiteral("EdsDownload")).isEmpty());
    EXPECT_FALSE(calls.contains(QStringLiteral("EdsRelease stream")));
}

TEST_F(SimulatedCameraTest, UnreadableItemIsReleasedWithoutFinishing)
{
    connect();
    const EdsDirectoryItemRef item = takePicture();
    ASSERT_NE(item, nullptr);
    window.messages.clear();
    simCall<decltype(&EdsSimDisconnect)>("EdsSimDisconnect")();
    takeCallLog();

    bool donePosted = true;
    EXPECT_EQ(master->DownloadItem(item, QStringLiteral("/nonexistent/x.jpg"), &donePosted),
              EDS_ERR_COMM_DISCONNECTED);
    EXPECT_FALSE(donePosted);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.ofType(WM_DOWNLOADDONE).isEmpty());
    EXPECT_EQ(takeCallLog(), QStringList({"EdsGetDirectoryItemInfo", "EdsRelease item"}));
}

struct NoCameraCase
{
    const char *name;
    bool ignoreDisconnect;
    int messageBoxes;
};

class NoCamera : public SimulatedCameraTest, public ::testing::WithParamInterface<NoCameraCase>
{
};

TEST_P(NoCamera, IsReportedUnlessIgnored)
{
    configure("camera=0");
    IgnoreDisconnect = GetParam().ignoreDisconnect;
    dialogs.answer(DialogButton::Ok);
    master = std::make_unique<TAppMaster>(&window);
    EXPECT_TRUE(master->SdkReady());
    EXPECT_EQ(master->GetCamera(), nullptr);
    EXPECT_EQ(master->GetModelName(), QStringLiteral("Camera is not detected!"));
    ASSERT_EQ(dialogs.calls().size(), GetParam().messageBoxes);
    if (GetParam().messageBoxes) {
        EXPECT_EQ(dialogs.calls().first().text, QStringLiteral("Camera is not connected!"));
    }

    EXPECT_EQ(master->SetEventHandlers(), EDS_ERR_OK);
    EXPECT_NE(master->OpenSession(), EDS_ERR_OK);
    EXPECT_EQ(master->SetSaveToHost(), EDS_ERR_OK);
    EXPECT_EQ(master->TakePicture(), EDS_ERR_OK);
    EXPECT_NE(master->GetProperty(kEdsPropID_AEMode), EDS_ERR_OK);
    EXPECT_FALSE(master->SessionOpen());
    master.reset();
    EXPECT_EQ(takeCallLog(), QStringList({"EdsInitializeSDK", "EdsGetCameraList", "EdsGetChildCount",
                                          "EdsRelease list", "EdsTerminateSDK"}));
}

INSTANTIATE_TEST_SUITE_P(Flags, NoCamera,
                         ::testing::Values(NoCameraCase{"reported", false, 1},
                                           NoCameraCase{"ignored", true, 0}),
                         [](const ::testing::TestParamInfo<NoCameraCase> &info) {
                             return std::string(info.param.name);
                         });

TEST_F(SimulatedCameraTest, WithoutSdkNothingIsCalled)
{
    const EdsApi none;
    dialogs.answer(DialogButton::Ok);
    TAppMaster unloaded(&window, none);
    EXPECT_FALSE(unloaded.SdkReady());
    EXPECT_EQ(unloaded.GetCamera(), nullptr);
    EXPECT_EQ(dialogs.calls().size(), 1);
    EXPECT_NE(unloaded.OpenSession(), EDS_ERR_OK);
    EXPECT_NE(unloaded.SetProperty(kEdsPropID_Av, 1), EDS_ERR_OK);
    EXPECT_NE(unloaded.DownloadItem(nullptr, QStringLiteral("x")), EDS_ERR_OK);
    EXPECT_TRUE(takeCallLog().isEmpty());
}

TEST(SdkLoader, ReportsMissingFilesAndRefusesBrokenOnes)
{
    QTemporaryDir dir;
    EXPECT_EQ(missingSdkFiles(dir.path()), QStringList({"libedsdk.so", "libedsimage.so"}));
    QFile sdk(dir.filePath(QStringLiteral("libedsdk.so")));
    ASSERT_TRUE(sdk.open(QIODevice::WriteOnly));
    sdk.write("not a library");
    sdk.close();
    EXPECT_EQ(missingSdkFiles(dir.path()), QStringList({"libedsimage.so"}));
    EXPECT_TRUE(missingSdkFiles(BinDir).isEmpty());

    const Result<> missing = loadSdk(dir.path());
    EXPECT_FALSE(missing);
    EXPECT_TRUE(missing.error().contains(QStringLiteral("libedsimage.so")));
    QFile::copy(BinDir + QStringLiteral("/libedsimage.so"), dir.filePath(QStringLiteral("libedsimage.so")));
    const Result<> broken = loadSdk(dir.path());
    EXPECT_FALSE(broken);
    EXPECT_FALSE(broken.error().isEmpty());

    const Result<> loaded = loadSdk(BinDir);
    ASSERT_TRUE(loaded) << loaded.error().toStdString();
    const EdsApi &api = sdkApi();
#define TESSARO_EXPECT_RESOLVED(name) EXPECT_NE(api.name, nullptr) << #name;
    TESSARO_EDS_CALLS(TESSARO_EXPECT_RESOLVED)
#undef TESSARO_EXPECT_RESOLVED
    EXPECT_NE(sdkSymbol("EdsSimConfigure"), nullptr);
}

} // namespace

TEST(SdkLoader, TheEnvironmentChoosesTheCameraLibrary)
{
    const struct
    {
        const char *value;
        const char *library;
    } cases[] = {{nullptr, "libedsdk.so"},          {"", "libedsdk.so"},
                 {"sim", "libedsdk.so"},            {"gphoto2", "libedsdk-gphoto2.so"},
                 {" GPhoto2 ", "libedsdk-gphoto2.so"}, {"usb", nullptr}};
    for (const auto &c : cases) {
        if (c.value)
            qputenv(CameraChoiceVariable, c.value);
        else
            qunsetenv(CameraChoiceVariable);
        const Result<QString> chosen = chosenSdkLibrary();
        if (c.library)
            EXPECT_EQ(chosen ? *chosen : chosen.error(), QLatin1String(c.library)) << (c.value ? c.value : "unset");
        else
            EXPECT_TRUE(!chosen && chosen.error().contains(QStringLiteral("gphoto2"))) << c.value;
    }
    qunsetenv(CameraChoiceVariable);

    QTemporaryDir dir;
    EXPECT_EQ(missingSdkFiles(dir.path(), QStringLiteral("libedsdk-gphoto2.so")),
              QStringList({"libedsdk-gphoto2.so", "libedsimage.so"}));
}
