// The Direct3D 9 half of the Windows display: the device and framebuffer texture for one window
// shape, the format attempts that create them, the device check and presenting a frame.
//
// Conventions: the texture is exactly the framebuffer size; its format is the one lock reports.
// Attempts follow the shared orders (deviceAttempts, textureFormats). The 24-bit format is kept
// under its true name: D3DFMT_R8G8B8 holds blue, green, red in memory, which is BGR888, so an
// RGB888 attempt creates BGR888 storage and converters write it in the right order. A texture
// that is drawn (rather than copied) lives in the default pool, which rendering requires.
#pragma once

#include "display/scanout_types.h"

// Last: windows.h defines macros that would clash with the shared headers.
#include <d3d9.h>
#include <windows.h>

namespace Scanout {

struct DeviceRecord {
    IDirect3D9* direct3d = nullptr; // not owned
    HWND window = nullptr;
    D3DPRESENT_PARAMETERS parameters{};
    IDirect3DDevice9* device = nullptr;
    IDirect3DTexture9* texture = nullptr;
    int width = 0;
    int height = 0;
    Format backBufferFormat = Format::NoFormat;
    Format textureFormat = Format::NoFormat;
    Mode mode = Mode::TrueColor;
    bool windowed = true;
    bool drawAsQuad = false;
    bool stretch = false;
    // Default-pool textures do not survive a device reset and are made again after one.
    bool textureInDefaultPool = false;

    DeviceRecord() = default;
    DeviceRecord(const DeviceRecord&) = delete;
    DeviceRecord& operator=(const DeviceRecord&) = delete;
    // Releases the texture, then the device.
    ~DeviceRecord();
};

// The Direct3D format that stores a Format, or D3DFMT_UNKNOWN.
D3DFORMAT direct3dFormat(Format format);
// The storage actually created for an attempted format (RGB888 becomes BGR888).
Format storageFormat(Format attempted);

// Device then texture, each the first of its list that works; false without both.
bool chooseDevice(DeviceRecord& record);
bool tryDevice(DeviceRecord& record, Format format, D3DDEVTYPE type);
bool tryTexture(DeviceRecord& record, Format format);

// Resets a device that is ready for it; true when device and texture can be used now.
bool checkDevice(DeviceRecord& record);
// True when the record has a device and a texture and the device is not lost.
bool deviceReady(const DeviceRecord& record);
// Shows the texture in the window: a surface copy, or a textured quad when formats or sizes differ.
bool presentFrame(DeviceRecord& record);

} // namespace Scanout
