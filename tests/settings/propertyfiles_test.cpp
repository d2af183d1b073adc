#include "settings/propertyfiles.h"

#include "camera/camerasettings.h"
#include "camera/proptables.h"
#include "platform/scripteddialogs.h"
#include "settings/textfile.h"

#include "messagerecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString FormatError =
    QStringLiteral("Fehler in Konfigurationsdatei Einstellungen konnten nicht geladen werden .");

QStringList blockLines(int block, const QStringList &names)
{
    QStringList lines{QString::fromLatin1(cameraProperties()[block].fileHeader.data()),
                      QStringLiteral("Begin")};
    for (int i = 0; i < names.size(); ++i)
        lines << QStringLiteral("Name=") + names[i]
              << QStringLiteral("ID=%1").arg(block * 100 + i) << QStringLiteral("Enabled=True");
    lines << QStringLiteral("End");
    return lines;
}

// Ten blocks of two entries each: "new<block>a" and "new<block>b" with codes block*100 + i.
QStringList goodFile()
{
    QStringList lines;
    for (int block = 0; block < CameraPropertyCount; ++block)
        lines << blockLines(block, {QStringLiteral("new%1a").arg(block),
                                    QStringLiteral("new%1b").arg(block)});
    return lines;
}

// Index of the n-th line (from 0) that equals `text`.
qsizetype nthLine(const QStringList &lines, const QString &text, int n)
{
    qsizetype at = -1;
    for (int i = 0; i <= n; ++i)
        at = lines.indexOf(text, at + 1);
    return at;
}

class PropertyFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        setAppDialogs(&dialogs);
        resetPropertyTables();
        for (int block = 0; block < CameraPropertyCount; ++block)
            MasterTable(CameraProperty(block)).push_back(
                TPropList{QStringLiteral("old%1").arg(block), 7, false});
    }
    void TearDown() override
    {
        setAppDialogs(nullptr);
        resetPropertyTables();
    }

    QString path(const QString &name = QStringLiteral("test.cpf")) const { return dir.filePath(name); }
    void write(const QStringList &lines) { ASSERT_TRUE(textfile::writeLines(path(), lines).ok()); }
    static QString names(CameraProperty property)
    {
        QStringList list;
        for (const TPropList &entry : MasterTable(property))
            list << entry.Name;
        return list.join(QLatin1Char(','));
    }
    QStringList messages() const
    {
        QStringList texts;
        for (const DialogCall &call : dialogs.calls()) {
            EXPECT_EQ(call.caption, QStringLiteral("Fehler"));
            texts << call.text;
        }
        return texts;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
};

TEST_F(PropertyFileTest, SavedTablesLoadBackEnabledWithTheSameEntries)
{
    MasterTable(CameraProperty::Tv) = {{QStringLiteral("Bulb"), 12, false},
                                       {QStringLiteral("1/8000"), 4294967295u, true},
                                       {QStringLiteral("a=b"), 0, false}};
    ASSERT_TRUE(saveproperties(path()));

    const textfile::Lines saved = textfile::readLines(path());
    EXPECT_EQ(saved.lines.first(), QStringLiteral("[AEMODEPROP]"));
    EXPECT_EQ(saved.lines.last(), QStringLiteral("End"));
    EXPECT_TRUE(saved.lines.contains(QStringLiteral("ID=4294967295")));
    EXPECT_FALSE(saved.lines.contains(QStringLiteral("Enabled=False")));

    std::array<PropTable, CameraPropertyCount> before;
    for (int i = 0; i < CameraPropertyCount; ++i)
        before[i] = MasterTable(CameraProperty(i));
    resetPropertyTables();
    ASSERT_TRUE(loadproperties(path()));
    EXPECT_TRUE(dialogs.calls().isEmpty());
    for (int i = 0; i < CameraPropertyCount; ++i) {
        const PropTable &loaded = MasterTable(CameraProperty(i));
        ASSERT_EQ(loaded.size(), before[i].size()) << i;
        for (std::size_t e = 0; e < loaded.size(); ++e) {
            EXPECT_EQ(loaded[e].Name, before[i][e].Name);
            EXPECT_EQ(loaded[e].ID, before[i][e].ID);
            EXPECT_TRUE(loaded[e].Enabled);
        }
    }
}

