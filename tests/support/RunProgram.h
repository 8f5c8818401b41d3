#pragma once
// Runs a program of the build (lumora, the tools) as a child process and collects what
// it printed, for tests of the command lines.
#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;   // -1 when it did not exit normally
    std::string out;     // stdout
    std::string err;     // stderr
};

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

// A fresh, empty directory under the system's temporary folder, removed by the caller.
std::string makeTempDirectory(const std::string& tag);
