#pragma once

#include "app/transfer.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QTimer;
class TForm1;
class WindowMessageEvent;

// Receives the window messages posted to the main window and keeps its settings panel in step
// with the camera. Also watches every key release of the program for Escape, which stops the
// title-capture timers.
class EventDispatcher : public QObject
{
public:
    explicit EventDispatcher(TForm1 &form);
    ~EventDispatcher() override;

    // A timer that Escape stops.
    void watchEscapeTimer(QTimer *timer);

    // Receives the text of each command-output message (1030).
    void setCommandOutputReceiver(std::function<void(const QString &text)> receiver);

    // Called with each picture-stored message (1031).
    void setImageStoredReceiver(std::function<void()> receiver);

    // Receives the picture transfer messages.
    PictureTransfer &transfer() { return m_transfer; }

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool dispatch(const WindowMessageEvent &message);
    void valueChanged(quint32 property);
    void allowedValuesChanged(quint32 property);
    void escapeReleased();

    TForm1 &m_form;
    PictureTransfer m_transfer;
    QList<QPointer<QTimer>> m_escapeTimers;
    std::function<void(const QString &)> m_commandOutput;
    std::function<void()> m_imageStored;
};
