#include "camera/cameraevents.h"

#include <QCoreApplication>
#include <QObject>

WindowMessageEvent::WindowMessageEvent(WindowMessage message, quintptr wParam, quintptr lParam,
                                         QString text)
    : QEvent(QEvent::Type(message))
    , m_wParam(wParam)
    , m_lParam(lParam)
    , m_text(std::move(text))
{
}

bool isWindowMessage(const QEvent *event)
{
    const int type = int(event->type());
    return type >= WM_PROPERTYEVENT && type <= WM_PROCESSMESSAGES;
}

void postWindowMessage(QObject *receiver, WindowMessage message, quintptr wParam, quintptr lParam,
                       const QString &text)
{
    if (!receiver)
        return;
    QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wParam, lParam, text));
}
