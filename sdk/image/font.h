#pragma once

#include <array>
#include <cstdint>

namespace edsimage {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Rows top to bottom, bit 4 is the left column. Lower case draws as upper case,
// characters without a glyph as '?'.
const std::array<uint8_t, kGlyphHeight>& glyph(char c);

} // namespace edsimage
