#pragma once

#include "pascal/engine.h"
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

// A host call's string argument `i`, and its string result.
inline QString str(const pascal::HostCall &call, int i)
{
    return fromScript(call.string(i));
}

inline void returnText(pascal::HostCall &call, const QString &text)
{
    call.returnString(toScript(text));
}
