// The zlib decompressor against zlib's own compressor, and every error on hand-built bit streams.
#include <gtest/gtest.h>

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

    void bit(uint32_t b) {
        if (bitCount % 8 == 0) {
            bytes.push_back(0);
        }
        bytes.back() |= static_cast<uint8_t>((b & 1) << (bitCount % 8));
        ++bitCount;
    }
    void field(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            bit(value >> i);
        }
    }
    void code(uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i) {
            bit(value >> i);
        }
    }
    // Fixed-code literal/length symbol.
    void fixedSymbol(uint32_t s) {
        if (s < 144) {
            code(0x30 + s, 8);
        } else if (s < 256) {
            code(0x190 + s - 144, 9);
        } else if (s < 280) {
            code(s - 256, 7);
        } else {
            code(0xc0 + s - 280, 8);
        }
    }
    void fixedHeader(bool last = true) {
        field(last ? 1 : 0, 1);
        field(1, 2);
    }
    // A dynamic block header whose code-length code gives every symbol 0..18 length 5, so that
    // code-length symbol s is written as the 5-bit code s.
    void dynamicHeader(int literalCount, int distanceCount) {
        field(1, 1);
        field(2, 2);
        field(uint32_t(literalCount - 257), 5);
        field(uint32_t(distanceCount - 1), 5);
        field(19 - 4, 4);
        for (int i = 0; i < 19; ++i) {
            field(5, 3);
        }
    }
    void lengthSymbol(uint32_t s) { code(s, 5); }
    // Emits `lengths` with plain code-length symbols 0..15.
    void lengths(const std::vector<uint8_t>& values) {
        for (uint8_t v : values) {
            lengthSymbol(v);
        }
    }
};

int32_t inflate(const std::vector<uint8_t>& input, std::vector<uint8_t>& out, size_t limit = SIZE_MAX) {
    return inflateZlib(input, out, limit);
}

std::vector<uint8_t> sampleData(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        // Runs and repeats (so matches occur) mixed with noise (so literals do too).
        data[i] = (i / 64) % 3 == 0 ? uint8_t(random() % 7) : uint8_t(i * 7 / 5);
    }
    return data;
}

TEST(Inflate, DecodesWhatZlibCompressesAtEveryLevel) {
    for (size_t size : {size_t(0), size_t(1), size_t(1000), size_t(70000), size_t(300000)}) {
        const std::vector<uint8_t> data = sampleData(size, uint32_t(size));
        for (int level : {0, 1, 6, 9}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " level " << level);
            std::vector<uint8_t> out;
            ASSERT_EQ(inflate(zlibCompress(data, level), out), 0);
            EXPECT_TRUE(out == data);
        }
    }
}

