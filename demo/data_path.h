// Where the demo's data lives: the "data" folder next to the running executable.
//
// Every path the program composes goes through these helpers, so the platform separator and the
// executable's own location are decided in one place.
#pragma once

#include <string>

namespace tessellune {

#ifdef _WIN32
inline constexpr char PATH_SEPARATOR = '\\';
#else
inline constexpr char PATH_SEPARATOR = '/';
#endif

// The folder holding the running executable, ending with the separator; "" when it cannot be told.
std::string executableDirectory();

// The data folder next to the executable, ending with the separator (the loaders append names).
std::string dataDirectory();

// A file inside a folder that ends with its separator.
inline std::string joinPath(const std::string& directory, const std::string& name) {
    return directory + name;
}

} // namespace tessellune
