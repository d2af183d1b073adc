// Release to recorded picture through the program, the libgphoto2 bridge and the real
// libgphoto2 against the EOS responder on the loopback (no network limit), JPEG only, in
// bursts of 20, in four parts: the program's release call up to the body's release (it reads
// the ten settings through the bridge first), the body's release to the offer (the body on
// the wire, libgphoto2 fetching the file, the bridge's event thread), the download into the
// program's stream, and the program's recording.
#include "buildfolder.h"
#include "responder.h"

#include "releaserig.h"

#include "camera/madeimages.h"
#include "camera/sdkloader.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>


namespace {

constexpr int Burst = 20;

using namespace releaserig;

// Arg: megabytes of the picture (the JPEG of the README, padded behind its end).
void BM_ReleaseToRecordedOverLibgphoto2(benchmark::State &state)
{
    QByteArray picture = readAll(QStringLiteral(TESSARO_RESPONDER_JPEG));
    picture.append(QByteArray(qsizetype(state.range(0)) * 1000000 - picture.size(), '\0'));
    ptpip::Responder body(picture.toStdString());
    body.turnValue(0xD120, 0x0013FF0F); // JPEG large fine
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("TESSARO_GPHOTO2_PORT", QByteArray::fromStdString(body.port()));
    ReleaseRig rig;
    if (!rig.connect(BuildBinDir)) {
        state.SkipWithError("camera did not connect");
        return;
    }
    const Stopwatch &watch = rig.watch;

    double total = 0, calling = 0, offering = 0, downloading = 0, recording = 0;
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
            const Clock::time_point releasedAt = body.lastRelease();
            total += msBetween(start, recordedAt);
            calling += msBetween(start, releasedAt);
            offering += msBetween(releasedAt, watch.offeredAt);
            downloading += msBetween(watch.offeredAt, watch.doneAt);
            recording += msBetween(watch.doneAt, recordedAt);
            ++pictures;
            QFile::remove(image.Folder + image.FileName);
        }
    }
    const double n = pictures;
    state.counters["ms_release_to_recorded"] = total / n;
    state.counters["ms_call_to_body_release"] = calling / n;
    state.counters["ms_body_release_to_offer"] = offering / n;
    state.counters["ms_offer_to_downloaded"] = downloading / n;
    state.counters["ms_download_end_to_recorded"] = recording / n;
    state.counters["ms_bridge_share"] = (offering + downloading) / n;
}
BENCHMARK(BM_ReleaseToRecordedOverLibgphoto2)->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (const Result<> loaded = loadSdk(BuildBinDir, BridgeLibrary); !loaded) {
        fprintf(stderr, "%s\n", qPrintable(loaded.error()));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
