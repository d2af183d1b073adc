#include "settings/inifile.h"

#include "platform/texthelpers.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// Only blanks and tabs: the non-breaking space is meaningful inside values.
QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isQuote(QChar c) { return c == u'"' || c == u'\''; }

// Up to 32 bits of hexadecimal digits, nothing else.
std::optional<quint32> parseHex(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + quint64(d);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return quint32(value);
}

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct Entry
{
    QString text;
    QString key;  // empty unless the line is a key line
};

struct Section
{
    QString header;
    QString name;
    QList<Entry> lines;
};

struct Document
{
    QList<Entry> preamble;  // lines before the first section
    QList<Section> sections;
};

Entry parseEntry(const QString &line)
{
    const QStringView text = trimBlanks(line);
    if (text.startsWith(u';'))
        return {line, {}};
    const qsizetype eq = text.indexOf(u'=');
    if (eq <= 0)
        return {line, {}};
    return {line, trimBlanks(text.first(eq)).toString()};
}

// The section name of a header line; nothing for any other line.
std::optional<QString> headerName(const QString &line)
{
    const QStringView text = trimBlanks(line);
    if (!text.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = text.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimBlanks(text.sliced(1, close - 1)).toString();
}

Document parse(const QStringList &lines)
{
    Document doc;
    for (const QString &line : lines) {
        if (const std::optional<QString> name = headerName(line))
            doc.sections.append({line, *name, {}});
        else if (doc.sections.isEmpty())
            doc.preamble.append(parseEntry(line));
        else
            doc.sections.last().lines.append(parseEntry(line));
    }
    return doc;
}

QStringList serialize(const Document &doc)
{
    QStringList lines;
    for (const Entry &e : doc.preamble)
        lines.append(e.text);
    for (const Section &s : doc.sections) {
        lines.append(s.header);
        for (const Entry &e : s.lines)
            lines.append(e.text);
    }
    return lines;
}

const Section *findSection(const Document &doc, const QString &name)
{
    for (const Section &s : doc.sections) {
        if (sameName(s.name, name))
            return &s;
    }
    return nullptr;
}

const Entry *findKey(const Section &section, const QString &key)
{
    for (const Entry &e : section.lines) {
        if (!e.key.isEmpty() && sameName(e.key, key))
            return &e;
    }
    return nullptr;
}

QString rawValue(const Entry &e) { return e.text.mid(e.text.indexOf(u'=') + 1); }

// A value is stored so that reading gives it back: line breaks would split the line, and
// edge blanks or a pair of enclosing quotes would be eaten by the read rules.
QString storedValue(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    const bool edgeBlank = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    const bool quoted = value.size() >= 2 && isQuote(value.front()) && value.front() == value.back();
    if (edgeBlank || quoted)
        return u'"' + value + u'"';
    return value;
}

void writeValue(Document &doc, const QString &sectionName, const QString &key, const QString &value)
{
    auto sec = std::find_if(doc.sections.begin(), doc.sections.end(),
                            [&](const Section &s) { return sameName(s.name, sectionName); });
    if (sec == doc.sections.end()) {
        doc.sections.append({u'[' + sectionName + u']', sectionName, {}});
        sec = doc.sections.end() - 1;
    }
    const QString stored = storedValue(value);
    qsizetype insertAt = 0;
    qsizetype lastNonBlank = -1;
    for (qsizetype i = 0; i < sec->lines.size(); ++i) {
        Entry &e = sec->lines[i];
        if (!e.key.isEmpty() && sameName(e.key, key)) {
            e.text = e.key + u'=' + stored;  // the file's spelling of the key stays
            return;
        }
        if (!e.key.isEmpty())
            insertAt = i + 1;
        if (!trimBlanks(e.text).isEmpty())
            lastNonBlank = i;
    }
    if (insertAt == 0)
        insertAt = lastNonBlank + 1;
    sec->lines.insert(insertAt, {key + u'=' + stored, key});
}

void eraseKeyIn(Document &doc, const QString &sectionName, const QString &key)
{
    for (Section &s : doc.sections) {
        if (sameName(s.name, sectionName))
            s.lines.removeIf([&](const Entry &e) { return !e.key.isEmpty() && sameName(e.key, key); });
    }
}

void eraseSectionIn(Document &doc, const QString &sectionName)
{
    doc.sections.removeIf([&](const Section &s) { return sameName(s.name, sectionName); });
}

struct Stamp
{
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
    bool operator==(const Stamp &) const = default;
};

Stamp stampOf(const QString &path)
{
    QFileInfo info(path);
    info.setCaching(false);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified()};
}

