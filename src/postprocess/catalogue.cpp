#include "postprocess/catalogue.h"

#include "postprocess/commatext.h"
#include "settings/inifile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString twoDigits(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

QString applicationSection(int index)
{
    return QStringLiteral("Application_") + twoDigits(index);
}

QString commandKey(int command)
{
    return QStringLiteral("Command") + twoDigits(command) + QStringLiteral("_Name");
}

QString paramKey(int command, int param, const char *field)
{
    return QStringLiteral("Command%1_Param%2_%3")
        .arg(twoDigits(command), twoDigits(param), QLatin1String(field));
}

// A program that cannot start on this system: Windows programs and batch files.
bool isForeignProgram(const QString &path)
{
    return path.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive);
}

bool startsHere(const QString &path)
{
    if (path.isEmpty() || isForeignProgram(path))
        return false;
    if (!path.contains(u'/'))
        return !QStandardPaths::findExecutable(path).isEmpty();
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

std::unique_ptr<TExterncommand> copyCommandNamed(const TExterncommand &source, QString name)
{
    auto copy = std::make_unique<TExterncommand>();
    copy->Name = std::move(name);
    for (int k = 0; k < source.Params.count(); ++k)
        copy->Params.append(std::make_unique<TExternCommandParam>(*source.Params.item(k)));
    return copy;
}

const char *const kParamFields[] = {"Type", "Text", "Opt1opts", "Opt2opts"};

QString *paramField(TExternCommandParam &param, int field)
{
    QString *const fields[] = {&param.Type, &param.Text, &param.Opt1opts, &param.Opt2opts};
    return fields[field];
}

void readParams(const IniFile &ini, const QString &section, int j, TExterncommand &command)
{
    for (int k = 0; ini.hasKey(section, paramKey(j, k, "Name")); ++k) {
        auto param = std::make_unique<TExternCommandParam>();
        param->Name = ini.readStringUncut(section, paramKey(j, k, "Name"));
        for (int f = 0; f < 4; ++f)
            *paramField(*param, f) = ini.readStringUncut(section, paramKey(j, k, kParamFields[f]));
        command.Params.append(std::move(param));
    }
}

std::unique_ptr<TExternApplication> readApplication(const IniFile &ini, int i)
{
    const QString section = applicationSection(i);
    auto application = std::make_unique<TExternApplication>();
    application->Name = ini.readStringUncut(section, QStringLiteral("Name"),
                                            QStringLiteral("Unknown_") + twoDigits(i));
    application->SetApplicationPath(ini.readStringUncut(section, QStringLiteral("Path")));
    for (int j = 0; ini.hasKey(section, commandKey(j)); ++j) {
        auto command = std::make_unique<TExterncommand>();
        command->Name = ini.readStringUncut(section, commandKey(j));
        readParams(ini, section, j, *command);
        application->Commands.append(std::move(command));
    }
    return application;
}

void writeApplication(IniEdits &edits, const TExternApplication &application, int i)
{
    const QString section = applicationSection(i);
    edits.writeString(section, QStringLiteral("Name"), application.Name)
        .writeString(section, QStringLiteral("Path"), application.Path());
    for (int j = 0; j < application.Commands.count(); ++j) {
        const TExterncommand &command = *application.Commands.item(j);
        edits.writeString(section, commandKey(j), command.Name);
        for (int k = 0; k < command.Params.count(); ++k) {
            TExternCommandParam param = *command.Params.item(k);
            edits.writeString(section, paramKey(j, k, "Name"), param.Name);
            for (int f = 0; f < 4; ++f)
                edits.writeString(section, paramKey(j, k, kParamFields[f]), *paramField(param, f));
        }
    }
}

const QString kLoadFailed = QStringLiteral("Fehler beim laden der Kommando-Datei !\r\n");

} // namespace

void TExternApplication::SetApplicationPath(const QString &path)
{
    m_path = path;
    m_pathExists = startsHere(path);
}

std::unique_ptr<TExterncommand> TExternApplication::CopyCommand(const TExterncommand &source) const
{
    return copyCommandNamed(source, QStringLiteral("Kopie ") + twoDigits(Commands.count()) + source.Name);
}

std::unique_ptr<TExternApplication> copyOf(const TExternApplication &source)
{
    auto copy = std::make_unique<TExternApplication>();
    copy->Name = QStringLiteral("Kopie ") + twoDigits(source.Commands.count()) + u' ' + source.Name;
    copy->m_path = source.m_path; // its mark waits for the next SetApplicationPath
    for (int j = 0; j < source.Commands.count(); ++j) {
        const TExterncommand &command = *source.Commands.item(j);
        copy->Commands.append(copyCommandNamed(command, command.Name));
    }
    return copy;
}

