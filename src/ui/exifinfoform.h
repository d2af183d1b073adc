#pragma once

#include <QWidget>

class QTableWidget;
struct TExifInfos;

// EXIF window; created at start and kept for the whole run. Its grid carries the labels and
// the values of the latest picture.
class TExifInfoForm : public QWidget
{
public:
    explicit TExifInfoForm(QWidget *parent = nullptr);

    // The values go beside their labels, into columns 2 and 4.
    void showExif(const TExifInfos &exif);

    QTableWidget *exifinfosg1 = nullptr;
};
