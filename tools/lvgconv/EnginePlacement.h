#pragma once
// Turns a node's world matrix (Assimp's row-major, column-vector convention) into what a
// scene-file node holds: a position, a rotation quaternion and a scale. The engine places
// a node by translate × rotate × scale from the identity (a child does not inherit its
// parent's matrix), so every node is written with its world placement. The quaternion is
// the one the writer stores so that the reader's matrix turns geometry the intended way.
//
// A world matrix with shear (a non-uniformly scaled parent over a rotated child) has no
// such form; the nearest rotation and the axis lengths are written, and `exact` says so.
#include "engine/Math3D.h"

#include <assimp/matrix4x4.h>
#include <assimp/quaternion.h>
#include <assimp/types.h>

struct EnginePlacement {
    Vec3 position;
    Quaternion storedRotation;  // as written to the file
    Vec3 scale{1, 1, 1};
    bool exact = true;
};

EnginePlacement placementOf(const aiMatrix4x4& world);

// The matrix the engine builds from a placement (column-major, as GL reads it), for
// checks: the engine's translate, its rotation matrix of the stored quaternion, scale.
Matrix4 engineMatrix(const Vec3& position, const Quaternion& storedRotation, const Vec3& scale);