// One key per file however the path is spelt; the folder is resolved even before the file
// exists, so that objects made before and after its creation share their lock.
QString canonicalKey(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QDir::cleanPath(info.absoluteFilePath());
    return QDir(folder).filePath(info.fileName());
}

} // namespace

struct IniFile::Shared
{
    explicit Shared(const QString &p) : path(p) {}

    // Brings the parsed copy up to date with the file. Call with the mutex held.
    Result<> refresh()
    {
        const Stamp current = stampOf(path);
        if (loaded && current == stamp && !racy())
            return {};
        const QDateTime readAt = QDateTime::currentDateTimeUtc();
        textfile::Bytes read = textfile::readBytes(path);
        if (!read.ok() && !read.notFound) {
            loaded = false;
            doc = {};
            bytes.clear();
            return Failure{read.error};
        }
        if (!loaded || current != stamp || read.bytes != bytes) {
            doc = parse(textfile::splitLines(read.bytes));
            bytes = std::move(read.bytes);
        }
        stamp = current;
        verifiedAt = readAt;
        loaded = true;
        return {};
    }

    // File times can be as coarse as two seconds. While the file is younger than that at
    // the last look, a change need not show in its stamp, so the content is compared.
    bool racy() const
    {
        constexpr qint64 kTimeGrainMs = 2000;
        return stamp.exists && stamp.modified.msecsTo(verifiedAt) <= kTimeGrainMs;
    }

    void saved(QByteArray content, Document newDoc, const QDateTime &savedAt)
    {
        bytes = std::move(content);
        doc = std::move(newDoc);
        stamp = stampOf(path);
        verifiedAt = savedAt;
    }

    QMutex mutex;
    const QString path;
    bool loaded = false;
    Stamp stamp;
    QDateTime verifiedAt;  // when the file last held `bytes`
    QByteArray bytes;
    Document doc;
};

namespace {

std::shared_ptr<IniFile::Shared> sharedFor(const QString &path)
{
    static QMutex registryMutex;
    static std::map<QString, std::weak_ptr<IniFile::Shared>> registry;

    const QString key = canonicalKey(path);
    QMutexLocker lock(&registryMutex);
    std::erase_if(registry, [](const auto &item) { return item.second.expired(); });
    std::weak_ptr<IniFile::Shared> &slot = registry[key];
    std::shared_ptr<IniFile::Shared> shared = slot.lock();
    if (!shared) {
        shared = std::make_shared<IniFile::Shared>(key);
        slot = shared;
    }
    return shared;
}

template<typename F>
auto withDocument(IniFile::Shared &shared, F &&f)
{
    QMutexLocker lock(&shared.mutex);
    // An unreadable file reads as empty; readable() tells the two apart.
    (void)shared.refresh();
    return f(std::as_const(shared.doc));
}

} // namespace

IniEdits &IniEdits::writeString(const QString &section, const QString &key, const QString &value)
{
    m_ops.append({Kind::Write, section, key, value});
    return *this;
}

IniEdits &IniEdits::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

IniEdits &IniEdits::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

IniEdits &IniEdits::eraseKey(const QString &section, const QString &key)
{
    m_ops.append({Kind::EraseKey, section, key, {}});
    return *this;
}

IniEdits &IniEdits::eraseSection(const QString &section)
{
    m_ops.append({Kind::EraseSection, section, {}, {}});
    return *this;
}

IniFile::IniFile(const QString &path) : m_path(path), m_shared(sharedFor(path)) {}

bool IniFile::fileExists() const { return QFileInfo::exists(m_shared->path); }

Result<> IniFile::readable() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->refresh();
}

QString IniFile::cleanValue(const QString &raw, qsizetype maxLength)
{
    QStringView value = trimBlanks(raw);
    if (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back())
        value = value.sliced(1, value.size() - 2);
    return value.first(std::min<qsizetype>(value.size(), maxLength)).toString();
}

