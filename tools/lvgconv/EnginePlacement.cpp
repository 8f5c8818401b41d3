#include "tools/lvgconv/EnginePlacement.h"

#include "tools/lvgwriter/LvgWriter.h"

#include <algorithm>
#include <cmath>

EnginePlacement placementOf(const aiMatrix4x4& world) {
    aiVector3D scaling, translation;
    aiQuaternion rotation;
    world.Decompose(scaling, rotation, translation);
    rotation.Normalize();
    EnginePlacement p;
    p.position = {translation.x, translation.y, translation.z};
    p.scale = {scaling.x, scaling.y, scaling.z};
    p.storedRotation = lvgconvention::storedRotation({rotation.x, rotation.y, rotation.z, rotation.w});

    const Matrix4 rebuilt = engineMatrix(p.position, p.storedRotation, p.scale);
    float largest = 0;
    float error = 0;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            largest = std::max(largest, std::fabs(world[row][column]));
            error = std::max(error, std::fabs(world[row][column] - rebuilt[column * 4 + row]));
        }
    }
    p.exact = !(error > 1e-4f * std::max(largest, 1e-6f));
    return p;
}

Matrix4 engineMatrix(const Vec3& position, const Quaternion& storedRotation, const Vec3& scale) {
    Matrix4 m = math3d::rotationMatrix(storedRotation);
    const float factors[3] = {scale.x, scale.y, scale.z};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) m[column * 4 + row] *= factors[column];
    }
    m[12] = position.x;
    m[13] = position.y;
    m[14] = position.z;
    return m;
}
