// The demo's shader programs as shipped in data/shaders: each compiles and links on Mesa
// and passes the reference GLSL front end (glslangValidator, stricter than any one
// driver), and each computes what its users rely on, read back as pixels.
#include "base/lvp.h"
#include "engine/ShaderManager.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string shaderDirectory = std::string(LUMORA_SOURCE_DIR) + "/data/shaders";

std::vector<std::string> shippedShaders() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(shaderDirectory)) {
        if (entry.path().extension() == ".glsl") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string dataPath(const std::string& base) {
    return "data/shaders/" + base + ".glsl";
}

// The shipped programs, read from the source tree as the plain data folder.
FragmentProgram& shippedFragment(const std::string& base) {
    DataPack::usePlainDirectory(LUMORA_SOURCE_DIR);
    return ShaderManager::instance().fragmentProgram(dataPath(base));
}

VertexProgram& shippedVertex(const std::string& base) {
    DataPack::usePlainDirectory(LUMORA_SOURCE_DIR);
    return ShaderManager::instance().vertexProgram(dataPath(base));
}

std::string validatorPath() {
    for (const char* candidate : {"/usr/bin/glslangValidator", "/usr/local/bin/glslangValidator"}) {
        if (fs::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

// A w x h RGBA texture from bytes, linear, clamped at the edges; bound on unit 0.
GLuint makeTexture(int width, int height, const std::vector<uint8_t>& rgba) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

std::vector<uint8_t> solid(int count, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < count; ++i) {
        rgba.insert(rgba.end(), {r, g, b, 255});
    }
    return rgba;
}

// The left half of an 8 x 1 picture white, the right half black.
std::vector<uint8_t> halfWhite() {
    std::vector<uint8_t> rgba = solid(8, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        rgba[size_t(i) * 4] = rgba[size_t(i) * 4 + 1] = rgba[size_t(i) * 4 + 2] = 255;
    }
    return rgba;
}

// A full-viewport quad with texture coordinates (0,0)..(1,1) on unit 0.
void drawTexturedQuad(float x0 = -1, float x1 = 1) {
    float u0 = (x0 + 1) / 2, u1 = (x1 + 1) / 2;
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, 0); glVertex2f(x0, -1);
    glTexCoord2f(u1, 0); glVertex2f(x1, -1);
    glTexCoord2f(u1, 1); glVertex2f(x1, 1);
    glTexCoord2f(u0, 1); glVertex2f(x0, 1);
    glEnd();
}

class ShippedShaders : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override {
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
};

TEST_F(ShippedShaders, EveryProgramCompilesOnMesaAndPassesTheReferenceFrontEnd) {
    const std::vector<std::string> names = shippedShaders();
    for (const char* needed : {"fragment_blur", "fragment_submul", "fragment_dof", "vertex_depth_info",
                               "fragment_depth_info", "fragment_shadowmap", "vertex_lighting", "fragment_focus"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed << " is not shipped";
    }
    const std::string validator = validatorPath();
    EXPECT_FALSE(validator.empty()) << "glslangValidator is missing: scripts/install-deps.sh installs glslang-tools";
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        bool vertex = name.starts_with("vertex_");
        ASSERT_TRUE(vertex || name.starts_with("fragment_")) << "a shader's name says its stage";
        ShaderProgram& program = vertex ? static_cast<ShaderProgram&>(shippedVertex(name))
                                        : static_cast<ShaderProgram&>(shippedFragment(name));
        EXPECT_NE(program.glProgram(), 0u);
        if (!validator.empty()) {
            ProgramResult result = runProgram(validator, {"-S", vertex ? "vert" : "frag", shaderDirectory + "/" + name + ".glsl"});
            EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        }
    }
}

TEST_F(ShippedShaders, SubmulSubtractsThenMultiplies) {
    GLuint texture = makeTexture(1, 1, solid(1, 153, 51, 255));  // 0.6, 0.2, 1.0
    FragmentProgram& program = shippedFragment("fragment_submul");
    program.setFactors(0.4f, 2.0f, 0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    program.bind();
    drawTexturedQuad();
    program.unbind();
    glDisable(GL_TEXTURE_2D);
    testgl::Rgba pixel = testgl::readPixel(64, 64);
    EXPECT_NEAR(pixel.r, 102, 2);  // (0.6 - 0.4) x 2
    EXPECT_NEAR(pixel.g, 0, 2);    // below the subtraction: gone
    EXPECT_NEAR(pixel.b, 255, 2);  // (1 - 0.4) x 2, clamped
    glDeleteTextures(1, &texture);
}

TEST_F(ShippedShaders, BlurAveragesItsEightTaps) {
    GLuint texture = makeTexture(8, 1, halfWhite());
    FragmentProgram& program = shippedFragment("fragment_blur");
    glEnable(GL_TEXTURE_2D);
    program.bind();
    program.setFactors(0.0f, 0.0f, 0.0f, 0.0f);  // no offset: the picture unchanged
    drawTexturedQuad(-1, 0);
    // At u = 0.59 (black): near taps at u - 0.25 white and u + 0.25 black, far taps at
    // u - 0.5 white and u + 0.5 black (clamped): half the taps white. At u = 0.94 only
    // the far taps to the left reach white: a quarter.
    program.setFactors(0.25f, 0.0f, 0.5f, 0.0f);
    drawTexturedQuad(0, 1);
    program.unbind();
    glDisable(GL_TEXTURE_2D);
    EXPECT_NEAR(testgl::readPixel(10, 64).r, 255, 2);
    EXPECT_NEAR(testgl::readPixel(75, 64).r, 128, 2);
    EXPECT_NEAR(testgl::readPixel(120, 64).r, 64, 2);
    glDeleteTextures(1, &texture);
}

TEST_F(ShippedShaders, DepthOfFieldBlursOnlyWhereTheDepthPictureSays) {
    GLuint image = makeTexture(8, 1, halfWhite());
    // Depth information: in focus (0) in the left half of the screen, blurred (1) right.
    std::vector<uint8_t> depth = solid(2, 0, 0, 0);
    depth[4] = 255;
    glActiveTexture(GL_TEXTURE1);
    GLuint depthInfo = makeTexture(2, 1, depth);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, image);
    glEnable(GL_TEXTURE_2D);
    FragmentProgram& program = shippedFragment("fragment_dof");
    program.setFactors(0.25f, 0.0f, 0.5f, 0.0f);
    program.bind();
    drawTexturedQuad();
    program.unbind();
    glDisable(GL_TEXTURE_2D);
    EXPECT_NEAR(testgl::readPixel(10, 64).r, 255, 2);   // in focus: white as it is
    EXPECT_NEAR(testgl::readPixel(50, 64).r, 255, 2);
    EXPECT_NEAR(testgl::readPixel(75, 64).r, 128, 2);   // blurred as by the blur
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glDeleteTextures(1, &image);
    glDeleteTextures(1, &depthInfo);
}

TEST_F(ShippedShaders, DepthInformationIsZeroAtTheFocalPointAndGrowsAway) {
    VertexProgram& vertex = shippedVertex("vertex_depth_info");
    FragmentProgram& fragment = shippedFragment("fragment_depth_info");
    const float nearPlane = 1.0f, farPlane = 10.0f;
    const float focalNear = 0.1f, focalPoint = 0.5f, focalFar = 0.8f, focalClamp = 1.0f;
    glMatrixMode(GL_PROJECTION);
    glFrustum(-nearPlane, nearPlane, -nearPlane, nearPlane, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    fragment.setDepthPlanes(focalNear, focalPoint, focalFar, focalClamp);
    fragment.setPlaneDist(focalPoint - focalNear, focalFar - focalPoint, 0, 0);
    vertex.setNearDivFar(nearPlane / farPlane);
    vertex.bind();
    fragment.bind();
    // Three quads at eye distances 5 (the focal point), 3 and 8, each filling a third.
    struct Band { float distance; float x0, x1; };
    for (Band band : {Band{5, -1, -1.0f / 3}, Band{3, -1.0f / 3, 1.0f / 3}, Band{8, 1.0f / 3, 1}}) {
        vertex.setModelViewProj();
        float s = band.distance;  // scale x and y so the band covers its third of the screen
        glBegin(GL_QUADS);
        glVertex3f(band.x0 * s, -s, -band.distance);
        glVertex3f(band.x1 * s, -s, -band.distance);
        glVertex3f(band.x1 * s, s, -band.distance);
        glVertex3f(band.x0 * s, s, -band.distance);
        glEnd();
    }
    fragment.unbind();
    vertex.unbind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    EXPECT_NEAR(testgl::readPixel(20, 64).r, 0, 3);     // 0.5: in focus
    EXPECT_NEAR(testgl::readPixel(64, 64).r, 128, 3);   // 0.3: half way to focalNear
    EXPECT_NEAR(testgl::readPixel(108, 64).r, 255, 3);  // 0.8: at focalFar
}

TEST_F(ShippedShaders, ShadowMapDarkensOnlyWhatLiesBehindTheStoredDepth) {
    // A depth texture holding 0.5 everywhere, in compare mode as the blend pass sets it.
    GLuint shadow = 0;
    glGenTextures(1, &shadow);
    glBindTexture(GL_TEXTURE_2D, shadow);
    std::vector<float> depths(16, 0.5f);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, 4, 4, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);

    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    FragmentProgram& program = shippedFragment("fragment_shadowmap");
    program.bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    // Left: in front of the stored depth (lit); middle: behind it (shadowed); right: a
    // position behind the light (q < 0, lit). Coordinates as the texture generation
    // would give them, (s, t, r, q) before the division by q.
    struct Band { float r, q, x0, x1; };
    for (Band band : {Band{0.3f, 1.0f, -1, -0.34f}, Band{0.7f, 1.0f, -0.33f, 0.33f}, Band{0.7f, -1.0f, 0.34f, 1}}) {
        glMultiTexCoord4f(GL_TEXTURE0, 0.5f * band.q, 0.5f * band.q, band.r * band.q, band.q);
        glBegin(GL_QUADS);
        glVertex2f(band.x0, -1);
        glVertex2f(band.x1, -1);
        glVertex2f(band.x1, 1);
        glVertex2f(band.x0, 1);
        glEnd();
    }
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_BLEND);
    program.unbind();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &shadow);
    EXPECT_NEAR(testgl::readPixel(20, 64).r, 255, 2);
    EXPECT_NEAR(testgl::readPixel(64, 64).r, 128, 2);  // half of the frame
    EXPECT_NEAR(testgl::readPixel(108, 64).r, 255, 2);
}

