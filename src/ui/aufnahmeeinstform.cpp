#include "ui/aufnahmeeinstform.h"

#include "platform/texthelpers.h"
#include "camera/proptables.h"
#include "platform/dialogs.h"
#include "settings/programsettings.h"
#include "ui/dateimaskedialog.h"
#include "ui/fieldhelpers.h"
#include "ui/widgethelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kBracketingEntries = 34;
constexpr int kBracketingDefaults[3] = {8, 16, 24};

QComboBox *selector(const char *name, const QStringList &entries = {})
{
    auto *box = named(new QComboBox, name);
    // Typed text is allowed; it stays text and never becomes an entry.
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(entries);
    return box;
}

// Selects the entry with this text; a text no entry has stays as typed text, unselected.
void selectText(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly);
    box->setCurrentIndex(index);
    if (index < 0)
        box->setEditText(text);
}

} // namespace

TAufnahmeEinstForm::TAufnahmeEinstForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("AufnahmeEinstForm"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    resize(386, 522);
    buildControls();
    fillBracketingLists();
    applyModeLayout();
    m_folderEdit->setText(defaultSavepath());
}

void TAufnahmeEinstForm::buildControls()
{
    auto *modeGroup = new QGroupBox;
    auto *modeLayout = new QHBoxLayout(modeGroup);
    m_singleBox = named(new QCheckBox(QStringLiteral("EinzelAufnahme")), "EinzelAufnahmeCheckBox");
    m_sequenceBox = named(new QCheckBox(QStringLiteral("Bilderfolge")), "BilderfolgeCheckbox");
    modeLayout->addWidget(m_singleBox);
    modeLayout->addWidget(m_sequenceBox);

    auto *bracketingGroup = new QGroupBox;
    auto *bracketingLayout = new QHBoxLayout(bracketingGroup);
    m_bracketingBox = named(new QCheckBox(QStringLiteral("Belichtungsreihe")), "Belichtungsreihecheckbox");
    bracketingLayout->addWidget(m_bracketingBox);
    const char *valueNames[3] = {"BelReiheWert1ComboBox", "BelReiheWert2ComboBox", "BelReiheWert3ComboBox"};
    for (int i = 0; i < 3; ++i) {
        m_bracketingValues[i] = selector(valueNames[i]);
        bracketingLayout->addWidget(m_bracketingValues[i]);
    }

    auto *timeLapseGroup = new QGroupBox;
    auto *timeLapseLayout = new QGridLayout(timeLapseGroup);
    m_timeLapseBox = named(new QCheckBox(QStringLiteral("Zeitraffer")), "ZeitRafferCheckbox");
    m_countEdit = named(new QLineEdit(QStringLiteral("10")), "AufnahmenAnzahlEdit");
    auto *intervalGroup = new QGroupBox(QStringLiteral("Interval"));
    auto *intervalLayout = new QGridLayout(intervalGroup);
    m_hoursBox = selector("InterValStdComboBox", intervalHourEntries());
    m_minutesBox = selector("InterValMinComboBox", intervalMinuteEntries());
    m_secondsBox = selector("InterValSekComboBox", intervalSecondEntries());
    selectText(m_hoursBox, QStringLiteral("0"));
    selectText(m_minutesBox, QStringLiteral("0"));
    selectText(m_secondsBox, QStringLiteral("10"));
    const std::pair<const char *, QComboBox *> intervalParts[] = {
        {"Std", m_hoursBox}, {"Min", m_minutesBox}, {"Sek", m_secondsBox}};
    for (int i = 0; i < 3; ++i) {
        intervalLayout->addWidget(new QLabel(QLatin1String(intervalParts[i].first)), 0, i);
        intervalLayout->addWidget(intervalParts[i].second, 1, i);
    }
    timeLapseLayout->addWidget(m_timeLapseBox, 0, 0);
    timeLapseLayout->addWidget(new QLabel(QStringLiteral("AnzahlAufnahmen")), 1, 0);
    timeLapseLayout->addWidget(m_countEdit, 1, 1);
    timeLapseLayout->addWidget(intervalGroup, 2, 0, 1, 2);

    auto *filesGroup = new QGroupBox;
    auto *filesLayout = new QGridLayout(filesGroup);
    m_folderEdit = named(new QLineEdit, "Verzeichnisedit");
    m_folderButton = named(new QPushButton(QStringLiteral("...")), "VerzeichnisButton");
    m_projectEdit = named(new QLineEdit, "Projektnameedit");
    m_maskEdit = named(new QLineEdit(QStringLiteral("IMG#IMGNR")), "DateimaskeEdit");
    m_maskButton = named(new QPushButton(QStringLiteral("...")), "DateimaskeButton");
    filesLayout->addWidget(new QLabel(QStringLiteral("StammVerzeichnis")), 0, 0);
    filesLayout->addWidget(m_folderEdit, 1, 0);
    filesLayout->addWidget(m_folderButton, 1, 1);
    filesLayout->addWidget(new QLabel(QStringLiteral("Projektname")), 2, 0);
    filesLayout->addWidget(m_projectEdit, 3, 0);
    filesLayout->addWidget(new QLabel(QStringLiteral("Dateimaske")), 4, 0);
    filesLayout->addWidget(m_maskEdit, 5, 0);
    filesLayout->addWidget(m_maskButton, 5, 1);

    auto *keepAliveGroup = new QGroupBox;
    auto *keepAliveLayout = new QHBoxLayout(keepAliveGroup);
    m_keepAliveBox = named(new QCheckBox(QStringLiteral("Kamera wachhalten")), "keepaliveCheckBox");
    m_keepAliveInterval = selector("keepaliveintervalcombobox");
    for (const KeepAliveInterval &entry : keepAliveIntervals())
        m_keepAliveInterval->addItem(QString::fromUtf8(entry.Name), entry.ID);
    selectText(m_keepAliveInterval, QStringLiteral("AUS"));
    keepAliveLayout->addWidget(m_keepAliveBox);
    keepAliveLayout->addWidget(m_keepAliveInterval);

    auto *layout = new QVBoxLayout(this);
    for (QWidget *group : {modeGroup, bracketingGroup, timeLapseGroup, filesGroup, keepAliveGroup})
        layout->addWidget(group);
    layout->addStretch();

    connect(m_singleBox, &QCheckBox::clicked, this, [this] { exclusiveModeClicked(m_single, m_singleBox); });
    connect(m_bracketingBox, &QCheckBox::clicked, this,
            [this] { exclusiveModeClicked(m_bracketing, m_bracketingBox); });
    connect(m_sequenceBox, &QCheckBox::clicked, this,
            [this] { exclusiveModeClicked(m_sequence, m_sequenceBox); });
    connect(m_timeLapseBox, &QCheckBox::clicked, this, &TAufnahmeEinstForm::ZeitRafferCheckboxClick);
    connect(m_folderEdit, &QLineEdit::textChanged, this, &TAufnahmeEinstForm::VerzeichniseditChange);
    connect(m_folderButton, &QPushButton::clicked, this, &TAufnahmeEinstForm::VerzeichnisButtonClick);
    connect(m_maskButton, &QPushButton::clicked, this, &TAufnahmeEinstForm::DateimaskeButtonClick);
    connect(m_projectEdit, &QLineEdit::textChanged, this,
            [](const QString &text) { ProgramSettings().Projektname = text; });
    connect(m_keepAliveBox, &QCheckBox::clicked, this, &TAufnahmeEinstForm::keepAliveControl);
    connect(m_keepAliveInterval, &QComboBox::currentTextChanged, this, &TAufnahmeEinstForm::keepAliveControl);
    m_folderEdit->installEventFilter(this);
    m_projectEdit->installEventFilter(this);
}

