#include "simfixture.h"

#include "app/eventdispatch.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/proptables.h"
#include "camera/sdkloader.h"
#include "diagnostics/debuglog.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include "edsdk_sim.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

namespace {

template<typename Fn>
Fn simCall(const char *name)
{
    auto fn = reinterpret_cast<Fn>(sdkSymbol(name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
}

} // namespace

bool waitUntil(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(30000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int simConfigure(const char *keyValues)
{
    return int(simCall<decltype(&EdsSimConfigure)>("EdsSimConfigure")(keyValues));
}

int simTurnValue(quint32 property, quint32 value)
{
    return int(simCall<decltype(&EdsSimTurnValue)>("EdsSimTurnValue")(property, value));
}

int simSetModeDial(quint32 aeMode)
{
    return int(simCall<decltype(&EdsSimSetModeDial)>("EdsSimSetModeDial")(aeMode));
}

QStringList simCallLog()
{
    EdsUInt32 length = 0;
    simCall<decltype(&EdsSimCallLog)>("EdsSimCallLog")(nullptr, 0, &length);
    QByteArray buffer(qsizetype(length) + 1, '\0');
    simCall<decltype(&EdsSimCallLog)>("EdsSimCallLog")(buffer.data(), length + 1, &length);
    return QString::fromLatin1(buffer.constData()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void simClearCallLog()
{
    simCall<decltype(&EdsSimClearCallLog)>("EdsSimClearCallLog")();
}

qint64 selectedCode(const QComboBox *box)
{
    const TPropList *entry = TForm1::entryOf(box, box->currentIndex());
    return entry ? qint64(entry->ID) : -1;
}

void MainWindowTest::SetUpTestSuite()
{
    QString error;
    ASSERT_TRUE(loadSdk(BinDir, &error)) << error.toStdString();
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
    dispatcher = new TEventDispatcher(*form);
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
