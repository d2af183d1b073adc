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

} // namespace wincodec