const QList<ParamType> &paramTypes()
{
    static const QList<ParamType> types{
        {"Switch", "Schalter", PieceRule::TextAndValue},
        {"String", "Zeichenkette", PieceRule::ValueAlone},
        {"Number", "Zahl", PieceRule::Nothing},
        {"FilePath", "DateiPfad", PieceRule::TextAndValue},
        {"DirPath", "Pfad", PieceRule::TextAndValue},
        {"Textmask", "Textmaske", PieceRule::ValueAlone},
        {"Selectionlist_1", "Auswahlliste_1", PieceRule::TextAndValue},
        {"Selectionlist_2", "Auswahlliste_2", PieceRule::TextAndValue},
        {"Selectionlist_3", "Auswahlliste_3", PieceRule::TwoPieces},
        {"Fontname", "Schriftart", PieceRule::TextAndValue},
        {"Fontstyle", "Schriftstil", PieceRule::TextAndValue},
        {"Fontsize", "Schriftgroesse", PieceRule::TextAndValue},
        {"Fontcolor", "Schriftfarbe", PieceRule::TextAndValue},
    };
    return types;
}

int paramTypeIndex(const QString &stored)
{
    const QList<ParamType> &types = paramTypes();
    for (int i = 0; i < types.size(); ++i) {
        if (stored == QLatin1String(types[i].stored))
            return i;
    }
    return -1;
}

namespace {

QString joinTypeNames(const char *ParamType::*name)
{
    QStringList names;
    for (const ParamType &type : paramTypes())
        names.append(QLatin1String(type.*name));
    return names.join(u',');
}

// The piece of one parameter; empty when no value came for it.
QString pieceOf(const TExternCommandParam &param, PieceRule rule, const std::optional<QString> &value)
{
    if (!value)
        return {};
    switch (rule) {
    case PieceRule::TextAndValue:
        return param.Text + u' ' + *value;
    case PieceRule::ValueAlone:
        return *value;
    case PieceRule::Nothing:
    case PieceRule::TwoPieces: // no control gives these a value
        break;
    }
    return {};
}

} // namespace

QString storedTypeNames()
{
    return joinTypeNames(&ParamType::stored);
}

QString shownTypeNames()
{
    return joinTypeNames(&ParamType::shown);
}

const QList<Placeholder> &placeholders()
{
    static const QList<Placeholder> list{
        {"Aktuelles_Bild", "#COMAKTBILD"},
        {"EBV_PFAD", "#COMEBVPATH"},
        {"EBVMASKE", "#COMEBVMASK"},
        {"EBVPFAD+MASKE", "#EBVPATHMASK"},
    };
    return list;
}

TCommandstrings BuildCommandstrings(const TExternApplication &application,
                                    const TExterncommand &command, const ParamValues &values)
{
    TCommandstrings strings{{QStringLiteral("Anwendung")}, {QStringLiteral("Befehl")},
                            {application.Path()}};
    for (int k = 0; k < command.Params.count(); ++k) {
        const TExternCommandParam &param = *command.Params.item(k);
        const int type = paramTypeIndex(param.Type);
        const std::optional<QString> value = k < values.size() ? values[k] : std::nullopt;
        strings.Names.append(param.Name);
        strings.Types.append(param.Type);
        strings.Pieces.append(type < 0 ? QString() : pieceOf(param, paramTypes()[type].rule, value));
    }
    return strings;
}

QString BuildCommandLine(const TExternApplication &application, const TExterncommand &command,
                         const ParamValues &values)
{
    const TCommandstrings strings = BuildCommandstrings(application, command, values);
    QString line = strings.Pieces.first();
    for (int row = 1; row < strings.Pieces.size(); ++row) {
        const int type = paramTypeIndex(strings.Types[row]);
        const PieceRule rule = type < 0 ? PieceRule::Nothing : paramTypes()[type].rule;
        if (rule == PieceRule::Nothing)
            continue;
        line += u' ' + strings.Pieces[row];
        if (rule == PieceRule::TwoPieces) // the second list has no control either
            line += u' ';
    }
    return line;
}

std::unique_ptr<TExternApplication> TExternApplications::CopyApplication(const TExternApplication &source) const
{
    return copyOf(source);
}

Result<> TExternApplications::LoadCatalogue(const QString &fileName)
{
    const IniFile ini(fileName);
    if (!ini.fileExists())
        return Failure{kLoadFailed + QStringLiteral("Datei nicht gefunden")};
    if (const Result<> readable = ini.readable(); !readable)
        return Failure{kLoadFailed + readable.error()};
    OwningList<TExternApplication> loaded;
    for (int i = 0; ini.hasSection(applicationSection(i)); ++i)
        loaded.append(readApplication(ini, i));
    Applications = std::move(loaded);
    m_fileName = fileName;
    m_loaded = true;
    return {};
}

Result<> TExternApplications::SaveCatalogue(const QString &fileName)
{
    IniFile ini(fileName);
    static const QRegularExpression ours(QStringLiteral("^Application_\\d+$"),
                                         QRegularExpression::CaseInsensitiveOption);
    IniEdits edits;
    for (const QString &section : ini.sections()) {
        if (ours.match(section).hasMatch())
            edits.eraseSection(section);
    }
    for (int i = 0; i < Applications.count(); ++i)
        writeApplication(edits, *Applications.item(i), i);
    Result<> saved = ini.apply(edits);
    if (saved)
        m_fileName = fileName;
    return saved;
}
