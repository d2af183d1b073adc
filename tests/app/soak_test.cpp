// The picture path over a long mixed run with faults; see tests/support/soakdriver.h.
#include "mainwindowtest.h"
#include "soakdriver.h"

#include "app/shooting.h"
#include "camera/madeimages.h"
#include "sequence/commandlist.h"
#include "ui/mainform.h"

#include <QTemporaryDir>

#include <cstdlib>
#include <iostream>

namespace {

// TESSARO_SOAK_SEED runs another seed.
quint32 soakSeed()
{
    const QByteArray seed = qgetenv("TESSARO_SOAK_SEED");
    return seed.isEmpty() ? 20260114u : seed.toUInt();
}

class Soak : public MainWindowTest
{
protected:
    const char *bodyConfig() const override { return config.c_str(); }

    void SetUp() override
    {
        ASSERT_TRUE(pictures.isValid() && home.isValid());
        // The rescue folder lies below the home folder.
        oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        MainWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        connectAndSettle();
        MadeImages().clear();
        CommandList().clear();
        TimeLapseRunning = SequenceRunning = AutomaticRelease = EndAfterShoot = false;
    }

    void TearDown() override
    {
        MainWindowTest::TearDown();
        qputenv("HOME", oldHome);
    }

    SoakPlan plan = SoakPlan::make(soakSeed(), 200);
    std::string config = plan.bodyConfig();
    QTemporaryDir pictures;
    QTemporaryDir home;
    QByteArray oldHome;
};

TEST_F(Soak, EveryPictureIsStoredWholeOrReportedAndRecordedWithItsSettings)
{
    const SoakResult result = runSoak(plan, *form, *dispatcher, clock, pictures.path() + QLatin1Char('/'));
    std::cout << "seed " << plan.seed << ": " << result.summary().toStdString() << std::endl;

    EXPECT_TRUE(result.finished);
    EXPECT_TRUE(result.problems.isEmpty()) << "seed " << plan.seed << ":\n"
                                           << result.problems.join(QLatin1Char('\n')).toStdString();
    // The run met what it is meant to meet.
    EXPECT_GE(result.frames, plan.frames);
    EXPECT_GT(result.failed, 0);
    EXPECT_GT(result.rescued, 0);
    EXPECT_GT(result.lostFrames, 0);
    EXPECT_GT(result.reconnects, 0);
}

} // namespace
