#include "camera/appmaster.h"

#include "camera/camera.h"
#include "camera/cameraevents.h"
#include "camera/camerahelpers.h"
#include "camera/edserrors.h"
#include "camera/sdkloader.h"
#include "diagnostics/debuglog.h"
#include "platform/dialogs.h"

#include <QFile>

#include <algorithm>
#include <utility>

std::unique_ptr<TAppMaster> AppMaster;
bool IgnoreDisconnect = false;

namespace {

// " Missing subcomponent ": the SDK library was not loaded.
constexpr EdsError SdkMissing = 0x0000000Au;
constexpr EdsInt32 AllFreeClusters = 2147483647;
constexpr EdsInt32 SectorBytes = 4096;

// An SDK that can say why it found no camera (another program holding it) says so after the
// usual words.
QString noCameraMessage()
{
    using ListProblem = const char *(*)();
    const auto problem = reinterpret_cast<ListProblem>(sdkSymbol("EdsGetCameraListProblem"));
    const QString why = problem ? QString::fromUtf8(problem()) : QString();
    const QString message = QStringLiteral("Camera is not connected!");
    return why.isEmpty() ? message : message + QStringLiteral("\n\n") + why;
}


bool apiComplete(const EdsApi &api)
{
    bool complete = true;
#define TESSARO_EDS_PRESENT(name) complete = complete && api.name != nullptr;
    TESSARO_EDS_CALLS(TESSARO_EDS_PRESENT)
#undef TESSARO_EDS_PRESENT
    return complete;
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void logLine(const QString &label, const QString &value)
{
    DebugLine(label + value);
}

void logLine(const QString &label, qint64 value)
{
    DebugLine(label + QString::number(value));
}

QObject *window(EdsVoid *context)
{
    return static_cast<QObject *>(context);
}

// The panel's properties and the focal length, between AE mode and focal length in number.
bool isShootingProperty(EdsPropertyID property)
{
    return property == kEdsPropID_ImageQuality || property == kEdsPropID_WhiteBalance
           || (property >= kEdsPropID_AEMode && property <= kEdsPropID_FocalLength);
}

bool postsValueChange(EdsPropertyID property)
{
    return property == kEdsPropID_BatteryLevel || property == kEdsPropID_CFn
           || isShootingProperty(property);
}

// Errors of the computer's files and streams rather than of the camera.
bool isHostFileError(EdsError err)
{
    return (err >= EDS_ERR_FILE_IO_ERROR && err < EDS_ERR_FILE_IO_ERROR + 0x10)
           || (err >= EDS_ERR_STREAM_IO_ERROR && err < EDS_ERR_STREAM_IO_ERROR + 0x10);
}

bool postsDescChange(EdsPropertyID property)
{
    return isShootingProperty(property);
}


} // namespace

TCamera *connectedCamera()
{
    return AppMaster ? AppMaster->GetCamera() : nullptr;
}

std::optional<quint32> readAEMode()
{
    if (!connectedCamera() || AppMaster->GetProperty(kEdsPropID_AEMode) != EDS_ERR_OK)
        return std::nullopt;
    return connectedCamera()->GetPropertyUInt32(kEdsPropID_AEMode);
}

TAppMaster::TAppMaster(QObject *window)
    : TAppMaster(window, sdkApi())
{
}

TAppMaster::TAppMaster(QObject *window, const EdsApi &api)
    : FApi(api)
    , FHandle(window)
    , FNotifyHandle(window)
{
    connect();
}

void TAppMaster::connect()
{
    const EdsError initCode = apiComplete(FApi) ? FApi.EdsInitializeSDK() : SdkMissing;
    logLine(QStringLiteral("InitializeSDK = "), initCode);
    DebugLine(QString());
    FSdkReady = initCode == EDS_ERR_OK;

    EdsError err = initCode;
    EdsCameraListRef list = nullptr;
    EdsUInt32 count = 0;
    if (err == EDS_ERR_OK) {
        err = FApi.EdsGetCameraList(&list);
        if (err == EDS_ERR_OK)
            err = FApi.EdsGetChildCount(list, &count);
        logLine(QStringLiteral("Cameralistcount ="), count);
        DebugLine(QString());
    }
    if (count == 0 && !IgnoreDisconnect) {
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption), noCameraMessage());
    } else if (err == EDS_ERR_OK && count > 0) {
        if (FApi.EdsGetChildAtIndex(list, 0, &FCameraRef) != EDS_ERR_OK)
            FCameraRef = nullptr;
    }
    if (FCameraRef) {
        EdsDeviceInfo info{};
        if (FApi.EdsGetDeviceInfo(FCameraRef, &info) == EDS_ERR_OK) {
            FIsLegacy = info.deviceSubType == 0;
            DebugLine(FIsLegacy ? QStringLiteral("FIsLegacy = True = Alter Kameratyp")
                                : QStringLiteral("FIsLegacy = False Neuer Kameratyp"));
            DebugLine(QString());
        } else {
            info = EdsDeviceInfo{};
        }
        FCamera = std::make_unique<TCamera>(info);
    }
    // Released also when no camera was found; the list is ours either way.
    if (list)
        FApi.EdsRelease(list);
}

