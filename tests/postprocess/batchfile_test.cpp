#include "postprocess/batchfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QChar nb(160);

MagickValues valuesIn(const QString &root)
{
    MagickValues v;
    v.imageMagickPath = root + "/bin";
    v.outputPath = root + "/out put";
    v.thumbnailPath = root + "/thumbs";
    v.textmaskPath = root + "/mask";
    v.textmaskFileName = QStringLiteral("textmask.gif");
    v.stampPath = root + "/stamp.png";
    v.copyrightGravity = QStringLiteral("Southeast");
    v.textmaskGravity = QStringLiteral("North");
    v.thumbnailSize = QStringLiteral("100x100");
    v.thumbnailPrefix = QStringLiteral("Thumb");
    v.font = QStringLiteral("DejaVu-Sans");
    v.pointSize = QStringLiteral("8");
    v.textOn = v.copyrightOn = true;
    return v;
}

const QList<MagickOperation> allOperations = {MagickOperation::TextmaskCreate, MagickOperation::TextmaskOverlay,
                                              MagickOperation::Copyright, MagickOperation::Thumbnail};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs sh with the arguments and gives its exit code.
int runSh(const QStringList &arguments)
{
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), arguments);
    sh.waitForFinished(10000);
    return sh.exitStatus() == QProcess::NormalExit ? sh.exitCode() : -1;
}

TEST(BatchFile, SignedOffsets)
{
    EXPECT_EQ(FormatSignedOffset(12), QStringLiteral("+12"));
    EXPECT_EQ(FormatSignedOffset(-3), QStringLiteral("-3"));
    EXPECT_EQ(FormatSignedOffset(0), QStringLiteral("0"));
}

TEST(BatchFile, WindowsFormIsCodePageWithCrLf)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("new/batch.bat"));
    const BuildImageMagickLine build(valuesIn(QStringLiteral("C:")));
    const MagickPicture picture{QStringLiteral("C:/pics/"), QStringLiteral("2026-05/"), QStringLiteral("IMG0815.JPG"),
                                QStringLiteral("L") + nb + "Fein"};
    BatchFile batch(BatchForm::Windows);
    ASSERT_TRUE(batch.open(name).ok());   // creates the missing folder
    ASSERT_TRUE(batch.writeHeader(build, {QStringLiteral("C:/b/"), QStringLiteral("batch.bat"), {}, 0, 0, 12, -3}).ok());
    ASSERT_TRUE(batch.writeOperation(build, MagickOperation::TextmaskCreate, picture).ok());
    batch.close();

    const QByteArray bytes = readAll(name);
    const QList<QByteArray> lines = bytes.split('\n');
    EXPECT_EQ(lines.first(), QByteArray("@ECHO ON\r"));
    EXPECT_TRUE(lines.contains("SET  TEXTMASKPOSX=+12\r"));
    EXPECT_TRUE(lines.contains("SET  TEXTMASKPOSY=-3\r"));
    EXPECT_TRUE(lines.contains("mkdir %TEXTMASKFILEPATH%\r"));
    EXPECT_TRUE(lines.contains("Rem Befehle ausf\xFChren\r"));
    EXPECT_TRUE(lines.contains("mkdir  \"C:/mask/2026-05/\" \r"));
    EXPECT_TRUE(bytes.contains(" label:L\xFF" "Fein %TEXTMASKFILEPATH%%TEXTMASKFILENAME%\r\n"));
    EXPECT_EQ(bytes.count("SET  TEXTMASKFONTSIZE=8\r\n"), 2);
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));
}

// The Windows form of one burst, byte for byte: header, then makedir and command per operation.
TEST(BatchFile, WindowsFormEqualsTheGoldenFile)
{
    MagickValues v;
    v.imageMagickPath = QStringLiteral("C:\\Programme\\ImageMagick\\");
    v.outputPath = QStringLiteral("D:\\Bilder\\Output\\");
    v.thumbnailPath = QStringLiteral("D:\\Bilder\\Thumbnails\\");
    v.textmaskPath = QStringLiteral("D:\\Bilder\\Textmask\\");
    v.textmaskFileName = QStringLiteral("textmask.gif");
    v.stampPath = QStringLiteral("D:\\Stempel\\copyright.png");
    v.copyrightGravity = QStringLiteral("Southeast");
    v.textmaskGravity = QStringLiteral("North");
    v.thumbnailSize = QStringLiteral("200x200");
    v.thumbnailSizeX = 150;
    v.thumbnailSizeY = 150;
    v.thumbnailPrefix = QStringLiteral("Thumb");
    v.fontColor = QStringLiteral("RGB(255,0,0)");
    v.font = QStringLiteral("Arial");
    v.pointSize = QStringLiteral("24");
    v.textOn = v.copyrightOn = true;
    const BuildImageMagickLine build(v);
    const MagickPicture picture{QStringLiteral("D:\\Bilder\\"), QStringLiteral("2026-05\\"),
                                QStringLiteral("IMG0815.JPG"), QStringLiteral("Studio") + nb + "Nord" + nb + "0815"};

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("batch.bat"));
    BatchFile batch(BatchForm::Windows);
    ASSERT_TRUE(batch.open(name).ok());
    ASSERT_TRUE(batch.writeHeader(build, {QStringLiteral("D:\\Batch\\"), QStringLiteral("batch.bat"),
                                          QStringLiteral("Studio Nord #IMGNR"), 5, -7, 12, -3}).ok());
    for (MagickOperation op : allOperations)
        ASSERT_TRUE(batch.writeOperation(build, op, picture).ok());
    batch.close();

    EXPECT_EQ(readAll(name), readAll(QStringLiteral(TESTDATA "/batch-windows.bat")));
}

