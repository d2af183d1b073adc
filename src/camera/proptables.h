#pragma once

#include <QString>

#include <array>
#include <deque>
#include <optional>
#include <string_view>

// One value of one camera property: display text and SDK code.
struct TPropList
{
    QString Name;
    quint32 ID = 0;
    bool Enabled = false;
};

// Entries are appended while list items hold references to them; a deque keeps those
// references valid on append (replacing a whole table does not).
using PropTable = std::deque<TPropList>;

// The ten adjustable properties, in the order of the blocks of the property file.
enum class CameraProperty {
    AEMode,
    Av,
    Tv,
    ISO,
    WhiteBalance,
    AFMode,
    Quality,
    ExpComp,
    Metering,
    DriveMode,
};
inline constexpr int CameraPropertyCount = 10;

struct CameraPropertyInfo
{
    CameraProperty property;
    quint32 sdkId;
    std::string_view fileHeader;                 // block header line of the property file
    std::array<std::string_view, 2> scriptNames; // upper case; unused slots are empty
    bool matchContains;                          // text lookups match a part of the name
};

// All ten, in file order.
const std::array<CameraPropertyInfo, CameraPropertyCount> &cameraProperties();
const CameraPropertyInfo &cameraPropertyInfo(CameraProperty property);
// Case-insensitive; nullptr for a name no property answers to.
const CameraPropertyInfo *cameraPropertyByScriptName(const QString &name);
const CameraPropertyInfo *cameraPropertyBySdkId(quint32 sdkId);

// Every value the program knows (loaded from the property file, grown at run time).
PropTable &MasterTable(CameraProperty property);
// The values offered now.
PropTable &CurrentTable(CameraProperty property);
// Empties all twenty tables.
void resetPropertyTables();

// First entry with this code, or nullptr.
TPropList *findEntryByCode(PropTable &table, quint32 code);
// Appends the entry for a code the table does not know: "Unbekannt" + code, enabled.
TPropList &appendUnknownEntry(PropTable &master, quint32 code);

// Script-name lookups, all against the current tables.
// SDK number of the property, 0 for an unknown name.
quint32 PropertyIdByName(const QString &name);
// Name of the first entry with this code; empty when none matches (a negative code never does).
QString PropertyTextByCode(const QString &name, qint64 code);
// Code of the entry `offset` places after the first one whose name matches `text`
// (white balance and metering: name contains text; others: equal, letters a to z
// upper-cased on both sides). No value for an empty text, when nothing matches, the name is
// unknown or the offset leaves the table.
std::optional<quint32> PropertyCodeByText(const QString &name, const QString &text, int offset);

struct KeepAliveInterval
{
    const char *Name;
    int ID; // timer period in seconds, 0 = off
};
// The choices of the keep-alive timer, in list order.
const std::array<KeepAliveInterval, 7> &keepAliveIntervals();
