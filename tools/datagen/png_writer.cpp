// PNG files of the data set's pictures, through the tools' shared writer.
#include "tools/datagen/png_writer.h"

#include "tools/common/png_writer.h"

namespace tessellune::datagen {

std::vector<uint8_t> encodePng(const RgbaImage& image) {
    return tools::encodePngRgba(image.width, image.height, image.pixels);
}

bool writePng(const std::string& path, const RgbaImage& image, std::string& error) {
    return tools::writePngRgba(path, image.width, image.height, image.pixels, error);
}

} // namespace tessellune::datagen
