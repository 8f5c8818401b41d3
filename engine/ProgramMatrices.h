#pragma once
// The two matrices a vertex program receives, computed from OpenGL's column-major 4 x 4
// matrices (element [column * 4 + row]). Pure functions, so tests cover them without GL.
namespace ProgramMatrices {
// out = a x b (out may not alias a or b).
void multiply(const float a[16], const float b[16], float out[16]);
// out = transpose(inverse(m)). For a singular m (a scale collapsed to 0) it gives the
// cofactor matrix instead, det(m) times the inverse transpose where that exists: normals
// keep their direction and nothing is divided by zero.
void inverseTranspose(const float m[16], float out[16]);
}  // namespace ProgramMatrices
