#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

class ImageMagickStage;
struct TProgramSettings;

// The stage switched on with its folders below `root` ("out put/", "thumbs/", "mask/",
// "batch/"), the stamp "stamp.png" there, the font DejaVu-Sans and the thumbnail size
// `thumbnailSize`; the programs are found on PATH and no operation is on.
void useStageFolders(TProgramSettings &settings, const QString &root, const QString &thumbnailSize);

// Puts the fake convert and composite (tests/postprocess/fakemagick.sh) into `folder`, which
// is created; returns the folder.
QString installFakeMagick(const QString &folder);

// Runs the event loop until the stage reports its queue empty or `ms` have passed; true when
// the queue ran empty.
bool drainStage(ImageMagickStage &stage, int ms);

// A 10 ms timer on the creating thread that keeps its worst lateness while the event loop runs.
class Heartbeat
{
public:
    Heartbeat();
    qint64 worstLatenessMs() const { return m_worst; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};
