#include "configfixture.h"
#include "namedchild.h"
#include "messagerecorder.h"
#include "simcontrol.h"

#include "platform/texthelpers.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/fhdroptions.h"
#include "ui/imagemagickconfigform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QKeyEvent>

#include <memory>

namespace {

class ImageMagickConfigFormTest : public ConfigFixture, protected NamedControls
{
protected:
    const QObject *controlsOf() const override { return m_form.get(); }

    void SetUp() override
    {
        ConfigFixture::SetUp();
        m_form = std::make_unique<TImageMagickConfigForm>();
        m_form->setPreviewWindow(&m_preview);
        attachSettingsWindow(SettingsWindowKind::ImageMagick, m_form.get());
    }
    void TearDown() override
    {
        m_form.reset();
        ConfigFixture::TearDown();
    }

    bool red(const char *name) const
    {
        return edit(name)->palette().color(QPalette::Base) == QColor(Qt::red);
    }
    bool white(const char *name) const
    {
        return edit(name)->palette().color(QPalette::Base) == QColor(Qt::white);
    }
    // Focus moved away as the user moves it, or for another reason.
    void leave(const char *name, Qt::FocusReason reason = Qt::TabFocusReason) const
    {
        QFocusEvent event(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(edit(name), &event);
    }
    void press(const char *name) const { child<QPushButton>(name)->click(); }
    QString folder(const QString &name) const { return path(name) + u'/'; }
    QString makeFolder(const QString &name) const
    {
        QDir().mkpath(path(name));
        return folder(name);
    }
    void makeProgram(const QString &name) const
    {
        writeFile(name, "#!/bin/sh\n");
        QFile::setPermissions(path(name), QFile::ReadOwner | QFile::ExeOwner);
    }
    QStringList askedTexts() const
    {
        QStringList texts;
        for (const DialogCall &call : m_dialogs.calls())
            texts << call.text;
        return texts;
    }
    // Every key away from its default, with folders and stamp that exist and entries of the lists.
    TProgramSettings completeSettings() const
    {
        TProgramSettings s = changedSettings();
        s.ImageMagickPath = makeFolder("im");
        s.ImageMagickOutputpath = makeFolder("out");
        s.ImageMagickBatchPath = makeFolder("batch");
        s.ImageMagickcopyrightimagepath = writeFile("stamp.png", "png");
        s.ImageMagickthumbnailpath = makeFolder("thumbs");
        s.Imagemagicktextmaskpath = makeFolder("tm");
        s.ImageMagickCopyrightOrientation = QStringLiteral("Southeast");
        s.imageMagickthumbnailsize = QStringLiteral("640x480");
        s.EnfusePath = makeFolder("enfuse");
        return s;
    }

    // The lines of the sections "ImageMagick" (31 keys) and "Enfuse", compared line by line so
    // that a difference names its key.
    QStringList postprocessSections(const char *file) const
    {
        const QByteArray bytes = readFile(QLatin1String(file));
        return QString::fromLatin1(bytes.mid(bytes.indexOf("[ImageMagick]"))).split("\r\n");
    }

    QWidget m_preview;
    std::unique_ptr<TImageMagickConfigForm> m_form;
};

} // namespace

TEST_F(ImageMagickConfigFormTest, StartsWithItsCreationValues)
{
    EXPECT_EQ(m_form->windowTitle(), "Imagemagick");
    const QString root = defaultSavepath();
    const std::pair<const char *, QString> texts[] = {
        {"ImageMagickPathEdit", ""},
        {"BatchPathedit", root + "Batch/"},
        {"BatchNameedit", "batch.sh"},
        {"OutputPathedit", root + "Output/"},
        {"CopyRightimagePathedit", ""},
        {"CopyRightPosXEdit", "0"},
        {"CopyrightposYEdit", "0"},
        {"ThumbnailPathEdit", root + "Thumbnails/"},
        {"Thumbnailprefixedit", "Thumb"},
        {"ThumbnailSizeXEdit", "0"},
        {"ThumbnailsizeYEdit", "0"},
        {"TextMaskEdit", ""},
        {"TextmaskPosXedit", "0"},
        {"TextmaskPosYEdit", "0"},
        {"TextMaskFontEdit", "DejaVu-Sans"},
        {"textmaskfontsizeedit", ""},
        {"Textmaskfontcoloredit", ""},
        {"TextMaskpathedit", root + "Textmask/"},
        {"textmaskfilenameedit", ""},
    };
    for (const auto &[name, text] : texts)
        EXPECT_EQ(edit(name)->text(), text) << name;
    for (const char *name : {"ActivateImagemagickCheckbox", "Createbatchcheckbox", "ShowBatchCheckbox",
                             "OverwriteOriginCheckbox", "CopyRightCheckbox", "MakeThumbnailscheckbox",
                             "TextmaskCheckbox"})
        EXPECT_FALSE(box(name)->isChecked()) << name;

    m_form->show();
    for (const char *name : {"OverwriteOriginCheckbox", "CopyRightPosXEdit", "CopyrightposYEdit",
                             "ThumbnailSizeXEdit", "ThumbnailsizeYEdit", "TextmaskPosXedit", "TextmaskPosYEdit"})
        EXPECT_FALSE(child<QWidget>(name)->isVisible()) << name;
    EXPECT_TRUE(edit("TextMaskFontEdit")->isVisible());

    for (const char *name : {"CopyRightOrientationCombobox", "TextmaskOrientationCombobox"}) {
        QComboBox *orientation = combo(name);
        EXPECT_EQ(orientation->currentIndex(), -1);
        QStringList captions;
        for (int i = 0; i < orientation->count(); ++i)
            captions << orientation->itemText(i);
        EXPECT_EQ(captions, QStringList({"Oben", "Unten", "Links", "Rechts", "ObenLinks", "ObenRechts",
                                         "Untenlinks", "UntenRechts", "Mitte"}));
    }
    QComboBox *sizes = combo("ThumbnailsizeCombobox");
    EXPECT_EQ(sizes->currentIndex(), -1);
    ASSERT_EQ(sizes->count(), 10);
    EXPECT_EQ(sizes->itemText(6), "1280x1024");
    EXPECT_EQ(sizes->itemText(8), "1280x1024");
    EXPECT_EQ(sizes->itemText(9), "User");
}

TEST_F(ImageMagickConfigFormTest, FindGravityIndexKnowsTheNineNamesExactly)
{
    const std::pair<const char *, int> cases[] = {
        {"North", 0}, {"East", 3}, {"Southeast", 7}, {"Center", 8},
        {"SouthEast", -1}, {"north", -1}, {"", -1}, {"Oben", -1},
    };
    for (const auto &[name, index] : cases)
        EXPECT_EQ(FindGravityIndex(QLatin1String(name)), index) << name;
}

TEST_F(ImageMagickConfigFormTest, AppliedSettingsComeBackUnchanged)
{
    const TProgramSettings stored = completeSettings();
    ProgramSettings() = stored;
    m_form->show();
    ImageMagickSettingsToWindow();
    ProgramSettings() = TProgramSettings{};
    ASSERT_TRUE(ImageMagickSettingsFromWindow());
    ASSERT_TRUE(writeConfiguration(path("window.ccf"), ProgramSettings()));
    ASSERT_TRUE(writeConfiguration(path("stored.ccf"), stored));
    EXPECT_EQ(postprocessSections("window.ccf").mid(0, 32), postprocessSections("stored.ccf").mid(0, 32));
    EXPECT_EQ(combo("CopyRightOrientationCombobox")->currentText(), "UntenRechts");
    EXPECT_EQ(combo("ThumbnailsizeCombobox")->currentIndex(), 4);
    EXPECT_TRUE(m_preview.isVisible());  // "show" stored on shows the preview at once
    for (const char *name : {"ImageMagickPathEdit", "BatchPathedit", "OutputPathedit",
                             "CopyRightimagePathedit", "ThumbnailPathEdit", "TextMaskpathedit"})
        EXPECT_TRUE(white(name)) << name;
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

// Missing folders and files are marked and switch their operation off, without a question,
// whether the window is open or not.
TEST_F(ImageMagickConfigFormTest, ApplyingMissingPathsMarksThemAndNeverAsks)
{
    for (bool shown : {false, true}) {
        SCOPED_TRACE(shown);
        m_form->setVisible(shown);
        TProgramSettings s = completeSettings();
        s.ImageMagickPath = folder("kein-im");
        s.ImageMagickBatchPath = folder("kein-batch");
        s.ImageMagickOutputpath = folder("kein-out");
        s.ImageMagickcopyrightimagepath = path("kein.png");
        s.ImageMagickthumbnailpath = folder("kein-thumbs");
        s.Imagemagicktextmaskpath = folder("kein-tm");
        s.ImageMagickCopyrightOrientation = QStringLiteral("Irgendwo");
        s.imageMagickthumbnailsize = QStringLiteral("7x7");
        ProgramSettings() = s;
        ImageMagickSettingsToWindow();

        for (const char *name : {"ImageMagickPathEdit", "BatchPathedit", "OutputPathedit",
                                 "CopyRightimagePathedit", "ThumbnailPathEdit", "TextMaskpathedit"})
            EXPECT_TRUE(red(name)) << name;
        EXPECT_TRUE(box("ActivateImagemagickCheckbox")->isChecked());  // kept as stored
        for (const char *name : {"Createbatchcheckbox", "ShowBatchCheckbox", "CopyRightCheckbox",
                                 "MakeThumbnailscheckbox"})
            EXPECT_FALSE(box(name)->isChecked()) << name;
        EXPECT_TRUE(box("TextmaskCheckbox")->isChecked());
        EXPECT_EQ(combo("CopyRightOrientationCombobox")->currentIndex(), -1);
        EXPECT_EQ(combo("ThumbnailsizeCombobox")->currentIndex(), -1);
        EXPECT_FALSE(m_preview.isVisible());

        ASSERT_TRUE(ImageMagickSettingsFromWindow());
        EXPECT_EQ(ProgramSettings().ImageMagickCopyrightOrientation, "Irgendwo");
        EXPECT_EQ(ProgramSettings().imageMagickthumbnailsize, "7x7");
        EXPECT_TRUE(m_dialogs.calls().isEmpty()) << m_dialogs.calls().first().toString().toStdString();
    }
}

TEST_F(ImageMagickConfigFormTest, EmptyStampIsNoStampAndNoError)
{
    ProgramSettings().ImageMagickCopyright = true;
    ImageMagickSettingsToWindow();
    EXPECT_TRUE(white("CopyRightimagePathedit"));
    EXPECT_TRUE(box("CopyRightCheckbox")->isChecked());

    m_form->show();
    QCheckBox *copyright = box("CopyRightCheckbox");
    copyright->click();  // off
    copyright->click();  // on: no stamp, so off again
    EXPECT_FALSE(copyright->isChecked());
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

TEST_F(ImageMagickConfigFormTest, AktivierenKeepsTheBoxOnlyWhenBothProgramsRun)
{
    const QString programs = makeFolder("im");
    makeProgram("im/convert");
    makeProgram("im/composite");
    makeFolder("half");
    makeProgram("half/convert");
    m_form->show();
    QCheckBox *activate = box("ActivateImagemagickCheckbox");
    QLineEdit *folderEdit = edit("ImageMagickPathEdit");

    folderEdit->setText(folder("half"));
    activate->click();
    EXPECT_FALSE(activate->isChecked());
    EXPECT_TRUE(red("ImageMagickPathEdit"));
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_EQ(m_dialogs.calls()[0].caption, "Fehler");
    EXPECT_EQ(m_dialogs.calls()[0].text, "Pfadangabe für Imagemagick ist Fehlerhaft " + folder("half") + "composite");
    EXPECT_EQ(m_dialogs.calls()[0].buttons, DialogButtons(DialogButton::Ok));

    m_dialogs.clear();
    folderEdit->setText(programs);
    activate->click();
    EXPECT_TRUE(activate->isChecked());
    EXPECT_TRUE(white("ImageMagickPathEdit"));

    // Unticking checks nothing.
    folderEdit->setText(folder("gibtsnicht"));
    activate->click();
    EXPECT_FALSE(activate->isChecked());
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

// Before the window is shown and after it hides, ticking validates nothing.
TEST_F(ImageMagickConfigFormTest, CheckBoxesValidateOnlyWhileTheWindowIsShown)
{
    edit("CopyRightimagePathedit")->setText(path("kein.png"));
    edit("BatchPathedit")->setText(folder("kein"));
    auto tickAll = [this] {
        for (const char *name : {"ActivateImagemagickCheckbox", "Createbatchcheckbox", "CopyRightCheckbox",
                                 "MakeThumbnailscheckbox"}) {
            box(name)->setChecked(false);
            box(name)->click();
        }
    };
    tickAll();
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
    EXPECT_FALSE(m_form->armed());

    m_form->show();
    EXPECT_TRUE(m_form->armed());
    m_form->hide();
    EXPECT_FALSE(m_form->armed());
    tickAll();
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

// The mend: every tick validates, none of the unticks does.
TEST_F(ImageMagickConfigFormTest, CopyrightValidatesEveryTickAndNoUntick)
{
    m_form->show();
    QLineEdit *stamp = edit("CopyRightimagePathedit");
    QCheckBox *copyright = box("CopyRightCheckbox");
    stamp->setText(path("kein.png"));
    for (int tick = 0; tick < 2; ++tick) {
        copyright->click();
        EXPECT_FALSE(copyright->isChecked());
        EXPECT_TRUE(red("CopyRightimagePathedit"));
    }
    EXPECT_EQ(askedTexts(), QStringList(2, "Pfadangabe für CopyrightStempel existiert nicht " + path("kein.png")));

    m_dialogs.clear();
    stamp->setText(writeFile("stamp.png", "png"));
    copyright->click();
    EXPECT_TRUE(copyright->isChecked());
    EXPECT_TRUE(white("CopyRightimagePathedit"));
    QFile::remove(path("stamp.png"));
    copyright->click();
    EXPECT_FALSE(copyright->isChecked());
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

// The mend: Yes creates the batch folder, and then the box stays ticked on a white field.
TEST_F(ImageMagickConfigFormTest, BatchdateiOffersTheFolderAndKeepsTheBoxWhenItWasCreated)
{
    m_form->show();
    QCheckBox *batch = box("Createbatchcheckbox");
    const QString missing = folder("neu/batch");
    edit("BatchPathedit")->setText(missing);
    const QString question = "Pfadangabe für Batchdatei existiert nicht " + missing
                             + "\r\n\r\nSoll es angelegt werden?";

    m_dialogs.answer(DialogButton::No).answer(DialogButton::Cancel);
    for (int tick = 0; tick < 2; ++tick) {
        batch->click();
        EXPECT_FALSE(batch->isChecked());
        EXPECT_TRUE(red("BatchPathedit"));
        EXPECT_FALSE(QFileInfo::exists(missing));
    }
    ASSERT_EQ(m_dialogs.calls().size(), 2);
    EXPECT_EQ(m_dialogs.calls()[0].text, question);
    EXPECT_EQ(m_dialogs.calls()[0].icon, MessageIcon::Error);
    EXPECT_EQ(m_dialogs.calls()[0].buttons, DialogButton::Yes | DialogButton::No | DialogButton::Cancel);

    m_dialogs.clear();
    m_dialogs.answer(DialogButton::Yes);
    batch->click();
    EXPECT_TRUE(batch->isChecked());
    EXPECT_TRUE(white("BatchPathedit"));
    EXPECT_TRUE(IsDirectory(missing));

    batch->click();  // off, and on again without a question now that the folder is there
    batch->click();
    EXPECT_TRUE(batch->isChecked());
    EXPECT_TRUE(m_dialogs.finished());
}

// Clicking "Batchdatei" from the folder field leaves the field first: one question, not two.
TEST_F(ImageMagickConfigFormTest, ClickingTheBoxFromItsFolderFieldAsksOnce)
{
    m_form->show();
    edit("BatchPathedit")->setText(folder("kein"));
    m_dialogs.answer(DialogButton::No);
    leave("BatchPathedit", Qt::MouseFocusReason);
    box("Createbatchcheckbox")->click();
    EXPECT_FALSE(box("Createbatchcheckbox")->isChecked());
    EXPECT_TRUE(red("BatchPathedit"));
    EXPECT_TRUE(m_dialogs.finished());
    EXPECT_EQ(m_dialogs.calls().size(), 1);

    m_dialogs.answer(DialogButton::No);
    box("Createbatchcheckbox")->click();  // a tick of its own asks
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(ImageMagickConfigFormTest, ThumbnailsOffersItsFolderButStaysTicked)
{
    m_form->show();
    edit("ThumbnailPathEdit")->setText(folder("kein"));
    m_dialogs.answer(DialogButton::No);
    box("MakeThumbnailscheckbox")->click();
    EXPECT_TRUE(box("MakeThumbnailscheckbox")->isChecked());
    EXPECT_TRUE(red("ThumbnailPathEdit"));
    EXPECT_EQ(askedTexts(), QStringList("Pfadangabe für Thumbnails existiert nicht " + folder("kein")
                                        + "\r\n\r\nSoll es angelegt werden?"));
}

TEST_F(ImageMagickConfigFormTest, LeavingAFolderFieldOffersItsCreation)
{
    struct Case
    {
        const char *field;
        const char *start;
    };
    const Case cases[] = {
        {"BatchPathedit", "Pfadangabe für Batchdatei existiert nicht "},
        {"OutputPathedit", "Pfadangabe für Ausgabeverzeichnis existiert nicht "},
        {"ThumbnailPathEdit", "Pfadangabe für Thumbnails existiert nicht "},
        {"TextMaskpathedit", "Pfadangabe für Textmaske existiert nicht "},
    };
    m_form->show();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.field);
        const QString missing = folder(QLatin1String(c.field));
        edit(c.field)->setText(missing);
        m_dialogs.clear();
        m_dialogs.answer(DialogButton::No);
        leave(c.field);
        EXPECT_EQ(askedTexts(), QStringList(QString::fromUtf8(c.start) + missing
                                            + "\r\n\r\nSoll es angelegt werden?"));
        EXPECT_TRUE(red(c.field));

        m_dialogs.clear();
        m_dialogs.answer(DialogButton::Yes);
        edit(c.field)->setText(missing + "unter/");
        leave(c.field, Qt::MouseFocusReason);
        EXPECT_TRUE(IsDirectory(missing + "unter/"));
        EXPECT_TRUE(white(c.field));
        EXPECT_TRUE(m_dialogs.finished());

        // An empty field is marked, not offered.
        m_dialogs.clear();
        edit(c.field)->clear();
        leave(c.field);
        EXPECT_TRUE(red(c.field));
        EXPECT_TRUE(m_dialogs.calls().isEmpty());
    }
}

TEST_F(ImageMagickConfigFormTest, LeaveReactsOnceToTheUsersFocusChangeOrReturn)
{
    m_form->show();
    QLineEdit *output = edit("OutputPathedit");
    output->setText(folder("kein"));
    // A box opening over the window, another window, a page switch: no leave of the user's.
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason, Qt::OtherFocusReason})
        leave("OutputPathedit", reason);
    EXPECT_TRUE(m_dialogs.calls().isEmpty());

    m_dialogs.answer(DialogButton::No);
    QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(output, &returnKey);
    leave("OutputPathedit");
    leave("OutputPathedit", Qt::BacktabFocusReason);
    EXPECT_EQ(m_dialogs.calls().size(), 1);

    // A changed text is checked again.
    output->setText(folder("auch-nicht"));
    m_dialogs.answer(DialogButton::No);
    leave("OutputPathedit");
    EXPECT_EQ(m_dialogs.calls().size(), 2);
    EXPECT_TRUE(m_dialogs.finished());
}

// With real focus: the field holds it as its page is switched away and as the window closes.
TEST_F(ImageMagickConfigFormTest, SwitchingTheTabOrClosingTheWindowIsNoLeave)
{
    QTabWidget tabs;
    tabs.addTab(m_form.release(), QStringLiteral("Imagemagick"));
    auto *form = static_cast<TImageMagickConfigForm *>(tabs.widget(0));
    auto *other = new QLineEdit;
    tabs.addTab(other, QStringLiteral("HDR"));
    tabs.show();
    tabs.activateWindow();
    ASSERT_TRUE(waitUntil([&tabs] { return tabs.isActiveWindow(); }));
    auto *batchPath = form->findChild<QLineEdit *>(QStringLiteral("BatchPathedit"));
    batchPath->setText(folder("kein"));
    batchPath->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(batchPath->hasFocus());

    tabs.setCurrentIndex(1);
    QCoreApplication::processEvents();
    tabs.setCurrentIndex(0);
    batchPath->setFocus(Qt::OtherFocusReason);
    tabs.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_dialogs.calls().isEmpty()) << m_dialogs.calls().first().toString().toStdString();
    m_form.reset(form);
    m_form->setParent(nullptr);
}

TEST_F(ImageMagickConfigFormTest, ImageMagickAndThumbnailFieldsReactOnlyWhileShown)
{
    edit("ImageMagickPathEdit")->setText(folder("kein"));
    edit("ThumbnailPathEdit")->setText(folder("kein"));
    leave("ImageMagickPathEdit");
    leave("ThumbnailPathEdit");
    EXPECT_FALSE(red("ImageMagickPathEdit"));
    EXPECT_TRUE(m_dialogs.calls().isEmpty());

    m_form->show();
    leave("ImageMagickPathEdit");
    EXPECT_TRUE(red("ImageMagickPathEdit"));
    edit("ImageMagickPathEdit")->clear();  // PATH
    leave("ImageMagickPathEdit");
    EXPECT_TRUE(white("ImageMagickPathEdit"));
    EXPECT_TRUE(m_dialogs.calls().isEmpty());  // the program folder is never offered
    m_dialogs.answer(DialogButton::No);
    leave("ThumbnailPathEdit");
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(ImageMagickConfigFormTest, StampFieldReportsAMissingFileWhenLeft)
{
    m_form->show();
    edit("CopyRightimagePathedit")->setText(path("kein.png"));
    leave("CopyRightimagePathedit");
    EXPECT_TRUE(red("CopyRightimagePathedit"));
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_EQ(m_dialogs.calls()[0].text, "Pfadangabe für CopyrightStempel existiert nicht " + path("kein.png"));
    edit("CopyRightimagePathedit")->setText(writeFile("s.png", "png"));
    leave("CopyRightimagePathedit");
    EXPECT_TRUE(white("CopyRightimagePathedit"));
    EXPECT_EQ(m_dialogs.calls().size(), 1);
}

TEST_F(ImageMagickConfigFormTest, TextMaskFolderIsColouredAsItIsTyped)
{
    QLineEdit *textmask = edit("TextMaskpathedit");
    textmask->setText(folder("kein"));
    EXPECT_TRUE(red("TextMaskpathedit"));
    textmask->setText(makeFolder("tm"));
    EXPECT_TRUE(white("TextMaskpathedit"));
}

TEST_F(ImageMagickConfigFormTest, SelectionsAndTheTextMaskReachTheSettings)
{
    ProgramSettings().ImageMagickTextmaskPrefix = QStringLiteral("alt");
    ImageMagickSettingsToWindow();
    m_form->show();
    combo("CopyRightOrientationCombobox")->setCurrentText(QStringLiteral("Rechts"));
    combo("TextmaskOrientationCombobox")->setCurrentText(QStringLiteral("Mitte"));
    combo("ThumbnailsizeCombobox")->setCurrentIndex(8);
    edit("TextMaskEdit")->setText(QStringLiteral("#PROJECT #TV"));
    EXPECT_EQ(ProgramSettings().ImagemagickTextmaskstr, "#PROJECT #TV");  // at once

    QString shownMask, shownPrefix;
    m_form->setMaskDialogOpener([&](const QString &mask, const QString &prefix) {
        shownMask = mask;
        shownPrefix = prefix;
        return std::pair{QStringLiteral("#ISO"), QStringLiteral("neu")};
    });
    press("TextMaskButton");
    EXPECT_EQ(shownMask, "#PROJECT #TV");
    EXPECT_EQ(shownPrefix, "alt");
    EXPECT_EQ(ProgramSettings().ImagemagickTextmaskstr, "#ISO");

    ASSERT_TRUE(ImageMagickSettingsFromWindow());
    const TProgramSettings &s = ProgramSettings();
    EXPECT_EQ(s.ImageMagickCopyrightOrientation, "East");
    EXPECT_EQ(s.ImagemagicktextmaskOrientationstr, "Center");
    EXPECT_EQ(s.imageMagickthumbnailsize, "1280x1024");
    EXPECT_EQ(s.ImageMagickTextmaskPrefix, "neu");
}

TEST_F(ImageMagickConfigFormTest, FontDialogFillsNameSizeAndColour)
{
    edit("textmaskfontsizeedit")->setText(QStringLiteral("12"));
    m_dialogs.answerFont(FontChoice{QStringLiteral("Times New Roman"), 14, false, false, 0xFF8001});
    press("TextMaskFontButton");
    EXPECT_EQ(edit("TextMaskFontEdit")->text(), "Times-New-Roman");
    EXPECT_EQ(edit("textmaskfontsizeedit")->text(), "14");
    EXPECT_EQ(edit("Textmaskfontcoloredit")->text(), "RGB(255,128,1)");
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_EQ(m_dialogs.calls()[0].font.family, "DejaVu Sans");
    EXPECT_EQ(m_dialogs.calls()[0].font.pointSize, 12);

    m_dialogs.answerCancel();
    press("TextMaskFontButton");
    EXPECT_EQ(edit("TextMaskFontEdit")->text(), "Times-New-Roman");
}

TEST_F(ImageMagickConfigFormTest, BrowseButtonsFillTheirFields)
{
    edit("OutputPathedit")->setText(folder("out"));
    edit("TextMaskpathedit")->setText(folder("tm"));
    struct Case
    {
        const char *button;
        const char *field;
        QString start;
    };
    const Case cases[] = {
        {"ImageMagickPathButton", "ImageMagickPathEdit", QString()},
        {"BatchPathButton", "BatchPathedit", defaultSavepath() + "Batch/"},
        {"ThumbnailPathButton", "ThumbnailPathEdit", folder("out")},
        {"OutputPathButton", "OutputPathedit", folder("out")},
        {"TextMaskPathButton", "TextMaskpathedit", folder("tm")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button);
        m_dialogs.clear();
        m_dialogs.answerPath(path("gewaehlt"));
        press(c.button);
        ASSERT_EQ(m_dialogs.calls().size(), 1);
        EXPECT_EQ(m_dialogs.calls()[0].kind, DialogKind::ChooseFolder);
        EXPECT_EQ(m_dialogs.calls()[0].startFolder, c.start);
        EXPECT_EQ(edit(c.field)->text(), folder("gewaehlt"));
    }

    m_dialogs.clear();
    m_dialogs.answerPath(path("stempel.png"));
    press("CopyRightimagePathButton");
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    const FileDialogOptions &options = m_dialogs.calls()[0].file;
    EXPECT_EQ(options.folder, "");
    EXPECT_EQ(options.defaultExtension, "*jpg");
    EXPECT_TRUE(options.filter.startsWith("Bildatei (*.jpg,*.bmp,*.gif,*.ico,*.png)|*.jpg;*.bmp"));
    EXPECT_TRUE(options.filter.contains("*.png"));
    EXPECT_EQ(edit("CopyRightimagePathedit")->text(), path("stempel.png"));
}

TEST_F(ImageMagickConfigFormTest, ShowTogglesThePreviewWindow)
{
    QCheckBox *show = box("ShowBatchCheckbox");
    show->click();
    EXPECT_TRUE(m_preview.isVisible());
    show->click();
    EXPECT_FALSE(m_preview.isVisible());
}

TEST_F(ImageMagickConfigFormTest, OffsetThatIsNoNumberKeepsTheRecordAndTheWindowOpen)
{
    ProgramSettings().ImagemagicktextmaskposX = 7;
    ImageMagickSettingsToWindow();
    m_form->show();
    edit("TextmaskPosXedit")->setText(QStringLiteral("zwölf"));
    edit("BatchNameedit")->setText(QStringLiteral("anders.sh"));
    const TProgramSettings before = ProgramSettings();
    EXPECT_FALSE(m_form->close());
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(m_form->armed());
    EXPECT_TRUE(ProgramSettings() == before);
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_TRUE(m_dialogs.calls()[0].text.contains("zwölf"));

    edit("TextmaskPosXedit")->setText(QStringLiteral("-3"));
    edit("TextmaskPosYEdit")->setText(QStringLiteral("12"));
    EXPECT_TRUE(m_form->close());
    EXPECT_FALSE(m_form->armed());
    EXPECT_EQ(ProgramSettings().ImagemagicktextmaskposX, -3);
    EXPECT_EQ(ProgramSettings().ImagemagicktextmaskposY, 12);
    EXPECT_EQ(ProgramSettings().ImageMagickBatchName, "anders.sh");
}

// Through both windows every ImageMagick and Enfuse key comes back as it was written.
TEST_F(ImageMagickConfigFormTest, SaveLoadSaveThroughTheWindowsIsByteIdentical)
{
    TFHdrOptions hdr;
    attachSettingsWindow(SettingsWindowKind::Hdr, &hdr);
    TProgramSettings stored = completeSettings();
    ProgramSettings() = stored;
    ImageMagickSettingsToWindow();
    HdrSettingsToWindow();
    ASSERT_TRUE(SaveConfiguration(path("a.ccf")));

    ProgramSettings() = TProgramSettings{};
    ImageMagickSettingsToWindow();
    HdrSettingsToWindow();
    ASSERT_TRUE(LoadConfiguration(path("a.ccf")));
    ASSERT_TRUE(SaveConfiguration(path("b.ccf")));

    EXPECT_EQ(readFile("a.ccf"), readFile("b.ccf"));
    ASSERT_TRUE(writeConfiguration(path("stored.ccf"), stored));
    EXPECT_EQ(postprocessSections("a.ccf"), postprocessSections("stored.ccf"));
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}
