// Title cards: lines of text rendered with FreeType into pictures with real alpha.
//
// Conventions: the card source (content/titlecards.txt) lists cards as a header line
// "card FILE PIXEL_SIZE regular|bold" followed by the card's text lines; "#" starts a comment,
// blank lines are ignored. Cards are white text with a soft dark shadow on a transparent ground,
// straight (not premultiplied) alpha, trimmed to the text plus a small margin.
#pragma once

#include <string>
#include <vector>

#include "tools/datagen/rgba_image.h"

namespace tessellune::datagen {

struct CardSource {
    std::string file;
    int pixelSize = 0;
    bool bold = false;
    std::vector<std::string> lines;
};

// Parses the card source; false with a message naming the line on malformed input.
bool parseTitleCards(const std::string& text, std::vector<CardSource>& cards, std::string& error);

// Renders one card with the font files in fontDirectory (DejaVuSans.ttf, DejaVuSans-Bold.ttf).
bool renderTitleCard(const CardSource& card, const std::string& fontDirectory, RgbaImage& out,
                     std::string& error);

// The largest card each of the three slots takes: a card must fit the frame from its top-left
// corner, and should leave the next slot's rows free.
struct CardSlot {
    int x;
    int y;
    int maxWidth;
    int maxHeight;
};
inline constexpr CardSlot CARD_SLOTS[3] = {{50, 50, 540, 70}, {50, 120, 540, 80}, {50, 200, 540, 230}};

// False with a message giving both sizes when the card is larger than its slot allows.
bool checkCardFits(const RgbaImage& card, const CardSlot& slot, std::string& error);

} // namespace tessellune::datagen
