#pragma once

#include "edsdk.h"
#include "platform/result.h"

#include <QString>
#include <QStringList>

// Every call of the camera SDK, resolved from the loaded library.
struct EdsApi
{
#define TESSARO_EDS_CALLS(X)                                                                       \
    X(EdsInitializeSDK)                                                                            \
    X(EdsTerminateSDK)                                                                             \
    X(EdsRetain)                                                                                   \
    X(EdsRelease)                                                                                  \
    X(EdsGetCameraList)                                                                            \
    X(EdsGetChildCount)                                                                            \
    X(EdsGetChildAtIndex)                                                                          \
    X(EdsGetDeviceInfo)                                                                            \
    X(EdsSetPropertyEventHandler)                                                                  \
    X(EdsSetObjectEventHandler)                                                                    \
    X(EdsOpenSession)                                                                              \
    X(EdsCloseSession)                                                                             \
    X(EdsGetPropertySize)                                                                          \
    X(EdsGetPropertyData)                                                                          \
    X(EdsSetPropertyData)                                                                          \
    X(EdsGetPropertyDesc)                                                                          \
    X(EdsSendCommand)                                                                              \
    X(EdsSendStatusCommand)                                                                        \
    X(EdsSetCapacity)                                                                              \
    X(EdsGetDirectoryItemInfo)                                                                     \
    X(EdsCreateFileStream)                                                                         \
    X(EdsSetProgressCallback)                                                                      \
    X(EdsDownload)                                                                                 \
    X(EdsDownloadComplete)
#define TESSARO_EDS_MEMBER(name) decltype(&::name) name = nullptr;
    TESSARO_EDS_CALLS(TESSARO_EDS_MEMBER)
#undef TESSARO_EDS_MEMBER
};

// File names of the two SDK libraries, looked for in the program's folder.
inline constexpr const char *SdkLibraryName = "libedsdk.so";
inline constexpr const char *SdkImageLibraryName = "libedsimage.so";

// The SDK files missing from `folder`, in the order SDK, image library.
QStringList missingSdkFiles(const QString &folder);

// Loads both libraries from `folder` and resolves every call into sdkApi(). A failure says
// why and leaves the previous state. Loading again from the same folder is harmless. The
// libraries stay loaded until the process ends.
Result<> loadSdk(const QString &folder);
bool sdkLoaded();

// The table of the loaded SDK; every pointer is null while none is loaded.
const EdsApi &sdkApi();

// A further symbol of the loaded SDK library (for example its test controls), or nullptr.
void *sdkSymbol(const char *name);
