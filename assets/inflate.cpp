// zlib/DEFLATE decompression with a bit reader and tree-walking Huffman decoding.
#include "assets/inflate.h"

#include <array>

namespace tessellune {
namespace {

constexpr int32_t NUM_LITERAL_LENGTH_SYMBOLS = 288;
constexpr int32_t NUM_DISTANCE_SYMBOLS = 32;
constexpr int32_t NUM_CODE_LENGTH_SYMBOLS = 19;
constexpr int32_t MAX_CODE_BITS = 15;
constexpr int32_t END_OF_BLOCK = 256;

constexpr std::array<uint16_t, 29> LENGTH_BASE = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> LENGTH_EXTRA = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> DISTANCE_BASE = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> DISTANCE_EXTRA = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block lists the code lengths of the code-length alphabet.
constexpr std::array<uint8_t, NUM_CODE_LENGTH_SYMBOLS> CODE_LENGTH_ORDER = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Reads the input one bit at a time, least significant bit of each byte first.
struct BitReader {
    const uint8_t* data = nullptr;
    size_t bitCount = 0;
    size_t position = 0; // in bits

    bool has(size_t bits) const { return position <= bitCount && bitCount - position >= bits; }
    uint32_t bit() {
        const uint32_t value = (data[position >> 3] >> (position & 7)) & 1u;
        ++position;
        return value;
    }
    // Reads `count` bits as a little-endian number; the caller checks has(count) first.
    uint32_t bits(int32_t count) {
        uint32_t value = 0;
        for (int32_t i = 0; i < count; ++i) {
            value |= bit() << i;
        }
        return value;
    }
};

// A Huffman code as a binary tree: node n has children at 2n (bit 0) and 2n + 1 (bit 1). A child
// is NO_CHILD, another node's index, or LEAF + symbol.
struct HuffmanTree {
    static constexpr int32_t NO_CHILD = -1;
    static constexpr int32_t LEAF = 1 << 20;
    std::vector<int32_t> children;
};

// Builds the canonical code for `lengths` (0 = symbol unused). Returns 0 or 55 when the lengths
// describe more codes than a prefix code can hold.
int32_t buildTree(HuffmanTree& tree, const uint8_t* lengths, int32_t symbolCount) {
    std::array<int32_t, MAX_CODE_BITS + 1> lengthCount{};
    for (int32_t s = 0; s < symbolCount; ++s) {
        ++lengthCount[lengths[s]];
    }
    lengthCount[0] = 0;
    std::array<uint32_t, MAX_CODE_BITS + 2> nextCode{};
    uint32_t code = 0;
    for (int32_t bits = 1; bits <= MAX_CODE_BITS; ++bits) {
        code = (code + static_cast<uint32_t>(lengthCount[bits - 1])) << 1;
        nextCode[bits] = code;
    }
    tree.children.assign(2, HuffmanTree::NO_CHILD);
    for (int32_t s = 0; s < symbolCount; ++s) {
        const int32_t length = lengths[s];
        if (length == 0) {
            continue;
        }
        const uint32_t symbolCode = nextCode[length]++;
        if (symbolCode >= (1u << length)) {
            return 55;
        }
        size_t node = 0;
        for (int32_t i = length - 1; i >= 0; --i) {
            const size_t slot = 2 * node + ((symbolCode >> i) & 1u);
            int32_t& child = tree.children[slot];
            if (i == 0) {
                if (child != HuffmanTree::NO_CHILD) {
                    return 55;
                }
                child = HuffmanTree::LEAF + s;
            } else if (child == HuffmanTree::NO_CHILD) {
                const int32_t newNode = static_cast<int32_t>(tree.children.size() / 2);
                tree.children[slot] = newNode;
                tree.children.push_back(HuffmanTree::NO_CHILD);
                tree.children.push_back(HuffmanTree::NO_CHILD);
                node = static_cast<size_t>(newNode);
            } else if (child >= HuffmanTree::LEAF) {
                return 55;
            } else {
                node = static_cast<size_t>(child);
            }
        }
    }
    return 0;
}

// Walks the tree bit by bit. Returns the symbol, or -10 / -11 for the two decoding errors.
int32_t decodeSymbol(const HuffmanTree& tree, BitReader& reader) {
    size_t node = 0;
    for (;;) {
        if (!reader.has(1)) {
            return -10;
        }
        const int32_t child = tree.children[2 * node + reader.bit()];
        if (child == HuffmanTree::NO_CHILD) {
            return -11;
        }
        if (child >= HuffmanTree::LEAF) {
            return child - HuffmanTree::LEAF;
        }
        node = static_cast<size_t>(child);
    }
}

struct Inflater {
    BitReader reader;
    std::vector<uint8_t>& out;
    size_t limit;
    bool full = false; // the output limit has been reached: decoding ends successfully

