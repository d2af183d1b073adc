#pragma once

#include "settings/textfile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

// A batch of changes for IniFile::apply: several writes, one save.
class IniEdits
{
public:
    IniEdits &writeString(const QString &section, const QString &key, const QString &value);
    IniEdits &writeInteger(const QString &section, const QString &key, int value);
    IniEdits &writeBool(const QString &section, const QString &key, bool value);
    IniEdits &eraseKey(const QString &section, const QString &key);
    IniEdits &eraseSection(const QString &section);
    bool isEmpty() const { return m_ops.isEmpty(); }

private:
    friend class IniFile;
    enum class Kind { Write, EraseKey, EraseSection };
    struct Op
    {
        Kind kind;
        QString section;
        QString key;
        QString value;
    };
    QList<Op> m_ops;
};

// The INI-style files of the program. Sections and keys match without regard to letter case.
// Values read trimmed of blanks and tabs, with one pair of enclosing quotes removed, and cut
// to 2047 characters. Integers read in decimal or as hexadecimal with "0x" or "$"; anything
// else reads as the default. Booleans are integers: written 1/0, any non-zero reads true.
//
// Every write updates the file at once and in place: other sections, keys, comments, blank
// lines and their order stay. A new key goes at the end of its section, a new section at the
// end of the file. All IniFile objects of one path in the process share one lock and one
// parsed copy, so objects in different threads lose no update; a change made to the file by
// someone else is noticed and read again.
class IniFile
{
public:
    static constexpr int kMaxValueLength = 2047;

    explicit IniFile(const QString &path);

    QString path() const { return m_path; }
    bool fileExists() const;
    // Failure when the file is there but cannot be read (it then reads as empty).
    Result<> readable() const;

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = {}) const;
    // As readString, without the length cut: for files that hold long command lines.
    QString readStringUncut(const QString &section, const QString &key,
                            const QString &defaultValue = {}) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    QStringList sections() const;
    QStringList keys(const QString &section) const;
    // Keys with their values as readString gives them, in file order.
    QList<std::pair<QString, QString>> sectionValues(const QString &section) const;
    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;

    Result<> writeString(const QString &section, const QString &key, const QString &value);
    Result<> writeInteger(const QString &section, const QString &key, int value);
    Result<> writeBool(const QString &section, const QString &key, bool value);
    Result<> eraseKey(const QString &section, const QString &key);
    Result<> eraseSection(const QString &section);
    // Applies all edits and saves once; on failure the file and this object stay unchanged.
    Result<> apply(const IniEdits &edits);

    // The value rules on their own, for text that does not come from a file.
    static QString cleanValue(const QString &raw, qsizetype maxLength = kMaxValueLength);
    static bool parseInteger(const QString &text, int *value);

    struct Shared;

private:
    QString m_path;
    std::shared_ptr<Shared> m_shared;
};
