// Picture decoding: real files decode to their reference pixels or are refused, hostile
// headers never read past their data, and the 24->32 conversion and the nearest-neighbour
// scaling keep their exact sampling.
#include "base/lvp.h"
#include "resources/DDSLoader.h"
#include "resources/ImageLibrary.h"
#include "resources/PngDecoder.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string imagesDir = std::string(LUMORA_FIXTURES_DIR) + "/images";

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Reads the fixture folder as plain data files.
class Fixtures : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_directory(imagesDir)) GTEST_SKIP() << "no image fixtures at " << imagesDir;
        DataPack::usePlainDirectory(imagesDir.c_str());
    }
};

// The decoded rows without their padding, for comparison with the packed references.
std::vector<uint8_t> packedRows(const ImageData& image) {
    const size_t rowLength = size_t(image.width) * image.bitsPerPixel / 8;
    std::vector<uint8_t> packed;
    for (uint32_t row = 0; row < image.height; ++row) {
        const uint8_t* start = image.pixels.data() + size_t(row) * image.rowBytes;
        packed.insert(packed.end(), start, start + rowLength);
    }
    return packed;
}

size_t largestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t largest = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        largest = std::max<size_t>(largest, size_t(std::abs(int(a[i]) - int(b[i]))));
    }
    return largest;
}

TEST_F(Fixtures, RgbAndRgbaPngsDecodeToTheirReferencePixels) {
    const char* files[] = {"basn2c08", "basn6a08", "basi2c08", "f00n2c08", "f01n2c08", "f02n2c08",
                           "f03n2c08", "f04n2c08", "z00n2c08", "z09n2c08", "cdfn2c08", "cdhn2c08",
                           "tbrn2c08", "g03n2c08", "bgwn6a08", "im_s05i6a08", "nvtt_src_64"};
    for (const char* base : files) {
        SCOPED_TRACE(base);
        auto image = ImageLibrary::load((std::string(base) + ".png").c_str(), "");
        ASSERT_TRUE(image);
        std::string reference = imagesDir + "/" + base + (image->bitsPerPixel == 32 ? ".rgba" : ".rgb");
        ASSERT_TRUE(std::filesystem::exists(reference)) << "bits " << image->bitsPerPixel;
        EXPECT_EQ(image->compressedFormat, 0u);
        EXPECT_EQ(packedRows(*image), readBytes(reference));
    }
}

TEST_F(Fixtures, PngsOfOtherLayoutsDecodeAsStoredForTheUploadToRefuse) {
    struct Case { const char* file; uint32_t bits; };
    const Case cases[] = {{"basn3p08.png", 8},  {"s01n3p01.png", 1},  {"basn0g08.png", 8},
                          {"basn4a08.png", 16}, {"basn2c16.png", 48}, {"basn6a16.png", 64}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto image = ImageLibrary::load(c.file, "");
        ASSERT_TRUE(image);
        EXPECT_EQ(image->bitsPerPixel, c.bits);
    }
}

TEST_F(Fixtures, CorruptAndTruncatedPngsYieldNone) {
    for (const char* file : {"xs1n0g01.png", "xcrn0g04.png", "xhdn0g08.png", "xc1n0g08.png", "xd0n2c08.png",
                             "xdtn0g01.png", "xcsn0g01.png", "truncated_image.png"}) {
        EXPECT_FALSE(ImageLibrary::load(file, "")) << file;
    }
}

