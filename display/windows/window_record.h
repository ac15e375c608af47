// The Win32 window behind a WindowsDisplay: its record, shapes, system menu, message pump and the
// translation of window messages into listener callbacks and display requests.
//
// Conventions: one record per open display, heap-held so the window's user-data slot can point at
// it. Sizes are framebuffer pixels; pointer positions are scaled per axis by framebuffer size /
// client size (the frame is stretched over the whole client area). Key codes come from the shared
// key table on the low byte of the virtual key. The record starts hidden and in the windowed shape.
// Queries that tests must be able to fix (Alt state, screen size, client rectangle) go through
// WindowQueries; the defaults ask the system.
#pragma once

#include <cstdint>
#include <memory>

#include "display/display_interface.h"
#include "display/key_table.h"
#include "display/window_geometry.h"
#include "display/windows/windows_adapter.h"

// Last: windows.h defines macros (DELETE among them) that would clash with the shared headers.
#include <windows.h>

namespace Scanout {

class Listener;

struct ScreenSize {
    int width;
    int height;
};

struct WindowQueries {
    bool (*altHeld)();
    ScreenSize (*screenSize)();
    Rect (*clientRect)(HWND window);
};

// Alt from the asynchronous key state, the primary screen size and GetClientRect.
WindowQueries systemWindowQueries();

struct WindowRecord {
    HWND window = nullptr;
    HMENU systemMenu = nullptr;
    int width = 0;
    int height = 0;
    bool active = false;
    int windowed = 1;
    std::uint8_t mouseLeft = 0;
    std::uint8_t mouseMiddle = 0;
    std::uint8_t mouseRight = 0;
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    KeyTable keyTable{};
    std::uint8_t keyDown[VIRTUAL_KEY_COUNT] = {};
    HCURSOR arrowCursor = nullptr;
    HCURSOR hiddenCursor = nullptr;
    bool centred = false;
    WindowsAdapter* adapter = nullptr;
    DisplayInterface* display = nullptr;
    Listener* listener = nullptr;
    WindowQueries queries{};
};

// Builds the record and its hidden window; the record has no window when the class cannot be
// registered or the window cannot be made. The title (ANSI) names both the class and the caption.
std::unique_ptr<WindowRecord> createWindow(DisplayInterface* display, WindowsAdapter* adapter, int width,
                                           int height, const char* title,
                                           const WindowQueries& queries = systemWindowQueries());

// Full screen: a borderless popup covering the screen (at least the framebuffer size), shown,
// cursor hidden.
void setFullscreenShape(WindowRecord& record, int width, int height);
// Windowed: the current outer rectangle becomes the client area, framed and centred; left hidden.
void setWindowedShape(WindowRecord& record, int width, int height);
void centerWindow(WindowRecord& record);
void zoomWindow(WindowRecord& record, float factor);
// Replaces the display's own items of the system menu with those the window's state allows.
void rebuildSystemMenu(WindowRecord& record);
// Dispatches this window's waiting messages until a round finds none.
void pumpMessages(WindowRecord& record);
// Destroys the window (no callbacks reach the listener any more), the hidden cursor and the record.
void destroyWindow(std::unique_ptr<WindowRecord>& record);

// Sets the caption from an ANSI title.
void setWindowTitle(WindowRecord& record, const char* title);

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Longest converted title in wide characters, terminator included; longer titles are cut.
constexpr int WIDE_TITLE_CAPACITY = 1024;

// The title converted from the ANSI code page into buffer, always terminated; returns its length.
// No title gives the empty string.
int wideTitle(const char* title, wchar_t (&buffer)[WIDE_TITLE_CAPACITY]);

// A client-area position in framebuffer pixels; a client area with no width or height gives 0.
PointF scalePointer(int clientX, int clientY, int framebufferWidth, int framebufferHeight, Rect client);

} // namespace Scanout
