// Test helpers that place generated meshes the way the scenes do and project view-space points
// with the 640 x 480 screen camera.
//
// Conventions: row vectors, p' = p · M; view space looks down -z with +y up; screen x to the
// right and y down. A face is drawn only when its normal points towards the eye (facing < 0).
#pragma once

#include "math/matrix4.h"
#include "tools/datagen/mesh_data.h"

namespace tessellune::datatest {

// World matrix of a mesh instance: scale, then turn about x, y, z in that order, then move.
Matrix4 instanceMatrix(float scale, float tx, float ty, float tz, float ax, float ay, float az);

// The share of the mesh's triangles that face the eye under the model-view matrix mv.
double frontFacingShare(const datagen::MeshData& mesh, const Matrix4& mv);

struct ScreenPoint {
    float x = 0.0f;
    float y = 0.0f;
    bool inFront = false; // between the near and far planes
};

// The screen camera: 60 degrees vertical field, 4:3, near 1, far 1000.
ScreenPoint projectToScreen(const Vec4& view);

// Whether the point, seen through the view matrix, is in front and inside the frame less `margin`
// (a share of each side).
bool inFrame(const Matrix4& view, const Vec4& point, float margin = 0.0f);

} // namespace tessellune::datatest