TEST_F(Fixtures, JpegsDecodeToRgbWithRowsPaddedToFourBytes) {
    for (const char* base : {"testorig", "testimgint", "testimgp", "testimggray", "testimgari", "pil_sample_rgb"}) {
        SCOPED_TRACE(base);
        auto image = ImageLibrary::load((std::string(base) + ".jpg").c_str(), "");
        ASSERT_TRUE(image);
        EXPECT_EQ(image->bitsPerPixel, 24u);
        EXPECT_EQ(image->rowBytes % 4, 0u);
        EXPECT_EQ(image->rowBytes, (image->width * 3 + 3) / 4 * 4);
        EXPECT_EQ(image->pixels.size(), size_t(image->rowBytes) * image->height);
        std::vector<uint8_t> reference = readBytes(imagesDir + "/" + base + ".rgb");
        std::vector<uint8_t> decoded = packedRows(*image);
        ASSERT_EQ(decoded.size(), reference.size());
        EXPECT_LE(largestDifference(decoded, reference), 2u);
    }
    // 227 x 3 = 681 bytes: each row carries 3 bytes of padding.
    auto odd = ImageLibrary::load("testorig.jpg", "");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->width, 227u);
    EXPECT_EQ(odd->rowBytes, 684u);
}

TEST_F(Fixtures, FourChannelJpegsPassLibjpegsChannelsThrough) {
    for (const char* base : {"pil_sample_cmyk", "pillow_cmyk_t0"}) {
        SCOPED_TRACE(base);
        auto image = ImageLibrary::load((std::string(base) + ".jpg").c_str(), "");
        ASSERT_TRUE(image);
        EXPECT_EQ(image->bitsPerPixel, 32u);
        std::vector<uint8_t> reference = readBytes(imagesDir + "/" + base + ".libjpeg.cmyk");
        std::vector<uint8_t> decoded = packedRows(*image);
        ASSERT_EQ(decoded.size(), reference.size());
        EXPECT_LE(largestDifference(decoded, reference), 2u);
    }
}

TEST_F(Fixtures, TwelveBitAndTruncatedJpegsYieldNone) {
    EXPECT_FALSE(ImageLibrary::load("testorig12.jpg", ""));
    EXPECT_FALSE(ImageLibrary::load("truncated_jpeg.jpg", ""));
}

