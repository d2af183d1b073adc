#include "app/mainformview.h"

#include "ui/mainform.h"

#include <QPushButton>
#include <QTimer>

void TMainFormView::setReleaseEnabled(bool enabled)
{
    m_form.AusloeserButton->setEnabled(enabled);
}

void TMainFormView::setStopEnabled(bool enabled)
{
    m_form.StopZeitrafferButton->setEnabled(enabled);
}

QString TMainFormView::caption() const
{
    return m_form.windowTitle();
}

void TMainFormView::setCaption(const QString &caption)
{
    m_form.setWindowTitle(caption);
}

void TMainFormView::setStatus(const QString &text, const QColor &color)
{
    m_form.setStatus(text, color);
}

void TMainFormView::holdStatus(bool held)
{
    m_form.holdStatus(held);
}

bool TMainFormView::bulbMode() const
{
    return m_form.BulbMode;
}

void TMainFormView::setBulbMode(bool bulb)
{
    m_form.BulbMode = bulb;
}

QString TMainFormView::bulbTimeText() const
{
    return m_form.bulbTimeText();
}

quint32 TMainFormView::ApplyProperty(quint32 property, quint32 value)
{
    return m_form.ApplyProperty(property, value);
}

void TMainFormView::UpdatePropertyDisplay(quint32 property)
{
    m_form.UpdatePropertyDisplay(property);
}

void TMainFormView::setKeepAliveMs(int periodMs)
{
    m_form.Timer1->stop();
    if (periodMs > 0)
        m_form.Timer1->start(periodMs);
}
