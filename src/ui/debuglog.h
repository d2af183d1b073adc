#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The debug log window: the trace lines of the debug log core, to read, clear and save.
// Lines arrive in batches, at most one repaint per event-loop turn, so a chatty camera
// never freezes it. Closing it only hides it; lines keep arriving while it is hidden.
class TDebugLog : public QWidget
{
    Q_OBJECT

public:
    explicit TDebugLog(QWidget *parent = nullptr);
    ~TDebugLog() override;

    // The whole log, one entry per line.
    QStringList lines() const;

    QPlainTextEdit *Log = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

    // Lines shown per event-loop turn; the rest follow on the next turns.
    static constexpr int LinesPerTurn = 2000;

private:
    void take(const QString &line);
    void showPending();
    void Button1Click();
    void Button2Click();

    QStringList m_pending;
    qsizetype m_shown = 0; // of m_pending
    bool m_turnPosted = false;
};
