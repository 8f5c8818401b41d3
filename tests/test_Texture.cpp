// Textures and the texture cache on real GL: sharing by name, the ".dds" variant first,
// power-of-two rounding with nearest-neighbour resampling, blank render buffers, S3TC
// uploads level by level, and the whole-texture tools.
#include "base/ErrorReport.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "resources/ImageLibrary.h"
#include "resources/TextureCache.h"
#include "resources/TextureTools.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const std::string imagesDir = std::string(LUMORA_FIXTURES_DIR) + "/images";

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> texels(const Texture& texture, int level = 0) {
    texture.bind();
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// A fresh plain data folder per test, current for the data pack.
class TextureFiles : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        dir = testing::TempDir() + "lumora_textures_" + testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        DataPack::usePlainDirectory(dir.c_str());
    }
    void copyFixture(const std::string& fixture, const std::string& name) {
        fs::copy_file(imagesDir + "/" + fixture, dir + "/" + name, fs::copy_options::overwrite_existing);
    }
    bool haveFixtures() const { return fs::is_directory(imagesDir); }
    std::string dir;
};

TEST_F(TextureFiles, SameNameIsOneTextureCountedPerRequest) {
    std::vector<uint8_t> pixels(4 * 4 * 3, 200);
    ASSERT_TRUE(writePng(dir + "/shared.png", 4, 4, 3, pixels.data()));
    TextureCache& cache = TextureCache::instance();
    Texture* first = cache.get("shared.png", "", GL_TEXTURE_2D, false);
    ASSERT_NE(first, nullptr);
    // Under another directory prefix the name is still the key.
    fs::create_directories(dir + "/other");
    Texture* second = cache.get("shared.png", "other/", GL_TEXTURE_2D, false);
    EXPECT_EQ(first, second);
    EXPECT_EQ(cache.referenceCount("shared.png"), 2);
    EXPECT_EQ(cache.get("", "", GL_TEXTURE_2D, false), nullptr);
}

TEST_F(TextureFiles, FailedLoadsAreNotCached) {
    TextureCache& cache = TextureCache::instance();
    EXPECT_EQ(cache.get("later.png", "", GL_TEXTURE_2D, false), nullptr);
    EXPECT_EQ(cache.referenceCount("later.png"), 0);
    std::vector<uint8_t> pixels(2 * 2 * 4, 9);
    ASSERT_TRUE(writePng(dir + "/later.png", 2, 2, 4, pixels.data()));
    EXPECT_NE(cache.get("later.png", "", GL_TEXTURE_2D, false), nullptr);
}

TEST_F(TextureFiles, DdsVariantOfANameIsPreferred) {
    if (!haveFixtures()) GTEST_SKIP() << "no image fixtures";
    copyFixture("testorig.jpg", "both.jpg");
    copyFixture("nvtt_dxt1_64.dds", "both.dds");
    Texture* texture = TextureCache::instance().get("both.jpg", "", GL_TEXTURE_2D, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->imageWidth, 64);
    GLint compressed = 0;
    texture->bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &compressed);
    EXPECT_TRUE(compressed);
}

TEST_F(TextureFiles, SidesRoundToPowersOfTwoAndHeightRisesToWidth) {
    std::vector<uint8_t> wide(640 * 480 * 3, 50);
    ASSERT_TRUE(writePng(dir + "/wide.png", 640, 480, 3, wide.data()));
    Texture* texture = TextureCache::instance().get("wide.png", "", GL_TEXTURE_2D, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 1024);
    EXPECT_EQ(texture->height, 1024);
    EXPECT_EQ(texture->imageWidth, 640);
    EXPECT_EQ(texture->imageHeight, 480);
    EXPECT_EQ(texture->image, nullptr);

    // 3 x 2 becomes 4 x 4: columns 0, 0, 1, 2 and rows 0, 0, 1, 1; RGB becomes opaque.
    const uint8_t small[] = {10, 0, 0, 20, 0, 0, 30, 0, 0,   //
                             40, 0, 0, 50, 0, 0, 60, 0, 0};
    ASSERT_TRUE(writePng(dir + "/small.png", 3, 2, 3, small));
    Texture* tiny = TextureCache::instance().get("small.png", "", GL_TEXTURE_2D, false);
    ASSERT_NE(tiny, nullptr);
    ASSERT_EQ(tiny->width, 4);
    ASSERT_EQ(tiny->height, 4);
    std::vector<uint8_t> got = texels(*tiny);
    const uint8_t expectedRed[4][4] = {{10, 10, 20, 30}, {10, 10, 20, 30}, {40, 40, 50, 60}, {40, 40, 50, 60}};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(got[size_t(row * 4 + column) * 4], expectedRed[row][column]) << row << "," << column;
            EXPECT_EQ(got[size_t(row * 4 + column) * 4 + 3], 255);
        }
    }
}

