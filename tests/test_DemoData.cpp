// The demo's data as the build makes it: the pack and the music beside the program, the
// tools that make them (synth, picgen, lvpack, contactsheet), and the program playing it.
// Skipped where the build leaves the data out (-DLUMORA_BUILD_DATA=OFF).
#include <gtest/gtest.h>

#include <png.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/PngWriter.h"
#include "base/lvp.h"
#include "resources/ImageLibrary.h"
#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

const std::string binaryDir = LUMORA_BINARY_DIR;
const std::string packPath = binaryDir + "/data.lvp";
const std::string musicPath = binaryDir + "/lv_cv05-02.ogg";
const std::string stageDir = binaryDir + "/data-stage";
const std::string synthTool = binaryDir + "/tools/synth/synth";
const std::string picgenTool = binaryDir + "/tools/picgen/picgen";
const std::string sheetTool = binaryDir + "/tools/contactsheet/contactsheet";
const std::string lvpackTool = binaryDir + "/lvpack";
const std::string letteringSource = std::string(LUMORA_SOURCE_DIR) + "/data/pictures/lettering.txt";
// The same font the data build finds (data/CMakeLists.txt looks only there).
const std::string letteringFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const std::string headlessEnvironment[] = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool sameBytes(const std::string& a, const std::string& b) {
    const std::string left = readFile(a);
    return !left.empty() && left == readFile(b);
}

std::string scriptFromPack() {
    DataPack::usePack(packPath.c_str(), "tiger19");
    std::string text;
    if (PackFile* file = DataPack::open("data/scripts/cvdemo.script")) {
        text.assign(reinterpret_cast<const char*>(file->data), file->size);
        DataPack::close(file);
    }
    DataPack::usePlainDirectory("");
    return text;
}

// Every picture the script names in quotes.
std::set<std::string> picturesNamedIn(const std::string& script) {
    std::set<std::string> names;
    const std::regex quoted("\"(data/images/[^\"]+)\"");
    for (auto it = std::sregex_iterator(script.begin(), script.end(), quoted); it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str());
    }
    return names;
}

// A number after "key": in the timeline dump.
long jsonNumber(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::strtol(json.c_str() + at + key.size() + 3, nullptr, 10);
}

std::vector<std::string> filesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

Rgb readRgb(const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Rgb result;
    if (png_image_begin_read_from_file(&image, path.c_str())) {
        image.format = PNG_FORMAT_RGB;
        result.pixels.resize(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, result.pixels.data(), 0, nullptr)) {
            result.width = int(image.width);
            result.height = int(image.height);
        }
    }
    return result;
}

std::vector<uint8_t> readRgba(const std::string& path, int& width, int& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> pixels;
    width = height = 0;
    if (png_image_begin_read_from_file(&image, path.c_str())) {
        image.format = PNG_FORMAT_RGBA;
        pixels.resize(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
            width = int(image.width);
            height = int(image.height);
        }
    }
    return pixels;
}

uint32_t little32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | uint8_t(bytes[offset + size_t(i)]);
    }
    return value;
}

class DemoData : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(packPath) || !fs::exists(musicPath)) {
            GTEST_SKIP() << "the demo data is not built here (LUMORA_BUILD_DATA=OFF)";
        }
        scratch = makeTempDirectory("demodata");
        ASSERT_FALSE(scratch.empty());
    }
    void TearDown() override {
        if (!scratch.empty()) {
            fs::remove_all(scratch);
        }
    }
    std::string scratch;
};

}  // namespace

