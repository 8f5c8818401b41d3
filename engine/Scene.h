#pragma once
// Scene: everything one scene file describes, and the scene-wide render settings.
//
// Sections: construction and loading (the add operations and finish, called by the scene
// reader in file order); look-ups; the animation and render settings the Scene effect
// writes each frame.
//
// Ownership and lifetime: a Scene owns its objects (every node, in file order) and its
// materials; scenes are made by the scene reader, kept in its registry by path and never
// destroyed while the program runs, so the plain pointers handed out here stay valid.
//
// Links: geometry (meshes and plain nodes) with parent id -1 forms the root chain; a node
// with a parent id is appended to the children of the first earlier object with that id
// ("object %s could not find parent obj %d", non-fatal, leaves it unattached). Cameras
// and lights join a chain only when they name a parent. Material ids and camera and
// light targets may refer forward: finish() resolves them after the last chunk.
#include "engine/Camera.h"
#include "engine/Light.h"
#include "engine/Material.h"
#include "engine/SceneObject.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Scene {
public:
    Scene(int32_t frameCount, int32_t frameStep);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // --- Loading, in file order ---------------------------------------------------------
    void addGeometry(std::unique_ptr<SceneObject> object, int32_t parentId);
    void addCamera(std::unique_ptr<Camera> camera, int32_t parentId);
    // glIndex becomes the number of lights added before this one.
    void addLight(std::unique_ptr<Light> light, int32_t parentId);
    // A later material with the same id takes the id's place in the map.
    void addMaterial(std::unique_ptr<Material> material);
    // Binds the root chain and its descendants, sorts the geometry by material and links
    // camera and light targets (a light's target id 0 links nothing).
    void finish();

    // --- Look-ups (exact, first match in file order) ------------------------------------
    SceneObject* findObject(const std::string& name) const;
    Light* findLight(const std::string& name) const;
    SceneObject* objectById(int32_t id) const;
    Material* material(int32_t id) const;  // none if absent

    const std::vector<std::unique_ptr<SceneObject>>& objects() const { return allObjects; }
    const std::vector<SceneObject*>& geometry() const { return geometryList; }
    const std::vector<Camera*>& cameras() const { return cameraList; }
    const std::vector<Light*>& lights() const { return lightList; }
    const std::map<int32_t, Material*>& materials() const { return materialMap; }
    SceneObject* firstRoot() const { return roots; }
    Camera* currentCameraObject() const;
    Light* currentLightObject() const;

    // Visits object, its descendants and, when withSiblings, its following siblings with
    // their descendants, parents before children, without recursion.
    static void walk(SceneObject* object, bool withSiblings, const std::function<void(SceneObject&)>& visit);

    // --- Animation and render settings ---------------------------------------------------
    int32_t frameCount;
    int32_t frameStep;
    int32_t frame = 0;
    float fraction = 0;
    bool loop = false;
    size_t currentCamera = 0;
    size_t currentLight = 0;
    int32_t depthTargetSize = 1024;
    bool cullBackFaces = true;
    bool fogOn = false;
    Colour fogColour{0.5f, 0.5f, 0.5f, 1};
    float fogDensity = 1;
    float fogStart = 0;
    float fogEnd = 1;
    uint32_t fogMode = 0x0800;  // GL_EXP
    bool shadowsOn = false;
    float focalPoint = 0.5f;
    float focalNear = 0.1f;
    float focalFar = 0.8f;
    float focalClamp = 1.0f;

private:
    void attachToParent(SceneObject* object, int32_t parentId);
    SceneObject* append(std::unique_ptr<SceneObject> object);

    std::vector<std::unique_ptr<SceneObject>> allObjects;
    std::vector<SceneObject*> geometryList;
    std::vector<Camera*> cameraList;
    std::vector<Light*> lightList;
    std::vector<std::unique_ptr<Material>> ownedMaterials;
    std::map<int32_t, Material*> materialMap;
    SceneObject* roots = nullptr;
    SceneObject* lastRoot = nullptr;
    // The first object and the first light of each id and name: look-ups and linking stay
    // linear in the number of objects, however many a file holds.
    std::unordered_map<int32_t, SceneObject*> firstObjectById;
    std::unordered_map<std::string, SceneObject*> firstObjectByName;
    std::unordered_map<std::string, Light*> firstLightByName;
};
