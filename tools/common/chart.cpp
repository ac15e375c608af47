// The chart canvas: clipped pixel blending, lines, markers, and text through FreeType.
#include "tools/common/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "tools/common/glyph_layout.h"

namespace tessellune::tools {

struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FontFace() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

Canvas makeCanvas(int width, int height, Colour ground) {
    Canvas canvas;
    canvas.width = std::max(width, 0);
    canvas.height = std::max(height, 0);
    canvas.rgba.resize(static_cast<size_t>(canvas.width) * canvas.height * 4);
    for (size_t i = 0; i < canvas.rgba.size(); i += 4) {
        canvas.rgba[i] = ground.r;
        canvas.rgba[i + 1] = ground.g;
        canvas.rgba[i + 2] = ground.b;
        canvas.rgba[i + 3] = 255;
    }
    return canvas;
}

Colour pixelAt(const Canvas& canvas, int x, int y) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) {
        return {};
    }
    const uint8_t* p = &canvas.rgba[(static_cast<size_t>(y) * canvas.width + x) * 4];
    return {p[0], p[1], p[2]};
}

namespace {

uint8_t mix(uint8_t under, uint8_t over, float opacity) {
    return static_cast<uint8_t>(std::lround(under + (over - under) * opacity));
}

} // namespace

void blendPixel(Canvas& canvas, int x, int y, Colour colour, float opacity) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || !(opacity > 0.0f)) {
        return;
    }
    opacity = std::min(opacity, 1.0f);
    uint8_t* p = &canvas.rgba[(static_cast<size_t>(y) * canvas.width + x) * 4];
    p[0] = mix(p[0], colour.r, opacity);
    p[1] = mix(p[1], colour.g, opacity);
    p[2] = mix(p[2], colour.b, opacity);
}

void fillRect(Canvas& canvas, int x0, int y0, int x1, int y1, Colour colour, float opacity) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, canvas.width);
    y1 = std::min(y1, canvas.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            blendPixel(canvas, x, y, colour, opacity);
        }
    }
}

void drawLine(Canvas& canvas, double x0, double y0, double x1, double y1, Colour colour, float opacity) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    if (!std::isfinite(dx) || !std::isfinite(dy)) {
        return;
    }
    // Stepping along the major axis, one sample per pixel, shared between the two nearest pixels
    // of the minor axis. Lines far outside the canvas are cut to it first, so the loop stays short.
    const bool steep = std::abs(dy) > std::abs(dx);
    const double length = std::max(std::abs(dx), std::abs(dy));
    if (length < 1e-9) {
        blendPixel(canvas, static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0)), colour,
                   opacity);
        return;
    }
    const double limit = steep ? canvas.height : canvas.width;
    const double from = steep ? y0 : x0;
    const double to = steep ? y1 : x1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double along = to - from;
    const double enter = (-1.0 - from) / along;
    const double leave = (limit + 1.0 - from) / along;
    t0 = std::max(t0, std::min(enter, leave));
    t1 = std::min(t1, std::max(enter, leave));
    const int steps = static_cast<int>(std::ceil((t1 - t0) * length));
    for (int i = 0; i <= steps && t0 <= t1; ++i) {
        const double t = steps > 0 ? t0 + (t1 - t0) * i / steps : t0;
        const double x = x0 + dx * t;
        const double y = y0 + dy * t;
        const double minor = steep ? x : y;
        const int major = static_cast<int>(std::lround(steep ? y : x));
        const int low = static_cast<int>(std::floor(minor));
        const float share = static_cast<float>(minor - low);
        if (steep) {
            blendPixel(canvas, low, major, colour, opacity * (1.0f - share));
            blendPixel(canvas, low + 1, major, colour, opacity * share);
        } else {
            blendPixel(canvas, major, low, colour, opacity * (1.0f - share));
            blendPixel(canvas, major, low + 1, colour, opacity * share);
        }
    }
}

void drawHorizontal(Canvas& canvas, int x0, int x1, int y, Colour colour, int dash, float opacity) {
    if (x1 < x0) {
        std::swap(x0, x1);
    }
    for (int x = std::max(x0, 0); x <= std::min(x1, canvas.width - 1); ++x) {
        if (dash <= 0 || ((x - x0) / dash) % 2 == 0) {
            blendPixel(canvas, x, y, colour, opacity);
        }
    }
}

