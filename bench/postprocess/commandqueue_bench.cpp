// The command queue's worker: CPU while idle and while waiting on a silent tool, how soon a queued command is taken and started,
// the cost of recording one more command in a long command file, and a tool that prints
// hundreds of megabytes.
#include "postprocess/commandqueue.h"
#include "postprocess/commandrunner.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

const QString kProbe = QStringLiteral(PROBE);

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void add(TKommandoThread &worker, const QString &arguments, bool doLater)
{
    if (!worker.AddCommand(kProbe, arguments, false, false, doLater).ok())
        std::abort();
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU of the whole process while a started worker has nothing to do.
void BM_IdleWorkerCpu(benchmark::State &state)
{
    QTemporaryDir dir;
    TKommandoThread worker({}, dir.filePath(QStringLiteral("Console.txt")));
    worker.Start();
    for (auto _ : state) {
        const double cpu = processCpuSeconds();
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        state.counters["cpu_percent"] = 100.0 * (processCpuSeconds() - cpu) / secondsSince(start);
    }
}
BENCHMARK(BM_IdleWorkerCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

// CPU of the whole process while the worker waits for a tool that has closed its output.
void BM_WaitOnMuteTool(benchmark::State &state)
{
    for (auto _ : state) {
        const double cpu = processCpuSeconds();
        const auto start = Clock::now();
        RunCapturing(kProbe, QStringLiteral("mute 1000"), {}, false, true);
        state.counters["cpu_percent"] = 100.0 * (processCpuSeconds() - cpu) / secondsSince(start);
    }
}
BENCHMARK(BM_WaitOnMuteTool)->Iterations(1)->Unit(benchmark::kMillisecond);

// From AddCommand to the worker having dealt with a do-later entry: the wake-up alone.
void BM_QueuedCommandTaken(benchmark::State &state)
{
    QTemporaryDir dir;
    TKommandoThread worker({}, dir.filePath(QStringLiteral("Console.txt")));
    worker.Start();
    for (auto _ : state) {
        const auto start = Clock::now();
        add(worker, QStringLiteral("x 0"), true);
        while (worker.PendingCount() != 0) {
        }
        state.SetIterationTime(secondsSince(start));
    }
}
BENCHMARK(BM_QueuedCommandTaken)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// From AddCommand to the program's first line: wake-up, start and the program's own loading.
void BM_QueuedCommandStarts(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("probe.log"));
    qputenv("TESSARO_PROBE_LOG", log.toLocal8Bit());
    TKommandoThread worker({}, dir.filePath(QStringLiteral("Console.txt")));
    worker.Start();
    qint64 logged = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        add(worker, QStringLiteral("x 0"), false);
        while (QFileInfo(log).size() == logged) {
        }
        state.SetIterationTime(secondsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // for its "end" line
        logged = QFileInfo(log).size();
    }
    qunsetenv("TESSARO_PROBE_LOG");
}
BENCHMARK(BM_QueuedCommandStarts)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

// One more command recorded in a command file that already holds range(0) sections. With
// range(1) the worker runs and saves the records in batches; without, each call saves.
void BM_AddCommandAtSection(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("run.rccf"));
    TKommandoThread worker(file, dir.filePath(QStringLiteral("Console.txt")));
    const QString arguments = QStringLiteral("-o \"/home/photo/shots/IMG_0001.jpg\" --quality 90");
    for (int i = 0; i < state.range(0); ++i)
        add(worker, arguments, true);
    if (state.range(1))
        worker.Start();
    for (auto _ : state)
        add(worker, arguments, true);
}
BENCHMARK(BM_AddCommandAtSection)
    ->ArgsProduct({{10, 100, 1000}, {0, 1}})
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);

// A waited-for tool printing range(0) MB: it must end, and the peak memory must not follow
// the amount (the larger run comes second and should add next to nothing).
void BM_LargeOutput(benchmark::State &state)
{
    const qint64 bytes = state.range(0) * 1024 * 1024;
    const long rssBefore = maxRssKb();
    for (auto _ : state) {
        const RunOutcome outcome =
            RunCapturing(kProbe, QStringLiteral("talk%1 0").arg(bytes), {}, false, true);
        benchmark::DoNotOptimize(outcome.output.size());
        if (!outcome.started)
            state.SkipWithError("probe did not start");
    }
    state.counters["peak_rss_growth_MB"] = double(maxRssKb() - rssBefore) / 1024.0;
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_LargeOutput)->Arg(200)->Arg(800)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
