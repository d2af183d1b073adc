#pragma once

#include "edsdk.h"

#include <QString>

#include <deque>
#include <functional>

class QTimer;
class TForm1;
struct TMadeImage;

// Set when a picture's transfer has ended (stored, or failed with a status message);
// the wait of a release ends on it.
extern bool PictureArrived;

// What later stages do with each received picture. An unset step does nothing.
struct TTransferHooks
{
    // The viewer: shows the picture or starts the external viewer.
    std::function<void(const QString &folder, const QString &fileName)> showReceivedPicture;
    // Fills the new entry's EXIF values from the stored file.
    std::function<void(TMadeImage &image, const QString &path)> readPictureExif;
    // Queues the post-processing of the picture; called only while UseImageMagick is on.
    std::function<void(const QString &savePath, const QString &subFolder, const QString &fileName)>
        addPictureCommands;
};

// Names, downloads and records the pictures the camera offers. The dispatcher calls the
// three handlers with the transfer messages, on the main thread, in posting order.
class TPictureTransfer
{
public:
    explicit TPictureTransfer(TForm1 &form);
    ~TPictureTransfer();
    TPictureTransfer(const TPictureTransfer &) = delete;
    TPictureTransfer &operator=(const TPictureTransfer &) = delete;

    void setHooks(TTransferHooks hooks);

    // The camera offers a picture (the item is ours to release). False when its
    // information could not be read: nothing is downloaded.
    bool ObjectEvent(EdsDirectoryItemRef item);
    void ProgressEvent(int percent);
    // The download of the last offered picture has ended.
    void DownloadDone();

private:
    // A download whose end message is still to come. Each download posts exactly one, in
    // the order of the downloads, while the camera may already offer its next file.
    struct Pending
    {
        QString savePath;
        QString subFolder;
        QString fileName;
        bool failed = false;
    };

    void failed(quint32 err);
    void record(const Pending &done);

    TForm1 &m_form;
    TTransferHooks m_hooks;
    QTimer *m_progressReset = nullptr;
    std::deque<Pending> m_pending;
};