TAppMaster::~TAppMaster()
{
    if (!FSdkReady)
        return;
    if (FSessionOpen)
        FApi.EdsCloseSession(FCameraRef);
    FCamera.reset();
    if (FCameraRef)
        FApi.EdsRelease(FCameraRef);
    FApi.EdsTerminateSDK();
}

QString TAppMaster::GetModelName() const
{
    return FCamera ? FCamera->GetModelName() : QStringLiteral("Camera is not detected!");
}

EdsError TAppMaster::SetEventHandlers()
{
    if (!FCameraRef)
        return EDS_ERR_OK;
    EdsError err = FApi.EdsSetPropertyEventHandler(FCameraRef, kEdsPropertyEvent_All,
                                                   &TAppMaster::handlePropertyEvent, FHandle);
    if (err == EDS_ERR_OK)
        err = FApi.EdsSetObjectEventHandler(FCameraRef, kEdsObjectEvent_All,
                                            &TAppMaster::HandleObjectEvent, FHandle);
    logLine(QStringLiteral("EdsSetObjectEventHandler erfolgreich = "), boolText(err == EDS_ERR_OK));
    DebugLine(QString());
    return err;
}

EdsError TAppMaster::whileLocked(const std::function<EdsError()> &operation)
{
    const EdsError lock = FApi.EdsSendStatusCommand(FCameraRef, kEdsCameraStatusCommand_UILock, 0);
    if (lock != EDS_ERR_OK)
        return lock;
    const EdsError err = operation();
    const EdsError unlock =
        FApi.EdsSendStatusCommand(FCameraRef, kEdsCameraStatusCommand_UIUnLock, 0);
    // A failed operation is reported before a failed unlock.
    return err != EDS_ERR_OK ? err : unlock;
}

EdsError TAppMaster::setSaveToHostValue()
{
    const EdsUInt32 target = kEdsSaveTo_Host;
    return FApi.EdsSetPropertyData(FCameraRef, kEdsPropID_SaveTo, 0, sizeof target, &target);
}

EdsError TAppMaster::setCapacity()
{
    const EdsCapacity capacity{AllFreeClusters, SectorBytes, 1};
    logLine(QStringLiteral("capacity.numberOfFreeClusters = "), capacity.numberOfFreeClusters);
    logLine(QStringLiteral("capacity.bytesPerSector       = "), capacity.bytesPerSector);
    logLine(QStringLiteral("capacity.reset                = "), capacity.reset);
    DebugLine(QString());
    const EdsError err = FApi.EdsSetCapacity(FCameraRef, capacity);
    logLine(QStringLiteral("EDS SetCapicity  erfolgreich   = "), boolText(err == EDS_ERR_OK));
    DebugLine(QString());
    return err;
}

EdsError TAppMaster::OpenSession()
{
    FSessionOpen = false;
    if (!FCameraRef)
        return FSdkReady ? EDS_ERR_DEVICE_NOT_FOUND : SdkMissing;
    EdsError err = FApi.EdsOpenSession(FCameraRef);
    FSessionOpen = err == EDS_ERR_OK;
    if (!FSessionOpen)
        return err;
    err = setSaveToHostValue();
    if (FIsLegacy || err != EDS_ERR_OK)
        return err;
    return whileLocked([this] { return setCapacity(); });
}

