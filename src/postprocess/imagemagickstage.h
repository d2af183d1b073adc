#pragma once

#include "postprocess/batchfile.h"
#include "postprocess/imagemagickline.h"
#include "postprocess/imagemagickrunner.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

struct TCamerasettings;
struct TProgramSettings;

// The stage's values from the working settings.
MagickValues magickValuesOf(const TProgramSettings &settings);

// The ImageMagick stage: queues the operations of each received picture, runs them one at a
// time off the main thread's back, and writes them into the batch file of the burst. It reads
// its values from the working settings at each call.
class ImageMagickStage : public QObject
{
    Q_OBJECT

public:
    // How long the stage waits after a picture's commands before it starts running them.
    static constexpr int TimerIntervalMs = 200;

    explicit ImageMagickStage(QObject *parent = nullptr);
    ~ImageMagickStage() override;

    // A picture has been stored: creates the folders its operations write into and queues
    // the enabled operations in running order. The label is the text mask expanded with the
    // picture's settings.
    void AddPicture(const QString &savePath, const QString &subFolder, const QString &fileName,
                    const TCamerasettings &camera);
    // Queues one operation of one picture and, while a batch file is open, writes its lines.
    void AddPictureCommands(MagickOperation op, const QString &savePath, const QString &subFolder,
                            const QString &fileName, const QString &label);
    // Runs the first pending command unless one runs.
    void RunNextStageCommand();
    void CloseBatchFile();
    // Closes the batch file and lets the next call start a new burst.
    void endBurst();

    QStringList pendingLines() const { return m_runner.pendingLines(); }
    bool busy() const { return m_runner.running(); }
    bool headerWritten() const { return m_headerFlag; }
    bool batchOpen() const { return m_batch.isOpen(); }

signals:
    // A failure for the red status text and the preview.
    void failed(const QString &message);
    // The first command's program is missing; it stays first until the next picture.
    void programMissing(const QString &message);
    // A line written to the batch file.
    void batchLineWritten(const QString &line);
    // The pending command lines, in running order.
    void pendingChanged(const QStringList &lines);
    // The queue ran empty: the burst has ended.
    void idle();

private:
    void startBurst(const TProgramSettings &settings, const BuildImageMagickLine &build);
    void batchFailed(const QString &message);
    void report(const QString &message);

    ImageMagickRunner m_runner;
    BatchFile m_batch;
    QTimer m_timer;
    bool m_headerFlag = false;
};
