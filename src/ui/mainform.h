#pragma once

#include "camera/camerasettings.h"
#include "camera/proptables.h"
#include "edsdk.h"

#include <QColor>
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;
class TDebugLog;

// Status bar colours: red for errors, lime for a successful write.
inline const QColor StatusErrorColor = QColor(255, 0, 0);
inline const QColor StatusSetValueColor = QColor(0, 255, 0);

// The main window: the camera's settings panel, the menu, the status bar and the debug fields.
// Camera events reach it through the dispatcher of the program, which calls the panel
// operations below.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The initial filling from the master tables.
    void FillValueLists();
    // Writes one value to the camera; the status bar tells how it went. Returns the SDK's code.
    quint32 ApplyProperty(quint32 property, quint32 value);
    // Shows the cached value of one property.
    void UpdatePropertyDisplay(quint32 property);
    // Refills one list from the camera's allowed values.
    void RebuildValueList(quint32 property);
    void ShowDebugFields(bool visible);
    // The debug log window, created on first use; it lives as long as the main window.
    TDebugLog &DebugLogWindow();
    // Switches debugging on or off with all that shows it: the flag, the log window, the
    // debug fields, the menu caption and the width. Switching off when it is off does nothing.
    void setDebugging(bool on);
    void showProjectName(const QString &name);
    // Fills `settings` from the panel's selections after letting pending events arrive.
    // False when the bulb time is not a whole number (reported through the dialogs).
    bool ReadCameraSettings(TCamerasettings &settings);

    // The master-table entry a list item refers to, nullptr when there is none.
    static const TPropList *entryOf(const QComboBox *box, int index);
    // The entry of the property's list item with this code, nullptr when none has it.
    const TPropList *entryWithCode(CameraProperty property, quint32 code) const;
    QComboBox *valueList(CameraProperty property) const;

    void setStatus(const QString &text, const QColor &color);
    // While held, an error shown after the hold began is not replaced by other messages.
    void holdStatus(bool held)
    {
        m_statusHeld = held;
        m_errorHeld = false;
    }
    QString statusText() const;
    // Asked before the window closes; false keeps it open (the guard closes it later itself).
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }
    QColor statusColor() const;

    // The bulb flag: the Tv selection is bulb.
    bool BulbMode = false;

    // Text of the bulb-time field as typed.
    QString bulbTimeText() const;

    QTimer *Timer1 = nullptr;
    QPushButton *AusloeserButton = nullptr;
    QPushButton *StopZeitrafferButton = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QAction *Bildansicht1 = nullptr;
    QAction *Exifinfos1 = nullptr;
    QAction *Befehlsliste1 = nullptr;
    QAction *Skripter1 = nullptr;
    QAction *EBV1 = nullptr;
    QAction *Enable1 = nullptr;
    QAction *ReportSchicken = nullptr;

signals:
    // Once, when the window is shown for the first time (delivered through the event loop).
    void firstShown();
    // The user closes the window; runs before it hides.
    void closing();
    // The user loaded a camera property file: the master tables changed.
    void propertiesLoaded();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    std::function<bool()> m_closeGuard;
    struct PropertyRow
    {
        QComboBox *list = nullptr;
        QLineEdit *nameEdit = nullptr;
        QLineEdit *idEdit = nullptr;
        QPushButton *changeButton = nullptr;
    };

    void buildPanel(QWidget *panel);
    void buildDebugPanel(QWidget *panel);
    void buildMenu();
    // The selected entry's code of each list, by property; nothing where a list has none.
    using SelectedCodes = std::array<std::optional<quint32>, CameraPropertyCount>;
    SelectedCodes selectedCodes() const;
    // The first filling's items from the tables as they are now; a list selects the kept
    // code when it still offers it, else the first filling's position.
    void fillListsFromTables(const SelectedCodes &keep);
    void fillList(CameraProperty property, int count, int selected);
    void valueListActivated(CameraProperty property, int index);
    void showEntryInFields(CameraProperty property, const TPropList *entry);
    int indexOfCode(const QComboBox *box, quint32 code) const;
    void addItem(QComboBox *box, const PropTable &master, qsizetype index);
    // Adds an item for a code a whole-table list lacks: its master entry, or a new
    // "Unbekannt" entry when the tables do not know it. Returns the item's index.
    int offerReportedCode(CameraProperty property, quint32 code);
    void showGeneral(CameraProperty property, quint32 value);
    void showExpComp(quint32 value);
    void rebuildCameraFiltered(CameraProperty property, const EdsPropertyDesc &desc);
    void rebuildProgramFiltered(CameraProperty property);
    void bulbTimeEdited();
    void toggleDebug();
    void loadPropertiesMenuClick();
    void savePropsMenuClick();
    void saveCamSettingsMenuClick();

    PropertyRow &row(CameraProperty property) { return m_rows[size_t(property)]; }

    std::array<PropertyRow, CameraPropertyCount> m_rows;
    std::unique_ptr<TDebugLog> m_debugLog;
    QLineEdit *m_bulbTimeEdit = nullptr;
    QProgressBar *m_batteryBar = nullptr;
    QLabel *m_batteryValue = nullptr;
    QLabel *m_releaseNumber = nullptr;
    QLineEdit *m_projectName = nullptr;
    QLabel *m_status = nullptr;
    QColor m_statusColor;
    bool m_statusHeld = false;
    bool m_errorHeld = false;
    bool m_shown = false;
};

// Position (from 1) of the last occurrence of `character` in `text`, 0 if none.
int LastPos(const QString &text, const QString &character);
