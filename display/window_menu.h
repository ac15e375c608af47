// Which window-menu commands a host offers, from the window's shape and the screen size.
//
// Conventions: command identifiers are shared by every host (separators included, so the order of
// the menu is reproducible). Zoom by k is offered only while k x framebuffer is strictly smaller
// than the screen in both directions.
#pragma once

namespace Scanout {

enum class MenuCommand : int {
    SeparatorZoom = 1,
    OriginalSize = 2,
    Zoom2x = 3,
    Zoom4x = 4,
    Zoom8x = 5,
    SeparatorShape = 6,
    Windowed = 7,
    Fullscreen = 8,
    SeparatorCenter = 9,
    Center = 10,
};

struct MenuWindowState {
    bool windowed;
    bool minimized;
    bool maximized;
    bool centred; // true after a centring, until the user moves the window
    int framebufferWidth;
    int framebufferHeight;
    int screenWidth;
    int screenHeight;
};

struct WindowMenu {
    static constexpr int CAPACITY = 10;
    MenuCommand items[CAPACITY];
    int count = 0;

    bool offers(MenuCommand command) const;
};

WindowMenu offeredMenu(const MenuWindowState& state);

// The zoom factor of a zoom command (1 for Original Size), or 0 for any other command.
float zoomFactor(MenuCommand command);

} // namespace Scanout