    void put(uint8_t byte) {
        if (out.size() >= limit) {
            full = true;
            return;
        }
        out.push_back(byte);
    }

    int32_t storedBlock() {
        reader.position = (reader.position + 7) & ~size_t{7};
        if (!reader.has(32)) {
            return 52;
        }
        const uint8_t* p = reader.data + reader.position / 8;
        const uint32_t length = p[0] | (p[1] << 8);
        const uint32_t inverse = p[2] | (p[3] << 8);
        if ((length ^ 0xffffu) != inverse) {
            return 21;
        }
        reader.position += 32;
        if (!reader.has(size_t{length} * 8)) {
            return 23;
        }
        for (uint32_t i = 0; i < length && !full; ++i) {
            put(reader.data[reader.position / 8 + i]);
        }
        reader.position += size_t{length} * 8;
        return 0;
    }

    static void fixedTrees(HuffmanTree& literals, HuffmanTree& distances) {
        std::array<uint8_t, NUM_LITERAL_LENGTH_SYMBOLS> lengths{};
        for (int32_t s = 0; s < NUM_LITERAL_LENGTH_SYMBOLS; ++s) {
            lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        }
        buildTree(literals, lengths.data(), NUM_LITERAL_LENGTH_SYMBOLS);
        std::array<uint8_t, NUM_DISTANCE_SYMBOLS> distanceLengths;
        distanceLengths.fill(5);
        buildTree(distances, distanceLengths.data(), NUM_DISTANCE_SYMBOLS);
    }

    int32_t dynamicTrees(HuffmanTree& literals, HuffmanTree& distances) {
        if (!reader.has(14)) {
            return 49;
        }
        const int32_t literalCount = static_cast<int32_t>(reader.bits(5)) + 257;
        const int32_t distanceCount = static_cast<int32_t>(reader.bits(5)) + 1;
        const int32_t codeLengthCount = static_cast<int32_t>(reader.bits(4)) + 4;
        if (!reader.has(size_t(3 * codeLengthCount))) {
            return 49;
        }
        std::array<uint8_t, NUM_CODE_LENGTH_SYMBOLS> codeLengthLengths{};
        for (int32_t i = 0; i < codeLengthCount; ++i) {
            codeLengthLengths[CODE_LENGTH_ORDER[i]] = static_cast<uint8_t>(reader.bits(3));
        }
        HuffmanTree codeLengthTree;
        if (const int32_t error =
                buildTree(codeLengthTree, codeLengthLengths.data(), NUM_CODE_LENGTH_SYMBOLS)) {
            return error;
        }

        // literalCount <= 288 and distanceCount <= 32 by their field widths.
        std::array<uint8_t, NUM_LITERAL_LENGTH_SYMBOLS + NUM_DISTANCE_SYMBOLS> lengths{};
        const int32_t total = literalCount + distanceCount;
        int32_t i = 0;
        while (i < total) {
            const int32_t symbol = decodeSymbol(codeLengthTree, reader);
            if (symbol < 0) {
                return -symbol;
            }
            if (symbol <= 15) {
                lengths[i++] = static_cast<uint8_t>(symbol);
                continue;
            }
            if (symbol > 18) {
                return 16;
            }
            const int32_t extraBits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
            if (!reader.has(size_t(extraBits))) {
                return 50;
            }
            const int32_t repeat = static_cast<int32_t>(reader.bits(extraBits)) + (symbol == 18 ? 11 : 3);
            uint8_t value = 0;
            if (symbol == 16) {
                if (i == 0) {
                    return 72;
                }
                value = lengths[i - 1];
            }
            if (i + repeat > total) {
                return symbol == 16 ? 13 : symbol == 17 ? 14 : 15;
            }
            for (int32_t r = 0; r < repeat; ++r) {
                lengths[i++] = value;
            }
        }
        if (lengths[END_OF_BLOCK] == 0) {
            return 64;
        }
        // Unlisted symbols keep length 0, so both trees cover their whole alphabets.
        if (const int32_t error = buildTree(literals, lengths.data(), literalCount)) {
            return error;
        }
        return buildTree(distances, lengths.data() + literalCount, distanceCount);
    }

