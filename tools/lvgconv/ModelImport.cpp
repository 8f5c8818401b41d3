#include "tools/lvgconv/ModelImport.h"

#include <assimp/postprocess.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

// The JSON text of a .gltf file, or the JSON chunk of a binary .glb.
bool gltfJson(const std::string& path, bool binary, std::string& json) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!binary) {
        json = std::move(bytes);
        return true;
    }
    // Header: magic, version, length; then the first chunk: length, type "JSON", data.
    if (bytes.size() < 20 || bytes.compare(0, 4, "glTF") != 0 || bytes.compare(16, 4, "JSON") != 0) return false;
    uint32_t length = 0;
    std::memcpy(&length, bytes.data() + 12, 4);
    if (length > bytes.size() - 20) return false;
    json = bytes.substr(20, length);
    return true;
}

// A small skimmer over JSON text: enough to walk to a key and over values.
class JsonSkimmer {
public:
    explicit JsonSkimmer(const std::string& t) : text(t) {}

    void space() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    }
    bool peek(char c) {
        space();
        return at < text.size() && text[at] == c;
    }
    bool take(char c) {
        if (!peek(c)) return false;
        ++at;
        return true;
    }
    bool string(std::string* out) {
        if (!take('"')) return false;
        while (at < text.size() && text[at] != '"') {
            if (text[at] == '\\') ++at;
            if (out && at < text.size()) *out += text[at];
            ++at;
        }
        if (at >= text.size()) return false;
        ++at;
        return true;
    }
    // Skips one value of any kind, nested ones included, without recursion.
    bool skipValue() {
        space();
        int depth = 0;
        do {
            if (at >= text.size()) return false;
            const char c = text[at];
            if (c == '"') {
                if (!string(nullptr)) return false;
            } else {
                if (c == '{' || c == '[') ++depth;
                if (c == '}' || c == ']') --depth;
                ++at;
                if (depth == 0 && c != '}' && c != ']') {
                    // A scalar: run to its end.
                    while (at < text.size() && !std::strchr(",}] \t\r\n", text[at])) ++at;
                }
            }
            if (depth < 0) return false;
        } while (depth > 0);
        return true;
    }

    const std::string& text;
    size_t at = 0;
};

}  // namespace

bool gltfHasSkinWithoutInverseBindMatrices(const std::string& json) {
    JsonSkimmer s(json);
    if (!s.take('{')) return false;
    while (!s.peek('}')) {
        std::string key;
        if (!s.string(&key) || !s.take(':')) return false;
        if (key != "skins") {
            if (!s.skipValue()) return false;
        } else {
            if (!s.take('[')) return false;
            while (!s.peek(']')) {
                if (!s.take('{')) return false;
                bool hasMatrices = false;
                while (!s.peek('}')) {
                    std::string field;
                    if (!s.string(&field) || !s.take(':') || !s.skipValue()) return false;
                    hasMatrices = hasMatrices || field == "inverseBindMatrices";
                    s.take(',');
                }
                s.take('}');
                if (!hasMatrices) return true;
                s.take(',');
            }
            s.take(']');
        }
        s.take(',');
    }
    return false;
}

bool importModel(const std::string& path, ImportedModel& model, std::string& message) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        message = "cannot read " + path + ": no such file";
        return false;
    }
    const std::string extension = lowerExtension(path);
    model.gltf = extension == ".gltf" || extension == ".glb";
    if (model.gltf) {
        std::string json;
        if (gltfJson(path, extension == ".glb", json) && gltfHasSkinWithoutInverseBindMatrices(json)) {
            message = "cannot read " + path +
                      ": it has a skin without inverse bind matrices, which the model reader cannot take; "
                      "export it with them (or without the skin)";
            return false;
        }
    }
    model.importer = std::make_unique<Assimp::Importer>();
    model.scene = model.importer->ReadFile(
        path, aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_JoinIdenticalVertices |
                  aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    if (!model.scene || !model.scene->mRootNode) {
        message = "cannot read " + path + ": " + model.importer->GetErrorString();
        return false;
    }
    return true;
}
