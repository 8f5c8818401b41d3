#include "tools/lvgconv/FormatLimits.h"

#include "tools/lvgconv/MeshPieces.h"

#include <cstdint>

namespace {

std::string shortened(const std::string& text) {
    return text.size() > 40 ? text.substr(0, 40) + "..." : text;
}

std::string tooLong(const char* what, const std::string& text) {
    if (text.size() <= size_t(lvg::maxStringLength)) return "";
    return std::string(what) + " '" + shortened(text) + "' is " + std::to_string(text.size()) +
           " bytes long; a scene file holds at most " + std::to_string(lvg::maxStringLength);
}

std::string nodeProblem(const lvg::NodeHeader& node) {
    return tooLong("the name", node.name);
}

}  // namespace

std::string firstLimitProblem(const std::vector<lvg::Record>& records) {
    if (records.size() >= size_t(INT32_MAX)) return "the model has more objects than a scene file numbers";
    for (const lvg::Record& record : records) {
        std::string problem;
        if (auto* m = std::get_if<lvg::MaterialRecord>(&record)) {
            problem = tooLong("the material name", m->name);
            for (const lvg::TextureEntry& entry : m->textures) {
                if (problem.empty()) problem = tooLong("the texture name", entry.fileName);
            }
        } else if (auto* l = std::get_if<lvg::LightRecord>(&record)) {
            problem = nodeProblem(l->node);
            if (problem.empty() && l->hasProjector) problem = tooLong("the projector texture", l->projectorTexture);
        } else if (auto* c = std::get_if<lvg::CameraRecord>(&record)) {
            problem = nodeProblem(c->node);
        } else if (auto* mesh = std::get_if<lvg::MeshRecord>(&record)) {
            problem = nodeProblem(mesh->node);
            if (problem.empty() && mesh->vertices.size() > maxPieceVertices) {
                problem = "mesh '" + shortened(mesh->node.name) + "' has " + std::to_string(mesh->vertices.size()) +
                          " vertices; the engine draws at most " + std::to_string(maxPieceVertices);
            }
        } else if (auto* bare = std::get_if<lvg::BareNodeRecord>(&record)) {
            problem = tooLong("the name", bare->name);
        } else if (auto* dummy = std::get_if<lvg::DummyRecord>(&record)) {
            problem = nodeProblem(dummy->node);
        }
        if (!problem.empty()) return problem;
    }
    return "";
}
