// The depth ordering of a pass's faces and the row spans the bands scan, in that order.
//
// Conventions: the order lists faces nearest first (by their nearest corner's view-space z); equal
// depths keep submission order. The bands need both the order and the projected vertices, and the
// two steps may run in either order: whichever comes second lays out the row spans. A submission
// committed after either undoes both (RenderPipeline::facesOrdered, verticesProjected).
#pragma once

#include "render/pipeline.h"

namespace tessellune {

// Orders the pass's faces into faceOrder; once the vertices are projected, also lays out their row
// spans in that order.
void sortFacesByDepth(RenderPipeline& pipeline);

// The rows a face with these corners reaches, from its first three corners' screen Y (the rule the
// row spans are laid out by).
FaceRows faceRowsOf(const RenderPipeline& pipeline, const int32_t* vertex, int32_t cornerCount);

// Called by the projection once every vertex has its screen position: lays out the row spans when
// the faces are already ordered.
void noteVerticesProjected(RenderPipeline& pipeline);

// The ordering in pieces, for threads that share a pass's faces by ranges (workers/pass_order.h).
// Each piece does to its entries what sortFacesByDepth does to them, so the pieces give its result
// when each radix pass that sortFacesByDepth would not skip runs on ranges in order, with offsets
// that put, bucket by bucket, every range's entries after those of the ranges before it. A pass is
// skipped when one bucket holds every key. None of the pieces sets the pass's flags.

// Depth keys of faces [begin, end) into depthKeys and their row spans into faceRows (the vertices
// must be projected); `counts` := their digits' counts.
void keyFaceRange(RenderPipeline& pipeline, int32_t begin, int32_t end, RadixCounts& counts);

// counts[value] := how many of keys[begin, end) have that value of digit `pass`.
void countDigitRange(const int32_t* keys, int32_t begin, int32_t end, int32_t pass, int32_t* counts);

// One radix pass: where its entries come from and go.
struct RadixScatter {
    int32_t pass = 0;
    const int32_t* sourceKeys = nullptr;
    const int32_t* sourceFaces = nullptr; // null: the first pass, face i at position i
    int32_t* destinationKeys = nullptr;   // null: the last pass, after which the keys are not read
    int32_t* destinationFaces = nullptr;
    // The last pass: each face's row span (faceRows complete) is written beside its place.
    FaceRows* orderedRows = nullptr;
};

// Source entries [begin, end), in order, each to offsets[its digit], which then advances.
void scatterRange(RenderPipeline& pipeline, const RadixScatter& scatter, int32_t begin, int32_t end,
                  int32_t* offsets);

// When no pass sorts anything (faceRows complete): faces [begin, end) keep their places.
void keepFaceRange(RenderPipeline& pipeline, int32_t begin, int32_t end);

} // namespace tessellune
