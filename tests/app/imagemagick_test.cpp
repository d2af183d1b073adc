#include "mainwindowtest.h"

#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/madeimages.h"
#include "fakemagick.h"
#include "postprocess/imagemagickstage.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/imagemagickbatchform.h"
#include "ui/mainform.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture decoded at a tenth of its size.
QImage tenth(const QString &path)
{
    QImageReader reader(path);
    reader.setScaledSize(reader.size() / 10);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

int countPixels(const QImage &image, const QRect &area, bool (*match)(QRgb))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += match(image.pixel(x, y)) ? 1 : 0;
    return count;
}

bool red(QRgb p) { return qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90; }
bool magenta(QRgb p) { return qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) > 180; }

// The program's windows against the simulated body, with the stage's values in the settings.
class ImageMagickInTheProgram : public MainWindowTest
{
protected:
    const char *bodyConfig() const override { return bodyText; }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        form.reset();
        AppMaster.reset();
        windows = std::make_unique<ProgramWindows>();
        ASSERT_NE(dynamic_cast<TImageMagickbatchform *>(windows->windows()[10]), nullptr);
        ASSERT_EQ(windows->connectAtStart(), ConnectOk);
        const QComboBox *tv = windows->mainForm().valueList(CameraProperty::Tv);
        ASSERT_TRUE(waitUntil([tv] { return !tv->currentText().isEmpty(); }));
        ASSERT_TRUE(simWaitQuiet());
        MadeImages().clear();

        TProgramSettings &s = ProgramSettings();
        s.Savepath = root + "shots/";
        s.Filemask = QStringLiteral("Studio\\IMG#IMGNR");
        useStageFolders(s, root, QStringLiteral("200x200"));
        s.ImageMagickCopyrightOrientation = QStringLiteral("Southeast");
        s.ImagemagicktextmaskOrientationstr = QStringLiteral("North");
        s.Imagemagicktextmaskfontsizestr = QStringLiteral("200");
        s.Imagemagicktextmaskfontcolorstr = QStringLiteral("red");
        s.ImagemagickTextmaskstr = QStringLiteral("Studio #IMGNR");
        for (const char *folder : {"out put", "thumbs", "mask", "batch"})
            QDir().mkpath(root + folder);
        QFile stamp(s.ImageMagickcopyrightimagepath);   // a settings window clears a missing stamp
        ASSERT_TRUE(stamp.open(QIODevice::WriteOnly));
    }

    void TearDown() override
    {
        windows.reset();
        qunsetenv("FAKE_MAGICK_SLEEP");
        MainWindowTest::TearDown();
    }

    // The settings windows take the values as a loaded configuration would give them.
    void applySettings()
    {
        CaptureSettingsToWindow();
        ImageMagickSettingsToWindow();
    }

    // The developer's buttons are hidden and disabled; only their signal reaches them.
    void press(const char *name) const
    {
        auto *button = windows->mainForm().findChild<QPushButton *>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        emit button->clicked();
    }

    // The preview window, eleventh in creation order.
    TImageMagickbatchform &preview() const
    {
        return *dynamic_cast<TImageMagickbatchform *>(windows->windows()[10]);
    }

    const char *bodyText =
        "camera=1;legacy=0;modedial=3;battery=80;firstnumber=1;downloadspeed=0;processingtime=10";
    QTemporaryDir dir;
    QString root;
    std::unique_ptr<ProgramWindows> windows;
};

class At24Megapixels : public ImageMagickInTheProgram
{
protected:
    At24Megapixels()
    {
        bodyText = "camera=1;legacy=0;modedial=3;battery=80;firstnumber=1;downloadspeed=0;processingtime=10;"
                   "picturesize=24mp";
    }
};

