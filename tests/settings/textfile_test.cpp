#include "settings/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(TextFile, SplitsOnCrLfAndLf)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QStringList expected;
    } cases[] = {
        {"empty", "", {}},
        {"no line end", "a", {"a"}},
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"lf", "a\nb\n", {"a", "b"}},
        {"last line without end", "a\r\nb", {"a", "b"}},
        {"blank lines", "\r\n\na\r\n\r\n", {"", "", "a", ""}},
        {"lone cr stays", "a\rb\n", {"a\rb"}},
        {"windows-1252", "\xE4\x80\r\n", {QStringLiteral("ä€")}},
        {"utf-8 mark", "\xEF\xBB\xBF[a]\r\n\xC3\xA4\r\n", {"[a]", QStringLiteral("ä")}},
        {"mark before no utf-8", "\xEF\xBB\xBF\xE4\r\n", {QStringLiteral("ä")}},
        {"mark alone", "\xEF\xBB\xBF", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(textfile::splitLines(c.bytes), c.expected) << c.name;
}

TEST(TextFile, WritesCrLfInWindows1252AndReadsItBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    const QStringList lines = {QStringLiteral("Größe €"), QString(), QStringLiteral("Ω")};
    ASSERT_TRUE(textfile::writeLines(path, lines).ok());
    EXPECT_EQ(fileBytes(path), QByteArray("Gr\xF6\xDF" "e \x80\r\n\r\n?\r\n"));

    const textfile::Lines read = textfile::readLines(path);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.lines, (QStringList{QStringLiteral("Größe €"), QString(), "?"}));
}

TEST(TextFile, ReportsFailuresAsValues)
{
    QTemporaryDir dir;
    const textfile::Lines missing = textfile::readLines(dir.filePath("none.txt"));
    EXPECT_TRUE(missing.notFound);
    EXPECT_FALSE(missing.ok());

    const textfile::Lines folder = textfile::readLines(dir.path());
    EXPECT_FALSE(folder.notFound);
    EXPECT_FALSE(folder.ok());

    const Result<> status = textfile::writeLines(dir.filePath("no/such/folder/x.txt"), {"a"});
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.error().isEmpty());
}

TEST(TextFile, FailedWriteLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.txt");
    ASSERT_TRUE(textfile::writeLines(path, {"old"}).ok());

    // A file size limit makes the write fail half-way, even for root.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result<> status = textfile::writeLines(path, {QString(5000, u'x')});
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(status.ok());
    EXPECT_EQ(fileBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});
}
