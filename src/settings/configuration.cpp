#include "settings/configuration.h"

#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "platform/dialogs.h"
#include "settings/inifile.h"
#include "settings/programsettings.h"
#include "settings/settingsmessages.h"
#include "settings/wincodec.h"

#include <QFileInfo>

#include <array>
#include <variant>

namespace {

using Field = std::variant<bool TProgramSettings::*, int TProgramSettings::*, QString TProgramSettings::*>;

enum class Text {
    Plain,
    ExpComp,  // an exposure-compensation text, written with its code as key + "Id"
    Path,     // a folder or file path, stored so that any path reads back (wincodec)
};

struct ConfigKey
{
    const char *section;
    const char *key;  // as written; reading matches any letter case
    Field field;
    Text text = Text::Plain;
};

using P = TProgramSettings;

// Every stored field, in the order of the file.
const ConfigKey kKeys[] = {
    {"Config", "Debug", &P::Debug},
    {"Config", "Savepath", &P::Savepath, Text::Path},
    {"Config", "Projektname", &P::Projektname},
    {"Config", "Filemask", &P::Filemask},
    {"Config", "Prefix", &P::Prefix},
    {"Config", "Einzelaufnahme", &P::Einzelaufnahme},
    {"Config", "Bilderfolge", &P::Bilderfolge},
    {"Config", "Belichtungsreihe", &P::Belichtungsreihe},
    {"Config", "Zeitraffer", &P::Zeitraffer},
    {"Config", "Aufnahmenanzahl", &P::Aufnahmenanzahl},
    {"Config", "Intervalstd", &P::Intervalstd},
    {"Config", "Intervalmin", &P::Intervalmin},
    {"Config", "Intervalsek", &P::Intervalsek},
    {"Config", "ExpComp1", &P::ExpComp1, Text::ExpComp},
    {"Config", "ExpComp2", &P::ExpComp2, Text::ExpComp},
    {"Config", "ExpComp3", &P::ExpComp3, Text::ExpComp},

    {"ViewerSetup", "ShowAfterShoot", &P::ShowAfterShoot},
    {"ViewerSetup", "ShowIntern", &P::ShowIntern},
    {"ViewerSetup", "ShowExtern", &P::ShowExtern},
    {"ViewerSetup", "ExternViewerPath", &P::ExternViewerPath, Text::Path},
    {"ViewerSetup", "ExternViewerWindowTitle", &P::ExternViewerWindowTitle},

    {"ImageMagick", "UseImageMagick", &P::UseImageMagick},
    {"ImageMagick", "ImageMagickPath", &P::ImageMagickPath, Text::Path},
    {"ImageMagick", "CreateBatch", &P::CreateBatch},
    {"ImageMagick", "ShowBatch", &P::ShowBatch},
    {"ImageMagick", "ImageMagickOutputpath", &P::ImageMagickOutputpath, Text::Path},
    {"ImageMagick", "ImageMagickOverwriteOrigin", &P::ImageMagickOverwriteOrigin},
    {"ImageMagick", "ImageMagickBatchPath", &P::ImageMagickBatchPath, Text::Path},
    {"ImageMagick", "ImageMagickBatchName", &P::ImageMagickBatchName},
    {"ImageMagick", "ImageMagickCopyright", &P::ImageMagickCopyright},
    {"ImageMagick", "ImageMagickcopyrightimagepath", &P::ImageMagickcopyrightimagepath, Text::Path},
    {"ImageMagick", "ImageMagickCopyrightOrientation", &P::ImageMagickCopyrightOrientation},
    {"ImageMagick", "ImageMagickcopyrightPosx", &P::ImageMagickcopyrightPosx},
    {"ImageMagick", "ImageMagickcopyrightPosy", &P::ImageMagickcopyrightPosy},
    {"ImageMagick", "ImageMagickThumbnails", &P::ImageMagickThumbnails},
    {"ImageMagick", "ImageMagickthumbnailpath", &P::ImageMagickthumbnailpath, Text::Path},
    {"ImageMagick", "imageMagickthumbnailsize", &P::imageMagickthumbnailsize},
    {"ImageMagick", "imageMagickthumbnailprefix", &P::imageMagickthumbnailprefix},
    {"ImageMagick", "imageMagickthumbnailsizex", &P::imagemagickthumbnailsizex},
    {"ImageMagick", "imageMagickthumbnailsizeY", &P::imagemagickthumbnailsizeY},
    {"ImageMagick", "ImageMagickTextmask", &P::ImagemagickTextmask},
    {"ImageMagick", "ImageMagickTextmaskstr", &P::ImagemagickTextmaskstr},
    {"ImageMagick", "ImageMagickTextmaskPrefix", &P::ImageMagickTextmaskPrefix},
    {"ImageMagick", "ImageMagicktextmaskOrientationstr", &P::ImagemagicktextmaskOrientationstr},
    {"ImageMagick", "ImageMagicktextmaskfontstr", &P::Imagemagicktextmaskfontstr},
    {"ImageMagick", "ImageMagicktextmaskposX", &P::ImagemagicktextmaskposX},
    {"ImageMagick", "ImageMagicktextmaskposY", &P::ImagemagicktextmaskposY},
    {"ImageMagick", "ImageMagicktextmaskfontsizestr", &P::Imagemagicktextmaskfontsizestr},
    {"ImageMagick", "ImageMagicktextmaskfontcolorstr", &P::Imagemagicktextmaskfontcolorstr},
    {"ImageMagick", "ImageMagicktextmaskpath", &P::Imagemagicktextmaskpath, Text::Path},
    {"ImageMagick", "ImageMagicktextmaskfilename", &P::Imagemagicktextmaskfilename},

    {"Enfuse", "EnfusePath", &P::EnfusePath, Text::Path},
    {"Enfuse", "EnableEnfuse", &P::EnableEnfuse},
    {"Enfuse", "EnfuseImages", &P::EnfuseImages},
};

std::array<SettingsWindow *, 4> g_windows{};
ConfigurationHooks g_hooks;

SettingsWindow *window(SettingsWindowKind kind) { return g_windows[size_t(kind)]; }

bool fromWindow(SettingsWindowKind kind)
{
    SettingsWindow *w = window(kind);
    return !w || w->settingsFromWindow();
}

void toWindow(SettingsWindowKind kind)
{
    if (SettingsWindow *w = window(kind))
        w->settingsToWindow();
}

void writeExpComp(IniEdits &edits, const ConfigKey &key, const QString &text)
{
    const QString section = QLatin1String(key.section);
    const QString codeKey = QLatin1String(key.key) + QStringLiteral("Id");
    edits.writeString(section, QLatin1String(key.key), text);
    for (const TPropList &entry : MasterTable(CameraProperty::ExpComp)) {
        if (entry.Name == text) {
            edits.writeInteger(section, codeKey, int(entry.ID));
            return;
        }
    }
    // A text the table does not know has no code; a code from an earlier save would lie.
    edits.eraseKey(section, codeKey);
}

void writeKey(IniEdits &edits, const ConfigKey &key, const TProgramSettings &s)
{
    const QString section = QLatin1String(key.section);
    const QString name = QLatin1String(key.key);
    std::visit([&](auto member) {
        const auto &value = s.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>)
            edits.writeBool(section, name, value);
        else if constexpr (std::is_same_v<T, int>)
            edits.writeInteger(section, name, value);
        else if (key.text == Text::ExpComp)
            writeExpComp(edits, key, value);
        else if (key.text == Text::Path)
            edits.writeString(section, name, wincodec::storablePath(value));
        else
            edits.writeString(section, name, value);
    }, key.field);
}

