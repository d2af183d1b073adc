#include "app/transfer.h"

#include "camera/appmaster.h"
#include "camera/cameraevents.h"
#include "camera/camerahelpers.h"
#include "camera/camerasettings.h"
#include "camera/edserrors.h"
#include "camera/madeimages.h"
#include "camera/sdkloader.h"
#include "naming/programnaming.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>

bool PictureArrived = false;

namespace {

constexpr int ProgressResetMs = 100;

void releaseItem(EdsDirectoryItemRef item)
{
    if (item && sdkApi().EdsRelease)
        sdkApi().EdsRelease(item);
}

} // namespace

TPictureTransfer::TPictureTransfer(TForm1 &form)
    : m_form(form)
    , m_progressReset(new QTimer(&form))
{
    m_progressReset->setSingleShot(true);
    m_progressReset->setInterval(ProgressResetMs);
    QObject::connect(m_progressReset, &QTimer::timeout, &form,
                     [&form] { form.ProgressBar1->setValue(0); });
}

TPictureTransfer::~TPictureTransfer() = default;

void TPictureTransfer::setHooks(TTransferHooks hooks)
{
    m_hooks = std::move(hooks);
}

bool TPictureTransfer::ObjectEvent(EdsDirectoryItemRef item)
{
    EdsDirectoryItemInfo info{};
    const EdsError query = sdkApi().EdsGetDirectoryItemInfo
                               ? sdkApi().EdsGetDirectoryItemInfo(item, &info)
                               : EDS_ERR_NOT_SUPPORTED;
    if (query != EDS_ERR_OK || !AppMaster) {
        releaseItem(item);
        // No download follows, so nothing else would end the wait for this picture.
        failed(query != EDS_ERR_OK ? query : EDS_ERR_DEVICE_NOT_FOUND);
        PictureArrived = true;
        return false;
    }

    const QString name = sdkFieldText(info.szFileName, EDS_MAX_NAME);
    const TImageTarget target = BuildImageTarget(name, CurrentSettings());
    const QString savePath = ProgramSettings().Savepath;
    const QString folder = savePath + target.SubFolder;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    // Never over another picture: an occupied name gets a numbered twin.
    const QString path = FreeTargetPath(folder + target.FileName);

    bool donePosted = false;
    const EdsError err = AppMaster->DownloadItem(item, path, &donePosted);
    if (err != EDS_ERR_OK)
        failed(err);
    // Without an end message nothing else would end the wait for this picture.
    if (!donePosted) {
        PictureArrived = true;
        return true;
    }
    m_pending.push_back({savePath, target.SubFolder, QFileInfo(path).fileName(), err != EDS_ERR_OK});
    return true;
}

void TPictureTransfer::ProgressEvent(int percent)
{
    m_form.ProgressBar1->setValue(percent);
    // A new download must not be zeroed by the last one's reset.
    if (m_form.ProgressBar1->value() == 100)
        m_progressReset->start();
    else
        m_progressReset->stop();
}

void TPictureTransfer::DownloadDone()
{
    PictureArrived = true;
    if (m_pending.empty())
        return;
    const Pending done = std::move(m_pending.front());
    m_pending.pop_front();
    // A broken download keeps its partial file on disk but is not passed on as a picture.
    if (!done.failed)
        record(done);
}

void TPictureTransfer::failed(quint32 err)
{
    m_form.setStatus(EdsErrorText(err), StatusErrorColor);
}

void TPictureTransfer::record(const Pending &done)
{
    const QString folder = done.savePath + done.subFolder;
    if (m_hooks.showReceivedPicture)
        m_hooks.showReceivedPicture(folder, done.fileName);

    TMadeImage image;
    image.Folder = folder;
    image.FileName = done.fileName;
    image.MaskPath = ExpandFileMask(done.subFolder, CurrentSettings());
    image.Settings = CurrentSettings();
    TMadeImage &added = MadeImages().append(std::move(image));

    if (m_hooks.readPictureExif)
        m_hooks.readPictureExif(added, folder + done.fileName);
    if (ProgramSettings().UseImageMagick && m_hooks.addPictureCommands)
        m_hooks.addPictureCommands(done.savePath, done.subFolder, done.fileName);
    postWindowMessage(&m_form, WM_IMAGESTORED);
}