TEST(Inflate, DecodesFixedCodeBlocksAndSkipsReservedSymbols) {
    // zlib's Z_FIXED strategy writes only fixed-code blocks.
    const std::vector<uint8_t> data = sampleData(20000, 5);
    z_stream stream{};
    ASSERT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 15, 8, Z_FIXED), Z_OK);
    std::vector<uint8_t> packed(deflateBound(&stream, uLong(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = uInt(data.size());
    stream.next_out = packed.data();
    stream.avail_out = uInt(packed.size());
    ASSERT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    std::vector<uint8_t> out;
    ASSERT_EQ(inflate(packed, out), 0);
    EXPECT_TRUE(out == data);

    BitWriter w;
    w.fixedHeader();
    w.fixedSymbol('a');
    w.fixedSymbol(286);
    w.fixedSymbol(287);
    w.fixedSymbol('b');
    w.fixedSymbol(256);
    ASSERT_EQ(inflate(w.bytes, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ab");
}

TEST(Inflate, OverlappingBackReferenceRepeatsTheLastBytes) {
    BitWriter w;
    w.fixedHeader();
    w.fixedSymbol('x');
    w.fixedSymbol('y');
    w.fixedSymbol(260); // length 6
    w.code(1, 5);       // distance 2
    w.fixedSymbol(256);
    std::vector<uint8_t> out;
    ASSERT_EQ(inflate(w.bytes, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.end()), "xyxyxyxy");
}

TEST(Inflate, StopsAtTheOutputLimit) {
    const std::vector<uint8_t> data(100000, 42);
    std::vector<uint8_t> out;
    ASSERT_EQ(inflate(zlibCompress(data), out, 1234), 0);
    EXPECT_EQ(out.size(), 1234u);
}

TEST(Inflate, RejectsBadZlibHeaders) {
    std::vector<uint8_t> out;
    EXPECT_EQ(inflate({}, out), 53);
    EXPECT_EQ(inflate({0x78}, out), 53);
    // CMF and FLG with the check bits of FLG chosen so that CMF x 256 + FLG is a multiple of 31.
    const auto header = [](uint8_t cmf, uint8_t flagBits) {
        const uint8_t flg = uint8_t(flagBits + (31 - (cmf * 256 + flagBits) % 31) % 31);
        return std::vector<uint8_t>{cmf, flg, 0x03, 0x00};
    };
    EXPECT_EQ(inflate(header(0x78, 0), out), 0);
    EXPECT_EQ(inflate({0x78, 0x02, 0x03, 0x00}, out), 24);
    EXPECT_EQ(inflate(header(0x77, 0), out), 25); // method 7
    EXPECT_EQ(inflate(header(0x79, 0), out), 25); // method 9
    EXPECT_EQ(inflate(header(0x88, 0), out), 25); // window field 8 (64 KiB)
    EXPECT_EQ(inflate(header(0x78, 0x20), out), 26);
    EXPECT_EQ(inflate({0x78, 0x01}, out), 52); // no block at all
}

TEST(Inflate, RejectsBrokenBlocks) {
    std::vector<uint8_t> out;
    BitWriter reserved;
    reserved.field(1, 1);
    reserved.field(3, 2);
    EXPECT_EQ(inflate(reserved.bytes, out), 20);

    EXPECT_EQ(inflate({0x78, 0x01, 0x01, 0x05, 0x00}, out), 52);                  // LEN/NLEN cut short
    EXPECT_EQ(inflate({0x78, 0x01, 0x01, 0x05, 0x00, 0xfa, 0xf0, 'a'}, out), 21); // not complements
    EXPECT_EQ(inflate({0x78, 0x01, 0x01, 0x05, 0x00, 0xfa, 0xff, 'a'}, out), 23); // 5 bytes promised, 1 given
    EXPECT_EQ(inflate({0x78, 0x01, 0x01, 0x01, 0x00, 0xfe, 0xff, 'a'}, out), 0);
    EXPECT_EQ(out.size(), 1u);

    BitWriter notLast;
    notLast.fixedHeader(false);
    notLast.fixedSymbol(256);
    EXPECT_EQ(inflate(notLast.bytes, out), 52); // the next block header is missing
}

TEST(Inflate, RejectsBadSymbolsInFixedBlocks) {
    std::vector<uint8_t> out;
    BitWriter beforeStart;
    beforeStart.fixedHeader();
    beforeStart.fixedSymbol(257); // length 3
    beforeStart.code(0, 5);       // distance 1, but nothing has been written yet
    EXPECT_EQ(inflate(beforeStart.bytes, out), 71);

    BitWriter tooFar;
    tooFar.fixedHeader();
    tooFar.fixedSymbol('a');
    tooFar.fixedSymbol(257);
    tooFar.code(1, 5); // distance 2 with one byte written
    EXPECT_EQ(inflate(tooFar.bytes, out), 71);

    BitWriter badDistance;
    badDistance.fixedHeader();
    badDistance.fixedSymbol('a');
    badDistance.fixedSymbol(257);
    badDistance.code(30, 5);
    EXPECT_EQ(inflate(badDistance.bytes, out), 18);

    BitWriter cutExtra;
    cutExtra.fixedHeader();
    cutExtra.fixedSymbol('a');
    cutExtra.fixedSymbol(257);
    cutExtra.code(29, 5); // needs 13 extra bits; at most 7 padding bits follow
    EXPECT_EQ(inflate(cutExtra.bytes, out), 51);

    BitWriter cutCode;
    cutCode.fixedHeader();
    cutCode.fixedSymbol('a'); // 11 bits; the 5 padding bits start a 7-bit code
    ASSERT_EQ(cutCode.bitCount, 11u);
    EXPECT_EQ(inflate(cutCode.bytes, out), 10);
}

// Literal/length lengths with 'a' and end-of-block, and one distance code, as a vector of 258.
std::vector<uint8_t> smallCodeLengths(uint8_t literalLength, uint8_t endLength) {
    std::vector<uint8_t> lengths(258, 0);
    lengths['a'] = literalLength;
    lengths[256] = endLength;
    lengths[257] = 1; // the one distance code
    return lengths;
}

TEST(Inflate, DecodesAndRejectsDynamicBlocks) {
    std::vector<uint8_t> out;
    BitWriter good;
    good.dynamicHeader(257, 1);
    good.lengths(smallCodeLengths(1, 1)); // 'a' = 0, end = 1
    good.code(0, 1);
    good.code(0, 1);
    good.code(1, 1);
    ASSERT_EQ(inflate(good.bytes, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.end()), "aa");

    BitWriter incomplete;
    incomplete.dynamicHeader(257, 1);
    incomplete.lengths(smallCodeLengths(1, 2)); // 'a' = 0, end = 10, 11 unused
    incomplete.code(3, 2);
    EXPECT_EQ(inflate(incomplete.bytes, out), 11);

    BitWriter noEnd;
    noEnd.dynamicHeader(257, 1);
    noEnd.lengths(smallCodeLengths(1, 0));
    EXPECT_EQ(inflate(noEnd.bytes, out), 64);

    BitWriter overfull;
    overfull.dynamicHeader(257, 1);
    std::vector<uint8_t> three = smallCodeLengths(1, 1);
    three['b'] = 1;
    overfull.lengths(three);
    EXPECT_EQ(inflate(overfull.bytes, out), 55);

    BitWriter headerAtEnd;
    headerAtEnd.field(1, 1);
    headerAtEnd.field(2, 2);
    EXPECT_EQ(inflate(headerAtEnd.bytes, out), 49);

    BitWriter headerCut;
    headerCut.dynamicHeader(257, 1);
    headerCut.bytes.resize(headerCut.bytes.size() - 3);
    EXPECT_EQ(inflate(headerCut.bytes, out), 49);
}

TEST(Inflate, RejectsCodeLengthRunsThatOverflowOrHaveNoPredecessor) {
    std::vector<uint8_t> out;
    // 258 lengths in all: 1 + 138 + 118 zeros leaves 1 slot; each run below needs at least 3.
    const auto prefix = [](BitWriter& w) {
        w.dynamicHeader(257, 1);
        w.lengthSymbol(1);
        w.lengthSymbol(18);
        w.field(127, 7); // 138 zeros
        w.lengthSymbol(18);
        w.field(107, 7); // 118 zeros
    };
    BitWriter repeat;
    prefix(repeat);
    repeat.lengthSymbol(16);
    repeat.field(0, 2);
    EXPECT_EQ(inflate(repeat.bytes, out), 13);

    BitWriter zeros17;
    prefix(zeros17);
    zeros17.lengthSymbol(17);
    zeros17.field(0, 3);
    EXPECT_EQ(inflate(zeros17.bytes, out), 14);

    BitWriter zeros18;
    prefix(zeros18);
    zeros18.lengthSymbol(18);
    zeros18.field(0, 7);
    EXPECT_EQ(inflate(zeros18.bytes, out), 15);

    BitWriter noPrevious;
    noPrevious.dynamicHeader(257, 1);
    noPrevious.lengthSymbol(16);
    noPrevious.field(0, 2);
    EXPECT_EQ(inflate(noPrevious.bytes, out), 72);

    // Code 18 needs 7 extra bits; end the stream so that fewer remain.
    BitWriter cut;
    cut.dynamicHeader(257, 1);
    while (cut.bitCount % 8 != 2) {
        cut.lengthSymbol(0);
    }
    cut.lengthSymbol(18); // ends 7 bits into a byte: one padding bit left
    EXPECT_EQ(inflate(cut.bytes, out), 50);
}

} // namespace
} // namespace tessellune
