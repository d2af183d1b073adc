#include "ui/imagemagickconfigform.h"

#include "platform/dialogs.h"
#include "platform/texthelpers.h"
#include "postprocess/magickprograms.h"
#include "settings/programsettings.h"
#include "ui/fieldhelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <optional>

namespace {

using P = TProgramSettings;

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit *hiddenNumber(const char *name)
{
    auto *edit = named(new QLineEdit(QStringLiteral("0")), name);
    edit->setVisible(false);
    return edit;
}

QPushButton *browseButton(const char *name)
{
    return named(new QPushButton(QStringLiteral("...")), name);
}

// Focus that the user moved away; not a window that hides, a page that is switched or a box
// that opens over the window.
bool leftByUser(Qt::FocusReason reason)
{
    switch (reason) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    default:
        return false;
    }
}

// An empty ImageMagick folder means the programs are found on PATH.
bool imageMagickFolderValid(const QString &folder)
{
    return folder.isEmpty() || IsDirectory(folder);
}

QString folderUnderPictureRoot(const char *name)
{
    return defaultSavepath() + QLatin1String(name) + u'/';
}

QString rgbText(quint32 colour)
{
    return QStringLiteral("RGB(%1,%2,%3)")
        .arg((colour >> 16) & 0xFF)
        .arg((colour >> 8) & 0xFF)
        .arg(colour & 0xFF);
}

} // namespace

const QList<TOrientation> &Torientationlist()
{
    static const QList<TOrientation> list = {
        {"North", "Oben"},          {"South", "Unten"},           {"West", "Links"},
        {"East", "Rechts"},         {"Northwest", "ObenLinks"},   {"Northeast", "ObenRechts"},
        {"Southwest", "Untenlinks"}, {"Southeast", "UntenRechts"}, {"Center", "Mitte"},
    };
    return list;
}

int FindGravityIndex(const QString &gravity)
{
    const QList<TOrientation> &list = Torientationlist();
    for (int i = 0; i < list.size(); ++i) {
        if (gravity == QLatin1String(list[i].gravity))
            return i;
    }
    return -1;
}

const QStringList &thumbnailSizeList()
{
    static const QStringList sizes = {
        QStringLiteral("50x50"),     QStringLiteral("100x100"),  QStringLiteral("150x150"),
        QStringLiteral("200x200"),   QStringLiteral("640x480"),  QStringLiteral("800x600"),
        QStringLiteral("1280x1024"), QStringLiteral("1024x768"), QStringLiteral("1280x1024"),
        QStringLiteral("User"),
    };
    return sizes;
}

TImageMagickConfigForm::TImageMagickConfigForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ImageMagickConfigForm"));
    setWindowTitle(QStringLiteral("Imagemagick"));
    buildControls();
    wireReactions();
}

