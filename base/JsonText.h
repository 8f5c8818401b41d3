#pragma once
// The few pieces of JSON our dumps and reports write: numbers as "%.9g" (so a float
// survives the round trip; null where JSON has no word for the value), integers,
// escaped strings and booleans, each appended to the text being built.
#include <string>

namespace json {
void appendNumber(std::string& out, double value);
void appendInteger(std::string& out, long long value);
void appendString(std::string& out, const std::string& text);
void appendBool(std::string& out, bool value);

// The quoted, escaped form of text, for callers that build their lines with printf.
std::string quoted(const std::string& text);
}  // namespace json
