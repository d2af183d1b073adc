#include "ui/bildanzeigeform.h"

#include "review/viewerstep.h"

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>

TBildanzeigeForm::TBildanzeigeForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("BildanzeigeForm"));
    setWindowTitle(QStringLiteral("Bildanzeige"));
    ShowPicCheckBox = new QCheckBox(QStringLiteral("Show Picture after Shot ?"), this);
    ShowPicCheckBox->setObjectName(QStringLiteral("ShowPicCheckBox"));
    ShowPicCheckBox->setEnabled(false);
    ShowPicCheckBox->hide();
    // Fixed: it does not follow the window's size.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 577, 393);
    Image1->setScaledContents(true);
    resize(617, 470);
}

void TBildanzeigeForm::showPicture(const QImage &image)
{
    // Made here, on the GUI thread.
    Image1->setPixmap(QPixmap::fromImage(image));
    Image1->raise();
}

void TBildanzeigeForm::clearPicture()
{
    Image1->clear();
}

void TBildanzeigeForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int width = imageWindowWidth(event->size().height());
    if (width != event->size().width())
        resize(width, event->size().height());
}
