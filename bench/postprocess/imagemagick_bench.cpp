// The ImageMagick stage on 24-megapixel JPEGs with the real programs: the cost of each
// operation (the thumbnail in three forms), of one picture's four operations through the stage,
// and the time to drain the queue after a burst of 20, each with the longest stall of the main
// thread's event loop (a 10 ms timer's worst lateness). Last, the stall with the tests' fake
// programs, which take 2 s each.
#include "fakemagick.h"
#include "fixtures.h"
#include "postprocess/imagemagickstage.h"
#include "settings/programsettings.h"
#include "camera/camerasettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Burst = 20;
const QString Sub = QStringLiteral("2026-05/");

QTemporaryDir *g_dir = nullptr;

QString root() { return g_dir->path() + QLatin1Char('/'); }
QString pictureName(int i) { return QStringLiteral("IMG%1.JPG").arg(i, 4, 10, QLatin1Char('0')); }

void useSettings()
{
    TProgramSettings &s = ProgramSettings();
    s = TProgramSettings{};
    useStageFolders(s, root(), QStringLiteral("200x200"));
    s.ImagemagickTextmask = s.ImageMagickCopyright = s.ImageMagickThumbnails = true;
    s.ImageMagickCopyrightOrientation = QStringLiteral("Southeast");
    s.Imagemagicktextmaskfontsizestr = QStringLiteral("120");
    s.Imagemagicktextmaskfontcolorstr = QStringLiteral("white");
    s.ImagemagickTextmaskstr = QStringLiteral("Studio Nord #IMGNR");
}

bool run(const MagickCommand &command)
{
    QProcess process;
    process.start(command.program, command.arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

// One operation on the first picture; the thumbnail also without the decoder hint and as
// -thumbnail, which drops the picture's metadata.
enum Variant { Create, Overlay, Copyright, Thumbnail, ThumbnailWithoutHint, ThumbnailStripped };

void BM_Operation(benchmark::State &state)
{
    useSettings();
    const BuildImageMagickLine build(magickValuesOf(ProgramSettings()));
    const MagickPicture picture{root(), Sub, pictureName(0), QStringLiteral("Studio\u00A0Nord")};
    const auto variant = Variant(state.range(0));
    const MagickOperation op = variant >= Thumbnail ? MagickOperation::Thumbnail : MagickOperation(variant);
    MagickCommand command = *build.command(op, picture);
    if (variant == ThumbnailWithoutHint || variant == ThumbnailStripped)
        command.arguments.remove(0, 2);
    if (variant == ThumbnailStripped)
        command.arguments.replace(command.arguments.indexOf(QStringLiteral("-resize")),
                                  QStringLiteral("-thumbnail"));
    // What the operations before it write.
    for (MagickFolder folder : {MagickFolder::Output, MagickFolder::Textmask, MagickFolder::Thumbnail})
        QDir().mkpath(*build.makedirPath(folder, Sub));
    for (MagickOperation before : {MagickOperation::TextmaskCreate, MagickOperation::TextmaskOverlay})
        run(*build.command(before, picture));
    for (auto _ : state) {
        if (!run(command))
            state.SkipWithError("the operation failed");
    }
}
BENCHMARK(BM_Operation)
    ->DenseRange(Create, ThumbnailStripped)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// Pictures through the stage: from the first AddPicture to the queue found empty.
void drainAfter(benchmark::State &state, int pictures)
{
    for (auto _ : state) {
        ImageMagickStage stage;
        QObject::connect(&stage, &ImageMagickStage::failed,
                         [&state](const QString &message) { state.SkipWithError(qPrintable(message)); });
        const Heartbeat heartbeat;
        for (int i = 0; i < pictures; ++i)
            stage.AddPicture(root(), Sub, pictureName(i), TCamerasettings{});
        if (!drainStage(stage, 600000))
            state.SkipWithError("the queue did not drain");
        state.counters["stall_ms"] = double(heartbeat.worstLatenessMs());
    }
}

void BM_OnePicture(benchmark::State &state)
{
    useSettings();
    drainAfter(state, 1);
}
BENCHMARK(BM_OnePicture)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_DrainAfterBurst(benchmark::State &state)
{
    useSettings();
    drainAfter(state, Burst);
}
BENCHMARK(BM_DrainAfterBurst)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The tests' fake programs, 2 s each: only the main thread's stall is of interest.
void BM_StallWithSlowPrograms(benchmark::State &state)
{
    useSettings();
    ProgramSettings().ImageMagickPath = installFakeMagick(root() + "fake");
    qputenv("FAKE_MAGICK_SLEEP", "2");
    drainAfter(state, 1);
    qunsetenv("FAKE_MAGICK_SLEEP");
}
BENCHMARK(BM_StallWithSlowPrograms)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

bool preparePictures()
{
    QDir().mkpath(root() + Sub);
    const QByteArray picture = renderedJpeg({6000, 4000});
    for (int i = 0; i < Burst; ++i) {
        QFile file(root() + Sub + pictureName(i));
        if (picture.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size())
            return false;
    }
    return QProcess::execute(QStringLiteral("convert"),
                             {"-size", "600x400", "xc:magenta", root() + "stamp.png"}) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    if (!preparePictures())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
