#pragma once
// Puts the pictures a model's materials use where the engine finds them, and says what
// name the scene file gives each one.
//
// The engine looks a texture up by the part of its name after the last backslash: as
// NAME.dds among the compressed textures, else as written among the textures; it decodes
// only ".png", ".jpg" and ".dds" (by extension). So every picture is written into the
// texture folder under a plain file name with one of those extensions: PNG, JPEG and DDS
// files are copied as they are (named by what their bytes are, not by their old
// extension), every other picture the decoder here reads (TGA, BMP, PSD, GIF, HDR, ...)
// and every raw picture embedded in the model is converted to PNG. Names stay the
// source's where they can; two sources that would share a base name (the engine's ".dds"
// look-up ignores the extension) get "_2", "_3", ... Embedded pictures are named after the
// model file. A picture that cannot be found or read is left out with a warning.
#include "tools/lvgconv/Diagnostics.h"

#include <assimp/scene.h>

#include <map>
#include <set>
#include <string>
#include <vector>

class TextureExport {
public:
    TextureExport(const aiScene& scene, std::string modelPath, std::string textureFolder, Diagnostics& diagnostics);

    // The name for the scene file of the picture a material names (a path relative to the
    // model, an absolute path, or an embedded picture's "*N" or name); "" when it could not
    // be provided.
    std::string provide(const std::string& pathInMaterial);
    size_t written() const { return byKey.size(); }

private:
    std::string writeEmbedded(const aiTexture& texture, int index);
    std::string writeFile(const std::string& sourcePath);
    std::string uniqueName(const std::string& stem, const std::string& extension);
    bool ensureFolder();

    const aiScene& scene;
    std::string modelPath;
    std::string modelFolder;
    std::string modelStem;
    std::string folder;
    Diagnostics& diagnostics;
    std::map<std::string, std::string> byKey;  // source key -> name written ("" for a failure)
    std::set<std::string> takenStems;          // lower case
    bool folderReady = false;
};

namespace picturebytes {
enum class Kind { Png, Jpeg, Dds, Other };
Kind kindOf(const unsigned char* bytes, size_t size);
const char* extensionOf(Kind kind);
// The engine's PNG reader takes 8-bit RGB and RGBA only: other PNGs (grey, palette,
// 16-bit) are converted like any other picture.
bool engineReadsPng(const unsigned char* bytes, size_t size);  // ".png", ".jpg", ".dds"; "" for Other
}  // namespace picturebytes
