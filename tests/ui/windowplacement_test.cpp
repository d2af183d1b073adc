#include "ui/windowplacement.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(WidgetLayoutWindows, ReportsAndPlacesWindowsByTheirOuterBounds)
{
    QWidget main;
    main.setObjectName("Form1");
    QWidget unnamed;
    QWidget image;
    image.setObjectName("BildanzeigeForm");
    main.setGeometry(30, 40, 300, 200);
    main.show();
    image.showMinimized();
    WidgetLayoutWindows layout({&main, &unnamed, &image});

    const QList<LayoutWindow> windows = layout.windows();
    ASSERT_EQ(windows.size(), 3);
    EXPECT_EQ(windows[0], (LayoutWindow{"Form1", true, main.frameGeometry(), LayoutStateNormal}));
    EXPECT_EQ(windows[1].name, QString());
    EXPECT_FALSE(windows[1].visible);
    EXPECT_EQ(windows[2].state, LayoutStateMinimized);
    image.showMaximized();
    EXPECT_EQ(layout.windows()[2].state, LayoutStateMaximized);

    layout.place(1, true, QRect(50, 60, 320, 240));
    EXPECT_TRUE(unnamed.isVisible());
    EXPECT_EQ(unnamed.frameGeometry(), QRect(50, 60, 320, 240));
    layout.place(0, false, QRect(5, 6, 200, 100));
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.frameGeometry().topLeft(), QPoint(5, 6));

    ASSERT_FALSE(layout.availableScreens().isEmpty());
    EXPECT_EQ(layout.availableScreens().front(), QGuiApplication::primaryScreen()->availableGeometry());
}

TEST(WindowToggle, TheCheckMarkFollowsTheWindow)
{
    QWidget window;
    QAction entry("Bildansicht");
    entry.setCheckable(true);
    bindWindowToggle(&entry, &window);

    entry.trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(entry.isChecked());
    // Closed by its own button, shown by a layout: the next click still does the right thing.
    window.close();
    EXPECT_FALSE(entry.isChecked());
    window.show();
    EXPECT_TRUE(entry.isChecked());
    entry.trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(entry.isChecked());
}

} // namespace
