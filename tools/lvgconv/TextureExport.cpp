#include "tools/lvgconv/TextureExport.h"

#include "base/PngWriter.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace picturebytes {

Kind kindOf(const unsigned char* bytes, size_t size) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && std::memcmp(bytes, png, 8) == 0) return Kind::Png;
    if (size >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) return Kind::Jpeg;
    if (size >= 4 && std::memcmp(bytes, "DDS ", 4) == 0) return Kind::Dds;
    return Kind::Other;
}

const char* extensionOf(Kind kind) {
    switch (kind) {
        case Kind::Png: return ".png";
        case Kind::Jpeg: return ".jpg";
        case Kind::Dds: return ".dds";
        case Kind::Other: break;
    }
    return "";
}

bool engineReadsPng(const unsigned char* bytes, size_t size) {
    // The IHDR chunk follows the signature: length, "IHDR", width, height, bit depth, colour type.
    if (kindOf(bytes, size) != Kind::Png || size < 26 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return false;
    const unsigned char depth = bytes[24];
    const unsigned char colourType = bytes[25];
    return depth == 8 && (colourType == 2 || colourType == 6);
}

}  // namespace picturebytes

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// A file name the engine's look-up and a data folder both take: no folder separators, no
// control characters, no leading dot.
std::string safeStem(const std::string& stem) {
    std::string out;
    for (char c : stem) {
        const unsigned char byte = static_cast<unsigned char>(c);
        out += (c == '/' || c == '\\' || c == ':' || byte < 0x20) ? '_' : c;
    }
    while (!out.empty() && out[0] == '.') out.erase(0, 1);
    return out.empty() ? "texture" : out;
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool readBytes(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool writeBytes(const std::string& path, const unsigned char* bytes, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), std::streamsize(size));
    return bool(out);
}

// Decodes any picture stb_image reads into RGBA and writes it as PNG.
bool convertToPng(const unsigned char* bytes, size_t size, const std::string& path) {
    if (size > size_t(INT32_MAX)) return false;
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(bytes, int(size), &width, &height, &channels, 4);
    if (!pixels) return false;
    const bool ok = writePng(path, width, height, 4, pixels);
    stbi_image_free(pixels);
    return ok;
}

}  // namespace

TextureExport::TextureExport(const aiScene& s, std::string model, std::string textureFolder, Diagnostics& d)
    : scene(s), modelPath(std::move(model)), folder(std::move(textureFolder)), diagnostics(d) {
    modelFolder = fs::path(modelPath).parent_path().string();
    modelStem = fs::path(modelPath).stem().string();
}

bool TextureExport::ensureFolder() {
    if (folderReady) return true;
    std::error_code error;
    fs::create_directories(folder, error);
    folderReady = fs::is_directory(folder, error);
    if (!folderReady) diagnostics.warn("cannot make the texture folder " + folder + ": textures left out");
    return folderReady;
}

std::string TextureExport::uniqueName(const std::string& stem, const std::string& extension) {
    const std::string base = safeStem(stem);
    std::string candidate = base;
    for (int n = 2; !takenStems.insert(lower(candidate)).second; ++n) candidate = base + "_" + std::to_string(n);
    return candidate + extension;
}

