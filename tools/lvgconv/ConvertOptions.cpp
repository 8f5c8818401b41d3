#include "tools/lvgconv/ConvertOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

bool positiveNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value) && value > 0;
}

}  // namespace

const char* convertUsage() {
    return "usage: lvgconv IN OUT.lvg [--frame-step N] [--fps N] [--texture-dir DIR] [--scale S]\n";
}

bool parseConvertArguments(const std::vector<std::string>& arguments, ConvertOptions& options, std::string& message) {
    std::vector<std::string> files;
    bool fpsGiven = false;
    bool stepGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
            if (i + 1 >= arguments.size()) {
                message = argument + " needs a value";
                return false;
            }
            const std::string& value = arguments[++i];
            double number = 0;
            if (argument == "--texture-dir") {
                options.textureDirectory = value;
            } else if (argument == "--fps") {
                if (!positiveNumber(value, number) || number > 1000) {
                    message = "--fps takes a number above 0, at most 1000";
                    return false;
                }
                options.framesPerSecond = number;
                fpsGiven = true;
            } else if (argument == "--frame-step") {
                if (!positiveNumber(value, number) || number != std::floor(number) || number > 1000000) {
                    message = "--frame-step takes a whole number from 1 to 1000000";
                    return false;
                }
                options.frameStep = int32_t(number);
                stepGiven = true;
            } else if (argument == "--scale") {
                if (!positiveNumber(value, number) || number > 1e6) {
                    message = "--scale takes a number above 0";
                    return false;
                }
                options.scale = float(number);
            } else {
                message = "unknown option " + argument;
                return false;
            }
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2) {
        message = "give one model and one scene file to write";
        return false;
    }
    options.input = files[0];
    options.output = files[1];
    if (stepGiven && !fpsGiven) options.framesPerSecond = sceneUnitsPerSecond / options.frameStep;
    if (!stepGiven) {
        options.frameStep = std::max<int32_t>(1, int32_t(std::lround(sceneUnitsPerSecond / options.framesPerSecond)));
    }
    if (options.textureDirectory.empty()) {
        const std::filesystem::path folder = std::filesystem::path(options.output).parent_path();
        options.textureDirectory = folder.empty() ? "." : folder.string();
    }
    return true;
}
