// Creating the Direct3D device and texture, checking the device and presenting frames.
#include "display/windows/device_record.h"

#include <vector>

#include "display/format_choice.h"

namespace Scanout {
namespace {

constexpr DWORD VERTEX_PROCESSING[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING};

template <typename T>
void release(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

// The smallest display mode in format that holds the framebuffer, or false.
bool chooseMode(DeviceRecord& record, D3DFORMAT format, UINT& width, UINT& height) {
    const UINT count = record.direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
    std::vector<ModeSize> sizes;
    sizes.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        if (SUCCEEDED(record.direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode))) {
            sizes.push_back(ModeSize{static_cast<int>(mode.Width), static_cast<int>(mode.Height)});
        }
    }
    const int chosen = chooseFullscreenMode(sizes, record.width, record.height);
    if (chosen < 0) {
        return false;
    }
    width = static_cast<UINT>(sizes[static_cast<std::size_t>(chosen)].width);
    height = static_cast<UINT>(sizes[static_cast<std::size_t>(chosen)].height);
    return true;
}

bool createDevice(DeviceRecord& record, D3DDEVTYPE type) {
    for (DWORD behaviour : VERTEX_PROCESSING) {
        D3DPRESENT_PARAMETERS parameters = record.parameters;
        if (SUCCEEDED(record.direct3d->CreateDevice(D3DADAPTER_DEFAULT, type, record.window, behaviour,
                                                    &parameters, &record.device)) &&
            record.device != nullptr) {
            record.parameters = parameters;
            return true;
        }
        record.device = nullptr;
    }
    return false;
}

struct QuadVertex {
    float x, y, z, rhw, u, v;
};

bool drawQuad(DeviceRecord& record) {
    IDirect3DDevice9* device = record.device;
    IDirect3DSurface9* target = nullptr;
    if (FAILED(device->GetRenderTarget(0, &target)) || target == nullptr) {
        return false;
    }
    D3DSURFACE_DESC description{};
    const bool described = SUCCEEDED(target->GetDesc(&description));
    target->Release();
    if (!described) {
        return false;
    }
    const float w = static_cast<float>(description.Width);
    const float h = static_cast<float>(description.Height);
    // Pre-transformed corners moved by half a pixel so texels land on pixel centres.
    const QuadVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, 0.0f, 0.0f},
                                {w - 0.5f, -0.5f, 0.5f, 1.0f, 1.0f, 0.0f},
                                {-0.5f, h - 0.5f, 0.5f, 1.0f, 0.0f, 1.0f},
                                {w - 0.5f, h - 0.5f, 0.5f, 1.0f, 1.0f, 1.0f}};
    if (FAILED(device->BeginScene())) {
        return false;
    }
    device->SetTexture(0, record.texture);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, record.stretch ? D3DTEXF_LINEAR : D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetTexture(0, nullptr);
    device->EndScene();
    return true;
}

bool copySurface(DeviceRecord& record) {
    IDirect3DSurface9* source = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    record.texture->GetSurfaceLevel(0, &source);
    record.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    bool copied = false;
    if (source != nullptr && backBuffer != nullptr) {
        const POINT origin{0, 0};
        copied = SUCCEEDED(record.device->UpdateSurface(source, nullptr, backBuffer, &origin));
    }
    release(source);
    release(backBuffer);
    return copied;
}

} // namespace

DeviceRecord::~DeviceRecord() {
    release(texture);
    release(device);
}

D3DFORMAT direct3dFormat(Format format) {
    switch (format) {
    case Format::XRGB8888:
        return D3DFMT_X8R8G8B8;
    case Format::XBGR8888:
        return D3DFMT_X8B8G8R8;
    case Format::BGR888:
        return D3DFMT_R8G8B8;
    case Format::RGB565:
        return D3DFMT_R5G6B5;
    case Format::XRGB1555:
        return D3DFMT_X1R5G5B5;
    case Format::XBGRFFFF:
        return D3DFMT_A32B32G32R32F;
    default:
        return D3DFMT_UNKNOWN;
    }
}

Format storageFormat(Format attempted) {
    return attempted == Format::RGB888 ? Format::BGR888 : attempted;
}

