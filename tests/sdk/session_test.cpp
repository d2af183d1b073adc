// The session as a program runs it, the events that follow, and the body's rules for
// its properties.
#include "simbody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using simtest::configure;
using simtest::Connection;
using simtest::Event;

namespace {

bool hasEvent(const std::vector<Event>& events, EdsUInt32 event, EdsPropertyID id)
{
    return std::any_of(events.begin(), events.end(),
                       [&](const Event& e) { return e.event == event && e.property == id; });
}

// Lets the announcements of opening and of switching to the host pass, then forgets them.
void settle(Connection& c)
{
    // Opening announces the AE mode last; the switch to the host follows it.
    ASSERT_TRUE(c.recorder().waitFor([](const std::vector<Event>& events) {
        auto isChange = [](EdsPropertyID id) {
            return [id](const Event& e) { return e.event == kEdsPropertyEvent_PropertyChanged && e.property == id; };
        };
        auto ae = std::find_if(events.begin(), events.end(), isChange(kEdsPropID_AEMode));
        return ae != events.end() && std::any_of(ae, events.end(), isChange(kEdsPropID_SaveTo));
    }));
    c.recorder().clear();
}

TEST(SdkSession, RunsThroughTheSessionInTheProgramsOrder)
{
    configure("model=Canon EOS 7D");
    ASSERT_EQ(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    ASSERT_EQ(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsUInt32 count = 0;
    ASSERT_EQ(EdsGetChildCount(list, &count), EDS_ERR_OK);
    ASSERT_EQ(count, 1u);
    EdsCameraRef camera = nullptr;
    ASSERT_EQ(EdsGetChildAtIndex(list, 0, &camera), EDS_ERR_OK);
    EdsDeviceInfo info{};
    ASSERT_EQ(EdsGetDeviceInfo(camera, &info), EDS_ERR_OK);
    EXPECT_STREQ(info.szDeviceDescription, "Canon EOS 7D");
    EXPECT_NE(info.deviceSubType, 0u);
    EXPECT_EQ(EdsRelease(list), 0u);

    simtest::Recorder recorder;
    auto onProperty = [](EdsPropertyEvent event, EdsPropertyID id, EdsUInt32, EdsVoid* context) -> EdsError {
        static_cast<simtest::Recorder*>(context)->add({event, id, nullptr, std::this_thread::get_id()});
        return EDS_ERR_OK;
    };
    auto onObject = [](EdsObjectEvent event, EdsBaseRef item, EdsVoid* context) -> EdsError {
        static_cast<simtest::Recorder*>(context)->add({event, 0, item, std::this_thread::get_id()});
        return EDS_ERR_OK;
    };
    ASSERT_EQ(EdsSetPropertyEventHandler(camera, kEdsPropertyEvent_All, onProperty, &recorder), EDS_ERR_OK);
    ASSERT_EQ(EdsSetObjectEventHandler(camera, kEdsObjectEvent_All, onObject, &recorder), EDS_ERR_OK);
    ASSERT_EQ(EdsOpenSession(camera), EDS_ERR_OK);
    const EdsUInt32 host = kEdsSaveTo_Host;
    ASSERT_EQ(EdsSetPropertyData(camera, kEdsPropID_SaveTo, 0, 4, &host), EDS_ERR_OK);
    ASSERT_EQ(EdsSendStatusCommand(camera, kEdsCameraStatusCommand_UILock, 0), EDS_ERR_OK);
    ASSERT_EQ(EdsSetCapacity(camera, {2147483647, 4096, 1}), EDS_ERR_OK);
    ASSERT_EQ(EdsSendStatusCommand(camera, kEdsCameraStatusCommand_UIUnLock, 0), EDS_ERR_OK);

    // The three data types a program reads.
    struct Read {
        EdsPropertyID id;
        EdsDataType type;
    };
    for (const Read& r : {Read{kEdsPropID_Tv, kEdsDataType_UInt32}, Read{kEdsPropID_WhiteBalance, kEdsDataType_Int32},
                          Read{kEdsPropID_ProductName, kEdsDataType_String}}) {
        EdsDataType type = kEdsDataType_Unknown;
        EdsUInt32 size = 0;
        ASSERT_EQ(EdsGetPropertySize(camera, r.id, 0, &type, &size), EDS_ERR_OK);
        EXPECT_EQ(type, r.type) << r.id;
        char buffer[256] = {};
        ASSERT_LE(size, sizeof buffer);
        ASSERT_EQ(EdsGetPropertyData(camera, r.id, 0, size, buffer), EDS_ERR_OK);
        if (type == kEdsDataType_String) {
            EXPECT_STREQ(buffer, "Canon EOS 7D");
        }
    }
    EdsPropertyDesc desc{};
    ASSERT_EQ(EdsGetPropertyDesc(camera, kEdsPropID_Av, &desc), EDS_ERR_OK);
    EXPECT_GT(desc.numElements, 0);

    ASSERT_EQ(EdsSendCommand(camera, kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EdsBaseRef item = recorder.waitForItem(1);
    ASSERT_NE(item, nullptr);
    EdsDirectoryItemInfo itemInfo{};
    ASSERT_EQ(EdsGetDirectoryItemInfo(item, &itemInfo), EDS_ERR_OK);
    EXPECT_STREQ(itemInfo.szFileName, "IMG_0001.JPG");
    const std::string path = simtest::tempDir() + "/picture.jpg";
    EdsStreamRef stream = nullptr;
    ASSERT_EQ(EdsCreateFileStream(path.c_str(), kEdsFileCreateDisposition_CreateAlways, kEdsAccess_ReadWrite, &stream),
              EDS_ERR_OK);
    ASSERT_EQ(EdsSetProgressCallback(stream, nullptr, kEdsProgressOption_Periodically, nullptr), EDS_ERR_OK);
    ASSERT_EQ(EdsDownload(item, itemInfo.size, stream), EDS_ERR_OK);
    ASSERT_EQ(EdsDownloadComplete(item), EDS_ERR_OK);
    EXPECT_EQ(EdsRelease(stream), 0u);
    EXPECT_EQ(EdsRelease(item), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), itemInfo.size);
    ASSERT_EQ(EdsCloseSession(camera), EDS_ERR_OK);
    ASSERT_EQ(EdsTerminateSDK(), EDS_ERR_OK);

    const std::string log = simtest::callLog();
    const char* expected[] = {
        "EdsInitializeSDK", "EdsGetCameraList", "EdsGetChildCount", "EdsGetChildAtIndex 0", "EdsGetDeviceInfo",
        "EdsRelease list", "EdsSetPropertyEventHandler 256", "EdsSetObjectEventHandler 512", "EdsOpenSession",
        "EdsSetPropertyData 11 2", "EdsSendStatusCommand 0", "EdsSetCapacity 2147483647 4096 1",
        "EdsSendStatusCommand 1", "EdsSendCommand 0", "EdsGetDirectoryItemInfo", "EdsCreateFileStream 1 2",
        "EdsSetProgressCallback 2", "EdsDownload", "EdsDownloadComplete", "EdsRelease stream", "EdsRelease item",
        "EdsCloseSession", "EdsTerminateSDK",
    };
    size_t at = 0;
    for (const char* line : expected) {
        const size_t found = log.find(std::string(line), at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found;
    }
}

TEST(SdkSession, ListsNoCameraWhenNoneIsAttached)
{
    configure("camera=0");
    ASSERT_EQ(EdsInitializeSDK(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    ASSERT_EQ(EdsGetCameraList(&list), EDS_ERR_OK);
    EdsUInt32 count = 99;
    EXPECT_EQ(EdsGetChildCount(list, &count), EDS_ERR_OK);
    EXPECT_EQ(count, 0u);
    EdsCameraRef camera = nullptr;
    EXPECT_EQ(EdsGetChildAtIndex(list, 0, &camera), EDS_ERR_INVALID_INDEX);
    EdsRelease(list);
    EXPECT_EQ(EdsTerminateSDK(), EDS_ERR_OK);
}

TEST(SdkSession, LegacyBodyHasSubTypeZeroAndShootsWithoutCapacity)
{
    configure("legacy=1");
    Connection c(false);
    EdsDeviceInfo info{};
    ASSERT_EQ(EdsGetDeviceInfo(c.camera(), &info), EDS_ERR_OK);
    EXPECT_EQ(info.deviceSubType, 0u);
    ASSERT_EQ(EdsOpenSession(c.camera()), EDS_ERR_OK);
    ASSERT_EQ(c.set(kEdsPropID_SaveTo, kEdsSaveTo_Host), EDS_ERR_OK);
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EXPECT_NE(c.recorder().waitForItem(1), nullptr);
    EdsCloseSession(c.camera());
}

TEST(SdkSession, NewerBodySavingToHostRefusesToShootUntilToldTheCapacity)
{
    configure();
    Connection c(false);
    ASSERT_EQ(EdsOpenSession(c.camera()), EDS_ERR_OK);
    ASSERT_EQ(c.set(kEdsPropID_SaveTo, kEdsSaveTo_Host), EDS_ERR_OK);
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_DEVICE_MEMORY_FULL);
    ASSERT_EQ(EdsSetCapacity(c.camera(), {2147483647, 4096, 1}), EDS_ERR_OK);
    EXPECT_EQ(EdsSendCommand(c.camera(), kEdsCameraCommand_TakePicture, 0), EDS_ERR_OK);
    EXPECT_NE(c.recorder().waitForItem(1), nullptr);
    EdsCloseSession(c.camera());
}

TEST(SdkSession, CallsThatNeedASessionFailWithoutOne)
{
    configure();
    Connection c(false);
    const EdsCameraRef cam = c.camera();
    EdsUInt32 value = 2;
    EdsDataType type{};
    EdsUInt32 size = 0;
    EdsPropertyDesc desc{};
    const std::pair<const char*, std::function<EdsError()>> calls[] = {
        {"set", [&] { return EdsSetPropertyData(cam, kEdsPropID_SaveTo, 0, 4, &value); }},
        {"size", [&] { return EdsGetPropertySize(cam, kEdsPropID_Tv, 0, &type, &size); }},
        {"data", [&] { return EdsGetPropertyData(cam, kEdsPropID_Tv, 0, 4, &value); }},
        {"desc", [&] { return EdsGetPropertyDesc(cam, kEdsPropID_Tv, &desc); }},
        {"release", [&] { return EdsSendCommand(cam, kEdsCameraCommand_TakePicture, 0); }},
        {"lock", [&] { return EdsSendStatusCommand(cam, kEdsCameraStatusCommand_UILock, 0); }},
        {"capacity", [&] { return EdsSetCapacity(cam, {1, 4096, 1}); }},
        {"close", [&] { return EdsCloseSession(cam); }},
    };
    for (const auto& [name, call] : calls)
        EXPECT_EQ(call(), EDS_ERR_SESSION_NOT_OPEN) << name;
}

TEST(SdkSession, BadReferencesAndPointersAreRefused)
{
    configure();
    Connection c;
    EdsDeviceInfo info{};
    EXPECT_EQ(EdsGetDeviceInfo(nullptr, &info), EDS_ERR_INVALID_HANDLE);
    EXPECT_EQ(EdsGetDeviceInfo(c.camera(), nullptr), EDS_ERR_INVALID_POINTER);
    EXPECT_EQ(EdsRelease(reinterpret_cast<EdsBaseRef>(&info)), 0xFFFFFFFFu);
    EdsDirectoryItemInfo item{};
    EXPECT_EQ(EdsGetDirectoryItemInfo(c.camera(), &item), EDS_ERR_INVALID_HANDLE);
    EdsUInt32 value = 0;
    EXPECT_EQ(EdsGetPropertyData(c.camera(), 0x9999, 0, 4, &value), EDS_ERR_PROPERTIES_UNAVAILABLE);
}

TEST(SdkSession, SecondInitialiseAndTerminateCycleWorks)
{
    configure();
    for (int cycle = 0; cycle < 3; ++cycle) {
        Connection c;
        EXPECT_EQ(c.get(kEdsPropID_AEMode), 3u) << "cycle " << cycle;
    }
}

TEST(SdkEvents, OpeningTheSessionAnnouncesEveryValueAndListFromAnotherThread)
{
    configure();
    Connection c;
    const EdsPropertyID lists[] = {256, 262, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031};
    const EdsPropertyID values[] = {8, 256, 262, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031};
    ASSERT_TRUE(c.recorder().waitFor([&](const std::vector<Event>& events) {
        return std::all_of(std::begin(lists), std::end(lists),
                           [&](EdsPropertyID id) { return hasEvent(events, kEdsPropertyEvent_PropertyDescChanged, id); })
            && std::all_of(std::begin(values), std::end(values),
                           [&](EdsPropertyID id) { return hasEvent(events, kEdsPropertyEvent_PropertyChanged, id); });
    }));
    const auto events = c.recorder().events();
    std::set<std::thread::id> threads;
    for (const Event& e : events)
        threads.insert(e.thread);
    EXPECT_EQ(threads.size(), 1u) << "events come in order from one thread";
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

TEST(SdkEvents, HandlerMayCallBackIntoTheSdk)
{
    configure();
    Connection c(false);
    std::atomic<EdsUInt32> readBack{0};
    c.onProperty = [&](EdsPropertyEvent event, EdsPropertyID id) {
        EdsUInt32 value = 0;
        if (event == kEdsPropertyEvent_PropertyChanged && id == kEdsPropID_Av
            && EdsGetPropertyData(c.camera(), id, 0, 4, &value) == EDS_ERR_OK)
            readBack = value;
    };
    ASSERT_EQ(EdsOpenSession(c.camera()), EDS_ERR_OK);
    ASSERT_TRUE(c.recorder().waitFor([](const std::vector<Event>& events) {
        return hasEvent(events, kEdsPropertyEvent_PropertyChanged, kEdsPropID_Av);
    }));
    EXPECT_EQ(readBack.load(), 48u); // f/5.6
    EdsCloseSession(c.camera());
}

struct WriteCase {
    EdsUInt32 dial;
    EdsPropertyID property;
    EdsUInt32 value;
    EdsError expected;
};

void PrintTo(const WriteCase& w, std::ostream* os)
{
    *os << "dial " << w.dial << ", property " << w.property << " = " << w.value << " -> " << w.expected;
}

class SdkModeDial : public ::testing::TestWithParam<WriteCase> {};

TEST_P(SdkModeDial, WritesFollowTheDial)
{
    const WriteCase w = GetParam();
    configure("modedial=" + std::to_string(w.dial));
    Connection c;
    const EdsUInt32 before = c.get(w.property);
    EXPECT_EQ(c.set(w.property, w.value), w.expected);
    EXPECT_EQ(c.get(w.property), w.expected == EDS_ERR_OK ? w.value : before);
}

// 0 P, 1 Tv, 2 Av, 3 M, 4 Bulb, 9 full auto. Av 56 is f/8, Tv 120 is 1/250, 12 is bulb.
INSTANTIATE_TEST_SUITE_P(Table, SdkModeDial, ::testing::Values(
    WriteCase{0, kEdsPropID_Av, 56, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{0, kEdsPropID_Tv, 120, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{0, kEdsPropID_ExposureCompensation, 5, EDS_ERR_OK},
    WriteCase{1, kEdsPropID_Tv, 120, EDS_ERR_OK},
    WriteCase{1, kEdsPropID_Av, 56, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{2, kEdsPropID_Av, 56, EDS_ERR_OK},
    WriteCase{2, kEdsPropID_Tv, 120, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{3, kEdsPropID_Av, 56, EDS_ERR_OK},
    WriteCase{3, kEdsPropID_Tv, 120, EDS_ERR_OK},
    WriteCase{3, kEdsPropID_Tv, kEdsTv_Bulb, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{4, kEdsPropID_Tv, kEdsTv_Bulb, EDS_ERR_OK},
    WriteCase{4, kEdsPropID_Tv, 120, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{4, kEdsPropID_Av, 56, EDS_ERR_OK},
    WriteCase{9, kEdsPropID_ISOSpeed, 88, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{3, kEdsPropID_ISOSpeed, 88, EDS_ERR_OK},
    WriteCase{3, kEdsPropID_ISOSpeed, 73, EDS_ERR_DEVICE_INVALID_PARAMETER},
    WriteCase{3, kEdsPropID_AEMode, 2, EDS_ERR_NOT_SUPPORTED},
    WriteCase{3, kEdsPropID_BatteryLevel, 50, EDS_ERR_NOT_SUPPORTED},
    WriteCase{3, kEdsPropID_SaveTo, 4, EDS_ERR_DEVICE_INVALID_PARAMETER}),
    [](const ::testing::TestParamInfo<WriteCase>& info) {
        const WriteCase& w = info.param;
        return "dial" + std::to_string(w.dial) + "_property" + std::to_string(w.property) + "_value"
            + std::to_string(w.value);
    });

TEST(SdkModeDialLists, AllowedValuesFollowTheDial)
{
    configure("modedial=0");
    Connection c;
    EXPECT_TRUE(c.allowed(kEdsPropID_Av).empty());
    EXPECT_TRUE(c.allowed(kEdsPropID_Tv).empty());
    ASSERT_EQ(EdsSimSetModeDial(4), EDS_ERR_OK);
    EXPECT_EQ(c.allowed(kEdsPropID_Tv), std::vector<EdsInt32>{static_cast<EdsInt32>(kEdsTv_Bulb)});
    EXPECT_EQ(c.get(kEdsPropID_Tv), kEdsTv_Bulb);
    ASSERT_EQ(EdsSimSetModeDial(3), EDS_ERR_OK);
    const auto tv = c.allowed(kEdsPropID_Tv);
    EXPECT_EQ(std::count(tv.begin(), tv.end(), static_cast<EdsInt32>(kEdsTv_Bulb)), 0);
    EXPECT_EQ(tv.size(), 55u); // 30" to 1/8000 in third stops
    EXPECT_EQ(c.get(kEdsPropID_Tv), 112u) << "leaving bulb restores the set time";
}

TEST(SdkModeDialLists, TurningTheDialAnnouncesModeListsAndChangedValues)
{
    configure("modedial=3");
    Connection c;
    settle(c);
    ASSERT_EQ(EdsSimSetModeDial(4), EDS_ERR_OK);
    ASSERT_TRUE(c.recorder().waitFor([](const std::vector<Event>& events) {
        return hasEvent(events, kEdsPropertyEvent_PropertyChanged, kEdsPropID_AEMode)
            && hasEvent(events, kEdsPropertyEvent_PropertyDescChanged, kEdsPropID_Tv)
            && hasEvent(events, kEdsPropertyEvent_PropertyDescChanged, kEdsPropID_ExposureCompensation)
            && hasEvent(events, kEdsPropertyEvent_PropertyChanged, kEdsPropID_Tv);
    }));
    const auto events = c.recorder().events();
    EXPECT_FALSE(hasEvent(events, kEdsPropertyEvent_PropertyDescChanged, kEdsPropID_Av))
        << "Av is set in both M and bulb";
    EXPECT_EQ(events.front().property, kEdsPropID_AEMode);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const Event& e) { return e.property == kEdsPropID_AEMode; }),
              1);
    EXPECT_EQ(c.get(kEdsPropID_AEMode), 4u);
}

TEST(SdkProperties, SuccessfulWriteIsAnnouncedAndRefusedWriteChangesNothing)
{
    configure();
    Connection c;
    settle(c);
    EXPECT_EQ(c.set(kEdsPropID_WhiteBalance, 99), EDS_ERR_DEVICE_INVALID_PARAMETER);
    EXPECT_EQ(c.set(kEdsPropID_ISOSpeed, 80), EDS_ERR_OK);
    ASSERT_TRUE(c.recorder().waitFor([](const std::vector<Event>& events) {
        return hasEvent(events, kEdsPropertyEvent_PropertyChanged, kEdsPropID_ISOSpeed);
    }));
    EXPECT_EQ(c.get(kEdsPropID_ISOSpeed), 80u);
    EXPECT_EQ(c.get(kEdsPropID_WhiteBalance), 0u);
    EXPECT_FALSE(hasEvent(c.recorder().events(), kEdsPropertyEvent_PropertyChanged, kEdsPropID_WhiteBalance));
    const uint16_t shortValue = 80;
    EXPECT_EQ(EdsSetPropertyData(c.camera(), kEdsPropID_ISOSpeed, 0, 2, &shortValue), EDS_ERR_INVALID_LENGTH);
}

TEST(SdkProperties, ValuesTurnedAtTheBodyAreAnnounced)
{
    configure("battery=80");
    Connection c;
    settle(c);
    EXPECT_EQ(EdsSimTurnValue(kEdsPropID_BatteryLevel, 40), EDS_ERR_OK);
    EXPECT_EQ(EdsSimTurnValue(kEdsPropID_Av, 72), EDS_ERR_OK);
    EXPECT_EQ(EdsSimTurnValue(kEdsPropID_Av, 7), EDS_ERR_DEVICE_INVALID_PARAMETER);
    ASSERT_TRUE(c.recorder().waitFor([](const std::vector<Event>& events) {
        return hasEvent(events, kEdsPropertyEvent_PropertyChanged, kEdsPropID_BatteryLevel)
            && hasEvent(events, kEdsPropertyEvent_PropertyChanged, kEdsPropID_Av);
    }));
    EXPECT_EQ(c.get(kEdsPropID_BatteryLevel), 40u);
    EXPECT_EQ(c.get(kEdsPropID_Av), 72u);
    // A locked body ignores its own controls.
    ASSERT_EQ(EdsSendStatusCommand(c.camera(), kEdsCameraStatusCommand_UILock, 0), EDS_ERR_OK);
    EXPECT_EQ(EdsSimTurnValue(kEdsPropID_Av, 56), EDS_ERR_DEVICE_BUSY);
    EXPECT_EQ(EdsSimSetModeDial(2), EDS_ERR_DEVICE_BUSY);
}

TEST(SdkConfiguration, RejectsUnknownKeysBadValuesAndChangesWhileInitialised)
{
    EXPECT_EQ(EdsSimConfigure("nosuchkey=1"), EDS_ERR_INVALID_PARAMETER);
    EXPECT_EQ(EdsSimConfigure("picturesize=huge"), EDS_ERR_INVALID_PARAMETER);
    EXPECT_EQ(EdsSimConfigure("modedial=18"), EDS_ERR_INVALID_PARAMETER);
    EXPECT_EQ(EdsSimConfigure("quality=7"), EDS_ERR_INVALID_PARAMETER);
    EXPECT_EQ(EdsSimConfigure("battery=101"), EDS_ERR_INVALID_PARAMETER);
    configure();
    ASSERT_EQ(EdsInitializeSDK(), EDS_ERR_OK);
    EXPECT_EQ(EdsSimConfigure(simtest::kQuick), EDS_ERR_INVALID_FN_CALL);
    ASSERT_EQ(EdsTerminateSDK(), EDS_ERR_OK);
}

TEST(SdkConfiguration, EnvironmentIsReadAndTheTestTextWins)
{
    ::setenv("TESSARO_SIM", "model=Canon EOS 40D; battery=ac ;prefix=ENV_", 1);
    configure("prefix=ABC_");
    ::unsetenv("TESSARO_SIM");
    Connection c;
    EdsDeviceInfo info{};
    ASSERT_EQ(EdsGetDeviceInfo(c.camera(), &info), EDS_ERR_OK);
    EXPECT_STREQ(info.szDeviceDescription, "Canon EOS 40D");
    EXPECT_EQ(c.get(kEdsPropID_BatteryLevel), 0xFFFFFFFFu);
    const auto names = c.shoot(simtest::tempDir());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "ABC_0001.JPG");
}

TEST(SdkConfiguration, AcceptsTheFormOfTheIniFile)
{
    ASSERT_EQ(EdsSimConfigure("[Camera]\r\n; a comment\r\n# another\r\nmodel = Canon EOS 50D\r\n\r\n"
                              "legacy=1\nbattery=0x20\r\n"),
              EDS_ERR_OK);
    Connection c;
    EdsDeviceInfo info{};
    ASSERT_EQ(EdsGetDeviceInfo(c.camera(), &info), EDS_ERR_OK);
    EXPECT_STREQ(info.szDeviceDescription, "Canon EOS 50D");
    EXPECT_EQ(info.deviceSubType, 0u);
    EXPECT_EQ(c.get(kEdsPropID_BatteryLevel), 32u);
}

} // namespace
