// The program's main window over the bridge and the real libgphoto2, against the responder:
// the panel fills from the body, and what the photographer chooses there reaches the body.
#include "buildfolder.h"
#include "responder.h"

#include "app/eventdispatch.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/proptables.h"
#include "camera/sdkloader.h"
#include "platform/clock.h"
#include "platform/scripteddialogs.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

// libgphoto2 keeps what it allocates for its camera drivers and unloads them, so the leaks
// cannot even be named; the bridge's own are checked in gphoto2_tests.
extern "C" const char *__lsan_default_options()
{
    return "detect_leaks=0";
}

namespace {

using P = CameraProperty;

qint64 selectedCode(const QComboBox *box)
{
    const TPropList *entry = TForm1::entryOf(box, box->currentIndex());
    return entry ? qint64(entry->ID) : -1;
}

bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void choose(QComboBox *box, quint32 code)
{
    for (int i = 0; i < box->count(); ++i) {
        const TPropList *entry = TForm1::entryOf(box, i);
        if (entry && entry->ID == code) {
            box->setCurrentIndex(i);
            emit box->activated(i);
            return;
        }
    }
    ADD_FAILURE() << "code " << code << " not offered";
}

class PanelOverLibgphoto2 : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const Result<> loaded = loadSdk(BuildBinDir, BridgeLibrary);
        ASSERT_TRUE(loaded) << loaded.error().toStdString();
    }

    void SetUp() override
    {
        qputenv("HOME", home.path().toUtf8()); // libgphoto2 keeps its settings there
        qputenv("TESSARO_GPHOTO2_PORT", QByteArray::fromStdString(body.port()));
        AppMaster.reset();
        resetPropertyTables();
        ProgramSettings() = TProgramSettings{};
        CurrentSettings() = TCamerasettings{};
        setAppDialogs(&dialogs);
        setAppClock(&clock);
        form = std::make_unique<TForm1>();
        dispatcher = new EventDispatcher(*form);
        MainWindowCreated(*form, BuildBinDir);
    }

    void TearDown() override
    {
        form.reset();
        AppMaster.reset();
        setAppClock(nullptr);
        setAppDialogs(nullptr);
        qunsetenv("TESSARO_GPHOTO2_PORT");
    }

    QTemporaryDir home;
    ptpip::Responder body{"\xFF\xD8 a picture \xFF\xD9"};
    ScriptedDialogs dialogs;
    ManualClock clock;
    std::unique_ptr<TForm1> form;
    EventDispatcher *dispatcher = nullptr;
};

} // namespace

TEST_F(PanelOverLibgphoto2, FillsFromTheBodyAndChosenIsoAndApertureReachIt)
{
    ASSERT_EQ(ConnectCamera(*form), ConnectOk);
    ASSERT_TRUE(waitFor([&] {
        return selectedCode(form->valueList(P::ISO)) == 72 && selectedCode(form->valueList(P::Av)) == 48
               && selectedCode(form->valueList(P::AEMode)) == 3;
    })) << "ISO " << selectedCode(form->valueList(P::ISO)) << ", Av " << selectedCode(form->valueList(P::Av));
    EXPECT_EQ(selectedCode(form->valueList(P::Tv)), 112);
    EXPECT_EQ(selectedCode(form->valueList(P::Quality)), 0x00640013);

    choose(form->valueList(P::ISO), 80); // 200
    choose(form->valueList(P::Av), 56);  // f/8
    const auto written = [&](const char *line) {
        const std::vector<std::string> writes = body.writes();
        return std::find(writes.begin(), writes.end(), line) != writes.end();
    };
    EXPECT_TRUE(waitFor([&] { return written("D103=80") && written("D101=56"); }));
    // The body's answer comes back to the panel.
    EXPECT_TRUE(waitFor([&] { return body.value(0xD103) == 80 && selectedCode(form->valueList(P::ISO)) == 80; }));
}