bool tryDevice(DeviceRecord& record, Format format, D3DDEVTYPE type) {
    record.backBufferFormat = storageFormat(format);
    const D3DFORMAT d3dFormat = direct3dFormat(record.backBufferFormat);
    UINT backWidth = static_cast<UINT>(record.width);
    UINT backHeight = static_cast<UINT>(record.height);
    if (!record.windowed) {
        if (!chooseMode(record, d3dFormat, backWidth, backHeight)) {
            return false;
        }
        record.stretch =
            backWidth != static_cast<UINT>(record.width) || backHeight != static_cast<UINT>(record.height);
        if (record.stretch) {
            record.drawAsQuad = true;
        }
    }
    record.parameters = D3DPRESENT_PARAMETERS{};
    record.parameters.BackBufferWidth = backWidth;
    record.parameters.BackBufferHeight = backHeight;
    record.parameters.BackBufferFormat = d3dFormat;
    record.parameters.BackBufferCount = 2;
    record.parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    record.parameters.hDeviceWindow = record.window;
    record.parameters.Windowed = record.windowed ? TRUE : FALSE;

    release(record.texture); // a texture belongs to the device it was made on
    release(record.device);
    if (createDevice(record, type)) {
        return true;
    }
    record.parameters.BackBufferCount = 1;
    return createDevice(record, type);
}

bool tryTexture(DeviceRecord& record, Format format) {
    record.textureFormat = storageFormat(format);
    release(record.texture);
    // Copies need a system-memory source; anything drawn must sit where the device can sample it.
    const bool drawn = record.textureFormat == Format::XBGRFFFF ||
                       record.textureFormat != record.backBufferFormat || record.drawAsQuad;
    const DWORD usage = drawn ? D3DUSAGE_DYNAMIC : 0;
    const D3DPOOL pool = drawn ? D3DPOOL_DEFAULT : D3DPOOL_SYSTEMMEM;
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result =
        record.device->CreateTexture(static_cast<UINT>(record.width), static_cast<UINT>(record.height), 1,
                                     usage, direct3dFormat(record.textureFormat), pool, &texture, nullptr);
    if (FAILED(result)) {
        release(texture);
        return false;
    }
    record.texture = texture;
    record.textureInDefaultPool = pool == D3DPOOL_DEFAULT;
    return texture != nullptr;
}

bool chooseDevice(DeviceRecord& record) {
    if (record.direct3d == nullptr) {
        return false;
    }
    const DeviceAttemptList devices = deviceAttempts(record.mode);
    bool haveDevice = false;
    for (int i = 0; i < devices.count && !haveDevice; ++i) {
        const D3DDEVTYPE type =
            devices.items[i].kind == DeviceKind::Hardware ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
        haveDevice = tryDevice(record, devices.items[i].format, type);
    }
    if (!haveDevice) {
        return false;
    }
    const FormatList textures = textureFormats(record.mode);
    for (int i = 0; i < textures.count; ++i) {
        if (tryTexture(record, textures.items[i])) {
            if (record.textureFormat != record.backBufferFormat) {
                record.drawAsQuad = true;
            }
            return true;
        }
    }
    return false;
}

bool deviceReady(const DeviceRecord& record) {
    return record.device != nullptr && record.texture != nullptr &&
           SUCCEEDED(record.device->TestCooperativeLevel());
}

bool checkDevice(DeviceRecord& record) {
    if (record.device != nullptr && record.device->TestCooperativeLevel() == D3DERR_DEVICENOTRESET) {
        // A reset fails while default-pool resources exist: release the texture and make it again.
        const bool remake = record.textureInDefaultPool;
        if (remake) {
            release(record.texture);
        }
        D3DPRESENT_PARAMETERS parameters = record.parameters;
        if (SUCCEEDED(record.device->Reset(&parameters)) && remake) {
            tryTexture(record, record.textureFormat);
        }
    }
    return deviceReady(record);
}

bool presentFrame(DeviceRecord& record) {
    if (!deviceReady(record)) {
        return false;
    }
    if (!(record.drawAsQuad ? drawQuad(record) : copySurface(record))) {
        return false;
    }
    if (FAILED(record.device->Present(nullptr, nullptr, nullptr, nullptr))) {
        return false;
    }
    ValidateRect(record.window, nullptr);
    return true;
}

} // namespace Scanout
