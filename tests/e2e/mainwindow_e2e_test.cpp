#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include "ownxserver.h"
#include "x11windows.h"

namespace {

const QString BinDir = QStringLiteral(TESSARO_BIN_DIR);

TEST(Program, StartsWithTheSimulatedCameraAndShowsItsMainWindow)
{
    OwnXServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "no X server";

    QProcess program;
    QProcessEnvironment env = server.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("TESSARO_SIM"), QStringLiteral("camera=1"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(BinDir);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QDir(BinDir).filePath(QStringLiteral("tessaro")), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    const bool shown = pollUntil([&] {
        return showsWindowTitled(server.display(), QStringLiteral("Tessaro für Canon EOS DSLR"))
               || program.state() == QProcess::NotRunning;
    }, 30000);
    EXPECT_TRUE(shown);
    EXPECT_EQ(program.state(), QProcess::Running) << "the program ended by itself";

    program.terminate();
    if (!program.waitForFinished(10000))
        program.kill();
    program.waitForFinished(10000);
}

} // namespace
