#include "app/transfer.h"

#include "camera/appmaster.h"
#include "camera/cameraevents.h"
#include "camera/camerahelpers.h"
#include "camera/edserrors.h"
#include "camera/madeimages.h"
#include "camera/sdkloader.h"
#include "diagnostics/debuglog.h"
#include "naming/programnaming.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <vector>

bool PictureArrived = false;

namespace {

constexpr int ProgressResetMs = 100;
// Ended releases kept for files that come later than their count said.
constexpr size_t KeptReleases = 8;
// No single file comes unless its second half is not 0xFF0F.
constexpr quint32 NoSecondImage = 0xFF0F;

const QString &partSuffix()
{
    static const QString suffix = QStringLiteral(".part");
    return suffix;
}

void releaseItem(EdsDirectoryItemRef item)
{
    if (item && sdkApi().EdsRelease)
        sdkApi().EdsRelease(item);
}

bool occupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A free final name whose download name is free too.
QString freeFinalPath(const QString &path)
{
    QString candidate = FreeTargetPath(path);
    for (int n = 1; occupied(candidate + partSuffix()); ++n) {
        const QFileInfo info(path);
        const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        candidate = FreeTargetPath(info.path() + QLatin1Char('/') + info.completeBaseName()
                                   + QStringLiteral("_p%1").arg(n) + suffix);
    }
    return candidate;
}

// One place a picture may go: the root folder, the sub-folder below it and the name.
struct Place
{
    QString savePath;
    QString subFolder;
    QString fileName;
};

} // namespace

int filesPerRelease(quint32 qualityCode)
{
    // Unknown qualities ("---" and no value) give one file.
    if (qualityCode == 0 || qualityCode == 0xFFFFFFFFu)
        return 1;
    return (qualityCode & 0xFFFFu) == NoSecondImage ? 1 : 2;
}

QString rescueFolder()
{
    return QDir::homePath() + QStringLiteral("/Tessaro-Rettung/");
}

PictureTransfer::PictureTransfer(TForm1 &form)
    : m_form(form)
    , m_progressReset(new QTimer(&form))
{
    m_progressReset->setSingleShot(true);
    m_progressReset->setInterval(ProgressResetMs);
    QObject::connect(m_progressReset, &QTimer::timeout, &form,
                     [&form] { form.ProgressBar1->setValue(0); });
}

PictureTransfer::~PictureTransfer() = default;

void PictureTransfer::setHooks(TransferHooks hooks)
{
    m_hooks = std::move(hooks);
}

PictureTransfer::ReleaseId PictureTransfer::releaseMade(const TCamerasettings &settings, int files)
{
    // A release whose wait gave up before any file came made no picture: what comes now
    // belongs to the new one.
    std::erase_if(m_releases, [](const Release &r) { return r.abandoned && r.offered == 0; });
    Release release;
    release.id = ++m_lastId;
    release.settings = settings;
    release.expected = std::max(files, 1);
    m_releases.push_back(release);
    forgetSettledReleases();
    return release.id;
}

void PictureTransfer::releaseFailed(ReleaseId id)
{
    std::erase_if(m_releases, [id](const Release &r) { return r.id == id; });
}

bool PictureTransfer::releaseEnded(ReleaseId id) const
{
    const Release *release = findRelease(id);
    return !release || release->ended >= release->expected;
}

int PictureTransfer::filesEnded(ReleaseId id) const
{
    const Release *release = findRelease(id);
    return release ? release->ended : 0;
}

void PictureTransfer::releaseAbandoned(ReleaseId id)
{
    if (Release *release = findRelease(id))
        release->abandoned = true;
}

PictureTransfer::Release *PictureTransfer::findRelease(ReleaseId id)
{
    const auto it = std::find_if(m_releases.begin(), m_releases.end(),
                                 [id](const Release &r) { return r.id == id; });
    return it == m_releases.end() ? nullptr : &*it;
}