TEST_F(PropertyFileTest, ShippedFileLoadsAndSavesBackUnchanged)
{
    const QString shipped = QStringLiteral(TESSARO_SOURCE_DIR "/data/default.cpf");
    ASSERT_TRUE(loadproperties(shipped));
    EXPECT_TRUE(dialogs.calls().isEmpty());
    // The main window's first filling takes this many entries of each table.
    const std::size_t filled[CameraPropertyCount] = {17, 54, 75, 20, 9, 5, 29, 34, 5, 9};
    for (int i = 0; i < CameraPropertyCount; ++i)
        EXPECT_GE(MasterTable(CameraProperty(i)).size(), filled[i]) << i;

    ASSERT_TRUE(saveproperties(path()));
    QFile original(shipped);
    QFile saved(path());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == original.readAll());
}

TEST_F(PropertyFileTest, LoadingKeepsReferencesToSurvivingPositions)
{
    PropTable &av = MasterTable(CameraProperty::Av);
    av.push_back({QStringLiteral("second"), 8, true});
    av.push_back({QStringLiteral("third"), 9, true});
    const TPropList *first = &av[0];
    write(goodFile());
    ASSERT_TRUE(loadproperties(path()));
    ASSERT_EQ(av.size(), 2u);
    EXPECT_EQ(first, &av[0]);
    EXPECT_EQ(first->Name, QStringLiteral("new1a"));
}

struct DamagedCase
{
    const char *name;
    std::function<void(QStringList &)> damage;
    bool loads;
    QString message;          // empty: none
    QString changedBlocks;    // one digit per block that took the file's entries
};

class DamagedPropertyFile : public PropertyFileTest, public ::testing::WithParamInterface<DamagedCase>
{
};

