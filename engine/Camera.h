#pragma once
// Camera: a scene node that sets the projection and looks at its target object. The scene
// reader gives it the file's field of view (converted to vertical degrees), clipping
// distances and target id; the Scene links the target when loading ends.
#include "engine/SceneObject.h"

class Camera : public SceneObject {
public:
    Camera(int32_t id, std::string name);

    SceneObjectKind kind() const override { return SceneObjectKind::Camera; }

    // The projection: a perspective of fov, aspect, near and far. Then, on the modelview
    // matrix (identity when rendering starts), the view from position + offset toward the
    // target's position + offset with up (0, 1, 0); without a target the view stays as it
    // is. Cameras use their own positions, not world matrices: a camera is often in no
    // chain.
    void apply() const;

    float fov = 45;        // vertical, degrees
    float aspect = 1.333f;  // kept as the engine always had it: not 4/3, never changed
    float nearClip = 1;
    float farClip = 2000;
    int32_t targetId = -1;
    SceneObject* target = nullptr;

protected:
    std::unique_ptr<SceneObject> cloneSelf() const override;
};
