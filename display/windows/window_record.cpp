// Creating, pumping and destroying the display's window, and the title conversion.
#include "display/windows/window_record.h"

#include <cstring>

namespace Scanout {
namespace {

// An empty title cannot name a window class; the class then takes this name instead.
constexpr wchar_t FALLBACK_CLASS_NAME[] = L"ScanoutDisplay";

bool asyncAltHeld() {
    return GetAsyncKeyState(VK_MENU) != 0;
}

ScreenSize primaryScreenSize() {
    return ScreenSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Rect windowClientRect(HWND window) {
    RECT client{0, 0, 0, 0};
    if (window == nullptr || !GetClientRect(window, &client)) {
        return Rect{0, 0, 0, 0};
    }
    return Rect{client.left, client.top, client.right, client.bottom};
}

// Registers the class afresh; a class of the same name that already runs our procedure (another
// display with the same title still open) is as good as a new one.
bool registerWindowClass(HINSTANCE module, const wchar_t* className) {
    UnregisterClassW(className, module);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = module;
    windowClass.hIcon = LoadIconW(module, L"DisplayIcon");
    windowClass.lpszClassName = className;
    if (RegisterClassExW(&windowClass) != 0) {
        return true;
    }
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    return GetClassInfoExW(module, className, &existing) && existing.lpfnWndProc == windowProcedure;
}

} // namespace

WindowQueries systemWindowQueries() {
    return WindowQueries{asyncAltHeld, primaryScreenSize, windowClientRect};
}

int wideTitle(const char* title, wchar_t (&buffer)[WIDE_TITLE_CAPACITY]) {
    buffer[0] = L'\0';
    if (title == nullptr) {
        return 0;
    }
    // At most one wide character comes from each byte, so cutting the bytes keeps the result in
    // the buffer; a double-byte character split at the cut turns into the default character.
    const int bytes = static_cast<int>(strnlen(title, WIDE_TITLE_CAPACITY - 1));
    if (bytes == 0) {
        return 0;
    }
    int length = MultiByteToWideChar(CP_ACP, 0, title, bytes, buffer, WIDE_TITLE_CAPACITY - 1);
    if (length < 0) {
        length = 0;
    }
    buffer[length] = L'\0';
    return length;
}

PointF scalePointer(int clientX, int clientY, int framebufferWidth, int framebufferHeight, Rect client) {
    const int clientWidth = client.right - client.left;
    const int clientHeight = client.bottom - client.top;
    // A minimised window has an empty client area; no position is better than an infinite one.
    const float x = clientWidth > 0 ? static_cast<float>(framebufferWidth) / static_cast<float>(clientWidth) *
                                          static_cast<float>(clientX)
                                    : 0.0f;
    const float y = clientHeight > 0 ? static_cast<float>(framebufferHeight) /
                                           static_cast<float>(clientHeight) * static_cast<float>(clientY)
                                     : 0.0f;
    return PointF{x, y};
}

std::unique_ptr<WindowRecord> createWindow(DisplayInterface* display, WindowsAdapter* adapter, int width,
                                           int height, const char* title, const WindowQueries& queries) {
    auto record = std::make_unique<WindowRecord>();
    record->keyTable = makeKeyTable();
    record->width = width;
    record->height = height;
    record->adapter = adapter;
    record->display = display;
    record->queries = queries;

    record->arrowCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    const BYTE andMask[4] = {0xff, 0xff, 0xff, 0xff};
    const BYTE xorMask[4] = {0, 0, 0, 0};
    record->hiddenCursor = CreateCursor(nullptr, 0, 0, 1, 1, andMask, xorMask);

    wchar_t caption[WIDE_TITLE_CAPACITY];
    const wchar_t* className = wideTitle(title, caption) > 0 ? caption : FALLBACK_CLASS_NAME;
    const HINSTANCE module = GetModuleHandleW(nullptr);
    if (!registerWindowClass(module, className)) {
        return record;
    }
    record->window = CreateWindowExW(0, className, caption, WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                                     nullptr, module, nullptr);
    if (record->window == nullptr) {
        return record;
    }
    SetWindowLongPtrW(record->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record.get()));
    rebuildSystemMenu(*record);
    return record;
}

void setWindowTitle(WindowRecord& record, const char* title) {
    if (record.window == nullptr) {
        return;
    }
    wchar_t caption[WIDE_TITLE_CAPACITY];
    wideTitle(title, caption);
    SetWindowTextW(record.window, caption);
}

void pumpMessages(WindowRecord& record) {
    if (record.windowed == 0 && record.active) {
        SetCursor(record.hiddenCursor);
    }
    if (record.window == nullptr) {
        return;
    }
    for (;;) {
        MSG message;
        const bool found = PeekMessageW(&message, record.window, 0, 0, PM_REMOVE) != 0;
        if (found) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(0);
        if (!found) {
            break;
        }
    }
}

void destroyWindow(std::unique_ptr<WindowRecord>& record) {
    if (!record) {
        return;
    }
    if (record->window != nullptr) {
        // Detach first: the deactivation and destruction messages must not reach a listener
        // that may itself be on its way out.
        SetWindowLongPtrW(record->window, GWLP_USERDATA, 0);
        DestroyWindow(record->window);
        record->window = nullptr;
    }
    if (record->hiddenCursor != nullptr) {
        DestroyCursor(record->hiddenCursor);
        record->hiddenCursor = nullptr;
    }
    record.reset();
}

} // namespace Scanout