const PictureTransfer::Release *PictureTransfer::findRelease(ReleaseId id) const
{
    return const_cast<PictureTransfer *>(this)->findRelease(id);
}

// The release a file belongs to: the one that has its group already, else the oldest that
// has no file yet (a file without a group: the oldest still waited for that is owed a file).
// A file that no release of the program made was taken at the body, with the settings shown
// now.
PictureTransfer::Release &PictureTransfer::releaseOfFile(EdsUInt32 group)
{
    const auto owns = [group](const Release &r) {
        return group != 0 ? r.group == group : r.offered < r.expected && !r.abandoned;
    };
    auto it = std::find_if(m_releases.begin(), m_releases.end(), owns);
    if (it == m_releases.end() && group != 0)
        it = std::find_if(m_releases.begin(), m_releases.end(),
                          [](const Release &r) { return r.group == 0 && r.offered == 0; });
    if (it != m_releases.end()) {
        it->group = group;
        return *it;
    }
    releaseMade(CurrentSettings(), 1);
    m_releases.back().group = group;
    return m_releases.back();
}

void PictureTransfer::forgetSettledReleases()
{
    const auto done = [](const Release &r) { return r.ended >= r.expected || r.abandoned; };
    while (m_releases.size() > KeptReleases && done(m_releases.front()))
        m_releases.pop_front();
}

void PictureTransfer::fileEnded(ReleaseId id)
{
    PictureArrived = true;
    if (Release *release = findRelease(id))
        ++release->ended;
}

bool PictureTransfer::ObjectEvent(EdsDirectoryItemRef item)
{
    EdsDirectoryItemInfo info{};
    const EdsError query = sdkApi().EdsGetDirectoryItemInfo
                               ? sdkApi().EdsGetDirectoryItemInfo(item, &info)
                               : EDS_ERR_NOT_SUPPORTED;
    Release &release = releaseOfFile(query == EDS_ERR_OK ? info.groupID : 0);
    ++release.offered;
    Pending pending{release.id, release.settings, {}, {}, {}, {}, 0};
    if (query != EDS_ERR_OK || !AppMaster) {
        releaseItem(item);
        // No download follows, so nothing else would end the wait for this picture.
        pending.error = query != EDS_ERR_OK ? query : EDS_ERR_DEVICE_NOT_FOUND;
        recordFailure(pending);
        fileEnded(pending.release);
        return false;
    }

    const QString cameraName = sdkFieldText(info.szFileName, EDS_MAX_NAME);
    const ImageTarget target = BuildImageTarget(cameraName, release.settings);
    const QString savePath = ProgramSettings().Savepath;
    // The target, then the root under the camera's own name, then the rescue folder.
    const std::vector<Place> places{{savePath, target.SubFolder, target.FileName},
                                    {savePath, QString(), cameraName},
                                    {rescueFolder(), QString(), cameraName}};
    size_t next = 0;
    std::vector<QString> finals;
    const auto nextPath = [&]() -> QString {
        // What a place that refused the file took of it is of no use.
        if (!finals.empty() && !finals.back().isEmpty())
            QFile::remove(finals.back() + partSuffix());
        while (next < places.size()) {
            const Place &place = places[next++];
            const QString folder = place.savePath + place.subFolder;
            if (!folder.isEmpty() && !QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
                DebugLine(QStringLiteral("Ordner kann nicht angelegt werden: ") + folder);
                finals.emplace_back();
                continue;
            }
            finals.push_back(freeFinalPath(folder + place.fileName));
            return finals.back() + partSuffix();
        }
        return {};
    };

    bool donePosted = false;
    QString written;
    const EdsError err = AppMaster->DownloadItem(item, nextPath, &written, &donePosted);
    const size_t used = written.isEmpty() ? 0 : finals.size() - 1;
    const Place &place = places[used];
    pending.savePath = place.savePath;
    pending.subFolder = place.subFolder;
    pending.fileName = finals.size() > used && !finals[used].isEmpty()
                           ? QFileInfo(finals[used]).fileName()
                           : target.FileName;
    pending.partPath = written;
    pending.error = err;
    if (err == EDS_ERR_OK && used != 0) {
        const QString where = place.savePath + place.subFolder + pending.fileName;
        m_form.setStatus(QStringLiteral("Ziel nicht beschreibbar, Bild gespeichert unter ") + where,
                         StatusErrorColor);
        DebugLine(QStringLiteral("Bild gespeichert unter ") + where);
    }
    // Without an end message nothing else would end the wait for this picture.
    if (!donePosted) {
        recordFailure(pending);
        fileEnded(pending.release);
        return true;
    }
    m_pending.push_back(std::move(pending));
    return true;
}

