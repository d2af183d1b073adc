#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the code page of every stored file. All 256 bytes decode: the five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same number, so any byte sequence survives a decode/encode round trip.
namespace wincodec {

QString decode(QByteArrayView bytes);

// Characters the code page cannot hold become "?" (one per character, also outside the BMP).
QByteArray encode(QStringView text);

// True when encode keeps every character.
bool representable(QStringView text);

// A path the code page cannot hold is stored in a marked form that reads back to the same
// path: "?utf8?" and then the path with every character outside the code page, and every
// "%", written as "%XX" per byte of its UTF-8 form ("/home/łukasz" becomes
// "?utf8?/home/%C5%82ukasz"). Every other path is stored as it is, so a stored "%" (a
// variable such as %USERPROFILE%, a folder named "100%") keeps reading back unchanged.
// Reading decodes only a valid marked form that yields such a character; anything else is
// taken as it stands.
QString storablePath(const QString &path);
QString pathFromStored(const QString &stored);

} // namespace wincodec
