// Texel conversion, the texture store and its placeholder, and the fatal exit for a missing PNG.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "asset_test_support.h"
#include "assets/file_reader.h"
#include "assets/texture_loader.h"
#include "assets/texture_store.h"
#include "render/packed_texel.h"
#include "tests/support/misaligned_new.h"
#include "tests/support/temporary_folder.h"

namespace tessellune {
namespace {

using testing_support::Lanes;
using testing_support::lanes;
using testing_support::makePng;
using testing_support::OwnedStore;

// A scratch folder whose path ends with a separator, as the loaders take it.
struct ScratchFolder : testing::TemporaryFolder {
    std::string path = file("");
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(path + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
};

TEST(TextureLoader, ConvertsToPremultipliedFloatTexels) {
    const std::vector<uint8_t> rgba = {255, 0, 0, 128, 10, 20, 30, 0, 255, 255, 255, 255, 51, 102, 204, 255};
    FloatImage* image = makeTextureImage(rgba, 2, 2);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(image->pixels) % 16, 0u);
    EXPECT_EQ(lanes(image->pixels[0]), (Lanes{0.5019608f, 0, 0, 0.5019608f}));
    EXPECT_EQ(lanes(image->pixels[1]), (Lanes{0, 0, 0, 0}));
    EXPECT_EQ(lanes(image->pixels[2]), (Lanes{1, 1, 1, 1}));
    EXPECT_EQ(lanes(image->pixels[3]), (Lanes{0.2f, 0.4f, 0.8f, 1}));
    EXPECT_TRUE(image->ownsPixels);
    releaseFloatImage(*image);
    EXPECT_EQ(image->pixels, nullptr);
    delete image;
    // Borrowed pixels are left alone (freeing them here would be a fault the sanitizers see).
    Vec4 borrowed[1] = {{1, 2, 3, 4}};
    FloatImage view{borrowed, 1, 1, false};
    releaseFloatImage(view);
    EXPECT_EQ(view.pixels, nullptr);
}

// The compact texels the fills read give back, bit for bit, what the loader's own conversion made of
// the same bytes: every channel value under every alpha, on both paths.
TEST(TextureLoader, PackedTexelsUnpackToTheFloatTexels) {
    std::vector<uint8_t> rgba;
    for (int alpha = 0; alpha < 256; ++alpha) {
        for (int value = 0; value < 256; ++value) {
            rgba.insert(rgba.end(),
                        {uint8_t(value), uint8_t(255 - value), uint8_t(value ^ alpha), uint8_t(alpha)});
        }
    }
    FloatImage* image = makeTextureImage(rgba, 256, 256);
    uint32_t* packed = makePackedTexels(rgba, 256, 256);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(packed, nullptr);
    int wrong = 0;
    for (int i = 0; i < 256 * 256; ++i) {
        const Lanes expected = lanes(image->pixels[i]);
        if (lanes(unpackTexel(packed[i])) != expected || lanes(scalar::unpackTexel(packed[i])) != expected) {
            ADD_FAILURE() << "texel " << i << " (value " << i % 256 << ", alpha " << i / 256 << ")";
            if (++wrong == 5) {
                break;
            }
        }
    }
    EXPECT_EQ(packed[1 * 256 + 2], 0x0103fd02u) << "r in the lowest byte, a in the highest";
    delete[] packed;
    releaseFloatImage(*image);
    delete image;
}

TEST(TextureLoader, LoadsAFileKeepingRowOrderAndName) {
    ScratchFolder folder;
    // 1 x 2 grey: top row 255, bottom row 0.
    folder.write("two.png", makePng(1, 2, 8, 0, {0, 255, 0, 0}));
    int32_t error = -1;
    Texture* texture = tryLoadTexture("two.png", folder.path, "key", error);
    ASSERT_EQ(error, 0);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->name, "key");
    EXPECT_EQ(texture->image->width, 1);
    EXPECT_EQ(texture->image->height, 2);
    EXPECT_EQ(lanes(texture->image->pixels[0]), (Lanes{1, 1, 1, 1}));
    EXPECT_EQ(lanes(texture->image->pixels[1]), (Lanes{0, 0, 0, 1}));
    ASSERT_NE(texture->packed, nullptr);
    EXPECT_EQ(texture->packed[0], 0xffffffffu);
    EXPECT_EQ(texture->packed[1], 0xff000000u);
    destroyTexture(texture);