TEST_F(DemoData, PackHoldsTheScriptTheLoadingPictureAndEveryPictureTheScriptNames) {
    const std::string script = scriptFromPack();
    ASSERT_FALSE(script.empty()) << "data/scripts/cvdemo.script is not in the pack";
    std::set<std::string> pictures = picturesNamedIn(script);
    EXPECT_GE(pictures.size(), 10u);
    pictures.insert("data/images/loading1024.jpg");

    DataPack::usePack(packPath.c_str(), "tiger19");
    std::set<uint32_t> compressedFormats;
    for (const std::string& name : pictures) {
        SCOPED_TRACE(name);
        std::unique_ptr<ImageData> image = ImageLibrary::load(name.c_str(), "");
        ASSERT_TRUE(image) << "missing or undecodable in the pack";
        // Power-of-two sides upload without resampling; widths never above heights keep
        // the texture cache from stretching them.
        EXPECT_EQ(image->width & (image->width - 1), 0u);
        EXPECT_EQ(image->height & (image->height - 1), 0u);
        if (image->compressedFormat != 0) {
            compressedFormats.insert(image->compressedFormat);
            EXPECT_EQ(image->width, image->height);
            EXPECT_GT(image->mipmapCount, 1u) << "DDS pictures carry their mipmap chain";
        } else if (name.ends_with(".png")) {
            EXPECT_EQ(image->bitsPerPixel, 32u) << "overlays need their alpha";
        }
        if (name.ends_with("loading1024.jpg")) {
            EXPECT_EQ(image->width, 1024u);
            EXPECT_EQ(image->height, 1024u);
            EXPECT_EQ(image->bitsPerPixel, 24u);
        }
    }
    DataPack::usePlainDirectory("");
    EXPECT_EQ(compressedFormats, (std::set<uint32_t>{0x83F1u, 0x83F3u})) << "one DXT1 and one DXT5 picture at least";
}

TEST_F(DemoData, EveryStagedPictureIsUsedAndLetteringStaysInsideItsPicture) {
    const std::set<std::string> named = picturesNamedIn(scriptFromPack());
    for (const std::string& file : filesIn(stageDir + "/data/images")) {
        SCOPED_TRACE(file);
        if (file != "loading1024.jpg") {
            EXPECT_EQ(named.count("data/images/" + file), 1u) << "in the pack but not in the script";
        }
        if (!file.ends_with(".png")) {
            continue;
        }
        // Overlays are drawn over the whole screen: a lit border pixel would show as a
        // cut edge, and for lettering means the text ran out of its picture.
        int width = 0, height = 0;
        const std::vector<uint8_t> rgba = readRgba(stageDir + "/data/images/" + file, width, height);
        ASSERT_GT(width, 0);
        int litBorder = 0;
        for (int x = 0; x < width; ++x) {
            litBorder += rgba[size_t(x) * 4 + 3] > 8 ? 1 : 0;
            litBorder += rgba[(size_t(height - 1) * size_t(width) + size_t(x)) * 4 + 3] > 8 ? 1 : 0;
        }
        for (int y = 0; y < height; ++y) {
            litBorder += rgba[size_t(y) * size_t(width) * 4 + 3] > 8 ? 1 : 0;
            litBorder += rgba[(size_t(y) * size_t(width) + size_t(width - 1)) * 4 + 3] > 8 ? 1 : 0;
        }
        if (file != "stars.png") {  // the star field tiles: its stars may cross the border
            EXPECT_EQ(litBorder, 0);
        }
    }
}

TEST_F(DemoData, DdsPicturesHoldAWholeMipmapChainDownToOnePixel) {
    int dxt1 = 0, dxt5 = 0;
    for (const std::string& file : filesIn(stageDir + "/data/images")) {
        if (!file.ends_with(".dds")) {
            continue;
        }
        SCOPED_TRACE(file);
        const std::string bytes = readFile(stageDir + "/data/images/" + file);
        ASSERT_GE(bytes.size(), 128u);
        ASSERT_EQ(bytes.substr(0, 4), "DDS ");
        const uint32_t side = little32(bytes, 16), levels = little32(bytes, 28), linearSize = little32(bytes, 20);
        const std::string code = bytes.substr(84, 4);
        ASSERT_TRUE(code == "DXT1" || code == "DXT5") << code;
        (code == "DXT1" ? dxt1 : dxt5)++;
        EXPECT_EQ(little32(bytes, 12), side);
        ASSERT_TRUE(side >= 4 && (side & (side - 1)) == 0);
        EXPECT_EQ(levels, uint32_t(std::log2(side)) + 1);
        // The engine steps through the levels by this arithmetic: the file must match it.
        const size_t blockBytes = code == "DXT1" ? 8 : 16;
        size_t total = 0;
        for (uint32_t level = 0, w = side; level < levels; ++level, w = std::max(1u, w / 2)) {
            const size_t size = size_t((w + 3) / 4) * size_t((w + 3) / 4) * blockBytes;
            if (level == 0) {
                EXPECT_EQ(linearSize, size);
            }
            total += size;
        }
        EXPECT_EQ(bytes.size(), 128 + total);
        EXPECT_LE(total, 2u * linearSize) << "the reader takes at most twice the top level";
    }
    EXPECT_GE(dxt1, 1);
    EXPECT_GE(dxt5, 1);
}

