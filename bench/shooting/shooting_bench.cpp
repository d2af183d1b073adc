// Release to recorded picture through the program, 24-megapixel JPEGs in bursts of 20, with
// the simulated body's own time (release to offer, download at its speed) set beside the
// program's share. Reports the peak resident memory of the process.
#include "app/eventdispatch.h"
#include "app/mainformview.h"
#include "app/shooting.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "platform/waits.h"
#include "camera/cameraevents.h"
#include "camera/madeimages.h"
#include "camera/sdkloader.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include "edsdk_sim.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

namespace {

constexpr int Burst = 20;
constexpr double BytesPerMs = 35000; // the body's default download speed

// Times the arrival of the offer and of the end of each download at the main window.
class Stopwatch : public QObject
{
public:
    qint64 offeredAt = 0;
    qint64 doneAt = 0;
    QElapsedTimer clock;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Type(WM_OBJECTEVENT))
            offeredAt = clock.nsecsElapsed();
        else if (event->type() == QEvent::Type(WM_DOWNLOADDONE))
            doneAt = clock.nsecsElapsed();
        return false;
    }
};

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_ReleaseToRecorded24MP(benchmark::State &state)
{
    const auto configure = reinterpret_cast<decltype(&EdsSimConfigure)>(sdkSymbol("EdsSimConfigure"));
    QTemporaryDir dir;
    if (!configure || configure(state.range(0) ? "picturesize=24mp" : "picturesize=24mp;downloadspeed=0")
        || !dir.isValid()) {
        state.SkipWithError("body not configured");
        return;
    }
    auto form = std::make_unique<TForm1>();
    auto *dispatcher = new EventDispatcher(*form);
    MainFormView view(*form);
    auto *shooting = new Shooting(view, dispatcher->transfer(), form.get());
    MainWindowCreated(*form);
    if (ConnectCamera(*form) != ConnectOk) {
        state.SkipWithError("camera did not connect");
        return;
    }
    WaitProcessing(1000); // the values the body announces after the session opened
    ProgramSettings().Savepath = dir.path() + QLatin1Char('/');
    ProgramSettings().Filemask = QStringLiteral("IMG#IMGNR");
    Stopwatch watch;
    // Ahead of the dispatcher, which takes the messages at the application's filter.
    QCoreApplication::instance()->installEventFilter(&watch);

    double total = 0, offered = 0, downloading = 0, recording = 0, bytes = 0;
    int pictures = 0;
    for (auto _ : state) {
        for (int i = 0; i < Burst; ++i) {
            watch.clock.start();
            const int before = ImageCount();
            shooting->Shoot();
            const qint64 recordedAt = watch.clock.nsecsElapsed();
            if (ImageCount() != before + 1) {
                state.SkipWithError("picture not recorded");
                return;
            }
            const TMadeImage &image = *MadeImages().find(before);
            bytes += double(QFileInfo(image.Folder + image.FileName).size());
            total += double(recordedAt) / 1e6;
            offered += double(watch.offeredAt) / 1e6;
            downloading += double(watch.doneAt - watch.offeredAt) / 1e6;
            recording += double(recordedAt - watch.doneAt) / 1e6;
            ++pictures;
            QFile::remove(image.Folder + image.FileName);
        }
    }
    const double n = pictures;
    const double simulatedDownload = state.range(0) ? bytes / n / BytesPerMs : 0;
    state.counters["ms_release_to_recorded"] = total / n;
    state.counters["ms_release_to_offer"] = offered / n;
    state.counters["ms_offer_to_downloaded"] = downloading / n;
    state.counters["ms_download_end_to_recorded"] = recording / n;
    state.counters["ms_simulated_download"] = simulatedDownload;
    // Until the offer the body exposes, processes and renders; the program only waits.
    state.counters["ms_program_share"] = (total - offered) / n - simulatedDownload;
    state.counters["MB_picture"] = bytes / n / 1e6;
    state.counters["MB_peak_rss"] = peakRssMb();
    form.reset();
}
// Arg 1: the body's USB 2.0 speed; arg 0: no speed limit, so the download is the writer alone.
BENCHMARK(BM_ReleaseToRecorded24MP)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString bin = QStringLiteral(TESSARO_BIN_DIR);
    if (const Result<> loaded = loadSdk(bin); !loaded) {
        fprintf(stderr, "%s\n", qPrintable(loaded.error()));
        return 1;
    }
    QDir::setCurrent(bin);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
