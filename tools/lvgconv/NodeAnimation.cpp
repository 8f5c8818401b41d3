#include "tools/lvgconv/NodeAnimation.h"

#include <algorithm>
#include <cmath>

namespace {

// Index of the last key at or before ticks (0 when ticks is before the first key), and the
// blend weight towards the next key.
template <typename Key>
std::pair<unsigned, double> keyAt(const Key* keys, unsigned count, double ticks) {
    const Key* end = keys + count;
    const Key* after = std::upper_bound(keys, end, ticks, [](double t, const Key& k) { return t < k.mTime; });
    if (after == keys) return {0, 0.0};
    const unsigned index = unsigned(after - keys) - 1;
    if (after == end) return {index, 0.0};
    const double span = after->mTime - keys[index].mTime;
    return {index, span > 0 ? (ticks - keys[index].mTime) / span : 0.0};
}

aiVector3D vectorAt(const aiVectorKey* keys, unsigned count, double ticks, const aiVector3D& fallback) {
    if (count == 0) return fallback;
    const auto [i, weight] = keyAt(keys, count, ticks);
    if (weight <= 0) return keys[i].mValue;
    return keys[i].mValue + (keys[i + 1].mValue - keys[i].mValue) * float(weight);
}

aiQuaternion rotationAt(const aiQuatKey* keys, unsigned count, double ticks, const aiQuaternion& fallback) {
    if (count == 0) return fallback;
    const auto [i, weight] = keyAt(keys, count, ticks);
    if (weight <= 0) return keys[i].mValue;
    aiQuaternion out;
    aiQuaternion::Interpolate(out, keys[i].mValue, keys[i + 1].mValue, float(weight));
    return out.Normalize();
}

}  // namespace

NodeAnimation::NodeAnimation(const aiAnimation* a) : animation(a) {
    if (!animation) return;
    if (animation->mTicksPerSecond > 0) ticksPerSecond = animation->mTicksPerSecond;
    for (unsigned i = 0; i < animation->mNumChannels; ++i) {
        const aiNodeAnim* channel = animation->mChannels[i];
        if (channel) channels.emplace(channel->mNodeName.C_Str(), channel);
    }
}

double NodeAnimation::durationSeconds() const {
    if (!animation || !(animation->mDuration > 0)) return 0;
    return animation->mDuration / ticksPerSecond;
}

aiMatrix4x4 NodeAnimation::localTransformAt(const aiNode& node, double seconds) const {
    auto found = channels.find(node.mName.C_Str());
    if (found == channels.end()) return node.mTransformation;
    const aiNodeAnim& channel = *found->second;
    aiVector3D restScale, restPosition;
    aiQuaternion restRotation;
    node.mTransformation.Decompose(restScale, restRotation, restPosition);
    const double ticks = seconds * ticksPerSecond;
    const aiVector3D position = vectorAt(channel.mPositionKeys, channel.mNumPositionKeys, ticks, restPosition);
    const aiQuaternion rotation = rotationAt(channel.mRotationKeys, channel.mNumRotationKeys, ticks, restRotation);
    const aiVector3D scale = vectorAt(channel.mScalingKeys, channel.mNumScalingKeys, ticks, restScale);
    return composedTransform(scale, rotation, position);
}

aiMatrix4x4 composedTransform(const aiVector3D& scale, const aiQuaternion& rotation, const aiVector3D& position) {
    // Not Assimp's matrix constructor of the three, which scales the rotation's rows
    // (scale × rotation) where a node's transform is translation × rotation × scale.
    aiMatrix4x4 scaling;
    aiMatrix4x4::Scaling(scale, scaling);
    aiMatrix4x4 m = aiMatrix4x4(rotation.GetMatrix()) * scaling;
    m.a4 = position.x;
    m.b4 = position.y;
    m.c4 = position.z;
    return m;
}
