#pragma once

#include "camera/sdkloader.h"

#include <QString>
#include <QStringList>

#include <functional>

#include <gtest/gtest.h>

inline const QString BinDir = QStringLiteral(TESSARO_BIN_DIR);

// Waits, processing events, until `condition` holds or a generous time is up.
bool waitUntil(const std::function<bool()> &condition);

// A test function of the loaded simulated body.
template<typename Fn>
Fn simCall(const char *name)
{
    auto fn = reinterpret_cast<Fn>(sdkSymbol(name));
    EXPECT_NE(fn, nullptr) << name;
    return fn;
}

// Simulated camera body controls.
int simConfigure(const char *keyValues);
int simTurnValue(quint32 property, quint32 value);
int simSetModeDial(quint32 aeMode);
int simDisconnect();
int simReconnect();
// Waits until the body has delivered every event it had to; false when it stayed busy.
bool simWaitQuiet();
QStringList simCallLog();
void simClearCallLog();
// The hash the body's "Offer" lines give for a file's bytes (FNV-1a 64, 16 hex digits).
QString simContentHash(const QByteArray &bytes);
