#include "sequence/commandlistfile.h"

#include "platform/dialogs.h"
#include "settings/inifile.h"
#include "settings/settingsmessages.h"

#include <algorithm>

namespace {

const QString SetupSection = QStringLiteral("Setup");
const QString CountKey = QStringLiteral("Commandcount");
// What a file without a count holds.
constexpr int DefaultCount = 6;
constexpr int KeyLength = 15;

// One stored field: a setting as a name key and a code key, or a plain number.
struct StoredField
{
    const char *key;
    const char *idKey = nullptr;
    TPropList TCamerasettings::*setting = nullptr;
    qint32 TCamerasettings::*number = nullptr;
    int defaultValue = 0;
};

// In the order the keys are written.
const StoredField Fields[] = {
    {"AeModeName", "AeModeId", &TCamerasettings::AEMode},
    {"AVNAME", "AVId", &TCamerasettings::Av},
    {"TVNAME", "TVId", &TCamerasettings::Tv},
    {"Bulbtime", nullptr, nullptr, &TCamerasettings::Bulbtime, 15},
    {"IsoName", "IsoId", &TCamerasettings::ISO},
    {"WAName", "WAId", &TCamerasettings::WB},
    {"QualityName", "QualityId", &TCamerasettings::Quality},
    {"ExpcompName", "ExpCompId", &TCamerasettings::ExpComp},
    {"Delstd", nullptr, nullptr, &TCamerasettings::PauseHours, 0},
    {"Delmin", nullptr, nullptr, &TCamerasettings::PauseMinutes, 0},
    {"Delsek", nullptr, nullptr, &TCamerasettings::PauseSeconds, 15},
};

QString paddedKey(const char *key)
{
    return QString::fromLatin1(key).leftJustified(KeyLength, QLatin1Char('_'));
}

QString commandSection(int index)
{
    return QStringLiteral("Command ") + QString::number(index);
}

void writeCommand(IniEdits &edits, const QString &section, const TCamerasettings &command)
{
    for (const StoredField &field : Fields) {
        if (field.setting) {
            const TPropList &setting = command.*field.setting;
            edits.writeString(section, paddedKey(field.key), setting.Name);
            // Codes are stored as signed 32-bit numbers.
            edits.writeInteger(section, paddedKey(field.idKey), qint32(setting.ID));
        } else {
            edits.writeInteger(section, paddedKey(field.key), command.*field.number);
        }
    }
}

TCamerasettings readCommand(const IniFile &ini, const QString &section)
{
    TCamerasettings command;
    for (const StoredField &field : Fields) {
        if (field.setting) {
            TPropList &setting = command.*field.setting;
            setting.Name = ini.readString(section, paddedKey(field.key));
            setting.ID = quint32(ini.readInteger(section, paddedKey(field.idKey), 0));
        } else {
            command.*field.number = ini.readInteger(section, paddedKey(field.key), field.defaultValue);
        }
    }
    return command;
}

FileDialogOptions commandListFileOptions()
{
    FileDialogOptions options;
    options.fileName = QStringLiteral("Commandlist.clf");
    options.defaultExtension = QStringLiteral("*clf");
    options.filter = QStringLiteral("*.clf|*.CLF");
    return options;
}

} // namespace

Result<> writeCommandList(const QString &path, const SequenceSteps &steps)
{
    IniEdits edits;
    edits.writeInteger(SetupSection, CountKey, int(steps.size()));
    for (qsizetype i = 0; i < steps.size(); ++i)
        writeCommand(edits, commandSection(int(i)), steps[i]);
    IniFile ini(path);
    return ini.apply(edits);
}

Result<SequenceSteps> readCommandList(const IniFile &ini)
{
    const int count = std::max(0, ini.readInteger(SetupSection, CountKey, DefaultCount));
    SequenceSteps steps;
    // The count is checked against the sections one by one, so a huge count stops at the
    // first section that is missing.
    for (int i = 0; i < count; ++i) {
        const QString section = commandSection(i);
        if (!ini.hasSection(section))
            return Failure{QStringLiteral("[") + section + QStringLiteral("] fehlt")};
        steps.append(readCommand(ini, section));
    }
    return steps;
}

bool LoadCommandlist2(const QString &path)
{
    const QString fullPath = inWorkingFolder(path);
    const IniFile ini(fullPath);
    if (!settingsFileReadable(fullPath, ini))
        return false;
    Result<SequenceSteps> steps = readCommandList(ini);
    if (!steps) {
        reportDamagedSettingsFile(fullPath);
        return false;
    }
    CommandList() = std::move(steps.value());
    return true;
}

bool saveCommandList(const QString &path)
{
    const Result<> written = writeCommandList(path, CommandList());
    if (!written)
        reportUnwritableSettingsFile(path, written.error());
    return written.ok();
}

bool BilderfolgeLaden()
{
    const auto path = appDialogs().openFile(commandListFileOptions());
    return path && LoadCommandlist2(*path);
}

bool SpeicherBilderfolge2()
{
    const auto path = appDialogs().saveFile(commandListFileOptions());
    return path && saveCommandList(*path);
}
