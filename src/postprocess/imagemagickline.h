#pragma once

#include "platform/result.h"

#include <QList>
#include <QString>
#include <QStringList>

// The operations of the ImageMagick stage, in the order they run for one picture.
enum class MagickOperation { TextmaskCreate, TextmaskOverlay, Copyright, Thumbnail };

// The folders a batch file creates before an operation writes into them.
enum class MagickFolder { Output, Textmask, Thumbnail };

// The stage's values as the settings window holds them. Folders may come with or without a
// trailing separator; the builder adds it.
struct MagickValues
{
    QString imageMagickPath;  // empty: the programs are found on PATH
    QString outputPath;
    QString thumbnailPath;
    QString textmaskPath;
    QString textmaskFileName;
    QString stampPath;
    QString copyrightGravity;
    QString textmaskGravity;
    QString thumbnailSize;    // an entry of the size list, "User" or empty
    int thumbnailSizeX = 0;
    int thumbnailSizeY = 0;
    QString thumbnailPrefix;
    QString fontColor;
    QString font;
    QString pointSize;
    bool textOn = false;
    bool copyrightOn = false;
};

// One picture of one call: its folder and sub-folder (each empty or ending with a separator),
// its file name and the expanded label text.
struct MagickPicture
{
    QString folder;
    QString subFolder;
    QString fileName;
    QString label;
};

// A program and its arguments, started without a shell.
struct MagickCommand
{
    QString program;
    QStringList arguments;
};

// One word of a batch line: literal text and variable references, joined without blanks.
struct BatchPiece
{
    QString text;
    bool variable = false;
};
using BatchWord = QList<BatchPiece>;

// The lines of one operation: the text shown in the preview and written to the Windows batch
// file, and the argument lists that are actually run or written to the sh batch file.
class BuildImageMagickLine
{
public:
    explicit BuildImageMagickLine(MagickValues values);

    QString makedirLine(MagickFolder folder, const QString &subFolder) const;
    QString commandLine(MagickOperation op, const MagickPicture &picture) const;
    QString batchLine(MagickOperation op, const MagickPicture &picture) const;

    // The folder to create; refused when the configured folder is empty.
    Result<QString> makedirPath(MagickFolder folder, const QString &subFolder) const;
    // The command to run. Refused when a folder or name it needs is empty or when it would
    // write over the downloaded picture.
    Result<MagickCommand> command(MagickOperation op, const MagickPicture &picture) const;
    // The same command with the batch variables left as references; the program comes first.
    Result<QList<BatchWord>> batchWords(MagickOperation op, const MagickPicture &picture) const;

    // The value a batch variable stands for.
    QString variableValue(const QString &name) const;
    // The geometry given to -resize: "User" means SizeX x SizeY, or 150x150 when one is not set.
    QString thumbnailGeometry() const;

    const MagickValues &values() const { return m_v; }

private:
    Result<void> refusal(MagickOperation op, const MagickPicture &picture) const;

    MagickValues m_v;
};

// Operation names as the stage's calls give them ("textmaskcreate", ...).
QString magickOperationName(MagickOperation op);

// True for camera RAW files, which ImageMagick here cannot read.
bool isRawPicture(const QString &fileName);
