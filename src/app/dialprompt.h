#pragma once

#include <QString>

// `question`, then the request to turn the camera's mode dial to the AE mode `aeModeText`.
QString modeDialQuestion(const QString &question, const QString &aeModeText);