TEST_F(ShippedShaders, LightingHonoursTheNumberOfLightsAndTheMaterial) {
    VertexProgram& program = shippedVertex("vertex_lighting");
    const float ambient[4] = {0.2f, 0.0f, 0.0f, 1.0f};
    const float diffuse[4] = {0.0f, 0.6f, 0.0f, 1.0f};
    const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    program.setAmbientMaterial(ambient);
    program.setDiffuseMaterial(diffuse);
    program.setSpecularMaterial(specular);
    program.setLightVec(0, 0, 0, 1);   // toward the viewer: the quad faces it
    program.setLightVec(1, 0, 0, -1);  // from behind: adds nothing
    program.bind();
    program.setModelViewProj();
    program.setModelViewIT();
    glNormal3f(0, 0, 1);
    for (int lights = 0; lights <= 2; ++lights) {
        program.setNumLights(float(lights));
        float x0 = -1 + lights * (2.0f / 3), x1 = x0 + 2.0f / 3;
        glBegin(GL_QUADS);
        glVertex2f(x0, -1);
        glVertex2f(x1, -1);
        glVertex2f(x1, 1);
        glVertex2f(x0, 1);
        glEnd();
    }
    program.unbind();
    testgl::Rgba none = testgl::readPixel(20, 64);
    testgl::Rgba one = testgl::readPixel(64, 64);
    testgl::Rgba two = testgl::readPixel(108, 64);
    EXPECT_NEAR(none.r, 51, 2);
    EXPECT_NEAR(none.g, 0, 2);
    EXPECT_NEAR(one.r, 51, 2);
    EXPECT_NEAR(one.g, 153, 2);
    EXPECT_NEAR(two.g, 153, 2);
}