    int32_t compressedBlock(const HuffmanTree& literals, const HuffmanTree& distances) {
        while (!full) {
            const int32_t symbol = decodeSymbol(literals, reader);
            if (symbol < 0) {
                return -symbol;
            }
            if (symbol < 256) {
                put(static_cast<uint8_t>(symbol));
                continue;
            }
            if (symbol == END_OF_BLOCK) {
                return 0;
            }
            if (symbol >= 286) {
                continue; // 286 and 287 are reserved; they produce nothing
            }
            const int32_t lengthIndex = symbol - 257;
            const int32_t lengthExtra = LENGTH_EXTRA[lengthIndex];
            if (!reader.has(size_t(lengthExtra))) {
                return 51;
            }
            const size_t length = LENGTH_BASE[lengthIndex] + reader.bits(lengthExtra);

            const int32_t distanceSymbol = decodeSymbol(distances, reader);
            if (distanceSymbol < 0) {
                return -distanceSymbol;
            }
            if (distanceSymbol > 29) {
                return 18;
            }
            const int32_t distanceExtra = DISTANCE_EXTRA[distanceSymbol];
            if (!reader.has(size_t(distanceExtra))) {
                return 51;
            }
            const size_t distance = DISTANCE_BASE[distanceSymbol] + reader.bits(distanceExtra);
            if (distance > out.size()) {
                return 71;
            }
            // Byte by byte: a copy may overlap the bytes it is producing.
            size_t from = out.size() - distance;
            for (size_t k = 0; k < length && !full; ++k) {
                put(out[from++]);
            }
        }
        return 0;
    }

    int32_t run() {
        HuffmanTree literals;
        HuffmanTree distances;
        bool last = false;
        while (!last && !full) {
            if (!reader.has(3)) {
                return 52;
            }
            last = reader.bit() != 0;
            const uint32_t type = reader.bits(2);
            int32_t error = 0;
            if (type == 0) {
                error = storedBlock();
            } else if (type == 3) {
                error = 20;
            } else {
                if (type == 1) {
                    fixedTrees(literals, distances);
                } else {
                    error = dynamicTrees(literals, distances);
                }
                if (error == 0) {
                    error = compressedBlock(literals, distances);
                }
            }
            if (error != 0) {
                return error;
            }
        }
        return 0;
    }
};

} // namespace

int32_t inflateZlib(std::span<const uint8_t> input, std::vector<uint8_t>& output, size_t outputLimit) {
    output.clear();
    if (input.size() < 2) {
        return 53;
    }
    const uint32_t cmf = input[0];
    const uint32_t flg = input[1];
    if ((cmf * 256 + flg) % 31 != 0) {
        return 24;
    }
    if ((cmf & 15) != 8 || (cmf >> 4) > 7) {
        return 25;
    }
    if ((flg >> 5) & 1) {
        return 26;
    }
    // Typical image data compresses 2 to 10 times; reserving avoids most regrowth.
    const size_t guess = input.size() > outputLimit / 4 ? outputLimit : input.size() * 4;
    output.reserve(guess);
    Inflater inflater{BitReader{input.data() + 2, (input.size() - 2) * 8, 0}, output, outputLimit};
    return inflater.run();
}

} // namespace tessellune