void TImageMagickConfigForm::buildControls()
{
    auto label = [](const char *text) { return new QLabel(QString::fromUtf8(text)); };
    auto orientationBox = [](const char *name) {
        auto *box = named(new QComboBox, name);
        for (const TOrientation &entry : Torientationlist())
            box->addItem(QString::fromUtf8(entry.caption));
        box->setCurrentIndex(-1);
        return box;
    };

    auto *programGroup = new QGroupBox;
    auto *program = new QGridLayout(programGroup);
    ActivateImagemagickCheckbox = named(new QCheckBox(QStringLiteral("Aktivieren")), "ActivateImagemagickCheckbox");
    ImageMagickPathEdit = named(new QLineEdit, "ImageMagickPathEdit");
    ImageMagickPathButton = browseButton("ImageMagickPathButton");
    OutputPathedit = named(new QLineEdit(folderUnderPictureRoot("Output")), "OutputPathedit");
    OutputPathButton = browseButton("OutputPathButton");
    OverwriteOriginCheckbox =
        named(new QCheckBox(QStringLiteral("Originale überschreiben")), "OverwriteOriginCheckbox");
    OverwriteOriginCheckbox->setVisible(false);
    program->addWidget(ActivateImagemagickCheckbox, 0, 0);
    program->addWidget(label("Imagemagick Pfad"), 1, 0);
    program->addWidget(ImageMagickPathEdit, 2, 0);
    program->addWidget(ImageMagickPathButton, 2, 1);
    program->addWidget(label("Ausgabeverzeichnis"), 3, 0);
    program->addWidget(OutputPathedit, 4, 0);
    program->addWidget(OutputPathButton, 4, 1);
    program->addWidget(OverwriteOriginCheckbox, 5, 0);

    auto *batchGroup = new QGroupBox;
    auto *batch = new QGridLayout(batchGroup);
    Createbatchcheckbox = named(new QCheckBox(QStringLiteral("Batchdatei")), "Createbatchcheckbox");
    ShowBatchCheckbox = named(new QCheckBox(QStringLiteral("show")), "ShowBatchCheckbox");
    BatchPathedit = named(new QLineEdit(folderUnderPictureRoot("Batch")), "BatchPathedit");
    BatchPathButton = browseButton("BatchPathButton");
    BatchNameedit = named(new QLineEdit(QLatin1String(DefaultBatchName)), "BatchNameedit");
    batch->addWidget(Createbatchcheckbox, 0, 0);
    batch->addWidget(ShowBatchCheckbox, 0, 1);
    batch->addWidget(label("Batchdatei Pfad"), 1, 0);
    batch->addWidget(BatchPathedit, 2, 0);
    batch->addWidget(BatchPathButton, 2, 1);
    batch->addWidget(label("Batchdatei Name"), 3, 0);
    batch->addWidget(BatchNameedit, 4, 0);

    auto *copyrightGroup = new QGroupBox;
    auto *copyright = new QGridLayout(copyrightGroup);
    CopyRightCheckbox = named(new QCheckBox(QStringLiteral("Copyright")), "CopyRightCheckbox");
    CopyRightimagePathedit = named(new QLineEdit, "CopyRightimagePathedit");
    CopyRightimagePathButton = browseButton("CopyRightimagePathButton");
    CopyRightOrientationCombobox = orientationBox("CopyRightOrientationCombobox");
    CopyRightPosXEdit = hiddenNumber("CopyRightPosXEdit");
    CopyrightposYEdit = hiddenNumber("CopyrightposYEdit");
    copyright->addWidget(CopyRightCheckbox, 0, 0);
    copyright->addWidget(label("Copyrightstempel"), 1, 0);
    copyright->addWidget(CopyRightimagePathedit, 2, 0);
    copyright->addWidget(CopyRightimagePathButton, 2, 1);
    copyright->addWidget(label("Ausrichtung"), 3, 0);
    copyright->addWidget(CopyRightOrientationCombobox, 4, 0);
    copyright->addWidget(CopyRightPosXEdit, 5, 0);
    copyright->addWidget(CopyrightposYEdit, 5, 1);

    auto *thumbnailGroup = new QGroupBox;
    auto *thumbnail = new QGridLayout(thumbnailGroup);
    MakeThumbnailscheckbox = named(new QCheckBox(QStringLiteral("Thumbnails")), "MakeThumbnailscheckbox");
    ThumbnailPathEdit = named(new QLineEdit(folderUnderPictureRoot("Thumbnails")), "ThumbnailPathEdit");
    ThumbnailPathButton = browseButton("ThumbnailPathButton");
    Thumbnailprefixedit = named(new QLineEdit(QStringLiteral("Thumb")), "Thumbnailprefixedit");
    ThumbnailsizeCombobox = named(new QComboBox, "ThumbnailsizeCombobox");
    ThumbnailsizeCombobox->addItems(thumbnailSizeList());
    ThumbnailsizeCombobox->setCurrentIndex(-1);
    ThumbnailSizeXEdit = hiddenNumber("ThumbnailSizeXEdit");
    ThumbnailsizeYEdit = hiddenNumber("ThumbnailsizeYEdit");
    thumbnail->addWidget(MakeThumbnailscheckbox, 0, 0);
    thumbnail->addWidget(label("ThumbNailPfad"), 1, 0);
    thumbnail->addWidget(ThumbnailPathEdit, 2, 0);
    thumbnail->addWidget(ThumbnailPathButton, 2, 1);
    thumbnail->addWidget(label("Prefix"), 3, 0);
    thumbnail->addWidget(Thumbnailprefixedit, 4, 0);
    thumbnail->addWidget(label("Grösse"), 5, 0);
    thumbnail->addWidget(ThumbnailsizeCombobox, 6, 0);
    thumbnail->addWidget(ThumbnailSizeXEdit, 7, 0);
    thumbnail->addWidget(ThumbnailsizeYEdit, 7, 1);

    auto *textGroup = new QGroupBox;
    auto *text = new QGridLayout(textGroup);
    TextmaskCheckbox = named(new QCheckBox(QStringLiteral("Text")), "TextmaskCheckbox");
    TextMaskEdit = named(new QLineEdit, "TextMaskEdit");
    TextMaskButton = browseButton("TextMaskButton");
    TextmaskOrientationCombobox = orientationBox("TextmaskOrientationCombobox");
    TextmaskPosXedit = hiddenNumber("TextmaskPosXedit");
    TextmaskPosYEdit = hiddenNumber("TextmaskPosYEdit");
    // Debian's fonts; a font ImageMagick does not know makes label: fail.
    TextMaskFontEdit = named(new QLineEdit(QStringLiteral("DejaVu-Sans")), "TextMaskFontEdit");
    TextMaskFontButton = named(new QPushButton(QStringLiteral("Font")), "TextMaskFontButton");
    textmaskfontsizeedit = named(new QLineEdit, "textmaskfontsizeedit");
    Textmaskfontcoloredit = named(new QLineEdit, "Textmaskfontcoloredit");
    TextMaskpathedit = named(new QLineEdit(folderUnderPictureRoot("Textmask")), "TextMaskpathedit");
    TextMaskPathButton = browseButton("TextMaskPathButton");
    textmaskfilenameedit = named(new QLineEdit, "textmaskfilenameedit");
    text->addWidget(TextmaskCheckbox, 0, 0);
    text->addWidget(label("Textmaske"), 1, 0);
    text->addWidget(TextMaskEdit, 2, 0);
    text->addWidget(TextMaskButton, 2, 1);
    text->addWidget(label("Ausrichtung"), 3, 0);
    text->addWidget(TextmaskOrientationCombobox, 4, 0);
    text->addWidget(TextmaskPosXedit, 5, 0);
    text->addWidget(TextmaskPosYEdit, 5, 1);
    text->addWidget(label("Font"), 6, 0);
    text->addWidget(TextMaskFontEdit, 7, 0);
    text->addWidget(TextMaskFontButton, 7, 1);
    text->addWidget(label("FontSize"), 8, 0);
    text->addWidget(textmaskfontsizeedit, 9, 0);
    text->addWidget(label("FontColor"), 10, 0);
    text->addWidget(Textmaskfontcoloredit, 11, 0);
    text->addWidget(label("Textmask Pfad"), 12, 0);
    text->addWidget(TextMaskpathedit, 13, 0);
    text->addWidget(TextMaskPathButton, 13, 1);
    text->addWidget(label("textmask name"), 14, 0);
    text->addWidget(textmaskfilenameedit, 15, 0);

    auto *layout = new QGridLayout(this);
    layout->addWidget(programGroup, 0, 0);
    layout->addWidget(batchGroup, 1, 0);
    layout->addWidget(copyrightGroup, 2, 0);
    layout->addWidget(thumbnailGroup, 3, 0);
    layout->addWidget(textGroup, 0, 1, 4, 1);
}

