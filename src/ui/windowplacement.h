#pragma once

#include "settings/windowlayout.h"

#include <QList>
#include <QPointer>

class QAction;
class QWidget;

// The program's top-level windows as the layout file sees them: outer bounds, visibility and
// show state, placed by their outer bounds.
class WidgetLayoutWindows : public LayoutWindows
{
public:
    explicit WidgetLayoutWindows(const QList<QWidget *> &windows);

    QList<LayoutWindow> windows() const override;
    void place(int index, bool visible, const QRect &frame) override;
    QList<QRect> availableScreens() const override;

private:
    QList<QPointer<QWidget>> m_windows;
};

// A checkable menu entry that shows and hides a window: triggering it hides the window when
// the entry is checked and shows it otherwise; the check mark follows the window however it
// was shown or hidden (a layout, its own close button).
void bindWindowToggle(QAction *entry, QWidget *window);
