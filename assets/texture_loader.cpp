// PNG file to premultiplied float texture, and the fatal exit when a texture cannot be had.
#include "assets/texture_loader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#ifdef _WIN32
#include <conio.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "assets/file_reader.h"
#include "assets/png_decoder.h"

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

// Waits for one key when a person is at the console; never blocks in CI or behind a pipe.
void waitForKeyIfInteractive() {
#ifdef _WIN32
    // Only a real console has a console mode; the NUL device and pipes do not.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0) {
        _getch();
    }
#else
    if (isatty(STDIN_FILENO)) {
        std::getchar();
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
    FloatImage* image = new FloatImage;
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

Texture* tryLoadTexture(const std::string& fileName, const std::string& directory,
                        const std::string& textureName, int32_t& error) {
    const std::vector<uint8_t> bytes = readFile(directory + fileName);
    std::vector<uint8_t> rgba;
    const PngInfo info = decodePng(bytes, rgba);
    error = info.error;
    if (error != 0) {
        return nullptr;
    }
    Texture* texture = new Texture;
    texture->name = textureName;
    texture->image =
        makeTextureImage(rgba, static_cast<int32_t>(info.width), static_cast<int32_t>(info.height));
    return texture;
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

void releaseImage(FloatImage& image) {
    if (image.ownsPixels) {
        delete[] image.pixels;
    }
    image.pixels = nullptr;
}

void destroyTexture(Texture* texture) {
    if (texture == nullptr) {
        return;
    }
    if (texture->image != nullptr) {
        releaseImage(*texture->image);
        delete texture->image;
    }
    delete texture;
}

} // namespace tessellune
