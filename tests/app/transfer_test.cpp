#include "shootingtest.h"

#include "app/transfer.h"
#include "camera/edserrors.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

// A whole JPEG: it ends with the end-of-image marker.
bool completeJpeg(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9");
}

// A target that cannot take the picture, and where the picture must go instead.
struct RefusedTarget
{
    const char *name;
    const char *config;
    const char *savePath; // below the test folder; "file/" lies under a plain file
    const char *mask;
    const char *expected; // below the test folder; "home/" is the user's home
};

void PrintTo(const RefusedTarget &c, std::ostream *os)
{
    *os << c.name;
}

class RefusedTargets : public ShootingTest, public ::testing::WithParamInterface<RefusedTarget>
{
protected:
    const char *bodyConfig() const override { return GetParam().config; }
    void SetUp() override
    {
        m_home = qgetenv("HOME");
        ShootingTest::SetUp();
        qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    }
    void TearDown() override
    {
        qputenv("HOME", m_home);
        ShootingTest::TearDown();
    }

private:
    QByteArray m_home;
};

TEST_P(RefusedTargets, PictureIsStillStoredAndTheStatusSaysWhere)
{
    const RefusedTarget &c = GetParam();
    QFile plain(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ProgramSettings().Savepath = dir.path() + QLatin1Char('/') + QString::fromLatin1(c.savePath);
    ProgramSettings().Filemask = QString::fromLatin1(c.mask);

    release();

    ASSERT_EQ(ImageCount(), 1);
    const TMadeImage &image = *MadeImages().find(0);
    const QString expected = dir.path() + QLatin1Char('/') + QString::fromLatin1(c.expected);
    EXPECT_FALSE(image.Failed);
    EXPECT_EQ(image.Folder + image.FileName, expected);
    EXPECT_TRUE(completeJpeg(expected));
    EXPECT_TRUE(form->statusText().endsWith(expected)) << form->statusText().toStdString();
    EXPECT_EQ(form->statusColor(), StatusErrorColor);
    // Nothing half-written is left behind at the places that refused it.
    QStringList parts;
    QDirIterator files(dir.path(), {QStringLiteral("*.part")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        parts << files.next();
    EXPECT_TRUE(parts.isEmpty()) << parts.join(QLatin1Char(' ')).toStdString();
}

const QByteArray LongMask(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Transfer, RefusedTargets,
    ::testing::Values(
        // The root folder itself cannot be made: the rescue folder in the home takes it.
        RefusedTarget{"FolderCannotBeMade", "camera=1;modedial=3", "file/pictures/", "IMG#IMGNR",
                      "home/Tessaro-Rettung/IMG_0001.JPG"},
        // The name is longer than the file system allows: the root under the camera's name.
        RefusedTarget{"NameTooLong", "camera=1;modedial=3", "", LongMask.constData(), "IMG_0001.JPG"},
        // The disk fills up halfway: the partial file goes, the root under the camera's name.
        RefusedTarget{"DiskFull", "camera=1;modedial=3;failwrite=1", "", "sub\\IMG#IMGNR", "IMG_0001.JPG"}),
    [](const ::testing::TestParamInfo<RefusedTarget> &info) { return std::string(info.param.name); });

class FailingDownload : public Bracketing
{
protected:
    const char *bodyConfig() const override { return "camera=1;modedial=3;faildownload=1"; }
};

TEST_F(FailingDownload, ItsErrorStaysInTheStatusBarThroughTheRestOfTheSeries)
{
    ProgramSettings().Einzelaufnahme = false;
    ProgramSettings().Belichtungsreihe = true;

    release();

    ASSERT_EQ(ImageCount(), 3);
    EXPECT_TRUE(MadeImages().find(0)->Failed);
    EXPECT_FALSE(MadeImages().find(1)->Failed);
    // The next steps wrote their values with success; the failure is what the user must see.
    EXPECT_EQ(form->statusText(), EdsErrorText(EDS_ERR_COMM_USB_BUS_ERR));
    // A failure is announced like a picture, so that nothing waits for it in vain.
    EXPECT_TRUE(waitUntil([&] { return storedMessages.count == 3; }));
    // Once the release is over, the status bar is the user's again.
    form->ApplyProperty(1029, cachedValue(1029));
    EXPECT_EQ(form->statusText(), QStringLiteral(" Set Value "));
}

TEST(FilesPerRelease, FollowsTheSecondHalfOfTheQualityCode)
{
    for (const auto &[code, files] : {std::pair{0x0013FF0Fu, 1}, std::pair{0x0064FF0Fu, 1},
                                      std::pair{0x00640013u, 2}, std::pair{0x01640112u, 2},
                                      std::pair{0xFFFFFFFFu, 1}, std::pair{0u, 1}})
        EXPECT_EQ(filesPerRelease(code), files) << std::hex << code;
}

} // namespace
