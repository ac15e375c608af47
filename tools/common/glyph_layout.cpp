// Glyph placement for text masks: code points, kerning and FreeType's anti-aliased bitmaps.
#include "tools/common/glyph_layout.h"

#include <algorithm>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace tessellune::tools {

uint32_t nextCodePoint(std::string_view s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b = byte(i++);
    int more = b >= 0xf0 ? 3 : b >= 0xe0 ? 2 : b >= 0xc0 ? 1 : 0;
    if (b >= 0x80 && more == 0) {
        return '?';
    }
    uint32_t c = more == 0 ? b : (b & (0x3f >> more));
    while (more-- > 0) {
        if (i >= s.size() || (byte(i) & 0xc0) != 0x80) {
            return '?';
        }
        c = (c << 6) | (byte(i++) & 0x3f);
    }
    return c;
}

int layTextLine(FT_FaceRec_* face, std::string_view text, CoverageMask* mask, int x0, int y0) {
    FT_Vector pen{x0 * 64, 0};
    FT_UInt previous = 0;
    for (size_t i = 0; i < text.size();) {
        const FT_UInt glyph = FT_Get_Char_Index(face, nextCodePoint(text, i));
        if (previous != 0 && glyph != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kerning);
            pen.x += kerning.x;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        if (mask != nullptr) {
            const FT_Bitmap& bitmap = slot->bitmap;
            const int left = static_cast<int>(pen.x >> 6) + slot->bitmap_left;
            const int top = y0 - slot->bitmap_top;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned column = 0; column < bitmap.width; ++column) {
                    const int x = left + static_cast<int>(column);
                    const int y = top + static_cast<int>(row);
                    if (x < 0 || y < 0 || x >= mask->width || y >= mask->height) {
                        continue;
                    }
                    const float a = bitmap.buffer[row * bitmap.pitch + column] / 255.0f;
                    mask->at(x, y) = std::max(mask->at(x, y), a);
                }
            }
        }
        pen.x += slot->advance.x;
        previous = glyph;
    }
    return static_cast<int>((pen.x + 63) >> 6) - x0;
}

} // namespace tessellune::tools
