#include "ui/fhdroptions.h"

#include "platform/dialogs.h"
#include "settings/programsettings.h"
#include "ui/fieldhelpers.h"
#include "ui/widgethelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TFHdrOptions::TFHdrOptions(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FHdrOptions"));
    setWindowTitle(QStringLiteral("HDR Optionen"));
    ActivateEnfuseCheckbox = named(new QCheckBox(QStringLiteral("Aktivieren")), "ActivateEnfuseCheckbox");
    EnfusePathEdit = named(new QLineEdit, "EnfusePathEdit");
    ImageMagickPathBrowseButton = named(new QPushButton(QStringLiteral("...")), "ImageMagickPathBrowseButton");
    EnfuseImagesEdit = named(new QLineEdit, "EnfuseImagesEdit");

    auto *layout = new QGridLayout(this);
    layout->addWidget(ActivateEnfuseCheckbox, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Enfuse Pfad")), 1, 0);
    layout->addWidget(EnfusePathEdit, 2, 0, 1, 3);
    layout->addWidget(ImageMagickPathBrowseButton, 2, 3);
    layout->addWidget(new QLabel(QStringLiteral("nach")), 3, 0);
    layout->addWidget(EnfuseImagesEdit, 3, 1);
    layout->addWidget(new QLabel(QStringLiteral("Bildern  ausführen")), 3, 2);
    layout->setRowStretch(4, 1);

    connect(ImageMagickPathBrowseButton, &QPushButton::clicked, this,
            &TFHdrOptions::ImageMagickPathBrowseButtonClick);
}

bool TFHdrOptions::settingsFromWindow()
{
    const std::optional<int> images = wholeNumber(EnfuseImagesEdit->text());
    if (!images) {
        reportNotANumber(QStringLiteral("Bilder"), EnfuseImagesEdit->text());
        return false;
    }
    TProgramSettings &s = ProgramSettings();
    s.EnfusePath = EnfusePathEdit->text();
    s.EnableEnfuse = ActivateEnfuseCheckbox->isChecked();
    s.EnfuseImages = *images;
    return true;
}

void TFHdrOptions::settingsToWindow()
{
    const TProgramSettings &s = ProgramSettings();
    EnfusePathEdit->setText(s.EnfusePath);
    ActivateEnfuseCheckbox->setChecked(s.EnableEnfuse);
    EnfuseImagesEdit->setText(QString::number(s.EnfuseImages));
}

// As a window of its own it shows the stored values; inside the EBV window that window applies
// them once as it shows, so switching tabs keeps what was typed.
void TFHdrOptions::showEvent(QShowEvent *event)
{
    if (isWindow() && !event->spontaneous())
        settingsToWindow();
    QWidget::showEvent(event);
}

void TFHdrOptions::closeEvent(QCloseEvent *event)
{
    event->setAccepted(settingsFromWindow());
}

void TFHdrOptions::ImageMagickPathBrowseButtonClick()
{
    if (const std::optional<QString> folder = appDialogs().chooseFolder(QString(), EnfusePathEdit->text()))
        EnfusePathEdit->setText(withTrailingSeparator(*folder));
}
