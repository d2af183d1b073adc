#pragma once

#include "settings/configuration.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

// HDR options window (exposure fusion with enfuse); created at start and kept for the whole
// run, shown as a tab of the EBV settings window. Its values are stored and shown only:
// nothing runs enfuse.
class TFHdrOptions : public QWidget, public SettingsWindow
{
public:
    explicit TFHdrOptions(QWidget *parent = nullptr);

    // A number field that holds no whole number is reported; the record keeps its values.
    bool settingsFromWindow() override;
    void settingsToWindow() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void ImageMagickPathBrowseButtonClick();

    QCheckBox *ActivateEnfuseCheckbox = nullptr;
    QLineEdit *EnfusePathEdit = nullptr;
    QPushButton *ImageMagickPathBrowseButton = nullptr;
    QLineEdit *EnfuseImagesEdit = nullptr;
};
