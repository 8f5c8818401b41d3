// Shader programs on real GL: each stage alone and both together mixed with fixed-function
// state, read back as pixels; the parameter contract (set while unbound, absent, wrongly
// typed); the registry by kind and file name; load failures as fatal reports.
#include "base/lvp.h"
#include "engine/ProgramMatrices.h"
#include "engine/ShaderManager.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

namespace {

// A data folder of this process holding the test's shader sources.
const std::string& shaderFolder() {
    static const std::string folder = [] {
        std::string root = makeTempDirectory("shaders");
        std::string command = "mkdir -p '" + root + "/data/shaders'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return root;
    }();
    return folder;
}

// Writes data/shaders/<base>.glsl and returns its data path; reads now go to that folder.
std::string writeShader(const std::string& base, const std::string& text) {
    std::string path = "data/shaders/" + base + ".glsl";
    std::ofstream(shaderFolder() + "/" + path, std::ios::binary) << text;
    DataPack::usePlainDirectory(shaderFolder().c_str());
    return path;
}

const char* const swapRedBlueFragment = R"(#version 420 compatibility
void main() { gl_FragColor = vec4(gl_Color.b, gl_Color.g, gl_Color.r, 1.0); }
)";

const char* const factorsFragment = R"(#version 420 compatibility
uniform vec4 factors;
void main() { gl_FragColor = factors; }
)";

// Position through ModelViewProj; the colour turned to green; a fog coordinate.
const char* const greenVertex = R"(#version 420 compatibility
uniform mat4 ModelViewProj;
void main() {
    gl_Position = ModelViewProj * gl_Vertex;
    gl_FrontColor = vec4(0.0, gl_Color.r, 0.0, 1.0);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_TexCoord[1] = gl_MultiTexCoord1;
    gl_FogFragCoord = 10.0;
}
)";

void resetMatrices() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// A quad from (x0, y0) to (x1, y1) in normalised device coordinates, in one colour.
void drawQuad(float x0, float y0, float x1, float y1, float red, float green, float blue) {
    glColor4f(red, green, blue, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
    glColor4f(1, 1, 1, 1);
}

void drawFullQuad(float red, float green, float blue) {
    drawQuad(-1, -1, 1, 1, red, green, blue);
}

void clearBlack() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

GLint boundPipeline() {
    GLint pipeline = -1;
    glGetIntegerv(GL_PROGRAM_PIPELINE_BINDING, &pipeline);
    return pipeline;
}

#define EXPECT_PIXEL(x, y, red, green, blue)                        \
    do {                                                            \
        testgl::Rgba pixel = testgl::readPixel(x, y);               \
        EXPECT_NEAR(pixel.r, red, 3) << "at " << (x) << "," << (y); \
        EXPECT_NEAR(pixel.g, green, 3) << "at " << (x) << "," << (y); \
        EXPECT_NEAR(pixel.b, blue, 3) << "at " << (x) << "," << (y); \
    } while (0)

class ShaderTest : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        resetMatrices();
        clearBlack();
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(boundPipeline(), 0) << "a test left a pipeline bound";
    }
};

TEST_F(ShaderTest, FragmentProgramAloneShadesFixedFunctionVertices) {
    FragmentProgram& program = ShaderManager::instance().fragmentProgram(writeShader("swap_fragment", swapRedBlueFragment));
    program.bind();
    EXPECT_NE(boundPipeline(), 0);
    drawQuad(-1, -1, 0, 1, 1, 0, 0);  // left half red, shown blue
    program.unbind();
    drawQuad(0, -1, 1, 1, 1, 0, 0);   // right half after unbinding: fixed function again
    EXPECT_PIXEL(30, 64, 0, 0, 255);
    EXPECT_PIXEL(100, 64, 255, 0, 0);
}

TEST_F(ShaderTest, VertexProgramAloneFeedsFixedFunctionFragmentsAndFog) {
    VertexProgram& program = ShaderManager::instance().vertexProgram(writeShader("green_vertex", greenVertex));
    program.bind();
    program.setModelViewProj();
    drawQuad(-1, -1, 0, 1, 1, 0, 0);  // red in, green out of the vertex stage

    // Fixed-function linear fog over the program's fog coordinate 10: half way.
    const float fogColour[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 20.0f);
    glFogfv(GL_FOG_COLOR, fogColour);
    glEnable(GL_FOG);
    drawQuad(0, -1, 1, 1, 1, 0, 0);
    glDisable(GL_FOG);
    program.unbind();

    EXPECT_PIXEL(30, 64, 0, 255, 0);
    EXPECT_PIXEL(100, 64, 0, 128, 128);
}

