#include "camera/camerasettings.h"
#include "naming/filemask.h"
#include "naming/imagetarget.h"
#include "naming/programnaming.h"
#include "platform/clock.h"
#include "settings/programsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ImageTargetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setAppClock(&clock);
        settings.Av.Name = QStringLiteral("5.6");
        settings.Tv.Name = QStringLiteral("1/125");
    }
    void TearDown() override { setAppClock(nullptr); }

    ImageTarget build(const QString &mask, const QString &cameraFile)
    {
        values.Filemask = mask;
        return BuildImageTarget(cameraFile, settings, values);
    }

    ManualClock clock{QDateTime(QDate(2026, 5, 7), QTime(9, 4, 3))};
    TCamerasettings settings;
    NamingValues values;
};

TEST_F(ImageTargetTest, NumberAndFormatComeFromTheCameraFileName)
{
    struct Case
    {
        const char *camera, *number, *format;
    } const cases[] = {
        {"IMG_2022.JPG", "2022", "JPG"},
        {"CRW0042.CRW", "CRW0042", "CRW"},  // no "_": the whole base name
        {"A_B_0007.CR2", "0007", "CR2"},    // only the part after the last "_"
        {"IMG_0001", "0001", ""},           // no extension at all
        {"IMG_12.JPG.JPG", "12", "JPG"},    // every occurrence of the extension goes
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.camera);
        build(QStringLiteral("IMG#IMGNR"), QString::fromLatin1(c.camera));
        EXPECT_EQ(values.ImageNumber, QLatin1String(c.number));
        EXPECT_EQ(values.ImageFormat, QLatin1String(c.format));
    }
}