void drawVertical(Canvas& canvas, int x, int y0, int y1, Colour colour, int dash, float opacity) {
    if (y1 < y0) {
        std::swap(y0, y1);
    }
    for (int y = std::max(y0, 0); y <= std::min(y1, canvas.height - 1); ++y) {
        if (dash <= 0 || ((y - y0) / dash) % 2 == 0) {
            blendPixel(canvas, x, y, colour, opacity);
        }
    }
}

void drawMarker(Canvas& canvas, int cx, int cy, int radius, Marker marker, Colour colour) {
    const double r = radius + 0.5;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            bool inside = false;
            switch (marker) {
            case Marker::Square:
                inside = true;
                break;
            case Marker::Disc:
                inside = distance <= r;
                break;
            case Marker::Diamond:
                inside = std::abs(dx) + std::abs(dy) <= radius;
                break;
            case Marker::TriangleUp:
                // Apex at the top, base on the bottom row.
                inside = 2 * std::abs(dx) <= dy + radius;
                break;
            case Marker::Ring:
                inside = distance <= r && distance >= r - 1.5;
                break;
            }
            if (inside) {
                blendPixel(canvas, cx + dx, cy + dy, colour);
            }
        }
    }
}

bool openFont(const std::string& path, int pixelSize, Font& font, std::string& error) {
    auto face = std::make_shared<FontFace>();
    if (FT_Init_FreeType(&face->library) != 0) {
        face->library = nullptr;
        error = "cannot start FreeType";
        return false;
    }
    if (FT_New_Face(face->library, path.c_str(), 0, &face->face) != 0) {
        face->face = nullptr;
        error = "cannot open the font " + path;
        if (path == CHART_FONT_PATH) {
            error += std::string(" (Debian's ") + CHART_FONT_PACKAGE + " package provides it)";
        }
        return false;
    }
    if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        error = path + ": no glyphs at " + std::to_string(pixelSize) + " pixels";
        return false;
    }
    font.face = face;
    font.pixelSize = pixelSize;
    font.ascender = static_cast<int>(face->face->size->metrics.ascender >> 6);
    font.descender = static_cast<int>(-(face->face->size->metrics.descender >> 6));
    return true;
}

bool openChartFonts(Font& text, Font& title, std::string& error) {
    return openFont(CHART_FONT_PATH, CHART_TEXT_PX, text, error) &&
           openFont(CHART_FONT_PATH, CHART_TITLE_PX, title, error);
}

int textWidth(const Font& font, std::string_view text) {
    if (!font.face) {
        return 0;
    }
    return layTextLine(font.face->face, text, nullptr, 0, 0);
}

void drawText(Canvas& canvas, const Font& font, int x, int y, std::string_view text, Colour colour,
              Align align) {
    if (!font.face || text.empty()) {
        return;
    }
    const int width = textWidth(font, text);
    const int left = align == Align::Left ? x : align == Align::Centre ? x - width / 2 : x - width;
    // The glyphs go into a mask just big enough for the line (a pixel spare for italics and
    // overhangs), which is then laid over the canvas in the colour.
    constexpr int SPARE = 2;
    CoverageMask mask;
    mask.width = width + 2 * SPARE;
    mask.height = font.ascender + font.descender + 2 * SPARE;
    mask.alpha.assign(static_cast<size_t>(mask.width) * mask.height, 0.0f);
    layTextLine(font.face->face, text, &mask, SPARE, SPARE + font.ascender);
    const int top = y - font.ascender - SPARE;
    for (int my = 0; my < mask.height; ++my) {
        for (int mx = 0; mx < mask.width; ++mx) {
            blendPixel(canvas, left - SPARE + mx, top + my, colour, mask.at(mx, my));
        }
    }
}

Colour paletteColour(int index) {
    const int slot = ((index % CHART_PALETTE_SIZE) + CHART_PALETTE_SIZE) % CHART_PALETTE_SIZE;
    return CHART_PALETTE[slot];
}

Colour tint(Colour colour, float amount) {
    return {mix(CHART_GROUND.r, colour.r, amount), mix(CHART_GROUND.g, colour.g, amount),
            mix(CHART_GROUND.b, colour.b, amount)};
}

std::string shortNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s == "-0" ? "0" : s;
}

double niceStep(double span, int count) {
    if (!(span > 0.0) || count <= 0 || !std::isfinite(span)) {
        return 1.0;
    }
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

} // namespace tessellune::tools
