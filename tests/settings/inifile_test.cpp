#include "settings/inifile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test
{
protected:
    QString file(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath("test.ini");
        putFile(path, bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IniFileTest, ReadsValuesByTheRules)
{
    const IniFile ini(file("; comment\n"
                           "[Config]\r\n"
                           "Debug=1\r\n"
                           "Savepath=  /tmp/bilder/ \t\r\n"
                           "Quoted=\"  spaced  \"\r\n"
                           "Single='x'\r\n"
                           "Half=\"open\r\n"
                           "Inner=a\"b\"\r\n"
                           "Hex1=0x1F\r\n"
                           "Hex2=$ff\r\n"
                           "Hex3=0XaB\r\n"
                           "HexAll=$FFFFFFFF\r\n"
                           "HexBig=$100000000\r\n"
                           "HexBad=0xG1\r\n"
                           "HexEmpty=$\r\n"
                           "Neg=-12\r\n"
                           "Plus=+7\r\n"
                           "QuotedNumber=\"42\"\r\n"
                           "Bool2=2\r\n"
                           "BoolNeg=-1\r\n"
                           "Bool0=0\r\n"
                           "Text=True\r\n"
                           "Empty=\r\n"
                           "Big=2147483648\r\n"
                           "Max=2147483647\r\n"
                           "Mixed=12abc\r\n"
                           "Spaced=1 2\r\n"
                           "Nbsp=a\xA0\r\n"
                           "Umlaut=Gr\xF6\xDF" "e\r\n"
                           "Eq=a=b\r\n"
                           "dup=first\r\n"
                           "DUP=second\r\n"
                           "\r\n"
                           "[Viewer]\n"
                           "  ShowExtern = 0\n"));

    enum Kind { String, Integer, Bool };
    const struct
    {
        const char *section;
        const char *key;
        Kind kind;
        QString defaultValue;
        QString expected;
    } cases[] = {
        {"config", "DEBUG", Bool, "0", "1"},
        {"Config", "Savepath", String, "", "/tmp/bilder/"},
        {"Config", "Quoted", String, "", "  spaced  "},
        {"Config", "Single", String, "", "x"},
        {"Config", "Half", String, "", "\"open"},
        {"Config", "Inner", String, "", "a\"b\""},
        {"Config", "Hex1", Integer, "0", "31"},
        {"Config", "Hex2", Integer, "0", "255"},
        {"Config", "Hex3", Integer, "0", "171"},
        {"Config", "HexAll", Integer, "0", "-1"},
        {"Config", "HexBig", Integer, "5", "5"},
        {"Config", "HexBad", Integer, "5", "5"},
        {"Config", "HexEmpty", Integer, "5", "5"},
        {"Config", "Neg", Integer, "0", "-12"},
        {"Config", "Plus", Integer, "0", "7"},
        {"Config", "QuotedNumber", Integer, "0", "42"},
        {"Config", "Bool2", Bool, "0", "1"},
        {"Config", "BoolNeg", Bool, "0", "1"},
        {"Config", "Bool0", Bool, "1", "0"},
        {"Config", "Text", Bool, "0", "0"},
        {"Config", "Text", Bool, "1", "1"},
        {"Config", "Text", Integer, "7", "7"},
        {"Config", "Empty", Integer, "5", "5"},
        {"Config", "Empty", String, "default", ""},
        {"Config", "Big", Integer, "3", "3"},
        {"Config", "Max", Integer, "3", "2147483647"},
        {"Config", "Mixed", Integer, "4", "4"},
        {"Config", "Spaced", Integer, "4", "4"},
        {"Config", "Nbsp", String, "", QStringLiteral("a\u00A0")},
        {"Config", "Umlaut", String, "", QStringLiteral("Größe")},
        {"Config", "Eq", String, "", "a=b"},
        {"Config", "Dup", String, "", "first"},
        {"Config", "Missing", String, "def", "def"},
        {"Config", "Missing", Integer, "9", "9"},
        {"Nowhere", "Debug", Bool, "1", "1"},
        {"VIEWER", "showextern", Bool, "1", "0"},
    };
    for (const auto &c : cases) {
        QString got;
        switch (c.kind) {
        case String:
            got = ini.readString(c.section, c.key, c.defaultValue);
            break;
        case Integer:
            got = QString::number(ini.readInteger(c.section, c.key, c.defaultValue.toInt()));
            break;
        case Bool:
            got = ini.readBool(c.section, c.key, c.defaultValue == "1") ? "1" : "0";
            break;
        }
        EXPECT_EQ(got, c.expected) << c.section << "/" << c.key;
    }
}

TEST_F(IniFileTest, CutsLongValuesOnReadingOnly)
{
    const QByteArray longValue(3000, 'x');
    IniFile ini(file("[S]\r\nLong=" + longValue + "\r\nOther=1\r\n"));
    EXPECT_EQ(ini.readString("S", "Long").size(), IniFile::kMaxValueLength);
    EXPECT_EQ(IniFile::cleanValue("\"" + QString(2047, u'y') + "\"").size(), 2047);

    ASSERT_TRUE(ini.writeInteger("S", "Other", 2).ok());
    EXPECT_TRUE(fileBytes(ini.path()).contains("Long=" + longValue + "\r\n"));
}

TEST_F(IniFileTest, UpdatesInPlaceKeepingEverythingElse)
{
    IniFile ini(file("; settings\n"
                     "[Config]\n"
                     "Debug=0\n"
                     "; the root folder\n"
                     "Savepath = C:\\Bilder\\\n"
                     "\n"
                     "[Extra]\n"
                     "keep=me\n"
                     "junk line\n"
                     "\n"
                     "[ViewerSetup]\n"
                     "ShowIntern=0\n"));
    IniEdits edits;
    edits.writeBool("config", "DEBUG", true)
        .writeString("Config", "Projektname", "Hochzeit")
        .writeInteger("viewersetup", "Top", -5)
        .writeBool("ViewerSetup", "ShowIntern", false)
        .writeString("Enfuse", "EnfusePath", "/usr/bin/")
        .writeString("Config", "Savepath", "/home/bilder/");
    ASSERT_TRUE(ini.apply(edits).ok());

    EXPECT_EQ(fileBytes(ini.path()), QByteArray("; settings\r\n"
                                                "[Config]\r\n"
                                                "Debug=1\r\n"
                                                "; the root folder\r\n"
                                                "Savepath=/home/bilder/\r\n"
                                                "Projektname=Hochzeit\r\n"
                                                "\r\n"
                                                "[Extra]\r\n"
                                                "keep=me\r\n"
                                                "junk line\r\n"
                                                "\r\n"
                                                "[ViewerSetup]\r\n"
                                                "ShowIntern=0\r\n"
                                                "Top=-5\r\n"
                                                "[Enfuse]\r\n"
                                                "EnfusePath=/usr/bin/\r\n"));
}

TEST_F(IniFileTest, CreatesTheFileOnFirstWrite)
{
    IniFile ini(m_dir.filePath("new.ccf"));
    EXPECT_FALSE(ini.fileExists());
    EXPECT_EQ(ini.readInteger("Config", "Aufnahmenanzahl", 10), 10);
    ASSERT_TRUE(ini.eraseKey("Config", "Debug").ok());
    EXPECT_FALSE(ini.fileExists()) << "an edit that changes nothing writes nothing";

    ASSERT_TRUE(ini.writeString("Config", "Prefix", QStringLiteral("Ä€Ω")).ok());
    EXPECT_EQ(fileBytes(ini.path()), QByteArray("[Config]\r\nPrefix=\xC4\x80?\r\n"));
}

TEST_F(IniFileTest, WrittenTextsReadBackUnchanged)
{
    IniFile ini(m_dir.filePath("values.ini"));
    const struct
    {
        QString written;
        QString read;
        QByteArray line;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"", "", ""},
        {" lead", " lead", "\" lead\""},
        {"trail\t", "trail\t", "\"trail\t\""},
        {"\"quoted\"", "\"quoted\"", "\"\"quoted\"\""},
        {"'single'", "'single'", "\"'single'\""},
        {"\"half", "\"half", "\"half"},
        {"\"a b\",\"c d\"", "\"a b\",\"c d\"", "\"\"a b\",\"c d\"\""},  // comma text
        {"two\r\nlines\nmore", "two lines more", "two lines more"},
    };
    int n = 0;
    for (const auto &c : cases) {
        const QString key = QStringLiteral("K%1").arg(n++);
        ASSERT_TRUE(ini.writeString("S", key, c.written).ok());
        EXPECT_EQ(ini.readString("S", key, "default"), c.read) << c.written.toStdString();
        EXPECT_TRUE(fileBytes(ini.path()).contains(key.toLatin1() + '=' + c.line + "\r\n"))
            << c.written.toStdString();
    }
    EXPECT_EQ(ini.sections(), QStringList{"S"});
}

TEST_F(IniFileTest, ListsAndErases)
{
    IniFile ini(file("[A]\nx=1\n;note\ny= 'two' \nX=dup\n[b]\nz=3\n[a]\nw=4\n[C]\nq=5\n"));
    EXPECT_EQ(ini.sections(), (QStringList{"A", "b", "C"}));
    EXPECT_EQ(ini.keys("a"), (QStringList{"x", "y"}));
    const QList<std::pair<QString, QString>> values = {{"x", "1"}, {"y", "two"}};
    EXPECT_EQ(ini.sectionValues("A"), values);
    EXPECT_TRUE(ini.sectionValues("none").isEmpty());
    EXPECT_TRUE(ini.hasSection("B"));
    EXPECT_FALSE(ini.hasSection("D"));
    EXPECT_TRUE(ini.hasKey("b", "Z"));
    EXPECT_FALSE(ini.hasKey("b", "x"));

    ASSERT_TRUE(ini.eraseKey("a", "X").ok());
    EXPECT_FALSE(ini.hasKey("A", "x")) << "every copy of the key goes";
    ASSERT_TRUE(ini.eraseSection("A").ok());
    EXPECT_FALSE(ini.hasSection("A")) << "every block of the section goes";
    EXPECT_EQ(fileBytes(ini.path()), QByteArray("[b]\r\nz=3\r\n[C]\r\nq=5\r\n"));
}

TEST_F(IniFileTest, SeesChangesMadeByOthers)
{
    const QString path = file("[S]\nk=1\n");
    IniFile first(path);
    IniFile second(path);
    EXPECT_EQ(first.readInteger("S", "k", 0), 1);
    ASSERT_TRUE(second.writeInteger("S", "k", 2).ok());
    EXPECT_EQ(first.readInteger("S", "k", 0), 2);

    // Written behind our back, same size and same time stamp: only the content tells.
    const QDateTime stamp = QFileInfo(path).lastModified();
    putFile(path, "[S]\nk=333\n");
    QFile touched(path);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(stamp, QFileDevice::FileModificationTime));
    touched.close();
    EXPECT_EQ(first.readInteger("S", "k", 0), 333);
    ASSERT_TRUE(first.writeInteger("S", "other", 1).ok());
    EXPECT_EQ(fileBytes(path), QByteArray("[S]\r\nk=333\r\nother=1\r\n"));
}

