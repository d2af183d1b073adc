#pragma once

#include "platform/clock.h"
#include "platform/scripteddialogs.h"
#include "simcontrol.h"

#include <memory>

#include <gtest/gtest.h>

class QComboBox;
class TForm1;
class EventDispatcher;

// The code of a list's selected entry, -1 without a selection.
qint64 selectedCode(const QComboBox *box);

// A main window as the program creates it (property tables from default.cpf in the program's
// folder), with scripted dialogs, a manual clock and the simulated body configured by
// bodyConfig() before each test.
class MainWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    virtual const char *bodyConfig() const { return "camera=1;legacy=0;modedial=3;battery=80"; }

    // Connects and waits until the camera's first events have filled the panel.
    void connectAndSettle();
    quint32 cachedValue(quint32 property) const;

    ScriptedDialogs dialogs;
    ManualClock clock;
    std::unique_ptr<TForm1> form;
    EventDispatcher *dispatcher = nullptr;
};
