#include "app/commandline.h"

#include "app/programend.h"
#include "app/shooting.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "platform/userfolders.h"
#include "settings/configuration.h"
#include "settings/windowlayout.h"

#include <QDir>

#include <array>

namespace {

using Options = CommandLineOptions;

// A name without a folder lies in the folder for such names.
QString inFolder(const QString &name, const QString &folder)
{
    return name.contains(u'/') ? name : QDir(folder).filePath(name);
}

void addLoad(Options &o, const char *key, const QString &value, const char *extension,
             const QString &folder)
{
    o.loads.append({QLatin1String(key), inFolder(value + QLatin1String(extension), folder)});
}

struct KeyRule
{
    const char *key;
    void (*apply)(Options &o, const QString &value, const QString &namesFolder);
};

const std::array<KeyRule, 8> kKeys = {{
    {"inifile=", [](Options &o, const QString &v, const QString &) { o.configuration = v + QStringLiteral(".ccf"); }},
    {"appsfile=", [](Options &o, const QString &v, const QString &f) { addLoad(o, "appsfile=", v, ".ccc", f); }},
    {"scriptfile=", [](Options &o, const QString &v, const QString &f) { addLoad(o, "scriptfile=", v, ".rops", f); }},
    {"viewer=", [](Options &o, const QString &v, const QString &) { o.layout = v + QStringLiteral(".cif"); }},
    {"ignoredisconnect=", [](Options &o, const QString &v, const QString &) { o.ignoreDisconnect = v.toUpper() == QLatin1String("TRUE"); }},
    {"comfile=", [](Options &o, const QString &v, const QString &f) { addLoad(o, "comfile=", v, ".clf", f); }},
    {"release=", [](Options &o, const QString &v, const QString &) { o.automaticRelease |= v == QLatin1String("auto"); }},
    {"endaftershoot=", [](Options &o, const QString &v, const QString &) { o.endAfterShoot |= v == QLatin1String("on"); }},
}};

void loadAtOnce(ProgramWindows &windows, const CommandLineLoad &load)
{
    if (load.key == QLatin1String("comfile=")) {
        windows.loadCommandList(load.path);
        return;
    }
    if (load.key == QLatin1String("appsfile=")) {
        windows.loadCatalogue(load.path);
        return;
    }
    windows.loadScript(load.path);
}

// The automatic release cannot run. A run that was to end after the shot ends as failed.
void releaseImpossible(const char *why, bool endAfterShoot)
{
    reportOnStderr(QStringLiteral("release=auto: ") + QLatin1String(why));
    if (endAfterShoot)
        requestProgramEnd(1);
}

void releaseAtStart(ProgramWindows &windows, bool endAfterShoot)
{
    if (!CaptureSettingsFromWindow() || !ImageMagickSettingsFromWindow() || !ViewerSettingsFromWindow())
        return releaseImpossible("the settings could not be taken from their windows", endAfterShoot);
    const int connected = windows.connectAtStart();
    // A run that ends after the shot needs a camera; without that end the release itself
    // shows why no picture comes.
    if (connected != ConnectOk || (endAfterShoot && !connectedCamera())) {
        releaseImpossible("no camera connected", endAfterShoot);
        // Cancel ends the program here as it would at the first show.
        if (connected == ConnectCancelled && !endAfterShoot)
            requestProgramEnd(0);
        return;
    }
    AutomaticRelease = true;
    windows.shooting().Release();
}

} // namespace

CommandLineOptions parseCommandLine(const QStringList &parameters, const QString &namesFolder)
{
    Options options;
    for (const QString &parameter : parameters) {
        const QString value = parameter.section(u'=', 1);
        for (const KeyRule &rule : kKeys) {
            if (parameter.contains(QLatin1String(rule.key)))
                rule.apply(options, value, namesFolder);
        }
    }
    return options;
}

void ParseCommandLine(ProgramWindows &windows, const QStringList &parameters,
                      const QString &programFolder)
{
    const Options options = parseCommandLine(parameters, userFolder(UserFolder::NamedFiles, programFolder));
    if (options.ignoreDisconnect)
        IgnoreDisconnect = *options.ignoreDisconnect;
    EndAfterShoot = options.endAfterShoot;
    for (const CommandLineLoad &load : options.loads)
        loadAtOnce(windows, load);
    if (options.configuration)
        LoadConfiguration(*options.configuration);
    if (options.layout)
        load_windows(*options.layout);
    if (options.automaticRelease)
        releaseAtStart(windows, options.endAfterShoot);
}
