#pragma once

#include "platform/result.h"
#include "sequence/commandlist.h"

#include <QString>

class IniFile;

// Command list file (".clf"): "Commandcount" in section "Setup", then one section
// "Command n" per command, counting from 0. AFMode, DriveMode, Metering and FlashComp are
// not stored.

// Writes the count and one section per command; sections of an earlier, longer list stay.
Result<> writeCommandList(const QString &path, const SequenceSteps &steps);
// The commands the file holds, with the defaults for missing keys. Fails when the count
// names a section that is not there.
Result<SequenceSteps> readCommandList(const IniFile &ini);

// Reads the file into CommandList(). A name without a folder is looked up in the current
// working folder. A missing, unreadable or damaged file is reported and changes nothing.
bool LoadCommandlist2(const QString &path);
// Writes CommandList(); a failed write is reported.
bool saveCommandList(const QString &path);

// The menu entries "Bilderfolge", "Laden" and "Speichern": ask for a file, then load or
// save it. False on Cancel or failure.
bool BilderfolgeLaden();
bool SpeicherBilderfolge2();
