// lvpack: the data pack tool.
//   lvpack create OUT [-p PASSWORD] [--solid] [--store] DIR
//   lvpack list ARCHIVE
//   lvpack extract ARCHIVE [-p PASSWORD] DIR
#include "PackCommands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
int usage() {
    std::fprintf(stderr,
                 "usage: lvpack create OUT [-p PASSWORD] [--solid] [--store] DIR\n"
                 "       lvpack list ARCHIVE\n"
                 "       lvpack extract ARCHIVE [-p PASSWORD] DIR\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    std::vector<std::string> positional;
    CreateOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-p") {
            if (++i >= argc) return usage();
            options.password = argv[i];
        } else if (argument == "--solid") {
            options.solid = true;
        } else if (argument == "--store") {
            options.store = true;
        } else if (argument == "--help" || argument == "-h") {
            usage();
            return 0;
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
            std::fprintf(stderr, "lvpack: unknown option %s\n", argument.c_str());
            return usage();
        } else {
            positional.push_back(argument);
        }
    }
    if (command == "create" && positional.size() == 2) {
        options.archive = positional[0];
        options.directory = positional[1];
        return createPack(options);
    }
    if (command == "list" && positional.size() == 1 && options.password.empty()) return listPack(positional[0]);
    if (command == "extract" && positional.size() == 2) return extractPack(positional[0], options.password, positional[1]);
    return usage();
}
