#include "postprocess/commandfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CommandFileTest : public ::testing::Test
{
protected:
    void write(const QByteArray &bytes)
    {
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("run.rccf"));
};

// The defaults, the "SHOW" spelling, the end at the first gap, and a value longer than the
// 2,047 characters other files are cut to.
TEST_F(CommandFileTest, ReadsEachCommandInFullUpToTheFirstGap)
{
    const QByteArray longText(5000, 'p');
    write("[Command001]\r\nApplication=/usr/bin/convert\r\nParameter=" + longText
          + "\r\nWait=NOWAIT\r\nSHOW=SHOW\r\nDoLater=NO\r\nExecuted=YES\r\n"
            "[Command002]\r\nApplication=M\xe1laga\r\n"
            "[Command004]\r\nApplication=after the gap\r\n");
    const Result<QList<TBatchcommand>> read = ReadCommandFile(m_path);
    ASSERT_TRUE(read.ok());
    const QList<TBatchcommand> &commands = read.value();
    ASSERT_EQ(commands.size(), 2);
    EXPECT_EQ(commands[0].program, "/usr/bin/convert");
    EXPECT_EQ(commands[0].arguments, QString::fromLatin1(longText));
    EXPECT_FALSE(commands[0].wait);
    EXPECT_TRUE(commands[0].show);
    EXPECT_FALSE(commands[0].doLater);
    EXPECT_TRUE(commands[0].executed);
    EXPECT_EQ(commands[1].program, QStringLiteral("M\u00e1laga"));
    EXPECT_EQ(commands[1].section, "Command002");
    EXPECT_TRUE(commands[1].wait);
    EXPECT_FALSE(commands[1].show);
    EXPECT_TRUE(commands[1].doLater);
    EXPECT_FALSE(commands[1].executed);
}

TEST_F(CommandFileTest, AMissingFileGivesItsMessage)
{
    const Result<QList<TBatchcommand>> read = ReadCommandFile(m_path);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error(), "Commandofile " + m_path + "wurde nicht gefunden");
}

} // namespace