void readKey(const IniFile &ini, const ConfigKey &key, TProgramSettings &s)
{
    static const TProgramSettings defaults;
    const QString section = QLatin1String(key.section);
    const QString name = QLatin1String(key.key);
    std::visit([&](auto member) {
        auto &value = s.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>)
            value = ini.readBool(section, name, defaults.*member);
        else if constexpr (std::is_same_v<T, int>)
            value = ini.readInteger(section, name, defaults.*member);
        else if (key.text == Text::Path)
            value = wincodec::pathFromStored(ini.readString(section, name, defaults.*member));
        else
            value = ini.readString(section, name, defaults.*member);
    }, key.field);
}

// Keys of the texts the file's code page cannot hold.
QStringList unstorableKeys(const TProgramSettings &s)
{
    QStringList keys;
    for (const ConfigKey &key : kKeys) {
        const auto *text = std::get_if<QString TProgramSettings::*>(&key.field);
        if (text && !wincodec::representable(s.**text))
            keys.append(QLatin1String(key.key));
    }
    return keys;
}

void warnUnstorable(const QStringList &keys)
{
    if (keys.isEmpty())
        return;
    appDialogs().showMessage(
        QStringLiteral("Warnung"),
        QStringLiteral("Diese Werte enthalten Zeichen, die die Datei nicht speichern kann: ")
            + keys.join(QStringLiteral(", "))
            + QStringLiteral(". Pfade werden umschrieben gespeichert und von diesem Programm wieder "
                             "richtig gelesen; in den anderen Werten wird jedes dieser Zeichen zu \"?\"."),
        MessageIcon::Warning);
}