bool IniFile::parseInteger(const QString &text, int *value)
{
    QStringView s(text);
    const bool negative = s.startsWith(u'-');
    if (negative || s.startsWith(u'+'))
        s = s.sliced(1);
    if (s.startsWith(u'$') || s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const std::optional<quint32> hex = parseHex(s.sliced(s.startsWith(u'$') ? 1 : 2));
        if (!hex)
            return false;
        // 32 bits as written: "$FFFFFFFF" is -1
        *value = qint32(negative ? 0u - *hex : *hex);
        return true;
    }
    if (s.isEmpty() || !std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit() && c.unicode() < 0x80; }))
        return false;
    bool ok = false;
    const qlonglong magnitude = s.toLongLong(&ok);
    if (!ok)
        return false;
    const qlonglong signedValue = negative ? -magnitude : magnitude;
    if (signedValue < std::numeric_limits<int>::min() || signedValue > std::numeric_limits<int>::max())
        return false;
    *value = int(signedValue);
    return true;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return withDocument(*m_shared, [&](const Document &doc) {
        const Section *s = findSection(doc, section);
        const Entry *e = s ? findKey(*s, key) : nullptr;
        return e ? cleanValue(rawValue(*e)) : defaultValue;
    });
}

QString IniFile::readStringUncut(const QString &section, const QString &key,
                                 const QString &defaultValue) const
{
    return withDocument(*m_shared, [&](const Document &doc) {
        const Section *s = findSection(doc, section);
        const Entry *e = s ? findKey(*s, key) : nullptr;
        return e ? cleanValue(rawValue(*e), rawValue(*e).size()) : defaultValue;
    });
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    int value = 0;
    return parseInteger(readString(section, key), &value) ? value : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QStringList IniFile::sections() const
{
    return withDocument(*m_shared, [](const Document &doc) {
        QStringList names;
        for (const Section &s : doc.sections) {
            if (!names.contains(s.name, Qt::CaseInsensitive))
                names.append(s.name);
        }
        return names;
    });
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList names;
    for (const auto &item : sectionValues(section))
        names.append(item.first);
    return names;
}

QList<std::pair<QString, QString>> IniFile::sectionValues(const QString &section) const
{
    return withDocument(*m_shared, [&](const Document &doc) {
        QList<std::pair<QString, QString>> values;
        const Section *s = findSection(doc, section);
        if (!s)
            return values;
        for (const Entry &e : s->lines) {
            if (e.key.isEmpty())
                continue;
            const bool seen = std::any_of(values.cbegin(), values.cend(),
                                          [&](const auto &item) { return sameName(item.first, e.key); });
            if (!seen)
                values.append({e.key, cleanValue(rawValue(e))});
        }
        return values;
    });
}

bool IniFile::hasSection(const QString &section) const
{
    return withDocument(*m_shared, [&](const Document &doc) { return findSection(doc, section) != nullptr; });
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return withDocument(*m_shared, [&](const Document &doc) {
        const Section *s = findSection(doc, section);
        return s && findKey(*s, key);
    });
}

Result<> IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    return apply(IniEdits().writeString(section, key, value));
}

Result<> IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return apply(IniEdits().writeInteger(section, key, value));
}

Result<> IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return apply(IniEdits().writeBool(section, key, value));
}

Result<> IniFile::eraseKey(const QString &section, const QString &key)
{
    return apply(IniEdits().eraseKey(section, key));
}

Result<> IniFile::eraseSection(const QString &section)
{
    return apply(IniEdits().eraseSection(section));
}

Result<> IniFile::apply(const IniEdits &edits)
{
    Shared &shared = *m_shared;
    QMutexLocker lock(&shared.mutex);
    // An unreadable file is never replaced by one holding only these edits.
    if (Result<> status = shared.refresh(); !status)
        return status;
    Document doc = shared.doc;
    const QStringList before = serialize(doc);
    for (const IniEdits::Op &op : edits.m_ops) {
        switch (op.kind) {
        case IniEdits::Kind::Write:
            writeValue(doc, op.section, op.key, op.value);
            break;
        case IniEdits::Kind::EraseKey:
            eraseKeyIn(doc, op.section, op.key);
            break;
        case IniEdits::Kind::EraseSection:
            eraseSectionIn(doc, op.section);
            break;
        }
    }
    const QStringList after = serialize(doc);
    if (after == before)
        return {};
    QByteArray content = textfile::joinLines(after);
    const QDateTime savedAt = QDateTime::currentDateTimeUtc();
    Result<> status = textfile::writeBytes(shared.path, content);
    if (status)
        shared.saved(std::move(content), std::move(doc), savedAt);
    return status;
}
