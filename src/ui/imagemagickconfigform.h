#pragma once

#include "settings/configuration.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// One entry of the orientation list: ImageMagick's gravity name and the caption shown.
struct TOrientation
{
    const char *gravity;
    const char *caption;  // UTF-8
};
// The nine entries of both orientation boxes, in their order.
const QList<TOrientation> &Torientationlist();
// The position of the gravity name in the orientation list, -1 when it is not there.
int FindGravityIndex(const QString &gravity);
// The ten entries of the thumbnail size box, in their order.
const QStringList &thumbnailSizeList();

// ImageMagick settings window; created at start and kept for the whole run, shown as a tab of
// the EBV settings window. Its values reach the working settings through the ImageMagick
// settings pair; the text mask is written through as it is typed.
class TImageMagickConfigForm : public QWidget, public SettingsWindow
{
    Q_OBJECT

public:
    // Shows the mask dialog with a mask and a prefix; gives back both as it closes.
    using MaskDialogOpener =
        std::function<std::pair<QString, QString>(const QString &mask, const QString &prefix)>;

    explicit TImageMagickConfigForm(QWidget *parent = nullptr);

    bool settingsFromWindow() override;
    void settingsToWindow() override;

    void setMaskDialogOpener(MaskDialogOpener opener) { m_maskDialogOpener = std::move(opener); }
    // The window that "show" shows and hides.
    void setPreviewWindow(QWidget *preview) { m_preview = preview; }
    // The check boxes validate what the user ticks only while the window is armed: from its
    // showing until it hides, and never while settings are applied.
    bool armed() const { return m_armed; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct LeaveReaction
    {
        void (TImageMagickConfigForm::*react)() = nullptr;
        bool whileArmed = false;  // only while the window is armed
    };

    void buildControls();
    void wireReactions();
    void onLeave(QLineEdit *edit, LeaveReaction reaction);
    void fieldLeft(QLineEdit *edit);

    void ActivateImagemagickCheckboxClick(bool checked);
    void CreatebatchcheckboxClick(bool checked);
    void CopyRightCheckboxClick(bool checked);
    void MakeThumbnailscheckboxClick(bool checked);
    void ShowBatchCheckboxClick(bool checked);
    void ImageMagickPathEditExit();
    void BatchPatheditExit();
    void OutputPatheditExit();
    void ThumbnailPathEditExit();
    void TextMaskpatheditExit();
    void CopyRightimagePatheditExit();
    void TextMaskFontButtonClick();
    void TextMaskButtonClick();
    void CopyRightimagePathButtonClick();
    void chooseFolderInto(QLineEdit *field, const QString &start);

    bool folderFieldReady(QLineEdit *edit, const QString &questionStart);
    void folderFieldLeft(QLineEdit *edit, const QString &questionStart);
    bool stampReady();
    void uncheck(QCheckBox *box);

    bool m_armed = false;
    QString m_copyrightGravity;
    QString m_textmaskGravity;
    QString m_thumbnailSize;
    QString m_maskPrefix;
    QWidget *m_preview = nullptr;
    MaskDialogOpener m_maskDialogOpener;
    // The text each field was last left with; it is not checked again until it changes.
    QHash<QLineEdit *, QString> m_leftWith;
    QHash<QLineEdit *, LeaveReaction> m_leaveReactions;
    // The folder the user declined to create as the field was left.
    QHash<QLineEdit *, QString> m_declined;

    QCheckBox *ActivateImagemagickCheckbox = nullptr;
    QLineEdit *ImageMagickPathEdit = nullptr;
    QPushButton *ImageMagickPathButton = nullptr;
    QCheckBox *Createbatchcheckbox = nullptr;
    QLineEdit *BatchPathedit = nullptr;
    QPushButton *BatchPathButton = nullptr;
    QLineEdit *BatchNameedit = nullptr;
    QCheckBox *ShowBatchCheckbox = nullptr;
    QLineEdit *OutputPathedit = nullptr;
    QPushButton *OutputPathButton = nullptr;
    QCheckBox *OverwriteOriginCheckbox = nullptr;
    QCheckBox *CopyRightCheckbox = nullptr;
    QLineEdit *CopyRightimagePathedit = nullptr;
    QPushButton *CopyRightimagePathButton = nullptr;
    QComboBox *CopyRightOrientationCombobox = nullptr;
    QLineEdit *CopyRightPosXEdit = nullptr;
    QLineEdit *CopyrightposYEdit = nullptr;
    QCheckBox *MakeThumbnailscheckbox = nullptr;
    QLineEdit *ThumbnailPathEdit = nullptr;
    QPushButton *ThumbnailPathButton = nullptr;
    QLineEdit *Thumbnailprefixedit = nullptr;
    QComboBox *ThumbnailsizeCombobox = nullptr;
    QLineEdit *ThumbnailSizeXEdit = nullptr;
    QLineEdit *ThumbnailsizeYEdit = nullptr;
    QCheckBox *TextmaskCheckbox = nullptr;
    QLineEdit *TextMaskEdit = nullptr;
    QPushButton *TextMaskButton = nullptr;
    QComboBox *TextmaskOrientationCombobox = nullptr;
    QLineEdit *TextmaskPosXedit = nullptr;
    QLineEdit *TextmaskPosYEdit = nullptr;
    QLineEdit *TextMaskFontEdit = nullptr;
    QPushButton *TextMaskFontButton = nullptr;
    QLineEdit *textmaskfontsizeedit = nullptr;
    QLineEdit *Textmaskfontcoloredit = nullptr;
    QLineEdit *TextMaskpathedit = nullptr;
    QPushButton *TextMaskPathButton = nullptr;
    QLineEdit *textmaskfilenameedit = nullptr;
};
