#pragma once
// The three commands of lvpack (create, list, extract) as functions that return the exit
// code and write their messages to stdout/stderr, so main only parses the command line.
#include <string>

struct CreateOptions {
    std::string archive;
    std::string directory;
    std::string password;
    bool solid = false;
    bool store = false;
};

int createPack(const CreateOptions& options);
int listPack(const std::string& archive);
int extractPack(const std::string& archive, const std::string& password, const std::string& directory);
