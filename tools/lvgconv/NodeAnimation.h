#pragma once
// Samples one animation of an imported model: the local transform of a node at a moment,
// from the node's channel where it has one (positions and scales blended linearly,
// rotations spherically, between the two keys around the moment; before the first key
// the first, after the last key the last), and from the node's own transform otherwise
// (also for a channel's empty component).
#include <assimp/anim.h>
#include <assimp/scene.h>

#include <string>
#include <unordered_map>

// translation × rotation × scale, the order of a node's transform.
aiMatrix4x4 composedTransform(const aiVector3D& scale, const aiQuaternion& rotation, const aiVector3D& position);

class NodeAnimation {
public:
    // animation may be null: every node keeps its own transform.
    explicit NodeAnimation(const aiAnimation* animation);

    bool animates(const aiNode& node) const { return channels.count(node.mName.C_Str()) > 0; }
    double durationSeconds() const;
    aiMatrix4x4 localTransformAt(const aiNode& node, double seconds) const;

private:
    const aiAnimation* animation;
    double ticksPerSecond = 25;
    std::unordered_map<std::string, const aiNodeAnim*> channels;
};
