#include "engine/Camera.h"

#include <utility>

Camera::Camera(int32_t id, std::string name) : SceneObject(id, std::move(name)) {
    position = {0, 0, 5};
}
