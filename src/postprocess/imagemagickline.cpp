#include "postprocess/imagemagickline.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <utility>

namespace {

const QChar Q = QLatin1Char('"');

QString withSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

// The programs' file names in command lines; the Windows batch form always names the .exe.
QString programFile(const char *name)
{
#ifdef Q_OS_WIN
    return QLatin1String(name) + QLatin1String(".exe");
#else
    return QLatin1String(name);
#endif
}

// A JPEG decoder hint for a thumbnail of `geometry` ("WxH"): the picture is decoded at the
// smallest scale of at least twice that size, which spares most of the decoding of a large
// picture and keeps the result. Empty for any other geometry.
QString decodeSizeHint(const QString &geometry)
{
    static const QRegularExpression size(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch m = size.match(geometry);
    if (!m.hasMatch())
        return {};
    return QStringLiteral("jpeg:size=%1x%2").arg(m.captured(1).toInt() * 2).arg(m.captured(2).toInt() * 2);
}

BatchPiece lit(const QString &text) { return {text, false}; }
BatchPiece var(const char *name) { return {QLatin1String(name), true}; }

// What each operation needs configured, in the order of MagickOperation.
struct Needs
{
    bool textmask;
    bool output;
    bool stamp;
    bool thumbnail;
};

const Needs needsTable[] = {
    {true, false, false, false},
    {true, true, false, false},
    {false, true, true, false},
    {false, false, false, true},
};

} // namespace

BuildImageMagickLine::BuildImageMagickLine(MagickValues values) : m_v(std::move(values))
{
    for (QString *folder : {&m_v.imageMagickPath, &m_v.outputPath, &m_v.thumbnailPath, &m_v.textmaskPath})
        *folder = withSeparator(*folder);
}

QString BuildImageMagickLine::thumbnailGeometry() const
{
    if (m_v.thumbnailSize != QLatin1String("User"))
        return m_v.thumbnailSize;
    if (m_v.thumbnailSizeX > 0 && m_v.thumbnailSizeY > 0)
        return QStringLiteral("%1x%2").arg(m_v.thumbnailSizeX).arg(m_v.thumbnailSizeY);
    return QStringLiteral("150x150");
}

QString BuildImageMagickLine::variableValue(const QString &name) const
{
    const QHash<QString, QString> values = {
        {QStringLiteral("IMAGEMAGICKPATH"), m_v.imageMagickPath},
        {QStringLiteral("OUTPUTPATH"), m_v.outputPath},
        {QStringLiteral("COPYRIGHTFILE"), m_v.stampPath},
        {QStringLiteral("COPYRIGHTORIENTATION"), m_v.copyrightGravity},
        {QStringLiteral("THUMBNAILPATH"), m_v.thumbnailPath},
        {QStringLiteral("THUMBNAILPREFIX"), m_v.thumbnailPrefix},
        {QStringLiteral("THUMBNAILSIZE"), thumbnailGeometry()},
        {QStringLiteral("TEXTMASKORIENTATION"), m_v.textmaskGravity},
        {QStringLiteral("TEXTMASKFONT"), m_v.font},
        {QStringLiteral("TEXTMASKFONTSIZE"), m_v.pointSize},
        {QStringLiteral("TEXTMASKFONTCOLOR"), m_v.fontColor},
        {QStringLiteral("TEXTMASKFILEPATH"), m_v.textmaskPath},
        {QStringLiteral("TEXTMASKFILENAME"), m_v.textmaskFileName},
    };
    return values.value(name);
}

QString BuildImageMagickLine::makedirLine(MagickFolder folder, const QString &subFolder) const
{
    const QString root = folder == MagickFolder::Output     ? m_v.outputPath
                         : folder == MagickFolder::Textmask ? m_v.textmaskPath
                                                            : m_v.thumbnailPath;
    return QLatin1String("mkdir ") + QLatin1String(" ") + Q + root + subFolder + Q + QLatin1String(" ");
}

Result<QString> BuildImageMagickLine::makedirPath(MagickFolder folder, const QString &subFolder) const
{
    const QString root = folder == MagickFolder::Output     ? m_v.outputPath
                         : folder == MagickFolder::Textmask ? m_v.textmaskPath
                                                            : m_v.thumbnailPath;
    if (root.isEmpty())
        return Failure{QStringLiteral("Kein Ordner eingestellt")};
    return root + subFolder;
}

QString BuildImageMagickLine::commandLine(MagickOperation op, const MagickPicture &p) const
{
    const QString IM = m_v.imageMagickPath, PIC = p.folder, SUB = p.subFolder, FILE = p.fileName;
    const QString OUT = m_v.outputPath, THUMB = m_v.thumbnailPath, TMDIR = m_v.textmaskPath;
    const QString convert = programFile("convert"), composite = programFile("composite");
    switch (op) {
    case MagickOperation::TextmaskCreate:
        return IM + convert + " -background transparent" + " -fill " + m_v.fontColor + " -font "
               + m_v.font + " -pointsize " + m_v.pointSize + " label:" + p.label + " " + Q + TMDIR
               + m_v.textmaskFileName + Q + " ";
    case MagickOperation::TextmaskOverlay:
        return IM + composite + " -gravity " + m_v.textmaskGravity + " " + Q + TMDIR
               + m_v.textmaskFileName + Q + " " + " " + Q + PIC + SUB + FILE + Q + " " + " " + Q + OUT
               + SUB + FILE + Q + " ";
    case MagickOperation::Copyright:
        if (m_v.textOn)
            return IM + composite + " -gravity " + m_v.copyrightGravity + " " + m_v.stampPath + " "
                   + OUT + SUB + FILE + " " + " " + OUT + SUB + FILE + " ";
        return IM + composite + " -gravity " + m_v.copyrightGravity + " " + m_v.stampPath + " " + PIC
               + SUB + FILE + " " + Q + OUT + SUB + FILE + Q + " ";
    case MagickOperation::Thumbnail:
        if (m_v.textOn || m_v.copyrightOn)
            return IM + convert + " " + " " + Q + OUT + SUB + FILE + Q + " " + " -resize "
                   + m_v.thumbnailSize + " " + Q + THUMB + SUB + m_v.thumbnailPrefix + FILE + Q + " ";
        return IM + convert + " " + PIC + SUB + FILE + " -resize " + m_v.thumbnailSize + " " + THUMB
               + SUB + m_v.thumbnailPrefix + FILE;
    }
    return {};
}

QString BuildImageMagickLine::batchLine(MagickOperation op, const MagickPicture &p) const
{
    const QString PIC = p.folder, SUB = p.subFolder, FILE = p.fileName;
    const QString im = QStringLiteral("%IMAGEMAGICKPATH%");
    const QString outFile = Q + QStringLiteral("%OUTPUTPATH%") + SUB + FILE + Q + " ";
    const QString thumbTail = QStringLiteral("%THUMBNAILPATH%") + SUB + "%THUMBNAILPREFIX%" + FILE;
    switch (op) {
    case MagickOperation::TextmaskCreate: {
        QString label = p.label;
        label.replace(QChar(160), QChar(255));
        return im + "convert.exe -background transparent" + " -fill %TEXTMASKFONTCOLOR%"
               + " -font %TEXTMASKFONT%" + " -pointsize %TEXTMASKFONTSIZE%" + " label:" + label
               + " %TEXTMASKFILEPATH%%TEXTMASKFILENAME%";
    }
    case MagickOperation::TextmaskOverlay:
        return im + "composite.exe -gravity %TEXTMASKORIENTATION%" + " %TEXTMASKFILEPATH%%TEXTMASKFILENAME%"
               + " " + Q + PIC + SUB + FILE + Q + " " + " " + outFile;
    case MagickOperation::Copyright:
        if (m_v.textOn)
            return im + "composite.exe -gravity %COPYRIGHTORIENTATION%" + " %COPYRIGHTFILE%" + " "
                   + outFile + " " + outFile;
        return im + "composite.exe -gravity %COPYRIGHTORIENTATION%" + " %COPYRIGHTFILE%" + "% "
               + PIC + SUB + FILE + " " + outFile;
    case MagickOperation::Thumbnail:
        if (m_v.textOn || m_v.copyrightOn)
            return im + "convert.exe " + " %OUTPUTPATH%" + SUB + FILE + " -resize %THUMBNAILSIZE%" + " "
                   + Q + thumbTail + Q + " ";
        return im + "convert.exe " + " " + Q + PIC + SUB + FILE + Q + " -resize %THUMBNAILSIZE%" + " "
               + thumbTail;
    }
    return {};
}

Result<QList<BatchWord>> BuildImageMagickLine::batchWords(MagickOperation op, const MagickPicture &p) const
{
    if (Result<void> refused = refusal(op, p); !refused)
        return Failure{refused.error()};

    const QString original = p.folder + p.subFolder + p.fileName;
    const BatchWord outFile = {var("OUTPUTPATH"), lit(p.subFolder + p.fileName)};
    const BatchWord thumbFile = {var("THUMBNAILPATH"), lit(p.subFolder), var("THUMBNAILPREFIX"), lit(p.fileName)};
    const BatchWord textmaskFile = {var("TEXTMASKFILEPATH"), var("TEXTMASKFILENAME")};

    QList<BatchWord> words;
    auto add = [&](const BatchWord &word) { words.append(word); };
    // An option whose value is empty is left out: it would take the next argument as its value.
    auto option = [&](const char *name, const char *variable) {
        if (!variableValue(QLatin1String(variable)).isEmpty()) {
            add({lit(QLatin1String(name))});
            add({var(variable)});
        }
    };

    switch (op) {
    case MagickOperation::TextmaskCreate:
        add({var("IMAGEMAGICKPATH"), lit(QStringLiteral("convert"))});
        add({lit(QStringLiteral("-background"))});
        add({lit(QStringLiteral("transparent"))});
        option("-fill", "TEXTMASKFONTCOLOR");
        option("-font", "TEXTMASKFONT");
        option("-pointsize", "TEXTMASKFONTSIZE");
        add({lit(QStringLiteral("label:") + p.label)});
        add(textmaskFile);
        break;
    case MagickOperation::TextmaskOverlay:
        add({var("IMAGEMAGICKPATH"), lit(QStringLiteral("composite"))});
        option("-gravity", "TEXTMASKORIENTATION");
        add(textmaskFile);
        add({lit(original)});
        add(outFile);
        break;
    case MagickOperation::Copyright:
        add({var("IMAGEMAGICKPATH"), lit(QStringLiteral("composite"))});
        option("-gravity", "COPYRIGHTORIENTATION");
        add({var("COPYRIGHTFILE")});
        add(m_v.textOn ? outFile : BatchWord{lit(original)});
        add(outFile);
        break;
    case MagickOperation::Thumbnail:
        add({var("IMAGEMAGICKPATH"), lit(QStringLiteral("convert"))});
        if (const QString hint = decodeSizeHint(thumbnailGeometry()); !hint.isEmpty()) {
            add({lit(QStringLiteral("-define"))});
            add({lit(hint)});
        }
        add(m_v.textOn || m_v.copyrightOn ? outFile : BatchWord{lit(original)});
        option("-resize", "THUMBNAILSIZE");
        add(thumbFile);
        break;
    }
    return words;
}

Result<MagickCommand> BuildImageMagickLine::command(MagickOperation op, const MagickPicture &p) const
{
    Result<QList<BatchWord>> words = batchWords(op, p);
    if (!words)
        return Failure{words.error()};
    QStringList resolved;
    for (const BatchWord &word : *words) {
        QString text;
        for (const BatchPiece &piece : word)
            text += piece.variable ? variableValue(piece.text) : piece.text;
        resolved.append(text);
    }
    const QString program = resolved.takeFirst();
    return MagickCommand{program, resolved};
}

Result<void> BuildImageMagickLine::refusal(MagickOperation op, const MagickPicture &p) const
{
    const Needs &needs = needsTable[static_cast<int>(op)];
    const bool readsOutput = op == MagickOperation::Thumbnail && (m_v.textOn || m_v.copyrightOn);
    const QString name = magickOperationName(op);
    if (needs.textmask && (m_v.textmaskPath.isEmpty() || m_v.textmaskFileName.isEmpty()))
        return Failure{name + QStringLiteral(": Textmaskenordner oder -name ist leer")};
    if ((needs.output || readsOutput) && m_v.outputPath.isEmpty())
        return Failure{name + QStringLiteral(": Ausgabeordner ist leer")};
    if (needs.stamp && m_v.stampPath.isEmpty())
        return Failure{name + QStringLiteral(": Kein Copyright-Bild eingestellt")};
    if (needs.thumbnail && m_v.thumbnailPath.isEmpty())
        return Failure{name + QStringLiteral(": Thumbnailordner ist leer")};

    const QString original = QDir::cleanPath(QFileInfo(p.folder + p.subFolder + p.fileName).absoluteFilePath());
    const QString target = op == MagickOperation::TextmaskCreate ? m_v.textmaskPath + m_v.textmaskFileName
                           : op == MagickOperation::Thumbnail
                               ? m_v.thumbnailPath + p.subFolder + m_v.thumbnailPrefix + p.fileName
                               : m_v.outputPath + p.subFolder + p.fileName;
    if (QDir::cleanPath(QFileInfo(target).absoluteFilePath()) == original)
        return Failure{name + QStringLiteral(": würde das Original überschreiben: ") + original};
    return {};
}

QString magickOperationName(MagickOperation op)
{
    static const char *const names[] = {"textmaskcreate", "textmaskoverlay", "copyright", "thumbnail"};
    return QLatin1String(names[static_cast<int>(op)]);
}

bool isRawPicture(const QString &fileName)
{
    static const QStringList rawExtensions = {QStringLiteral("cr2"), QStringLiteral("cr3"),
                                              QStringLiteral("crw"), QStringLiteral("raw")};
    return rawExtensions.contains(QFileInfo(fileName).suffix().toLower());
}
