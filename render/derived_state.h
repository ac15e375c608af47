// Guards for the copies the renderer keeps for speed: each is compared with what it was made from.
//
// Conventions: every stale* function reads all it checks and returns "" when the copies agree, else
// one line naming the first difference. They cost a pass over the data and run only where
// DERIVED_STATE_CHECKS is on (the debug and sanitizer builds, which leave NDEBUG undefined): there
// the pipeline checks a pass before the bands read it, a mesh submission its triangles, and the
// clipper every plane bit it reads; a stale copy ends the program with its line on stderr, like a
// failed assertion, so that every suite that renders a pass catches it.
#pragma once

#include <string>

#include "render/camera.h"
#include "render/mesh.h"
#include "render/pipeline.h"

namespace tessellune {

#ifdef NDEBUG
inline constexpr bool DERIVED_STATE_CHECKS = false;
#else
inline constexpr bool DERIVED_STATE_CHECKS = true;
#endif

// The band records of faces [0, faceCount) against the face records: corners 0 to 2 (those the
// face has), the corner count, the normal and the material.
std::string staleBandFaces(const RenderPipeline& pipeline);

// The row spans of a ready pass: faceRows[i] against the screen Y of face i's corners (read through
// its face record), and orderedRows[k] against faceRows[faceOrder[k]].
std::string staleFaceRows(const RenderPipeline& pipeline);

// The plane bits of the open submission's vertices below planesKnownEnd against the camera's planes.
std::string stalePlaneBits(const RenderPipeline& pipeline, const Camera& camera);

// A mesh's compact triangles against its faces, when the two are read as one (the same count).
std::string staleMeshTriangles(const Mesh& mesh);

// Ends the program with "renderer: stale copy: <what>" when `what` is not empty.
void failOnStaleCopy(const std::string& what);

} // namespace tessellune
