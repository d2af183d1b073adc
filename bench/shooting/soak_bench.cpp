// The soak of the picture path at length: 1,000 camera releases in every shooting mode with
// faults injected (tests/support/soakdriver.h), reporting how long it ran and what it met.
// A run that breaks a check of the soak is reported as an error.
#include "simcontrol.h"
#include "soakdriver.h"

#include "app/eventdispatch.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/madeimages.h"
#include "camera/sdkloader.h"
#include "platform/clock.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include "edsdk_sim.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr quint32 Seed = 20260114;
constexpr int Frames = 1000;

void BM_Soak(benchmark::State &state)
{
    const SoakPlan plan = SoakPlan::make(Seed, Frames);
    const auto configure = reinterpret_cast<decltype(&EdsSimConfigure)>(sdkSymbol("EdsSimConfigure"));
    QTemporaryDir pictures;
    QTemporaryDir home;
    if (!configure || configure(plan.bodyConfig().c_str()) || !pictures.isValid() || !home.isValid()) {
        state.SkipWithError("body not configured");
        return;
    }
    // The rescue folder lies below the home folder.
    qputenv("HOME", home.path().toLocal8Bit());
    ManualClock clock;
    auto form = std::make_unique<TForm1>();
    auto *dispatcher = new EventDispatcher(*form);
    MainWindowCreated(*form);
    if (ConnectCamera(*form) != ConnectOk) {
        state.SkipWithError("camera did not connect");
        return;
    }
    // The values the body announces after the session opened.
    QDeadlineTimer settled(5000);
    while (!ProgramSettings().AEModeCode && !settled.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    setAppClock(&clock);
    MadeImages().clear();

    SoakResult result;
    for (auto _ : state)
        result = runSoak(plan, *form, *dispatcher, clock, pictures.path() + QLatin1Char('/'));
    setAppClock(nullptr);

    std::fprintf(stderr, "seed %u: %s\n", plan.seed, qPrintable(result.summary()));
    for (const QString &problem : result.problems)
        std::fprintf(stderr, "  %s\n", qPrintable(problem));
    state.counters["releases"] = result.releases;
    state.counters["frames"] = result.frames;
    state.counters["files"] = result.offered;
    state.counters["stored"] = result.stored;
    state.counters["failed"] = result.failed;
    state.counters["rescued"] = result.rescued;
    state.counters["lost"] = result.lostFrames;
    state.counters["gave_up"] = result.giveUps;
    state.counters["disconnects"] = result.disconnects;
    state.counters["reconnects"] = result.reconnects;
    state.counters["problems"] = result.problems.size();
    state.counters["ms_per_frame"] = result.frames ? double(result.realMs) / result.frames : 0;
    if (!result.finished || !result.problems.isEmpty())
        state.SkipWithError("the soak found problems");
    form.reset();
    AppMaster.reset();
}
BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString error;
    if (!loadSdk(BinDir, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QDir::setCurrent(BinDir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
