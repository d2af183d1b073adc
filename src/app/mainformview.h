#pragma once

#include "app/shootingview.h"

class TForm1;

// The main window as the shooting modes see it.
class MainFormView : public ShootingView
{
public:
    explicit MainFormView(TForm1 &form) : m_form(form) {}

    void setReleaseEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    QString caption() const override;
    void setCaption(const QString &caption) override;
    void setStatus(const QString &text, const QColor &color) override;
    void holdStatus(bool held) override;
    bool bulbMode() const override;
    void setBulbMode(bool bulb) override;
    QString bulbTimeText() const override;
    quint32 ApplyProperty(quint32 property, quint32 value) override;
    void UpdatePropertyDisplay(quint32 property) override;
    void setKeepAliveMs(int periodMs) override;

private:
    TForm1 &m_form;
};
