#include "app/eventdispatch.h"

#include "camera/appmaster.h"
#include "camera/cameraevents.h"
#include "diagnostics/debuglog.h"
#include "ui/mainform.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <array>

namespace {

constexpr quint32 AEModeProperty = 1024;

// Shown from the cache after the AE mode changed: the mode decides what they mean.
constexpr std::array<quint32, 9> kAfterAEMode{1029, 1030, 1026, 262, 256, 1028, 1031, 1027, 1025};

} // namespace

TEventDispatcher::TEventDispatcher(TForm1 &form)
    : QObject(&form)
    , m_form(form)
    , m_transfer(form)
{
    // Once only: a filter on the application sees the window's messages too, and a message
    // that one filter passes on would reach the other and be handled twice.
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    else
        form.installEventFilter(this);
}

TEventDispatcher::~TEventDispatcher()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void TEventDispatcher::watchEscapeTimer(QTimer *timer)
{
    m_escapeTimers.append(timer);
}

bool TEventDispatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            escapeReleased();
        return false;
    }
    if (watched == &m_form && isWindowMessage(event))
        return dispatch(*static_cast<const TWindowMessageEvent *>(event));
    return false;
}

bool TEventDispatcher::dispatch(const TWindowMessageEvent &message)
{
    switch (message.message()) {
    case WM_PROPERTYEVENT:
        if (message.wParam() == kEdsPropertyEvent_PropertyChanged)
            valueChanged(quint32(message.lParam()));
        else if (message.wParam() == kEdsPropertyEvent_PropertyDescChanged)
            allowedValuesChanged(quint32(message.lParam()));
        else
            return false;
        return true;
    case WM_OBJECTEVENT:
        return m_transfer.ObjectEvent(reinterpret_cast<EdsDirectoryItemRef>(message.lParam()));
    case WM_PROGRESSEVENT:
        m_transfer.ProgressEvent(int(message.wParam()));
        return true;
    case WM_DOWNLOADDONE:
        m_transfer.DownloadDone();
        return true;
    case WM_UNKNOWNEVENT:
        DebugLine(QStringLiteral("Unbekannter Event aufgetreten"));
        DebugLine(QString());
        return true;
    case WM_PROCESSMESSAGES:
        QCoreApplication::processEvents();
        return true;
    default:
        return false;
    }
}

void TEventDispatcher::valueChanged(quint32 property)
{
    if (AppMaster)
        AppMaster->GetProperty(property);
    m_form.UpdatePropertyDisplay(property);
    if (property != AEModeProperty)
        return;
    for (quint32 other : kAfterAEMode)
        m_form.UpdatePropertyDisplay(other);
}

void TEventDispatcher::allowedValuesChanged(quint32 property)
{
    if (AppMaster)
        AppMaster->GetPropertyDesc(property);
    m_form.RebuildValueList(property);
    for (quint32 shown : {1024u, 1029u, 1030u, 1026u, 262u, 256u})
        m_form.UpdatePropertyDisplay(shown);
    m_form.RebuildValueList(1028);
    for (quint32 shown : {1028u, 1031u, 1027u})
        m_form.UpdatePropertyDisplay(shown);
    for (quint32 rebuilt : {1028u, 1024u, 1025u})
        m_form.RebuildValueList(rebuilt);
}

void TEventDispatcher::escapeReleased()
{
    for (const QPointer<QTimer> &timer : std::as_const(m_escapeTimers)) {
        if (timer && timer->isActive())
            timer->stop();
    }
}