void TAufnahmeEinstForm::fillBracketingLists()
{
    const PropTable &table = MasterTable(CameraProperty::ExpComp);
    const int count = std::min(int(table.size()), kBracketingEntries);
    for (int i = 0; i < 3; ++i) {
        QComboBox *box = m_bracketingValues[i];
        const QString chosen = box->currentText();
        box->clear();
        for (int entry = 0; entry < count; ++entry)
            box->addItem(table[size_t(entry)].Name);
        // A refill from another property file keeps a value it still has.
        const int kept = chosen.isEmpty() ? -1 : box->findText(chosen, Qt::MatchExactly);
        box->setCurrentIndex(kept >= 0 ? kept : kBracketingDefaults[i] < count ? kBracketingDefaults[i] : -1);
    }
}

void TAufnahmeEinstForm::openFromMenu()
{
    settingsToWindow();
    show();
    raise();
    activateWindow();
}

void TAufnahmeEinstForm::setImageSequence(bool on)
{
    setModeBox(m_sequenceBox, on, [this] { exclusiveModeClicked(m_sequence, m_sequenceBox); });
}

void TAufnahmeEinstForm::setMaskDialogOpener(MaskDialogOpener opener)
{
    m_maskDialogOpener = std::move(opener);
}

void TAufnahmeEinstForm::exclusiveModeClicked(bool &mode, QCheckBox *box)
{
    mode = box->isChecked();
    if (mode) {
        m_single = m_bracketing = m_sequence = false;
        mode = true;
    }
    applyModeLayout();
}

