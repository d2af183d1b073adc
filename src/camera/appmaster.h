#pragma once

#include "edsdk.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class TCamera;
struct EdsApi;

// The camera SDK for the whole run: initialises it, opens the session with the first camera,
// turns the SDK's events into window messages posted to the main window, reads properties
// into the TCamera cache, writes them, releases the shutter and downloads pictures.
// Every operation returns the SDK's error code (0 = success); nothing throws.
class TAppMaster
{
public:
    // Connects to the SDK and the first camera. `window` receives every posted message.
    // Without a loaded SDK (or with `api` lacking calls) the SDK counts as not initialised.
    explicit TAppMaster(QObject *window);
    // `api` must outlive the instance.
    TAppMaster(QObject *window, const EdsApi &api);
    TAppMaster(QObject *window, const EdsApi &&api) = delete;
    ~TAppMaster();
    TAppMaster(const TAppMaster &) = delete;
    TAppMaster &operator=(const TAppMaster &) = delete;

    // "Camera is not detected!" without a camera.
    QString GetModelName() const;
    // The cache of the connected camera, nullptr when none was found.
    TCamera *GetCamera() const { return FCamera.get(); }

    EdsError SetEventHandlers();
    EdsError OpenSession();
    EdsError SetSaveToHost();

    EdsError GetProperty(EdsPropertyID id);
    EdsError GetPropertyDesc(EdsPropertyID id);
    EdsError SetProperty(EdsPropertyID id, EdsUInt32 value);
    EdsError TakePicture();
    // Downloads an item the camera offered to the file `path` and releases the item.
    // Posts WM_DOWNLOADDONE unless the item's information could not be read.
    // donePosted, when given, tells whether WM_DOWNLOADDONE was posted for this item.
    EdsError DownloadItem(EdsDirectoryItemRef item, const QString &path,
                          bool *donePosted = nullptr);
    // The same, but a file that cannot be created or written at one path is downloaded again
    // to the next one `nextPath` gives, until it gives an empty path. writtenPath receives
    // the path the file went to (empty when none took it).
    EdsError DownloadItem(EdsDirectoryItemRef item, const std::function<QString()> &nextPath,
                          QString *writtenPath, bool *donePosted);

    bool SdkReady() const { return FSdkReady; }
    bool SessionOpen() const { return FSessionOpen; }
    bool IsLegacy() const { return FIsLegacy; }
    EdsCameraRef CameraRef() const { return FCameraRef; }
    QString LastFileName() const { return FLastFileName; }
    QObject *Handle() const { return FHandle; }
    const EdsApi &Api() const { return FApi; }

    // SDK handlers: they only log and post to the window passed as context.
    static EdsError handlePropertyEvent(EdsPropertyEvent event, EdsPropertyID property,
                                        EdsUInt32 param, EdsVoid *context);
    static EdsError HandleObjectEvent(EdsObjectEvent event, EdsBaseRef item, EdsVoid *context);
    static EdsError HandleProgress(EdsUInt32 percent, EdsVoid *context, EdsBool *cancel);

private:
    void connect();
    // Locks the camera's user interface, runs the operation and unlocks it whatever the
    // result. A failed lock is returned and the operation does not run.
    EdsError whileLocked(const std::function<EdsError()> &operation);
    EdsError setSaveToHostValue();
    EdsError setCapacity();
    EdsError downloadTo(EdsDirectoryItemRef item, EdsUInt64 size, const QString &path);

    const EdsApi &FApi;
    QObject *FHandle = nullptr;
    QObject *FNotifyHandle = nullptr;
    bool FSdkReady = false;
    std::unique_ptr<TCamera> FCamera;
    bool FSessionOpen = false;
    bool FIsLegacy = false;
    EdsCameraRef FCameraRef = nullptr;
    QString FLastFileName;
};

// The one session manager; created by the connection routine, freed by the main window.
extern std::unique_ptr<TAppMaster> AppMaster;

// The cache of the connected camera; nullptr without a session manager or a camera.
TCamera *connectedCamera();
// Reads the camera's AE mode afresh; nothing without a camera or when the read fails.
std::optional<quint32> readAEMode();

// Set by the command line: no camera at start is not reported.
extern bool IgnoreDisconnect;
