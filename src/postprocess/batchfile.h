#pragma once

#include "postprocess/imagemagickline.h"
#include "platform/result.h"

#include <QFile>
#include <QString>

#include <functional>
#include <utility>

// The two forms of the stage's batch file: the Windows command-interpreter form and, on
// Linux, a POSIX sh script with the same variables, lines and order.
enum class BatchForm { Windows, Sh };

// Header values that are not part of the lines themselves.
struct BatchHeaderValues
{
    QString batchFolder;
    QString batchName;
    QString textMask;
    int copyrightX = 0;
    int copyrightY = 0;
    int textmaskX = 0;
    int textmaskY = 0;
};

// The folder an operation writes into, created by the line before it.
MagickFolder magickFolderOf(MagickOperation op);

// "+12", "-3", "0".
QString FormatSignedOffset(int value);

class BatchFile
{
public:
    explicit BatchFile(BatchForm form);

    // Called with each line once it is in the file.
    void setLineWritten(std::function<void(const QString &line)> lineWritten)
    {
        m_lineWritten = std::move(lineWritten);
    }

    // Creates the folder if needed and the file anew; the sh form is made executable.
    Result<void> open(const QString &fullName);
    void close();
    bool isOpen() const { return m_file.isOpen(); }

    Result<void> writeHeader(const BuildImageMagickLine &build, const BatchHeaderValues &header);
    // The operation's makedir line, then its command. Nothing is written for a refused operation.
    Result<void> writeOperation(const BuildImageMagickLine &build, MagickOperation op,
                                const MagickPicture &picture);
    Result<void> writeLine(const QString &text);

private:
    QString comment(const QString &text) const;
    QString assignment(const QString &name, const QString &value) const;
    QString makedir(const QString &variable) const;

    BatchForm m_form;
    QFile m_file;
    std::function<void(const QString &)> m_lineWritten;
};