void TAufnahmeEinstForm::ZeitRafferCheckboxClick()
{
    m_timeLapse = m_timeLapseBox->isChecked();
    applyModeLayout();
}

void TAufnahmeEinstForm::applyModeLayout()
{
    if (!m_single && !m_bracketing && !m_sequence)
        m_single = true;
    m_singleBox->setChecked(m_single);
    m_bracketingBox->setChecked(m_bracketing);
    m_sequenceBox->setChecked(m_sequence);
    m_timeLapseBox->setChecked(m_timeLapse);
    for (QComboBox *box : m_bracketingValues)
        box->setEnabled(m_bracketing);
    for (QWidget *w : std::initializer_list<QWidget *>{m_countEdit, m_hoursBox, m_minutesBox, m_secondsBox})
        w->setEnabled(m_timeLapse);
    emit imageSequenceModeChanged(m_sequence);
}

// A change made from code is handled like the user's click.
void TAufnahmeEinstForm::setModeBox(QCheckBox *box, bool checked, const std::function<void()> &click)
{
    if (box->isChecked() == checked)
        return;
    box->setChecked(checked);
    click();
}

bool TAufnahmeEinstForm::settingsFromWindow()
{
    const std::optional<int> count = wholeNumber(m_countEdit->text());
    if (!count) {
        reportNotANumber(QStringLiteral("AnzahlAufnahmen"), m_countEdit->text());
        return false;
    }
    const std::pair<const char *, QComboBox *> intervals[] = {
        {"Std", m_hoursBox}, {"Min", m_minutesBox}, {"Sek", m_secondsBox}};
    for (const auto &[label, box] : intervals) {
        if (!wholeNumber(box->currentText())) {
            reportNotANumber(QStringLiteral("Interval ") + QLatin1String(label), box->currentText());
            return false;
        }
    }
    TProgramSettings &s = ProgramSettings();
    s.Einzelaufnahme = m_singleBox->isChecked();
    s.Belichtungsreihe = m_bracketingBox->isChecked();
    s.Zeitraffer = m_timeLapseBox->isChecked();
    s.Bilderfolge = m_sequenceBox->isChecked();
    s.ExpComp1 = m_bracketingValues[0]->currentText();
    s.ExpComp2 = m_bracketingValues[1]->currentText();
    s.ExpComp3 = m_bracketingValues[2]->currentText();
    s.Aufnahmenanzahl = *count;
    s.IntervalStdText = m_hoursBox->currentText().trimmed();
    s.IntervalMinText = m_minutesBox->currentText().trimmed();
    s.IntervalSekText = m_secondsBox->currentText().trimmed();
    // Folder and file name are joined without a separator of their own.
    const QString folder = m_folderEdit->text().trimmed();
    s.Savepath = folder.isEmpty() ? folder : withTrailingSeparator(folder);
    s.Filemask = m_maskEdit->text();
    s.Prefix = m_prefix;
    return true;
}

