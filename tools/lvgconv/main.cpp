// lvgconv: turns a model from a modelling tool (glTF 2.0, OBJ with MTL, FBX, Collada, 3DS
// and whatever else Assimp reads) into an LVG scene file for the Scene effect, with its
// pictures beside it. Progress and warnings go to stderr, the summary line to stdout.
// Exit 0 when the file was written, 1 when it could not be, 2 for a bad command line.
//
//   lvgconv IN OUT.lvg [--frame-step N] [--fps N] [--texture-dir DIR] [--scale S]
#include "tools/lvgconv/ConvertOptions.h"
#include "tools/lvgconv/SceneConverter.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ConvertOptions options;
    std::string message;
    if (!parseConvertArguments(arguments, options, message)) {
        std::fprintf(stderr, "lvgconv: %s\n%s", message.c_str(), convertUsage());
        return 2;
    }
    Diagnostics diagnostics;
    ConvertSummary summary;
    if (!convertModel(options, diagnostics, summary, message)) {
        std::fprintf(stderr, "lvgconv: error: %s\n", message.c_str());
        return 1;
    }
    std::printf("lvgconv: %s\n", summaryLine(options.output, summary, diagnostics.warnings().size()).c_str());
    return 0;
}
