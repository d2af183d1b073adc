#include "mainwindowtest.h"

#include "app/eventdispatch.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QComboBox>
#include <QDir>

qint64 selectedCode(const QComboBox *box)
{
    const TPropList *entry = TForm1::entryOf(box, box->currentIndex());
    return entry ? qint64(entry->ID) : -1;
}

void MainWindowTest::SetUpTestSuite()
{
    const Result<> loaded = loadSdk(BinDir);
    ASSERT_TRUE(loaded) << loaded.error().toStdString();
}

void MainWindowTest::SetUp()
{
    ASSERT_TRUE(sdkLoaded());
    AppMaster.reset();
    IgnoreDisconnect = false;
    setDebugEnabled(false);
    ASSERT_EQ(simConfigure(bodyConfig()), 0);
    QDir::setCurrent(BinDir);
    resetPropertyTables();
    ProgramSettings() = TProgramSettings{};
    CurrentSettings() = TCamerasettings{};
    StartSettings() = TCamerasettings{};
    setAppDialogs(&dialogs);
    setAppClock(&clock);
    form = std::make_unique<TForm1>();
    dispatcher = new EventDispatcher(*form);
    MainWindowCreated(*form);
    ASSERT_FALSE(MasterTable(CameraProperty::Tv).empty()) << "default.cpf not loaded";
}

void MainWindowTest::TearDown()
{
    form.reset();
    AppMaster.reset();
    setAppClock(nullptr);
    setAppDialogs(nullptr);
}

void MainWindowTest::connectAndSettle()
{
    ASSERT_EQ(ConnectCamera(*form), ConnectOk);
    // The body announces every value after the session opens; battery comes last of all
    // only by chance, so wait for the lists that show the mode's values.
    const auto shown = [this](CameraProperty property) {
        const quint32 id = cameraPropertyInfo(property).sdkId;
        return selectedCode(form->valueList(property)) == qint64(cachedValue(id));
    };
    ASSERT_TRUE(waitUntil([&] {
        return shown(CameraProperty::AEMode) && shown(CameraProperty::Av)
               && shown(CameraProperty::Tv) && shown(CameraProperty::ISO);
    }));
}

quint32 MainWindowTest::cachedValue(quint32 property) const
{
    return AppMaster->GetCamera()->GetPropertyUInt32(property);
}