EdsError TAppMaster::SetSaveToHost()
{
    if (!FCameraRef)
        return EDS_ERR_OK;
    if (!FIsLegacy)
        return setSaveToHostValue();
    return whileLocked([this] { return setSaveToHostValue(); });
}

EdsError TAppMaster::TakePicture()
{
    if (!FCameraRef)
        return EDS_ERR_OK;
    const auto release = [this] {
        return FApi.EdsSendCommand(FCameraRef, kEdsCameraCommand_TakePicture, 0);
    };
    if (!FIsLegacy)
        return release();
    return whileLocked(release);
}

EdsError TAppMaster::SetProperty(EdsPropertyID id, EdsUInt32 value)
{
    if (!FCameraRef)
        return FSdkReady ? EDS_ERR_DEVICE_NOT_FOUND : SdkMissing;
    return FApi.EdsSetPropertyData(FCameraRef, id, 0, sizeof value, &value);
}

EdsError TAppMaster::GetProperty(EdsPropertyID id)
{
    DebugLine(QStringLiteral("getproperty"));
    logLine(QStringLiteral("id          = "), id);
    logLine(QStringLiteral("idname =    = "), PropertyIdName(id));
    if (!FCameraRef || !FCamera)
        return FSdkReady ? EDS_ERR_DEVICE_NOT_FOUND : SdkMissing;

    EdsDataType type = kEdsDataType_Unknown;
    EdsUInt32 size = 0;
    EdsError err = FApi.EdsGetPropertySize(FCameraRef, id, 0, &type, &size);
    if (err != EDS_ERR_OK)
        return err;
    const QString typeLine = QStringLiteral("DataType = ") + QString::number(type);
    if (type == kEdsDataType_UInt32 || type == kEdsDataType_Int32) {
        EdsUInt32 value = 0;
        err = FApi.EdsGetPropertyData(FCameraRef, id, 0, std::min<EdsUInt32>(size, sizeof value),
                                      &value);
        const bool isSigned = type == kEdsDataType_Int32;
        DebugLine(typeLine + (isSigned ? QStringLiteral("=kEdsDataType_Int32")
                                       : QStringLiteral("=kEdsDataType_UInt32")));
        DebugLine(QStringLiteral("Data = ")
                  + (isSigned ? QString::number(EdsInt32(value)) : QString::number(value)));
        if (err == EDS_ERR_OK) {
            if (isSigned)
                FCamera->SetPropertyInt32(id, EdsInt32(value));
            else
                FCamera->SetPropertyUInt32(id, value);
        }
    } else if (type == kEdsDataType_String) {
        EdsChar text[EDS_MAX_NAME + 1] = {};
        err = FApi.EdsGetPropertyData(FCameraRef, id, 0, std::min<EdsUInt32>(size, EDS_MAX_NAME),
                                      text);
        const QString value = sdkFieldText(text, EDS_MAX_NAME);
        DebugLine(typeLine + QStringLiteral("=kEdsDataType_String"));
        DebugLine(QStringLiteral("Data = ") + value);
        if (err == EDS_ERR_OK)
            FCamera->SetPropertyString(id, value);
        DebugLine(QString());
    }
    return err;
}

EdsError TAppMaster::GetPropertyDesc(EdsPropertyID id)
{
    logLine(QStringLiteral("getpropertydesc   = "), id);
    logLine(QStringLiteral("id                = "), id);
    logLine(QStringLiteral("idname            = "), PropertyIdName(id));
    if (!FCameraRef || !FCamera)
        return FSdkReady ? EDS_ERR_DEVICE_NOT_FOUND : SdkMissing;
    EdsPropertyDesc desc{};
    const EdsError err = FApi.EdsGetPropertyDesc(FCameraRef, id, &desc);
    if (err == EDS_ERR_OK)
        FCamera->SetPropertyDesc(id, desc);
    return err;
}

EdsError TAppMaster::DownloadItem(EdsDirectoryItemRef item, const QString &path,
                                  bool *donePosted)
{
    bool given = false;
    const auto once = [&] { return std::exchange(given, true) ? QString() : path; };
    QString written;
    return DownloadItem(item, once, &written, donePosted);
}

