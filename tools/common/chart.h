// Drawing for the tools' charts: an RGBA canvas, lines, rectangles, markers and FreeType text.
//
// Conventions: pixel (0, 0) is the top-left corner, x to the right, y down; rectangles are
// half-open [x0, x1) x [y0, y1); everything is clipped to the canvas, so any coordinates are safe.
// Opacity 0..1 blends a colour over what is there. Canvas pixels are RGBA8, alpha always 255, rows
// from the top, as tools::writePngRgba takes them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/chart_style.h"

namespace tessellune::tools {

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

Canvas makeCanvas(int width, int height, Colour ground);
// The colour at (x, y); black outside the canvas.
Colour pixelAt(const Canvas& canvas, int x, int y);

void blendPixel(Canvas& canvas, int x, int y, Colour colour, float opacity = 1.0f);
void fillRect(Canvas& canvas, int x0, int y0, int x1, int y1, Colour colour, float opacity = 1.0f);
// A one-pixel line, anti-aliased across its minor axis.
void drawLine(Canvas& canvas, double x0, double y0, double x1, double y1, Colour colour,
              float opacity = 1.0f);
// Horizontal and vertical lines of `dash` pixels on, `dash` off (dash 0: solid).
void drawHorizontal(Canvas& canvas, int x0, int x1, int y, Colour colour, int dash = 0, float opacity = 1.0f);
void drawVertical(Canvas& canvas, int x, int y0, int y1, Colour colour, int dash = 0, float opacity = 1.0f);

enum class Marker { Square, Disc, Diamond, TriangleUp, Ring };
// A marker centred on (x, y) that spans 2 * radius + 1 pixels.
void drawMarker(Canvas& canvas, int x, int y, int radius, Marker marker, Colour colour);

// An open font face at one pixel size; closed when the last copy goes.
struct Font {
    std::shared_ptr<struct FontFace> face;
    int pixelSize = 0;
    int ascender = 0;  // pixels above the baseline
    int descender = 0; // pixels below it
};

// False with a message naming the file (and the package that provides the default font).
bool openFont(const std::string& path, int pixelSize, Font& font, std::string& error);

// The chart font at the text and title sizes every chart uses; false with openFont's message.
bool openChartFonts(Font& text, Font& title, std::string& error);

int textWidth(const Font& font, std::string_view text);

enum class Align { Left, Centre, Right };
// Draws one line of text with its baseline at y; x is its left end, centre or right end.
void drawText(Canvas& canvas, const Font& font, int x, int y, std::string_view text, Colour colour,
              Align align = Align::Left);

// The palette colour for a scene number or case index (any int, negatives included).
Colour paletteColour(int index);
// colour blended towards the ground by 1 - amount.
Colour tint(Colour colour, float amount);

// "%.*f" without trailing zeros: 4, 4.5, -0.25.
std::string shortNumber(double value, int decimals = 3);

// A round step (1, 2 or 5 times a power of ten) of at least span / count.
double niceStep(double span, int count);

} // namespace tessellune::tools
