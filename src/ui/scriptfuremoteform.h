#pragma once

#include "diagnostics/sendkeys.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The key-sending remote: types a text in the key grammar, or the lines of its test list,
// into another program's window found by its title. Created at start and kept for the
// whole run.
class TScriptFuRemoteForm : public QWidget
{
    Q_OBJECT

public:
    explicit TScriptFuRemoteForm(QWidget *parent = nullptr);

    // Activates the window with the title and sends the text; the program's remote.
    using Sender = std::function<SendKeysResult(const QString &title, const QString &text)>;
    void setSender(Sender sender) { m_send = std::move(sender); }
    // The title under the mouse pointer, for the title capture.
    void setPointerTextSource(std::function<QString()> source) { m_pointerText = std::move(source); }

    // The test list's line for one character code.
    static QString testLine(int code);

    QLabel *Label1 = nullptr;
    QLineEdit *edtGimpDir = nullptr;
    QPushButton *ExternViewDir = nullptr;
    QLabel *ExtTitleLabel = nullptr;
    QLineEdit *ScriptFuWindowTitleEdit = nullptr;
    QPushButton *FindWindowTitleButton = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *btnSendKeys = nullptr;
    QListWidget *ListBox1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void btnSendKeysClick();
    void ListBox1Enter();
    void FindWindowTitleButtonClick();
    void Timer1Timer();

    Sender m_send;
    std::function<QString()> m_pointerText;
    bool m_sending = false;
};
