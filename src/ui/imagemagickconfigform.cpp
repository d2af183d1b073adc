#include "ui/imagemagickconfigform.h"

#include "platform/dialogs.h"
#include "platform/texthelpers.h"
#include "postprocess/magickprograms.h"
#include "settings/programsettings.h"
#include "ui/fieldhelpers.h"
#include "ui/widgethelpers.h"

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

#include <optional>

namespace {

using P = TProgramSettings;

// The starts of the questions that offer a missing folder; a check box and its field both ask.
constexpr const char *BatchFolderQuestion = "Pfadangabe für Batchdatei existiert nicht ";
constexpr const char *ThumbnailFolderQuestion = "Pfadangabe für Thumbnails existiert nicht ";

QLineEdit *hiddenNumber(const char *name)
{
    auto *edit = named(new QLineEdit(QStringLiteral("0")), name);
    edit->setVisible(false);
    return edit;
}

QLabel *label(const char *text)
{
    return new QLabel(QString::fromUtf8(text));
}

// One row per entry: a control, or a field with its button beside it.
struct GroupRow
{
    QWidget *left;
    QWidget *right = nullptr;
};

QGroupBox *group(std::initializer_list<GroupRow> rows)
{
    auto *box = new QGroupBox;
    auto *grid = new QGridLayout(box);
    int row = 0;
    for (const GroupRow &entry : rows) {
        grid->addWidget(entry.left, row, 0);
        if (entry.right)
            grid->addWidget(entry.right, row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    return box;
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
    auto orientationBox = [](const char *name) {
        auto *box = named(new QComboBox, name);
        for (const TOrientation &entry : Torientationlist())
            box->addItem(QString::fromUtf8(entry.caption));
        box->setCurrentIndex(-1);
        return box;
    };
    ActivateImagemagickCheckbox = named(new QCheckBox(QStringLiteral("Aktivieren")), "ActivateImagemagickCheckbox");
    ImageMagickPathEdit = named(new QLineEdit, "ImageMagickPathEdit");
    ImageMagickPathButton = browseButton("ImageMagickPathButton");
    OutputPathedit = named(new QLineEdit(folderUnderPictureRoot("Output")), "OutputPathedit");
    OutputPathButton = browseButton("OutputPathButton");
    OverwriteOriginCheckbox =
        named(new QCheckBox(QStringLiteral("Originale überschreiben")), "OverwriteOriginCheckbox");
    OverwriteOriginCheckbox->setVisible(false);

    Createbatchcheckbox = named(new QCheckBox(QStringLiteral("Batchdatei")), "Createbatchcheckbox");
    ShowBatchCheckbox = named(new QCheckBox(QStringLiteral("show")), "ShowBatchCheckbox");
    BatchPathedit = named(new QLineEdit(folderUnderPictureRoot("Batch")), "BatchPathedit");
    BatchPathButton = browseButton("BatchPathButton");
    BatchNameedit = named(new QLineEdit(QLatin1String(DefaultBatchName)), "BatchNameedit");

    CopyRightCheckbox = named(new QCheckBox(QStringLiteral("Copyright")), "CopyRightCheckbox");
    CopyRightimagePathedit = named(new QLineEdit, "CopyRightimagePathedit");
    CopyRightimagePathButton = browseButton("CopyRightimagePathButton");
    CopyRightOrientationCombobox = orientationBox("CopyRightOrientationCombobox");
    CopyRightPosXEdit = hiddenNumber("CopyRightPosXEdit");
    CopyrightposYEdit = hiddenNumber("CopyrightposYEdit");

    MakeThumbnailscheckbox = named(new QCheckBox(QStringLiteral("Thumbnails")), "MakeThumbnailscheckbox");
    ThumbnailPathEdit = named(new QLineEdit(folderUnderPictureRoot("Thumbnails")), "ThumbnailPathEdit");
    ThumbnailPathButton = browseButton("ThumbnailPathButton");
    Thumbnailprefixedit = named(new QLineEdit(QStringLiteral("Thumb")), "Thumbnailprefixedit");
    ThumbnailsizeCombobox = named(new QComboBox, "ThumbnailsizeCombobox");
    ThumbnailsizeCombobox->addItems(thumbnailSizeList());
    ThumbnailsizeCombobox->setCurrentIndex(-1);
    ThumbnailSizeXEdit = hiddenNumber("ThumbnailSizeXEdit");
    ThumbnailsizeYEdit = hiddenNumber("ThumbnailsizeYEdit");

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

    auto *layout = new QGridLayout(this);
    layout->addWidget(group({{ActivateImagemagickCheckbox}, {label("Imagemagick Pfad")},
                             {ImageMagickPathEdit, ImageMagickPathButton}, {label("Ausgabeverzeichnis")},
                             {OutputPathedit, OutputPathButton}, {OverwriteOriginCheckbox}}),
                      0, 0);
    layout->addWidget(group({{Createbatchcheckbox, ShowBatchCheckbox}, {label("Batchdatei Pfad")},
                             {BatchPathedit, BatchPathButton}, {label("Batchdatei Name")}, {BatchNameedit}}),
                      1, 0);
    layout->addWidget(group({{CopyRightCheckbox}, {label("Copyrightstempel")},
                             {CopyRightimagePathedit, CopyRightimagePathButton}, {label("Ausrichtung")},
                             {CopyRightOrientationCombobox}, {CopyRightPosXEdit, CopyrightposYEdit}}),
                      2, 0);
    layout->addWidget(group({{MakeThumbnailscheckbox}, {label("ThumbNailPfad")},
                             {ThumbnailPathEdit, ThumbnailPathButton}, {label("Prefix")}, {Thumbnailprefixedit},
                             {label("Grösse")}, {ThumbnailsizeCombobox}, {ThumbnailSizeXEdit, ThumbnailsizeYEdit}}),
                      3, 0);
    layout->addWidget(group({{TextmaskCheckbox}, {label("Textmaske")}, {TextMaskEdit, TextMaskButton},
                             {label("Ausrichtung")}, {TextmaskOrientationCombobox},
                             {TextmaskPosXedit, TextmaskPosYEdit}, {label("Font")},
                             {TextMaskFontEdit, TextMaskFontButton}, {label("FontSize")}, {textmaskfontsizeedit},
                             {label("FontColor")}, {Textmaskfontcoloredit}, {label("Textmask Pfad")},
                             {TextMaskpathedit, TextMaskPathButton}, {label("textmask name")},
                             {textmaskfilenameedit}}),
                      0, 1, 4, 1);
}

void TImageMagickConfigForm::wireReactions()
{
    using F = TImageMagickConfigForm;
    connect(ActivateImagemagickCheckbox, &QCheckBox::toggled, this, &F::ActivateImagemagickCheckboxClick);
    connect(Createbatchcheckbox, &QCheckBox::toggled, this, &F::CreatebatchcheckboxClick);
    connect(CopyRightCheckbox, &QCheckBox::toggled, this, &F::CopyRightCheckboxClick);
    connect(MakeThumbnailscheckbox, &QCheckBox::toggled, this, &F::MakeThumbnailscheckboxClick);
    connect(ShowBatchCheckbox, &QCheckBox::toggled, this, &F::ShowBatchCheckboxClick);

    onLeave(ImageMagickPathEdit, {&F::ImageMagickPathEditExit, true});
    onLeave(BatchPathedit, {&F::BatchPatheditExit});
    onLeave(OutputPathedit, {&F::OutputPatheditExit});
    onLeave(ThumbnailPathEdit, {&F::ThumbnailPathEditExit, true});
    onLeave(TextMaskpathedit, {&F::TextMaskpatheditExit});
    onLeave(CopyRightimagePathedit, {&F::CopyRightimagePatheditExit});

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

void TImageMagickConfigForm::onLeave(QLineEdit *edit, LeaveReaction reaction)
{
    m_leaveReactions.insert(edit, reaction);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { fieldLeft(edit); });
    connect(edit, &QLineEdit::textChanged, this, [this, edit] {
        m_leftWith.remove(edit);
        m_declined.remove(edit);
    });
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

// Hiding disarms; a window that stays open for a wrong value stays armed.
void TImageMagickConfigForm::closeEvent(QCloseEvent *event)
{
    event->setAccepted(settingsFromWindow());
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
    if (!folderFieldReady(BatchPathedit, QString::fromUtf8(BatchFolderQuestion)))
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
        folderFieldReady(ThumbnailPathEdit, QString::fromUtf8(ThumbnailFolderQuestion));
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
    folderFieldLeft(BatchPathedit, QString::fromUtf8(BatchFolderQuestion));
}

void TImageMagickConfigForm::OutputPatheditExit()
{
    folderFieldLeft(OutputPathedit, QStringLiteral("Pfadangabe für Ausgabeverzeichnis existiert nicht "));
}

void TImageMagickConfigForm::ThumbnailPathEditExit()
{
    folderFieldLeft(ThumbnailPathEdit, QString::fromUtf8(ThumbnailFolderQuestion));
}

void TImageMagickConfigForm::TextMaskpatheditExit()
{
    folderFieldLeft(TextMaskpathedit, QStringLiteral("Pfadangabe für Textmaske existiert nicht "));
}

void TImageMagickConfigForm::CopyRightimagePatheditExit()
{
    stampReady();
}

// A missing folder is offered for creation; an empty field is only marked.
bool TImageMagickConfigForm::folderFieldReady(QLineEdit *edit, const QString &questionStart)
{
    const QString folder = edit->text();
    bool ready = IsDirectory(folder);
    if (!ready && !folder.isEmpty() && m_declined.take(edit) != folder)
        ready = offerFolderCreation(folderCreationQuestion(questionStart, folder), folder);
    markPathField(edit, ready);
    return ready;
}

// Clicking the check box beside a field leaves the field first; a folder declined there is not
// offered again by that click.
void TImageMagickConfigForm::folderFieldLeft(QLineEdit *edit, const QString &questionStart)
{
    if (!folderFieldReady(edit, questionStart))
        m_declined.insert(edit, edit->text());
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
    Textmaskfontcoloredit->setText(colourText(font->color));
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
