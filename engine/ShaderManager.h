#pragma once
// The program's one registry of shader programs and the one program pipeline they bind
// into. Meshes, the scene's depth and shadow passes, the image filters and every effect
// that receives event 36 get their programs here.
//
// Programs are GLSL separable programs (one stage each) compiled from data files such as
// "data/shaders/fragment_blur.glsl", read through the data pack. The registry is keyed by
// program kind and file name, so one file asked for as a vertex program and as a fragment
// program gives two programs. A program is compiled once, on first request, and lives
// until the program ends; users hold plain references. Each request counts a use.
//
// Use:
//   ShaderManager::instance()     the manager, created on first call (render thread).
//   vertexProgram(name)           find the vertex program of that file, or construct,
//   fragmentProgram(name)         register and load it; fatal reports on a missing file
//                                 or a failed compile (ShaderProgram.h).
//   findVertexProgram(name)       the registered program or null; a hit counts a use.
//   findFragmentProgram(name)
//   registerProgram(program)      takes ownership; the caller loads it right after.
//   useCount(kind, name)          requests so far (0 when not registered).
//   compileCount()                programs compiled so far, for tests and benchmarks.
//
// Binding. The manager owns one program pipeline object. VertexProgram::bind and
// FragmentProgram::bind put their program into the pipeline's vertex or fragment stage
// and bind the pipeline; a stage without a program runs fixed function (compatibility
// profile), so a fragment program alone draws over fixed-function transform, lighting
// and fog coordinates, and a vertex program alone feeds fixed-function texturing and
// fog. unbind() empties its stage; when neither stage holds a program the pipeline is
// unbound (glBindProgramPipeline(0)), because a bound pipeline with no stage draws
// nothing. After every stage is unbound, the GL state is as before the first bind: no
// pipeline bound, and the engine never makes a program current with glUseProgram, which
// would override the pipeline (so glUseProgram(0) neither ends nor starts a program).
//
// Rules:
// - All calls come from the render thread with the GL context current.
// - Programs are never deleted (GL objects live until the context goes).
#include "engine/FragmentProgram.h"
#include "engine/ShaderProgram.h"
#include "engine/VertexProgram.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

class ShaderManager {
public:
    static ShaderManager& instance();

    VertexProgram& vertexProgram(const std::string& fileName);
    FragmentProgram& fragmentProgram(const std::string& fileName);

    VertexProgram* findVertexProgram(const std::string& fileName);
    FragmentProgram* findFragmentProgram(const std::string& fileName);
    // Takes ownership; a second program of the same kind and name is an assertion failure.
    void registerProgram(std::unique_ptr<ShaderProgram> program);

    uint32_t useCount(ProgramKind kind, const std::string& fileName) const;
    size_t programCount() const { return registry.size(); }
    uint32_t compileCount() const { return compiles; }

    // The program in a stage of the pipeline (0: fixed function there).
    unsigned stageProgram(ProgramKind kind) const;

    // Watch mode: compiles again every registered program made from this file (vertex
    // and fragment); how many there were. A failed compile throws under
    // RecoverableReports and keeps the running program.
    int reloadFile(const std::string& fileName);
    bool holdsFile(const std::string& fileName) const;

private:
    friend class ShaderProgram;  // binds stages and counts compiles through the calls below
    ShaderManager() = default;

    void bindStage(ProgramKind kind, unsigned program);
    void unbindStage(ProgramKind kind);
    void countCompile() { ++compiles; }
    void loadRegistered(ShaderProgram& program);

    struct Entry {
        std::unique_ptr<ShaderProgram> program;
        uint32_t uses = 0;
    };
    using Key = std::pair<ProgramKind, std::string>;

    ShaderProgram* find(ProgramKind kind, const std::string& fileName);

    std::map<Key, Entry> registry;
    uint32_t compiles = 0;
    unsigned pipeline = 0;
    unsigned vertexStage = 0;
    unsigned fragmentStage = 0;
};
