// Fuzzes the scene file parser on arbitrary bytes. The parser needs no GL and returns its
// failures, so every input runs to its end without leaving the process. Parsed records
// then go through the pure steps of building that need no GL: the key-track limits and
// the quaternion placement.
#include "engine/LVGParser.h"
#include "engine/SceneObject.h"

#include <cstddef>
#include <cstdint>
#include <variant>

namespace {

void touchNode(const lvg::NodeHeader& node, int32_t frameCount) {
    volatile float sink = math3d::rotationMatrix(node.rotation)[0];
    const int32_t keys = int32_t(node.scaleKeys.size());
    for (int32_t frame : {-1, 0, frameCount - 1, frameCount}) {
        const int32_t k = SceneObject::trackIndex(frame, keys, node.rotationKeys.size());
        if (k >= 0) sink = math3d::rotationMatrix(node.rotationKeys[size_t(k)])[5];
    }
    (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lvg::File file;
    lvg::ParseFailure failure;
    lvg::parse(data, size, file, failure);
    for (const lvg::Record& record : file.records) {
        std::visit(
            [&](const auto& r) {
                if constexpr (requires { r.node; }) touchNode(r.node, file.frameCount);
            },
            record);
    }
    return 0;
}
