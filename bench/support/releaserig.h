// The program's main window with its release path, connected to the loaded SDK's camera and
// storing IMG#IMGNR in a folder of its own, and a stopwatch for the offer and the end of the
// download as the main window receives them.
#pragma once

#include "app/eventdispatch.h"
#include "app/mainformview.h"
#include "app/shooting.h"
#include "app/startup.h"
#include "camera/appmaster.h"
#include "camera/cameraevents.h"
#include "platform/waits.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace releaserig {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class Stopwatch : public QObject
{
public:
    Clock::time_point offeredAt;
    Clock::time_point doneAt;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Type(WM_OBJECTEVENT))
            offeredAt = Clock::now();
        else if (event->type() == QEvent::Type(WM_DOWNLOADDONE))
            doneAt = Clock::now();
        return false;
    }
};

class ReleaseRig
{
public:
    ReleaseRig() : form(std::make_unique<TForm1>())
    {
        auto *dispatcher = new EventDispatcher(*form);
        shooting = new Shooting(view, dispatcher->transfer(), form.get());
    }
    ~ReleaseRig()
    {
        QCoreApplication::instance()->removeEventFilter(&watch);
        form.reset();
        AppMaster.reset();
    }
    ReleaseRig(const ReleaseRig &) = delete;
    ReleaseRig &operator=(const ReleaseRig &) = delete;

    // False when no camera connected.
    bool connect(const QString &programFolder = {})
    {
        MainWindowCreated(*form, programFolder);
        if (!folder.isValid() || ConnectCamera(*form) != ConnectOk)
            return false;
        WaitProcessing(1000); // the values the body announces after the session opened
        ProgramSettings().Savepath = folder.path() + QLatin1Char('/');
        ProgramSettings().Filemask = QStringLiteral("IMG#IMGNR");
        // Ahead of the dispatcher, which takes the messages at the application's filter.
        QCoreApplication::instance()->installEventFilter(&watch);
        return true;
    }

    std::unique_ptr<TForm1> form;
    MainFormView view{*form};
    Shooting *shooting = nullptr;
    Stopwatch watch;
    QTemporaryDir folder;
};

} // namespace releaserig
