#include "ui/bilderfolgeform.h"

#include "camera/camerasettings.h"
#include "sequence/commandlist.h"
#include "sequence/commandlistfile.h"
#include "ui/widgethelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// One grid column: a setting's name or a number of the command ("Nr" has neither).
struct Column
{
    const char *header;
    int width;
    TPropList TCamerasettings::*setting = nullptr;
    qint32 TCamerasettings::*number = nullptr;
};

const Column Columns[] = {
    {"Nr", 20},
    {"AEMode", 50, &TCamerasettings::AEMode},
    {"AV", 50, &TCamerasettings::Av},
    {"TV", 50, &TCamerasettings::Tv},
    {"Bulbtime", 50, nullptr, &TCamerasettings::Bulbtime},
    {"ISO", 50, &TCamerasettings::ISO},
    {"Weissabgleich", 80, &TCamerasettings::WB},
    {"Qualitiy", 60, &TCamerasettings::Quality},
    {"EXPComp", 50, &TCamerasettings::ExpComp},
    {"Delstd", 35, nullptr, &TCamerasettings::PauseHours},
    {"Delmin", 35, nullptr, &TCamerasettings::PauseMinutes},
    {"Delsek", 35, nullptr, &TCamerasettings::PauseSeconds},
};

QStringList numbers(int last)
{
    QStringList list;
    for (int i = 0; i <= last; ++i)
        list << QString::number(i);
    return list;
}

QComboBox *delaySelector(const char *name, const QStringList &entries, int selected)
{
    auto *box = named(new QComboBox, name);
    box->addItems(entries);
    box->setCurrentIndex(selected);
    return box;
}

QString cellText(const TCamerasettings &command, const Column &column, int row)
{
    if (column.setting)
        return (command.*column.setting).Name;
    if (column.number)
        return QString::number(command.*column.number);
    return QString::number(row + 1);
}

} // namespace

TBilderFolgeForm::TBilderFolgeForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("BilderFolgeForm"));
    setWindowTitle(QStringLiteral("Bilderfolge"));

    m_grid = named(new QTableWidget(1, int(std::size(Columns))), "CommandlistSG1");
    // "Nr" is narrower than the header's usual minimum.
    m_grid->horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 0; c < int(std::size(Columns)); ++c) {
        m_grid->setHorizontalHeaderItem(c, new QTableWidgetItem(QLatin1String(Columns[c].header)));
        m_grid->setColumnWidth(c, Columns[c].width);
    }
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_hours = delaySelector("CinterValStdCOmbobox", numbers(24), 0);
    m_minutes = delaySelector("CInterValMinComboBox", numbers(60), 0);
    m_seconds = delaySelector("CInterValSekComboBox",
                              {"00", "02", "05", "15", "30", "45", "60"}, 3);
    m_add = named(new QPushButton(QStringLiteral("Hinzufügen")), "AddCOmmandButton");
    m_insert = named(new QPushButton(QStringLiteral("Einfügen")), "InsertCommandButton");
    m_edit = named(new QPushButton(QStringLiteral("Ändern")), "EditcommandButton");
    m_delete = named(new QPushButton(QStringLiteral("Löschen")), "DeleteCommandButton");
    m_changeDelay = named(new QPushButton(QStringLiteral("Interval ändern")), "Button1");
    // The mode lives in the capture settings window; this box only mirrors it.
    m_sequenceBox = named(new QCheckBox(QStringLiteral("Bilderfolge")), "CommandListCheckbox");
    m_sequenceBox->setVisible(false);

    auto *delays = new QGridLayout;
    delays->addWidget(new QLabel(QStringLiteral("Interval")), 0, 0);
    const std::pair<const char *, QComboBox *> selectors[] = {
        {"Std", m_hours}, {"Min", m_minutes}, {"Sek", m_seconds}};
    for (int i = 0; i < 3; ++i) {
        delays->addWidget(new QLabel(QLatin1String(selectors[i].first)), 0, i + 1);
        delays->addWidget(selectors[i].second, 1, i + 1);
    }
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_add, m_insert, m_edit, m_delete, m_changeDelay})
        buttons->addWidget(b);
    buttons->addWidget(m_sequenceBox);

    auto *menuBar = new QMenuBar(this);
    QMenu *listFile = named(menuBar->addMenu(QStringLiteral("Bilderfolge")), "Bilderfolge1");
    named(listFile->addAction(QStringLiteral("Laden"), this, &TBilderFolgeForm::BilderfolgeLadenClick),
          "BilderfolgeLaden");
    named(listFile->addAction(QStringLiteral("Speichern"), this, [] { SpeicherBilderfolge2(); }),
          "BilderfolgeSpeichern");
    QMenu *list = named(menuBar->addMenu(QStringLiteral("Liste")), "Liste1");
    named(list->addAction(QStringLiteral("Löschen"), this, &TBilderFolgeForm::Lschen1Click), "Lschen1");

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_grid);
    layout->addLayout(delays);
    layout->addLayout(buttons);
    resize(700, 300);

    connect(m_add, &QPushButton::clicked, this, &TBilderFolgeForm::AddCOmmandButtonClick);
    connect(m_insert, &QPushButton::clicked, this, &TBilderFolgeForm::InsertCommandButtonClick);
    connect(m_edit, &QPushButton::clicked, this, &TBilderFolgeForm::EditcommandButtonClick);
    connect(m_delete, &QPushButton::clicked, this, &TBilderFolgeForm::DeleteCommandButtonClick);
    connect(m_changeDelay, &QPushButton::clicked, this, &TBilderFolgeForm::Button1Click);

    setSequenceMode(false);
    setListEditing(false);
    fillCommandlistSG();
}