void PictureTransfer::ProgressEvent(int percent)
{
    m_form.ProgressBar1->setValue(percent);
    // A new download must not be zeroed by the last one's reset.
    if (m_form.ProgressBar1->value() == 100)
        m_progressReset->start();
    else
        m_progressReset->stop();
}

void PictureTransfer::DownloadDone()
{
    if (m_pending.empty()) {
        PictureArrived = true;
        return;
    }
    Pending done = std::move(m_pending.front());
    m_pending.pop_front();
    if (finish(done))
        record(done);
    else
        recordFailure(done);
    fileEnded(done.release);
}

// Gives a complete download its final name. A broken one keeps its part file: the camera
// holds no copy of the picture, and what arrived may still be partly recovered.
bool PictureTransfer::finish(Pending &done)
{
    if (done.error != EDS_ERR_OK)
        return false;
    const QString folder = done.savePath + done.subFolder;
    QString final = folder + done.fileName;
    if (occupied(final))
        final = FreeTargetPath(final);
    if (!QFile::rename(done.partPath, final)) {
        // Complete all the same: kept under the download's name rather than lost.
        DebugLine(QStringLiteral("Umbenennen fehlgeschlagen: ") + done.partPath);
        final = done.partPath;
    }
    done.fileName = QFileInfo(final).fileName();
    return true;
}

void PictureTransfer::failed(quint32 err, const QString &detail)
{
    const QString text = EdsErrorText(err);
    m_form.setStatus(text, StatusErrorColor);
    DebugLine(QStringLiteral("Bild nicht gespeichert: ") + detail + QStringLiteral(": ") + text);
}

void PictureTransfer::record(const Pending &done)
{
    const QString folder = done.savePath + done.subFolder;
    if (m_hooks.showReceivedPicture)
        m_hooks.showReceivedPicture(folder, done.fileName);

    TMadeImage image;
    image.Folder = folder;
    image.FileName = done.fileName;
    image.MaskPath = ExpandFileMask(done.subFolder, done.settings);
    image.Settings = done.settings;
    TMadeImage &added = MadeImages().append(std::move(image));

    if (m_hooks.readPictureExif)
        m_hooks.readPictureExif(added, folder + done.fileName);
    if (ProgramSettings().UseImageMagick && m_hooks.addPictureCommands)
        m_hooks.addPictureCommands(done.savePath, done.subFolder, done.fileName, done.settings);
    postWindowMessage(&m_form, WM_IMAGESTORED);
}

// Recorded, so that a waiting script goes on, but marked: nothing shows or processes it.
void PictureTransfer::recordFailure(const Pending &done)
{
    const QString folder = done.savePath + done.subFolder;
    failed(done.error, folder + done.fileName);
    TMadeImage image;
    image.Folder = folder;
    image.FileName = done.fileName;
    image.MaskPath = ExpandFileMask(done.subFolder, done.settings);
    image.Settings = done.settings;
    image.Failed = true;
    MadeImages().append(std::move(image));
    postWindowMessage(&m_form, WM_IMAGESTORED);
}
