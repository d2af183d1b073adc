// Release to recorded picture through the program, 24-megapixel JPEGs in bursts of 20, with
// the simulated body's own time (release to offer, download at its speed) set beside the
// program's share. Reports the peak resident memory of the process.
#include "releaserig.h"

#include "camera/madeimages.h"
#include "camera/sdkloader.h"

#include "edsdk_sim.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <sys/resource.h>


namespace {

constexpr int Burst = 20;
constexpr double BytesPerMs = 35000; // the body's default download speed

using namespace releaserig;

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_ReleaseToRecorded24MP(benchmark::State &state)
{
    const auto configure = reinterpret_cast<decltype(&EdsSimConfigure)>(sdkSymbol("EdsSimConfigure"));
    if (!configure || configure(state.range(0) ? "picturesize=24mp" : "picturesize=24mp;downloadspeed=0")) {
        state.SkipWithError("body not configured");
        return;
    }
    ReleaseRig rig;
    if (!rig.connect()) {
        state.SkipWithError("camera did not connect");
        return;
    }
    const Stopwatch &watch = rig.watch;

    double total = 0, offered = 0, downloading = 0, recording = 0, bytes = 0;
    int pictures = 0;
    for (auto _ : state) {
        for (int i = 0; i < Burst; ++i) {
            const Clock::time_point start = Clock::now();
            const int before = ImageCount();
            rig.shooting->Shoot();
            const Clock::time_point recordedAt = Clock::now();
            if (ImageCount() != before + 1) {
                state.SkipWithError("picture not recorded");
                return;
            }
            const TMadeImage &image = *MadeImages().find(before);
            bytes += double(QFileInfo(image.Folder + image.FileName).size());
            total += msBetween(start, recordedAt);
            offered += msBetween(start, watch.offeredAt);
            downloading += msBetween(watch.offeredAt, watch.doneAt);
            recording += msBetween(watch.doneAt, recordedAt);
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