TEST_F(IniFileTest, FailuresChangeNothing)
{
    // A folder cannot be read or replaced; the failure comes back as a value.
    IniFile ini(m_dir.path());
    EXPECT_EQ(ini.readString("S", "k", "def"), "def");
    const Result<> status = ini.writeString("S", "k", "v");
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.error().isEmpty());

    IniFile missingFolder(m_dir.filePath("no/such.ini"));
    EXPECT_FALSE(missingFolder.apply(IniEdits().writeString("S", "a", "1").writeString("S", "b", "2")).ok());
    EXPECT_FALSE(missingFolder.hasSection("S")) << "a failed save is not kept in memory";
}

TEST_F(IniFileTest, TwoThreadsLoseNoUpdate)
{
    // The second thread spells the path through a link to the folder: still the same file.
    const QString path = m_dir.filePath("shared.rccf");
    ASSERT_TRUE(QFile::link(m_dir.path(), m_dir.filePath("link")));
    const QString linkedPath = m_dir.filePath("link/shared.rccf");
    constexpr int kWrites = 100;
    auto writer = [&](const QString &filePath, const QString &section) {
        IniFile ini(filePath);  // each thread its own object
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_TRUE(ini.writeString(section, QStringLiteral("Key%1").arg(i), QString::number(i)));
            EXPECT_TRUE(ini.writeString("Common", section, QString::number(i)));
        }
    };
    std::thread a(writer, path, QStringLiteral("A"));
    std::thread b(writer, linkedPath, QStringLiteral("B"));
    a.join();
    b.join();

    const IniFile ini(path);
    for (const QString &section : {QStringLiteral("A"), QStringLiteral("B")}) {
        EXPECT_EQ(ini.keys(section).size(), kWrites) << section.toStdString();
        EXPECT_EQ(ini.readInteger("Common", section, -1), kWrites - 1);
    }
}

TEST_F(IniFileTest, UncutReadGivesLongValuesWhole)
{
    const QByteArray value(3000, 'x');
    const IniFile ini(file("[S]\r\nLong=  \"" + value + "\"  \r\n"));
    EXPECT_EQ(ini.readString("S", "Long").size(), IniFile::kMaxValueLength);
    EXPECT_EQ(ini.readStringUncut("S", "Long"), QString::fromLatin1(value));
    EXPECT_EQ(ini.readStringUncut("S", "Missing", "d"), "d");
}
