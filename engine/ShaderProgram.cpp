#include "engine/ShaderProgram.h"

#include "base/ErrorReport.h"
#include "base/lvp.h"
#include "engine/ShaderManager.h"

#include <epoxy/gl.h>

namespace {

const char* glslTypeName(GLenum type) {
    switch (type) {
        case GL_FLOAT: return "float";
        case GL_FLOAT_VEC2: return "vec2";
        case GL_FLOAT_VEC3: return "vec3";
        case GL_FLOAT_VEC4: return "vec4";
        case GL_INT: return "int";
        case GL_BOOL: return "bool";
        case GL_FLOAT_MAT3: return "mat3";
        case GL_FLOAT_MAT4: return "mat4";
        case GL_SAMPLER_2D: return "sampler2D";
        default: return "another type";
    }
}

std::string programLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) {
        return {};
    }
    std::string log(size_t(length), '\0');
    GLsizei written = 0;
    glGetProgramInfoLog(program, length, &written, log.data());
    log.resize(size_t(written));
    while (!log.empty() && (log.back() == '\n' || log.back() == '\r' || log.back() == ' ')) {
        log.pop_back();
    }
    return log;
}

}  // namespace

const char* programKindName(ProgramKind kind) {
    return kind == ProgramKind::Vertex ? "vertex" : "fragment";
}

ShaderProgram::ShaderProgram(ProgramKind kind, const std::string& fileName, std::vector<Parameter> parameters)
    : programKind(kind), name(fileName), contract(std::move(parameters)) {}

void ShaderProgram::load() {
    checkTrue(!name.empty(), LUMORA_HERE);
    PackFile file;
    if (!DataPack::open(name.c_str(), file)) {
        reportError(LUMORA_HERE, ("Shader file not found: " + name).c_str(), true);
        return;
    }
    // The driver reads up to a zero byte: the copy gets one, whatever the file holds.
    std::string source(reinterpret_cast<const char*>(file.data), file.size);
    DataPack::release(file);

    if (epoxy_gl_version() < 41 && !epoxy_has_gl_extension("GL_ARB_separate_shader_objects")) {
        setShaderError("the driver has no separable programs (GL 4.1 or ARB_separate_shader_objects)");
        checkCgError(LUMORA_HERE);
        return;
    }
    const char* text = source.c_str();
    GLenum stage = programKind == ProgramKind::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
    GLuint program = glCreateShaderProgramv(stage, 1, &text);
    GLint linked = GL_FALSE;
    if (program != 0) {
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
    }
    if (linked != GL_TRUE) {
        // The compile log is part of the program's log for a one-stage program.
        setShaderError(program != 0 ? programLog(program) : std::string());
        checkCgError(LUMORA_HERE);
        return;
    }
    programObject = program;
    ShaderManager::instance().countCompile();
    lookUpContract();
    lookUpMore();
    checkCgError(LUMORA_HERE);
    checkGLError(LUMORA_HERE);
}

void ShaderProgram::reload() {
    const unsigned previous = programObject;
    const std::vector<Parameter> previousContract = contract;
    programObject = 0;
    try {
        load();
    } catch (...) {
        if (programObject != 0) glDeleteProgram(programObject);
        programObject = previous;
        contract = previousContract;
        throw;
    }
    if (previous != 0) {
        if (ShaderManager::instance().stageProgram(programKind) == previous) {
            ShaderManager::instance().bindStage(programKind, programObject);
        }
        glDeleteProgram(previous);
    }
}

void ShaderProgram::lookUpContract() {
    for (Parameter& parameter : contract) {
        parameter.location = glGetUniformLocation(programObject, parameter.name);
        if (parameter.location < 0) {
            continue;
        }
        GLuint index = GL_INVALID_INDEX;
        glGetUniformIndices(programObject, 1, &parameter.name, &index);
        GLint type = 0;
        if (index != GL_INVALID_INDEX) {
            glGetActiveUniformsiv(programObject, 1, &index, GL_UNIFORM_TYPE, &type);
        }
        if (GLenum(type) != parameter.type) {
            // Caught here rather than as a GL error at the first set, far from its cause.
            setShaderError(name + ": parameter \"" + parameter.name + "\" is declared " +
                           glslTypeName(GLenum(type)) + ", the engine sets " + glslTypeName(parameter.type));
            checkCgError(LUMORA_HERE);
            return;
        }
    }
}

bool ShaderProgram::hasParameter(const std::string& parameterName) const {
    for (const Parameter& parameter : contract) {
        if (parameterName == parameter.name) {
            return parameter.location >= 0;
        }
    }
    return false;
}

void ShaderProgram::bind() {
    checkTrue(programObject != 0, LUMORA_HERE);
    ShaderManager::instance().bindStage(programKind, programObject);
    afterBind();
}

void ShaderProgram::unbind() {
    ShaderManager::instance().unbindStage(programKind);
}

void ShaderProgram::setFloat(size_t index, float value) {
    if (present(index)) {
        glProgramUniform1f(programObject, contract[index].location, value);
    }
}

void ShaderProgram::setFloat4(size_t index, float x, float y, float z, float w) {
    if (present(index)) {
        glProgramUniform4f(programObject, contract[index].location, x, y, z, w);
    }
}

void ShaderProgram::setMatrix(size_t index, const float columnMajor[16]) {
    if (present(index)) {
        glProgramUniformMatrix4fv(programObject, contract[index].location, 1, GL_FALSE, columnMajor);
    }
}
