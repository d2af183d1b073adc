// The three viewer windows as the program creates them, and the viewer wired into the
// transfer of real pictures from the simulated body.
#include "fixtures.h"
#include "mainwindowtest.h"

#include "app/eventdispatch.h"
#include "app/shooting.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/madeimages.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/bildanzeigeform.h"
#include "ui/exifinfoform.h"
#include "ui/mainform.h"
#include "ui/viewersetup.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

template<typename T>
T *control(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(ViewerWindows, ImageWindowControlsAndItsWidthFollowingTheHeight)
{
    TBildanzeigeForm window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Bildanzeige"));
    EXPECT_EQ(window.size(), QSize(617, 470));
    EXPECT_EQ(control<QLabel>(window, "Image1")->geometry(), QRect(8, 8, 577, 393));
    QCheckBox *box = control<QCheckBox>(window, "ShowPicCheckBox");
    EXPECT_EQ(box->text(), QStringLiteral("Show Picture after Shot ?"));
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(box->isHidden());

    window.show();
    for (const auto &[height, width] : {std::pair{301, 452}, {303, 454}, {300, 450}}) {
        window.resize(900, height);
        QApplication::processEvents();
        EXPECT_EQ(window.size(), QSize(width, height)) << height;
    }
    // The picture control stays as it is.
    EXPECT_EQ(window.Image1->geometry(), QRect(8, 8, 577, 393));
}

TEST(ViewerWindows, ExifGridHasItsLabelsWidthsAndTheLatestValues)
{
    TExifInfoForm window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ExifInfos"));
    QTableWidget *grid = control<QTableWidget>(window, "exifinfosg1");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->columnCount(), 9);
    EXPECT_EQ(grid->rowCount(), 10);
    const int widths[] = {70, 100, 100, 90, 100};
    for (int column = 1; column <= 5; ++column)
        EXPECT_EQ(grid->columnWidth(column), widths[column - 1]) << column;
    const char *labels[][2] = {{"Hersteller", "Programm"}, {"Kamera", "Bel. Zeit"},  {"Datum ", "Blende"},
                               {"Besitzer", "ISO"},        {"Seriennummer", "Weissabgleich"},
                               {"Firmware", "Bel. korrektur"}};
    for (int row = 1; row <= 6; ++row) {
        EXPECT_EQ(grid->item(row, 1)->text(), QLatin1String(labels[row - 1][0]));
        EXPECT_EQ(grid->item(row, 3)->text(), QLatin1String(labels[row - 1][1]));
    }
    TExifInfos exif;
    exif.Make = QStringLiteral("Canon");
    exif.ExposureLevel = QStringLiteral("-2/3 EV");
    window.showExif(exif);
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("Canon"));
    EXPECT_EQ(grid->item(6, 4)->text(), QStringLiteral("-2/3 EV"));
    window.showExif({});
    EXPECT_TRUE(grid->item(1, 2)->text().isEmpty());
}

