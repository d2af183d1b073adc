#pragma once

#include <QObject>

#include <gtest/gtest.h>

// A window's control by its object name; a control that is not there fails the test by name.
template<typename W>
W *namedChild(const QObject *window, const char *name)
{
    W *w = window->findChild<W *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}
