#pragma once

#include "settings/configuration.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// Viewer settings window; created at start and kept for the whole run. Its controls are
// collected into the working settings and set from them by the viewer settings pair.
class TViewerSetup : public QWidget, public SettingsWindow
{
public:
    explicit TViewerSetup(QWidget *parent = nullptr);

    bool settingsFromWindow() override;
    void settingsToWindow() override;

    // Where the title capture reads the text under the mouse pointer.
    void setPointerTextSource(std::function<QString()> source) { m_pointerText = std::move(source); }
    // The menu entry: the controls into the settings, then the window (not modal).
    void openFromMenu();

    QCheckBox *ShowPicCheckBox = nullptr;
    QCheckBox *ShowInternView = nullptr;
    QCheckBox *ShowExternview = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *ExternViewDirEdit = nullptr;
    QPushButton *ExternViewDir = nullptr;
    QLabel *ExtTitleLabel = nullptr;
    QLineEdit *ViewerWindowTitleEdit = nullptr;
    QPushButton *FindWindowTitleButton = nullptr;
    QPushButton *ViewerSetupOkButton = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    // The title capture; Escape stops it.
    QTimer *Timer1 = nullptr;

private:
    void ExternViewDirClick();
    void FindWindowTitleButtonClick();
    void Timer1Timer();

    std::function<QString()> m_pointerText;
};
