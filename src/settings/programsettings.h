#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#ifdef Q_OS_WIN
inline constexpr const char *DefaultBatchName = "batch.bat";
#else
inline constexpr const char *DefaultBatchName = "batch.sh";
#endif

// Where the external viewer's window is put after each picture (from the window layout file).
struct WindowRect
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const WindowRect &) const = default;
};

// The working settings. Fields that are stored in the configuration file bear the name of
// their key; their initial values are the values taken when the key is absent.
struct TProgramSettings
{
    // Section "Config"
    bool Debug = false;
    QString Savepath;  // root folder of the pictures, ends with a separator
    QString Projektname;
    QString Filemask;
    QString Prefix;
    bool Einzelaufnahme = true;
    bool Bilderfolge = false;
    bool Belichtungsreihe = false;
    bool Zeitraffer = false;
    int Aufnahmenanzahl = 10;
    int Intervalstd = 0;
    int Intervalmin = 0;
    int Intervalsek = 0;
    QString ExpComp1 = QStringLiteral("0");
    QString ExpComp2 = QStringLiteral("0");
    QString ExpComp3 = QStringLiteral("0");

    // Section "ViewerSetup"
    bool ShowAfterShoot = false;
    bool ShowIntern = false;
    bool ShowExtern = true;
    QString ExternViewerPath;
    QString ExternViewerWindowTitle;

    // Section "ImageMagick"
    bool UseImageMagick = false;
    QString ImageMagickPath;
    bool CreateBatch = false;
    bool ShowBatch = false;
    QString ImageMagickOutputpath;
    bool ImageMagickOverwriteOrigin = false;
    QString ImageMagickBatchPath;
    QString ImageMagickBatchName = QString::fromLatin1(DefaultBatchName);
    bool ImageMagickCopyright = false;
    QString ImageMagickcopyrightimagepath;
    QString ImageMagickCopyrightOrientation = QStringLiteral("North");
    int ImageMagickcopyrightPosx = 0;
    int ImageMagickcopyrightPosy = 0;
    bool ImageMagickThumbnails = false;
    QString ImageMagickthumbnailpath;
    QString imageMagickthumbnailsize;
    QString imageMagickthumbnailprefix = QStringLiteral("Thumb");
    int imagemagickthumbnailsizex = 150;
    int imagemagickthumbnailsizeY = 150;
    bool ImagemagickTextmask = false;
    QString ImagemagickTextmaskstr;
    QString ImageMagickTextmaskPrefix = QStringLiteral("Textmask");
    QString ImagemagicktextmaskOrientationstr = QStringLiteral("North");
    QString Imagemagicktextmaskfontstr;
    int ImagemagicktextmaskposX = 0;
    int ImagemagicktextmaskposY = 0;
    QString Imagemagicktextmaskfontsizestr = QStringLiteral("8");
    QString Imagemagicktextmaskfontcolorstr;
    QString Imagemagicktextmaskpath;
    QString Imagemagicktextmaskfilename = QStringLiteral("textmask.gif");

    // Section "Enfuse"
    QString EnfusePath;
    bool EnableEnfuse = false;
    int EnfuseImages = 1;

    // Not stored in the configuration file.
    QString ImageNumber;  // of the camera's file name of the last picture received
    QString ImageFormat;  // its extension without the dot
    // The interval selections of the capture settings dialog, as entry texts.
    QString IntervalStdText = QStringLiteral("0");
    QString IntervalMinText = QStringLiteral("0");
    QString IntervalSekText = QStringLiteral("10");
    // The camera's AE mode as last reported; nothing until the camera reports one.
    std::optional<quint32> AEModeCode;
    WindowRect ExternViewerRect;

    bool operator==(const TProgramSettings &) const = default;
};

// The one record of the program.
TProgramSettings &ProgramSettings();

// A whole decimal number as typed into the program's fields; blanks around it are allowed.
std::optional<int> wholeNumber(const QString &text);

// Sets the three interval numbers from the interval texts; a text that is no number counts 0.
void intervalNumbersFromTexts(TProgramSettings &s);

// The root folder pictures go to until the user chooses one: the program's own folder, or
// the user's pictures folder (".../Tessaro/") where the program's folder is not writable, as
// in an installed system. Ends with a separator.
QString defaultSavepath();

// Bracketing is offered in these AE modes only.
bool bracketingAllowed(std::optional<quint32> aeModeCode);

// The entries of the three interval selections: hours "0" to "24", minutes "0" to "60",
// seconds "00", "02", "05", "10", "15", "30", "45", "60".
const QStringList &intervalHourEntries();
const QStringList &intervalMinuteEntries();
const QStringList &intervalSecondEntries();
// The entry whose number is `value`; the plain decimal number when no entry has it.
QString intervalEntryText(const QStringList &entries, int value);
