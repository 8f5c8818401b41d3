#include "tools/lvgconv/Diagnostics.h"

void Diagnostics::progress(const std::string& text) const {
    if (out) std::fprintf(out, "lvgconv: %s\n", text.c_str());
}

void Diagnostics::warn(const std::string& text) {
    if (!seen.insert(text).second) return;
    kept.push_back(text);
    if (out) std::fprintf(out, "lvgconv: warning: %s\n", text.c_str());
}
