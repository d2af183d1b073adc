#pragma once

#include "camera/cameraevents.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure output for Qt texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &lines, std::ostream *out)
{
    *out << "\n  " << lines.join(QStringLiteral("|\n  ")).toStdString() << "|";
}

// Receives posted window messages and keeps them in arrival order.
class MessageRecorder : public QObject
{
public:
    struct Message
    {
        int type;
        quintptr wParam;
        quintptr lParam;
        bool operator==(const Message &) const = default;
    };

    bool event(QEvent *event) override
    {
        if (!isWindowMessage(event))
            return QObject::event(event);
        const auto *message = static_cast<WindowMessageEvent *>(event);
        messages.append({message->message(), message->wParam(), message->lParam()});
        return true;
    }

    QList<Message> ofType(int type) const
    {
        QList<Message> found;
        for (const Message &m : messages)
            if (m.type == type)
                found.append(m);
        return found;
    }

    QList<Message> messages;
};
