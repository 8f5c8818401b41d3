#pragma once
// SceneObject: one node of a scene's hierarchy, the base of meshes, cameras and lights,
// and itself the kind of the scene file's bare and dummy nodes.
//
// A node has a rest placement (position, rotation matrix, scale), optional sampled key
// tracks (one key per frame of the scene's animation, frameStep time units apart) and
// links into its parent's child chain or the scene's root chain. The Scene owns every
// node; links are plain pointers that stay valid for the scene's life. The scene reader
// fills nodes through the setters here; the Scene links them (appendChild) and binds
// them once loading ends.
//
// Per frame the Scene asks every object to sample its tracks (animate), computes the world
// matrices of its chains (updateWorld, on the CPU: each object's world matrix is the
// incoming matrix × translate(position + offset) × rotation × scale; its children get
// its world matrix as their incoming one only when inheritTransform is on, otherwise its
// own incoming one, as if the matrix had been popped before them), and draws each
// object under its world matrix (draw, drawShadowPass, drawDepthPass; the kinds supply
// the drawing itself).
//
// The recursive setters (setCastsShadow, setVertexProgram, ...) take two switches: the
// object sets its own value, then with children on the call goes to its first child,
// with siblings on to its next sibling, each of which passes it on with the same
// switches. So (on, on) reaches the subtree and every following sibling's subtree, (on,
// off) the chain of first children, (off, on) the following siblings. They loop, never
// recurse, so a chain of any length is safe.
//
// Keys: each track holds its own number of keys. keyCount is the count of the last
// non-empty track in the order position, rotation, scale (the one count the format
// keeps); a sampler limits every track by its own size as well (trackIndex), so a
// shorter track is never read past its end.
#include "engine/Math3D.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Material;
class Scene;

enum class SceneObjectKind { Node, Mesh, Camera, Light };

class SceneObject {
public:
    SceneObject(int32_t id, std::string name);
    virtual ~SceneObject();
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    virtual SceneObjectKind kind() const { return SceneObjectKind::Node; }
    // The material the object draws with; none for plain nodes, cameras and lights.
    virtual Material* material() const { return nullptr; }
    // The kind's own work when its scene finishes loading (meshes find their material and
    // build their geometry). The Scene walks the hierarchy; this does not recurse.
    virtual void bindToScene(Scene& scene);

    // A copy of this object and, cloned the same way, of its descendants: placement,
    // tracks, flags and the kind's own fields. The copy is in no chain and belongs to the
    // caller; it owns its cloned descendants.
    std::unique_ptr<SceneObject> clone() const;

    // --- Per frame ----------------------------------------------------------------------
    // Samples the tracks at key frame (limited to the last key) and fraction toward the
    // next: positions and scales linearly, rotations by slerp. Nothing when not animated.
    virtual void animate(int32_t frame, float fraction);
    // translate(position + offset) × rotation × scale.
    Matrix4 localMatrix() const;
    // World matrices of first, its descendants and its following siblings with theirs,
    // first's chain starting from incoming.
    static void updateWorld(SceneObject* first, const Matrix4& incoming);
    // If visible: the kind's colour, shadow or depth drawing under the world matrix
    // multiplied onto the modelview matrix (pushed and popped around it).
    void draw();
    void drawShadowPass();
    void drawDepthPass();

    // --- Recursive setters (reach: see the top of this file) ----------------------------
    void setCastsShadow(bool on, bool children, bool siblings);
    void setVisible(bool on, bool children, bool siblings);
    void setInheritTransform(bool on, bool children, bool siblings);
    // Meshes fetch the program (shader registry) and draw with it; other kinds pass the
    // name on.
    void setVertexProgram(const std::string& fileName, bool children, bool siblings);
    void setFragmentProgram(const std::string& fileName, bool children, bool siblings);
    template <typename Visit>
    static void reach(SceneObject* start, bool children, bool siblings, Visit visit);

    int32_t id() const { return objectId; }
    const std::string& name() const { return objectName; }

    // Hierarchy. appendChild makes child the first child or appends it to the end of the
    // first child's sibling chain (in constant time); appendSibling appends to the end of
    // this chain.
    void appendChild(SceneObject* child);
    void appendSibling(SceneObject* sibling);
    SceneObject* parent() const { return parentObject; }
    SceneObject* firstChild() const { return firstChildObject; }
    SceneObject* nextSibling() const { return nextSiblingObject; }
    SceneObject* previousSibling() const { return previousSiblingObject; }

    // Sampled tracks, one key per frame; empty tracks are absent. Rotation keys are
    // quaternions (x, y, z, w); position and scale keys use x, y, z. Any track given marks
    // the object animated.
    void setTracks(std::vector<Vec4> positionKeys, std::vector<Vec4> rotationKeys, std::vector<Vec4> scaleKeys);
    const std::vector<Vec4>& positionKeys() const { return positionTrack; }
    const std::vector<Vec4>& rotationKeys() const { return rotationTrack; }
    const std::vector<Vec4>& scaleKeys() const { return scaleTrack; }
    int32_t keyCount() const { return keys; }
    bool animated() const { return isAnimated; }
    // The key a track shows at frame: frame limited to 0 .. keyCount - 1 and to the
    // track's own last key. -1 for an empty track.
    static int32_t trackIndex(int32_t frame, int32_t keyCount, size_t trackSize);

    // Placement, written by the reader and (offset, rotation) by the Scene effect.
    Vec3 position;
    Matrix4 rotation;   // rest or sampled orientation
    Vec3 scale{1, 1, 1};
    Vec3 extra{1, 1, 1};  // kept from the file; no effect
    Vec3 offset;        // added to position
    Matrix4 world;      // computed each frame
    int32_t frameStep = 0;  // time units per key, copied from the scene

    bool visible = true;
    bool inheritTransform = false;  // off: children do not inherit this object's matrix
    bool castsShadow = false;       // drawn into the shadow passes
    bool shadowExcluded = false;    // kept out of the shadow blend pass

protected:
    // The kind's own parts of clone(): a copy of this object alone (copyInto does the
    // base fields).
    virtual std::unique_ptr<SceneObject> cloneSelf() const;
    void copyInto(SceneObject& copy) const;
    // The kind's own drawing, on the modelview matrix that includes the world matrix.
    virtual void drawColour() {}
    virtual void drawShadow() {}
    virtual void drawDepth() {}
    virtual void useVertexProgram(const std::string&) {}
    virtual void useFragmentProgram(const std::string&) {}

private:
    int32_t objectId;
    std::string objectName;
    SceneObject* parentObject = nullptr;
    SceneObject* firstChildObject = nullptr;
    SceneObject* lastChildObject = nullptr;  // so that appending a child does not walk the chain
    SceneObject* nextSiblingObject = nullptr;
    SceneObject* previousSiblingObject = nullptr;
    std::vector<Vec4> positionTrack, rotationTrack, scaleTrack;
    int32_t keys = 0;
    bool isAnimated = false;
    std::vector<std::unique_ptr<SceneObject>> clonedChildren;  // a top clone's descendants
};

template <typename Visit>
void SceneObject::reach(SceneObject* start, bool children, bool siblings, Visit visit) {
    std::vector<SceneObject*> pending;
    if (start) pending.push_back(start);
    while (!pending.empty()) {
        SceneObject* object = pending.back();
        pending.pop_back();
        visit(*object);
        if (siblings && object->nextSibling()) pending.push_back(object->nextSibling());
        if (children && object->firstChild()) pending.push_back(object->firstChild());
    }
}