TEST_F(At24Megapixels, BurstOfThreeIsLabelledStampedAndThumbnailedWithTheOriginalsUntouched)
{
    if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
        GTEST_SKIP() << "ImageMagick is not installed";
    QProcess stamp;
    stamp.start(QStringLiteral("convert"), {"-size", "600x400", "xc:magenta", root + "stamp.png"});
    ASSERT_TRUE(stamp.waitForFinished(30000));
    TProgramSettings &s = ProgramSettings();
    s.ImagemagickTextmask = s.ImageMagickCopyright = s.ImageMagickThumbnails = true;
    applySettings();
    simClearCallLog();

    for (int shot = 0; shot < 3; ++shot)
        windows->mainForm().AusloeserButton->click();
    ASSERT_EQ(ImageCount(), 3);
    ImageMagickStage &stage = windows->imageMagickStage();
    ASSERT_TRUE(waitUntil([&stage] { return stage.pendingLines().isEmpty() && !stage.busy(); }));
    EXPECT_TRUE(preview().commandlistedit->toPlainText().isEmpty());
    EXPECT_NE(windows->mainForm().statusColor(), StatusErrorColor)
        << windows->mainForm().statusText().toStdString();

    const QStringList offers = simCallLog().filter(QRegularExpression(QStringLiteral("^Offer ")));
    ASSERT_EQ(offers.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const TMadeImage &image = *MadeImages().find(i);
        SCOPED_TRACE(image.FileName.toStdString());
        const QString original = image.Folder + image.FileName;
        EXPECT_EQ(simContentHash(readAll(original)), offers[i].section(QLatin1Char(' '), 4, 4));

        const QString output = root + "out put/Studio/" + image.FileName;
        EXPECT_EQ(QImageReader(output).size(), QSize(6000, 4000));
        const QImage before = tenth(original);
        const QImage after = tenth(output);
        // The red label at the top centre, the magenta stamp in the bottom right corner.
        const QRect top(200, 0, 200, 40);
        const QRect corner(560, 365, 35, 30);
        EXPECT_GT(countPixels(after, top, red) - countPixels(before, top, red), 100);
        EXPECT_GT(countPixels(after, corner, magenta), corner.width() * corner.height() * 9 / 10);

        const QSize thumb = QImageReader(root + "thumbs/Studio/Thumb" + image.FileName).size();
        EXPECT_TRUE(thumb.isValid() && thumb.width() <= 200 && thumb.height() <= 200)
            << thumb.width() << "x" << thumb.height();
    }
    EXPECT_TRUE(QImageReader(root + "mask/textmask.gif").size().isValid());
}

TEST_F(ImageMagickInTheProgram, TestButtonsPreviewAndClosingTheMainWindow)
{
    TProgramSettings &s = ProgramSettings();
    s.ImageMagickCopyright = s.ImageMagickThumbnails = s.CreateBatch = true;
    s.ImageMagickPath = installFakeMagick(root + "bin");
    qputenv("FAKE_MAGICK_SLEEP", "0");
    applySettings();
    ImageMagickStage &stage = windows->imageMagickStage();

    // addline queues the test picture's operations, thumbnail first, and starts the batch file.
    press("addlineButton");
    const QStringList pending = preview().commandlistedit->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(pending.size(), 3);
    EXPECT_TRUE(pending[0].isEmpty());
    EXPECT_TRUE(pending[1].startsWith(root + "bin/convert ")) << pending[1].toStdString();
    EXPECT_TRUE(pending[2].startsWith(root + "bin/composite ")) << pending[2].toStdString();
    EXPECT_TRUE(preview().BatchPreviewBox->toPlainText().startsWith(QStringLiteral("\n#!/bin/sh\n")));
    EXPECT_TRUE(stage.batchOpen());
    press("executecommandButton");
    ASSERT_TRUE(waitUntil([&stage] { return stage.pendingLines().isEmpty() && !stage.busy(); }));
    EXPECT_FALSE(stage.batchOpen());

    // A missing program: red status, a line in the preview, one notice that does not block.
    s.ImageMagickPath = root + "missing";
    applySettings();
    press("addlineButton");
    press("executecommandButton");
    ASSERT_TRUE(waitUntil([this] { return windows->mainForm().statusColor() == StatusErrorColor; }));
    EXPECT_TRUE(windows->mainForm().statusText().startsWith(
        QStringLiteral("Fehler beim ausführen von imagemagik")));
    EXPECT_TRUE(preview().BatchPreviewBox->toPlainText().endsWith(windows->mainForm().statusText()));
    auto *notice = preview().findChild<QMessageBox *>(QStringLiteral("ImageMagickNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal());
    EXPECT_EQ(stage.pendingLines().size(), 2);
    EXPECT_TRUE(stage.batchOpen());

    // close batch ends the burst; the next picture starts a new one, which closing the main
    // window closes.
    press("closebatchButton");
    EXPECT_FALSE(stage.batchOpen());
    EXPECT_FALSE(stage.headerWritten());
    press("addlineButton");
    EXPECT_TRUE(stage.batchOpen());
    dialogs.answer(DialogButton::No);
    windows->mainForm().close();
    EXPECT_FALSE(stage.batchOpen());
}

} // namespace
