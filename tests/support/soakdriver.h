#pragma once

// A long run of the picture path against the simulated body: releases in every shooting
// mode, the image quality switched at the body, and faults of every kind, all chosen by a
// seeded generator. Afterwards the pictures the body made are held against what the program
// stored and recorded. Shared by the soak test and the soak benchmark.

#include <QString>
#include <QStringList>

#include <set>
#include <string>

class ManualClock;
class EventDispatcher;
class TForm1;

struct SoakPlan
{
    quint32 seed = 1;
    int frames = 200; // camera releases to make, at least
    // Fault counts of the body (see sdk/README.md): take-picture calls that answer busy,
    // pictures whose download breaks, that are never offered, that meet a full disk.
    std::set<int> busy, failDownload, lost, failWrite;
    // Mean number of camera messages between two pulls of the cable.
    int disconnectGap = 0;

    static SoakPlan make(quint32 seed, int frames);
    // The body's configuration: fast, small pictures, the faults above.
    std::string bodyConfig() const;
};

struct SoakResult
{
    int releases = 0;         // clicks on the release button
    int frames = 0;           // pictures the body took
    int offered = 0;          // files the body offered
    int stored = 0;           // records of complete files
    int failed = 0;           // records of files that could not be stored
    int failedUnnamed = 0;    // of those, the ones whose name could not be read
    int rescued = 0;          // stored somewhere other than the target
    int lostFrames = 0;       // taken, never offered
    int giveUps = 0;          // waits for a picture that gave up
    int disconnects = 0;
    int reconnects = 0;       // "Kamera nicht verbunden" answered by plugging back in
    int sequencesDeclined = 0;
    int idleAdvances = 0;     // clock moved past the picture margin for a lost picture
    int fallbackAdvances = 0; // clock moved because nothing happened for a long while
    qint64 realMs = 0;
    bool finished = false;    // the run ended by itself, no release had to be stopped
    QStringList problems;

    QString summary() const;
};

// Runs the plan against a connected main window (the body configured with
// plan.bodyConfig()). `clock` must be the program's clock. Pictures go below `saveRoot`
// (ends with a separator); the rescue folder is searched too. Installs its own dialogs and
// shooting controls for the run and restores the dialogs afterwards.
SoakResult runSoak(const SoakPlan &plan, TForm1 &form, EventDispatcher &dispatcher,
                   ManualClock &clock, const QString &saveRoot);
