#include "configfixture.h"

#include "diagnostics/debuglog.h"
#include "settings/configuration.h"
#include "settings/inifile.h"
#include "settings/programsettings.h"

#include <QFile>

namespace {

// Records the order in which the settings windows are collected and applied.
class RecordingWindow : public SettingsWindow
{
public:
    RecordingWindow(QString name, QStringList *log, bool collects = true)
        : m_name(std::move(name)), m_log(log), m_collects(collects) {}
    bool settingsFromWindow() override
    {
        m_log->append(m_name + QStringLiteral(" from"));
        return m_collects;
    }
    void settingsToWindow() override { m_log->append(m_name + QStringLiteral(" to")); }

private:
    QString m_name;
    QStringList *m_log;
    bool m_collects;
};

class ConfigurationTest : public ConfigFixture {};

} // namespace

TEST_F(ConfigurationTest, SaveThenLoadRestoresEveryStoredField)
{
    const TProgramSettings saved = changedSettings();
    ProgramSettings() = saved;
    setDebugEnabled(true);
    ASSERT_TRUE(SaveConfiguration(path("all.ccf")));

    ProgramSettings() = TProgramSettings{};
    setDebugEnabled(false);
    QList<bool> debugLoaded;
    QString projectShown;
    setConfigurationHooks({[&](bool on) { debugLoaded << on; setDebugEnabled(on); },
                           [&](const QString &p) { projectShown = p; },
                           {}});
    ASSERT_TRUE(LoadConfiguration(path("all.ccf")));

    EXPECT_TRUE(ProgramSettings() == saved);
    EXPECT_TRUE(debugEnabled());
    EXPECT_EQ(debugLoaded, QList<bool>{true});
    EXPECT_EQ(projectShown, saved.Projektname);
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(ConfigurationTest, WritesTheFileAsStored)
{
    ProgramSettings() = changedSettings();
    ASSERT_TRUE(SaveConfiguration(path("a.ccf")));
    const QByteArray bytes = readFile("a.ccf");
    const QByteArray configStart = "[Config]\r\nDebug=0\r\nSavepath=/bilder/\r\n";
    EXPECT_TRUE(bytes.startsWith(configStart)) << bytes.left(80).toStdString();
    for (const char *line : {"\r\nIntervalsek=5\r\n", "\r\nExpComp1=-2\r\nExpComp1Id=264\r\n",
                             "\r\nExpComp3=+2\r\nExpComp3Id=280\r\n", "\r\nBelichtungsreihe=1\r\n",
                             "\r\nImageMagickTextmask=1\r\n", "\r\nimageMagickthumbnailsizeY=200\r\n"}) {
        EXPECT_TRUE(bytes.contains(line)) << line;
    }
    // "v9" is a table name; a text the table does not have is written without a code.
    EXPECT_TRUE(bytes.contains("\r\nExpComp2=v9\r\nExpComp2Id=265\r\n"));
    const qsizetype config = bytes.indexOf("[Config]"), viewer = bytes.indexOf("[ViewerSetup]"),
                    magick = bytes.indexOf("[ImageMagick]"), enfuse = bytes.indexOf("[Enfuse]");
    EXPECT_TRUE(config < viewer && viewer < magick && magick < enfuse);
}

TEST_F(ConfigurationTest, BracketingTextWithoutTableEntryDropsAnOldCode)
{
    writeFile("a.ccf", "[Config]\r\nExpComp2=v9\r\nExpComp2Id=265\r\n");
    ProgramSettings().ExpComp2 = QStringLiteral("+7 typed");
    ASSERT_TRUE(SaveConfiguration(path("a.ccf")));
    const IniFile ini(path("a.ccf"));
    EXPECT_EQ(ini.readString("Config", "ExpComp2"), "+7 typed");
    EXPECT_FALSE(ini.hasKey("Config", "ExpComp2Id"));
}

TEST_F(ConfigurationTest, LoadingTakesDefaultsAndMatchesKeysInAnyCase)
{
    ProgramSettings() = changedSettings();
    writeFile("a.ccf", "[CONFIG]\r\n"
                       "EINZELAUFNAHME=0\r\n"
                       "bilderfolge=2\r\n"
                       "Aufnahmenanzahl=zehn\r\n"
                       "PROJEKTNAME=  \"Nur Config\"  \r\n");
    ASSERT_TRUE(LoadConfiguration(path("a.ccf")));
    TProgramSettings expected;
    expected.Einzelaufnahme = false;
    expected.Bilderfolge = true;
    expected.Projektname = QStringLiteral("Nur Config");
    expected.IntervalSekText = QStringLiteral("00");  // an absent interval reads as 0
    EXPECT_TRUE(ProgramSettings() == expected);
    EXPECT_TRUE(ProgramSettings().ShowExtern);
    EXPECT_EQ(ProgramSettings().Aufnahmenanzahl, 10);
    EXPECT_FALSE(debugEnabled());
}

TEST_F(ConfigurationTest, LoadedDebugOffSwitchesTheLogOff)
{
    for (const char *debug : {"0", "2"}) {
        setDebugEnabled(*debug == '0');
        writeFile("d.ccf", QByteArray("[Config]\r\nDebug=") + debug + "\r\n");
        ASSERT_TRUE(LoadConfiguration(path("d.ccf")));
        EXPECT_EQ(debugEnabled(), *debug != '0') << debug;
    }
}

TEST_F(ConfigurationTest, FileWithUtf8MarkKeepsItsFirstSection)
{
    writeFile("bom.ccf", "\xEF\xBB\xBF[Config]\r\nSavepath=/bilder/\r\nProjektname=Gr\xC3\xBC\xC3\x9F""e\r\n");
    ASSERT_TRUE(LoadConfiguration(path("bom.ccf")));
    EXPECT_EQ(ProgramSettings().Savepath, "/bilder/");
    EXPECT_EQ(ProgramSettings().Projektname, QStringLiteral("Grüße"));
}

TEST_F(ConfigurationTest, UnreadableFileIsReportedAndChangesNothing)
{
    ProgramSettings().Savepath = QStringLiteral("/bilder/");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.ccf")));
    EXPECT_FALSE(LoadConfiguration(path("folder.ccf")));
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_EQ(m_dialogs.calls().front().text,
              QStringLiteral("Die Datei ") + path("folder.ccf")
                  + QStringLiteral(" kann nicht gelesen werden . die Einstellungen können nicht geladen werden."));
    EXPECT_EQ(ProgramSettings().Savepath, "/bilder/");
}

TEST_F(ConfigurationTest, TextsOutsideTheCodePageWarnAndPathsComeBack)
{
    const QString folder = QStringLiteral("/home/łukasz/zdjęcia/");
    const struct
    {
        const char *name;
        QString TProgramSettings::*field;
        QString value, readBack;
        QByteArray line;
        int bytesAboveAscii;  // the file holds no UTF-8, only the code page's own bytes
    } cases[] = {
        {"path", &TProgramSettings::Savepath, folder, folder,
         "\r\nSavepath=?utf8?/home/%C5%82ukasz/zdj%C4%99cia/\r\n", 0},
        {"other path", &TProgramSettings::EnfusePath, QStringLiteral("/opt/ł%/"), QStringLiteral("/opt/ł%/"),
         "\r\nEnfusePath=?utf8?/opt/%C5%82%25/\r\n", 0},
        {"plain text", &TProgramSettings::Projektname, QStringLiteral("Łódź"), QStringLiteral("?\u00f3d?"),
         "\r\nProjektname=?\xF3" "d?\r\n", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString key = QString::fromLatin1(c.line.mid(2, c.line.indexOf('=') - 2));
        ProgramSettings() = TProgramSettings{};
        ProgramSettings().*c.field = c.value;
        m_dialogs.clear();
        m_dialogs.answer(DialogButton::Ok);
        ASSERT_TRUE(SaveConfiguration(path("u.ccf")));

        const QByteArray bytes = readFile("u.ccf");
        EXPECT_TRUE(bytes.contains(c.line)) << bytes.toStdString();
        EXPECT_EQ(std::count_if(bytes.begin(), bytes.end(), [](char b) { return uchar(b) >= 0x80; }),
                  c.bytesAboveAscii);
        ASSERT_EQ(m_dialogs.calls().size(), 1);
        EXPECT_EQ(m_dialogs.calls().front().icon, MessageIcon::Warning);
        EXPECT_TRUE(m_dialogs.calls().front().text.contains(QStringLiteral(": ") + key + u'.'))
            << m_dialogs.calls().front().text.toStdString();

        ProgramSettings() = TProgramSettings{};
        ASSERT_TRUE(LoadConfiguration(path("u.ccf")));
        EXPECT_EQ(ProgramSettings().*c.field, c.readBack);
    }
}

TEST_F(ConfigurationTest, ReaderSpellingsFindTheWrittenKeys)
{
    writeFile("a.ccf", "[imagemagick]\r\n"
                       "ImagemagickTextmask=1\r\n"
                       "IMAGEMAGICKTHUMBNAILSIZEX=$20\r\n"
                       "imagemagickthumbnailsizey=0x30\r\n"
                       "ImagemagickTextmaskStr=#AV\r\n");
    ASSERT_TRUE(LoadConfiguration(path("a.ccf")));
    EXPECT_TRUE(ProgramSettings().ImagemagickTextmask);
    EXPECT_EQ(ProgramSettings().imagemagickthumbnailsizex, 32);
    EXPECT_EQ(ProgramSettings().imagemagickthumbnailsizeY, 48);
    EXPECT_EQ(ProgramSettings().ImagemagickTextmaskstr, "#AV");
}

TEST_F(ConfigurationTest, LoadedIntervalsBecomeEntryTexts)
{
    struct Case { int std, min, sek; const char *stdText, *minText, *sekText; };
    const Case cases[] = {
        {0, 0, 10, "0", "0", "10"},
        {2, 5, 5, "2", "5", "05"},
        {24, 60, 0, "24", "60", "00"},
        {25, 61, 7, "25", "61", "7"},  // no entry: the number as typed text
    };
    for (const Case &c : cases) {
        writeFile("i.ccf", QStringLiteral("[Config]\r\nIntervalstd=%1\r\nIntervalmin=%2\r\nIntervalsek=%3\r\n")
                               .arg(c.std).arg(c.min).arg(c.sek).toLatin1());
        ASSERT_TRUE(LoadConfiguration(path("i.ccf")));
        EXPECT_EQ(ProgramSettings().IntervalStdText, c.stdText);
        EXPECT_EQ(ProgramSettings().IntervalMinText, c.minText);
        EXPECT_EQ(ProgramSettings().IntervalSekText, c.sekText);
    }
}

TEST_F(ConfigurationTest, SaveKeepsOtherSectionsAndKeys)
{
    writeFile("a.ccf", "[Eigenes]\r\nfoo=bar\r\n[Config]\r\nProjektname=alt\r\nZusatz=1\r\n");
    ProgramSettings().Projektname = QStringLiteral("neu");
    ASSERT_TRUE(SaveConfiguration(path("a.ccf")));
    const QByteArray bytes = readFile("a.ccf");
    EXPECT_TRUE(bytes.startsWith("[Eigenes]\r\nfoo=bar\r\n[Config]\r\nProjektname=neu\r\nZusatz=1\r\n"));
    EXPECT_EQ(bytes.count("Projektname="), 1);
}

TEST_F(ConfigurationTest, MissingFileIsReportedAndChangesNothing)
{
    QStringList log;
    RecordingWindow capture(QStringLiteral("capture"), &log);
    attachSettingsWindow(SettingsWindowKind::Capture, &capture);
    ProgramSettings() = changedSettings();
    m_dialogs.answer(DialogButton::Ok).answer(DialogButton::Ok);

    EXPECT_FALSE(LoadConfiguration(path("fehlt.ccf")));
    EXPECT_FALSE(LoadConfiguration(QStringLiteral("Ordivan.ccf")));  // plain name: working folder

    ASSERT_EQ(m_dialogs.calls().size(), 2);
    const QString tail = QStringLiteral(" existiert nicht . die Einstellungen können nicht geladen werden.");
    EXPECT_EQ(m_dialogs.calls()[0].caption, "Fehler");
    EXPECT_EQ(m_dialogs.calls()[0].text, QStringLiteral("Die Datei ") + path("fehlt.ccf") + tail);
    EXPECT_EQ(m_dialogs.calls()[0].buttons, DialogButtons(DialogButton::Ok));
    EXPECT_EQ(m_dialogs.calls()[1].text, QStringLiteral("Die Datei ") + path("Ordivan.ccf") + tail);
    EXPECT_TRUE(ProgramSettings() == changedSettings());
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(ConfigurationTest, PlainNameIsLookedUpInTheWorkingFolder)
{
    writeFile("Ordivan.ccf", "[Config]\r\nPrefix=hier\r\n");
    ASSERT_TRUE(LoadConfiguration(QStringLiteral("Ordivan.ccf")));
    EXPECT_EQ(ProgramSettings().Prefix, "hier");
}

TEST_F(ConfigurationTest, WindowsAreCollectedAndAppliedInOrder)
{
    QStringList log;
    RecordingWindow capture(QStringLiteral("capture"), &log);
    RecordingWindow viewer(QStringLiteral("viewer"), &log);
    RecordingWindow magick(QStringLiteral("magick"), &log);
    RecordingWindow hdr(QStringLiteral("hdr"), &log);
    attachSettingsWindow(SettingsWindowKind::Capture, &capture);
    attachSettingsWindow(SettingsWindowKind::Viewer, &viewer);
    attachSettingsWindow(SettingsWindowKind::ImageMagick, &magick);
    attachSettingsWindow(SettingsWindowKind::Hdr, &hdr);
    ASSERT_TRUE(SaveConfiguration(path("a.ccf")));
    ASSERT_TRUE(LoadConfiguration(path("a.ccf")));
    EXPECT_EQ(log, QStringList({"magick from", "capture from", "viewer from", "hdr from",
                                "capture to", "magick to", "viewer to", "hdr to"}));
}

TEST_F(ConfigurationTest, FailedCollectionLeavesTheFileUntouched)
{
    QStringList log;
    RecordingWindow capture(QStringLiteral("capture"), &log, false);
    attachSettingsWindow(SettingsWindowKind::Capture, &capture);
    EXPECT_FALSE(SaveConfiguration(path("neu.ccf")));
    EXPECT_FALSE(QFile::exists(path("neu.ccf")));

    writeFile("alt.ccf", "[Config]\r\nPrefix=alt\r\n");
    EXPECT_FALSE(SaveConfiguration(path("alt.ccf")));
    EXPECT_EQ(readFile("alt.ccf"), "[Config]\r\nPrefix=alt\r\n");
}

TEST_F(ConfigurationTest, UnwritableFileIsReported)
{
    m_dialogs.answer(DialogButton::Ok);
    EXPECT_FALSE(SaveConfiguration(path("kein/ordner/a.ccf")));
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_EQ(m_dialogs.calls()[0].caption, "Fehler");
    EXPECT_TRUE(m_dialogs.calls()[0].text.startsWith(QStringLiteral("Die Datei ") + path("kein/ordner/a.ccf")));
}

TEST_F(ConfigurationTest, MenuEntriesAskForTheFile)
{
    writeFile("x.ccf", "[Config]\r\nPrefix=aus Men\xFC\r\n");  // Windows-1252
    m_dialogs.answerPath(path("x.ccf")).answerCancel().answerPath(path("y.ccf")).answerCancel();

    EinstellungLadenClick();
    EXPECT_EQ(ProgramSettings().Prefix, QStringLiteral("aus Menü"));
    ProgramSettings().Prefix = QStringLiteral("unverändert");
    EinstellungLadenClick();  // cancelled
    EXPECT_EQ(ProgramSettings().Prefix, QStringLiteral("unverändert"));

    EinstellungSpeichernClick();
    EXPECT_EQ(IniFile(path("y.ccf")).readString("Config", "Prefix"), QStringLiteral("unverändert"));
    EinstellungSpeichernClick();  // cancelled

    ASSERT_EQ(m_dialogs.calls().size(), 4);
    const DialogCall &open = m_dialogs.calls()[0];
    const DialogCall &save = m_dialogs.calls()[2];
    EXPECT_EQ(open.kind, DialogKind::OpenFile);
    EXPECT_EQ(save.kind, DialogKind::SaveFile);
    for (const DialogCall *call : {&open, &save}) {
        EXPECT_EQ(call->file.fileName, "Ordivan.ccf");
        EXPECT_EQ(call->file.defaultExtension, "*ccf");
        EXPECT_TRUE(call->file.folder.isEmpty());  // the working folder
    }
    EXPECT_EQ(open.file.filter, "*.ccf|*.CcF");
    EXPECT_EQ(save.file.filter, "*.ccf|*.ccF");
    EXPECT_TRUE(m_dialogs.finished());
}
