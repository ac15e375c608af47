// Format attempt orders and the full-screen mode choice.
#include "display/format_choice.h"

namespace Scanout {

DeviceAttemptList deviceAttempts(Mode mode) {
    DeviceAttemptList list;
    const auto add = [&list](Format format, DeviceKind kind) { list.items[list.count++] = {format, kind}; };
    const bool floating = mode == Mode::FloatingPoint;
    if (floating) {
        add(Format::XBGRFFFF, DeviceKind::Hardware);
    }
    add(Format::XRGB8888, DeviceKind::Hardware);
    add(Format::XBGR8888, DeviceKind::Hardware);
    add(Format::RGB888, DeviceKind::Hardware);
    add(Format::RGB565, DeviceKind::Hardware);
    add(Format::XRGB1555, DeviceKind::Hardware);
    if (floating) {
        add(Format::XBGRFFFF, DeviceKind::Reference);
    }
    add(Format::XRGB8888, DeviceKind::Reference);
    return list;
}

FormatList textureFormats(Mode mode) {
    FormatList list;
    if (mode == Mode::FloatingPoint) {
        list.items[list.count++] = Format::XBGRFFFF;
    }
    for (Format format :
         {Format::XRGB8888, Format::XBGR8888, Format::RGB888, Format::RGB565, Format::XRGB1555}) {
        list.items[list.count++] = format;
    }
    return list;
}

int chooseFullscreenMode(std::span<const ModeSize> modes, int framebufferWidth, int framebufferHeight) {
    int chosen = -1;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        const ModeSize& m = modes[i];
        if (m.width < framebufferWidth || m.height < framebufferHeight) {
            continue;
        }
        if (chosen < 0 || (m.width <= modes[static_cast<std::size_t>(chosen)].width &&
                           m.height <= modes[static_cast<std::size_t>(chosen)].height)) {
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

} // namespace Scanout
