#include "ui/exifinfoform.h"

#include "camera/madeimages.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int Columns = 9;
constexpr int Rows = 10;

struct Line
{
    const char *leftLabel;
    QString TExifInfos::*left;
    const char *rightLabel;
    QString TExifInfos::*right;
};

// Rows 1 to 6: label and value, twice.
const Line kLines[] = {
    {"Hersteller", &TExifInfos::Make, "Programm", &TExifInfos::ExposureProgram},
    {"Kamera", &TExifInfos::Model, "Bel. Zeit", &TExifInfos::ExposureTime},
    {"Datum ", &TExifInfos::DateTime, "Blende", &TExifInfos::ApertureValue},
    {"Besitzer", &TExifInfos::OwnerName, "ISO", &TExifInfos::ISOSpeedRatings},
    {"Seriennummer", &TExifInfos::SerialNumber, "Weissabgleich", &TExifInfos::WhiteBalance},
    {"Firmware", &TExifInfos::FirmwareVersion, "Bel. korrektur", &TExifInfos::ExposureLevel},
};

const std::pair<int, int> kColumnWidths[] = {{1, 70}, {2, 100}, {3, 100}, {4, 90}, {5, 100}};

void setCell(QTableWidget *grid, int row, int column, const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    grid->setItem(row, column, item);
}

} // namespace

TExifInfoForm::TExifInfoForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ExifInfoForm"));
    setWindowTitle(QStringLiteral("ExifInfos"));
    exifinfosg1 = new QTableWidget(Rows, Columns, this);
    exifinfosg1->setObjectName(QStringLiteral("exifinfosg1"));
    // The fixed first row and column are cells of the grid, shaded as headers are.
    exifinfosg1->horizontalHeader()->hide();
    exifinfosg1->verticalHeader()->hide();
    const QBrush fixed = palette().button();
    for (int column = 0; column < Columns; ++column) {
        setCell(exifinfosg1, 0, column, QString());
        exifinfosg1->item(0, column)->setBackground(fixed);
    }
    for (int row = 1; row < Rows; ++row) {
        setCell(exifinfosg1, row, 0, QString());
        exifinfosg1->item(row, 0)->setBackground(fixed);
    }
    for (const auto &[column, width] : kColumnWidths)
        exifinfosg1->setColumnWidth(column, width);
    for (int row = 1; row <= int(std::size(kLines)); ++row) {
        setCell(exifinfosg1, row, 1, QLatin1String(kLines[row - 1].leftLabel));
        setCell(exifinfosg1, row, 3, QLatin1String(kLines[row - 1].rightLabel));
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(exifinfosg1);
    resize(650, 260);
}

void TExifInfoForm::showExif(const TExifInfos &exif)
{
    for (int row = 1; row <= int(std::size(kLines)); ++row) {
        setCell(exifinfosg1, row, 2, exif.*kLines[row - 1].left);
        setCell(exifinfosg1, row, 4, exif.*kLines[row - 1].right);
    }
}
