// Line and item scanning shared by the OBJ and MTL readers.
//
// Conventions: a line ends at "\n"; a carriage return before it is dropped. Everything from the
// first "#" on is a comment. Items are separated by runs of spaces and tabs (and the other C
// whitespace characters), so trailing spaces, doubled spaces and tabs never make empty items.
// Numbers are read without locale: floats as the C library writes them ("+" allowed), integers
// as an optional sign and decimal digits, reading stopping at the first other character.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tessellune {

struct LineCursor {
    std::string_view rest;  // the text not read yet
    int32_t lineNumber = 0; // 1-based number of the line last returned
};

// Returns false at the end of the text; otherwise the next line without its "\n" and "\r".
bool nextLine(LineCursor& cursor, std::string_view& line);

// The items of a line before its comment (replaces `items`).
void splitItems(std::string_view line, std::vector<std::string_view>& items);

// Reads a whole-or-leading float; false when the item does not start with a number.
bool parseFloat(std::string_view item, float& value);

// Reads a leading integer (sign and digits); false when there are no digits. Saturates at the
// 32-bit limits. "96.078" reads as 96.
bool parseInteger(std::string_view item, int32_t& value);

} // namespace tessellune
