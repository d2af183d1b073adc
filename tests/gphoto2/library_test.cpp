// The built library with the real libgphoto2: it exports every call the program resolves, and
// a body that does not answer is no camera, said on standard error.
#include "edsdk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>

// libgphoto2 keeps what it allocates for its camera drivers and unloads them, so the
// leaks cannot even be named; the bridge's own are checked in gphoto2_tests.
extern "C" const char* __lsan_default_options()
{
    return "detect_leaks=0";
}

namespace {

void* library()
{
    static void* handle = dlopen(TESSARO_GPHOTO2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <typename F>
F call(const char* name)
{
    return reinterpret_cast<F>(dlsym(library(), name));
}

} // namespace

TEST(Gphoto2Library, ExportsEveryCall)
{
    ASSERT_NE(library(), nullptr) << dlerror();
    const char* calls[] = {"EdsInitializeSDK", "EdsTerminateSDK", "EdsRetain", "EdsRelease", "EdsGetCameraList",
                           "EdsGetChildCount", "EdsGetChildAtIndex", "EdsGetDeviceInfo",
                           "EdsSetPropertyEventHandler", "EdsSetObjectEventHandler", "EdsOpenSession",
                           "EdsCloseSession", "EdsGetPropertySize", "EdsGetPropertyData", "EdsSetPropertyData",
                           "EdsGetPropertyDesc", "EdsSendCommand", "EdsSendStatusCommand", "EdsSetCapacity",
                           "EdsGetDirectoryItemInfo", "EdsCreateFileStream", "EdsSetProgressCallback",
                           "EdsDownload", "EdsDownloadComplete"};
    for (const char* name : calls)
        EXPECT_NE(dlsym(library(), name), nullptr) << name;
}

TEST(Gphoto2Library, ANetworkBodyThatDoesNotAnswerIsNoCamera)
{
    ASSERT_NE(library(), nullptr) << dlerror();
    setenv("HOME", testing::TempDir().c_str(), 1);              // libgphoto2 keeps its settings there
    setenv("TESSARO_GPHOTO2_PORT", "ptpip:127.0.0.1:1", 1); // nothing listens there
    ASSERT_EQ(call<decltype(&EdsInitializeSDK)>("EdsInitializeSDK")(), EDS_ERR_OK);
    EdsCameraListRef list = nullptr;
    testing::internal::CaptureStderr();
    ASSERT_EQ(call<decltype(&EdsGetCameraList)>("EdsGetCameraList")(&list), EDS_ERR_OK);
    const std::string said = testing::internal::GetCapturedStderr();
    EdsUInt32 count = 99;
    EXPECT_EQ(call<decltype(&EdsGetChildCount)>("EdsGetChildCount")(list, &count), EDS_ERR_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_NE(said.find("ptpip:127.0.0.1:1"), std::string::npos) << said;
    EXPECT_EQ(call<decltype(&EdsRelease)>("EdsRelease")(list), 0u);
    call<decltype(&EdsTerminateSDK)>("EdsTerminateSDK")();
    unsetenv("TESSARO_GPHOTO2_PORT");
}
