#pragma once
// What lvgconv tells its user on stderr while it works: progress lines ("lvgconv: ...")
// and warnings about what the scene file cannot carry ("lvgconv: warning: ..."). The same
// warning is printed once however often it comes up; every warning is also kept, so that
// the summary can count them and tests can read them.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

class Diagnostics {
public:
    explicit Diagnostics(FILE* stream = stderr) : out(stream) {}

    void progress(const std::string& text) const;
    void warn(const std::string& text);
    const std::vector<std::string>& warnings() const { return kept; }

private:
    FILE* out;
    std::set<std::string> seen;
    std::vector<std::string> kept;
};
