#pragma once
// The names that make this demo this demo: its window title, the data pack and its
// password, the script and the soundtrack. The launcher opens them; the data build reads
// the same lines (data/CMakeLists.txt matches the `name = "value"` form), so a name lives
// here once. Keep each on one line, as a plain string literal.

constexpr const char* demoTitle = "Lumora Vesk - Corvane";
constexpr const char* packFileName = "data.lvp";
constexpr const char* packPassword = "tiger19";
constexpr const char* musicFileName = "lv_cv05-02.ogg";
constexpr const char* demoScriptName = "data/scripts/cvdemo.script";
constexpr const char* loadingPictureName = "data/images/loading1024.jpg";