TEST_F(ImageTargetTest, SplitsAtTheLastBackslash)
{
    struct Case
    {
        const char *name;
        QString mask, camera, subFolder, fileName;
    } const cases[] = {
        {"default mask", "IMG#IMGNR", "IMG_2022.JPG", "", "IMG2022.JPG"},
        {"date folder", "#YEAR-#MONTH\\Shoot#IMGNR", "IMG_0815.JPG", "2026-05/", "Shoot0815.JPG"},
        {"two folders", "#YEAR\\#MONTH\\#IMGNR", "IMG_0815.CR2", "2026/05/", "0815.CR2"},
        {"ends with backslash", "#YEAR\\", "IMG_0815.JPG", "2026/", ".JPG"},
        {"empty mask", "", "IMG_0815.JPG", "", ".JPG"},
        {"no extension", "IMG#IMGNR", "IMG_0001", "", "IMG0001"},
        {"format token", "#FORMAT\\#IMGNR", "IMG_0815.CR2", "CR2/", "0815.CR2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ImageTarget target = build(c.mask, c.camera);
        EXPECT_EQ(target.SubFolder, c.subFolder);
        EXPECT_EQ(target.FileName, c.fileName);
    }
}

TEST_F(ImageTargetTest, NeverLeavesTheRootFolder)
{
    struct Case
    {
        const char *name;
        QString mask, project, subFolder, fileName;
    } const cases[] = {
        {"parent folder from project", "#PROJECT\\#IMGNR", "..", "__/", "1.JPG"},
        {"parent inside project", "#PROJECT\\#IMGNR", "a\\..\\..\\b", "a/__/__/b/", "1.JPG"},
        {"absolute project", "#PROJECT\\#IMGNR", "\\etc", "etc/", "1.JPG"},
        {"slash is no separator", "#PROJECT\\#IMGNR", "/etc/x", "_etc_x/", "1.JPG"},
        {"slash in a camera text", "#TV_#IMGNR", "", "", "1_125_1.JPG"},
        {"current folder dropped", ".\\\\x\\#IMGNR", "", "x/", "1.JPG"},
        {"dots as file name stay a file", "#PROJECT", "..", "", "...JPG"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        values.Projektname = c.project;
        const ImageTarget target = build(c.mask, QStringLiteral("IMG_1.JPG"));
        EXPECT_EQ(target.SubFolder, c.subFolder);
        EXPECT_EQ(target.FileName, c.fileName);
        const QString path = QDir::cleanPath(QStringLiteral("/root/") + target.SubFolder + target.FileName);
        EXPECT_TRUE(path.startsWith(QLatin1String("/root/"))) << path.toStdString();
    }
}

TEST_F(ImageTargetTest, CharactersRemovableDrivesRefuseBecomeUnderscores)
{
    struct Case
    {
        const char *name;
        QString mask, project, tv, subFolder, fileName;
    } const cases[] = {
        {"colon of the mask dialog", "#HOUR:#MINUTE\\#IMGNR", "", "", "09_04/", "1.JPG"},
        {"seconds of a Tv value", "#TV\\#IMGNR", "", "30\"", "30_/", "1.JPG"},
        {"asterisk", "#PROJECT#IMGNR", "a*b", "", "", "a_b1.JPG"},
        {"question mark", "#PROJECT#IMGNR", "a?b", "", "", "a_b1.JPG"},
        {"angle brackets", "#PROJECT#IMGNR", "<a>", "", "", "_a_1.JPG"},
        {"bar", "#PROJECT\\#IMGNR", "a|b", "", "a_b/", "1.JPG"},
        {"quote in the mask", "\"#IMGNR\"", "", "", "", "_1_.JPG"},
        {"control characters", "#PROJECT#IMGNR", "a\tb\x01" "c\x7f", "", "", "a_b_c_1.JPG"},
        {"non-breaking space stays", "#PROJECT#IMGNR", "a b", "", "", "a\u00a0b1.JPG"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        values.Projektname = c.project;
        if (!c.tv.isEmpty())
            settings.Tv.Name = c.tv;
        const ImageTarget target = build(c.mask, QStringLiteral("IMG_1.JPG"));
        EXPECT_EQ(target.SubFolder, c.subFolder);
        EXPECT_EQ(target.FileName, c.fileName);
    }
}

TEST_F(ImageTargetTest, WorkingSettingsKeepThisPicturesNumberAndFormat)
{
    const TProgramSettings saved = ProgramSettings();
    TProgramSettings &program = ProgramSettings();
    program.Filemask = QStringLiteral("#PROJECT\\#PREFIX#IMGNR");
    program.Projektname = QStringLiteral("P");
    program.Prefix = QStringLiteral("x");
    const ImageTarget target = BuildImageTarget(QStringLiteral("IMG_0815.CR2"), settings);
    EXPECT_EQ(target.SubFolder, QStringLiteral("P/"));
    EXPECT_EQ(target.FileName, QStringLiteral("x0815.CR2"));
    EXPECT_EQ(program.ImageNumber, QStringLiteral("0815"));
    EXPECT_EQ(program.ImageFormat, QStringLiteral("CR2"));
    EXPECT_EQ(ExpandFileMask(QStringLiteral("#FORMAT#AV"), settings), QStringLiteral("CR25.6"));
    EXPECT_EQ(ExpandDateMask(QStringLiteral("#IMGNR#FORMAT")), QStringLiteral("0815#FORMAT"));
    ProgramSettings() = saved;
}

TEST(FreeTargetPath, AddsACounterBeforeTheExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto touch = [&](const QString &name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    EXPECT_EQ(FreeTargetPath(dir.filePath("IMG0815.JPG")), dir.filePath("IMG0815.JPG"));

    touch(QStringLiteral("IMG0815.JPG"));
    touch(QStringLiteral("IMG0815_1.JPG"));
    EXPECT_EQ(FreeTargetPath(dir.filePath("IMG0815.JPG")), dir.filePath("IMG0815_2.JPG"));

    touch(QStringLiteral(".JPG"));  // what an empty mask gives
    EXPECT_EQ(FreeTargetPath(dir.filePath(".JPG")), dir.filePath("_1.JPG"));

    QDir(dir.path()).mkdir(QStringLiteral("a.b"));
    touch(QStringLiteral("a.b/IMG"));
    EXPECT_EQ(FreeTargetPath(dir.filePath("a.b/IMG")), dir.filePath("a.b/IMG_1"));

    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("link.JPG")));
    EXPECT_EQ(FreeTargetPath(dir.filePath("link.JPG")), dir.filePath("link_1.JPG"));
}

} // namespace
