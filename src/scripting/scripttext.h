#pragma once

#include "settings/wincodec.h"

#include <QString>

#include <string>

// Script strings are Windows-1252 bytes; the program's text is QString.
inline QString fromScript(const std::string &text)
{
    return wincodec::decode(QByteArrayView(text.data(), qsizetype(text.size())));
}

inline std::string toScript(const QString &text)
{
    return wincodec::encode(text).toStdString();
}