    EXPECT_EQ(tryLoadTexture("missing.png", folder.path, "x", error), nullptr);
    EXPECT_EQ(error, 48);
    folder.write("bad.png", {1, 2, 3});
    EXPECT_EQ(tryLoadTexture("bad.png", folder.path, "x", error), nullptr);
    EXPECT_EQ(error, 27);
    // What is not a file reads as nothing.
    EXPECT_TRUE(readFile(folder.path).empty());
}

// Texels that cannot be allocated are the out-of-memory error, not a texture without texels.
TEST(TextureLoader, TexelsThatDoNotFitAreErrorSeventyFour) {
    ScratchFolder scratch;
    // 2000 x 2000: 16 MB of decoded bytes fit under the limit, 64 MB of texels do not.
    scratch.write("big.png", makePng(2000, 2000, 8, 6, std::vector<uint8_t>(2000 * 8001)));
    int32_t error = 0;
    testing::refuseAllocationsFrom(48 << 20);
    Texture* texture = tryLoadTexture("big.png", scratch.path, "big", error);
    testing::refuseAllocationsFrom(0);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(error, 74);
    texture = tryLoadTexture("big.png", scratch.path, "big", error);
    ASSERT_NE(texture, nullptr) << "and with the memory it loads";
    EXPECT_EQ(texture->image->width, 2000);
    destroyTexture(texture);
}

// The failure exit prints its line on stdout, does not wait when stdin is not a terminal, and
// ends the process with status 1.
TEST(TextureLoaderDeathTest, MissingFileExitsWithTheDecoderError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto loadMissing = [] {
        dup2(STDERR_FILENO, STDOUT_FILENO); // the death test reads stderr
#ifdef _WIN32
        const char* nothing = "NUL";
#else
        const char* nothing = "/dev/null";
#endif
        if (std::freopen(nothing, "r", stdin) == nullptr) {
            return;
        }
        loadTexture("envtest256.png", "/nonexistent-folder/data/", "env");
    };
    // The one pattern both of GoogleTest's regular-expression engines (POSIX and its own) accept.
    EXPECT_EXIT(loadMissing(), ::testing::ExitedWithCode(1),
                "error\\(48\\) decoding png from \\[envtest256\\.png\\]\n$");
}

TEST(TextureStore, StartsWithThePlaceholderThenAddsFindsAndLoadsOnce) {
    ScratchFolder folder;
    folder.write("a.png", makePng(1, 1, 8, 0, {0, 7}));
    OwnedStore owned;
    TextureStore& store = owned.store;
    ASSERT_EQ(store.entries.size(), 1u);
    const Texture& placeholder = *store.entries[0];
    EXPECT_EQ(placeholder.name, "dummydummydummy");
    ASSERT_EQ(placeholder.image->width, 2);
    ASSERT_EQ(placeholder.image->height, 2);
    EXPECT_EQ(lanes(placeholder.image->pixels[0]), (Lanes{0, 0, 0, 0}));
    EXPECT_EQ(lanes(placeholder.image->pixels[1]), (Lanes{1, 0, 1, 0}));
    EXPECT_EQ(lanes(placeholder.image->pixels[2]), (Lanes{1, 0, 1, 0}));
    EXPECT_EQ(lanes(placeholder.image->pixels[3]), (Lanes{0, 0, 0, 0}));
    EXPECT_EQ(findTexture(store, ""), 0);
    EXPECT_EQ(findTexture(store, "dummydummydummy"), 0);

    Texture* colors = loadTexture("a.png", folder.path, "colors");
    EXPECT_EQ(addTexture(store, colors), 1);
    EXPECT_EQ(findTexture(store, "colors"), 1);
    EXPECT_EQ(findTexture(store, "color"), 0);
    EXPECT_EQ(findTexture(store, "colors "), 0);

    // The same file under its file name is a second entry; asking again reuses it.
    EXPECT_EQ(getOrLoadTexture(store, "a.png", folder.path), 2);
    std::filesystem::remove(folder.path + "a.png"); // a second load would now fail the test
    EXPECT_EQ(getOrLoadTexture(store, "a.png", folder.path), 2);
    EXPECT_EQ(store.entries.size(), 3u);

    // A file named like the placeholder is loaded as a new entry.
    folder.write("dummydummydummy", makePng(1, 1, 8, 0, {0, 9}));
    EXPECT_EQ(getOrLoadTexture(store, "dummydummydummy", folder.path), 3);
}

} // namespace
} // namespace tessellune