void TAufnahmeEinstForm::settingsToWindow()
{
    const TProgramSettings &s = ProgramSettings();
    setModeBox(m_singleBox, s.Einzelaufnahme, [this] { exclusiveModeClicked(m_single, m_singleBox); });
    setModeBox(m_bracketingBox, s.Belichtungsreihe,
               [this] { exclusiveModeClicked(m_bracketing, m_bracketingBox); });
    setModeBox(m_timeLapseBox, s.Zeitraffer, [this] { ZeitRafferCheckboxClick(); });
    setModeBox(m_sequenceBox, s.Bilderfolge, [this] { exclusiveModeClicked(m_sequence, m_sequenceBox); });
    m_bracketingBox->setEnabled(bracketingAllowed(s.AEModeCode));
    selectText(m_bracketingValues[0], s.ExpComp1);
    selectText(m_bracketingValues[1], s.ExpComp2);
    selectText(m_bracketingValues[2], s.ExpComp3);
    m_countEdit->setText(QString::number(s.Aufnahmenanzahl));
    selectText(m_hoursBox, s.IntervalStdText);
    selectText(m_minutesBox, s.IntervalMinText);
    selectText(m_secondsBox, s.IntervalSekText);
    m_folderEdit->setText(s.Savepath);
    m_projectEdit->setText(s.Projektname);
    m_maskEdit->setText(s.Filemask);
    m_prefix = s.Prefix;
}

bool TAufnahmeEinstForm::event(QEvent *event)
{
    // The main window edits the project name too.
    if (event->type() == QEvent::WindowActivate)
        m_projectEdit->setText(ProgramSettings().Projektname);
    return QWidget::event(event);
}

// Without an OK button, edits would be lost when the window is opened again and the working
// settings are shown; so closing takes them over, and stays open while a value is wrong.
void TAufnahmeEinstForm::closeEvent(QCloseEvent *event)
{
    if (settingsFromWindow())
        event->accept();
    else
        event->ignore();
}

bool TAufnahmeEinstForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_folderEdit || watched == m_projectEdit))
        checkRootFolder();
    return QWidget::eventFilter(watched, event);
}

void TAufnahmeEinstForm::VerzeichniseditChange()
{
    const QString folder = m_folderEdit->text();
    if (!folder.isEmpty())
        markPathField(m_folderEdit, IsDirectory(folder));
}

void TAufnahmeEinstForm::checkRootFolder()
{
    const QString folder = m_folderEdit->text();
    // The question itself takes the focus away; it must not ask twice.
    if (folder.isEmpty() || m_askingForFolder)
        return;
    if (!IsDirectory(folder)) {
        m_askingForFolder = true;
        const bool created = offerFolderCreation(
            QStringLiteral("Pfadangabe für Bilderausgabe existiert nicht ") + folder
                + QStringLiteral("\n\nSoll es angelegt werden?"),
            folder);
        m_askingForFolder = false;
        if (!created)
            return;
    }
    markPathField(m_folderEdit, true);
}

void TAufnahmeEinstForm::VerzeichnisButtonClick()
{
    if (const auto folder = appDialogs().chooseFolder(QString(), m_folderEdit->text()))
        m_folderEdit->setText(withTrailingSeparator(*folder));
}

void TAufnahmeEinstForm::DateimaskeButtonClick()
{
    if (!m_maskDialogOpener) {
        auto *dialog = new TDateimaskeDialog(this);
        m_maskDialogOpener = [dialog](const QString &mask, const QString &prefix) {
            dialog->setFields(mask, prefix);
            dialog->exec();
            return std::pair{dialog->mask(), dialog->prefix()};
        };
    }
    const auto [mask, prefix] = m_maskDialogOpener(m_maskEdit->text(), m_prefix);
    m_maskEdit->setText(mask);
    m_prefix = prefix;
}

void TAufnahmeEinstForm::keepAliveControl()
{
    int period = 0;
    const int index = m_keepAliveInterval->findText(m_keepAliveInterval->currentText(), Qt::MatchExactly);
    if (m_keepAliveBox->isChecked() && index >= 0)
        period = m_keepAliveInterval->itemData(index).toInt();
    emit keepAliveChanged(std::max(period, 0));
}
