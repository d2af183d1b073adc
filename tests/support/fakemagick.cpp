#include "fakemagick.h"

#include "postprocess/imagemagickstage.h"
#include "settings/programsettings.h"

#include <algorithm>

#include <QDir>
#include <QEventLoop>
#include <QFile>

QString installFakeMagick(const QString &folder)
{
    QDir().mkpath(folder);
    const QString script = QStringLiteral(TESSARO_SOURCE_DIR "/tests/postprocess/fakemagick.sh");
    for (const char *name : {"convert", "composite"}) {
        const QString target = QDir(folder).filePath(QLatin1String(name));
        QFile::remove(target);
        QFile::copy(script, target);
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
    }
    return folder;
}

void useStageFolders(TProgramSettings &s, const QString &root, const QString &thumbnailSize)
{
    s.UseImageMagick = true;
    s.ImageMagickPath.clear();
    s.ImageMagickOutputpath = root + "out put/";
    s.ImageMagickthumbnailpath = root + "thumbs/";
    s.Imagemagicktextmaskpath = root + "mask/";
    s.ImageMagickcopyrightimagepath = root + "stamp.png";
    s.ImageMagickBatchPath = root + "batch/";
    s.imageMagickthumbnailsize = thumbnailSize;
    s.Imagemagicktextmaskfontstr = QStringLiteral("DejaVu-Sans");
}

bool drainStage(ImageMagickStage &stage, int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, [&loop] { loop.exit(1); });
    QObject::connect(&stage, &ImageMagickStage::idle, &loop, [&loop] { loop.exit(0); });
    return loop.exec() == 0;
}

Heartbeat::Heartbeat()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const qint64 now = m_clock.elapsed();
        m_worst = std::max(m_worst, now - m_last - 10);
        m_last = now;
    });
    m_clock.start();
    m_timer.start();
}
