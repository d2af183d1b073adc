#include "postprocess/batchfile.h"

#include "settings/wincodec.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

QString shQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString shWord(const BatchWord &word)
{
    QString text;
    for (const BatchPiece &piece : word) {
        if (piece.variable)
            text += QStringLiteral("\"${%1}\"").arg(piece.text);
        else if (!piece.text.isEmpty())
            text += shQuoted(piece.text);
    }
    return text.isEmpty() ? QStringLiteral("''") : text;
}

const char *folderVariable(MagickFolder folder)
{
    static const char *const names[] = {"OUTPUTPATH", "TEXTMASKFILEPATH", "THUMBNAILPATH"};
    return names[static_cast<int>(folder)];
}

} // namespace

MagickFolder magickFolderOf(MagickOperation op)
{
    static const MagickFolder folders[] = {MagickFolder::Textmask, MagickFolder::Output,
                                           MagickFolder::Output, MagickFolder::Thumbnail};
    return folders[static_cast<int>(op)];
}

QString FormatSignedOffset(int value)
{
    return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
}

BatchFile::BatchFile(BatchForm form) : m_form(form) {}

Result<void> BatchFile::open(const QString &fullName)
{
    close();
    m_file.setFileName(fullName);
    const QString folder = QFileInfo(fullName).absolutePath();
    if (!QDir().mkpath(folder))
        return Failure{QStringLiteral("Ordner kann nicht angelegt werden: ") + folder};
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Failure{QStringLiteral("Batchdatei kann nicht angelegt werden: ") + fullName};
    if (m_form == BatchForm::Sh)
        m_file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                              | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    return {};
}

void BatchFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

Result<void> BatchFile::writeLine(const QString &text)
{
    if (!m_file.isOpen())
        return Failure{QStringLiteral("Batchdatei ist nicht offen")};
    const QByteArray bytes = m_form == BatchForm::Windows ? wincodec::encode(text) + "\r\n" : text.toUtf8() + "\n";
    if (m_file.write(bytes) != bytes.size() || !m_file.flush())
        return Failure{QStringLiteral("Batchdatei kann nicht geschrieben werden: ") + m_file.fileName()};
    if (m_lineWritten)
        m_lineWritten(text);
    return {};
}

QString BatchFile::comment(const QString &text) const
{
    return (m_form == BatchForm::Windows ? QStringLiteral("Rem ") : QStringLiteral("# ")) + text;
}

QString BatchFile::assignment(const QString &name, const QString &value) const
{
    if (m_form == BatchForm::Windows)
        return QStringLiteral("SET  ") + name + QLatin1Char('=') + value;
    return name + QLatin1Char('=') + shQuoted(value);
}

QString BatchFile::makedir(const QString &variable) const
{
    if (m_form == BatchForm::Windows)
        return QStringLiteral("mkdir %") + variable + QLatin1Char('%');
    return QStringLiteral("mkdir -p \"${") + variable + QStringLiteral("}\"");
}

Result<void> BatchFile::writeHeader(const BuildImageMagickLine &build, const BatchHeaderValues &h)
{
    const MagickValues &v = build.values();
    const std::pair<const char *, QString> variables[] = {
        {"IMAGEMAGICKPATH", v.imageMagickPath},
        {"BATCHTPATH", h.batchFolder},
        {"BATCHTNAME", h.batchName},
        {"OUTPUTPATH", v.outputPath},
        {"COPYRIGHTFILE", v.stampPath},
        {"COPYRIGHTORIENTATION", v.copyrightGravity},
        {"COPYRIGHTXPOS", QString::number(h.copyrightX)},
        {"COPYRIGHTYPOS", QString::number(h.copyrightY)},
        {"THUMBNAILPATH", v.thumbnailPath},
        {"THUMBNAILPREFIX", v.thumbnailPrefix},
        {"THUMBNAILSIZE", build.thumbnailGeometry()},
        {"THUMBNAILSIZEX", QString::number(v.thumbnailSizeX)},
        {"THUMBNAILSIZEY", QString::number(v.thumbnailSizeY)},
        {"TEXTMASK", h.textMask},
        {"TEXTMASKORIENTATION", v.textmaskGravity},
        {"TEXTMASKPOSX", FormatSignedOffset(h.textmaskX)},
        {"TEXTMASKPOSY", FormatSignedOffset(h.textmaskY)},
        {"TEXTMASKFONT", v.font},
        {"TEXTMASKFONTSIZE", v.pointSize},
        {"TEXTMASKFONTCOLOR", v.fontColor},
        {"TEXTMASKFONTSIZE", v.pointSize},
        {"TEXTMASKFILEPATH", v.textmaskPath},
        {"TEXTMASKFILENAME", v.textmaskFileName},
    };

    QStringList lines;
    if (m_form == BatchForm::Sh)
        lines << QStringLiteral("#!/bin/sh") << QStringLiteral("set -x");
    else
        lines << QStringLiteral("@ECHO ON");
    lines << comment(QStringLiteral("Umgebungsvariablen setzen")) << QString()
          << comment(QStringLiteral("Verzeichnisse anlegen"));
    for (const auto &[name, value] : variables)
        lines << assignment(QLatin1String(name), value);
    lines << QString() << QString() << comment(QStringLiteral("Verzeichnisse anlegen")) << QString() << QString();
    lines << makedir(QStringLiteral("OUTPUTPATH")) << makedir(QStringLiteral("THUMBNAILPATH"))
          << makedir(QStringLiteral("TEXTMASKFILEPATH"));
    lines << QString() << QString() << comment(QStringLiteral("Befehle ausführen"));

    for (const QString &line : lines) {
        if (Result<void> written = writeLine(line); !written)
            return written;
    }
    return {};
}

Result<void> BatchFile::writeOperation(const BuildImageMagickLine &build, MagickOperation op,
                                       const MagickPicture &picture)
{
    const Result<QList<BatchWord>> words = build.batchWords(op, picture);
    if (!words)
        return Failure{words.error()};
    const MagickFolder folder = magickFolderOf(op);
    if (m_form == BatchForm::Windows) {
        if (Result<void> written = writeLine(build.makedirLine(folder, picture.subFolder)); !written)
            return written;
        return writeLine(build.batchLine(op, picture));
    }

    const BatchWord folderWord = {{QLatin1String(folderVariable(folder)), true}, {picture.subFolder, false}};
    if (Result<void> written = writeLine(QStringLiteral("mkdir -p ") + shWord(folderWord)); !written)
        return written;
    QStringList command;
    for (const BatchWord &word : *words)
        command << shWord(word);
    return writeLine(command.join(QLatin1Char(' ')));
}
