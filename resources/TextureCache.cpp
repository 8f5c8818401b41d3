#include "resources/TextureCache.h"

#include "base/ErrorReport.h"
#include "resources/ImageLibrary.h"

#include <epoxy/gl.h>

TextureCache& TextureCache::instance() {
    static TextureCache cache;
    return cache;
}

Texture* TextureCache::hit(const std::string& name) {
    auto found = entries.find(name);
    if (found == entries.end()) return nullptr;
    ++found->second.count;
    return found->second.texture.get();
}

Texture* TextureCache::get(const std::string& fileName, const std::string& directoryPrefix, uint32_t kind,
                           bool mipmaps) {
    if (fileName.empty()) return nullptr;
    if (Texture* cached = hit(fileName)) return cached;
    std::unique_ptr<Texture> texture = loadFromFile(fileName, directoryPrefix, kind, mipmaps);
    if (!texture) return nullptr;
    Texture* loaded = texture.get();
    add(fileName, texture.release());
    return loaded;
}

std::unique_ptr<Texture> TextureCache::loadFromFile(const std::string& fileName, const std::string& directoryPrefix,
                                                    uint32_t kind, bool mipmaps) {
    auto texture = std::make_unique<Texture>(kind, GL_RGBA, mipmaps);
    const size_t dot = fileName.rfind('.');
    checkTrue(dot != std::string::npos, LUMORA_HERE);
    const std::string ddsName = fileName.substr(0, dot) + ".dds";
    std::unique_ptr<ImageData> picture = ImageLibrary::load(ddsName.c_str(), directoryPrefix.c_str());
    texture->sourcePath = directoryPrefix + ddsName;
    if (!picture) {
        picture = ImageLibrary::load(fileName.c_str(), directoryPrefix.c_str());
        texture->sourcePath = directoryPrefix + fileName;
    }
    if (!picture) return nullptr;
    if (kind == GL_TEXTURE_2D) {
        texture->upload(std::move(picture));
    } else {
        reportError(LUMORA_HERE, "generateTexture1D is not implemented", false);
    }
    return texture;
}

Texture* TextureCache::getBlank(const std::string& key, int32_t width, int32_t height, uint32_t kind,
                                uint32_t internalFormat) {
    if (Texture* cached = hit(key)) return cached;
    auto texture = std::make_unique<Texture>(kind, internalFormat, false);
    if (!texture->createBlank(width, height)) return nullptr;
    Texture* made = texture.get();
    add(key, texture.release());
    return made;
}

int TextureCache::add(const std::string& name, Texture* texture) {
    if (!texture) return 1;
    auto found = entries.find(name);
    if (found == entries.end()) {
        entries[name] = Entry{std::unique_ptr<Texture>(texture), 1};
        return 0;
    }
    if (found->second.texture.get() != texture) return 1;
    ++found->second.count;
    return 0;
}

void TextureCache::clear() {
    entries.clear();
}

int TextureCache::reloadFile(const std::string& dataPath) {
    int reloaded = 0;
    for (auto& entry : entries) {
        Texture* texture = entry.second.texture.get();
        if (texture->sourcePath != dataPath || texture->kind != GL_TEXTURE_2D) continue;
        std::unique_ptr<ImageData> picture = ImageLibrary::load(dataPath.c_str(), "");
        if (!picture) continue;
        // upload() fills the texture's existing GL name: holders see the new texels.
        texture->upload(std::move(picture));
        ++reloaded;
    }
    return reloaded;
}

bool TextureCache::holdsFile(const std::string& dataPath) const {
    for (const auto& entry : entries) {
        if (entry.second.texture->sourcePath == dataPath) return true;
    }
    return false;
}

int32_t TextureCache::referenceCount(const std::string& name) const {
    auto found = entries.find(name);
    return found == entries.end() ? 0 : found->second.count;
}