std::string TextureExport::provide(const std::string& pathInMaterial) {
    if (pathInMaterial.empty()) return "";
    const auto [embedded, index] = scene.GetEmbeddedTextureAndIndex(pathInMaterial.c_str());
    std::string key;
    std::string sourcePath;
    if (embedded) {
        key = "*" + std::to_string(index);
    } else {
        std::string path = pathInMaterial;
        std::replace(path.begin(), path.end(), '\\', '/');
        const std::vector<std::string> candidates = {
            fs::path(path).is_absolute() ? path : (fs::path(modelFolder) / path).string(),
            (fs::path(modelFolder) / percentDecoded(path)).string(),
            (fs::path(modelFolder) / fs::path(path).filename()).string(),
        };
        for (const std::string& candidate : candidates) {
            std::error_code error;
            if (fs::is_regular_file(candidate, error)) {
                sourcePath = candidate;
                break;
            }
        }
        key = sourcePath.empty() ? "missing:" + path : fs::weakly_canonical(sourcePath).string();
    }
    auto found = byKey.find(key);
    if (found != byKey.end()) return found->second;
    std::string name;
    if (!ensureFolder()) {
        name = "";
    } else if (embedded) {
        name = writeEmbedded(*embedded, index);
    } else if (sourcePath.empty()) {
        diagnostics.warn("texture " + pathInMaterial + " not found beside the model: left out");
    } else {
        name = writeFile(sourcePath);
    }
    byKey.emplace(key, name);
    return name;
}

std::string TextureExport::writeFile(const std::string& sourcePath) {
    std::vector<unsigned char> bytes;
    if (!readBytes(sourcePath, bytes)) {
        diagnostics.warn("cannot read texture " + sourcePath + ": left out");
        return "";
    }
    const std::string stem = fs::path(sourcePath).stem().string();
    picturebytes::Kind kind = picturebytes::kindOf(bytes.data(), bytes.size());
    if (kind == picturebytes::Kind::Png && !picturebytes::engineReadsPng(bytes.data(), bytes.size())) {
        kind = picturebytes::Kind::Other;
    }
    if (kind != picturebytes::Kind::Other) {
        const std::string name = uniqueName(stem, picturebytes::extensionOf(kind));
        if (writeBytes(folder + "/" + name, bytes.data(), bytes.size())) return name;
        diagnostics.warn("cannot write texture " + folder + "/" + name + ": left out");
        return "";
    }
    const std::string name = uniqueName(stem, ".png");
    if (convertToPng(bytes.data(), bytes.size(), folder + "/" + name)) return name;
    takenStems.erase(lower(fs::path(name).stem().string()));
    diagnostics.warn("cannot convert texture " + sourcePath + " (" + stbi_failure_reason() + "): left out");
    return "";
}

std::string TextureExport::writeEmbedded(const aiTexture& texture, int index) {
    std::string stem = modelStem + "_" + std::to_string(index);
    if (texture.mFilename.length > 0) {
        const std::string own = fs::path(texture.mFilename.C_Str()).stem().string();
        if (!own.empty()) stem = modelStem + "_" + own;
    }
    const std::string description = "embedded texture " + std::to_string(index);
    if (texture.mHeight == 0) {
        // Compressed: mWidth bytes of a picture file.
        const auto* bytes = reinterpret_cast<const unsigned char*>(texture.pcData);
        const size_t size = texture.mWidth;
        picturebytes::Kind kind = picturebytes::kindOf(bytes, size);
        if (kind == picturebytes::Kind::Png && !picturebytes::engineReadsPng(bytes, size)) kind = picturebytes::Kind::Other;
        const std::string name = uniqueName(stem, kind == picturebytes::Kind::Other ? ".png" : picturebytes::extensionOf(kind));
        const bool ok = kind == picturebytes::Kind::Other ? convertToPng(bytes, size, folder + "/" + name)
                                                          : writeBytes(folder + "/" + name, bytes, size);
        if (ok) return name;
        diagnostics.warn("cannot write " + description + ": left out");
        return "";
    }
    // Raw texels, BGRA, top row first.
    const size_t count = size_t(texture.mWidth) * texture.mHeight;
    std::vector<unsigned char> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const aiTexel& t = texture.pcData[i];
        rgba[i * 4] = t.r;
        rgba[i * 4 + 1] = t.g;
        rgba[i * 4 + 2] = t.b;
        rgba[i * 4 + 3] = t.a;
    }
    const std::string name = uniqueName(stem, ".png");
    if (writePng(folder + "/" + name, int(texture.mWidth), int(texture.mHeight), 4, rgba.data())) return name;
    diagnostics.warn("cannot write " + description + ": left out");
    return "";
}
