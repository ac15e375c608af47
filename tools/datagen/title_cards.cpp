// Parses the card source and draws each card's text with FreeType.
#include "tools/datagen/title_cards.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "tools/common/glyph_layout.h"

namespace tessellune::datagen {

bool parseTitleCards(const std::string& text, std::vector<CardSource>& cards, std::string& error) {
    cards.clear();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
            line.pop_back();
        }
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos) {
            continue;
        }
        line.erase(0, start);
        if (line.rfind("card ", 0) == 0) {
            std::istringstream fields(line.substr(5));
            CardSource card;
            std::string style, extra;
            if (!(fields >> card.file >> card.pixelSize >> style) || (fields >> extra) ||
                card.pixelSize < 8 || card.pixelSize > 120 || (style != "regular" && style != "bold")) {
                error = "line " + std::to_string(number) + ": expected \"card FILE SIZE regular|bold\"";
                return false;
            }
            card.bold = style == "bold";
            cards.push_back(card);
        } else if (cards.empty()) {
            error = "line " + std::to_string(number) + ": text before the first card";
            return false;
        } else {
            cards.back().lines.push_back(line);
        }
    }
    for (const CardSource& card : cards) {
        if (card.lines.empty()) {
            error = "card " + card.file + " has no text";
            return false;
        }
    }
    return true;
}

namespace {

using Mask = tools::CoverageMask;

// A separable box blur, run twice: a cheap soft shadow.
Mask blurred(const Mask& source, int radius) {
    Mask a = source;
    Mask b = source;
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = std::clamp(x + k, 0, a.width - 1);
                    sum += a.at(xx, y);
                }
                b.at(x, y) = sum / (2 * radius + 1);
            }
        }
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                float sum = 0.0f;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = std::clamp(y + k, 0, a.height - 1);
                    sum += b.at(x, yy);
                }
                a.at(x, y) = sum / (2 * radius + 1);
            }
        }
    }
    return a;
}

} // namespace

bool renderTitleCard(const CardSource& card, const std::string& fontDirectory, RgbaImage& out,
                     std::string& error) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "cannot start FreeType";
        return false;
    }
    const std::string fontPath = fontDirectory + (card.bold ? "/DejaVuSans-Bold.ttf" : "/DejaVuSans.ttf");
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        error = "cannot open the font " + fontPath;
        return false;
    }
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(card.pixelSize));

    const int margin = 8; // room for the backing's spread
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    const int descender = static_cast<int>(-(face->size->metrics.descender >> 6));
    const int lineHeight = ascender + descender + card.pixelSize / 8;
    int textWidth = 0;
    for (const std::string& line : card.lines) {
        textWidth = std::max(textWidth, tools::layTextLine(face, line, nullptr, 0, 0));
    }
    Mask mask;
    mask.width = textWidth + 2 * margin;
    mask.height = lineHeight * static_cast<int>(card.lines.size()) - card.pixelSize / 8 + 2 * margin;
    mask.alpha.assign(static_cast<size_t>(mask.width) * mask.height, 0.0f);
    for (size_t i = 0; i < card.lines.size(); ++i) {
        tools::layTextLine(face, card.lines[i], &mask, margin,
                           margin + ascender + static_cast<int>(i) * lineHeight);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // Shadow: the blurred mask moved a pixel down and right, dense enough to keep the letters
    // readable over the white particles; under it a wide, soft dark backing that dims whatever
    // lies behind the lines (white cubes included) without boxing them in.
    const Mask soft = blurred(mask, 2);
    const Mask wide = blurred(mask, 4);
    out = makeImage(mask.width, mask.height, {0, 0, 0, 0});
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            const float text = mask.at(x, y);
            const float near =
                (x >= 1 && y >= 1) ? std::min(1.0f, soft.at(x - 1, y - 1) * 2.5f) * 0.85f : 0.0f;
            const float shadow = std::max(near, std::min(1.0f, wide.at(x, y) * 4.0f) * 0.6f);
            // Straight-alpha "over": white text over the black shadow.
            const float alpha = text + shadow * (1.0f - text);
            const float white = alpha > 0.0f ? text / alpha : 0.0f;
            const uint8_t grey = toByte(white);
            out.set(x, y, {grey, grey, grey, toByte(alpha)});
        }
    }
    return true;
}

bool checkCardFits(const RgbaImage& card, const CardSlot& slot, std::string& error) {
    if (card.width <= slot.maxWidth && card.height <= slot.maxHeight) {
        return true;
    }
    error = "the card is " + std::to_string(card.width) + " x " + std::to_string(card.height) +
            " pixels; its place at row " + std::to_string(slot.y) + " takes at most " +
            std::to_string(slot.maxWidth) + " x " + std::to_string(slot.maxHeight) +
            " (use a smaller size or shorter lines)";
    return false;
}

} // namespace tessellune::datagen
