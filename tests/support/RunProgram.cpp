#include "tests/support/RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::string makeTempDirectory(const std::string& tag) {
    std::string pattern = (std::filesystem::temp_directory_path() / ("lumora-" + tag + "-XXXXXX")).string();
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment) {
    ProgramResult result;
    std::string scratch = makeTempDirectory("run");
    std::string outPath = scratch + "/out", errPath = scratch + "/err";
    pid_t child = fork();
    if (child == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = ::open("/dev/null", O_RDONLY);
        dup2(out, 1);
        dup2(err, 2);
        dup2(in, 0);
        for (const std::string& setting : environment) {
            putenv(const_cast<char*>(setting.c_str()));
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    std::filesystem::remove_all(scratch);
    return result;
}
