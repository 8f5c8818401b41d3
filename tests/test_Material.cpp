// What a material's apply() leaves in GL: the lighting switches, blending for opacity and
// additive materials, culling, the fatal shade model, and the normalisation cube map the
// bump model combines against.
#include "engine/Material.h"
#include "engine/NormalisationCubeMap.h"
#include "resources/Texture.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class MaterialApply : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        testgl::resetFrameState();
    }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
};

GLint integer(GLenum state) {
    GLint value = 0;
    glGetIntegerv(state, &value);
    return value;
}

}  // namespace

TEST_F(MaterialApply, LightingFollowsTheModelUnlessForcedAndBothForcesLeaveItAlone) {
    struct Case {
        bool usesLighting, on, off;
        bool enabledBefore;
        bool enabledAfter;
    };
    const Case cases[] = {
        {true, false, false, false, true},   {false, false, false, true, false},
        {true, false, true, true, false},    {false, true, false, false, true},
        {true, true, true, false, false},    {false, true, true, true, true},
    };
    for (const Case& c : cases) {
        Material m(1, "M");
        m.finish();
        m.usesLighting = c.usesLighting;
        m.lightingOn = c.on;
        m.lightingOff = c.off;
        if (c.enabledBefore) glEnable(GL_LIGHTING); else glDisable(GL_LIGHTING);
        m.apply();
        EXPECT_EQ(glIsEnabled(GL_LIGHTING) == GL_TRUE, c.enabledAfter) << c.usesLighting << c.on << c.off;
        glPopAttrib();
        EXPECT_EQ(glIsEnabled(GL_LIGHTING) == GL_TRUE, c.enabledBefore);
    }
    glDisable(GL_LIGHTING);
}

TEST_F(MaterialApply, OpacityBlendsWithoutDepthWritesAdditiveAddsAndCullingIsAlwaysOn) {
    Material faded(1, "Faded");
    faded.setOpacity(0.5f);
    faded.finish();
    faded.apply();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_FALSE(depthWrites);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    glPopAttrib();

    Texture picture(GL_TEXTURE_2D, GL_RGBA, false);
    ASSERT_TRUE(picture.createBlank(8, 8));
    Material glow(2, "Glow");
    glow.setTextureForMapType(10, &picture);
    glow.finish();
    glEnable(GL_BLEND);
    glow.apply();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST_RGB), GL_ONE);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    glPopAttrib();

    Material solid(3, "Solid");
    solid.finish();
    solid.apply();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    glPopAttrib();
    glDisable(GL_BLEND);
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 0);
}

TEST_F(MaterialApply, AShininessOutsideGLsRangeIsHeldToIt) {
    Material shiny(1, "Shiny");
    shiny.setShininessFromGlossiness(3.0f, 1);  // 384 from a file; GL takes 0..128
    shiny.finish();
    shiny.apply();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    float exponent = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &exponent);
    EXPECT_FLOAT_EQ(exponent, 128);
    glPopAttrib();
}

TEST_F(MaterialApply, AShadeModelAbove13EndsTheProgram) {
    Material strange(1, "Strange");
    strange.shadeModel = 14;
    EXPECT_EXIT(strange.apply(), testing::ExitedWithCode(1),
                "engine/Material.cpp:[0-9]+ Material cannot handle this shademodel: 14");
}

TEST(NormalisationCubeMap, EveryTexelHoldsTheUnitDirectionThatLooksItUp) {
    // Face centres look along their axes.
    const Vec3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int face = 0; face < 6; ++face) {
        const Vec3 d = normalisationDirection(face, 15, 15, 31);
        EXPECT_NEAR(d.x, axes[face].x, 1e-6f) << face;
        EXPECT_NEAR(d.y, axes[face].y, 1e-6f) << face;
        EXPECT_NEAR(d.z, axes[face].z, 1e-6f) << face;
    }
    // The first texel of +z lies toward -x and +y (s runs along +x, t along -y there).
    const Vec3 corner = normalisationDirection(4, 0, 0, 32);
    EXPECT_LT(corner.x, 0);
    EXPECT_GT(corner.y, 0);
    EXPECT_NEAR(std::sqrt(corner.x * corner.x + corner.y * corner.y + corner.z * corner.z), 1, 1e-6f);

    testgl::context();
    Texture& map = normalisationCubeMap();
    EXPECT_EQ(&map, &normalisationCubeMap());
    std::vector<uint8_t> face(size_t(normalisationCubeMapSide) * normalisationCubeMapSide * 4);
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.name());
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 0, GL_RGBA, GL_UNSIGNED_BYTE, face.data());
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    const size_t centre = (size_t(normalisationCubeMapSide / 2) * normalisationCubeMapSide + normalisationCubeMapSide / 2) * 4;
    EXPECT_NEAR(face[centre], 128, 4);
    EXPECT_NEAR(face[centre + 1], 128, 4);
    EXPECT_GT(face[centre + 2], 250);
}