TEST_F(Fixtures, DxtFilesKeepTheirBlocksFormatAndMipmapCount) {
    struct Case { const char* file; uint32_t format; uint32_t bits; uint32_t side; uint32_t mipmaps; size_t bytes; };
    const Case cases[] = {
        {"dxt1-rgb-4bbp-noalpha_MipMaps-1.dds", GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 24, 256, 1, 32768},
        {"dxt3-argb-8bbp-explicitalpha_MipMaps-1.dds", GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 32, 256, 0, 65536},
        {"dxt5-argb-8bbp-interpolatedalpha_MipMaps-1.dds", GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 32, 256, 1, 65536},
        // Chains: twice the linear size is asked for, the file holds less.
        {"nvtt_dxt1_64.dds", GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 24, 64, 7, 2872 - 128},
        {"nvtt_dxt3_64.dds", GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 32, 64, 7, 5616 - 128},
        {"nvtt_dxt5_64.dds", GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 32, 64, 7, 5616 - 128},
        // A cube map: the first face's chain fits in twice the linear size.
        {"DXT1_Pretoria_Gardens_DX9.dds", GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 24, 128, 8, 16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto image = ImageLibrary::load(c.file, "");
        ASSERT_TRUE(image);
        EXPECT_EQ(image->compressedFormat, c.format);
        EXPECT_EQ(image->bitsPerPixel, c.bits);
        EXPECT_EQ(image->width, c.side);
        EXPECT_EQ(image->height, c.side);
        EXPECT_EQ(image->mipmapCount, c.mipmaps);
        EXPECT_EQ(image->pixels.size(), c.bytes);
        std::vector<uint8_t> file = readBytes(imagesDir + "/" + c.file);
        EXPECT_EQ(0, std::memcmp(image->pixels.data(), file.data() + 128, c.bytes));
    }
}

TEST_F(Fixtures, DdsFilesWithOtherCodesYieldNone) {
    for (const char* file : {"ati2.dds", "bc1.dds", "derived_dxt2_64.dds", "hopper.dds"}) {
        EXPECT_FALSE(ImageLibrary::load(file, "")) << file;
    }
}

TEST_F(Fixtures, NonSquareDdsFilesAreFatal) {
    const char* expected = "resources/DDSLoader.cpp:[0-9]+ Non-square compressed images not supported";
    EXPECT_EXIT(ImageLibrary::load("DX9_BC1_UNORM.dds", ""), testing::ExitedWithCode(1), expected);
    EXPECT_EXIT(ImageLibrary::load("dxt4.dds", ""), testing::ExitedWithCode(1), expected);
}

TEST_F(Fixtures, DecoderIsChosenByExactlyLowerOrUpperCaseEnding) {
    const std::string dir = testing::TempDir() + "lumora_image_names";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(imagesDir + "/basn2c08.png", dir + "/upper.PNG",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(imagesDir + "/basn2c08.png", dir + "/mixed.Png",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(imagesDir + "/testorig.jpg", dir + "/mixed.Jpg",
                               std::filesystem::copy_options::overwrite_existing);
    DataPack::usePlainDirectory(dir.c_str());
    EXPECT_TRUE(ImageLibrary::load("upper.PNG", ""));
    EXPECT_FALSE(ImageLibrary::load("mixed.Png", ""));
    EXPECT_FALSE(ImageLibrary::load("mixed.Jpg", ""));
    EXPECT_FALSE(ImageLibrary::load("missing.png", ""));
    // The prefix is joined with no separator of its own.
    DataPack::usePlainDirectory("");
    EXPECT_TRUE(ImageLibrary::load("per.PNG", (dir + "/up").c_str()));
}

// DDS headers made to lie; data follows the 128 header bytes.
std::vector<uint8_t> ddsFile(uint32_t side, uint32_t linearSize, uint32_t mipmaps, const char* code, size_t dataBytes) {
    std::vector<uint8_t> file(128 + dataBytes, 0xAB);
    std::memset(file.data(), 0, 128);
    std::memcpy(file.data(), "DDS ", 4);
    auto put = [&](size_t at, uint32_t value) { std::memcpy(file.data() + at, &value, 4); };
    put(4, 124);
    put(4 + 8, side);
    put(4 + 12, side);
    put(4 + 16, linearSize);
    put(4 + 24, mipmaps);
    std::memcpy(file.data() + 4 + 80, code, 4);
    return file;
}

DDSLoader::Outcome decodeBytes(std::vector<uint8_t>& bytes, std::unique_ptr<ImageData>& image) {
    PackFile file;
    file.data = bytes.data();
    file.size = uint32_t(bytes.size());
    file.ok = true;
    return DDSLoader::decode(file, image);
}

TEST(DdsHeaders, SizesAreHeldToTheDataTheFileHolds) {
    std::unique_ptr<ImageData> image;
    // A 256 x 256 chain announces 131072 bytes; a file holding all of them gives all.
    auto full = ddsFile(256, 65536, 9, "DXT5", 131072 + 100);
    ASSERT_EQ(decodeBytes(full, image), DDSLoader::Outcome::Decoded);
    EXPECT_EQ(image->pixels.size(), 131072u);
    // A linear size of 4 GiB - 1 allocates no more than the file holds.
    auto huge = ddsFile(64, 0xFFFFFFFFu, 7, "DXT1", 3000);
    ASSERT_EQ(decodeBytes(huge, image), DDSLoader::Outcome::Decoded);
    EXPECT_EQ(image->pixels.size(), 3000u);
    // Data that cannot hold the top level, a side of 0 or beyond any texture: none.
    auto shortData = ddsFile(64, 2048, 1, "DXT1", 2047);
    EXPECT_EQ(decodeBytes(shortData, image), DDSLoader::Outcome::Refused);
    EXPECT_FALSE(image);
    auto empty = ddsFile(0, 0, 0, "DXT1", 16);
    EXPECT_EQ(decodeBytes(empty, image), DDSLoader::Outcome::Refused);
    auto giant = ddsFile(1u << 20, 1u << 30, 1, "DXT1", 64);
    EXPECT_EQ(decodeBytes(giant, image), DDSLoader::Outcome::Refused);
    // A header cut short.
    std::vector<uint8_t> cut(full.begin(), full.begin() + 60);
    EXPECT_EQ(decodeBytes(cut, image), DDSLoader::Outcome::Refused);
}

TEST(Conversion, RgbBecomesOpaqueRgba) {
    ImageData image;
    image.width = 2;
    image.height = 2;
    image.bitsPerPixel = 24;
    image.rowBytes = 6;
    image.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ImageLibrary::convertTo32(image);
    EXPECT_EQ(image.bitsPerPixel, 32u);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255}));
}

