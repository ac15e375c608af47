// Centring, zoom, aspect fit and pointer mapping arithmetic.
#include "display/window_geometry.h"

namespace Scanout {

Point centredPosition(int outerWidth, int outerHeight, int screenWidth, int screenHeight) {
    int x = (screenWidth - outerWidth) >> 1;
    int y = (screenHeight - outerHeight) >> 1;
    return Point{x < 0 ? 0 : x, y < 0 ? 0 : y};
}

Rect zoomedWindowRect(Rect outer, int framebufferWidth, int framebufferHeight, float factor,
                      FrameInsets frame) {
    const int centreX = (outer.left + outer.right) / 2;
    const int centreY = (outer.top + outer.bottom) / 2;
    const int clientWidth = static_cast<int>(static_cast<float>(framebufferWidth) * factor);
    const int clientHeight = static_cast<int>(static_cast<float>(framebufferHeight) * factor);
    Rect r{-frame.left, -frame.top, clientWidth + frame.right, clientHeight + frame.bottom};
    if (r.left < 0) {
        r.right -= r.left;
        r.left = 0;
    }
    if (r.top < 0) {
        r.bottom -= r.top;
        r.top = 0;
    }
    const int w = r.width();
    const int h = r.height();
    r.left += centreX - w / 2;
    r.right += centreX - w / 2;
    r.top += centreY - h / 2;
    r.bottom += centreY - h / 2;
    if (r.left < 0) {
        r = Rect{0, r.top, w, r.bottom};
    }
    if (r.top < 0) {
        r = Rect{r.left, 0, r.right, h};
    }
    return r;
}

Rect fitRect(int framebufferWidth, int framebufferHeight, int clientWidth, int clientHeight) {
    if (framebufferWidth <= 0 || framebufferHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) {
        return Rect{0, 0, clientWidth > 0 ? clientWidth : 0, clientHeight > 0 ? clientHeight : 0};
    }
    // Compare cross products in 64 bits to pick the limiting side without rounding.
    const long long wide = static_cast<long long>(clientWidth) * framebufferHeight;
    const long long tall = static_cast<long long>(clientHeight) * framebufferWidth;
    int w = clientWidth;
    int h = clientHeight;
    if (wide > tall) {
        w = static_cast<int>(tall / framebufferHeight);
    } else if (tall > wide) {
        h = static_cast<int>(wide / framebufferWidth);
    }
    const int left = (clientWidth - w) / 2;
    const int top = (clientHeight - h) / 2;
    return Rect{left, top, left + w, top + h};
}

PointF clientToFramebuffer(float clientX, float clientY, int framebufferWidth, int framebufferHeight,
                           int clientWidth, int clientHeight) {
    const Rect shown = fitRect(framebufferWidth, framebufferHeight, clientWidth, clientHeight);
    if (shown.width() <= 0 || shown.height() <= 0) {
        return PointF{0.0f, 0.0f};
    }
    const float scaleX = static_cast<float>(framebufferWidth) / static_cast<float>(shown.width());
    const float scaleY = static_cast<float>(framebufferHeight) / static_cast<float>(shown.height());
    return PointF{scaleX * (clientX - static_cast<float>(shown.left)),
                  scaleY * (clientY - static_cast<float>(shown.top))};
}

} // namespace Scanout
