#pragma once

#include <QColor>
#include <QString>

// What the shooting modes need of the window they run in: the two buttons, the caption, the
// status bar, the bulb field and the property writes with their feedback.
class ShootingView
{
public:
    virtual ~ShootingView() = default;

    virtual void setReleaseEnabled(bool enabled) = 0;
    virtual void setStopEnabled(bool enabled) = 0;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;
    virtual void setStatus(const QString &text, const QColor &color) = 0;
    // While held, an error shown after the hold began is not replaced by other messages.
    virtual void holdStatus(bool held) = 0;
    virtual bool bulbMode() const = 0;
    virtual void setBulbMode(bool bulb) = 0;
    virtual QString bulbTimeText() const = 0;
    // Writes one value to the camera with status feedback; returns the SDK's code.
    virtual quint32 ApplyProperty(quint32 property, quint32 value) = 0;
    // Shows the camera's cached value of one property (and takes it into CurrentSettings).
    virtual void UpdatePropertyDisplay(quint32 property) = 0;
    // Restarts the keep-alive timer with this period; 0 stops it.
    virtual void setKeepAliveMs(int periodMs) = 0;
};
