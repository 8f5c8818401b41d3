#pragma once
// What a vertex program and a fragment program share: one GLSL source file from the data
// pack, compiled into one separable GL program object, the table of named parameters the
// engine sets on it, and binding into its stage of the shader manager's pipeline.
//
// VertexProgram and FragmentProgram derive from this class and name their parameter
// contract (see their headers); the ShaderManager creates, registers and loads them. Only
// those three files use this class directly.
//
// Rules:
// - load() is called once, right after the program is registered. A missing file is the
//   fatal "Shader file not found: " + file name; a compile or link failure is the fatal
//   "CG error" with the driver's info log as detail; a contract parameter declared with
//   another type than the contract's is a fatal "CG error" naming the parameter and both
//   types. Parameters the source does not declare (or the compiler dropped as unused)
//   are absent, and setting an absent parameter does nothing.
// - Values are set with glProgramUniform*, so a parameter may be set while the program
//   is not bound; it keeps its value until set again.
// - bind() puts the program into its stage of the pipeline and binds the pipeline;
//   unbind() empties that stage (whichever program is in it, as the stage is the unit of
//   binding) and unbinds the pipeline when no stage is left.
#include <cstdint>
#include <string>
#include <vector>

enum class ProgramKind { Vertex, Fragment };

// "vertex" or "fragment", for messages.
const char* programKindName(ProgramKind kind);

class ShaderProgram {
public:
    virtual ~ShaderProgram() = default;
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    ProgramKind kind() const { return programKind; }
    const std::string& fileName() const { return name; }
    // The GL program object; 0 until load() succeeded.
    unsigned glProgram() const { return programObject; }

    // Reads, compiles and links the source and looks up the parameter contract.
    void load();
    // Compiles the file again into a new program object (watch mode, after the file
    // changed). Under RecoverableReports a failure throws and leaves the running program
    // as it was; on success the new object takes the old one's place (and its stage, if
    // bound). Parameter values start over: users set them every frame.
    void reload();
    void bind();
    void unbind();

    // Whether the loaded program declares the contract parameter of that name.
    bool hasParameter(const std::string& parameterName) const;

protected:
    // One named parameter of the contract: its GL type (GL_FLOAT, GL_FLOAT_VEC4,
    // GL_FLOAT_MAT4) and its location, -1 while absent.
    struct Parameter {
        const char* name;
        unsigned type;
        int location = -1;
    };

    // parameters: the contract, in the order of the derived class's enum.
    ShaderProgram(ProgramKind kind, const std::string& fileName, std::vector<Parameter> parameters);

    // Called by load() after the contract is looked up (vertex inputs, for instance).
    virtual void lookUpMore() {}
    // Called by bind() once the program is in its stage: parameters that follow GL state.
    virtual void afterBind() {}

    void setFloat(size_t index, float value);
    void setFloat4(size_t index, float x, float y, float z, float w);
    void setMatrix(size_t index, const float columnMajor[16]);
    bool present(size_t index) const { return contract[index].location >= 0; }

private:
    void lookUpContract();

    ProgramKind programKind;
    std::string name;
    unsigned programObject = 0;
    std::vector<Parameter> contract;
};
