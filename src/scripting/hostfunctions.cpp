#include "scripting/scripthost.h"

#include "pascal/engine.h"

#include "camera/appmaster.h"
#include "camera/camera.h"
#include "camera/edserrors.h"
#include "camera/madeimages.h"
#include "camera/proptables.h"
#include "naming/programnaming.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "postprocess/argsplit.h"
#include "postprocess/catalogue.h"
#include "scripting/scriptnames.h"
#include "scripting/scriptwindowview.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "scripting/scripttext.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <array>

const char *const ScriptHost::Declarations = R"(
procedure Anzeige(s: string);
procedure Writeln(s: string);
function Einlesen(question: string): string;
function SetzePausenachBefehlauf(pause:integer) : integer ;
function bildanzeige(anzeige,viewer,bild:string) : integer ;
function ImportTest(S1: string; s2: Longint; s3: Byte; s4: word; var s5: string): string;
function hole(tid:string):string;
function istuebertragen():boolean;
function Setze(tid :string ; value : string;offset:integer) : integer ;
function zahlmitnullen(int:integer;Mask:string):string;
Function EBVBefehleFertig():boolean;
Function EBVBefehleUebrig():integer;
procedure cls();
Function Bild(index,offset:integer;eigenschaft:string):String;
Function ebvcommando(anwendung,commando:string;bWait,bshow,bdolater:boolean):boolean;
Function Liste (tid:string):String;
procedure warte(const Milliseconds: integer);
procedure Ausloesen();
var
  Memo2: TMemo;
  Self: TForm;
  Application: TApplication;
)";