TEST(ViewerWindows, SettingsWindowControlsPairAndPathDialog)
{
    ScriptedDialogs dialogs;
    setAppDialogs(&dialogs);
    TViewerSetup window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Viewer Einstellungen"));
    const std::pair<const char *, const char *> captions[] = {
        {"ShowPicCheckBox", "Bild nach Auslösen Anzeigen "}, {"ShowInternView", "Interner Viewer"},
        {"ShowExternview", "Externer Viewerr"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(control<QCheckBox>(window, name)->text(), QString::fromUtf8(caption));
    const std::pair<const char *, const char *> buttons[] = {
        {"ExternViewDir", "Pfad"}, {"FindWindowTitleButton", "FensterTitel"}, {"ViewerSetupOkButton", "OK"}};
    for (const auto &[name, caption] : buttons)
        EXPECT_EQ(control<QPushButton>(window, name)->text(), QLatin1String(caption));
    EXPECT_EQ(control<QLabel>(window, "Label1")->text(), QStringLiteral("Pfad Externer Viewer"));
    EXPECT_EQ(control<QLabel>(window, "ExtTitleLabel")->text(), QStringLiteral("Externer Viewer FensterTitel"));
    EXPECT_EQ(window.ViewerWindowTitleEdit->text(), QStringLiteral("ViewerWindowTitleEdit"));
    EXPECT_EQ(control<QPlainTextEdit>(window, "Memo1")->toPlainText(), QStringLiteral("Memo1"));
    EXPECT_FALSE(window.Timer1->isActive());

    // The pair copies all five both ways.
    TProgramSettings &s = ProgramSettings();
    s = TProgramSettings();
    s.ShowAfterShoot = true;
    s.ShowIntern = true;
    s.ShowExtern = false;
    s.ExternViewerPath = QStringLiteral("/usr/bin/viewer");
    s.ExternViewerWindowTitle = QStringLiteral("Viewer");
    attachSettingsWindow(SettingsWindowKind::Viewer, &window);
    ViewerSettingsToWindow();
    const TProgramSettings applied = s;
    s = TProgramSettings();
    EXPECT_TRUE(ViewerSettingsFromWindow());
    EXPECT_EQ(s, applied);

    // All files are offered; Cancel keeps the field.
    dialogs.answerPath(QStringLiteral("/opt/bin/show")).answerCancel();
    window.ExternViewDir->click();
    window.ExternViewDir->click();
    EXPECT_EQ(window.ExternViewDirEdit->text(), QStringLiteral("/opt/bin/show"));
    ASSERT_EQ(dialogs.calls().size(), 2);
    EXPECT_EQ(dialogs.calls().front().kind, DialogKind::OpenFile);
    EXPECT_EQ(parseFileFilter(dialogs.calls().front().file.filter).value(0).patterns, QStringList{"*"});

    // The title capture copies the text under the pointer every 10 ms until stopped.
    int asked = 0;
    window.setPointerTextSource([&asked] { return QStringLiteral("Bildbetrachter %1").arg(++asked); });
    window.FindWindowTitleButton->click();
    EXPECT_TRUE(window.Timer1->isActive());
    EXPECT_EQ(window.Timer1->interval(), 10);
    ASSERT_TRUE(waitUntil([&] { return asked >= 3; }));
    EXPECT_TRUE(window.ViewerWindowTitleEdit->text().startsWith(QStringLiteral("Bildbetrachter ")));
    attachSettingsWindow(SettingsWindowKind::Viewer, nullptr);
    setAppDialogs(nullptr);
    s = TProgramSettings();
}

// The program's windows against the simulated body.
class ProgramViewer : public MainWindowTest
{
protected:
    const char *bodyConfig() const override { return m_config.constData(); }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        form.reset();
        AppMaster.reset();
        MadeImages().clear();
        windows = std::make_unique<ProgramWindows>();
        TProgramSettings &s = ProgramSettings();
        s.Savepath = dir.path() + QLatin1Char('/');
        s.Filemask = QStringLiteral("IMG#IMGNR");
        // A release takes the folder from the capture window, as a loaded configuration sets it.
        CaptureSettingsToWindow();
        windows->mainForm().show();
        ASSERT_TRUE(waitUntil([] { return AppMaster && AppMaster->GetCamera(); }));
        simWaitQuiet();
    }
    void TearDown() override
    {
        windows.reset();
        ProgramSettings() = TProgramSettings();
        MainWindowTest::TearDown();
    }

    template<typename T>
    T *find(int window, const char *name) const
    {
        return windows->windows()[window]->findChild<T *>(QLatin1String(name));
    }
    void turnInternalViewerOn()
    {
        find<QCheckBox>(8, "ShowPicCheckBox")->setChecked(true);
        find<QCheckBox>(8, "ShowInternView")->setChecked(true);
        windows->imageWindow().show();
    }
    // Releases and waits until the files are recorded and the display has had its say.
    void shoot(int files)
    {
        const int before = ImageCount();
        windows->mainForm().AusloeserButton->click();
        ASSERT_TRUE(waitUntil([&] { return ImageCount() >= before + files; }));
    }
    QString statusText() const { return windows->mainForm().statusText(); }

    QByteArray m_config = "camera=1;modedial=3";
    QTemporaryDir dir;
    std::unique_ptr<ProgramWindows> windows;
};

class RawPlusJpeg : public ProgramViewer
{
protected:
    RawPlusJpeg() { m_config = "camera=1;modedial=3;rawjpeg=1;serial=2087654321"; }
};

// The body delivers a whole picture, then one cut in half.
class DamagedPicture : public ProgramViewer
{
protected:
    DamagedPicture()
    {
        const QByteArray whole = renderedJpeg();
        writeFile(source.filePath(QStringLiteral("a.jpg")), whole);
        writeFile(source.filePath(QStringLiteral("b.jpg")), whole.left(whole.size() / 2));
        m_config = "camera=1;modedial=3;picturefile=" + QFile::encodeName(source.path());
    }
    QTemporaryDir source;
};

TEST_F(RawPlusJpeg, RefusesTheRawShowsTheJpegAndFillsTheExifWindow)
{
    turnInternalViewerOn();
    shoot(2);
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_TRUE(MadeImages().find(0)->FileName.endsWith(QLatin1String(".CR2")));
    // The RAW file has no EXIF that is read; the JPEG has.
    EXPECT_TRUE(MadeImages().find(0)->Exif.Make.isEmpty());
    EXPECT_EQ(MadeImages().find(1)->Exif.SerialNumber, QStringLiteral("2087654321"));
    ASSERT_TRUE(waitUntil([this] { return !find<QLabel>(3, "Image1")->pixmap().isNull(); }));
    EXPECT_EQ(find<QLabel>(3, "Image1")->pixmap().size(), QSize(577, 393));
    EXPECT_EQ(statusText(), QStringLiteral("Zur Zeit wird in der direktanzeige nur JPG unterstützt."));
    EXPECT_EQ(windows->mainForm().statusColor(), QColor(255, 0, 0));
    EXPECT_EQ(find<QTableWidget>(4, "exifinfosg1")->item(5, 2)->text(), QStringLiteral("2087654321"));
}

TEST_F(DamagedPicture, GivesAnEmptyRecordAClearedDisplayAndAMessage)
{
    turnInternalViewerOn();
    shoot(1);
    ASSERT_TRUE(waitUntil([this] { return !find<QLabel>(3, "Image1")->pixmap().isNull(); }));
    EXPECT_EQ(MadeImages().find(0)->Exif.Make, QStringLiteral("Canon"));

    ASSERT_TRUE(simWaitQuiet());
    shoot(1);
    ASSERT_EQ(ImageCount(), 2);
    EXPECT_TRUE(MadeImages().find(1)->Exif.Make.isEmpty());
    ASSERT_TRUE(waitUntil([this] { return find<QLabel>(3, "Image1")->pixmap().isNull(); }));
    EXPECT_EQ(statusText(), QStringLiteral("Bild kann nicht angezeigt werden: ") + MadeImages().find(1)->FileName);
    EXPECT_TRUE(find<QTableWidget>(4, "exifinfosg1")->item(1, 2)->text().isEmpty());
}

TEST_F(ProgramViewer, MenuEntriesAndEscapeStoppingTheTitleCapture)
{
    // The check mark follows the window, so the first click hides the window shown at start.
    QAction *image = windows->mainForm().Bildansicht1;
    windows->imageWindow().show();
    EXPECT_TRUE(image->isChecked());
    image->trigger();
    EXPECT_FALSE(image->isChecked());
    EXPECT_FALSE(windows->imageWindow().isVisible());
    image->trigger();
    EXPECT_TRUE(windows->imageWindow().isVisible());

    // The menu entry collects the window's controls first, then shows it.
    find<QLineEdit>(8, "ExternViewDirEdit")->setText(QStringLiteral("/usr/bin/viewer"));
    windows->mainForm().findChild<QAction *>(QStringLiteral("ViewerEinstellungen1"))->trigger();
    EXPECT_EQ(ProgramSettings().ExternViewerPath, QStringLiteral("/usr/bin/viewer"));
    EXPECT_TRUE(windows->windows()[8]->isVisible());

    auto *timer = find<QTimer>(8, "Timer1");
    ASSERT_NE(timer, nullptr);
    timer->start(10000); // the capture itself reads the X display, which there is none of here
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(windows->windows()[8], &release);
    EXPECT_FALSE(timer->isActive());
}

} // namespace