TEST(Conversion, PaddedRowsLoseTheirPadding) {
    ImageData image;
    image.width = 1;
    image.height = 2;
    image.bitsPerPixel = 24;
    image.rowBytes = 4;
    image.pixels = {1, 2, 3, 99, 4, 5, 6, 99};
    ImageLibrary::convertTo32(image);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
    EXPECT_EQ(image.rowBytes, 4u);
}

TEST(ConversionDeathTest, OtherDepthsAreFatal) {
    ImageData grey;
    grey.width = grey.height = 1;
    grey.bitsPerPixel = 8;
    grey.pixels = {7};
    EXPECT_EXIT(ImageLibrary::convertTo32(grey), testing::ExitedWithCode(1),
                "resources/ImageLibrary.cpp:[0-9]+ Image has unsupported bit depth");
}

TEST(Scaling, NearestNeighbourUsesTruncatedSinglePrecisionRatios) {
    ImageData row;
    row.width = 3;
    row.height = 1;
    row.bitsPerPixel = 8;
    row.rowBytes = 3;
    row.pixels = {10, 20, 30};
    ASSERT_EQ(ImageLibrary::scale(4, 1, &row), 0);
    EXPECT_EQ(row.pixels, (std::vector<uint8_t>{10, 10, 20, 30}));
    EXPECT_EQ(row.width, 4u);

    // Rows are chosen the same way; padded source rows are read by their stride; shrinking
    // skips pixels.
    ImageData column;
    column.width = 1;
    column.height = 3;
    column.bitsPerPixel = 24;
    column.rowBytes = 4;
    column.pixels = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0};
    ASSERT_EQ(ImageLibrary::scale(2, 4, &column), 0);
    EXPECT_EQ(column.pixels, (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                   2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(column.rowBytes, 6u);
    ASSERT_EQ(ImageLibrary::scale(1, 2, &column), 0);
    EXPECT_EQ(column.pixels, (std::vector<uint8_t>{1, 1, 1, 2, 2, 2}));
}

TEST(Scaling, NoImageIsReportedAndRefused) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ImageLibrary::scale(4, 4, nullptr), 1);
    std::string output = testing::internal::GetCapturedStderr();
    EXPECT_NE(output.find("resources/ImageLibrary.cpp:"), std::string::npos);
    EXPECT_NE(output.find(" no image to scale"), std::string::npos);
}

}  // namespace

namespace {

TEST(PngChunks, ChunkClaimingGigabytesIsRefusedWithoutBufferingIt) {
    // A 1 x 1 palette picture whose suggested-palette chunk claims 1.5 GiB.
    const char bytes[] =
        "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x01\x03\x00\x00\x00\x25\xdb\x56\xca"
        "\x00\x00\x00\x04gAMA\x00\x01\x86\xa0\x31\xe8\x96\x00\x5f\x00\x00\x03sPLTE\x00\x00\xff\x8a\x78\xd2\x57";
    std::vector<uint8_t> file(bytes, bytes + sizeof bytes - 1);
    PackFile pack;
    pack.data = file.data();
    pack.size = uint32_t(file.size());
    pack.ok = true;
    EXPECT_FALSE(PngDecoder::decode(pack));
}

}  // namespace