TEST_F(TextureFiles, UploadGivesTheTexelsOfConversionThenScaling) {
    struct Case { int width, height, channels; };
    for (const Case c : {Case{5, 3, 3}, Case{7, 9, 4}, Case{8, 8, 3}, Case{3, 17, 4}, Case{8, 3, 4}, Case{16, 5, 3}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.channels));
        std::vector<uint8_t> pixels(size_t(c.width * c.height * c.channels));
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 37 + 11);
        const std::string name = "pic" + std::to_string(c.width) + "x" + std::to_string(c.height) + ".png";
        ASSERT_TRUE(writePng(dir + "/" + name, c.width, c.height, c.channels, pixels.data()));
        std::unique_ptr<ImageData> reference = ImageLibrary::load(name.c_str(), "");
        ASSERT_NE(reference, nullptr);
        Texture* texture = TextureCache::instance().get(name, "", GL_TEXTURE_2D, false);
        ASSERT_NE(texture, nullptr);
        if (reference->bitsPerPixel != 32) ImageLibrary::convertTo32(*reference);
        if (uint32_t(texture->width) != reference->width || uint32_t(texture->height) != reference->height) {
            ImageLibrary::scale(uint32_t(texture->width), uint32_t(texture->height), reference.get());
        }
        EXPECT_TRUE(texels(*texture) == reference->pixels);
    }
}

TEST_F(TextureFiles, JpegWithPaddedRowsIsResampledWithoutShear) {
    if (!haveFixtures()) GTEST_SKIP() << "no image fixtures";
    copyFixture("testorig.jpg", "odd.jpg");
    Texture* texture = TextureCache::instance().get("odd.jpg", "", GL_TEXTURE_2D, false);
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->width, 256);
    ASSERT_EQ(texture->height, 256);
    std::vector<uint8_t> reference = readBytes(imagesDir + "/testorig.rgb");  // 227 x 149
    std::vector<uint8_t> got = texels(*texture);
    int worst = 0;
    for (int y = 0; y < 256; y += 5) {
        for (int x = 0; x < 256; x += 5) {
            int sx = int((227.0f / 256.0f) * float(x));
            int sy = int(float(y) * (149.0f / 256.0f));
            for (int c = 0; c < 3; ++c) {
                int want = reference[size_t(sy * 227 + sx) * 3 + size_t(c)];
                worst = std::max(worst, std::abs(want - int(got[size_t(y * 256 + x) * 4 + size_t(c)])));
            }
        }
    }
    EXPECT_LE(worst, 2);
}

TEST_F(TextureFiles, MipmappedTexturesGetAFullChain) {
    std::vector<uint8_t> pixels(16 * 16 * 4, 77);
    ASSERT_TRUE(writePng(dir + "/mip.png", 16, 16, 4, pixels.data()));
    Texture* texture = TextureCache::instance().get("mip.png", "", GL_TEXTURE_2D, true);
    ASSERT_NE(texture, nullptr);
    texture->bind();
    GLint lastWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &lastWidth);
    EXPECT_EQ(lastWidth, 1);
    EXPECT_EQ(texels(*texture, 4)[0], 77);
}

// S3TC decoders may round the 1/3 and 2/3 palette points differently by a few units.
void expectCloseTo(const std::vector<uint8_t>& got, const uint8_t* reference, size_t bytes) {
    ASSERT_GE(got.size(), bytes);
    int worst = 0;
    for (size_t i = 0; i < bytes; ++i) worst = std::max(worst, std::abs(int(got[i]) - int(reference[i])));
    EXPECT_LE(worst, 4);
}