namespace {

constexpr int kSetzeWrites = 5;
constexpr int kSetzeRetryMs = 100;
constexpr int kAfterStoredMs = 100;

// The camera's current value of a property; -1 when unknown.
qint64 currentCode(quint32 sdkId)
{
    const TCamera *camera = connectedCamera();
    if (!camera)
        return -1;
    const EdsUInt32 value = camera->GetPropertyUInt32(sdkId);
    return value == 0xFFFFFFFFu ? -1 : qint64(value);
}

// A folder value as the capture window stores it: separators of this system, one at the end.
QString normalisedFolder(QString folder)
{
    folder.replace(u'\\', u'/');
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

bool hasDriveLetter(const QString &folder)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    return drive.match(folder).hasMatch();
}

struct SettingName
{
    std::array<const char *, 2> holeNames;
    std::array<const char *, 2> setzeNames;
    QString &(*field)(QString &ebvMask);
    void (*toWindow)();
};

const std::array<SettingName, 6> kSettings = {{
    {{"PROJEKTNAME", "PROJECTNAME"}, {"PROJECTNAME", nullptr},
     [](QString &) -> QString & { return ProgramSettings().Projektname; }, CaptureSettingsToWindow},
    {{"BILDDATEIMASKE", "PICFILEMASK"}, {"DATEIMASKE", "PICFILEMASK"},
     [](QString &) -> QString & { return ProgramSettings().Filemask; }, CaptureSettingsToWindow},
    {{"VERZEICHNIS", "PICPATH"}, {"VERZEICHNIS", "PICPATH"},
     [](QString &) -> QString & { return ProgramSettings().Savepath; }, CaptureSettingsToWindow},
    {{"TEXTMASKE", nullptr}, {"TEXTMASKE", nullptr},
     [](QString &) -> QString & { return ProgramSettings().ImagemagickTextmaskstr; },
     ImageMagickSettingsToWindow},
    {{"EBVPFAD", "EBVPATH"}, {"EBVPFAD", "EBVPATH"},
     [](QString &) -> QString & { return ProgramSettings().ImageMagickOutputpath; },
     ImageMagickSettingsToWindow},
    {{"EBVDATEIMASKE", "EBVFILENAMEMASKPATH"}, {"EBVDATEIMASKE", "EBVFILENAMEMASKPATH"},
     [](QString &mask) -> QString & { return mask; }, nullptr},
}};

bool listed(const std::array<const char *, 2> &names, const QString &upper)
{
    for (const char *n : names) {
        if (n && upper == QLatin1String(n))
            return true;
    }
    return false;
}

const SettingName *settingFor(const QString &name, bool forSetze)
{
    const QString upper = asciiUpper(name);
    for (const SettingName &s : kSettings) {
        if (listed(forSetze ? s.setzeNames : s.holeNames, upper))
            return &s;
    }
    return nullptr;
}

struct ViewerSwitch
{
    const char *anzeige;
    const char *viewer;
    bool TProgramSettings::*setting;
    bool value;
};

const std::array<ViewerSwitch, 4> kViewerSwitches = {{
    {"AN", "INTERN", &TProgramSettings::ShowIntern, true},
    {"AN", "EXTERN", &TProgramSettings::ShowExtern, true}, // reached only without a picture name
    {"AUS", "INTERN", &TProgramSettings::ShowIntern, false},
    {"AUS", "EXTERN", &TProgramSettings::ShowExtern, false},
}};

// Takes the first #PATHBEGIN...#PATHEND span (the end marker's two characters before it are
// not part of the path) and creates its folder: from the first to the last separator.
void createMarkedFolder(QString &text)
{
    static const QString begin = QStringLiteral("#PATHBEGIN");
    static const QString end = QStringLiteral("#PATHEND");
    for (;;) {
        const qsizetype b = text.indexOf(begin);
        const qsizetype e = text.indexOf(end);
        if (b < 0 || e < 0)
            return;
        const qsizetype from = b + begin.size();
        QString path = text.mid(from, qMax<qsizetype>(e - 2 - from, 0));
        path.replace(u'\\', u'/');
        const qsizetype first = path.indexOf(u'/');
        const qsizetype last = path.lastIndexOf(u'/');
        if (first >= 0) {
            const QString folder = path.mid(first, last - first + 1).trimmed();
            if (!QDir().mkpath(folder))
                QDir().mkpath(folder);
        }
        text.remove(text.indexOf(begin), begin.size());
        text.remove(text.indexOf(end), end.size());
    }
}

// Expands the mask tokens argument by argument: the expansion joins the blanks of what it
// expands with non-breaking spaces, which would make the whole line one argument. An argument
// that holds blanks afterwards (a file name) is quoted so it stays one.
QString expandCommandText(const QString &text, const TCamerasettings &settings)
{
    QStringList arguments;
    for (const QString &argument : splitArguments(text)) {
        QString expanded = ExpandFileMask(argument, settings);
        expanded.replace(NonBreakingSpace, u' ');
        const bool quote = expanded.isEmpty() || expanded.contains(u' ') || expanded.contains(u'\t');
        arguments.append(quote ? u'"' + expanded + u'"' : expanded);
    }
    return arguments.join(u' ');
}

} // namespace

struct HostFunctions
{
    ScriptHost &host;

    void hole(pascal::HostCall &c)
    {
        const QString name = str(c, 0);
        if (const SettingName *s = settingFor(name, false))
            return returnText(c, s->field(host.m_ebvFileMask));
        if (const CameraPropertyInfo *p = scriptCameraProperty(name))
            return returnText(c, PropertyTextByCode(name, currentCode(p->sdkId)));
        returnText(c, {});
    }

    void setSetting(const SettingName &s, const QString &value)
    {
        QString stored = value;
        if (&s.field(host.m_ebvFileMask) == &ProgramSettings().Savepath) {
            if (hasDriveLetter(value)) {
                host.appendLine(QStringLiteral("Verzeichnis nicht gesetzt, hier gibt es keine Laufwerksbuchstaben: ") + value);
                return;
            }
            stored = normalisedFolder(value);
        }
        s.field(host.m_ebvFileMask) = stored;
        // The window would otherwise hand its old value back at the next collection.
        if (s.toWindow)
            s.toWindow();
    }

