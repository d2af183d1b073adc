#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

// True when the bytes are a whole JPEG: start of image first, end of image last (a camera's
// file may carry padding after it).
bool isCompleteJpeg(const QByteArray &bytes);

// Decodes a JPEG straight to `size`, stretched, letting libjpeg scale in the DCT. Truncated,
// corrupt and non-JPEG bytes fail with the reason; nothing ends the program.
Result<QImage> decodeJpegScaled(const QByteArray &bytes, const QSize &size);