TEST_F(TextureFiles, DxtFilesUploadEveryStoredLevel) {
    if (!haveFixtures()) GTEST_SKIP() << "no image fixtures";
    for (const char* base : {"nvtt_dxt1_64", "nvtt_dxt3_64", "nvtt_dxt5_64"}) {
        SCOPED_TRACE(base);
        copyFixture(std::string(base) + ".dds", std::string(base) + ".dds");
        Texture* texture = TextureCache::instance().get(std::string(base) + ".dds", "", GL_TEXTURE_2D, true);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->width, 64);
        std::vector<uint8_t> levels = readBytes(imagesDir + "/" + base + ".mips.rgba");
        size_t offset = 0;
        for (int level = 0, side = 64; level < 7; ++level, side /= 2) {
            SCOPED_TRACE(level);
            size_t bytes = size_t(side) * size_t(side) * 4;
            expectCloseTo(texels(*texture, level), levels.data() + offset, bytes);
            offset += bytes;
        }
    }
    // The one DXT1 texel of index 3 in a three-colour block is transparent black.
    Texture* dxt1 = TextureCache::instance().get("nvtt_dxt1_64.dds", "", GL_TEXTURE_2D, true);
    std::vector<uint8_t> top = texels(*dxt1);
    EXPECT_EQ(top[size_t(32 * 64 + 7) * 4 + 3], 0);
    for (const char* base : {"dxt1-rgb-4bbp-noalpha_MipMaps-1", "dxt3-argb-8bbp-explicitalpha_MipMaps-1",
                             "dxt5-argb-8bbp-interpolatedalpha_MipMaps-1"}) {
        SCOPED_TRACE(base);
        copyFixture(std::string(base) + ".dds", std::string(base) + ".dds");
        Texture* texture = TextureCache::instance().get(std::string(base) + ".dds", "", GL_TEXTURE_2D, false);
        ASSERT_NE(texture, nullptr);
        std::vector<uint8_t> reference = readBytes(imagesDir + "/" + base + ".rgba");
        expectCloseTo(texels(*texture), reference.data(), reference.size());
    }
}

TEST_F(TextureFiles, ChainLongerThanItsDataOrSidesStopsWithoutError) {
    if (!haveFixtures()) GTEST_SKIP() << "no image fixtures";
    std::vector<uint8_t> file = readBytes(imagesDir + "/nvtt_dxt5_64.dds");
    uint32_t count = 40;
    std::memcpy(file.data() + 4 + 24, &count, 4);
    std::ofstream(dir + "/long.dds", std::ios::binary).write(reinterpret_cast<char*>(file.data()), std::streamsize(file.size()));
    file.resize(file.size() - 1000);  // loses levels 1 to 6
    std::ofstream(dir + "/cut.dds", std::ios::binary).write(reinterpret_cast<char*>(file.data()), std::streamsize(file.size()));
    for (const char* name : {"long.dds", "cut.dds"}) {
        SCOPED_TRACE(name);
        Texture* texture = TextureCache::instance().get(name, "", GL_TEXTURE_2D, true);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        GLint maxLevel = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
        EXPECT_EQ(maxLevel, std::string(name) == "long.dds" ? 6 : 0);
    }
}

TEST_F(TextureFiles, OtherKindsFromFilesAreReportedAndKeptWithoutGLObject) {
    std::vector<uint8_t> pixels(4 * 4 * 3, 1);
    ASSERT_TRUE(writePng(dir + "/cube.png", 4, 4, 3, pixels.data()));
    testing::internal::CaptureStderr();
    Texture* texture = TextureCache::instance().get("cube.png", "", GL_TEXTURE_CUBE_MAP, false);
    std::string output = testing::internal::GetCapturedStderr();
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->name(), 0u);
    EXPECT_NE(output.find(" generateTexture1D is not implemented"), std::string::npos);
}

TEST_F(TextureFiles, UnusablePictureLayoutsAreFatalAtUpload) {
    if (!haveFixtures()) GTEST_SKIP() << "no image fixtures";
    copyFixture("basn3p08.png", "palette.png");
    EXPECT_EXIT(TextureCache::instance().get("palette.png", "", GL_TEXTURE_2D, false), testing::ExitedWithCode(1),
                "resources/ImageLibrary.cpp:[0-9]+ Image has unsupported bit depth");
}

TEST(BlankTextures, TwoDimensionalRoundsFromEightAndMarksTheRequestedCorner) {
    testgl::context();
    Texture* texture = TextureCache::instance().getBlank("blank_100x50", 100, 50, GL_TEXTURE_2D, GL_RGBA);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 128);
    EXPECT_EQ(texture->height, 64);
    std::vector<uint8_t> got = texels(*texture);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            uint8_t want = (x < 100 && y < 50) ? 127 : 0;
            ASSERT_EQ(got[size_t(y * 128 + x) * 4], want) << x << "," << y;
            ASSERT_EQ(got[size_t(y * 128 + x) * 4 + 3], want) << x << "," << y;
        }
    }
    Texture* small = TextureCache::instance().getBlank("blank_4x4", 4, 4, GL_TEXTURE_2D, GL_RGBA);
    EXPECT_EQ(small->width, 8);
    EXPECT_EQ(small->height, 8);
    // An exact power of two holds zeros only.
    Texture* exact = TextureCache::instance().getBlank("blank_16x16", 16, 16, GL_TEXTURE_2D, GL_RGBA);
    std::vector<uint8_t> zeros = texels(*exact);
    EXPECT_EQ(std::count(zeros.begin(), zeros.end(), 0), 16 * 16 * 4);
    EXPECT_EQ(TextureCache::instance().getBlank("blank_100x50", 1, 1, GL_TEXTURE_2D, GL_RGB), texture);
}

