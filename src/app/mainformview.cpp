#include "app/mainformview.h"

#include "ui/mainform.h"

#include <QPushButton>
#include <QTimer>

void MainFormView::setReleaseEnabled(bool enabled)
{
    m_form.AusloeserButton->setEnabled(enabled);
}

void MainFormView::setStopEnabled(bool enabled)
{
    m_form.StopZeitrafferButton->setEnabled(enabled);
}

QString MainFormView::caption() const
{
    return m_form.windowTitle();
}

void MainFormView::setCaption(const QString &caption)
{
    m_form.setWindowTitle(caption);
}

void MainFormView::setStatus(const QString &text, const QColor &color)
{
    m_form.setStatus(text, color);
}

void MainFormView::holdStatus(bool held)
{
    m_form.holdStatus(held);
}

bool MainFormView::bulbMode() const
{
    return m_form.BulbMode;
}

void MainFormView::setBulbMode(bool bulb)
{
    m_form.BulbMode = bulb;
}

QString MainFormView::bulbTimeText() const
{
    return m_form.bulbTimeText();
}

quint32 MainFormView::ApplyProperty(quint32 property, quint32 value)
{
    return m_form.ApplyProperty(property, value);
}

void MainFormView::UpdatePropertyDisplay(quint32 property)
{
    m_form.UpdatePropertyDisplay(property);
}

void MainFormView::setKeepAliveMs(int periodMs)
{
    m_form.Timer1->stop();
    if (periodMs > 0)
        m_form.Timer1->start(periodMs);
}