    void setze(pascal::HostCall &c)
    {
        const QString name = str(c, 0);
        const QString value = str(c, 1);
        if (const SettingName *s = settingFor(name, true))
            return setSetting(*s, value);
        const CameraPropertyInfo *p = scriptCameraProperty(name);
        const std::optional<quint32> code =
            p ? PropertyCodeByText(asciiUpper(name), value, int(c.integer(2))) : std::nullopt;
        if (!code)
            return;
        EdsError result = EDS_ERR_DEVICE_NOT_FOUND;
        for (int write = 0; write < kSetzeWrites; ++write) {
            if (write > 0 && !host.hostWait(kSetzeRetryMs) && host.m_stopping)
                return;
            result = AppMaster ? AppMaster->SetProperty(p->sdkId, *code) : EDS_ERR_DEVICE_NOT_FOUND;
            if (result == EDS_ERR_OK)
                break;
        }
        if (result != EDS_ERR_OK)
            host.appendLine(EdsErrorText(result));
        host.hostWait(host.m_pauseAfterCommand);
    }

    void liste(pascal::HostCall &c)
    {
        const QString name = str(c, 0);
        const CameraPropertyInfo *p = scriptCameraProperty(name);
        if (!p)
            return returnText(c, {});
        const PropTable &table = p->property == CameraProperty::WhiteBalance
                                     ? MasterTable(p->property)
                                     : CurrentTable(p->property);
        const qint64 current = currentCode(p->sdkId);
        QString lines;
        for (const TPropList &entry : table) {
            lines += QStringLiteral("%1  :  %2").arg(entry.ID, 4, 10, QLatin1Char('0')).arg(entry.Name);
            if (current >= 0 && entry.ID == quint64(current))
                lines += u'*';
            lines += QStringLiteral("\r\n");
        }
        returnText(c, lines);
    }

    void bild(pascal::HostCall &c)
    {
        returnText(c, scriptPictureValue(int(c.integer(0)), int(c.integer(1)), str(c, 2)));
    }

    // A file of the release since `before` that was stored (not only recorded as failed).
    static bool pictureStoredSince(int before)
    {
        for (int i = before; i < ImageCount(); ++i) {
            if (!MadeImages().find(i)->Failed)
                return true;
        }
        return false;
    }

    void ausloesen()
    {
        const int before = ImageCount();
        host.m_pictureStored = false;
        Clock &clock = appClock();
        const qint64 start = clock.tickMs();
        const qint64 limit = host.m_hooks.pictureWaitMs ? host.m_hooks.pictureWaitMs() : 30000;
        if (host.m_hooks.shoot)
            host.m_hooks.shoot();
        const qint64 left = qMax<qint64>(limit - (clock.tickMs() - start), 0);
        const bool stored = host.hostWait(left, [this] { return host.m_pictureStored; });
        if (host.m_stopping)
            return;
        if (!stored || !pictureStoredSince(before)) {
            host.appendLine(QStringLiteral("Kein Bild von der Kamera erhalten"));
            return;
        }
        clock.sleepMs(kAfterStoredMs);
    }

    void bildanzeige(pascal::HostCall &c)
    {
        const QString anzeige = asciiUpper(str(c, 0));
        const QString viewer = asciiUpper(str(c, 1));
        const QString bild = str(c, 2);
        TProgramSettings &s = ProgramSettings();
        if (anzeige == QLatin1String("AN") && viewer == QLatin1String("EXTERN") && !bild.isEmpty()) {
            QProcess::startDetached(s.ExternViewerPath, {bild});
            return;
        }
        for (const ViewerSwitch &v : kViewerSwitches) {
            if (anzeige == QLatin1String(v.anzeige) && viewer == QLatin1String(v.viewer)) {
                s.*v.setting = v.value;
                // The internal display follows the settings window's check box.
                ViewerSettingsToWindow();
                return;
            }
        }
    }

