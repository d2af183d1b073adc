#pragma once

#include "mainwindowtest.h"

#include "app/eventdispatch.h"
#include "app/mainformview.h"
#include "app/shooting.h"
#include "camera/cameraevents.h"
#include "camera/madeimages.h"
#include "sequence/commandlist.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// Counts the picture-stored messages that reach the main window.
class StoredCounter : public QObject
{
public:
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Type(WM_IMAGESTORED))
            ++count;
        return false;
    }
};

class ShootingTest : public MainWindowTest
{
protected:
    const char *bodyConfig() const override
    {
        return "camera=1;legacy=0;modedial=3;battery=80;firstnumber=815";
    }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        connectAndSettle();
        if (HasFatalFailure())
            return;
        view = std::make_unique<MainFormView>(*form);
        shooting = new Shooting(*view, dispatcher->transfer(), form.get());
        wireShootingControls(*form, *shooting);
        MadeImages().clear();
        CommandList().clear();
        TimeLapseRunning = SequenceRunning = AutomaticRelease = EndAfterShoot = false;
        TProgramSettings &s = ProgramSettings();
        s.Savepath = dir.path() + QLatin1Char('/');
        s.Filemask = QStringLiteral("#YEAR\\IMG#IMGNR");
        form->installEventFilter(&storedMessages);
        simClearCallLog();
    }

    void release() { form->AusloeserButton->click(); }

    // Lets the program's clock run fast while events are processed, so that waits which
    // end only by their time limit end within moments.
    QTimer *letTimeRun()
    {
        auto *ticker = new QTimer(form.get());
        QObject::connect(ticker, &QTimer::timeout, form.get(), [this] { clock.advanceMs(1000); });
        ticker->start(20);
        return ticker;
    }

    // The values written to one property, in order.
    QStringList writes(quint32 property) const
    {
        const QString head = QStringLiteral("EdsSetPropertyData %1 ").arg(property);
        QStringList values;
        for (const QString &line : simCallLog()) {
            if (line.startsWith(head))
                values.append(line.mid(head.size()));
        }
        return values;
    }

    qsizetype releaseCommands() const
    {
        return simCallLog().count(QStringLiteral("EdsSendCommand 0"));
    }

    QString pathOf(int index) const
    {
        const TMadeImage *image = MadeImages().find(index);
        return image ? image->Folder + image->FileName : QString();
    }

    QTemporaryDir dir;
    std::unique_ptr<MainFormView> view;
    Shooting *shooting = nullptr;
    StoredCounter storedMessages;
};

// Bracketing runs only in the AE modes that allow it: the dial goes to Av.
class Bracketing : public ShootingTest
{
protected:
    void SetUp() override
    {
        ShootingTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(simSetModeDial(2), 0);
        ASSERT_TRUE(waitUntil([] { return ProgramSettings().AEModeCode == 2u; }));
        simClearCallLog();
    }
};

