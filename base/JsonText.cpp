#include "base/JsonText.h"

#include <cmath>
#include <cstdio>

namespace json {

void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";  // JSON has no infinities or NaN
        return;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    out += buffer;
}

void appendInteger(std::string& out, long long value) {
    out += std::to_string(value);
}

void appendString(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendBool(std::string& out, bool value) {
    out += value ? "true" : "false";
}

std::string quoted(const std::string& text) {
    std::string out;
    appendString(out, text);
    return out;
}

}  // namespace json