    void ebvcommando(pascal::HostCall &c)
    {
        c.returnBoolean(false);
        const QString anwendung = str(c, 0);
        const TMadeImage *latest = scriptPicture(0, 0);
        if (!latest) {
            host.appendLine(anwendung + QStringLiteral(" Keine Bilddaten"));
            return;
        }
        QString text = expandCommandText(str(c, 1), latest->Settings);
        createMarkedFolder(text);
        text.remove(QStringLiteral("#PATHBEGIN"));
        text.remove(QStringLiteral("#PATHEND"));
        text.remove(QStringLiteral("#TEXTMASKBEGIN"));
        text.remove(QStringLiteral("#TEXTMASKEND"));
        host.appendLine(anwendung + u' ' + text);
        host.appendLine({});
        host.appendLine({});
        const QString commandFile = ProgramSettings().Savepath
                                    + ExpandDateMask(QStringLiteral("ComFile#YEAR#MONTH#DAY#HOUR#MINUTE.rccf"));
        const Result<> queued = host.m_catalogue.QueueCommand(commandFile, anwendung, text, c.boolean(2),
                                                              c.boolean(3), c.boolean(4));
        if (!queued) {
            host.appendLine(queued.error());
            return;
        }
        host.m_catalogue.SetNotifyWindow(host.m_notifyWindow);
        if (!host.m_catalogue.WorkerRunning())
            host.m_catalogue.StartWorker();
    }

    void importTest(pascal::HostCall &c)
    {
        const std::string result = c.string(0) + ' ' + std::to_string(c.integer(1)) + ' '
                                   + std::to_string(c.integer(2)) + ' ' + std::to_string(c.integer(3))
                                   + " - OK!";
        c.setString(4, c.string(4) + ' ' + result + " -   OK2!");
        c.returnString(result);
    }

    void zahlmitnullen(pascal::HostCall &c)
    {
        const std::string digits = std::to_string(c.integer(0));
        const size_t width = c.string(1).size();
        c.returnString(std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits);
    }
};

void ScriptHost::registerHost(pascal::Executor &ex)
{
    auto f = std::make_shared<HostFunctions>(HostFunctions{*this});
    const auto line = [this](pascal::HostCall &c) { appendLine(str(c, 0)); };
    ex.registerFunction("Anzeige", line);
    ex.registerFunction("Writeln", line);
    ex.registerFunction("cls", [this](pascal::HostCall &) { m_view->clearOutput(); });
    ex.registerFunction("Einlesen", [this](pascal::HostCall &c) { returnText(c, m_view->askLine(str(c, 0))); });
    ex.registerFunction("ShowMessage", [](pascal::HostCall &c) {
        appDialogs().showMessage(QCoreApplication::applicationName(), str(c, 0));
    });
    ex.registerFunction("SetzePausenachBefehlauf", [this](pascal::HostCall &c) {
        m_pauseAfterCommand = int(c.integer(0));
        c.returnInteger(0);
    });
    ex.registerFunction("warte", [this](pascal::HostCall &c) { hostWait(c.integer(0)); });
    ex.registerFunction("istuebertragen", [this](pascal::HostCall &c) {
        c.returnBoolean(m_hooks.pictureArrived && m_hooks.pictureArrived());
    });
    ex.registerFunction("EBVBefehleUebrig", [this](pascal::HostCall &c) {
        c.returnInteger(m_catalogue.PendingCommandCount());
    });
    ex.registerFunction("EBVBefehleFertig", [this](pascal::HostCall &c) {
        c.returnBoolean(m_catalogue.PendingCommandCount() == 0);
    });
    ex.registerFunction("hole", [f](pascal::HostCall &c) { f->hole(c); });
    ex.registerFunction("Setze", [f](pascal::HostCall &c) { f->setze(c); c.returnInteger(0); });
    ex.registerFunction("Liste", [f](pascal::HostCall &c) { f->liste(c); });
    ex.registerFunction("Bild", [f](pascal::HostCall &c) { f->bild(c); });
    ex.registerFunction("Ausloesen", [f](pascal::HostCall &) { f->ausloesen(); });
    ex.registerFunction("bildanzeige", [f](pascal::HostCall &c) { f->bildanzeige(c); c.returnInteger(0); });
    ex.registerFunction("ebvcommando", [f](pascal::HostCall &c) { f->ebvcommando(c); });
    ex.registerFunction("ImportTest", [f](pascal::HostCall &c) { f->importTest(c); });
    ex.registerFunction("zahlmitnullen", [f](pascal::HostCall &c) { f->zahlmitnullen(c); });
    registerHostObjects(ex);
}
