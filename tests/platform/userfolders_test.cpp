#include "platform/userfolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <vector>

namespace {

// A scratch HOME with no XDG overrides, restored afterwards.
class UserFoldersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv("HOME", m_home.path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
    }
    void TearDown() override
    {
        for (const EnvValue &s : m_saved) {
            if (s.set)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }

    struct EnvValue { const char *name; QByteArray value; bool set; };
    std::vector<EnvValue> m_saved;
    QTemporaryDir m_home;
};

// An unpacked copy or a build: everything stays where it always was.
TEST_F(UserFoldersTest, WritableProgramFolderKeepsFilesBesideTheProgramAndInTheWorkingFolder)
{
    QTemporaryDir program;
    const QString cwd = QDir::currentPath() + u'/';
    EXPECT_EQ(userFolder(UserFolder::Pictures, program.path()), program.path() + u'/');
    EXPECT_EQ(userFolder(UserFolder::Documents, program.path()), cwd);
    EXPECT_EQ(userFolder(UserFolder::Logs, program.path()), cwd);
    EXPECT_EQ(userFolder(UserFolder::NamedFiles, program.path()), program.path() + u'/');
    EXPECT_FALSE(QFileInfo::exists(m_home.filePath(QStringLiteral("Pictures"))));
}

// A folder that does not exist stands for one the user may not write: as root every existing
// folder counts as writable.
TEST_F(UserFoldersTest, InstalledProgramUsesTheUsersPlacesAndMakesThem)
{
    const QString installed = m_home.filePath(QStringLiteral("usr/lib/tessaro"));
    const QString home = m_home.path() + u'/';
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u'/';
    ASSERT_TRUE(data.startsWith(home));
    const struct { UserFolder kind; QString expected; } cases[] = {
        {UserFolder::Pictures, home + QStringLiteral("Pictures/Tessaro/")},
        {UserFolder::Documents, home + QStringLiteral("Documents/Tessaro/")},
        {UserFolder::Logs, data},
        // where the dialogs save them, so "comfile=serie" finds what was saved as serie.clf
        {UserFolder::NamedFiles, home + QStringLiteral("Documents/Tessaro/")},
    };
    for (const auto &c : cases) {
        const QString folder = userFolder(c.kind, installed);
        EXPECT_EQ(folder, c.expected);
        EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(installed));
}

} // namespace
