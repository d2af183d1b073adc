#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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

// The named controls of the window a fixture tests; the fixture says which window that is.
class NamedControls
{
protected:
    virtual ~NamedControls() = default;
    virtual const QObject *controlsOf() const = 0;

    template<typename W>
    W *child(const char *name) const { return namedChild<W>(controlsOf(), name); }
    QCheckBox *box(const char *name) const { return child<QCheckBox>(name); }
    QComboBox *combo(const char *name) const { return child<QComboBox>(name); }
    QLineEdit *edit(const char *name) const { return child<QLineEdit>(name); }
};
