// The window's shapes (full screen and windowed), centring, zooming and its system menu.
#include "display/windows/window_record.h"

#include <algorithm>

#include "display/window_menu.h"

namespace Scanout {
namespace {

constexpr DWORD WINDOWED_STYLE = WS_OVERLAPPEDWINDOW;
constexpr DWORD FULLSCREEN_STYLE = WS_POPUP | WS_BORDER | WS_SYSMENU;
constexpr UINT KEEP_ORDER = SWP_NOZORDER | SWP_NOACTIVATE;

const wchar_t* menuText(MenuCommand command) {
    switch (command) {
    case MenuCommand::OriginalSize:
        return L"Original Size";
    case MenuCommand::Zoom2x:
        return L"2x Zoom";
    case MenuCommand::Zoom4x:
        return L"4x Zoom";
    case MenuCommand::Zoom8x:
        return L"8x Zoom";
    case MenuCommand::Windowed:
        return L"Windowed";
    case MenuCommand::Fullscreen:
        return L"Fullscreen";
    case MenuCommand::Center:
        return L"Center";
    default:
        return nullptr; // separators
    }
}

FrameInsets windowedFrame() {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRect(&frame, WINDOWED_STYLE, FALSE);
    return FrameInsets{-frame.left, -frame.top, frame.right, frame.bottom};
}

Rect outerRect(HWND window) {
    RECT outer{0, 0, 0, 0};
    GetWindowRect(window, &outer);
    return Rect{outer.left, outer.top, outer.right, outer.bottom};
}

} // namespace

void setFullscreenShape(WindowRecord& record, int width, int height) {
    record.width = width;
    record.height = height;
    if (record.window == nullptr) {
        return;
    }
    ShowWindow(record.window, SW_HIDE);
    SetCursor(record.hiddenCursor);
    SetWindowLongW(record.window, GWL_STYLE, static_cast<LONG>(FULLSCREEN_STYLE));
    const ScreenSize screen = record.queries.screenSize();
    SetWindowPos(record.window, nullptr, 0, 0, std::max(screen.width, width), std::max(screen.height, height),
                 KEEP_ORDER | SWP_FRAMECHANGED);
    ShowWindow(record.window, SW_SHOW);
    record.windowed = 0;
    rebuildSystemMenu(record);
}

void setWindowedShape(WindowRecord& record, int width, int height) {
    record.width = width;
    record.height = height;
    if (record.window == nullptr) {
        return;
    }
    ShowWindow(record.window, SW_HIDE);
    SetWindowLongW(record.window, GWL_STYLE, static_cast<LONG>(WINDOWED_STYLE));
    RECT rect{0, 0, 0, 0};
    GetWindowRect(record.window, &rect);
    AdjustWindowRect(&rect, WINDOWED_STYLE, FALSE);
    SetWindowPos(record.window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 KEEP_ORDER | SWP_FRAMECHANGED);
    centerWindow(record);
    SetCursor(record.arrowCursor);
    record.windowed = 1;
    rebuildSystemMenu(record);
}

void centerWindow(WindowRecord& record) {
    if (record.window == nullptr) {
        return;
    }
    const Rect outer = outerRect(record.window);
    const ScreenSize screen = record.queries.screenSize();
    const Point at = centredPosition(outer.width(), outer.height(), screen.width, screen.height);
    SetWindowPos(record.window, nullptr, at.x, at.y, 0, 0, KEEP_ORDER | SWP_NOSIZE);
    record.centred = true;
    rebuildSystemMenu(record);
}

void zoomWindow(WindowRecord& record, float factor) {
    if (record.window == nullptr) {
        return;
    }
    const Rect r =
        zoomedWindowRect(outerRect(record.window), record.width, record.height, factor, windowedFrame());
    SetWindowPos(record.window, nullptr, r.left, r.top, r.width(), r.height(), KEEP_ORDER);
}

void rebuildSystemMenu(WindowRecord& record) {
    if (record.window == nullptr) {
        return;
    }
    record.systemMenu = GetSystemMenu(record.window, FALSE);
    if (record.systemMenu == nullptr) {
        return;
    }
    for (int id : {1, 2, 3, 4, 5, 6, 8, 7, 9, 10}) {
        RemoveMenu(record.systemMenu, static_cast<UINT>(id), MF_BYCOMMAND);
    }
    const ScreenSize screen = record.queries.screenSize();
    const MenuWindowState state{record.windowed == 1,
                                IsIconic(record.window) != 0,
                                IsZoomed(record.window) != 0,
                                record.centred,
                                record.width,
                                record.height,
                                screen.width,
                                screen.height};
    const WindowMenu menu = offeredMenu(state);
    for (int i = 0; i < menu.count; ++i) {
        const wchar_t* text = menuText(menu.items[i]);
        const UINT_PTR id = static_cast<UINT_PTR>(menu.items[i]);
        AppendMenuW(record.systemMenu, text != nullptr ? MF_STRING : MF_SEPARATOR, id,
                    text != nullptr ? text : L"");
    }
}

} // namespace Scanout