void TBilderFolgeForm::setSettingsReader(SettingsReader reader)
{
    m_readSettings = std::move(reader);
}

void TBilderFolgeForm::setSequenceMode(bool on)
{
    m_sequenceBox->setChecked(on);
    for (QWidget *w : std::initializer_list<QWidget *>{m_grid, m_add, m_hours, m_minutes, m_seconds})
        w->setEnabled(on);
    m_delete->setEnabled(false);
}

void TBilderFolgeForm::setListEditing(bool enabled)
{
    for (QPushButton *b : {m_delete, m_edit, m_insert})
        b->setEnabled(enabled);
}

void TBilderFolgeForm::fillCommandlistSG()
{
    const SequenceSteps &list = CommandList();
    m_grid->clearContents();
    m_grid->setRowCount(std::max<int>(1, int(list.size())));
    for (int row = 0; row < int(list.size()); ++row) {
        for (int c = 0; c < int(std::size(Columns)); ++c)
            m_grid->setItem(row, c, new QTableWidgetItem(cellText(list[row], Columns[c], row)));
    }
}

void TBilderFolgeForm::selectStep(int index)
{
    m_grid->clearSelection();
    m_grid->setRangeSelected(QTableWidgetSelectionRange(index, 1, index, int(std::size(Columns)) - 1), true);
}

std::optional<TCamerasettings> TBilderFolgeForm::commandFromWindow()
{
    if (!m_readSettings)
        return std::nullopt;
    QPushButton *const buttons[] = {m_add, m_insert, m_edit, m_delete, m_changeDelay};
    bool wasEnabled[std::size(buttons)];
    for (size_t i = 0; i < std::size(buttons); ++i) {
        wasEnabled[i] = buttons[i]->isEnabled();
        buttons[i]->setEnabled(false);
    }
    TCamerasettings command;
    const bool read = m_readSettings(command);
    for (size_t i = 0; i < std::size(buttons); ++i)
        buttons[i]->setEnabled(wasEnabled[i]);
    if (!read)
        return std::nullopt;
    setDelay(command);
    return command;
}

void TBilderFolgeForm::setDelay(TCamerasettings &command) const
{
    command.PauseHours = m_hours->currentText().toInt();
    command.PauseMinutes = m_minutes->currentText().toInt();
    command.PauseSeconds = m_seconds->currentText().toInt();
}

std::optional<int> TBilderFolgeForm::firstSelectedCommand() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_grid->selectedRanges();
    if (ranges.isEmpty() || ranges.first().topRow() >= CommandList().size())
        return std::nullopt;
    return ranges.first().topRow();
}

void TBilderFolgeForm::AddCOmmandButtonClick()
{
    const std::optional<TCamerasettings> command = commandFromWindow();
    if (!command)
        return;
    CommandList().append(*command);
    setListEditing(true);
    fillCommandlistSG();
}

void TBilderFolgeForm::changeSelectedCommand(
    const std::function<void(int row, const TCamerasettings &)> &change)
{
    const std::optional<int> row = firstSelectedCommand();
    if (!row)
        return;
    const std::optional<TCamerasettings> command = commandFromWindow();
    if (!command)
        return;
    change(*row, *command);
    fillCommandlistSG();
}

void TBilderFolgeForm::InsertCommandButtonClick()
{
    changeSelectedCommand(
        [](int row, const TCamerasettings &command) { CommandList().insert(row + 1, command); });
}

void TBilderFolgeForm::EditcommandButtonClick()
{
    changeSelectedCommand([](int row, const TCamerasettings &command) { CommandList()[row] = command; });
}

void TBilderFolgeForm::DeleteCommandButtonClick()
{
    const std::optional<int> row = firstSelectedCommand();
    if (!row)
        return;
    CommandList().removeAt(*row);
    if (CommandList().isEmpty())
        setListEditing(false);
    fillCommandlistSG();
}

void TBilderFolgeForm::Button1Click()
{
    SequenceSteps &list = CommandList();
    for (const QTableWidgetSelectionRange &range : m_grid->selectedRanges()) {
        for (int row = range.topRow(); row <= range.bottomRow() && row < list.size(); ++row)
            setDelay(list[row]);
    }
    fillCommandlistSG();
}

void TBilderFolgeForm::Lschen1Click()
{
    CommandList().clear();
    setListEditing(false);
    fillCommandlistSG();
}

void TBilderFolgeForm::BilderfolgeLadenClick()
{
    if (BilderfolgeLaden())
        fillCommandlistSG();
}
