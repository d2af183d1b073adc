#include "postprocess/imagemagickstage.h"

#include "diagnostics/debuglog.h"
#include "naming/programnaming.h"
#include "settings/programsettings.h"

#include <QDir>

namespace {

#ifdef Q_OS_WIN
constexpr BatchForm PlatformBatchForm = BatchForm::Windows;
#else
constexpr BatchForm PlatformBatchForm = BatchForm::Sh;
#endif

bool operationEnabled(MagickOperation op, const TProgramSettings &s)
{
    switch (op) {
    case MagickOperation::TextmaskCreate:
    case MagickOperation::TextmaskOverlay:
        return s.ImagemagickTextmask;
    case MagickOperation::Copyright:
        return s.ImageMagickCopyright;
    case MagickOperation::Thumbnail:
        return s.ImageMagickThumbnails;
    }
    return false;
}

} // namespace

MagickValues magickValuesOf(const TProgramSettings &s)
{
    MagickValues v;
    v.imageMagickPath = s.ImageMagickPath;
    v.outputPath = s.ImageMagickOutputpath;
    v.thumbnailPath = s.ImageMagickthumbnailpath;
    v.textmaskPath = s.Imagemagicktextmaskpath;
    v.textmaskFileName = s.Imagemagicktextmaskfilename;
    v.stampPath = s.ImageMagickcopyrightimagepath;
    v.copyrightGravity = s.ImageMagickCopyrightOrientation;
    v.textmaskGravity = s.ImagemagicktextmaskOrientationstr;
    v.thumbnailSize = s.imageMagickthumbnailsize;
    v.thumbnailSizeX = s.imagemagickthumbnailsizex;
    v.thumbnailSizeY = s.imagemagickthumbnailsizeY;
    v.thumbnailPrefix = s.imageMagickthumbnailprefix;
    v.fontColor = s.Imagemagicktextmaskfontcolorstr;
    v.font = s.Imagemagicktextmaskfontstr;
    v.pointSize = s.Imagemagicktextmaskfontsizestr;
    v.textOn = s.ImagemagickTextmask;
    v.copyrightOn = s.ImageMagickCopyright;
    return v;
}

ImageMagickStage::ImageMagickStage(QObject *parent)
    : QObject(parent)
    , m_batch(PlatformBatchForm)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(TimerIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ImageMagickStage::RunNextStageCommand);
    m_batch.setLineWritten([this](const QString &line) { emit batchLineWritten(line); });
    connect(&m_runner, &ImageMagickRunner::failed, this, &ImageMagickStage::failed);
    connect(&m_runner, &ImageMagickRunner::programMissing, this, &ImageMagickStage::programMissing);
    connect(&m_runner, &ImageMagickRunner::queueChanged, this,
            [this] { emit pendingChanged(m_runner.pendingLines()); });
    connect(&m_runner, &ImageMagickRunner::idle, this, [this] {
        endBurst();
        emit idle();
    });
}

ImageMagickStage::~ImageMagickStage()
{
    CloseBatchFile();
}

void ImageMagickStage::AddPicture(const QString &savePath, const QString &subFolder,
                                  const QString &fileName, const TCamerasettings &camera)
{
    const TProgramSettings &s = ProgramSettings();
    const BuildImageMagickLine build(magickValuesOf(s));
    // A folder left empty is refused by the operation that needs it.
    const auto makeFolder = [&](MagickFolder folder, const QString &sub) {
        const Result<QString> path = build.makedirPath(folder, sub);
        if (path && !QDir().mkpath(*path))
            report(QStringLiteral("Ordner kann nicht angelegt werden: ") + *path);
    };

    makeFolder(MagickFolder::Output, QString());
    QString label;
    if (s.ImagemagickTextmask) {
        label = ExpandFileMask(s.ImagemagickTextmaskstr, camera);
        makeFolder(MagickFolder::Textmask, QString());
        makeFolder(MagickFolder::Output, subFolder);
    }
    if (s.ImageMagickCopyright)
        makeFolder(MagickFolder::Output, subFolder);
    if (s.ImageMagickThumbnails)
        makeFolder(MagickFolder::Thumbnail, subFolder);
    for (MagickOperation op : {MagickOperation::TextmaskCreate, MagickOperation::TextmaskOverlay,
                               MagickOperation::Copyright, MagickOperation::Thumbnail}) {
        if (operationEnabled(op, s))
            AddPictureCommands(op, savePath, subFolder, fileName, label);
    }
}

void ImageMagickStage::AddPictureCommands(MagickOperation op, const QString &savePath,
                                          const QString &subFolder, const QString &fileName,
                                          const QString &label)
{
    const TProgramSettings &s = ProgramSettings();
    const BuildImageMagickLine build(magickValuesOf(s));
    if (!m_headerFlag) {
        m_headerFlag = true;
        if (s.CreateBatch)
            startBurst(s, build);
    }
    if (!m_timer.isActive())
        m_timer.start();
    if (!operationEnabled(op, s))
        return;
    if (isRawPicture(fileName)) {
        DebugLine(QStringLiteral("ImageMagick: RAW-Datei übergangen: ") + fileName);
        return;
    }
    const MagickPicture picture{savePath, subFolder, fileName, label};
    const Result<MagickCommand> command = build.command(op, picture);
    if (!command) {
        report(command.error());
        return;
    }
    if (m_batch.isOpen()) {
        if (const Result<void> written = m_batch.writeOperation(build, op, picture); !written)
            batchFailed(written.error());
    }
    m_runner.add(*command, build.commandLine(op, picture));
}

// A batch file that cannot be made loses no command: the burst runs without it.
void ImageMagickStage::startBurst(const TProgramSettings &s, const BuildImageMagickLine &build)
{
    QString folder = s.ImageMagickBatchPath;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (const Result<void> opened = m_batch.open(folder + s.ImageMagickBatchName); !opened) {
        batchFailed(opened.error());
        return;
    }
    const BatchHeaderValues header{s.ImageMagickBatchPath,     s.ImageMagickBatchName,
                                   s.ImagemagickTextmaskstr,   s.ImageMagickcopyrightPosx,
                                   s.ImageMagickcopyrightPosy, s.ImagemagicktextmaskposX,
                                   s.ImagemagicktextmaskposY};
    if (const Result<void> written = m_batch.writeHeader(build, header); !written)
        batchFailed(written.error());
}

void ImageMagickStage::batchFailed(const QString &message)
{
    m_batch.close();
    report(message + QStringLiteral(" (die Befehle laufen ohne Batchdatei)"));
}

void ImageMagickStage::RunNextStageCommand()
{
    m_timer.stop();
    m_runner.runNext();
}

void ImageMagickStage::CloseBatchFile()
{
    m_batch.close();
}

void ImageMagickStage::endBurst()
{
    CloseBatchFile();
    m_headerFlag = false;
}

void ImageMagickStage::report(const QString &message)
{
    DebugLine(QStringLiteral("ImageMagick: ") + message);
    emit failed(message);
}
