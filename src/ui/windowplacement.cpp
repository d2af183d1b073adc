#include "ui/windowplacement.h"

#include "platform/check.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

int layoutState(const QWidget &window)
{
    if (window.isMinimized())
        return LayoutStateMinimized;
    if (window.isMaximized())
        return LayoutStateMaximized;
    return LayoutStateNormal;
}

// Keeps an entry's check mark on its window's visibility.
class VisibilityMark : public QObject
{
public:
    VisibilityMark(QAction *entry, QWidget *window) : QObject(window), m_entry(entry)
    {
        window->installEventFilter(this);
        entry->setChecked(window->isVisible());
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_entry && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
            m_entry->setChecked(static_cast<QWidget *>(watched)->isVisible());
        return false;
    }

private:
    QPointer<QAction> m_entry;
};

} // namespace

WidgetLayoutWindows::WidgetLayoutWindows(const QList<QWidget *> &windows)
{
    for (QWidget *w : windows)
        m_windows.append(w);
}

QList<LayoutWindow> WidgetLayoutWindows::windows() const
{
    QList<LayoutWindow> result;
    for (const QPointer<QWidget> &w : m_windows) {
        TESSARO_ASSERT(w, result.append(LayoutWindow{}); continue);
        result.append({w->objectName(), w->isVisible(), w->frameGeometry(), layoutState(*w)});
    }
    return result;
}

void WidgetLayoutWindows::place(int index, bool visible, const QRect &frame)
{
    TESSARO_ASSERT(index >= 0 && index < m_windows.size() && m_windows[index], return);
    QWidget &w = *m_windows[index];
    w.setVisible(visible);
    // The frame the window system draws around a shown window; nothing before it is shown.
    const QSize decoration = w.frameGeometry().size() - w.size();
    w.move(frame.topLeft());
    w.resize(frame.size() - decoration);
}

QList<QRect> WidgetLayoutWindows::availableScreens() const
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    return screens;
}

void bindWindowToggle(QAction *entry, QWidget *window)
{
    new VisibilityMark(entry, window);
    QObject::connect(entry, &QAction::triggered, window,
                     [window](bool checked) { window->setVisible(checked); });
}