TEST_F(ShippedShaders, FocusProgramAppliesFogItselfAndSkipsAnUntexturedUnit) {
    FragmentProgram& program = shippedFragment("fragment_focus");
    program.setDepthPlanes(0.0f, 0.5f, 1.0f, 0.0f);  // clamp 0: no desaturation
    const float fogColour[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 2.0f);
    glFogi(GL_FOG_COORDINATE_SOURCE, GL_FOG_COORDINATE);
    // Left without fog; right with fog at coordinate 1, half way.
    program.bind();
    glColor4f(1, 0, 0, 1);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1); glVertex2f(0, -1); glVertex2f(0, 1); glVertex2f(-1, 1);
    glEnd();
    program.unbind();
    glEnable(GL_FOG);
    program.bind();
    glFogCoordf(1.0f);
    glBegin(GL_QUADS);
    glVertex2f(0, -1); glVertex2f(1, -1); glVertex2f(1, 1); glVertex2f(0, 1);
    glEnd();
    program.unbind();
    glDisable(GL_FOG);
    glFogi(GL_FOG_COORDINATE_SOURCE, GL_FRAGMENT_DEPTH);
    glColor4f(1, 1, 1, 1);
    testgl::Rgba plain = testgl::readPixel(30, 64);
    testgl::Rgba fogged = testgl::readPixel(100, 64);
    EXPECT_NEAR(plain.r, 255, 2);
    EXPECT_NEAR(plain.b, 0, 2);
    EXPECT_NEAR(fogged.r, 128, 3);
    EXPECT_NEAR(fogged.b, 128, 3);
}

}  // namespace
