#pragma once
// The program's one registry of textures, keyed by name, so that every effect, material
// and render target asking for the same file or the same named buffer shares a texture.
//
// Rules:
// - get() keys a picture by its file name without the directory prefix, so one name under
//   two prefixes is one texture. It tries the ".dds" variant of the name first, then the
//   name itself. Failed loads are not cached: a later request tries again.
// - getBlank() keys render buffers by the caller's key (render targets use their name
//   plus "_colorbuffer" / "_depthbuffer").
// - Every hit counts; counts never go down. Textures live until the cache is cleared,
//   which happens only when the cache itself goes; their GL objects end with the context.
// Main thread only, with the GL context current.
#include "resources/Texture.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class TextureCache {
public:
    static TextureCache& instance();

    // null for an empty name or when no picture could be loaded.
    Texture* get(const std::string& fileName, const std::string& directoryPrefix, uint32_t kind, bool mipmaps);
    // null for a kind that has no blank form.
    Texture* getBlank(const std::string& key, int32_t width, int32_t height, uint32_t kind,
                      uint32_t internalFormat);
    // 0: stored (the cache now owns a new texture) or counted (the same texture again);
    // 1: refused (null, or the name holds another texture; the caller keeps ownership).
    int add(const std::string& name, Texture* texture);
    void clear();

    // Watch mode: decodes the picture file at this data path again into every cached
    // texture made from it, keeping each Texture object and its GL name, so every holder
    // sees the new pixels. Returns how many textures took it; one whose file no longer
    // decodes keeps its old pixels (and is not counted).
    int reloadFile(const std::string& dataPath);
    // Whether a cached texture was made from the picture file at this data path.
    bool holdsFile(const std::string& dataPath) const;

    // 0 when the name is not cached.
    int32_t referenceCount(const std::string& name) const;
    size_t size() const { return entries.size(); }

private:
    struct Entry {
        std::unique_ptr<Texture> texture;
        int32_t count = 0;
    };
    Texture* hit(const std::string& name);
    std::unique_ptr<Texture> loadFromFile(const std::string& fileName, const std::string& directoryPrefix,
                                          uint32_t kind, bool mipmaps);

    std::map<std::string, Entry> entries;
};