void TImageMagickConfigForm::wireReactions()
{
    using F = TImageMagickConfigForm;
    connect(ActivateImagemagickCheckbox, &QCheckBox::toggled, this, &F::ActivateImagemagickCheckboxClick);
    connect(Createbatchcheckbox, &QCheckBox::toggled, this, &F::CreatebatchcheckboxClick);
    connect(CopyRightCheckbox, &QCheckBox::toggled, this, &F::CopyRightCheckboxClick);
    connect(MakeThumbnailscheckbox, &QCheckBox::toggled, this, &F::MakeThumbnailscheckboxClick);
    connect(ShowBatchCheckbox, &QCheckBox::toggled, this, &F::ShowBatchCheckboxClick);

    onLeave(ImageMagickPathEdit, &F::ImageMagickPathEditExit);
    onLeave(BatchPathedit, &F::BatchPatheditExit);
    onLeave(OutputPathedit, &F::OutputPatheditExit);
    onLeave(ThumbnailPathEdit, &F::ThumbnailPathEditExit);
    onLeave(TextMaskpathedit, &F::TextMaskpatheditExit);
    onLeave(CopyRightimagePathedit, &F::CopyRightimagePatheditExit);
    for (QLineEdit *edit : {ImageMagickPathEdit, ThumbnailPathEdit})
        m_leaveReactions[edit].whileArmed = true;

    connect(TextMaskpathedit, &QLineEdit::textChanged, this,
            [this](const QString &folder) { markPathField(TextMaskpathedit, IsDirectory(folder)); });
    connect(TextMaskEdit, &QLineEdit::textChanged, this,
            [](const QString &mask) { ProgramSettings().ImagemagickTextmaskstr = mask; });

    connect(CopyRightOrientationCombobox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_copyrightGravity = QLatin1String(Torientationlist()[index].gravity);
    });
    connect(TextmaskOrientationCombobox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_textmaskGravity = QLatin1String(Torientationlist()[index].gravity);
    });
    connect(ThumbnailsizeCombobox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_thumbnailSize = ThumbnailsizeCombobox->itemText(index);
    });

    connect(TextMaskFontButton, &QPushButton::clicked, this, &F::TextMaskFontButtonClick);
    connect(TextMaskButton, &QPushButton::clicked, this, &F::TextMaskButtonClick);
    connect(CopyRightimagePathButton, &QPushButton::clicked, this, &F::CopyRightimagePathButtonClick);
    const std::pair<QPushButton *, QLineEdit *> ownFolder[] = {
        {ImageMagickPathButton, ImageMagickPathEdit}, {BatchPathButton, BatchPathedit},
        {OutputPathButton, OutputPathedit}, {TextMaskPathButton, TextMaskpathedit}};
    for (const auto &entry : ownFolder) {
        QLineEdit *field = entry.second;
        connect(entry.first, &QPushButton::clicked, this, [this, field] { chooseFolderInto(field, field->text()); });
    }
    // Thumbnails usually go beside the output.
    connect(ThumbnailPathButton, &QPushButton::clicked, this,
            [this] { chooseFolderInto(ThumbnailPathEdit, OutputPathedit->text()); });
}