TEST_F(ShaderTest, BothStagesTogetherAndUnbindingBothFallsBackToFixedFunction) {
    ShaderManager& manager = ShaderManager::instance();
    VertexProgram& vertex = manager.vertexProgram(writeShader("both_vertex", greenVertex));
    FragmentProgram& fragment = manager.fragmentProgram(writeShader("both_fragment", R"(#version 420 compatibility
void main() { gl_FragColor = vec4(gl_Color.g, 0.0, gl_Color.g, 1.0); }
)"));
    vertex.bind();
    fragment.bind();
    vertex.setModelViewProj();
    EXPECT_EQ(manager.stageProgram(ProgramKind::Vertex), vertex.glProgram());
    EXPECT_EQ(manager.stageProgram(ProgramKind::Fragment), fragment.glProgram());
    drawQuad(-1, -1, 0, 1, 1, 0, 0);  // red -> green (vertex) -> magenta (fragment)

    // The vertex stage alone left: the fragment stage is fixed function again.
    fragment.unbind();
    EXPECT_NE(boundPipeline(), 0);
    drawQuad(0, -1, 1, 0, 1, 0, 0);
    vertex.unbind();
    EXPECT_EQ(boundPipeline(), 0);
    drawQuad(0, 0, 1, 1, 1, 0, 0);

    EXPECT_PIXEL(30, 64, 255, 0, 255);
    EXPECT_PIXEL(100, 30, 0, 255, 0);
    EXPECT_PIXEL(100, 100, 255, 0, 0);
}

TEST_F(ShaderTest, ModelViewProjPlacesTheQuadWhereTheMatricesSay) {
    VertexProgram& program = ShaderManager::instance().vertexProgram(writeShader("place_vertex", greenVertex));
    program.bind();
    // A quad on the left quarter, moved right by the modelview and squashed to the
    // upper half by the projection.
    glMatrixMode(GL_PROJECTION);
    glTranslatef(0.0f, 0.5f, 0.0f);
    glScalef(1.0f, 0.5f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.5f, 0.0f, 0.0f);
    program.setModelViewProj();
    drawQuad(-1, -1, -0.5f, 1, 1, 0, 0);
    program.unbind();
    resetMatrices();

    EXPECT_PIXEL(100, 100, 0, 255, 0);  // x 0.5..1, y 0..1
    EXPECT_PIXEL(10, 100, 0, 0, 0);     // not where the vertices were
    EXPECT_PIXEL(100, 30, 0, 0, 0);     // not below the projected half
}

TEST_F(ShaderTest, ParametersSetWhileUnboundAndAbsentOnesSkipped) {
    FragmentProgram& program = ShaderManager::instance().fragmentProgram(writeShader("factors_fragment", factorsFragment));
    EXPECT_TRUE(program.hasFactors());
    EXPECT_TRUE(program.hasParameter("factors"));
    EXPECT_FALSE(program.hasParameter("depthPlanes"));
    program.setFactors(0.0f, 1.0f, 0.0f, 1.0f);  // not bound yet
    program.setDepthPlanes(1, 1, 1, 1);           // absent: nothing happens
    program.setPlaneDist(1, 1, 1, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    program.bind();
    drawQuad(-1, -1, 0, 1, 1, 1, 1);
    program.setFactors(1.0f, 0.5f, 0.0f, 1.0f);
    drawQuad(0, -1, 1, 1, 1, 1, 1);
    program.unbind();
    EXPECT_PIXEL(30, 64, 0, 255, 0);
    EXPECT_PIXEL(100, 64, 255, 128, 0);

    // A vertex program declaring none of the contract takes every setter quietly.
    VertexProgram& bare = ShaderManager::instance().vertexProgram(writeShader("bare_vertex", R"(#version 420 compatibility
void main() { gl_Position = gl_Vertex; gl_FrontColor = gl_Color; }
)"));
    const float colour[4] = {1, 1, 1, 1};
    bare.setModelViewProj();
    bare.setModelViewIT();
    bare.setNumLights(6);
    for (int i = -1; i <= 5; ++i) {
        bare.setLightVec(i, 1, 0, 0);
    }
    bare.setAmbientMaterial(colour);
    bare.setDiffuseMaterial(colour);
    bare.setSpecularMaterial(colour);
    bare.setNearDivFar(0.01f);
    EXPECT_EQ(bare.positionInput(), -1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ShaderTest, TextureSizeIsTheFullScreenParameterWhereFactorsIsMissing) {
    FragmentProgram& program = ShaderManager::instance().fragmentProgram(writeShader("texsize_fragment", R"(#version 420 compatibility
uniform vec4 textureSize;
void main() { gl_FragColor = textureSize; }
)"));
    EXPECT_TRUE(program.hasFactors());
    program.setFactors(0.0f, 0.0f, 1.0f, 1.0f);
    program.bind();
    drawFullQuad(1, 1, 1);
    program.unbind();
    EXPECT_PIXEL(64, 64, 0, 0, 255);
}

TEST_F(ShaderTest, BindTellsTheProgramWhatFixedFunctionFogAndTexturingWouldDo) {
    FragmentProgram& program = ShaderManager::instance().fragmentProgram(writeShader("state_fragment", R"(#version 420 compatibility
uniform float fogMode;
uniform vec4 textureEnabled;
void main() { gl_FragColor = vec4(fogMode / 3.0, textureEnabled.x, textureEnabled.y, 1.0); }
)"));
    glFogi(GL_FOG_MODE, GL_EXP);
    glEnable(GL_FOG);
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    program.bind();
    drawQuad(-1, -1, 0, 1, 1, 1, 1);
    program.unbind();
    glDisable(GL_FOG);
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    program.bind();  // the values follow the state of each bind
    drawQuad(0, -1, 1, 1, 1, 1, 1);
    program.unbind();

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_PIXEL(30, 64, 170, 0, 255);
    EXPECT_PIXEL(100, 64, 0, 0, 0);
}

TEST_F(ShaderTest, LightingParametersReachTheVertexStage) {
    VertexProgram& program = ShaderManager::instance().vertexProgram(writeShader("light_vertex", R"(#version 420 compatibility
uniform mat4 ModelViewProj;
uniform mat4 ModelViewIT;
uniform float numLights;
uniform vec4 LightVec0;
uniform vec4 DiffuseMaterial;
void main() {
    gl_Position = ModelViewProj * gl_Vertex;
    vec3 n = normalize((ModelViewIT * vec4(gl_Normal, 0.0)).xyz);
    float lit = numLights > 0.5 ? max(dot(n, LightVec0.xyz), 0.0) : 0.0;
    gl_FrontColor = DiffuseMaterial * lit;
    gl_FogFragCoord = 0.0;
}
)"));
    const float diffuse[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    program.setDiffuseMaterial(diffuse);
    program.setNumLights(1);
    program.setLightVec(0, 0, 0, 1);
    program.bind();
    // The normal (1, 0, 0) turned by -90 degrees about y faces the light along z.
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
    program.setModelViewProj();
    program.setModelViewIT();
    glNormal3f(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex3f(0, -1, 1);
    glVertex3f(0, -1, -1);
    glVertex3f(0, 1, -1);
    glVertex3f(0, 1, 1);
    glEnd();
    program.unbind();
    resetMatrices();
    EXPECT_PIXEL(64, 64, 255, 128, 0);
}

TEST_F(ShaderTest, OneFileGivesOneProgramPerKindCompiledOnce) {
    ShaderManager& manager = ShaderManager::instance();
    std::string name = writeShader("either_stage", "#version 420 compatibility\nvoid main() {}\n");
    uint32_t compilesBefore = manager.compileCount();
    FragmentProgram& first = manager.fragmentProgram(name);
    FragmentProgram& second = manager.fragmentProgram(name);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(manager.compileCount(), compilesBefore + 1);
    EXPECT_EQ(manager.useCount(ProgramKind::Fragment, name), 2u);

    VertexProgram& vertex = manager.vertexProgram(name);
    EXPECT_NE(static_cast<ShaderProgram*>(&vertex), static_cast<ShaderProgram*>(&first));
    EXPECT_EQ(vertex.kind(), ProgramKind::Vertex);
    EXPECT_EQ(first.kind(), ProgramKind::Fragment);
    EXPECT_NE(vertex.glProgram(), first.glProgram());
    EXPECT_EQ(manager.compileCount(), compilesBefore + 2);
    EXPECT_EQ(manager.useCount(ProgramKind::Vertex, name), 1u);
    EXPECT_EQ(manager.findVertexProgram(name), &vertex);
    EXPECT_EQ(manager.findFragmentProgram("data/shaders/never_loaded.glsl"), nullptr);
}

TEST_F(ShaderTest, UnbindingWhatWasNeverBoundLeavesNoPipeline) {
    FragmentProgram& program = ShaderManager::instance().fragmentProgram(writeShader("swap_fragment", swapRedBlueFragment));
    program.unbind();
    EXPECT_EQ(boundPipeline(), 0);
    program.bind();
    program.bind();  // binding twice is harmless
    program.unbind();
    EXPECT_EQ(boundPipeline(), 0);
}

// A forked child has no GL context (it is the parent thread's): the child runs the test
// again from the start instead.
class ShaderDeathTest : public ShaderTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ShaderTest::SetUp();
    }
};

TEST_F(ShaderDeathTest, MissingFileIsFatalWithItsName) {
    DataPack::usePlainDirectory(shaderFolder().c_str());
    EXPECT_EXIT(ShaderManager::instance().fragmentProgram("data/shaders/absent.glsl"), testing::ExitedWithCode(1),
                "engine/ShaderProgram.cpp:[0-9]+ Shader file not found: data/shaders/absent.glsl");
}

TEST_F(ShaderDeathTest, CompileFailureIsCgErrorWithTheDriversLog) {
    std::string name = writeShader("broken_fragment", "#version 420 compatibility\nvoid main() { gl_FragColor = nope; }\n");
    EXPECT_EXIT(ShaderManager::instance().fragmentProgram(name), testing::ExitedWithCode(1),
                "engine/ShaderProgram.cpp:[0-9]+ CG error: .*nope");
}

TEST_F(ShaderDeathTest, WronglyTypedParameterIsCgErrorNamingIt) {
    std::string name = writeShader("mistyped_fragment", R"(#version 420 compatibility
uniform float factors;
void main() { gl_FragColor = vec4(factors); }
)");
    EXPECT_EXIT(ShaderManager::instance().fragmentProgram(name), testing::ExitedWithCode(1),
                "CG error: data/shaders/mistyped_fragment.glsl: parameter \"factors\" is declared float, "
                "the engine sets vec4");
    std::string vertexName = writeShader("mistyped_vertex", R"(#version 420 compatibility
uniform vec4 ModelViewProj;
void main() { gl_Position = gl_Vertex * ModelViewProj.x; }
)");
    EXPECT_EXIT(ShaderManager::instance().vertexProgram(vertexName), testing::ExitedWithCode(1),
                "parameter \"ModelViewProj\" is declared vec4, the engine sets mat4");
}

// --- the normal matrix, without GL ---

TEST(ProgramMatrices, InverseTransposeUndoesAnAffineTransform) {
    // Rotation about z by 30 degrees, scale (2, 3, 0.5), translation (1, 2, 3).
    float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    Matrix4 m{{2 * c, 2 * s, 0, 0, -3 * s, 3 * c, 0, 0, 0, 0, 0.5f, 0, 1, 2, 3, 1}};
    Matrix4 it = ProgramMatrices::inverseTranspose(m);
    Matrix4 transposed;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            transposed[column * 4 + row] = it[row * 4 + column];
        }
    }
    Matrix4 product = math3d::multiply(transposed, m);  // inverse(m) x m
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(product[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-5f) << i;
    }
}

TEST(ProgramMatrices, SingularMatrixGivesFiniteNormals) {
    Matrix4 flat;  // z collapsed
    flat[10] = 0.0f;
    Matrix4 it = ProgramMatrices::inverseTranspose(flat);
    for (float value : it.m) {
        EXPECT_TRUE(std::isfinite(value));
    }
    EXPECT_NE(it[10], 0.0f);  // the flattened direction's normal survives
}

}  // namespace