FileDialogOptions configFileOptions(const char *filter)
{
    FileDialogOptions options;
    options.fileName = QLatin1String(DefaultConfigurationName);
    options.defaultExtension = QStringLiteral("*ccf");
    options.filter = QLatin1String(filter);
    return options;
}

} // namespace

void attachSettingsWindow(SettingsWindowKind kind, SettingsWindow *w) { g_windows[size_t(kind)] = w; }

bool CaptureSettingsFromWindow() { return fromWindow(SettingsWindowKind::Capture); }
void CaptureSettingsToWindow() { toWindow(SettingsWindowKind::Capture); }
bool ViewerSettingsFromWindow() { return fromWindow(SettingsWindowKind::Viewer); }
void ViewerSettingsToWindow() { toWindow(SettingsWindowKind::Viewer); }
bool ImageMagickSettingsFromWindow() { return fromWindow(SettingsWindowKind::ImageMagick); }
void ImageMagickSettingsToWindow() { toWindow(SettingsWindowKind::ImageMagick); }
bool HdrSettingsFromWindow() { return fromWindow(SettingsWindowKind::Hdr); }
void HdrSettingsToWindow() { toWindow(SettingsWindowKind::Hdr); }

void setConfigurationHooks(ConfigurationHooks hooks) { g_hooks = std::move(hooks); }

Result<> writeConfiguration(const QString &path, const TProgramSettings &settings)
{
    TProgramSettings s = settings;
    intervalNumbersFromTexts(s);
    IniEdits edits;
    for (const ConfigKey &key : kKeys)
        writeKey(edits, key, s);
    return IniFile(path).apply(edits);
}

void readConfiguration(const IniFile &ini, TProgramSettings &s)
{
    for (const ConfigKey &key : kKeys)
        readKey(ini, key, s);
    s.IntervalStdText = intervalEntryText(intervalHourEntries(), s.Intervalstd);
    s.IntervalMinText = intervalEntryText(intervalMinuteEntries(), s.Intervalmin);
    s.IntervalSekText = intervalEntryText(intervalSecondEntries(), s.Intervalsek);
}

bool SaveConfiguration(const QString &path)
{
    if (!ImageMagickSettingsFromWindow() || !CaptureSettingsFromWindow() || !ViewerSettingsFromWindow()
        || !HdrSettingsFromWindow())
        return false;
    TProgramSettings &s = ProgramSettings();
    // The record's flag follows the debug menu, which switches the log itself.
    s.Debug = debugEnabled();
    const Result<> written = writeConfiguration(path, s);
    if (written) {
        if (g_hooks.fileInUse)
            g_hooks.fileInUse(QFileInfo(path).absoluteFilePath());
        warnUnstorable(unstorableKeys(s));
        return true;
    }
    reportUnwritableSettingsFile(path, written.error());
    return false;
}

bool LoadConfiguration(const QString &path)
{
    const QString fullPath = inWorkingFolder(path);
    const IniFile ini(fullPath);
    if (!settingsFileReadable(fullPath, ini))
        return false;
    TProgramSettings &s = ProgramSettings();
    readConfiguration(ini, s);
    if (g_hooks.debugFlagLoaded)
        g_hooks.debugFlagLoaded(s.Debug);
    else
        setDebugEnabled(s.Debug);
    if (g_hooks.showProjectName)
        g_hooks.showProjectName(s.Projektname);
    if (g_hooks.fileInUse)
        g_hooks.fileInUse(QFileInfo(fullPath).absoluteFilePath());
    CaptureSettingsToWindow();
    ImageMagickSettingsToWindow();
    ViewerSettingsToWindow();
    HdrSettingsToWindow();
    return true;
}

void EinstellungLadenClick()
{
    if (const auto path = appDialogs().openFile(configFileOptions("*.ccf|*.CcF")))
        LoadConfiguration(*path);
}

void EinstellungSpeichernClick()
{
    if (const auto path = appDialogs().saveFile(configFileOptions("*.ccf|*.ccF")))
        SaveConfiguration(*path);
}
