#include "tests/support/GLStateSnapshot.h"

#include "base/RenderTarget.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>

namespace testgl {

namespace {

struct NamedEnum {
    GLenum value;
    const char* name;
};

// The enums the snapshot's states take; anything else prints in hex.
const NamedEnum enumNames[] = {
    {GL_ZERO, "GL_ZERO"},
    {GL_ONE, "GL_ONE"},
    {GL_SRC_COLOR, "GL_SRC_COLOR"},
    {GL_ONE_MINUS_SRC_COLOR, "GL_ONE_MINUS_SRC_COLOR"},
    {GL_SRC_ALPHA, "GL_SRC_ALPHA"},
    {GL_ONE_MINUS_SRC_ALPHA, "GL_ONE_MINUS_SRC_ALPHA"},
    {GL_DST_ALPHA, "GL_DST_ALPHA"},
    {GL_ONE_MINUS_DST_ALPHA, "GL_ONE_MINUS_DST_ALPHA"},
    {GL_DST_COLOR, "GL_DST_COLOR"},
    {GL_ONE_MINUS_DST_COLOR, "GL_ONE_MINUS_DST_COLOR"},
    {GL_SRC_ALPHA_SATURATE, "GL_SRC_ALPHA_SATURATE"},
    {GL_CONSTANT_COLOR, "GL_CONSTANT_COLOR"},
    {GL_CONSTANT_ALPHA, "GL_CONSTANT_ALPHA"},
    {GL_FUNC_ADD, "GL_FUNC_ADD"},
    {GL_FUNC_SUBTRACT, "GL_FUNC_SUBTRACT"},
    {GL_FUNC_REVERSE_SUBTRACT, "GL_FUNC_REVERSE_SUBTRACT"},
    {GL_MIN, "GL_MIN"},
    {GL_MAX, "GL_MAX"},
    {GL_NEVER, "GL_NEVER"},
    {GL_LESS, "GL_LESS"},
    {GL_EQUAL, "GL_EQUAL"},
    {GL_LEQUAL, "GL_LEQUAL"},
    {GL_GREATER, "GL_GREATER"},
    {GL_NOTEQUAL, "GL_NOTEQUAL"},
    {GL_GEQUAL, "GL_GEQUAL"},
    {GL_ALWAYS, "GL_ALWAYS"},
    {GL_MODELVIEW, "GL_MODELVIEW"},
    {GL_PROJECTION, "GL_PROJECTION"},
    {GL_TEXTURE, "GL_TEXTURE"},
    {GL_COLOR, "GL_COLOR"},
    {GL_MODULATE, "GL_MODULATE"},
    {GL_REPLACE, "GL_REPLACE"},
    {GL_DECAL, "GL_DECAL"},
    {GL_BLEND, "GL_BLEND"},
    {GL_ADD, "GL_ADD"},
    {GL_COMBINE, "GL_COMBINE"},
    {GL_INVALID_ENUM, "GL_INVALID_ENUM"},
    {GL_INVALID_VALUE, "GL_INVALID_VALUE"},
    {GL_INVALID_OPERATION, "GL_INVALID_OPERATION"},
    {GL_STACK_OVERFLOW, "GL_STACK_OVERFLOW"},
    {GL_STACK_UNDERFLOW, "GL_STACK_UNDERFLOW"},
    {GL_OUT_OF_MEMORY, "GL_OUT_OF_MEMORY"},
    {GL_INVALID_FRAMEBUFFER_OPERATION, "GL_INVALID_FRAMEBUFFER_OPERATION"},
};

std::string enumText(GLint value) {
    for (const NamedEnum& named : enumNames) {
        if (GLint(named.value) == value) return named.name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(value));
    return text;
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

std::string integerText(GLint value) {
    return std::to_string(value);
}

GLint integer(GLenum state) {
    GLint value = 0;
    glGetIntegerv(state, &value);
    return value;
}

std::string unitText(GLint unitEnum) {
    return "GL_TEXTURE" + std::to_string(unitEnum - GLint(GL_TEXTURE0));
}

std::string floatsText(const GLfloat* values, int count) {
    std::string text = "(";
    for (int i = 0; i < count; ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%.3g", values[i]);
        text += (i ? ", " : "") + std::string(number);
    }
    return text + ")";
}

std::string integersText(const GLint* values, int count) {
    std::string text = "(";
    for (int i = 0; i < count; ++i) text += (i ? ", " : "") + std::to_string(values[i]);
    return text + ")";
}

GLint textureUnitCount() {
    return integer(GL_MAX_TEXTURE_UNITS);
}

GLint textureCoordinateSetCount() {
    return integer(GL_MAX_TEXTURE_COORDS);
}

const NamedEnum textureKinds[] = {
    {GL_TEXTURE_1D, "GL_TEXTURE_1D"},
    {GL_TEXTURE_2D, "GL_TEXTURE_2D"},
    {GL_TEXTURE_3D, "GL_TEXTURE_3D"},
    {GL_TEXTURE_RECTANGLE, "GL_TEXTURE_RECTANGLE"},
    {GL_TEXTURE_CUBE_MAP, "GL_TEXTURE_CUBE_MAP"},
};

const NamedEnum textureGenerations[] = {
    {GL_TEXTURE_GEN_S, "GL_TEXTURE_GEN_S"},
    {GL_TEXTURE_GEN_T, "GL_TEXTURE_GEN_T"},
    {GL_TEXTURE_GEN_R, "GL_TEXTURE_GEN_R"},
    {GL_TEXTURE_GEN_Q, "GL_TEXTURE_GEN_Q"},
};

const NamedEnum capabilities[] = {
    {GL_BLEND, "GL_BLEND"},
    {GL_DEPTH_TEST, "GL_DEPTH_TEST"},
    {GL_CULL_FACE, "GL_CULL_FACE"},
    {GL_LIGHTING, "GL_LIGHTING"},
    {GL_FOG, "GL_FOG"},
    {GL_SCISSOR_TEST, "GL_SCISSOR_TEST"},
    {GL_STENCIL_TEST, "GL_STENCIL_TEST"},
    {GL_ALPHA_TEST, "GL_ALPHA_TEST"},
    {GL_POLYGON_OFFSET_FILL, "GL_POLYGON_OFFSET_FILL"},
};

const NamedEnum clientArrays[] = {
    {GL_VERTEX_ARRAY, "GL_VERTEX_ARRAY"},
    {GL_NORMAL_ARRAY, "GL_NORMAL_ARRAY"},
    {GL_COLOR_ARRAY, "GL_COLOR_ARRAY"},
    {GL_SECONDARY_COLOR_ARRAY, "GL_SECONDARY_COLOR_ARRAY"},
    {GL_INDEX_ARRAY, "GL_INDEX_ARRAY"},
    {GL_FOG_COORD_ARRAY, "GL_FOG_COORD_ARRAY"},
    {GL_EDGE_FLAG_ARRAY, "GL_EDGE_FLAG_ARRAY"},
};

const NamedEnum enumStates[] = {
    {GL_BLEND_SRC_RGB, "GL_BLEND_SRC_RGB"},
    {GL_BLEND_DST_RGB, "GL_BLEND_DST_RGB"},
    {GL_BLEND_SRC_ALPHA, "GL_BLEND_SRC_ALPHA"},
    {GL_BLEND_DST_ALPHA, "GL_BLEND_DST_ALPHA"},
    {GL_BLEND_EQUATION_RGB, "GL_BLEND_EQUATION_RGB"},
    {GL_BLEND_EQUATION_ALPHA, "GL_BLEND_EQUATION_ALPHA"},
    {GL_DEPTH_FUNC, "GL_DEPTH_FUNC"},
    {GL_MATRIX_MODE, "GL_MATRIX_MODE"},
};

const NamedEnum integerStates[] = {
    {GL_MODELVIEW_STACK_DEPTH, "GL_MODELVIEW_STACK_DEPTH"},
    {GL_PROJECTION_STACK_DEPTH, "GL_PROJECTION_STACK_DEPTH"},
    {GL_ATTRIB_STACK_DEPTH, "GL_ATTRIB_STACK_DEPTH"},
    {GL_CLIENT_ATTRIB_STACK_DEPTH, "GL_CLIENT_ATTRIB_STACK_DEPTH"},
    {GL_PROGRAM_PIPELINE_BINDING, "GL_PROGRAM_PIPELINE_BINDING"},
    {GL_CURRENT_PROGRAM, "GL_CURRENT_PROGRAM"},
    {GL_DRAW_FRAMEBUFFER_BINDING, "GL_DRAW_FRAMEBUFFER_BINDING"},
    {GL_READ_FRAMEBUFFER_BINDING, "GL_READ_FRAMEBUFFER_BINDING"},
    {GL_ARRAY_BUFFER_BINDING, "GL_ARRAY_BUFFER_BINDING"},
    {GL_ELEMENT_ARRAY_BUFFER_BINDING, "GL_ELEMENT_ARRAY_BUFFER_BINDING"},
};

}  // namespace

void GLStateSnapshot::add(std::string name, std::string value) {
    entries.push_back(Entry{std::move(name), std::move(value)});
}

GLStateSnapshot GLStateSnapshot::capture() {
    GLStateSnapshot snapshot;
    // The first error pending, then the rest drained: a snapshot starts the next check clean.
    const GLenum error = glGetError();
    for (int drained = 0; drained < 16 && glGetError() != GL_NO_ERROR; ++drained) {
    }
    snapshot.add("GL error", error == GL_NO_ERROR ? "none" : enumText(GLint(error)));

    const GLint activeUnit = integer(GL_ACTIVE_TEXTURE);
    const GLint clientUnit = integer(GL_CLIENT_ACTIVE_TEXTURE);
    snapshot.add("GL_ACTIVE_TEXTURE", unitText(activeUnit));
    snapshot.add("GL_CLIENT_ACTIVE_TEXTURE", unitText(clientUnit));
    for (GLint unit = 0; unit < textureUnitCount(); ++unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        const std::string prefix = "unit " + std::to_string(unit) + " ";
        for (const NamedEnum& kind : textureKinds) snapshot.add(prefix + kind.name, onOff(glIsEnabled(kind.value)));
        for (const NamedEnum& gen : textureGenerations) snapshot.add(prefix + gen.name, onOff(glIsEnabled(gen.value)));
        GLint mode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        snapshot.add(prefix + "GL_TEXTURE_ENV_MODE", enumText(mode));
        snapshot.add(prefix + "GL_TEXTURE_STACK_DEPTH", integerText(integer(GL_TEXTURE_STACK_DEPTH)));
    }
    glActiveTexture(GLenum(activeUnit));
    for (GLint set = 0; set < textureCoordinateSetCount(); ++set) {
        glClientActiveTexture(GLenum(GL_TEXTURE0 + set));
        snapshot.add("texture coordinates " + std::to_string(set) + " GL_TEXTURE_COORD_ARRAY",
                     onOff(glIsEnabled(GL_TEXTURE_COORD_ARRAY)));
    }
    glClientActiveTexture(GLenum(clientUnit));

    for (const NamedEnum& capability : capabilities) snapshot.add(capability.name, onOff(glIsEnabled(capability.value)));
    for (const NamedEnum& state : enumStates) snapshot.add(state.name, enumText(integer(state.value)));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    snapshot.add("GL_DEPTH_WRITEMASK", onOff(depthWrites));
    GLboolean colourWrites[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, colourWrites);
    const GLint colourMask[4] = {colourWrites[0], colourWrites[1], colourWrites[2], colourWrites[3]};
    snapshot.add("GL_COLOR_WRITEMASK", integersText(colourMask, 4));
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    snapshot.add("GL_CURRENT_COLOR", floatsText(colour, 4));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    snapshot.add("GL_VIEWPORT", integersText(viewport, 4));
    for (const NamedEnum& state : integerStates) snapshot.add(state.name, integerText(integer(state.value)));
    snapshot.add("render target stack depth", std::to_string(RenderTarget::bindingDepth()));

    for (const NamedEnum& array : clientArrays) snapshot.add(array.name, onOff(glIsEnabled(array.value)));
    for (GLint attribute = 0; attribute < integer(GL_MAX_VERTEX_ATTRIBS); ++attribute) {
        GLint enabled = 0;
        glGetVertexAttribiv(GLuint(attribute), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        snapshot.add("vertex attribute " + std::to_string(attribute) + " array", onOff(enabled != 0));
    }
    return snapshot;
}

std::string GLStateSnapshot::differencesFrom(const GLStateSnapshot& before) const {
    std::string text;
    const size_t count = std::min(entries.size(), before.entries.size());
    for (size_t i = 0; i < count; ++i) {
        if (entries[i].value != before.entries[i].value) {
            text += entries[i].name + ": " + before.entries[i].value + ", now " + entries[i].value + "\n";
        }
    }
    if (entries.size() != before.entries.size()) text += "the snapshots hold different states\n";
    return text;
}

std::string GLStateSnapshot::valueOf(const std::string& stateName) const {
    for (const Entry& entry : entries) {
        if (entry.name == stateName) return entry.value;
    }
    return "";
}

void resetFrameState() {
    for (GLint unit = textureUnitCount() - 1; unit >= 0; --unit) {
        glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        for (const NamedEnum& kind : textureKinds) glDisable(kind.value);
        for (const NamedEnum& gen : textureGenerations) glDisable(gen.value);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glMatrixMode(GL_TEXTURE);
        while (integer(GL_TEXTURE_STACK_DEPTH) > 1) glPopMatrix();
        glLoadIdentity();
    }
    for (GLint set = textureCoordinateSetCount() - 1; set >= 0; --set) {
        glClientActiveTexture(GLenum(GL_TEXTURE0 + set));
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    while (integer(GL_ATTRIB_STACK_DEPTH) > 0) glPopAttrib();
    while (integer(GL_CLIENT_ATTRIB_STACK_DEPTH) > 0) glPopClientAttrib();
    for (const NamedEnum& array : clientArrays) glDisableClientState(array.value);
    for (GLint attribute = 0; attribute < integer(GL_MAX_VERTEX_ATTRIBS); ++attribute) {
        glDisableVertexAttribArray(GLuint(attribute));
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glUseProgram(0);
    glBindProgramPipeline(0);
    // The render target stack is the targets' own; a test that failed half-way may leave it
    // deep, which the next snapshot then records as its starting point.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    for (const NamedEnum& capability : capabilities) glDisable(capability.value);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
    glColor4f(1, 1, 1, 1);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        while (integer(mode == GL_PROJECTION ? GL_PROJECTION_STACK_DEPTH : GL_MODELVIEW_STACK_DEPTH) > 1) glPopMatrix();
        glLoadIdentity();
    }
    glViewport(0, 0, contextWidth, contextHeight);
    for (int drained = 0; drained < 16 && glGetError() != GL_NO_ERROR; ++drained) {
    }
}

}  // namespace testgl