TEST_F(DemoData, EveryImageEffectSetsItsBlending) {
    const ProgramResult result = runProgram(LUMORA_EXECUTABLE, {"--dump-timeline"},
                                            {headlessEnvironment[0], headlessEnvironment[1]});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Untouched, the blend choices resolve to zero for both factors: the picture would
    // be drawn black over everything.
    const std::string& json = result.out;
    int images = 0;
    for (size_t at = json.find("\"type\":\"Image\""); at != std::string::npos;
         at = json.find("\"type\":\"Image\"", at + 1)) {
        ++images;
        const size_t blend = json.find("\"name\":\"BlendSrc\"", at);
        ASSERT_NE(blend, std::string::npos);
        const size_t current = json.find("\"current\":", blend);
        const size_t keys = json.find("\"keys\":[", blend);
        ASSERT_TRUE(current != std::string::npos && keys != std::string::npos);
        const long value = std::strtol(json.c_str() + current + 10, nullptr, 10);
        const bool keyed = json[keys + 8] != ']';
        EXPECT_TRUE(keyed || value >= 10) << "Image effect " << images << " keeps the default blending";
    }
    EXPECT_GE(images, 5);
}

TEST_F(DemoData, PackIsEncryptedAndOpensOnlyWithTheDemosPassword) {
    DataPack::usePack(packPath.c_str(), "not the password");
    PackFile* file = DataPack::open("data/scripts/cvdemo.script");
    EXPECT_EQ(file, nullptr);
    if (file) {
        DataPack::close(file);
    }
    DataPack::usePlainDirectory("");
    EXPECT_EQ(readFile(packPath).find("DEMO_END"), std::string::npos) << "the script is readable in the raw pack";
}

TEST_F(DemoData, MusicOutlastsTheDemoAndHitsOnTheScriptsBeat) {
    const ProgramResult dump = runProgram(LUMORA_EXECUTABLE, {"--dump-timeline"},
                                          {headlessEnvironment[0], headlessEnvironment[1]});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    const long beat = jsonNumber(dump.out, "beatLength");
    const long demoEnd = jsonNumber(dump.out, "demoEnd");
    ASSERT_GT(beat, 0);

    OggVorbis_File vorbis;
    ASSERT_EQ(ov_fopen(musicPath.c_str(), &vorbis), 0);
    const vorbis_info* info = ov_info(&vorbis, -1);
    EXPECT_EQ(info->channels, 2);
    EXPECT_EQ(info->rate, 44100);
    EXPECT_GE(ov_time_total(&vorbis, -1) * 1000.0, double(demoEnd));
    std::vector<float> mono;
    float** pcm = nullptr;
    int section = 0;
    for (long n; (n = ov_read_float(&vorbis, &pcm, 4096, &section)) > 0;) {
        for (long i = 0; i < n; ++i) {
            mono.push_back(0.5f * (pcm[0][i] + pcm[1][i]));
        }
    }
    ov_clear(&vorbis);

    // Where the four-on-the-floor drums play, the 30 ms after each beat must carry far more
    // energy than the 30 ms half a beat later: the beat is clear and on the grid.
    const size_t beatFrames = size_t(beat) * 44100 / 1000;
    const size_t window = 44100 * 30 / 1000;
    auto energy = [&mono, window](size_t start) {
        double sum = 0.0;
        for (size_t i = start; i < start + window && i < mono.size(); ++i) {
            sum += double(mono[i]) * double(mono[i]);
        }
        return sum;
    };
    for (int bar : {8, 12, 16, 20, 24, 30, 40, 44, 47, 60, 64, 68, 72, 76, 82}) {
        double onBeat = 0.0, offBeat = 0.0;
        for (int b = 0; b < 4; ++b) {
            const size_t start = (size_t(bar) * 4 + size_t(b)) * beatFrames;
            onBeat += energy(start);
            offBeat += energy(start + beatFrames / 2);
        }
        EXPECT_GT(onBeat, 3.0 * offBeat) << "bar " << bar;
    }
}

