#include "simcontrol.h"

#include "edsdk_sim.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>

bool waitUntil(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(30000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int simConfigure(const char *keyValues)
{
    return int(simCall<decltype(&EdsSimConfigure)>("EdsSimConfigure")(keyValues));
}

int simTurnValue(quint32 property, quint32 value)
{
    return int(simCall<decltype(&EdsSimTurnValue)>("EdsSimTurnValue")(property, value));
}

int simSetModeDial(quint32 aeMode)
{
    return int(simCall<decltype(&EdsSimSetModeDial)>("EdsSimSetModeDial")(aeMode));
}

int simDisconnect()
{
    return int(simCall<decltype(&EdsSimDisconnect)>("EdsSimDisconnect")());
}

int simReconnect()
{
    return int(simCall<decltype(&EdsSimReconnect)>("EdsSimReconnect")());
}

bool simWaitQuiet()
{
    return simCall<decltype(&EdsSimWaitQuiet)>("EdsSimWaitQuiet")(10000) == EDS_ERR_OK;
}

QStringList simCallLog()
{
    EdsUInt32 length = 0;
    simCall<decltype(&EdsSimCallLog)>("EdsSimCallLog")(nullptr, 0, &length);
    QByteArray buffer(qsizetype(length) + 1, '\0');
    simCall<decltype(&EdsSimCallLog)>("EdsSimCallLog")(buffer.data(), length + 1, &length);
    return QString::fromLatin1(buffer.constData()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void simClearCallLog()
{
    simCall<decltype(&EdsSimClearCallLog)>("EdsSimClearCallLog")();
}

QString simContentHash(const QByteArray &bytes)
{
    quint64 hash = 14695981039346656037ull;
    for (char byte : bytes)
        hash = (hash ^ quint8(byte)) * 1099511628211ull;
    return QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0'));
}
