#pragma once

#include "camera/proptables.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

struct TBuiltCommand;

// The script texts the script window writes: the command line's wrapping and help, the value
// lines and the ready-made commands. Every string literal doubles its quotes and every
// statement ends with ";", so a value such as O'Brien never breaks the script.
namespace scripttexts {

// 'text' with every quote doubled.
QString pascalLiteral(const QString &text);
// "Setze('name','value',0);" and a line break.
QString setzeLine(const QString &name, const QString &value);

// The program a command-line entry runs.
QString commandLineScript(const QString &command);
// A whole command that asks for help ("hilfe", "HILFE()", "Hilfe iso"): its topic, possibly
// empty. Nothing for any other command, even one that merely contains the word.
std::optional<QString> helpTopic(const QString &command);
QString helpText();

// The rows of value buttons and the value boxes beside them: object names, caption, the names
// each writes and the field they read.
struct ValueButton
{
    const char *objectName;
    const char *caption;
    const char *settingName;
    const char *boxObjectName;
    const char *boxSettingName;
    CameraProperty property;
    bool inAll; // one of the lines of "Alle"
};
std::span<const ValueButton> valueButtons();

// The drop-down entries of a value list: the entry with the camera's current code marked "*".
QStringList markedEntries(const PropTable &table, qint64 currentCode);
// The picked entry without its marking star.
QString unmarkedEntry(const QString &entry);

// The ready-made commands of the macro list, in list order.
struct Macro
{
    const char *caption;
    const char *key;
};
std::span<const Macro> macros();

// The ebvcommando call for a command handed over by the command editor.
QString ebvCommandoCall(const TBuiltCommand &command);

} // namespace scripttexts