TEST_F(DemoData, MusicBuildsFromAQuietIntroToALoudPeakAndDiesAwayWithoutClipping) {
    OggVorbis_File vorbis;
    ASSERT_EQ(ov_fopen(musicPath.c_str(), &vorbis), 0);
    std::vector<float> mono;
    float peak = 0.0f;
    float** pcm = nullptr;
    int section = 0;
    for (long n; (n = ov_read_float(&vorbis, &pcm, 4096, &section)) > 0;) {
        for (long i = 0; i < n; ++i) {
            mono.push_back(0.5f * (pcm[0][i] + pcm[1][i]));
            peak = std::max({peak, std::fabs(pcm[0][i]), std::fabs(pcm[1][i])});
        }
    }
    ov_clear(&vorbis);
    auto rms = [&mono](double fromSeconds, double toSeconds) {
        const size_t from = size_t(fromSeconds * 44100), to = std::min(mono.size(), size_t(toSeconds * 44100));
        double sum = 0.0;
        for (size_t i = from; i < to; ++i) {
            sum += double(mono[i]) * double(mono[i]);
        }
        return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
    };
    const double intro = rms(0.0, 15.0), peakSection = rms(115.5, 160.0), lastSecond = rms(185.0, 186.0);
    EXPECT_GT(intro, 0.01) << "the intro is not silent";
    EXPECT_GT(peakSection, 2.0 * intro);
    EXPECT_LT(lastSecond, 0.1 * peakSection) << "the piece dies away instead of stopping";
    EXPECT_LT(peak, 1.0f) << "clipped";
}

TEST_F(DemoData, SynthesiserRendersTheSameBytesAsTheBuild) {
    const std::string again = scratch + "/again.ogg";
    const ProgramResult result = runProgram(synthTool, {again});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(sameBytes(again, musicPath));
}

TEST_F(DemoData, PictureGeneratorAndPackWriterRepeatTheBuildByteForByte) {
    const std::string images = scratch + "/stage/data/images";
    fs::create_directories(images);
    const ProgramResult pictures = runProgram(picgenTool, {"--font", letteringFont, "--lettering", letteringSource, "--out", images});
    ASSERT_EQ(pictures.exitCode, 0) << pictures.err;
    const std::string builtImages = stageDir + "/data/images";
    ASSERT_EQ(filesIn(images), filesIn(builtImages));
    for (const std::string& name : filesIn(images)) {
        EXPECT_TRUE(sameBytes(images + "/" + name, builtImages + "/" + name)) << name;
    }

    // The same stage packed again gives the same pack.
    const std::string pack = scratch + "/again.lvp";
    const ProgramResult packed = runProgram(lvpackTool, {"create", pack, "-p", "tiger19", stageDir});
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_TRUE(sameBytes(pack, packPath));
}

