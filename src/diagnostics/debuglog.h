#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// The debug flag; off at start.
bool debugEnabled();
void setDebugEnabled(bool on);

// Appends `text` as one line while the flag is on (tested at the call), else does nothing.
// Callable from any thread; lines keep the order of the calls.
void DebugLine(const QString &text);

// Hands every line to `sink`, always on the thread of `receiver` (the main thread), in order.
// Lines kept so far are delivered at once. Lines are delivered from the receiver's thread
// directly and from other threads through its event loop. Destroying the receiver detaches
// the sink. Call from the receiver's thread.
void attachDebugSink(QObject *receiver, std::function<void(const QString &line)> sink);
void detachDebugSink();

// Lines not handed to a sink yet.
QStringList debugLines();
QStringList takeDebugLines();
void clearDebugLines();
