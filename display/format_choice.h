// The order in which a host tries presentation formats, and the choice of a full-screen mode.
//
// Conventions: device attempts pair a format with a device kind (Hardware first, Reference as the
// last resort); FloatingPoint mode puts XBGRFFFF first in each list. The full-screen mode is the
// smallest listed mode that holds the framebuffer; among equal sizes the later one wins.
#pragma once

#include <cstddef>
#include <span>

#include "display/scanout_types.h"

namespace Scanout {

enum class DeviceKind : int { Hardware = 0, Reference = 1 };

struct DeviceAttempt {
    Format format;
    DeviceKind kind;
};

struct DeviceAttemptList {
    static constexpr int CAPACITY = 8;
    DeviceAttempt items[CAPACITY];
    int count = 0;
};

struct FormatList {
    static constexpr int CAPACITY = 6;
    Format items[CAPACITY];
    int count = 0;
};

DeviceAttemptList deviceAttempts(Mode mode);
FormatList textureFormats(Mode mode);

struct ModeSize {
    int width;
    int height;
};

// Index of the chosen mode in the list, or -1 when no mode holds the framebuffer.
int chooseFullscreenMode(std::span<const ModeSize> modes, int framebufferWidth, int framebufferHeight);

} // namespace Scanout