TEST_F(DemoData, PictureGeneratorRefusesBadInputWithAMessage) {
    const std::string lettering = scratch + "/lettering.txt";
    struct Case {
        const char* content;
        const char* font;
        const char* expected;
    } cases[] = {
        {"title.png fancy HELLO\n", letteringFont.c_str(), "lettering.txt:1: expected"},
        {"# comment\n../escape.png word HELLO\n", letteringFont.c_str(), "lettering.txt:2: expected"},
        {"title.png word\n", letteringFont.c_str(), "lettering.txt:1: expected"},
        {"title.png word HELLO\n", "/nonexistent/font.ttf", "cannot read the font"},
        {"title.png word HELLO\n", lettering.c_str(), "cannot read the font"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        std::ofstream(lettering) << c.content;
        const ProgramResult result = runProgram(picgenTool, {"--font", c.font, "--lettering", lettering, "--out", scratch});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
    }
    EXPECT_EQ(runProgram(picgenTool, {"--out"}).exitCode, 2);
}

TEST_F(DemoData, HeadlessCaptureRendersTheWholeDemoAsPictures) {
    const std::string frames = scratch + "/frames";
    const ProgramResult result =
        runProgram(LUMORA_EXECUTABLE, {"--headless", "--no-dialog", "--capture", frames, "--fps", "1", "--size", "160x120"},
                   {headlessEnvironment[0], headlessEnvironment[1]});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Beside the frames lies the soundtrack of the section, audio.wav.
    std::vector<std::string> written = filesIn(frames);
    EXPECT_NE(std::find(written.begin(), written.end(), "audio.wav"), written.end());
    std::erase_if(written, [](const std::string& name) { return !name.ends_with(".png"); });
    ASSERT_GE(written.size(), 181u) << "one frame a second for at least three minutes";

    // Frames that are pictures, not a flat colour: a spread of brightness across them.
    size_t pictures = 0;
    for (const std::string& name : written) {
        const Rgb frame = readRgb(frames + "/" + name);
        ASSERT_EQ(frame.width, 160) << name;
        int low = 255, high = 0;
        for (size_t i = 0; i < frame.pixels.size(); i += 3) {
            const int luma = (frame.pixels[i] * 3 + frame.pixels[i + 1] * 6 + frame.pixels[i + 2]) / 10;
            low = std::min(low, luma);
            high = std::max(high, luma);
        }
        pictures += high - low > 40 ? 1 : 0;
    }
    // The fade in, flashes, white-outs and the fade out leave a few flat frames.
    EXPECT_GE(pictures * 10, written.size() * 8) << pictures << " of " << written.size();
}

// The sheet tool is built with everything else, not by the test's own dependencies.
#define SKIP_WITHOUT_SHEET_TOOL()                                                       \
    if (!fs::exists(sheetTool)) {                                                       \
        GTEST_SKIP() << sheetTool << " is not built (cmake --build builds every tool)"; \
    }

TEST(ContactSheet, PicksAFrameEveryNSecondsIntoAGrid) {
    SKIP_WITHOUT_SHEET_TOOL();
    const std::string frames = makeTempDirectory("sheet");
    ASSERT_FALSE(frames.empty());
    // 2 frames a second for 5 seconds; frame i is a flat grey of 20 * i.
    for (int i = 0; i < 10; ++i) {
        std::vector<uint8_t> pixels(64 * 48 * 3, uint8_t(20 * i));
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06d.png", i);
        ASSERT_TRUE(writePng(frames + name, 64, 48, 3, pixels.data()));
    }
    const std::string sheet = frames + "/sheet.png";
    const ProgramResult result = runProgram(sheetTool, {"--every", "2", "--fps", "2", "--columns", "2", "--width", "32", frames, sheet});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // Frames 0, 4 and 8 (0 s, 2 s, 4 s): two columns, two rows, cells of 32 x 24 with 6-pixel gaps.
    const Rgb image = readRgb(sheet);
    ASSERT_EQ(image.width, 6 + 2 * (32 + 6));
    ASSERT_EQ(image.height, 6 + 2 * (24 + 6));
    auto grey = [&image](int x, int y) { return image.pixels[(size_t(y) * size_t(image.width) + size_t(x)) * 3]; };
    EXPECT_EQ(grey(6 + 16, 6 + 4), 0);
    EXPECT_EQ(grey(6 + 38 + 16, 6 + 4), 80);
    EXPECT_EQ(grey(6 + 16, 6 + 30 + 4), 160);
    EXPECT_EQ(grey(6 + 38 + 16, 6 + 30 + 4), 24) << "an empty cell keeps the background";
    fs::remove_all(frames);
}

TEST(ContactSheet, ReportsMissingAndDamagedFrames) {
    SKIP_WITHOUT_SHEET_TOOL();
    const std::string frames = makeTempDirectory("sheet-bad");
    ASSERT_FALSE(frames.empty());
    ProgramResult result = runProgram(sheetTool, {frames, frames + "/sheet.png"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no frames"), std::string::npos) << result.err;

    std::ofstream(frames + "/frame_000000.png") << "\x89PNG\r\n\x1a\n not really";
    result = runProgram(sheetTool, {frames, frames + "/sheet.png"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("frame_000000.png"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(frames + "/sheet.png"));

    EXPECT_EQ(runProgram(sheetTool, {"--every", "0", frames, frames + "/sheet.png"}).exitCode, 2);
    fs::remove_all(frames);
}
