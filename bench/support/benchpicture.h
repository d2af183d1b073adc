#pragma once

#include <QByteArray>

#include <cstdint>

// A 24-megapixel JPEG as the simulated body renders it, with EXIF; empty when rendering failed.
QByteArray render24mp(uint32_t frame);
