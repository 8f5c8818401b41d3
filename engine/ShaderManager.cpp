#include "engine/ShaderManager.h"

#include "base/ErrorReport.h"

#include <epoxy/gl.h>

#include <initializer_list>

ShaderManager& ShaderManager::instance() {
    // Never destroyed: programs live until the program ends, and GL objects are not
    // deleted after the context has gone.
    static ShaderManager* manager = new ShaderManager;
    return *manager;
}

ShaderProgram* ShaderManager::find(ProgramKind kind, const std::string& fileName) {
    auto entry = registry.find(Key(kind, fileName));
    if (entry == registry.end()) {
        return nullptr;
    }
    ++entry->second.uses;
    return entry->second.program.get();
}

VertexProgram* ShaderManager::findVertexProgram(const std::string& fileName) {
    return static_cast<VertexProgram*>(find(ProgramKind::Vertex, fileName));
}

FragmentProgram* ShaderManager::findFragmentProgram(const std::string& fileName) {
    return static_cast<FragmentProgram*>(find(ProgramKind::Fragment, fileName));
}

void ShaderManager::registerProgram(std::unique_ptr<ShaderProgram> program) {
    checkNotNull(program.get(), LUMORA_HERE);
    Key key(program->kind(), program->fileName());
    checkTrue(registry.find(key) == registry.end(), LUMORA_HERE);
    Entry& entry = registry[key];
    entry.program = std::move(program);
    entry.uses = 1;
}

VertexProgram& ShaderManager::vertexProgram(const std::string& fileName) {
    if (VertexProgram* found = findVertexProgram(fileName)) {
        return *found;
    }
    auto made = std::make_unique<VertexProgram>(fileName);
    VertexProgram& program = *made;
    registerProgram(std::move(made));
    loadRegistered(program);
    return program;
}

FragmentProgram& ShaderManager::fragmentProgram(const std::string& fileName) {
    if (FragmentProgram* found = findFragmentProgram(fileName)) {
        return *found;
    }
    auto made = std::make_unique<FragmentProgram>(fileName);
    FragmentProgram& program = *made;
    registerProgram(std::move(made));
    loadRegistered(program);
    return program;
}

void ShaderManager::loadRegistered(ShaderProgram& program) {
    try {
        program.load();
    } catch (...) {
        // A recoverable failure (watch mode): no dead program stays registered, so the
        // next request tries the file again.
        registry.erase(Key(program.kind(), program.fileName()));
        throw;
    }
}

int ShaderManager::reloadFile(const std::string& fileName) {
    int reloaded = 0;
    for (ProgramKind kind : {ProgramKind::Vertex, ProgramKind::Fragment}) {
        auto entry = registry.find(Key(kind, fileName));
        if (entry != registry.end()) {
            entry->second.program->reload();
            ++reloaded;
        }
    }
    return reloaded;
}

bool ShaderManager::holdsFile(const std::string& fileName) const {
    return registry.count(Key(ProgramKind::Vertex, fileName)) + registry.count(Key(ProgramKind::Fragment, fileName)) > 0;
}

uint32_t ShaderManager::useCount(ProgramKind kind, const std::string& fileName) const {
    auto entry = registry.find(Key(kind, fileName));
    return entry == registry.end() ? 0 : entry->second.uses;
}

unsigned ShaderManager::stageProgram(ProgramKind kind) const {
    return kind == ProgramKind::Vertex ? vertexStage : fragmentStage;
}

void ShaderManager::bindStage(ProgramKind kind, unsigned program) {
    if (pipeline == 0) {
        glGenProgramPipelines(1, &pipeline);
    }
    GLbitfield stage = kind == ProgramKind::Vertex ? GL_VERTEX_SHADER_BIT : GL_FRAGMENT_SHADER_BIT;
    glUseProgramStages(pipeline, stage, program);
    (kind == ProgramKind::Vertex ? vertexStage : fragmentStage) = program;
    glBindProgramPipeline(pipeline);
}

void ShaderManager::unbindStage(ProgramKind kind) {
    if (pipeline == 0) {
        return;  // nothing was ever bound
    }
    GLbitfield stage = kind == ProgramKind::Vertex ? GL_VERTEX_SHADER_BIT : GL_FRAGMENT_SHADER_BIT;
    glUseProgramStages(pipeline, stage, 0);
    (kind == ProgramKind::Vertex ? vertexStage : fragmentStage) = 0;
    if (vertexStage == 0 && fragmentStage == 0) {
        glBindProgramPipeline(0);
    }
}
