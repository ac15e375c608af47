// Band rendering: clearing a band and drawing the pass's ordered faces into it, and depth-only passes.
//
// Conventions: a band is the rows [rowBegin, rowEnd) of the colour and depth targets, both
// multiples of 8, and the targets share one width, a multiple of 8; a call with anything else draws
// nothing. Each call writes only its own rows, so bands of one pass may render at the same time.
// Peaks are not recorded here: whoever dispatched the bands calls recordPeaks once, after all of
// them finished, so concurrent bands never write the pipeline.
#pragma once

#include <cstdint>

#include "render/image.h"
#include "render/pipeline.h"

namespace tessellune {

void renderBand(const RenderPipeline& pipeline, int32_t rowBegin, int32_t rowEnd, FloatImage& colour,
                DepthImage& depth);

// Every face of the pass, whatever its shader, into rows [0, rows) of a depth target the caller
// cleared; the colour target only supplies the width. Records the peaks.
void renderDepthOnly(RenderPipeline& pipeline, int32_t rows, const FloatImage& colour, DepthImage& depth);

// True when the targets and rows satisfy the conventions above.
bool bandIsDrawable(int32_t rowBegin, int32_t rowEnd, const FloatImage& colour, const DepthImage& depth);

} // namespace tessellune