TEST(BlankTextures, CubeMapsAndDepthTexturesAreSquaresOfTheWidth) {
    testgl::context();
    Texture* cube = TextureCache::instance().getBlank("blank_cube", 32, 8, GL_TEXTURE_CUBE_MAP, GL_RGBA);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->height, 32);
    cube->bind();
    GLint wrapR = 0, faceWidth = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &wrapR);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, GL_TEXTURE_WIDTH, &faceWidth);
    EXPECT_EQ(wrapR, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(faceWidth, 32);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));

    Texture* depth = TextureCache::instance().getBlank("blank_depth", 48, 16, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT);
    ASSERT_NE(depth, nullptr);
    depth->bind();
    GLint depthBits = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_DEPTH_SIZE, &depthBits);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_GT(depthBits, 0);
    EXPECT_EQ(height, 48);
    EXPECT_EQ(TextureCache::instance().getBlank("blank_other", 8, 8, GL_TEXTURE_3D, GL_RGBA), nullptr);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(BlankTexturesDeathTest, LargerThanTheGLLimitIsFatal) {
    testgl::context();
    EXPECT_EXIT(TextureCache::instance().getBlank("blank_huge", 1 << 20, 8, GL_TEXTURE_2D, GL_RGBA),
                testing::ExitedWithCode(1), "resources/Texture.cpp:[0-9]+ Texture: dimensions too large");
}

TEST(CacheEntries, AddStoresCountsOrRefuses) {
    TextureCache& cache = TextureCache::instance();
    auto* first = new Texture(GL_TEXTURE_2D, GL_RGBA, false);
    Texture second(GL_TEXTURE_2D, GL_RGBA, false);
    EXPECT_EQ(cache.add("added", nullptr), 1);
    EXPECT_EQ(cache.add("added", first), 0);
    EXPECT_EQ(cache.referenceCount("added"), 1);
    EXPECT_EQ(cache.add("added", first), 0);
    EXPECT_EQ(cache.referenceCount("added"), 2);
    EXPECT_EQ(cache.add("added", &second), 1);
    EXPECT_EQ(cache.get("added", "", GL_TEXTURE_2D, false), first);
}

TEST(TextureTools, ClearNoiseAndUploadReplaceTheWholeTexture) {
    testgl::context();
    Texture* texture = TextureCache::instance().getBlank("tools", 16, 8, GL_TEXTURE_2D, GL_RGBA);
    ASSERT_NE(texture, nullptr);
    TextureTools::noise(texture);
    std::vector<uint8_t> noisy = texels(*texture);
    std::set<uint8_t> values;
    for (size_t i = 0; i < noisy.size(); i += 4) {
        EXPECT_TRUE(noisy[i] == noisy[i + 1] && noisy[i] == noisy[i + 2] && noisy[i] == noisy[i + 3]);
        values.insert(noisy[i]);
    }
    EXPECT_GT(values.size(), 32u);
    TextureTools::clear(texture);
    std::vector<uint8_t> cleared = texels(*texture);
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), 0), 16 * 8 * 4);
    std::vector<uint8_t> lines(16 * 8 * 4);
    for (size_t i = 0; i < lines.size(); ++i) lines[i] = uint8_t(i / (16 * 4) % 2 ? 0xFF : 0);
    TextureTools::upload(texture, lines.data());
    EXPECT_EQ(texels(*texture), lines);
}

TEST(TextureToolsDeathTest, NullTextureIsIllegal) {
    EXPECT_EXIT(TextureTools::clear(nullptr), testing::ExitedWithCode(1), "resources/TextureTools.cpp:[0-9]+ Illegal texture");
    EXPECT_EXIT(TextureTools::noise(nullptr), testing::ExitedWithCode(1), "resources/TextureTools.cpp:[0-9]+ Illegal texture");
}

}  // namespace
