// PNG file to premultiplied float texture, and the fatal exit when a texture cannot be had.
#include "assets/texture_loader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#ifdef _WIN32
#include <conio.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "assets/file_reader.h"
#include "assets/png_decoder.h"
#include "render/packed_texel.h"

namespace tessellune {
namespace {

// c x (1/255) in double, rounded to float once: the same value for every channel byte c.
const std::array<float, 256>& channelTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int c = 0; c < 256; ++c) {
            values[c] = static_cast<float>(c * (1.0 / 255.0));
        }
        return values;
    }();
    return table;
}

// Waits for one key when a person is at the console (no Enter needed, as with _getch); never
// blocks in CI or behind a pipe.
void waitForKeyIfInteractive() {
#ifdef _WIN32
    // Only a real console has a console mode; the NUL device and pipes do not.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0) {
        _getch();
    }
#else
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    termios saved{};
    const bool raw = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (raw) {
        // One byte, unechoed, without waiting for the line; the terminal is put back after.
        termios single = saved;
        single.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        single.c_cc[VMIN] = 1;
        single.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &single);
    }
    unsigned char key = 0;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    if (raw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
#endif
}

} // namespace

FloatImage* makeTextureImage(std::span<const uint8_t> rgba, int32_t width, int32_t height) {
    const size_t count = size_t(width) * size_t(height);
    Vec4* pixels = new (std::nothrow) Vec4[count];
    if (pixels == nullptr) {
        return nullptr;
    }
    FloatImage* image = nullptr;
    try {
        image = new FloatImage;
    } catch (const std::bad_alloc&) {
        delete[] pixels;
        return nullptr;
    }
    image->width = width;
    image->height = height;
    image->pixels = pixels;
    image->ownsPixels = true;
    const std::array<float, 256>& toFloat = channelTable();
    for (size_t i = 0; i < count && 4 * i + 3 < rgba.size(); ++i) {
        const uint8_t* p = rgba.data() + 4 * i;
        const float a = toFloat[p[3]];
        image->pixels[i] = Vec4{toFloat[p[0]] * a, toFloat[p[1]] * a, toFloat[p[2]] * a, a};
    }
    return image;
}

uint32_t* makePackedTexels(std::span<const uint8_t> rgba, int32_t width, int32_t height) {
    const size_t count = size_t(width) * size_t(height);
    uint32_t* packed = new (std::nothrow) uint32_t[count]();
    if (packed == nullptr) {
        return nullptr;
    }
    for (size_t i = 0; i < count && 4 * i + 3 < rgba.size(); ++i) {
        const uint8_t* p = rgba.data() + 4 * i;
        packed[i] = packTexel(p[0], p[1], p[2], p[3]);
    }
    return packed;
}

Texture* tryLoadTexture(const std::string& fileName, const std::string& directory,
                        const std::string& textureName, int32_t& error) {
    // Running out of memory anywhere here (the file, the decoded bytes, the texels) is the decoder's
    // out-of-memory error, never an exception for the caller or a texture without texels.
    try {
        const std::vector<uint8_t> bytes = readFile(directory + fileName);
        std::vector<uint8_t> rgba;
        const PngInfo info = decodePng(bytes, rgba);
        error = info.error;
        if (error != 0) {
            return nullptr;
        }
        auto texture = std::make_unique<Texture>();
        texture->name = textureName;
        texture->image =
            makeTextureImage(rgba, static_cast<int32_t>(info.width), static_cast<int32_t>(info.height));
        if (texture->image == nullptr) {
            error = PNG_OUT_OF_MEMORY;
            return nullptr;
        }
        // Without room for the compact copy the fills read the float texels: the same picture.
        texture->packed =
            makePackedTexels(rgba, static_cast<int32_t>(info.width), static_cast<int32_t>(info.height));
        return texture.release();
    } catch (const std::bad_alloc&) {
        error = PNG_OUT_OF_MEMORY;
        return nullptr;
    }
}

Texture* loadTexture(const std::string& fileName, const std::string& directory,
                     const std::string& textureName) {
    int32_t error = 0;
    Texture* texture = tryLoadTexture(fileName, directory, textureName, error);
    if (texture == nullptr) {
        std::printf("error(%d) decoding png from [%s]\n", error, fileName.c_str());
        std::fflush(stdout);
        waitForKeyIfInteractive();
        std::exit(1);
    }
    return texture;
}

void destroyTexture(Texture* texture) {
    if (texture == nullptr) {
        return;
    }
    if (texture->image != nullptr) {
        releaseFloatImage(*texture->image);
        delete texture->image;
    }
    delete[] texture->packed;
    delete texture;
}

} // namespace tessellune