void TImageMagickConfigForm::onLeave(QLineEdit *edit, void (TImageMagickConfigForm::*react)())
{
    m_leaveReactions.insert(edit, {react, false});
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { fieldLeft(edit); });
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { m_leftWith.remove(edit); });
}

bool TImageMagickConfigForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        // A field that is hiding loses its focus as if by Tab; that is no leave of the user's.
        if (edit && m_leaveReactions.contains(edit) && edit->isVisible()
            && leftByUser(static_cast<QFocusEvent *>(event)->reason()))
            fieldLeft(edit);
    }
    return QWidget::eventFilter(watched, event);
}

// Return and the focus leaving both come here; one text is checked once.
void TImageMagickConfigForm::fieldLeft(QLineEdit *edit)
{
    const LeaveReaction reaction = m_leaveReactions.value(edit);
    if (reaction.whileArmed && !m_armed)
        return;
    const auto last = m_leftWith.constFind(edit);
    if (last != m_leftWith.cend() && *last == edit->text())
        return;
    m_leftWith.insert(edit, edit->text());
    (this->*reaction.react)();
}

void TImageMagickConfigForm::showEvent(QShowEvent *event)
{
    m_armed = true;
    QWidget::showEvent(event);
}

void TImageMagickConfigForm::hideEvent(QHideEvent *event)
{
    m_armed = false;
    QWidget::hideEvent(event);
}

void TImageMagickConfigForm::closeEvent(QCloseEvent *event)
{
    m_armed = false;
    if (settingsFromWindow())
        event->accept();
    else
        event->ignore();
}

