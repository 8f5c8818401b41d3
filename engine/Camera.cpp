#include "engine/Camera.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <utility>

Camera::Camera(int32_t id, std::string name) : SceneObject(id, std::move(name)) {
    position = {0, 0, 5};
}

void Camera::apply() const {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, aspect, nearClip, farClip);
    glMatrixMode(GL_MODELVIEW);
    if (!target) return;
    gluLookAt(position.x + offset.x, position.y + offset.y, position.z + offset.z, target->position.x + target->offset.x,
              target->position.y + target->offset.y, target->position.z + target->offset.z, 0, 1, 0);
}

std::unique_ptr<SceneObject> Camera::cloneSelf() const {
    auto copy = std::make_unique<Camera>(id(), name());
    copyInto(*copy);
    copy->fov = fov;
    copy->aspect = aspect;
    copy->nearClip = nearClip;
    copy->farClip = farClip;
    copy->targetId = targetId;
    copy->target = target;
    return copy;
}
