#pragma once
// The 3D engine's small value types and the pure functions on them: 2-, 3- and 4-float
// vectors, RGBA colours (four floats 0..1), 4x4 float matrices in OpenGL's column-major
// order (element c * 4 + r is row r of column c) and quaternions (x, y, z, w).
//
// Used by the scene reader, the scene graph, meshes and materials, and the tools that
// write scene files. No GL, no globals: every function here is covered by unit tests.
//
// The scene format's quaternion placement is kept on purpose: rotationMatrix() stores the
// rows of the usual rotation matrix of q where OpenGL reads columns, so a quaternion that
// "means" a rotation by +a turns geometry by -a once the matrix reaches GL. Scene writers
// compensate by writing the conjugate (see tools/lvgwriter).
#include <cmath>
#include <cstdint>

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    static Matrix4 identity() { return Matrix4{}; }
};

namespace math3d {

// The scene format's matrix of a quaternion. With n = x² + y² + z² + w², s = 2 / n (s = 1
// for n below float epsilon, so a zero quaternion gives a finite matrix).
inline Matrix4 rotationMatrix(const Quaternion& q) {
    const float n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    const float s = n < 1.1920929e-7f ? 1.0f : 2.0f / n;
    Matrix4 r;
    r[0] = 1 - s * (q.y * q.y + q.z * q.z);
    r[1] = s * (q.x * q.y - q.w * q.z);
    r[2] = s * (q.x * q.z + q.w * q.y);
    r[3] = 0;
    r[4] = s * (q.x * q.y + q.w * q.z);
    r[5] = 1 - s * (q.x * q.x + q.z * q.z);
    r[6] = s * (q.y * q.z - q.w * q.x);
    r[7] = 0;
    r[8] = s * (q.x * q.z - q.w * q.y);
    r[9] = s * (q.y * q.z + q.w * q.x);
    r[10] = 1 - s * (q.x * q.x + q.y * q.y);
    r[11] = 0;
    r[12] = r[13] = r[14] = 0;
    r[15] = 1;
    return r;
}

// Spherical interpolation from a to b at weight x along the shorter arc; nearly parallel
// quaternions are blended linearly. The result is not normalised (rotationMatrix divides
// by the norm).
inline Quaternion slerp(const Quaternion& a, const Quaternion& b, float x) {
    const float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    const float absD = std::fabs(d);
    float weightA = 1 - x;
    float weightB = x;
    if (1 - absD >= 1e-6f) {
        const float theta = std::acos(absD > 1 ? 1.0f : absD);
        const float sinTheta = std::sin(theta);
        weightA = std::sin(theta - x * theta) / sinTheta;
        weightB = std::sin(x * theta) / sinTheta;
    }
    if (d < 0) weightB = -weightB;
    return {weightA * a.x + weightB * b.x, weightA * a.y + weightB * b.y, weightA * a.z + weightB * b.z,
            weightA * a.w + weightB * b.w};
}

inline Vec3 lerp(const Vec3& a, const Vec3& b, float x) {
    return {a.x + (b.x - a.x) * x, a.y + (b.y - a.y) * x, a.z + (b.z - a.z) * x};
}

// The engine's Euler rotation (radians), in the column-major placement GL reads.
inline Matrix4 eulerRotation(float x, float y, float z) {
    const float cx = std::cos(x), sx = std::sin(x);
    const float cy = std::cos(y), sy = std::sin(y);
    const float cz = std::cos(z), sz = std::sin(z);
    Matrix4 r;
    r[0] = cz * cy;
    r[4] = -cy * sz;
    r[8] = sy;
    r[1] = sx * (cz * sy) + sz * cx;
    r[5] = cz * cx - sx * (sz * sy);
    r[9] = -(cy * sx);
    r[2] = sz * sx - (cz * sy) * cx;
    r[6] = cx * (sz * sy) + cz * sx;
    r[10] = cy * cx;
    r[3] = r[7] = r[11] = r[12] = r[13] = r[14] = 0;
    r[15] = 1;
    return r;
}

// Column-major product a × b.
inline Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            r[column * 4 + row] = sum;
        }
    }
    return r;
}

// The scene cameras' aspect ratio constant as a float: 0x3F40013B, a little above 0.75.
constexpr float cameraFovAspect = 0.7500188f;

// The vertical field of view in degrees of a camera whose horizontal one is given in
// radians.
inline float verticalFovDegrees(float horizontalRadians) {
    return 2.0f * std::atan(cameraFovAspect * std::tan(horizontalRadians / 2.0f)) * 180.0f / 3.14159265358979f;
}

}  // namespace math3d