bool TImageMagickConfigForm::settingsFromWindow()
{
    struct NumberField
    {
        QLineEdit *edit;
        int P::*field;
        const char *label;
    };
    const NumberField numbers[] = {
        {CopyRightPosXEdit, &P::ImageMagickcopyrightPosx, "Copyright Xpos"},
        {CopyrightposYEdit, &P::ImageMagickcopyrightPosy, "Copyright YPos"},
        {ThumbnailSizeXEdit, &P::imagemagickthumbnailsizex, "Thumbnail X"},
        {ThumbnailsizeYEdit, &P::imagemagickthumbnailsizeY, "Thumbnail Y"},
        {TextmaskPosXedit, &P::ImagemagicktextmaskposX, "Textmaske XPos"},
        {TextmaskPosYEdit, &P::ImagemagicktextmaskposY, "Textmaske YPos"},
    };
    for (const NumberField &number : numbers) {
        if (!wholeNumber(number.edit->text())) {
            reportNotANumber(QLatin1String(number.label), number.edit->text());
            return false;
        }
    }
    TProgramSettings &s = ProgramSettings();
    for (const NumberField &number : numbers)
        s.*number.field = *wholeNumber(number.edit->text());
    s.UseImageMagick = ActivateImagemagickCheckbox->isChecked();
    s.ImageMagickPath = ImageMagickPathEdit->text();
    s.CreateBatch = Createbatchcheckbox->isChecked();
    s.ShowBatch = ShowBatchCheckbox->isChecked();
    s.ImageMagickOutputpath = OutputPathedit->text();
    s.ImageMagickOverwriteOrigin = OverwriteOriginCheckbox->isChecked();
    s.ImageMagickBatchPath = BatchPathedit->text();
    s.ImageMagickBatchName = BatchNameedit->text();
    s.ImageMagickCopyright = CopyRightCheckbox->isChecked();
    s.ImageMagickcopyrightimagepath = CopyRightimagePathedit->text();
    s.ImageMagickCopyrightOrientation = m_copyrightGravity;
    s.ImageMagickThumbnails = MakeThumbnailscheckbox->isChecked();
    s.ImageMagickthumbnailpath = ThumbnailPathEdit->text();
    s.imageMagickthumbnailsize = m_thumbnailSize;
    s.imageMagickthumbnailprefix = Thumbnailprefixedit->text();
    s.ImagemagickTextmask = TextmaskCheckbox->isChecked();
    s.ImagemagickTextmaskstr = TextMaskEdit->text();
    s.ImageMagickTextmaskPrefix = m_maskPrefix;
    s.ImagemagicktextmaskOrientationstr = m_textmaskGravity;
    s.Imagemagicktextmaskfontstr = TextMaskFontEdit->text();
    s.Imagemagicktextmaskfontsizestr = textmaskfontsizeedit->text();
    s.Imagemagicktextmaskfontcolorstr = Textmaskfontcoloredit->text();
    s.Imagemagicktextmaskpath = TextMaskpathedit->text();
    s.Imagemagicktextmaskfilename = textmaskfilenameedit->text();
    return true;
}

