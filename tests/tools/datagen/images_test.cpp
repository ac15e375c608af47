// The generated pictures: PNG encoding round trips, textures repeat seamlessly, the particle
// picture stays within its budget, and the title cards have real alpha and fit their places.
#include <gtest/gtest.h>

#include <cstdlib>

#include "assets/file_reader.h"
#include "tests/tools/datagen/png_read.h"
#include "tools/datagen/particle_picture.h"
#include "tools/datagen/png_writer.h"
#include "tools/datagen/textures.h"
#include "tools/datagen/title_cards.h"

namespace tessellune::datagen {
namespace {

TEST(PngWriter, RoundTripsEveryChannelExactlyAndRefusesWhatItCannotWrite) {
    RgbaImage image = makeImage(37, 23, {});
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.set(x, y,
                      {static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(255 - y * 11),
                       static_cast<uint8_t>((x * y) & 0xff), static_cast<uint8_t>(x * 13 ^ y)});
        }
    }
    RgbaImage back;
    std::string error;
    ASSERT_TRUE(datatest::readPng(encodePng(image), back, error)) << error;
    EXPECT_EQ(back.width, 37);
    EXPECT_EQ(back.height, 23);
    EXPECT_EQ(back.pixels, image.pixels);
    // Empty pictures and unwritable paths are refused.
    EXPECT_TRUE(encodePng(RgbaImage{}).empty());
    RgbaImage wrongSize = makeImage(4, 4, {});
    wrongSize.pixels.pop_back();
    EXPECT_TRUE(encodePng(wrongSize).empty());
    EXPECT_FALSE(writePng("/nonexistent-folder/x.png", makeImage(2, 2, {}), error));
    EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
}

// Mean absolute difference between two columns (or rows, with transpose) of a picture.
double columnDifference(const RgbaImage& image, int a, int b, bool rows) {
    double sum = 0.0;
    const int n = rows ? image.width : image.height;
    for (int i = 0; i < n; ++i) {
        const Rgba p = rows ? image.at(i, a) : image.at(a, i);
        const Rgba q = rows ? image.at(i, b) : image.at(b, i);
        sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
    }
    return sum / n;
}

TEST(Textures, HaveTheirSizesAndRepeatWithoutAVisibleSeam) {
    struct Case {
        const char* name;
        RgbaImage image;
        int size;
    };
    const Case cases[] = {{"colors512", makeColorsTexture(), 512},
                          {"openfloor", makeOpenFloorTexture(), 256},
                          {"tealfloor", makeTealFloorTexture(), 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.image.width, c.size);
        ASSERT_EQ(c.image.height, c.size);
        for (bool rows : {false, true}) {
            // Across the wrap the picture changes no more than between the worst pair of neighbours.
            double worstInside = 0.0;
            for (int i = 0; i + 1 < c.size; ++i) {
                worstInside = std::max(worstInside, columnDifference(c.image, i, i + 1, rows));
            }
            EXPECT_LE(columnDifference(c.image, c.size - 1, 0, rows), worstInside + 1e-9);
        }
    }
    const RgbaImage env = makeEnvironmentTexture();
    EXPECT_EQ(env.width, 256);
    EXPECT_EQ(env.height, 256);
    // Sky above, ground below: the top half is bluer than the bottom half.
    EXPECT_GT(env.at(128, 40).b, env.at(128, 215).b + 60);
}

TEST(ParticlePicture, IsWhiteAroundAndWithinTheParticleBudget) {
    const RgbaImage picture = makeParticlePicture();
    int particles = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgba p = picture.at(x, y);
            EXPECT_EQ(p.a, 255);
            const bool white = p.r == 255 && p.g == 255 && p.b == 255;
            particles += !white;
            if ((x == 0 || x == picture.width - 1) && (y == 0 || y == picture.height - 1)) {
                EXPECT_TRUE(white) << "corner " << x << ", " << y;
            }
        }
    }
    // At most 9000 cubes of 8 vertices keep a particle scene in the pipeline's vertex budget;
    // the picture needs a few thousand pixels to read at full screen.
    EXPECT_LE(particles, 9000);
    EXPECT_GE(particles, 3000);
}

TEST(TitleCards, TheSixCardsComeInSlotOrderWithRealAlphaAndFitTheirPlaces) {
    std::vector<CardSource> cards;
    std::string error;
    const std::vector<uint8_t> text = readFile(TESSELLUNE_SOURCE_DIR "/content/titlecards.txt");
    ASSERT_TRUE(parseTitleCards(std::string(text.begin(), text.end()), cards, error)) << error;
    const char* names[] = {"t-velk.png", "t-compofilling.png", "t-demosplash.png",
                           "t-cred.png", "t-time.png",         "t-sorry.png"};
    ASSERT_EQ(cards.size(), 6u);
    EXPECT_EQ(cards[0].lines[0], "TESSELLUNE");
    for (size_t i = 0; i < cards.size(); ++i) {
        SCOPED_TRACE(cards[i].file);
        EXPECT_EQ(cards[i].file, names[i]) << "the cards in slot order";
        RgbaImage card;
        ASSERT_TRUE(renderTitleCard(cards[i], "/usr/share/fonts/truetype/dejavu", card, error)) << error;
        const CardSlot& slot = CARD_SLOTS[i % 3];
        EXPECT_LE(card.width, slot.maxWidth);
        EXPECT_LE(card.height, slot.maxHeight);
        EXPECT_LE(slot.x + card.width, 640);
        EXPECT_LE(slot.y + card.height, 480);
        int clear = 0, untouched = 0, partial = 0, solidWhite = 0;
        for (int y = 0; y < card.height; ++y) {
            for (int x = 0; x < card.width; ++x) {
                const Rgba p = card.at(x, y);
                clear += p.a <= 153; // no denser than the soft backing (0.6) lets through
                untouched += p.a == 0;
                partial += p.a > 0 && p.a < 255;
                solidWhite += p.a == 255 && p.r == 255 && p.g == 255 && p.b == 255;
            }
        }
        EXPECT_GT(clear, card.width * card.height / 3) << "most of a card shows the picture behind it";
        EXPECT_GT(untouched, card.width * card.height / 10) << "the backing fades out: no box";
        EXPECT_GT(solidWhite, 100) << "the letters are opaque white";
        EXPECT_GT(partial, 100) << "edges and shadow are soft";
    }
}

TEST(TitleCards, MalformedSourcesAreRefusedWithTheLineAndAMissingFontIsAnError) {
    std::vector<CardSource> cards;
    std::string error;
    EXPECT_FALSE(parseTitleCards("hello\n", cards, error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
    EXPECT_FALSE(parseTitleCards("# c\ncard a.png 20 italic\nx\n", cards, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
    EXPECT_FALSE(parseTitleCards("card a.png 0 bold\nx\n", cards, error));
    EXPECT_FALSE(parseTitleCards("card a.png 20 bold\ncard b.png 20 bold\nx\n", cards, error));
    EXPECT_NE(error.find("a.png"), std::string::npos);
    ASSERT_TRUE(parseTitleCards("card a.png 20 bold # big\r\n  two words  \n\n", cards, error)) << error;
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_TRUE(cards[0].bold);
    EXPECT_EQ(cards[0].lines, std::vector<std::string>{"two words"});
    // A missing font is an error, not a crash.
    RgbaImage image;
    EXPECT_FALSE(renderTitleCard(cards[0], "/nonexistent-fonts", image, error));
    EXPECT_NE(error.find("font"), std::string::npos);
}

} // namespace
} // namespace tessellune::datagen
