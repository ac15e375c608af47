// The availability rules of the window-menu commands.
#include "display/window_menu.h"

namespace Scanout {

bool WindowMenu::offers(MenuCommand command) const {
    for (int i = 0; i < count; ++i) {
        if (items[i] == command) {
            return true;
        }
    }
    return false;
}

WindowMenu offeredMenu(const MenuWindowState& state) {
    WindowMenu menu;
    const auto add = [&menu](MenuCommand command) { menu.items[menu.count++] = command; };
    const auto fits = [&state](int factor) {
        return static_cast<long long>(factor) * state.framebufferWidth < state.screenWidth &&
               static_cast<long long>(factor) * state.framebufferHeight < state.screenHeight;
    };
    if (state.windowed && !state.minimized && !state.maximized) {
        add(MenuCommand::SeparatorZoom);
        add(MenuCommand::OriginalSize);
        if (fits(2)) {
            add(MenuCommand::Zoom2x);
        }
        if (fits(4)) {
            add(MenuCommand::Zoom4x);
        }
        if (fits(8)) {
            add(MenuCommand::Zoom8x);
        }
    }
    add(MenuCommand::SeparatorShape);
    add(state.windowed ? MenuCommand::Fullscreen : MenuCommand::Windowed);
    if (state.windowed && !state.centred) {
        add(MenuCommand::SeparatorCenter);
        add(MenuCommand::Center);
    }
    return menu;
}

float zoomFactor(MenuCommand command) {
    switch (command) {
    case MenuCommand::OriginalSize:
        return 1.0f;
    case MenuCommand::Zoom2x:
        return 2.0f;
    case MenuCommand::Zoom4x:
        return 4.0f;
    case MenuCommand::Zoom8x:
        return 8.0f;
    default:
        return 0.0f;
    }
}

} // namespace Scanout
