// Window placement and scaling arithmetic shared by every host: centring, zooming, fitting the
// framebuffer into the client area and mapping pointer positions back to framebuffer pixels.
//
// Conventions: screen coordinates in pixels, x right, y down; rectangles are (left, top, right,
// bottom) with right and bottom exclusive. A window's outer rectangle is its client rectangle
// grown by the frame insets of its decorations.
#pragma once

namespace Scanout {

struct Rect {
    int left;
    int top;
    int right;
    int bottom;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct FrameInsets {
    int left;
    int top;
    int right;
    int bottom;
};

struct Point {
    int x;
    int y;
};

struct PointF {
    float x;
    float y;
};

// Top-left corner that centres an outer size on the screen, never negative.
Point centredPosition(int outerWidth, int outerHeight, int screenWidth, int screenHeight);

// The outer rectangle after zooming: a client area of framebuffer x factor (single precision,
// truncated), framed, kept on the old centre, pushed back on screen at the left and top.
Rect zoomedWindowRect(Rect outer, int framebufferWidth, int framebufferHeight, float factor,
                      FrameInsets frame);

// The largest rectangle with the framebuffer's aspect that fits the client area, centred in it.
Rect fitRect(int framebufferWidth, int framebufferHeight, int clientWidth, int clientHeight);

// A client-area position in framebuffer pixels, through the rectangle the frame is shown in. When
// the client has the framebuffer's aspect this is framebuffer size / client size x position.
PointF clientToFramebuffer(float clientX, float clientY, int framebufferWidth, int framebufferHeight,
                           int clientWidth, int clientHeight);

} // namespace Scanout
