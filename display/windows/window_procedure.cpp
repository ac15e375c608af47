// The window procedure: window messages become listener callbacks and requests to the display.
#include "display/listener.h"
#include "display/window_menu.h"
#include "display/windows/window_record.h"

#include <windowsx.h>

namespace Scanout {
namespace {

DisplayInterface& callbackDisplay(WindowRecord& record) {
    DisplayInterface* wrapper = record.display->wrapper();
    return wrapper != nullptr ? *wrapper : *record.display;
}

Mouse mouseState(const WindowRecord& record) {
    return Mouse{record.mouseLeft, record.mouseMiddle, record.mouseRight, record.mouseX, record.mouseY};
}

void updatePointer(WindowRecord& record, LPARAM lParam) {
    const PointF at = scalePointer(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), record.width, record.height,
                                   record.queries.clientRect(record.window));
    record.mouseX = at.x;
    record.mouseY = at.y;
}

bool anyButtonHeld(const WindowRecord& record) {
    return record.mouseLeft != 0 || record.mouseMiddle != 0 || record.mouseRight != 0;
}

std::uint8_t* buttonOf(WindowRecord& record, UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return &record.mouseLeft;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return &record.mouseMiddle;
    default:
        return &record.mouseRight;
    }
}

void keyDown(WindowRecord& record, int vk) {
    if (vk == VirtualKey::ENTER && record.queries.altHeld()) {
        record.adapter->requestToggle(); // Alt+Enter is the shape switch, not a key for the listener
        return;
    }
    const Key key = record.keyTable[static_cast<std::size_t>(vk)];
    if (record.keyDown[vk] == 0) {
        if (record.listener != nullptr) {
            record.listener->onKeyDown(callbackDisplay(record), key);
            if (record.listener != nullptr && record.listener->defaultKeysEnabled() &&
                vk == VirtualKey::ESCAPE) {
                record.adapter->requestClose();
            }
        } else if (vk == VirtualKey::ESCAPE) {
            record.adapter->requestClose();
        }
        record.keyDown[vk] = 1;
    }
    if (record.listener != nullptr) {
        record.listener->onKeyPressed(callbackDisplay(record), key);
    }
}

void systemCommand(WindowRecord& record, WPARAM command) {
    const auto id = static_cast<MenuCommand>(command);
    switch (id) {
    case MenuCommand::OriginalSize:
    case MenuCommand::Zoom2x:
    case MenuCommand::Zoom4x:
    case MenuCommand::Zoom8x:
        zoomWindow(record, zoomFactor(id));
        rebuildSystemMenu(record);
        break;
    case MenuCommand::Windowed:
        record.adapter->windowed();
        break;
    case MenuCommand::Fullscreen:
        record.adapter->fullscreen();
        break;
    case MenuCommand::Center:
        centerWindow(record);
        rebuildSystemMenu(record);
        break;
    default:
        break;
    }
}

} // namespace

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* record = reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (record == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_ACTIVATE:
        // The high word only says whether the window is minimised; a minimised window losing
        // activation is still inactive.
        record->active = LOWORD(wParam) != WA_INACTIVE;
        if (record->listener != nullptr) {
            record->listener->onActivate(callbackDisplay(*record), record->active);
        }
        break;
    case WM_PAINT:
        record->adapter->paint();
        break;
    case WM_CLOSE:
        if (record->listener != nullptr && !record->listener->onClose(callbackDisplay(*record))) {
            return 0;
        }
        record->adapter->requestClose();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(record->windowed == 1 ? record->arrowCursor : record->hiddenCursor);
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        keyDown(*record, static_cast<int>(wParam & 0xff));
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const int vk = static_cast<int>(wParam & 0xff);
        if (record->listener != nullptr) {
            record->listener->onKeyUp(callbackDisplay(*record),
                                      record->keyTable[static_cast<std::size_t>(vk)]);
        }
        record->keyDown[vk] = 0;
        break;
    }
    case WM_SYSCOMMAND:
        systemCommand(*record, wParam);
        break;
    case WM_MOUSEMOVE:
        updatePointer(*record, lParam);
        if (record->listener != nullptr) {
            record->listener->onMouseMove(callbackDisplay(*record), mouseState(*record));
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (!anyButtonHeld(*record)) {
            SetCapture(window);
        }
        updatePointer(*record, lParam);
        *buttonOf(*record, message) = 1;
        if (record->listener != nullptr) {
            record->listener->onMouseButtonDown(callbackDisplay(*record), mouseState(*record));
        }
        break;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
        updatePointer(*record, lParam);
        *buttonOf(*record, message) = 0;
        if (record->listener != nullptr) {
            record->listener->onMouseButtonUp(callbackDisplay(*record), mouseState(*record));
        }
        if (!anyButtonHeld(*record)) {
            ReleaseCapture();
        }
        break;
    case WM_SIZING:
        record->adapter->paint();
        rebuildSystemMenu(*record);
        break;
    case WM_SIZE:
        rebuildSystemMenu(*record);
        break;
    case WM_MOVING:
        if (record->centred) {
            record->centred = false;
            rebuildSystemMenu(*record);
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace Scanout
