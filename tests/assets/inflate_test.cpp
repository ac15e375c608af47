// The zlib decompressor against zlib's own compressor, and every error on hand-built bit streams.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "asset_test_support.h"
#include "assets/inflate.h"

namespace tessellune {
namespace {

using testing_support::zlibCompress;

// Writes DEFLATE bits: plain fields least significant bit first, Huffman codes most significant
// bit first. The stream is padded with zero bits to a whole byte.
struct BitWriter {
    std::vector<uint8_t> bytes;
    size_t bitCount = 0;

    BitWriter() {
        bytes.push_back(0x78); // zlib header: deflate, 32 KiB window
        bytes.push_back(0x01);
    }

    BitWriter& bit(uint32_t b) {
        if (bitCount % 8 == 0) {
            bytes.push_back(0);
        }
        bytes.back() |= static_cast<uint8_t>((b & 1) << (bitCount % 8));
        ++bitCount;
        return *this;
    }
    BitWriter& field(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            bit(value >> i);
        }
        return *this;
    }
    BitWriter& code(uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i) {
            bit(value >> i);
        }
        return *this;
    }
    // Fixed-code literal/length symbol.
    BitWriter& fixedSymbol(uint32_t s) {
        return s < 144   ? code(0x30 + s, 8)
               : s < 256 ? code(0x190 + s - 144, 9)
               : s < 280 ? code(s - 256, 7)
                         : code(0xc0 + s - 280, 8);
    }
    BitWriter& fixedHeader(bool last = true) { return field(last ? 1 : 0, 1).field(1, 2); }
    // A dynamic block header whose code-length code gives every symbol 0..18 length 5, so that
    // code-length symbol s is written as the 5-bit code s.
    BitWriter& dynamicHeader(int literalCount, int distanceCount) {
        field(1, 1);
        field(2, 2);
        field(uint32_t(literalCount - 257), 5);
        field(uint32_t(distanceCount - 1), 5);
        field(19 - 4, 4);
        for (int i = 0; i < 19; ++i) {
            field(5, 3);
        }
        return *this;
    }
    BitWriter& lengthSymbol(uint32_t s) { return code(s, 5); }
    // Emits `lengths` with plain code-length symbols 0..15.
    BitWriter& lengths(const std::vector<uint8_t>& values) {
        for (uint8_t v : values) {
            lengthSymbol(v);
        }
        return *this;
    }
};

std::vector<uint8_t> sampleData(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        // Runs and repeats (so matches occur) mixed with noise (so literals do too).
        data[i] = (i / 64) % 3 == 0 ? uint8_t(random() % 7) : uint8_t(i * 7 / 5);
    }
    return data;
}

// Every level, and the strategies that make zlib write only fixed codes, only literals, or runs.
TEST(Inflate, DecodesWhatZlibCompressesAtEveryLevelAndStrategy) {
    constexpr int PLAIN = Z_DEFAULT_STRATEGY;
    const std::pair<int, int> settings[] = {{0, PLAIN},   {1, PLAIN},          {6, PLAIN}, {9, PLAIN},
                                            {9, Z_FIXED}, {6, Z_HUFFMAN_ONLY}, {6, Z_RLE}}; // level, strategy
    for (size_t size : {size_t(0), size_t(1), size_t(1000), size_t(70000), size_t(300000)}) {
        const std::vector<uint8_t> data = sampleData(size, uint32_t(size));
        for (const auto& [level, strategy] : settings) {
            SCOPED_TRACE(testing::Message()
                         << "size " << size << " level " << level << " strategy " << strategy);
            std::vector<uint8_t> out;
            ASSERT_EQ(inflateZlib(zlibCompress(data, level, strategy), out), 0);
            EXPECT_TRUE(out == data);
        }
    }
}

// zlib's own decoder on the DEFLATE data after the 2-byte header, checksum not read, as this
// decoder does. False when zlib rejects the data or it does not end within the input.
bool zlibRawInflate(const std::vector<uint8_t>& packed, size_t capacity, std::vector<uint8_t>& out) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) {
        return false;
    }
    out.resize(capacity);
    stream.next_in = const_cast<Bytef*>(packed.data() + 2);
    stream.avail_in = uInt(packed.size() - 2);
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

