// The display step: what the internal display refuses, the decoding, the external viewer.
#include "fixtures.h"

#include "camera/madeimages.h"
#include "review/exifreader.h"
#include "review/jpegdecoder.h"
#include "review/pictureloader.h"
#include "review/viewerstep.h"
#include "settings/programsettings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

bool waitUntil(const std::function<bool()> &condition, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

TEST(InternalDisplay, RefusesExactlyTheSixRawAndThumbnailForms)
{
    const std::pair<const char *, bool> cases[] = {
        {"IMG_0001.CR2", true}, {"img_0001.cr2", true}, {"CRW_0001.CRW", true}, {"crw_0001.crw", true},
        {"IMG_0001.THM", true}, {"img_0001.thm", true},
        {"IMG.CR2.jpg", true}, // anywhere in the name
        {"IMG_0001.Cr2", false}, {"IMG_0001.cR2", false}, {"IMG_0001.Thm", false},
        {"IMG_0001.JPG", false}, {"IMG_0001.CR3", false}, {"", false},
    };
    for (const auto &[name, refused] : cases)
        EXPECT_EQ(refusedByInternalDisplay(QLatin1String(name)), refused) << name;
}

TEST(ImageWindow, WidthIsHeightTimesOneAndAHalfWithHalvesToTheEvenNeighbour)
{
    const std::pair<int, int> cases[] = {{300, 450}, {301, 452}, {303, 454}, {1, 2}, {3, 4},
                                         {0, 0}, {470, 705}, {471, 706}};
    for (const auto &[height, width] : cases)
        EXPECT_EQ(imageWindowWidth(height), width) << height;
}

TEST(JpegDecoding, DecodesStraightToTheControlsSizeStretched)
{
    PictureSpec spec;
    spec.width = 640;
    spec.height = 426;
    const Result<QImage> image = decodeJpegScaled(renderedJpeg(spec), QSize(577, 393));
    ASSERT_TRUE(image) << qPrintable(image.error());
    EXPECT_EQ(image->size(), QSize(577, 393));
}

TEST(JpegDecoding, NonJpegAndDamagedBytesFail)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(8, 8, QImage::Format_RGB32).save(&buffer, "PNG");
    QByteArray headerOnly = renderedJpeg().left(600) + "\xFF\xD9";
    const QByteArray cases[] = {{}, "plain text", png, renderedJpeg().chopped(100), headerOnly};
    for (const QByteArray &bytes : cases)
        EXPECT_FALSE(decodeJpegScaled(bytes, QSize(40, 30))) << bytes.size();
}

// No prefix of a picture may crash the reader or the decoder (libjpeg's own error handler
// would end the program, exiv2 throws).
TEST(DamagedPictures, EveryTruncatedPrefixPassesReaderAndDecoder)
{
    const QByteArray whole = renderedJpeg();
    ASSERT_GT(whole.size(), 1000);
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const QByteArray prefix = whole.left(length);
        const ExifReader reader(QStringLiteral("IMG.JPG"), prefix);
        (void)reader.tag(QStringLiteral("CameraSerialNumber"));
        EXPECT_FALSE(decodeJpegScaled(prefix, QSize(32, 24))) << length;
        // Cut short but closed again: libjpeg itself meets the missing data.
        (void)decodeJpegScaled(prefix + "\xFF\xD9", QSize(32, 24));
    }
}

class ExternalViewer : public ::testing::Test
{
protected:
    struct Windows : ViewerWindows
    {
        std::optional<quint64> found;
        QString askedFor;
        QList<std::pair<quint64, QRect>> placed;
        std::optional<quint64> findWindowByTitle(const QString &part) override
        {
            askedFor = part;
            return found;
        }
        void place(quint64 window, const QRect &rect) override { placed.append({window, rect}); }
    };

    void SetUp() override
    {
        ProgramSettings() = TProgramSettings();
        TProgramSettings &s = ProgramSettings();
        s.ShowAfterShoot = true;
        s.ShowExtern = true;
        s.ExternViewerPath = QStringLiteral(ARGDUMP);
        s.ExternViewerWindowTitle = QStringLiteral("Viewer");
        s.ExternViewerRect = {10, 20, 300, 200};
        hooks.windows = &windows;
        hooks.startProcess = [this](const QString &program, const QStringList &arguments) {
            started.append(QStringList{program} + arguments);
            return true;
        };
    }
    void TearDown() override { ProgramSettings() = TProgramSettings(); }

    PictureLoader loader;
    Windows windows;
    ViewerStep::Hooks hooks;
    QList<QStringList> started;
};

TEST_F(ExternalViewer, StartsOnlyWithBothFlagsAndAPath)
{
    struct Case { bool afterShoot, extern_; const char *path; bool starts; };
    const Case cases[] = {
        {true, true, ARGDUMP, true},   {false, true, ARGDUMP, false},
        {true, false, ARGDUMP, false}, {true, true, "", false},
        {true, true, "/no/such/viewer", false},
    };
    for (const Case &c : cases) {
        TProgramSettings &s = ProgramSettings();
        s.ShowAfterShoot = c.afterShoot;
        s.ShowExtern = c.extern_;
        s.ExternViewerPath = QLatin1String(c.path);
        started.clear();
        ViewerStep step(loader, hooks);
        step.ShowReceivedPicture(QStringLiteral("/pics/"), QStringLiteral("IMG0001.CR2"));
        EXPECT_EQ(started.size(), c.starts ? 1 : 0) << c.path;
        if (c.starts) {
            EXPECT_EQ(started.value(0),
                      (QStringList{QStringLiteral(ARGDUMP), QStringLiteral("/pics/IMG0001.CR2")}));
        }
    }
}