TEST_P(DamagedPropertyFile, ChangesOnlyWhatWasReadCompletely)
{
    const DamagedCase &c = GetParam();
    QStringList lines = goodFile();
    c.damage(lines);
    write(lines);

    EXPECT_EQ(loadproperties(path()), c.loads);
    EXPECT_EQ(messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    for (int block = 0; block < CameraPropertyCount; ++block) {
        const bool changed = c.changedBlocks.contains(QString::number(block));
        const QString expected = changed ? QStringLiteral("new%1a,new%1b").arg(block)
                                         : QStringLiteral("old%1").arg(block);
        EXPECT_EQ(names(CameraProperty(block)), expected) << "block " << block;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedPropertyFile,
    ::testing::Values(
        DamagedCase{"intact", [](QStringList &) {}, true, {}, "0123456789"},
        DamagedCase{"headersAreIgnored",
                    [](QStringList &l) { l[nthLine(l, "Begin", 2) - 1] = "[ANYTHING]"; }, true, {},
                    "0123456789"},
        DamagedCase{"beginMayCarryMoreText",
                    [](QStringList &l) { l[nthLine(l, "Begin", 4)] = "  Begin here"; }, true, {},
                    "0123456789"},
        DamagedCase{"emptyBlockKeepsItsTable",
                    [](QStringList &l) {
                        const qsizetype begin = nthLine(l, "Begin", 3);
                        l.remove(begin + 1, 6);
                    },
                    true, {}, "012456789"},
        DamagedCase{"noFirstBegin", [](QStringList &l) { l[1] = "Start"; }, false, FormatError, ""},
        DamagedCase{"missingBeginBeforeBlockFive",
                    [](QStringList &l) { l[nthLine(l, "Begin", 4)] = "Start"; }, false, FormatError,
                    "0123"},
        DamagedCase{"idNotANumber",
                    [](QStringList &l) { l[l.indexOf("ID=201")] = "ID=2x1"; }, false,
                    "'2x1' ist kein gültiger ganzzahliger Wert.", "01"},
        DamagedCase{"truncatedInsideBlockFour",
                    [](QStringList &l) { l.resize(nthLine(l, "Begin", 3) + 3); }, false,
                    FormatError, "012"},
        DamagedCase{"emptyFile", [](QStringList &l) { l.clear(); }, false, FormatError, ""}),
    [](const ::testing::TestParamInfo<DamagedCase> &info) { return std::string(info.param.name); });

TEST_F(PropertyFileTest, EntryLinesAreReadAfterTheirFirstEqualsSign)
{
    QStringList lines = goodFile();
    lines[lines.indexOf("Name=new0a")] = "Text=a=b";
    lines[lines.indexOf("ID=0")] = "Code=-1";
    lines[lines.indexOf("ID=1")] = "ID=$10";
    lines[nthLine(lines, "Enabled=True", 1)] = "Enabled=true";
    lines[lines.indexOf("ID=100")] = "ID=4294967297";
    write(lines);
    ASSERT_TRUE(loadproperties(path()));
    const PropTable &ae = MasterTable(CameraProperty::AEMode);
    EXPECT_EQ(ae[0].Name, QStringLiteral("a=b"));
    EXPECT_EQ(ae[0].ID, 4294967295u);
    EXPECT_TRUE(ae[0].Enabled);
    EXPECT_EQ(ae[1].ID, 16u);
    EXPECT_FALSE(ae[1].Enabled);
    EXPECT_EQ(MasterTable(CameraProperty::Av)[0].ID, 1u);
}

TEST_F(PropertyFileTest, MissingOrUnreadableFileIsReportedAndChangesNothing)
{
    // A folder exists but cannot be read as a file, even by root.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.cpf")));
    const struct
    {
        const char *name;
        const char *problem;
    } cases[] = {
        {"none.cpf", " existiert nicht"},
        {"folder.cpf", " kann nicht gelesen werden"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        const QString file = path(QString::fromLatin1(c.name));
        EXPECT_FALSE(loadproperties(file));
        EXPECT_EQ(messages(), QStringList{QStringLiteral("Die Datei ") + file + QLatin1String(c.problem)
                                          + QStringLiteral(" . die Einstellungen können "
                                                           "nicht geladen werden.")});
        EXPECT_EQ(names(CameraProperty::AEMode), QStringLiteral("old0"));
    }
}

TEST_F(PropertyFileTest, FailedSaveIsReported)
{
    EXPECT_FALSE(saveproperties(dir.filePath(QStringLiteral("no/such/folder.cpf"))));
    EXPECT_EQ(messages().size(), 1);
}

TEST_F(PropertyFileTest, CameraSettingsFileHoldsCurrentSettingsInKeyOrder)
{
    const TCamerasettings saved = CurrentSettings();
    TCamerasettings &s = CurrentSettings();
    s = TCamerasettings{};
    s.AEMode = {QStringLiteral("M"), 3, true};
    s.Tv = {QStringLiteral("Bulb"), 4294967295u, true};
    s.ISO = {QStringLiteral("100"), 72, true};
    s.Bulbtime = 60;
    write({QStringLiteral("[Other]"), QStringLiteral("Kept=1")});

    ASSERT_TRUE(saveCamSettings(path()));
    CurrentSettings() = saved;
    EXPECT_EQ(textfile::readLines(path()).lines,
              QStringList({"[Other]", "Kept=1", "[Settings]", "AemodeStr=M", "AemodeId=3",
                           "AVStr=", "AVId=0", "TVStr=Bulb", "TVId=-1", "ISOTVStr=100",
                           "ISOId=72", "WAStr=", "WAId=0", "FokusStr=", "FokusId=0",
                           "ExpCompStr=", "ExCompId=0", "MeteringStr=", "MeteringId=0",
                           "DrivemodeStr=", "DrivemodeId=0", "FlashcompStr=", "FlashCompId=0",
                           "QualityStr=", "QualityId=0", "Bulbtime=60"}));
}

} // namespace
