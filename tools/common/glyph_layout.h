// Lays lines of UTF-8 text with FreeType into coverage masks: the title cards and the charts share it.
//
// Conventions: a mask is one float per pixel in [0, 1], rows from the top; glyphs are placed on a
// baseline at y, the pen starting at x, with the face's kerning. Overlapping glyphs keep the larger
// coverage. The face is a FreeType FT_Face whose pixel size is already set.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct FT_FaceRec_;

namespace tessellune::tools {

struct CoverageMask {
    int width = 0;
    int height = 0;
    std::vector<float> alpha; // width * height
    float& at(int x, int y) { return alpha[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return alpha[static_cast<size_t>(y) * width + x]; }
};

// Decodes one UTF-8 code point at i and advances i past it; invalid bytes read as '?'.
uint32_t nextCodePoint(std::string_view text, size_t& i);

// The line's pen advance in pixels; its glyphs are drawn into mask (clipped to it) when mask is
// not null.
int layTextLine(FT_FaceRec_* face, std::string_view text, CoverageMask* mask, int x, int baseline);

} // namespace tessellune::tools
