#pragma once
// The normal matrix a vertex program receives as "ModelViewIT", from OpenGL's
// column-major modelview matrix (Math3D's Matrix4). A pure function, so tests cover it
// without GL; the product for "ModelViewProj" is Math3D's multiply.
#include "engine/Math3D.h"

namespace ProgramMatrices {
// transpose(inverse(m)). For a singular m (a scale collapsed to 0) it gives the cofactor
// matrix instead, det(m) times the inverse transpose where that exists: normals keep
// their direction and nothing is divided by zero.
Matrix4 inverseTranspose(const Matrix4& m);
}  // namespace ProgramMatrices