// The sh form is checked by sh itself, then run against a fake convert that records how its
// arguments arrive.
TEST(BatchFile, ShFormRunsWithArgumentsIntact)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/root 'x'";
    QDir().mkpath(root + "/bin");
    for (const char *program : {"convert", "composite"}) {
        QFile fake(root + "/bin/" + program);
        ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done >> \"$(dirname \"$0\")/args.log\"\n"
                   "echo >> \"$(dirname \"$0\")/args.log\"\n");
        fake.close();
        fake.setPermissions(fake.permissions() | QFile::ExeOwner);
    }
    const BuildImageMagickLine build(valuesIn(root));
    const QString label = QStringLiteral("JPEG") + nb + "Large" + nb + "Fine 3\"2 $HOME `x`";
    const MagickPicture picture{root + "/pics/", QStringLiteral("2026-05/"), QStringLiteral("IMG 0815.JPG"), label};
    const QString name = root + "/batch.sh";

    BatchFile batch(BatchForm::Sh);
    ASSERT_TRUE(batch.open(name).ok());
    ASSERT_TRUE(batch.writeHeader(build, {root, QStringLiteral("batch.sh"), QStringLiteral("#IMGNR"), 0, 0, 0, 0}).ok());
    for (MagickOperation op : allOperations)
        ASSERT_TRUE(batch.writeOperation(build, op, picture).ok());
    batch.close();

    EXPECT_TRUE(QFile::permissions(name) & QFile::ExeOther);
    EXPECT_TRUE(readAll(name).startsWith("#!/bin/sh\nset -x\n# Umgebungsvariablen setzen\n"));
    EXPECT_FALSE(readAll(name).contains('\r'));
    ASSERT_EQ(runSh({QStringLiteral("-n"), name}), 0);
    ASSERT_EQ(runSh({name}), 0);

    const QString out = root + "/out put/2026-05/IMG 0815.JPG";
    const QStringList expected = {
        "[-background][transparent][-font][DejaVu-Sans][-pointsize][8][label:" + label + "][" + root + "/mask/textmask.gif]",
        "[-gravity][North][" + root + "/mask/textmask.gif][" + root + "/pics/2026-05/IMG 0815.JPG][" + out + "]",
        "[-gravity][Southeast][" + root + "/stamp.png][" + out + "][" + out + "]",
        "[-define][jpeg:size=200x200][" + out + "][-resize][100x100][" + root + "/thumbs/2026-05/ThumbIMG 0815.JPG]",
    };
    EXPECT_EQ(QString::fromUtf8(readAll(root + "/bin/args.log")).split('\n', Qt::SkipEmptyParts), expected);
    EXPECT_TRUE(QDir(root + "/thumbs/2026-05").exists());
}

TEST(BatchFile, FailuresAreReturned)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    BatchFile batch(BatchForm::Sh);
    EXPECT_FALSE(batch.open(dir.filePath(QStringLiteral("file/batch.sh"))).ok());
    EXPECT_FALSE(batch.isOpen());
    EXPECT_FALSE(batch.writeLine(QStringLiteral("x")).ok());

    // A refused operation writes nothing.
    ASSERT_TRUE(batch.open(dir.filePath(QStringLiteral("batch.sh"))).ok());
    MagickValues v = valuesIn(dir.path());
    v.textmaskFileName.clear();
    EXPECT_FALSE(batch.writeOperation(BuildImageMagickLine(v), MagickOperation::TextmaskCreate,
                                      {dir.path() + "/", {}, QStringLiteral("A.JPG"), QStringLiteral("x")}).ok());
    batch.close();
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("batch.sh"))).isEmpty());
}

} // namespace
