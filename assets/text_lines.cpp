// Line splitting, comment cutting and number reading for the text asset formats.
#include "assets/text_lines.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tessellune {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

bool nextLine(LineCursor& cursor, std::string_view& line) {
    if (cursor.rest.empty()) {
        return false;
    }
    const size_t end = cursor.rest.find('\n');
    if (end == std::string_view::npos) {
        line = cursor.rest;
        cursor.rest = {};
    } else {
        line = cursor.rest.substr(0, end);
        cursor.rest.remove_prefix(end + 1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    ++cursor.lineNumber;
    return true;
}

void splitItems(std::string_view line, std::vector<std::string_view>& items) {
    items.clear();
    const size_t comment = line.find('#');
    if (comment != std::string_view::npos) {
        line = line.substr(0, comment);
    }
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i])) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && !isSpace(line[i])) {
            ++i;
        }
        if (i > start) {
            items.push_back(line.substr(start, i - start));
        }
    }
}

#if defined(__EMSCRIPTEN__)
// The browser build's C++ library has no floating-point from_chars: the C library's correctly
// rounded parser on a bounded copy stands in, refusing what from_chars refuses (leading space, a
// sign other than '-', hexadecimal) and reporting a value out of a float's range the same way.
struct FloatParse {
    std::errc ec;
};
constexpr size_t NUMBER_TEXT = 128; // longer items are no number anyone writes

// The item as a C string in `text`; false when it is empty or too long for it.
bool boundedCopy(std::string_view item, char (&text)[NUMBER_TEXT]) {
    if (item.empty() || item.size() >= NUMBER_TEXT) {
        return false;
    }
    std::memcpy(text, item.data(), item.size());
    text[item.size()] = '\0';
    return true;
}

FloatParse fromChars(std::string_view item, float& value) {
    char text[NUMBER_TEXT];
    if (!boundedCopy(item, text) || std::isspace(static_cast<unsigned char>(item.front())) ||
        item.front() == '+') {
        return {std::errc::invalid_argument};
    }
    const char* digits = text[0] == '-' ? text + 1 : text;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        value = text[0] == '-' ? -0.0f : 0.0f; // from_chars reads the "0" alone
        return {std::errc{}};
    }
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(text, &end);
    if (end == text) {
        return {std::errc::invalid_argument};
    }
    if (errno == ERANGE) {
        return {std::errc::result_out_of_range};
    }
    value = parsed;
    return {std::errc{}};
}
FloatParse fromChars(std::string_view item, double& value) {
    char text[NUMBER_TEXT];
    if (!boundedCopy(item, text)) {
        return {std::errc::invalid_argument};
    }
    value = std::strtod(text, nullptr);
    return {std::errc{}};
}
#endif

bool parseFloat(std::string_view item, float& value) {
    if (!item.empty() && item.front() == '+') {
        item.remove_prefix(1);
        if (!item.empty() && item.front() == '-') {
            return false;
        }
    }
#if defined(__EMSCRIPTEN__)
    const auto result = fromChars(item, value);
#else
    const auto result = std::from_chars(item.data(), item.data() + item.size(), value);
#endif
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a float: keep the nearest representable value.
        double wide = 0.0;
#if defined(__EMSCRIPTEN__)
        fromChars(item, wide);
#else
        std::from_chars(item.data(), item.data() + item.size(), wide);
#endif
        value = static_cast<float>(wide);
        return true;
    }
    return result.ec == std::errc{};
}

bool parseInteger(std::string_view item, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) {
        negative = item[i] == '-';
        ++i;
    }
    const size_t firstDigit = i;
    int64_t magnitude = 0;
    constexpr int64_t LIMIT = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    while (i < item.size() && item[i] >= '0' && item[i] <= '9') {
        magnitude = magnitude * 10 + (item[i] - '0');
        if (magnitude > LIMIT) {
            magnitude = LIMIT;
        }
        ++i;
    }
    if (i == firstDigit) {
        return false;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int32_t>(signedValue > std::numeric_limits<int32_t>::max()
                                     ? std::numeric_limits<int32_t>::max()
                                     : signedValue);
    return true;
}

} // namespace tessellune