EdsError TAppMaster::DownloadItem(EdsDirectoryItemRef item,
                                  const std::function<QString()> &nextPath, QString *writtenPath,
                                  bool *donePosted)
{
    if (donePosted)
        *donePosted = false;
    writtenPath->clear();
    if (!FSdkReady)
        return SdkMissing;
    EdsDirectoryItemInfo info{};
    EdsError err = FApi.EdsGetDirectoryItemInfo(item, &info);
    if (err != EDS_ERR_OK) {
        // The item is ours to release, downloaded or not.
        FApi.EdsRelease(item);
        return err;
    }
    FLastFileName = sdkFieldText(info.szFileName, EDS_MAX_NAME);

    // The camera keeps no copy of a picture it hands to the computer, so a place that
    // cannot take the file is no reason to give the picture up.
    for (QString path = nextPath(); !path.isEmpty(); path = nextPath()) {
        err = downloadTo(item, info.size, path);
        if (!isHostFileError(err)) {
            if (err == EDS_ERR_OK)
                *writtenPath = path;
            break;
        }
        DebugLine(QStringLiteral("Download nach ") + path + QStringLiteral(" fehlgeschlagen: ")
                  + EdsErrorText(err));
    }
    if (err == EDS_ERR_OK)
        err = FApi.EdsDownloadComplete(item);
    FApi.EdsRelease(item);
    postWindowMessage(FNotifyHandle, WM_DOWNLOADDONE);
    if (donePosted)
        *donePosted = true;
    return err;
}

EdsError TAppMaster::downloadTo(EdsDirectoryItemRef item, EdsUInt64 size, const QString &path)
{
    EdsStreamRef stream = nullptr;
    EdsError err = FApi.EdsCreateFileStream(QFile::encodeName(path).constData(),
                                            kEdsFileCreateDisposition_CreateAlways,
                                            kEdsAccess_ReadWrite, &stream);
    if (err == EDS_ERR_OK)
        err = FApi.EdsSetProgressCallback(stream, &TAppMaster::HandleProgress,
                                          kEdsProgressOption_Periodically, FHandle);
    if (err == EDS_ERR_OK)
        err = FApi.EdsDownload(item, size, stream);
    if (stream)
        FApi.EdsRelease(stream);
    return err;
}

EdsError TAppMaster::handlePropertyEvent(EdsPropertyEvent event, EdsPropertyID property,
                                         EdsUInt32 param, EdsVoid *context)
{
    const bool valueChanged = event == kEdsPropertyEvent_PropertyChanged;
    const bool descChanged = event == kEdsPropertyEvent_PropertyDescChanged;
    DebugLine(QStringLiteral("handlePropertyEvent"));
    logLine(QStringLiteral("invent="), event);
    logLine(QStringLiteral("inPropertyID="), property);
    logLine(QStringLiteral("inPropertyIDName="), PropertyIdName(property));
    logLine(QStringLiteral("inParam="), param);
    DebugLine(QStringLiteral("inContext=") + QString::number(quintptr(context)));
    logLine(QStringLiteral("invent = Propertychanged      ="), boolText(valueChanged));
    logLine(QStringLiteral("invent = PropertyDescchanged  ="), boolText(descChanged));
    DebugLine(QString());

    if (valueChanged && postsValueChange(property))
        postWindowMessage(window(context), WM_PROPERTYEVENT, event, property);
    else if (descChanged)
        postWindowMessage(window(context),
                          postsDescChange(property) ? WM_PROPERTYEVENT : WM_UNKNOWNEVENT, event,
                          property);
    return EDS_ERR_OK;
}

EdsError TAppMaster::HandleObjectEvent(EdsObjectEvent event, EdsBaseRef item, EdsVoid *context)
{
    if (event == kEdsObjectEvent_DirItemRequestTransfer && context) {
        postWindowMessage(window(context), WM_OBJECTEVENT, event, quintptr(item));
    } else if (item && sdkApi().EdsRelease) {
        // Nobody takes this item; it is ours to release.
        sdkApi().EdsRelease(item);
    }
    return EDS_ERR_OK;
}

EdsError TAppMaster::HandleProgress(EdsUInt32 percent, EdsVoid *context, EdsBool *cancel)
{
    postWindowMessage(window(context), WM_PROGRESSEVENT, percent, cancel ? quintptr(*cancel) : 0);
    return EDS_ERR_OK;
}
