#pragma once

#include <QWidget>

class QCheckBox;
class QImage;
class QLabel;

// Internal image window; created at start and kept for the whole run. Its width follows its
// height (1.5 times) whenever it is resized.
class TBildanzeigeForm : public QWidget
{
public:
    explicit TBildanzeigeForm(QWidget *parent = nullptr);

    // Shows a picture decoded to the picture control's size, in front of the other controls.
    void showPicture(const QImage &image);
    void clearPicture();

    QLabel *Image1 = nullptr;
    QCheckBox *ShowPicCheckBox = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
};
