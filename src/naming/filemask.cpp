#include "naming/filemask.h"

#include "platform/texthelpers.h"
#include "camera/camerasettings.h"
#include "platform/clock.h"

#include <QDateTime>

#include <utility>

namespace {

using Replacement = std::pair<const char *, QString>;

template<size_t N>
void replaceAll(QString &text, const Replacement (&steps)[N])
{
    for (const auto &[token, value] : steps)
        text.replace(QLatin1String(token), value);
}

struct DateTexts
{
    QString year, month, day, hour, minute, second;
};

DateTexts dateTexts()
{
    const QDateTime now = appClock().now();
    const QDate date = now.date();
    const QTime time = now.time();
    return {ZeroPad(date.year(), QStringLiteral("0000")), ZeroPad(date.month(), QStringLiteral("00")),
            ZeroPad(date.day(), QStringLiteral("00")),    ZeroPad(time.hour(), QStringLiteral("00")),
            ZeroPad(time.minute(), QStringLiteral("00")), ZeroPad(time.second(), QStringLiteral("00"))};
}

} // namespace

QString ExpCompForFileName(const QString &expComp)
{
    QString text = expComp;
    text.replace(QLatin1String("1/3"), QLatin1String("1x3"));
    text.replace(QLatin1String("1/2"), QLatin1String("1x2"));
    text.replace(QLatin1String("2/3"), QLatin1String("2x3"));
    // The blank between sign or whole stops and the fraction: one argument, one name part.
    text.replace(QLatin1Char(' '), NonBreakingSpace);
    return text;
}

QString ExpandFileMask(const QString &mask, const TCamerasettings &settings,
                       const NamingValues &values)
{
    const DateTexts d = dateTexts();
    QString text = mask;
    // Text inserted by one step is seen by every later step, so the order matters.
    const Replacement naming[] = {
        {"#PROJECT", values.Projektname}, {"#YEAR", d.year},     {"#MONTH", d.month},
        {"#DAY", d.day},                  {"#HOUR", d.hour},     {"#MINUTE", d.minute},
        {"#SEKUNDE", d.second},           {"#PREFIX", values.Prefix},
        {"#IMGNR", values.ImageNumber},   {"#FORMAT", values.ImageFormat},
    };
    replaceAll(text, naming);
    text.replace(QLatin1Char(' '), NonBreakingSpace);
    const Replacement camera[] = {
        {"#AEMODE", settings.AEMode.Name},
        {"#AV", settings.Av.Name},
        {"#TV", settings.Tv.Name},
        {"#ISO", settings.ISO.Name},
        {"#WA", settings.WB.Name},
        {"#EXPCOMP", ExpCompForFileName(settings.ExpComp.Name)},
        {"#QUAL", settings.Quality.Name},
        {"#CC", QString()},
    };
    replaceAll(text, camera);
    return text;
}

QString ExpandDateMask(const QString &mask, const NamingValues &values)
{
    const DateTexts d = dateTexts();
    QString text = mask;
    const Replacement steps[] = {
        {"#PROJECT", values.Projektname}, {"#YEAR", d.year},     {"#MONTH", d.month},
        {"#DAY", d.day},                  {"#HOUR", d.hour},     {"#MINUTE", d.minute},
        {"#SEKUNDE", d.second},           {"#IMGNR", values.ImageNumber},
        {"#PREFIX", values.Prefix},
    };
    replaceAll(text, steps);
    return text;
}
