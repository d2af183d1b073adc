#include "configfixture.h"

#include "settings/configuration.h"
#include "settings/inifile.h"
#include "settings/programsettings.h"
#include "settings/windowlayout.h"

#include <QFile>

namespace {

// The program's windows as plain records; place() is logged and applied to the records.
class FakeWindows : public LayoutWindows
{
public:
    struct Placed
    {
        int index;
        bool visible;
        QRect frame;
        bool operator==(const Placed &) const = default;
    };

    QList<LayoutWindow> list;
    QList<QRect> screens{QRect(0, 0, 1920, 1080)};
    QList<Placed> placed;

    QList<LayoutWindow> windows() const override { return list; }
    void place(int index, bool visible, const QRect &frame) override
    {
        placed.append({index, visible, frame});
        list[index].visible = visible;
        list[index].frame = frame;
    }
    QList<QRect> availableScreens() const override { return screens; }
};

std::ostream &operator<<(std::ostream &out, const FakeWindows::Placed &p)
{
    return out << p.index << (p.visible ? " shown " : " hidden ") << p.frame.x() << ',' << p.frame.y()
               << ' ' << p.frame.width() << 'x' << p.frame.height();
}

class WindowLayoutTest : public ConfigFixture
{
protected:
    void SetUp() override
    {
        ConfigFixture::SetUp();
        windows.list = {
            {"Form1", true, QRect(10, 20, 800, 600), LayoutStateNormal},
            {"", true, QRect(0, 0, 50, 50), LayoutStateNormal},  // has no name: not stored
            {"BildanzeigeForm", true, QRect(900, 30, 450, 300), LayoutStateMinimized},
            {"ExifInfoForm", false, QRect(-5, 700, 300, 200), LayoutStateMaximized},
        };
        setLayoutWindows(&windows);
    }
    void TearDown() override
    {
        setLayoutWindows(nullptr);
        setExternWindowFinder({});
        ConfigFixture::TearDown();
    }

    FakeWindows windows;
};

} // namespace

