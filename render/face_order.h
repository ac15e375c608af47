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

// Called by the projection once every vertex has its screen position: lays out the row spans when
// the faces are already ordered.
void noteVerticesProjected(RenderPipeline& pipeline);

} // namespace tessellune