void TImageMagickConfigForm::settingsToWindow()
{
    // Applying settings never asks: the check boxes do not validate meanwhile.
    const bool wasArmed = std::exchange(m_armed, false);
    const TProgramSettings &s = ProgramSettings();

    ImageMagickPathEdit->setText(s.ImageMagickPath);
    markPathField(ImageMagickPathEdit, imageMagickFolderValid(s.ImageMagickPath));
    ActivateImagemagickCheckbox->setChecked(s.UseImageMagick);

    BatchPathedit->setText(s.ImageMagickBatchPath);
    BatchNameedit->setText(s.ImageMagickBatchName);
    const bool batchFolder = IsDirectory(s.ImageMagickBatchPath);
    markPathField(BatchPathedit, batchFolder);
    ShowBatchCheckbox->setChecked(batchFolder && s.ShowBatch);
    Createbatchcheckbox->setChecked(batchFolder && s.CreateBatch);

    OutputPathedit->setText(s.ImageMagickOutputpath);
    markPathField(OutputPathedit, IsDirectory(s.ImageMagickOutputpath));
    OverwriteOriginCheckbox->setChecked(s.ImageMagickOverwriteOrigin);

    const QString &stamp = s.ImageMagickcopyrightimagepath;
    const bool stampMissing = !stamp.isEmpty() && !QFileInfo(stamp).isFile();
    CopyRightimagePathedit->setText(stamp);
    markPathField(CopyRightimagePathedit, !stampMissing);
    CopyRightCheckbox->setChecked(!stampMissing && s.ImageMagickCopyright);
    CopyRightOrientationCombobox->setCurrentIndex(FindGravityIndex(s.ImageMagickCopyrightOrientation));
    m_copyrightGravity = s.ImageMagickCopyrightOrientation;
    CopyRightPosXEdit->setText(QString::number(s.ImageMagickcopyrightPosx));
    CopyrightposYEdit->setText(QString::number(s.ImageMagickcopyrightPosy));

    ThumbnailPathEdit->setText(s.ImageMagickthumbnailpath);
    const bool thumbnailFolder = IsDirectory(s.ImageMagickthumbnailpath);
    markPathField(ThumbnailPathEdit, thumbnailFolder);
    MakeThumbnailscheckbox->setChecked(thumbnailFolder && s.ImageMagickThumbnails);
    Thumbnailprefixedit->setText(s.imageMagickthumbnailprefix);
    ThumbnailsizeCombobox->setCurrentIndex(
        ThumbnailsizeCombobox->findText(s.imageMagickthumbnailsize, Qt::MatchExactly));
    m_thumbnailSize = s.imageMagickthumbnailsize;
    ThumbnailSizeXEdit->setText(QString::number(s.imagemagickthumbnailsizex));
    ThumbnailsizeYEdit->setText(QString::number(s.imagemagickthumbnailsizeY));

    TextmaskCheckbox->setChecked(s.ImagemagickTextmask);
    TextMaskEdit->setText(s.ImagemagickTextmaskstr);
    m_maskPrefix = s.ImageMagickTextmaskPrefix;
    TextmaskOrientationCombobox->setCurrentIndex(FindGravityIndex(s.ImagemagicktextmaskOrientationstr));
    m_textmaskGravity = s.ImagemagicktextmaskOrientationstr;
    TextmaskPosXedit->setText(QString::number(s.ImagemagicktextmaskposX));
    TextmaskPosYEdit->setText(QString::number(s.ImagemagicktextmaskposY));
    TextMaskFontEdit->setText(s.Imagemagicktextmaskfontstr);
    textmaskfontsizeedit->setText(s.Imagemagicktextmaskfontsizestr);
    Textmaskfontcoloredit->setText(s.Imagemagicktextmaskfontcolorstr);
    TextMaskpathedit->setText(s.Imagemagicktextmaskpath);
    textmaskfilenameedit->setText(s.Imagemagicktextmaskfilename);

    m_armed = wasArmed;
}

// The check boxes validate when the user ticks them; unticking needs no valid path.
void TImageMagickConfigForm::ActivateImagemagickCheckboxClick(bool checked)
{
    if (!m_armed || !checked)
        return;
    const std::optional<QString> missing = missingMagickProgram(ImageMagickPathEdit->text());
    if (missing) {
        appDialogs().showMessage(QStringLiteral("Fehler"),
                                 QStringLiteral("Pfadangabe für Imagemagick ist Fehlerhaft ") + *missing,
                                 MessageIcon::Error);
        uncheck(ActivateImagemagickCheckbox);
    }
    markPathField(ImageMagickPathEdit, !missing);
}

void TImageMagickConfigForm::CreatebatchcheckboxClick(bool checked)
{
    if (!m_armed || !checked)
        return;
    if (!folderFieldReady(BatchPathedit, QStringLiteral("Pfadangabe für Batchdatei existiert nicht ")))
        uncheck(Createbatchcheckbox);
}

void TImageMagickConfigForm::CopyRightCheckboxClick(bool checked)
{
    if (m_armed && checked && !stampReady())
        uncheck(CopyRightCheckbox);
}

void TImageMagickConfigForm::MakeThumbnailscheckboxClick(bool checked)
{
    if (m_armed && checked)
        folderFieldReady(ThumbnailPathEdit, QStringLiteral("Pfadangabe für Thumbnails existiert nicht "));
}

