#pragma once

#include <QEvent>
#include <QString>

class QObject;

// Window messages, posted to a receiver and handled on its thread in posting order.
enum WindowMessage : int {
    WM_PROPERTYEVENT = 1025,   // property event (257 or 258), property number
    WM_OBJECTEVENT = 1026,     // 520, the offered directory item (the receiver releases it)
    WM_PROGRESSEVENT = 1027,   // percent, cancel flag
    WM_DOWNLOADDONE = 1028,    // nothing
    WM_UNKNOWNEVENT = 1029,    // event, property number
    WM_COMMANDOUTPUT = 1030,   // text of the command output
    WM_IMAGESTORED = 1031,     // nothing
    WM_PROCESSMESSAGES = 1032, // nothing
};

// One posted window message with its two parameters (and a text for those that carry one).
class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(WindowMessage message, quintptr wParam, quintptr lParam,
                        QString text = {});

    WindowMessage message() const { return WindowMessage(type()); }
    quintptr wParam() const { return m_wParam; }
    quintptr lParam() const { return m_lParam; }
    const QString &text() const { return m_text; }

private:
    quintptr m_wParam;
    quintptr m_lParam;
    QString m_text;
};

// True for the types 1025 to 1032.
bool isWindowMessage(const QEvent *event);

// Thread-safe: may be called from any thread. A null receiver posts nothing.
void postWindowMessage(QObject *receiver, WindowMessage message, quintptr wParam = 0,
                       quintptr lParam = 0, const QString &text = {});
