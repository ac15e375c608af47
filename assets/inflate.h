// Decompressor for zlib streams carrying DEFLATE data, used by the PNG decoder at start-up.
//
// Conventions: the whole compressed stream is in memory; the whole result is produced in one call.
// Bits are read least significant first; Huffman codes are decoded by walking a binary tree of
// child-index pairs. The Adler-32 checksum is never verified. The function returns 0 on success
// or one of the error numbers below; on error the output is not to be used.
//
// Error numbers (shared with the PNG decoder, see png_decoder.h for the PNG ones):
//   10 the input ends in the middle of a Huffman code
//   11 a Huffman code leads outside the code tree (incomplete or invalid code)
//   13 a repeat of the previous code length (code 16) runs past the literal/length + distance codes
//   14 a run of zero lengths with code 17 runs past that number
//   15 a run of zero lengths with code 18 runs past that number
//   16 a code-length symbol above 18
//   18 a distance symbol above 29
//   20 block type 3
//   21 a stored block's LEN and NLEN are not complements
//   23 a stored block's data runs past the end of the input
//   24 zlib header check value not a multiple of 31
//   25 zlib compression method not 8, or window size above 32 KiB
//   26 zlib preset dictionary requested
//   49 a dynamic block's header (counts and code-length code lengths) runs out of input
//   50 the input ends while reading the extra bits of code-length codes 16, 17 or 18
//   51 the input ends while reading the extra bits of a length or a distance
//   52 a block header, or a stored block's LEN and NLEN, lies beyond the end of the input
//   53 zlib data shorter than 2 bytes
//   55 the code lengths of a Huffman code overflow the code tree
//   64 the end-of-block symbol (256) has code length 0 in a dynamic block
//   71 a back-reference reaches before the start of the output
//   72 a code 16 (repeat previous length) with no previous length
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace tessellune {

// Decompresses `input` (a zlib stream) into `output` (replaced). Decoding stops successfully once
// `outputLimit` bytes have been produced, so that a hostile stream cannot make the output grow
// without bound; the PNG decoder passes the size its image needs.
int32_t inflateZlib(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    size_t outputLimit = std::numeric_limits<size_t>::max());

} // namespace tessellune