TEST_F(WindowLayoutTest, SavesEveryNamedWindowInCreationOrderAndTheExternalViewer)
{
    ProgramSettings().ExternViewerWindowTitle = QStringLiteral("Viewer");
    QString askedTitle;
    setExternWindowFinder([&](const QString &title) -> std::optional<ExternWindowPlacement> {
        askedTitle = title;
        return ExternWindowPlacement{QRect(40, 50, 640, 480), 3};
    });
    ASSERT_TRUE(save_windows(path("a.cif")));

    EXPECT_EQ(askedTitle, QStringLiteral("Viewer"));
    EXPECT_EQ(readFile("a.cif"),
              "[Windows]\r\nWindow0=Form1\r\nWindow2=BildanzeigeForm\r\nWindow3=ExifInfoForm\r\n"
              "[Saveable]\r\nForm1=Y\r\nBildanzeigeForm=Y\r\nExifInfoForm=Y\r\n"
              "[Form1]\r\nVisible=1\r\nTop=20\r\nLeft=10\r\nHeight=600\r\nWidth=800\r\nState=3\r\n"
              "[BildanzeigeForm]\r\nVisible=1\r\nTop=30\r\nLeft=900\r\nHeight=300\r\nWidth=450\r\nState=1\r\n"
              "[ExifInfoForm]\r\nVisible=0\r\nTop=700\r\nLeft=-5\r\nHeight=200\r\nWidth=300\r\nState=2\r\n"
              "[ExternViewerWindow]\r\nTop=50\r\nLeft=40\r\nHeight=480\r\nWidth=640\r\nState=3\r\n");
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(WindowLayoutTest, LoadingPlacesTheSavedWindowsAndTheExternalViewer)
{
    setExternWindowFinder([](const QString &) {
        return std::optional<ExternWindowPlacement>({QRect(40, 50, 640, 480), 1});
    });
    ProgramSettings().ExternViewerWindowTitle = QStringLiteral("Viewer");
    const QList<LayoutWindow> saved = windows.list;
    ASSERT_TRUE(save_windows(path("a.cif")));
    for (LayoutWindow &w : windows.list) {
        w.visible = !w.visible;
        w.frame = QRect(1, 1, 10, 10);
    }
    // The main window was made invisible above; a layout leaves that alone.
    ASSERT_TRUE(load_windows(path("a.cif")));

    using Placed = FakeWindows::Placed;
    const QList<Placed> expected{
        {0, false, saved[0].frame},
        {2, true, saved[2].frame},
        // Off the left edge by five pixels: brought onto the screen.
        {3, false, QRect(0, 700, 300, 200)},
    };
    EXPECT_EQ(windows.placed, expected);
    EXPECT_EQ(ProgramSettings().ExternViewerRect, (WindowRect{40, 50, 640, 480}));
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(WindowLayoutTest, HandEditedFilesAndMissingKeys)
{
    ProgramSettings().ExternViewerRect = {7, 7, 7, 7};
    writeFile("hand.cif",
              "[Saveable]\r\nForm1=Y\r\nBildanzeigeForm=N\r\nExifInfoForm=Y\r\n"
              "[Form1]\r\nVisible=0\r\nTop=5\r\n"
              "[BildanzeigeForm]\r\nVisible=0\r\nTop=5\r\nLeft=5\r\nHeight=5\r\nWidth=5\r\n"
              "[ExifInfoForm]\r\nVisible=2\r\nTop=abc\r\nLeft=$20\r\nHeight=0x40\r\n");
    ASSERT_TRUE(load_windows(QStringLiteral("hand.cif")));

    using Placed = FakeWindows::Placed;
    const QList<Placed> expected{
        // Main window: never hidden; keys missing from its section take their defaults.
        {0, true, QRect(1, 5, 100, 100)},
        // "Saveable" other than "Y": left where it is. Any non-zero Boolean is true,
        // a value that is no number is the default, hexadecimal is read.
        {3, true, QRect(32, 1, 100, 64)},
    };
    EXPECT_EQ(windows.placed, expected);
    // No section of the external viewer: its defaults.
    EXPECT_EQ(ProgramSettings().ExternViewerRect, (WindowRect{1, 1, 100, 100}));

    // The next save writes "Y" again.
    ASSERT_TRUE(save_windows(path("hand.cif")));
    EXPECT_EQ(IniFile(path("hand.cif")).readString("Saveable", "BildanzeigeForm"), QStringLiteral("Y"));
}

TEST_F(WindowLayoutTest, WithoutAMatchingViewerWindowAnEarlierSectionStays)
{
    writeFile("a.cif", "[ExternViewerWindow]\r\nTop=11\r\nLeft=12\r\nHeight=13\r\nWidth=14\r\nState=1\r\n");
    int lookups = 0;
    setExternWindowFinder([&](const QString &) -> std::optional<ExternWindowPlacement> {
        ++lookups;
        return std::nullopt;
    });
    for (const char *title : {"", "Viewer"}) {
        ProgramSettings().ExternViewerWindowTitle = QLatin1String(title);
        ASSERT_TRUE(save_windows(path("a.cif")));
    }
    // An empty title would match every window: it is not looked up.
    EXPECT_EQ(lookups, 1);
    EXPECT_TRUE(readFile("a.cif").startsWith(
        "[ExternViewerWindow]\r\nTop=11\r\nLeft=12\r\nHeight=13\r\nWidth=14\r\nState=1\r\n[Windows]"));
}

TEST_F(WindowLayoutTest, MenuEntriesAskForTheFileAndCancelDoesNothing)
{
    m_dialogs.answerCancel().answerCancel();
    AnsichtSpeichernClick();
    AnsichtLadenClick();
    EXPECT_FALSE(QFile::exists(path(DefaultLayoutName)));
    EXPECT_TRUE(windows.placed.isEmpty());
    ASSERT_EQ(m_dialogs.calls().size(), 2);
    const FileDialogOptions &save = m_dialogs.calls()[0].file;
    const FileDialogOptions &open = m_dialogs.calls()[1].file;
    EXPECT_EQ(m_dialogs.calls()[0].kind, DialogKind::SaveFile);
    EXPECT_EQ(save.fileName, QStringLiteral("Ordivan.cif"));
    EXPECT_EQ(save.filter, QStringLiteral("*.cif|*.CiF"));
    EXPECT_EQ(m_dialogs.calls()[1].kind, DialogKind::OpenFile);
    EXPECT_EQ(open.filter, QStringLiteral("*.cif|*.CIF"));
    EXPECT_EQ(open.defaultExtension, QStringLiteral("*cif"));

    m_dialogs.clear();
    m_dialogs.answerPath(path("chosen.cif")).answerPath(path("chosen.cif"));
    AnsichtSpeichernClick();
    windows.list[2].frame = QRect(1, 1, 10, 10);
    AnsichtLadenClick();
    EXPECT_EQ(windows.list[2].frame, QRect(900, 30, 450, 300));
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(WindowLayoutTest, MissingOrUnwritableFilesAreReportedAndChangeNothing)
{
    ProgramSettings().ExternViewerRect = {7, 7, 7, 7};
    m_dialogs.answer(DialogButton::Ok).answer(DialogButton::Ok);
    EXPECT_FALSE(load_windows(QStringLiteral("fehlt.cif")));
    EXPECT_FALSE(save_windows(path("no/such/folder/a.cif")));

    EXPECT_TRUE(windows.placed.isEmpty());
    EXPECT_EQ(ProgramSettings().ExternViewerRect, (WindowRect{7, 7, 7, 7}));
    ASSERT_TRUE(m_dialogs.finished());
    const DialogCall &missing = m_dialogs.calls()[0];
    EXPECT_EQ(missing.caption, QStringLiteral("Fehler"));
    EXPECT_EQ(missing.text, QStringLiteral("Die Datei ") + path("fehlt.cif")
                                + QStringLiteral(" existiert nicht . die Einstellungen können nicht geladen werden."));
    const DialogCall &unwritable = m_dialogs.calls()[1];
    EXPECT_EQ(unwritable.caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(unwritable.text.startsWith(QStringLiteral("Die Datei ") + path("no/such/folder/a.cif")
                                           + QStringLiteral(" kann nicht geschrieben werden")))
        << unwritable.text.toStdString();
}

TEST(ClampOntoScreens, KeepsWindowsOnAScreenAndBringsBackTheOthers)
{
    const QList<QRect> two{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    struct Case
    {
        const char *name;
        QRect frame;
        QRect placed;
    };
    const Case cases[] = {
        {"on the first screen", QRect(10, 10, 400, 300), QRect(10, 10, 400, 300)},
        {"on the second screen", QRect(2000, 100, 400, 300), QRect(2000, 100, 400, 300)},
        {"far right, nearest is the second", QRect(9000, 100, 400, 300), QRect(2800, 100, 400, 300)},
        {"above the top", QRect(100, -500, 400, 300), QRect(100, 0, 400, 300)},
        {"mostly on the second", QRect(1800, 50, 400, 300), QRect(1920, 50, 400, 300)},
        {"larger than any screen", QRect(-50, -50, 5000, 3000), QRect(0, 0, 1920, 1080)},
        {"no size", QRect(100, 100, 0, 0), QRect(100, 100, 1, 1)},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(clampOntoScreens(c.frame, two), c.placed) << c.name;
    }
    EXPECT_EQ(clampOntoScreens(QRect(9000, 0, 10, 10), {}), QRect(9000, 0, 10, 10)) << "no screens known";
}
