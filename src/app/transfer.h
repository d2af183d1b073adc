#pragma once

#include "camera/camerasettings.h"
#include "edsdk.h"

#include <QString>

#include <deque>
#include <functional>

class QTimer;
class TForm1;
struct TMadeImage;

// Set when a picture's transfer has ended (stored, or failed with a status message).
extern bool PictureArrived;

// What later stages do with each received picture. An unset step does nothing.
struct TransferHooks
{
    // The viewer: shows the picture or starts the external viewer.
    std::function<void(const QString &folder, const QString &fileName)> showReceivedPicture;
    // Fills the new entry's EXIF values from the stored file.
    std::function<void(TMadeImage &image, const QString &path)> readPictureExif;
    // Queues the post-processing of the picture, taken with `settings`; called only while
    // UseImageMagick is on.
    std::function<void(const QString &savePath, const QString &subFolder, const QString &fileName,
                       const TCamerasettings &settings)>
        addPictureCommands;
};

// How many files a release gives with this image-quality code: two for RAW plus JPEG.
int filesPerRelease(quint32 qualityCode);

// Where a picture goes when neither its target nor the root folder takes it.
QString rescueFolder();

// Names, downloads and records the pictures the camera offers. The dispatcher calls the
// three handlers with the transfer messages, on the main thread, in posting order.
//
// Each release the program makes is announced first; the files the camera then offers are
// matched to it (by the camera's group of the files, else in order), named and recorded
// with the settings in force when it was made.
class PictureTransfer
{
public:
    using ReleaseId = quint64;

    explicit PictureTransfer(TForm1 &form);
    ~PictureTransfer();
    PictureTransfer(const PictureTransfer &) = delete;
    PictureTransfer &operator=(const PictureTransfer &) = delete;

    void setHooks(TransferHooks hooks);

    // A release is made with these settings and will give this many files.
    ReleaseId releaseMade(const TCamerasettings &settings, int files);
    // The release made no picture after all (its command failed).
    void releaseFailed(ReleaseId id);
    // Every file of the release has been recorded or has failed.
    bool releaseEnded(ReleaseId id) const;
    // Files of the release that have ended so far; a wait restarts its limit on each.
    int filesEnded(ReleaseId id) const;
    // Its wait gave up. A file of it that comes before the next release still belongs to it.
    void releaseAbandoned(ReleaseId id);

    // The camera offers a picture (the item is ours to release). False when its
    // information could not be read: nothing is downloaded.
    bool ObjectEvent(EdsDirectoryItemRef item);
    void ProgressEvent(int percent);
    // The download of the oldest offered picture has ended.
    void DownloadDone();

private:
    struct Release
    {
        ReleaseId id = 0;
        TCamerasettings settings;
        int expected = 1;
        int offered = 0;
        int ended = 0;
        EdsUInt32 group = 0; // the camera's group of its files, 0 until the first comes
        bool abandoned = false;
    };
    // A download whose end message is still to come. Each download posts exactly one, in
    // the order of the downloads, while the camera may already offer its next file.
    struct Pending
    {
        ReleaseId release = 0;
        TCamerasettings settings;
        QString savePath;
        QString subFolder;
        QString fileName;
        QString partPath; // where the download went; renamed to the final name when complete
        quint32 error = 0;
    };

    Release *findRelease(ReleaseId id);
    const Release *findRelease(ReleaseId id) const;
    Release &releaseOfFile(EdsUInt32 group);
    void forgetSettledReleases();
    void fileEnded(ReleaseId id);
    void failed(quint32 err, const QString &detail);
    bool finish(Pending &done);
    void record(const Pending &done);
    void recordFailure(const Pending &done);

    TForm1 &m_form;
    TransferHooks m_hooks;
    QTimer *m_progressReset = nullptr;
    std::deque<Pending> m_pending;
    std::deque<Release> m_releases;
    ReleaseId m_lastId = 0;
};