// Damaged streams: whenever zlib decodes one, this decoder must give the same bytes. (This decoder
// accepts a little more than zlib, such as the reserved symbols 286 and 287, so only that
// direction is checked.)
TEST(Inflate, AgreesWithZlibOnDamagedStreams) {
    std::mt19937 random(1234);
    int agreed = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::vector<uint8_t> data = sampleData(50 + random() % 3000, uint32_t(round));
        std::vector<uint8_t> packed = zlibCompress(data, int(random() % 10));
        const int flips = 1 + int(random() % 3);
        for (int f = 0; f < flips; ++f) {
            packed[2 + random() % (packed.size() - 2)] ^= uint8_t(1u << (random() % 8));
        }
        std::vector<uint8_t> expected;
        std::vector<uint8_t> out;
        const int32_t error = inflateZlib(packed, out);
        if (zlibRawInflate(packed, data.size() * 2 + 4096, expected)) {
            ASSERT_EQ(error, 0) << "round " << round;
            ASSERT_TRUE(out == expected) << "round " << round;
            ++agreed;
        }
    }
    EXPECT_GT(agreed, 1000); // a flipped bit often leaves a stream that still decodes
}

TEST(Inflate, SkipsTheReservedLengthSymbolsAndStopsAtTheOutputLimit) {
    BitWriter w;
    w.fixedHeader().fixedSymbol('a').fixedSymbol(286).fixedSymbol(287).fixedSymbol('b').fixedSymbol(256);
    std::vector<uint8_t> out;
    ASSERT_EQ(inflateZlib(w.bytes, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ab");
    ASSERT_EQ(inflateZlib(zlibCompress(std::vector<uint8_t>(100000, 42)), out, 1234), 0);
    EXPECT_EQ(out.size(), 1234u);
}

// One row per damaged header or stored block: the whole stream, and the error number it must give.
// Each FLG is worked out by hand so that CMF x 256 + FLG is a multiple of 31.
TEST(Inflate, RejectsBadHeadersAndStoredLengths) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t error;
        const char* decoded = "";
    } cases[] = {
        {"nothing", {}, 53},
        {"half a header", {0x78}, 53},
        {"a sound header and an empty fixed block", {0x78, 0x01, 0x03, 0x00}, 0},
        {"check bits wrong", {0x78, 0x02, 0x03, 0x00}, 24},
        {"method 7", {0x77, 0x09, 0x03, 0x00}, 25},
        {"method 9", {0x79, 0x18, 0x03, 0x00}, 25},
        {"window field 8 (64 KiB)", {0x88, 0x1c, 0x03, 0x00}, 25},
        {"a preset dictionary", {0x78, 0x20, 0x03, 0x00}, 26},
        {"no block at all", {0x78, 0x01}, 52},
        {"LEN and NLEN cut short", {0x78, 0x01, 0x01, 0x05, 0x00}, 52},
        {"LEN and NLEN not complements", {0x78, 0x01, 0x01, 0x05, 0x00, 0xfa, 0xf0, 'a'}, 21},
        {"5 bytes promised, 1 given", {0x78, 0x01, 0x01, 0x05, 0x00, 0xfa, 0xff, 'a'}, 23},
        {"1 byte stored", {0x78, 0x01, 0x01, 0x01, 0x00, 0xfe, 0xff, 'a'}, 0, "a"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out;
        EXPECT_EQ(inflateZlib(c.bytes, out), c.error) << c.what;
        if (c.error == 0) {
            EXPECT_EQ(std::string(out.begin(), out.end()), c.decoded) << c.what;
        }
    }
}

// Literal/length lengths with 'a' and end-of-block, and one distance code, as a vector of 258.
std::vector<uint8_t> smallCodeLengths(uint8_t literalLength, uint8_t endLength, bool withB = false) {
    std::vector<uint8_t> lengths(258, 0);
    lengths['a'] = literalLength;
    lengths['b'] = withB ? 1 : 0;
    lengths[256] = endLength;
    lengths[257] = 1; // the one distance code
    return lengths;
}

// A dynamic header, then 258 lengths as 1 + 138 + 118 zeros: one slot left, and each run that
// follows needs at least 3.
BitWriter& almostFullLengths(BitWriter& w) {
    return w.dynamicHeader(257, 1).lengthSymbol(1).lengthSymbol(18).field(127, 7).lengthSymbol(18).field(107,
                                                                                                         7);
}

// One row per broken stream: the bits after the zlib header, and the error number it must give.
TEST(Inflate, RejectsBrokenStreamsWithTheirErrorNumbers) {
    const struct {
        const char* what;
        std::function<void(BitWriter&)> write;
        int32_t error;
    } cases[] = {
        {"reserved block type", [](BitWriter& w) { w.field(1, 1).field(3, 2); }, 20},
        {"not the last block, and no header follows",
         [](BitWriter& w) { w.fixedHeader(false).fixedSymbol(256); }, 52},
        {"distance 1 before anything was written",
         [](BitWriter& w) { w.fixedHeader().fixedSymbol(257).code(0, 5); }, 71},
        {"distance 2 with one byte written",
         [](BitWriter& w) { w.fixedHeader().fixedSymbol('a').fixedSymbol(257).code(1, 5); }, 71},
        {"distance code 30",
         [](BitWriter& w) { w.fixedHeader().fixedSymbol('a').fixedSymbol(257).code(30, 5); }, 18},
        {"distance code 29's 13 extra bits cut off by the end",
         [](BitWriter& w) { w.fixedHeader().fixedSymbol('a').fixedSymbol(257).code(29, 5); }, 51},
        {"a 7-bit code cut off after 11 bits", [](BitWriter& w) { w.fixedHeader().fixedSymbol('a'); }, 10},
        {"an incomplete code, and its unused code read",
         [](BitWriter& w) {
             w.dynamicHeader(257, 1).lengths(smallCodeLengths(1, 2)).code(3, 2); // 'a' 0, end 10
         },
         11},
        {"no end-of-block code",
         [](BitWriter& w) { w.dynamicHeader(257, 1).lengths(smallCodeLengths(1, 0)); }, 64},
        {"an overfull code",
         [](BitWriter& w) { w.dynamicHeader(257, 1).lengths(smallCodeLengths(1, 1, true)); }, 55},
        {"a dynamic header and nothing else", [](BitWriter& w) { w.field(1, 1).field(2, 2); }, 49},
        {"a dynamic header cut off in its code-length code",
         [](BitWriter& w) { w.dynamicHeader(257, 1).bytes.resize(w.bytes.size() - 3); }, 49},
        {"code 16 repeats past the lengths",
         [](BitWriter& w) { almostFullLengths(w).lengthSymbol(16).field(0, 2); }, 13},
        {"code 17 zeros past the lengths",
         [](BitWriter& w) { almostFullLengths(w).lengthSymbol(17).field(0, 3); }, 14},
        {"code 18 zeros past the lengths",
         [](BitWriter& w) { almostFullLengths(w).lengthSymbol(18).field(0, 7); }, 15},
        {"code 16 with nothing to repeat",
         [](BitWriter& w) { w.dynamicHeader(257, 1).lengthSymbol(16).field(0, 2); }, 72},
        {"code 18's 7 extra bits cut off by the end",
         [](BitWriter& w) {
             w.dynamicHeader(257, 1);
             while (w.bitCount % 8 != 2) {
                 w.lengthSymbol(0);
             }
             w.lengthSymbol(18); // ends 7 bits into a byte: one padding bit left
         },
         50},
    };
    for (const auto& c : cases) {
        BitWriter w;
        c.write(w);
        std::vector<uint8_t> out;
        EXPECT_EQ(inflateZlib(w.bytes, out), c.error) << c.what;
    }
}

} // namespace
} // namespace tessellune
