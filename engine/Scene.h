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
//
// Per frame the Scene effect calls, in this order: setTime, animate, updateWorld (which
// ends with the shadow-map pass when shadows are on), depthPass, render (the colour pass,
// then the shadow blend pass when shadows are on). render() draws the geometry in its
// sorted order; meshes apply their material through useMaterial(), which applies it only
// when it differs from the one applied last, so a run of meshes of one material applies
// it once. Every material pushed is popped again within the frame: the GL attribute
// stack, the active texture unit and the client active unit are after a frame what they
// were before it.
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

class FragmentProgram;
class VertexProgram;

// The animation position that a time gives: a key frame and the fraction 0..1 toward the
// next one.
struct SceneTime {
    int32_t frame = 0;
    float fraction = 0;
};

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

    // --- Per frame -----------------------------------------------------------------------
    // t in the units of frameStep: frame = t / frameStep (truncated); with loop, whole laps
    // of frameCount frames are taken off t first. A frame before the start becomes 0, one
    // beyond frameCount becomes frameCount - 1 (objects also hold their key index to their
    // last key). The fraction is held to 0..1.
    void setTime(float t);
    static SceneTime timeAt(double t, int32_t frameCount, int32_t frameStep, bool loop);
    // Every object samples its tracks at frame and fraction.
    void animate();
    // Identity projection and modelview; world matrices of every light (lights in no
    // chain are placed too) and of the root chain; the shadow-map pass when shadows are on.
    void updateWorld();
    // The colour pass (needs a root: assertion), then the shadow blend pass when shadows
    // are on. Leaves fog, multisampling and every material's state as they were.
    void render();
    // GL_FOG on with the scene's colour, mode, and start and end (GL_LINEAR) or density.
    void applyFog() const;

    // Material switching for the colour pass: applies material unless it is the one
    // applied last (by id), popping that one first.
    void useMaterial(Material& material);
    // Pops the material applied last, if any, and forgets it.
    void releaseMaterial();
    const Material* appliedMaterial() const { return lastApplied; }

    // --- Shadows and depth (ScenePasses.cpp) ------------------------------------------
    // Nothing when the settings switched shadows off or the driver has fewer than three
    // texture units; otherwise shadowsOn and every object's castsShadow from the first
    // root's chain down.
    void setShadows(bool on);
    // The light the shadow passes work from: the first light flagged shadowLight that
    // has a target away from itself (the map looks from the light at its target); none
    // when there is no such light, and then neither shadow pass changes the picture.
    Light* shadowCaster() const;
    // The depth-information pass into "scenedepth", after updateWorld().
    void depthPass();
    // Step 4 of updateWorld() and step 9 of render(), when shadows are on.
    void shadowMapPass();
    void shadowBlendPass();

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
    VertexProgram* depthVertexProgram = nullptr;      // made on first use by the depth pass
    FragmentProgram* depthFragmentProgram = nullptr;
    // The shadow texture planes S, T, R and Q, computed by the shadow-map pass.
    float shadowTexturePlanes[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

private:
    // Counter-clockwise front faces with back faces culled, or no culling: what the colour
    // and depth passes draw with.
    void applyCulling() const;
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
    Material* lastApplied = nullptr;  // pushed by its apply(), popped by releaseMaterial()
    // The first object and the first light of each id and name: look-ups and linking stay
    // linear in the number of objects, however many a file holds.
    std::unordered_map<int32_t, SceneObject*> firstObjectById;
    std::unordered_map<std::string, SceneObject*> firstObjectByName;
    std::unordered_map<std::string, Light*> firstLightByName;
};
