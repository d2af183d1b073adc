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

// File names of the two SDK libraries, looked for in the program's folder. The simulated body
// is the SDK unless the environment picks another camera library (see chosenSdkLibrary()).
inline constexpr const char *SdkLibraryName = "libedsdk.so";
inline constexpr const char *SdkImageLibraryName = "libedsimage.so";

// TESSARO_CAMERA=gphoto2 starts the program with real bodies through libgphoto2;
// unset, empty or "sim" keeps the simulated body.
inline constexpr const char *CameraChoiceVariable = "TESSARO_CAMERA";

// The SDK library the environment asks for, or why its value names none.
Result<QString> chosenSdkLibrary();

// The SDK files missing from `folder`, in the order SDK, image library.
QStringList missingSdkFiles(const QString &folder,
                            const QString &sdkLibrary = QString::fromLatin1(SdkLibraryName));

// Loads both libraries from `folder` and resolves every call into sdkApi(). A failure says
// why and leaves the previous state. Loading the same library again is harmless. The
// libraries stay loaded until the process ends.
Result<> loadSdk(const QString &folder,
                 const QString &sdkLibrary = QString::fromLatin1(SdkLibraryName));
bool sdkLoaded();

// The table of the loaded SDK; every pointer is null while none is loaded.
const EdsApi &sdkApi();

// A further symbol of the loaded SDK library (for example its test controls), or nullptr.
void *sdkSymbol(const char *name);
