// The row walk that carries a dirty box from a pixel array into a locked surface.
#include "display/windows/dirty_rows.h"

#include <cstddef>

namespace Scanout {

bool clipDirtyBox(const DirtyBox* box, int width, int height, DirtyBox& clipped) {
    clipped = box != nullptr ? *box : DirtyBox{0, width, 0, height};
    // A box reaching outside the framebuffer is cut to it rather than read or written out of bounds.
    const auto clamp = [](int value, int limit) { return value < 0 ? 0 : (value > limit ? limit : value); };
    clipped.xBegin = clamp(clipped.xBegin, width);
    clipped.xEnd = clamp(clipped.xEnd, width);
    clipped.yBegin = clamp(clipped.yBegin, height);
    clipped.yEnd = clamp(clipped.yEnd, height);
    return clipped.xEnd > clipped.xBegin && clipped.yEnd > clipped.yBegin;
}

void convertRows(const Converter& converter, const void* source, int sourceBytesPerPixel, int width,
                 const DirtyBox& box, void* destination, int pitch) {
    const std::ptrdiff_t sourceRowBytes = static_cast<std::ptrdiff_t>(width) * sourceBytesPerPixel;
    const auto* sourceRow = static_cast<const unsigned char*>(source) +
                            static_cast<std::ptrdiff_t>(box.yBegin) * sourceRowBytes +
                            static_cast<std::ptrdiff_t>(box.xBegin) * sourceBytesPerPixel;
    auto* destinationRow = static_cast<unsigned char*>(destination);
    converter.begin();
    for (int y = box.yBegin; y < box.yEnd; ++y) {
        converter.convert(sourceRow, destinationRow, box.xEnd - box.xBegin);
        sourceRow += sourceRowBytes;
        destinationRow += pitch;
    }
    converter.end();
}

} // namespace Scanout
