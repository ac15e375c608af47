// Text drawn into the presented frame: a built-in 5 x 7 pixel font, upper case, for the status
// overlay (the preview must not depend on a font file).
//
// Conventions: pixels are 0x00RRGGBB display words, rows from the top, `stride` words a row.
// Letters are shown upper case; characters without a glyph draw as a space. Each character cell
// is 6 x 9 pixels at scale 1 (one column and two rows of spacing).
#pragma once

#include <cstdint>
#include <string_view>

namespace tessellune {

inline constexpr int GLYPH_CELL_WIDTH = 6;
inline constexpr int GLYPH_CELL_HEIGHT = 9;

// Whether the font has a glyph for the character (after upper-casing).
bool hasGlyph(char c);

// Draws text with its top-left corner at (x, y), clipped to the frame, in `colour` over a darkened
// band one cell high, so it reads over any scene. Returns the width drawn in pixels.
int drawOverlayText(uint32_t* pixels, int width, int height, int stride, int x, int y, std::string_view text,
                    uint32_t colour, int scale);

} // namespace tessellune