void TImageMagickConfigForm::ShowBatchCheckboxClick(bool checked)
{
    if (m_preview)
        m_preview->setVisible(checked);
}

void TImageMagickConfigForm::ImageMagickPathEditExit()
{
    markPathField(ImageMagickPathEdit, imageMagickFolderValid(ImageMagickPathEdit->text()));
}

void TImageMagickConfigForm::BatchPatheditExit()
{
    folderFieldReady(BatchPathedit, QStringLiteral("Pfadangabe für Batchdatei existiert nicht "));
}

void TImageMagickConfigForm::OutputPatheditExit()
{
    folderFieldReady(OutputPathedit, QStringLiteral("Pfadangabe für Ausgabeverzeichnis existiert nicht "));
}

void TImageMagickConfigForm::ThumbnailPathEditExit()
{
    folderFieldReady(ThumbnailPathEdit, QStringLiteral("Pfadangabe für Thumbnails existiert nicht "));
}

void TImageMagickConfigForm::TextMaskpatheditExit()
{
    folderFieldReady(TextMaskpathedit, QStringLiteral("Pfadangabe für Textmaske existiert nicht "));
}

void TImageMagickConfigForm::CopyRightimagePatheditExit()
{
    stampReady();
}

// A missing folder is offered for creation; an empty field is only marked.
bool TImageMagickConfigForm::folderFieldReady(QLineEdit *edit, const QString &questionStart)
{
    const QString folder = edit->text();
    const bool ready = IsDirectory(folder)
                       || (!folder.isEmpty()
                           && offerFolderCreation(folderCreationQuestion(questionStart, folder), folder));
    markPathField(edit, ready);
    return ready;
}

// An empty stamp field is no stamp, and no error either.
bool TImageMagickConfigForm::stampReady()
{
    const QString stamp = CopyRightimagePathedit->text();
    const bool present = QFileInfo(stamp).isFile();
    if (!stamp.isEmpty() && !present) {
        appDialogs().showMessage(QStringLiteral("Fehler"),
                                 QStringLiteral("Pfadangabe für CopyrightStempel existiert nicht ") + stamp,
                                 MessageIcon::Error);
    }
    markPathField(CopyRightimagePathedit, stamp.isEmpty() || present);
    return present;
}

void TImageMagickConfigForm::uncheck(QCheckBox *box)
{
    const QSignalBlocker quiet(box);
    box->setChecked(false);
}

void TImageMagickConfigForm::TextMaskFontButtonClick()
{
    FontChoice initial;
    initial.family = TextMaskFontEdit->text().replace(u'-', u' ');
    initial.pointSize = wholeNumber(textmaskfontsizeedit->text()).value_or(initial.pointSize);
    const std::optional<FontChoice> font = appDialogs().chooseFont(QStringLiteral("Font"), initial);
    if (!font)
        return;
    // ImageMagick's font names have no blanks.
    TextMaskFontEdit->setText(QString(font->family).replace(u' ', u'-'));
    textmaskfontsizeedit->setText(QString::number(font->pointSize));
    Textmaskfontcoloredit->setText(rgbText(font->color));
}

void TImageMagickConfigForm::TextMaskButtonClick()
{
    if (!m_maskDialogOpener)
        return;
    const auto [mask, prefix] = m_maskDialogOpener(TextMaskEdit->text(), m_maskPrefix);
    TextMaskEdit->setText(mask);
    m_maskPrefix = prefix;
}

void TImageMagickConfigForm::CopyRightimagePathButtonClick()
{
    FileDialogOptions options;
    options.defaultExtension = QStringLiteral("*jpg");
    options.filter = QStringLiteral("Bildatei (*.jpg,*.bmp,*.gif,*.ico,*.png)|*.jpg;*.bmp;*.gif;*.ico;*.png");
    if (const std::optional<QString> chosen = appDialogs().openFile(options))
        CopyRightimagePathedit->setText(*chosen);
}

void TImageMagickConfigForm::chooseFolderInto(QLineEdit *field, const QString &start)
{
    if (const std::optional<QString> folder = appDialogs().chooseFolder(QString(), start)) {
        field->setText(withTrailingSeparator(*folder));
        markPathField(field, true);
    }
}
