// The window search on a real X server of the test's own, with another program's window.
#include "platform/x11windows.h"

#include "ownxserver.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(X11WindowSearch, FindsAnotherProgramsWindowByTitlePartAndMovesIt)
{
    OwnXServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "no X server";
    QProcess client;
    client.setProcessEnvironment(server.environment());
    client.start(QStringLiteral("xmessage"),
                 {QStringLiteral("-title"), QStringLiteral("Mein Bildbetrachter - IMG0001.JPG"),
                  QStringLiteral("-geometry"), QStringLiteral("+5+5"), QStringLiteral("Hallo")});
    ASSERT_TRUE(client.waitForStarted(10000));

    X11Windows windows(server.display());
    ASSERT_TRUE(windows.connected());
    EXPECT_FALSE(windows.hasWindowManager());
    std::optional<X11Windows::WindowId> found;
    ASSERT_TRUE(pollUntil([&] { return (found = windows.findWindowByTitle(QStringLiteral("BILDbetrachter"))).has_value(); }));
    EXPECT_EQ(windows.title(*found), QStringLiteral("Mein Bildbetrachter - IMG0001.JPG"));
    EXPECT_EQ(windows.topLevelWindows().value(0), *found);

    // Nothing matches an empty part, nor a part no title has.
    EXPECT_FALSE(windows.findWindowByTitle(QString()));
    EXPECT_FALSE(windows.findWindowByTitle(QStringLiteral("Fotoschau")));

    ASSERT_TRUE(windows.moveResize(*found, QRect(40, 60, 320, 200)));
    EXPECT_TRUE(pollUntil([&] { return windows.geometry(*found) == QRect(40, 60, 320, 200); }))
        << windows.geometry(*found).value_or(QRect()).x();
    // A size of zero moves nothing.
    EXPECT_FALSE(windows.moveResize(*found, QRect(0, 0, 0, 100)));
    EXPECT_EQ(windows.geometry(*found), QRect(40, 60, 320, 200));
    EXPECT_TRUE(windows.activate(*found));
    // A window that is gone fails without ending anything.
    EXPECT_FALSE(windows.moveResize(0x7FFFFFF, QRect(1, 1, 10, 10)));
    EXPECT_TRUE(windows.title(0x7FFFFFF).isEmpty());

    client.kill();
    client.waitForFinished(10000);
}

} // namespace