TEST_F(ExternalViewer, FoundWindowIsPlacedOnTheStoredRectangle)
{
    ViewerStep step(loader, hooks);
    step.ShowReceivedPicture(QStringLiteral("/pics/"), QStringLiteral("IMG0001.JPG"));
    EXPECT_EQ(windows.askedFor, QStringLiteral("Viewer"));
    EXPECT_TRUE(windows.placed.isEmpty());

    windows.found = 77;
    step.ShowReceivedPicture(QStringLiteral("/pics/"), QStringLiteral("IMG0002.JPG"));
    ASSERT_EQ(windows.placed.size(), 1);
    EXPECT_EQ(windows.placed.front(), (std::pair<quint64, QRect>{77, QRect(10, 20, 300, 200)}));
}

// No shell stands between: the path reaches the viewer as one argument, whatever it holds.
TEST_F(ExternalViewer, PathReachesTheViewerAsOneArgumentAlsoFoundOnPath)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a b\"c$(touch x);'d'")) + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = dir.filePath(QStringLiteral("args.txt"));
    qputenv("TESSARO_ARGDUMP", QFile::encodeName(out));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(QFileInfo(QStringLiteral(ARGDUMP)).path()) + ":" + path);
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());

    ProgramSettings().ExternViewerPath = QFileInfo(QStringLiteral(ARGDUMP)).fileName();
    hooks.startProcess = detachedStarter();
    ViewerStep step(loader, hooks);
    step.ShowReceivedPicture(folder, QStringLiteral("IMG 0001.JPG"));

    EXPECT_TRUE(waitUntil([&] { return QFileInfo(out).size() > 0; }));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), folder + QStringLiteral("IMG 0001.JPG\n"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("x"))));
    QDir::setCurrent(oldCwd);
    qputenv("PATH", path);
}

TEST(InternalDisplayStep, ReadsTheControlsRefusesRawAndDecodesTheRest)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("IMG0001.JPG")), renderedJpeg());
    writeFile(dir.filePath(QStringLiteral("IMG0001.Cr2")), "not a picture");
    PictureLoader loader;
    QStringList shown, failed, errors;
    QObject::connect(&loader, &PictureLoader::decoded, [&](const QString &path, const QImage &image) {
        shown << QFileInfo(path).fileName();
        EXPECT_EQ(image.size(), QSize(60, 40));
    });
    QObject::connect(&loader, &PictureLoader::failed,
                     [&](const QString &path, const QString &) { failed << QFileInfo(path).fileName(); });
    bool wanted = false;
    ViewerStep::Hooks hooks;
    hooks.internalDisplayWanted = [&] { return wanted; };
    hooks.displaySize = [] { return QSize(60, 40); };
    hooks.showError = [&](const QString &text) { errors << text; };
    ViewerStep step(loader, hooks);
    const QString folder = dir.path() + QLatin1Char('/');

    step.ShowReceivedPicture(folder, QStringLiteral("IMG0001.JPG"));
    EXPECT_TRUE(loader.idle());
    wanted = true;
    step.ShowReceivedPicture(folder, QStringLiteral("IMG0001.CR2"));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Zur Zeit wird in der direktanzeige nur JPG unterstützt.")});
    // Mixed case is not refused: it goes to the decoder, which cannot read it.
    step.ShowReceivedPicture(folder, QStringLiteral("IMG0001.Cr2"));
    ASSERT_TRUE(waitUntil([&] { return loader.idle(); }));
    step.ShowReceivedPicture(folder, QStringLiteral("IMG0001.JPG"));
    ASSERT_TRUE(waitUntil([&] { return loader.idle(); }));
    EXPECT_EQ(shown, QStringList{QStringLiteral("IMG0001.JPG")});
    EXPECT_EQ(failed, QStringList{QStringLiteral("IMG0001.Cr2")});
    EXPECT_EQ(errors.size(), 1);
}

TEST(PictureLoader, TheNewestPictureWinsAndTheFileIsReadAtOnce)
{
    QTemporaryDir dir;
    const QByteArray jpeg = renderedJpeg();
    QStringList shown;
    PictureLoader loader;
    QObject::connect(&loader, &PictureLoader::decoded,
                     [&](const QString &path, const QImage &) { shown << QFileInfo(path).fileName(); });
    for (const char *name : {"1.jpg", "2.jpg", "3.jpg"})
        loader.loadFile(writeFile(dir.filePath(QLatin1String(name)), jpeg), QSize(32, 24));
    // Rewritten after the request: the bytes read then are shown.
    writeFile(dir.filePath(QStringLiteral("3.jpg")), "rewritten");
    ASSERT_TRUE(waitUntil([&] { return loader.idle(); }));
    // The first was under way; the second was overtaken before it began.
    EXPECT_EQ(shown, (QStringList{QStringLiteral("1.jpg"), QStringLiteral("3.jpg")}));

    // A cancel drops what is under way.
    loader.loadFile(dir.filePath(QStringLiteral("1.jpg")), QSize(32, 24));
    loader.cancel();
    ASSERT_TRUE(waitUntil([&] { return loader.idle(); }));
    EXPECT_EQ(shown.size(), 2);
}

} // namespace
