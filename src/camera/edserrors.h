#pragma once

#include <QString>

// Text of an SDK error code, shown in the status bar; empty for codes without one.
QString EdsErrorText(quint32 code);
// SDK identifier name of a property number (for the debug log); empty when unknown.
QString PropertyIdName(quint32 number);
