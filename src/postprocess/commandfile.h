#pragma once

#include "platform/result.h"
#include "postprocess/commandqueue.h"

#include <QList>
#include <QString>

class IniEdits;
class IniFile;

// The command file (".rccf") of a worker: one section per queued command, "Command" and its
// number from 1 with at least three digits, keys in the order Application, Parameter, Wait,
// Show, DoLater, Executed.

QString commandSectionName(int number);
// The highest number among the file's command sections, 0 without any.
int highestCommandSection(const IniFile &file);
// The six keys of command.section, "Executed" being "NO".
void recordCommand(IniEdits &edits, const TBatchcommand &command);
void recordExecuted(IniEdits &edits, const QString &section);

// Every command of the file, from Command001 up to the first number without a section, with
// its values in full. Failure with the text to show when there is no such file.
Result<QList<TBatchcommand>> ReadCommandFile(const QString &path);
