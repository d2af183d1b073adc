#include "ui/dateimaskedialog.h"

#include "camera/camerasettings.h"
#include "naming/programnaming.h"
#include "settings/programsettings.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct TokenButton
{
    const char *objectName;
    const char *caption; // UTF-8
    const char *appends;
};

// In reading order of the four columns.
constexpr TokenButton kTokenButtons[] = {
    {"AemodeButton", "Aemode", "#AEMODE"},
    {"AvButton", "AV", "#AV"},
    {"TVButton", "TV", "#TV"},
    {"IsoButton", "Iso", "#ISO"},
    {"ExpCompButton", "Bel. Korrektur", "#EXPCOMP"},
    {"Weissabgleichbutton", "Weissabgleich", "#WA"},
    {"QualiteatButten", "Qualität", "#QUAL"},
    {"FormatButton", "Bildformat", "#FORMAT"},
    {"Tagbutton", "Tag", "#DAY"},
    {"MonatButton", "Monat", "#MONTH"},
    {"JahrButton", "Jahr", "#YEAR"},
    {"Stundebutton", "Stunde", "#HOUR"},
    {"Minutebutton", "Minute", "#MINUTE"},
    {"sekundebutton", "Sekunde", "#SEKUNDE"},
    {"Projektbutton", "Projektname", "#PROJECT"},
    {"PrefixButton", "Prefix", "#PREFIX"},
    {"UnterstrichButton", "Unterstrich", "_"},
    {"btPoint", ".", "."},
    {"btDPoint", ":", ":"},
    {"Button1", ":", "_"},
    {"btSpace", "Leerzeichen", " "},
    {"BackslashButton", "Verzeichnis", "\\"},
    {"imgNrButton", "Laufende Nr.", "#IMGNR"},
    {"CommandCountButton", "Befehl Nr.", "#CC"},
};
constexpr int kColumns = 4;

QLineEdit *addField(QFormLayout *form, const char *label, const char *objectName)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(objectName));
    form->addRow(QString::fromUtf8(label), edit);
    return edit;
}

} // namespace

TDateimaskeDialog::TDateimaskeDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DateimaskeDialog"));
    setWindowTitle(QStringLiteral("Dateimaske"));
    resize(513, 578);

    auto *upper = new QWidget;
    auto *form = new QFormLayout(upper);
    m_maskEdit = addField(form, "Dateimaske", "DateimaskeEdit");
    m_previewEdit = addField(form, "Dateiname", "Dateinameedit");
    m_previewEdit->setReadOnly(true);
    m_prefixEdit = addField(form, "PreFix", "PrefixEdit");

    auto *lower = new QWidget;
    auto *grid = new QGridLayout(lower);
    int index = 0;
    for (const TokenButton &token : kTokenButtons) {
        auto *button = new QPushButton(QString::fromUtf8(token.caption));
        button->setObjectName(QLatin1String(token.objectName));
        button->setAutoDefault(false);
        const QString text = QString::fromLatin1(token.appends);
        connect(button, &QPushButton::clicked, this, [this, text] { appendToMask(text); });
        grid->addWidget(button, index / kColumns, index % kColumns);
        ++index;
    }
    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, index / kColumns + 1, kColumns - 1);
    grid->setRowStretch(index / kColumns, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(upper);
    layout->addWidget(lower, 1);

    connect(m_maskEdit, &QLineEdit::textChanged, this, &TDateimaskeDialog::refreshPreview);
    connect(m_prefixEdit, &QLineEdit::textChanged, this, &TDateimaskeDialog::refreshPreview);
}

void TDateimaskeDialog::setFields(const QString &mask, const QString &prefix)
{
    m_maskEdit->setText(mask);
    m_prefixEdit->setText(prefix);
    refreshPreview();
}

QString TDateimaskeDialog::mask() const
{
    return m_maskEdit->text();
}

QString TDateimaskeDialog::prefix() const
{
    return m_prefixEdit->text();
}

void TDateimaskeDialog::showEvent(QShowEvent *event)
{
    // Time, project and image number may have moved on since the last opening.
    refreshPreview();
    QDialog::showEvent(event);
}

void TDateimaskeDialog::appendToMask(const QString &text)
{
    // Always at the end, wherever the cursor is.
    m_maskEdit->setText(m_maskEdit->text() + text);
}

void TDateimaskeDialog::refreshPreview()
{
    NamingValues values = NamingValuesOf(ProgramSettings());
    values.Prefix = m_prefixEdit->text();
    m_previewEdit->setText(ExpandFileMask(m_maskEdit->text(), CurrentSettings(), values));
}
