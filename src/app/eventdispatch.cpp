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

// Shown from the cache after the AE mode changed: the mode decides what they mean.
constexpr std::array<quint32, 9> kAfterAEMode{
    kEdsPropID_Av,     kEdsPropID_Tv,           kEdsPropID_ISOSpeed,
    kEdsPropID_WhiteBalance, kEdsPropID_ImageQuality, kEdsPropID_AFMode,
    kEdsPropID_ExposureCompensation, kEdsPropID_MeteringMode, kEdsPropID_DriveMode};

// What a change of allowed values refreshes after the property's own list: values shown,
// lists rebuilt, in this order.
enum class Refresh { Show, Rebuild };
struct RefreshStep
{
    Refresh what;
    quint32 property;
};
constexpr std::array<RefreshStep, 13> kAfterAllowedValues{{
    {Refresh::Show, kEdsPropID_AEMode},
    {Refresh::Show, kEdsPropID_Av},
    {Refresh::Show, kEdsPropID_Tv},
    {Refresh::Show, kEdsPropID_ISOSpeed},
    {Refresh::Show, kEdsPropID_WhiteBalance},
    {Refresh::Show, kEdsPropID_ImageQuality},
    {Refresh::Rebuild, kEdsPropID_AFMode},
    {Refresh::Show, kEdsPropID_AFMode},
    {Refresh::Show, kEdsPropID_ExposureCompensation},
    {Refresh::Show, kEdsPropID_MeteringMode},
    {Refresh::Rebuild, kEdsPropID_AFMode},
    {Refresh::Rebuild, kEdsPropID_AEMode},
    {Refresh::Rebuild, kEdsPropID_DriveMode},
}};

} // namespace

EventDispatcher::EventDispatcher(TForm1 &form)
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

EventDispatcher::~EventDispatcher()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void EventDispatcher::watchEscapeTimer(QTimer *timer)
{
    m_escapeTimers.append(timer);
}

void EventDispatcher::setImageStoredReceiver(std::function<void()> receiver)
{
    m_imageStored = std::move(receiver);
}

void EventDispatcher::setCommandOutputReceiver(std::function<void(const QString &)> receiver)
{
    m_commandOutput = std::move(receiver);
}

bool EventDispatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            escapeReleased();
        return false;
    }
    if (watched == &m_form && isWindowMessage(event))
        return dispatch(*static_cast<const WindowMessageEvent *>(event));
    return false;
}

bool EventDispatcher::dispatch(const WindowMessageEvent &message)
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
    case WM_COMMANDOUTPUT:
        if (m_commandOutput)
            m_commandOutput(message.text());
        return true;
    case WM_IMAGESTORED:
        if (m_imageStored)
            m_imageStored();
        return false;
    case WM_PROCESSMESSAGES:
        QCoreApplication::processEvents();
        return true;
    default:
        return false;
    }
}

void EventDispatcher::valueChanged(quint32 property)
{
    if (AppMaster)
        AppMaster->GetProperty(property);
    m_form.UpdatePropertyDisplay(property);
    if (property != kEdsPropID_AEMode)
        return;
    for (quint32 other : kAfterAEMode)
        m_form.UpdatePropertyDisplay(other);
}

void EventDispatcher::allowedValuesChanged(quint32 property)
{
    if (AppMaster)
        AppMaster->GetPropertyDesc(property);
    m_form.RebuildValueList(property);
    for (const RefreshStep &step : kAfterAllowedValues) {
        if (step.what == Refresh::Show)
            m_form.UpdatePropertyDisplay(step.property);
        else
            m_form.RebuildValueList(step.property);
    }
}

void EventDispatcher::escapeReleased()
{
    for (const QPointer<QTimer> &timer : std::as_const(m_escapeTimers)) {
        if (timer && timer->isActive())
            timer->stop();
    }
}
