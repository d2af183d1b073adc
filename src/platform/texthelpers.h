#pragma once

#include <QString>

// Upper case of the letters a to z only: names and values of the camera tables compare so,
// whatever the locale makes of other letters.
QString asciiUpper(const QString &text);

// The line end of every stored file and of the program's multi-line messages.
const QString &crlf();

// "RGB(r,g,b)" of a colour number 0x00BBGGRR. A number with the top bit set names a system
// colour by its low byte and is resolved through the standard colour scheme.
QString ColorToRGBText(quint32 colour);

inline constexpr int PadFront = 0;
inline constexpr int PadBehind = 1;
// Puts `pad` in front of or behind `text` until it is at least `length` characters long
// (a longer pad may overshoot). An empty pad or another side returns the text unchanged.
QString PadText(const QString &text, const QString &pad, int length, int side);

// The number in decimal with "0" put in front until it is as long as `templ`. A minus
// sign is counted, and the zeros go in front of it.
QString ZeroPad(qint64 number, const QString &templ);

// The value of a hexadecimal digit of either case; -1 for any other character.
int hexDigitValue(QChar c);

// True when the path exists and is a folder.
bool IsDirectory(const QString &path);
