// The internal viewer on 24-megapixel JPEGs: from the end of a download to the picture on
// screen (median, p95) beside decoding the same file at full size; the GUI thread's share per
// picture; the longest event-loop stall during a burst of 20 with the viewer on; EXIF reading.
#include "camera/madeimages.h"
#include "review/exifreader.h"
#include "review/jpegdecoder.h"
#include "review/pictureloader.h"
#include "ui/bildanzeigeform.h"

#include "edsimage.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 15;
constexpr int Burst = 20;
constexpr double BytesPerMs = 35000; // the simulated body's download speed

QByteArray render24mp(uint32_t frame)
{
    const char *lines[] = {"BENCH 6000x4000", "1/250  F8  ISO 400"};
    EdsImageSpec spec{};
    spec.width = 6000;
    spec.height = 4000;
    spec.frameNumber = frame;
    spec.lines = lines;
    spec.lineCount = 2;
    spec.make = "Canon";
    spec.model = "Canon EOS 5D Mark II";
    spec.dateTime = "2026:03:14 15:09:26";
    spec.orientation = 1;
    spec.exposureNum = 1;
    spec.exposureDen = 250;
    spec.fNumberNum = 8;
    spec.fNumberDen = 1;
    spec.iso = 400;
    spec.biasDen = 3;
    spec.ownerName = "Bench";
    spec.serialNumber = "1230456789";
    unsigned char *data = nullptr;
    size_t size = 0;
    if (EdsImageRenderJpeg(&spec, &data, &size) != 0)
        return {};
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    EdsImageFree(data);
    return bytes;
}

struct Figures
{
    double median = 0;
    double p95 = 0;
    double max = 0;
};

Figures figures(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[std::min(ms.size() - 1, size_t(q * double(ms.size())))]; };
    return {at(0.5), at(0.95), ms.back()};
}

void print(const char *what, const Figures &f)
{
    std::printf("%-44s median %7.2f ms   p95 %7.2f ms   max %7.2f ms\n", what, f.median, f.p95, f.max);
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    std::vector<QString> paths;
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(render24mp(uint32_t(i + 1))) <= 0)
            return 1;
        paths.push_back(path);
    }
    std::printf("24 MP JPEG: %lld bytes\n", QFile(paths[0]).size());

    TBildanzeigeForm window;
    window.show();
    const QSize display = window.Image1->size();

    // Decoding alone: scaled in the DCT against full size.
    std::vector<double> scaled, full, exif;
    for (int run = 0; run < Runs; ++run) {
        QFile file(paths[size_t(run) % paths.size()]);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        QElapsedTimer t;
        t.start();
        (void)decodeJpegScaled(bytes, display);
        scaled.push_back(msSince(t));
        t.restart();
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader(&buffer, "jpeg").read();
        full.push_back(msSince(t));
        t.restart();
        TExifInfos infos;
        ReadPictureExif(infos, file.fileName());
        exif.push_back(msSince(t));
    }
    print("decode scaled to 577x393", figures(scaled));
    print("decode at full size", figures(full));
    print("EXIF read (ReadPictureExif)", figures(exif));

    // Download end to picture shown, and the GUI thread's part of it.
    PictureLoader loader;
    QElapsedTimer sinceDone;
    std::vector<double> shown, gui;
    double guiNow = 0;
    bool done = false;
    QObject::connect(&loader, &PictureLoader::decoded, &window, [&](const QString &, const QImage &image) {
        QElapsedTimer t;
        t.start();
        window.showPicture(image);
        guiNow += msSince(t);
        shown.push_back(msSince(sinceDone));
        done = true;
    });
    for (int run = 0; run < Runs; ++run) {
        done = false;
        guiNow = 0;
        sinceDone.start();
        loader.loadFile(paths[size_t(run) % paths.size()], display);
        guiNow += msSince(sinceDone);
        while (!done)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        gui.push_back(guiNow);
    }
    print("download end -> picture shown", figures(shown));
    print("GUI-thread time per picture", figures(gui));

    // A burst: a picture every download time; a 1 ms timer measures the event loop's stalls.
    const int downloadMs = int(double(QFile(paths[0]).size()) / BytesPerMs);
    double longestStall = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, msSince(sinceTick));
        sinceTick.restart();
    });
    ticker.start(1);
    int arrived = 0;
    shown.clear();
    QTimer arrivals;
    QObject::connect(&arrivals, &QTimer::timeout, [&] {
        sinceDone.start();
        loader.loadFile(paths[size_t(arrived) % paths.size()], display);
        if (++arrived == Burst)
            arrivals.stop();
    });
    arrivals.start(downloadMs);
    while (arrived < Burst || !loader.idle())
        app.processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("burst of %d, one every %d ms: %zu shown, longest event-loop stall %.2f ms\n", Burst,
                downloadMs, shown.size(), longestStall);
    return 0;
}
