#pragma once

#include "settings/configuration.h"

#include <QWidget>

#include <functional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// Capture settings window; created at start and kept for the whole run. It has no OK button:
// its values are collected before every release and before the configuration is saved.
class TAufnahmeEinstForm : public QWidget, public SettingsWindow
{
    Q_OBJECT

public:
    // Shows the mask dialog with a mask and a prefix; gives back both as it closes.
    using MaskDialogOpener =
        std::function<std::pair<QString, QString>(const QString &mask, const QString &prefix)>;

    explicit TAufnahmeEinstForm(QWidget *parent = nullptr);

    bool settingsFromWindow() override;
    void settingsToWindow() override;

    // Refills the bracketing selectors from the exposure-compensation master table.
    void fillBracketingLists();
    void setMaskDialogOpener(MaskDialogOpener opener);
    QString prefix() const { return m_prefix; }
    // The menu entry: shows the working settings, then the window.
    void openFromMenu();
    // Sets the image-sequence box as a click on it would.
    void setImageSequence(bool on);

signals:
    // Stop the keep-alive timer, then start it with this period unless it is 0.
    void keepAliveChanged(int periodSeconds);
    // The command list window follows: enabled while image sequence is the mode.
    void imageSequenceModeChanged(bool on);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void exclusiveModeClicked(bool &mode, QCheckBox *box);
    void ZeitRafferCheckboxClick();
    void applyModeLayout();
    void setModeBox(QCheckBox *box, bool checked, const std::function<void()> &click);
    void VerzeichniseditChange();
    void checkRootFolder();
    void VerzeichnisButtonClick();
    void DateimaskeButtonClick();
    void keepAliveControl();

    bool m_single = true;
    bool m_bracketing = false;
    bool m_timeLapse = false;
    bool m_sequence = false;
    QString m_prefix;
    bool m_askingForFolder = false;
    MaskDialogOpener m_maskDialogOpener;

    QCheckBox *m_singleBox = nullptr;
    QCheckBox *m_sequenceBox = nullptr;
    QCheckBox *m_bracketingBox = nullptr;
    QComboBox *m_bracketingValues[3] = {};
    QCheckBox *m_timeLapseBox = nullptr;
    QLineEdit *m_countEdit = nullptr;
    QComboBox *m_hoursBox = nullptr;
    QComboBox *m_minutesBox = nullptr;
    QComboBox *m_secondsBox = nullptr;
    QLineEdit *m_folderEdit = nullptr;
    QPushButton *m_folderButton = nullptr;
    QLineEdit *m_projectEdit = nullptr;
    QLineEdit *m_maskEdit = nullptr;
    QPushButton *m_maskButton = nullptr;
    QCheckBox *m_keepAliveBox = nullptr;
    QComboBox *m_keepAliveInterval = nullptr;
};
