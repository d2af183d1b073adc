#pragma once

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTableWidget;
struct TCamerasettings;

// Command list window; created at start and kept for the whole run. It edits CommandList():
// each new command is the main window's current settings with the delay chosen here.
class TBilderFolgeForm : public QWidget
{
public:
    // Fills a record from the main window's settings; false when they cannot be taken.
    using SettingsReader = std::function<bool(TCamerasettings &)>;

    explicit TBilderFolgeForm(QWidget *parent = nullptr);

    void setSettingsReader(SettingsReader reader);
    // Follows the capture settings window's image-sequence box.
    void setSequenceMode(bool on);
    // Shows the list: one row per command below the header, one empty row for none.
    void fillCommandlistSG();
    // The running sequence shows its step.
    void selectStep(int index);

private:
    void AddCOmmandButtonClick();
    void InsertCommandButtonClick();
    void EditcommandButtonClick();
    void DeleteCommandButtonClick();
    void Button1Click();
    void Lschen1Click();
    void BilderfolgeLadenClick();

    // The main window's settings with the chosen delay. The buttons stay disabled while the
    // settings are read, since reading lets events through.
    std::optional<TCamerasettings> commandFromWindow();
    void setDelay(TCamerasettings &command) const;
    // The command index of the first selected row, when it holds a command.
    std::optional<int> firstSelectedCommand() const;
    // Runs `change` with the first selected command's row and the window's settings when
    // both are there, then refills the grid.
    void changeSelectedCommand(const std::function<void(int row, const TCamerasettings &)> &change);
    void setListEditing(bool enabled);

    SettingsReader m_readSettings;
    QTableWidget *m_grid = nullptr;
    QComboBox *m_hours = nullptr;
    QComboBox *m_minutes = nullptr;
    QComboBox *m_seconds = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_insert = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_changeDelay = nullptr;
    QCheckBox *m_sequenceBox = nullptr;
};
