// Every size and colour of the tools' charts (timeline and frame times), each with its reason.
//
// Conventions: sizes are pixels of the written PNG; colours are opaque sRGB bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessellune::tools {

struct Colour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// The font every chart writes with: Debian's fonts-dejavu-core, which the title cards use too.
inline constexpr const char* CHART_FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline constexpr const char* CHART_FONT_PACKAGE = "fonts-dejavu-core";
// 13 px labels stay legible when a README shows a 1600 px wide picture at about half size.
inline constexpr int CHART_TEXT_PX = 13;
inline constexpr int CHART_TITLE_PX = 16;

// Axes ask niceStep for about 16 ticks; positions too large for their span to be told apart in a
// double could make a tick loop endless, so no axis draws more than this.
inline constexpr int CHART_MAX_TICKS = 200;

// A light ground: the pictures sit in README pages that are mostly white.
inline constexpr Colour CHART_GROUND{250, 250, 247};
inline constexpr Colour CHART_INK{32, 32, 36};          // text, curves, axes
inline constexpr Colour CHART_FAINT_INK{120, 120, 128}; // secondary labels
inline constexpr Colour CHART_GRID{205, 205, 200};      // bar lines and value grid
inline constexpr Colour CHART_STRONG_GRID{150, 150, 145};
inline constexpr Colour CHART_ALERT{200, 30, 30};  // what needs a look: off-beat keys, worst frames
inline constexpr Colour CHART_TARGET{20, 120, 60}; // the frame-rate target line

// How strongly a scene's colour tints the lanes it runs under: enough to tell the scenes apart,
// little enough that the curves and dots drawn over it keep their contrast.
inline constexpr float CHART_BAND_TINT = 0.22f;

// Scene and case colours: twelve well separated hues of similar lightness (a qualitative palette),
// so neighbouring scenes never share a colour unless the show has more than twelve.
inline constexpr Colour CHART_PALETTE[] = {
    {31, 119, 180},  {255, 127, 14},  {44, 160, 44},  {214, 39, 40},  {148, 103, 189}, {140, 86, 75},
    {227, 119, 194}, {127, 127, 127}, {188, 189, 34}, {23, 190, 207}, {255, 187, 120}, {152, 223, 138},
};
inline constexpr int CHART_PALETTE_SIZE = static_cast<int>(sizeof CHART_PALETTE / sizeof CHART_PALETTE[0]);

// Interpolation marks of the timeline's keys (step, linear, smooth, ramp, any other type).
inline constexpr Colour CHART_STEP_KEY{60, 60, 60};
inline constexpr Colour CHART_LINEAR_KEY{31, 119, 180};
inline constexpr Colour CHART_SMOOTH_KEY{44, 160, 44};
inline constexpr Colour CHART_RAMP_KEY{255, 127, 14};
inline constexpr Colour CHART_OTHER_KEY{200, 30, 30};

// The timeline picture: a label column wide enough for "plane_enable" and a range like
// "-12.5 .. 1200", lanes tall enough to read a curve's shape, and room above and below for the
// bar numbers and the seconds.
inline constexpr int TIMELINE_WIDTH = 1600;
inline constexpr int TIMELINE_LABEL_WIDTH = 170;
inline constexpr int TIMELINE_RIGHT_MARGIN = 20;
inline constexpr int TIMELINE_TOP = 58;         // title and bar numbers
inline constexpr int TIMELINE_SCENE_STRIP = 26; // the scene track's own lane, its numbers inside
inline constexpr int TIMELINE_LANE_HEIGHT = 44;
inline constexpr int TIMELINE_LANE_PAD = 5;   // keeps a curve at its range's ends off the lane border
inline constexpr int TIMELINE_BOTTOM = 64;    // seconds and the legend
inline constexpr int TIMELINE_KEY_RADIUS = 3; // a hollow key keeps a one-pixel ring
// Curves are sampled several times per pixel column, so a step or a spike between two columns
// still shows as the column's vertical extent.
inline constexpr int TIMELINE_SAMPLES_PER_COLUMN = 4;
// Space between bar numbers beyond the widest number; fewer bars are numbered when bars are narrow.
inline constexpr int TIMELINE_MIN_LABEL_SPACING = 28;
// Bar lines closer than this would fill the lanes; then only the numbered bars get a line.
inline constexpr double TIMELINE_MIN_BAR_GAP = 3.0;
// More lanes than this make a picture taller than any screen shows whole (and of tens of megabytes).
inline constexpr size_t TIMELINE_MAX_LANES = 200;

// The frame-time picture: wide enough for a point per frame of a 30 fps show to stay apart in
// clusters, tall enough that the 240 fps line and the 99 % bounds are separate rows.
inline constexpr int FRAMES_WIDTH = 1600;
inline constexpr int FRAMES_HEIGHT = 600;
inline constexpr int FRAMES_LEFT = 70;
inline constexpr int FRAMES_RIGHT = 20;
inline constexpr int FRAMES_TOP = 66;    // title and band labels
inline constexpr int FRAMES_BOTTOM = 96; // seconds, the marks and two rows of legend
// The time axis ends at least this many times above the target frame time and above the highest
// 99 % bound, so the bounds sit inside the picture; slower single frames are drawn at the top.
inline constexpr double FRAMES_HEADROOM = 1.3;
// A frame time beyond an hour is a broken clock, not a frame: such a run is refused.
inline constexpr double FRAMES_LONGEST_MS = 3600.0 * 1000.0;

} // namespace tessellune::tools
