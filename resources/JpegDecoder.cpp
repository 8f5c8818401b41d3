#include "resources/JpegDecoder.h"

#include "resources/ImageLibrary.h"

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>

namespace {

// A progressive file may hold any number of scans; real pictures use about ten. Past this
// the file is taken as hostile rather than decoded for minutes.
constexpr int maxScans = 500;

struct JpegReader {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jumpBack;
    bool created = false;
    std::unique_ptr<ImageData> image;
    ~JpegReader() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

JpegReader& readerOf(j_common_ptr common) {
    return *reinterpret_cast<JpegReader*>(common->client_data);
}

void failDecode(j_common_ptr common) {
    std::longjmp(readerOf(common).jumpBack, 1);
}

// Level -1 is a warning about damaged data (a truncated file among them): refused.
// Trace messages (level >= 0) are ignored.
void judgeMessage(j_common_ptr common, int level) {
    if (level < 0) failDecode(common);
}

void watchScans(j_common_ptr common) {
    auto info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > maxScans) failDecode(common);
}

// No automatic object with a destructor may live in this frame: libjpeg leaves it by
// longjmp on any error.
bool readImage(JpegReader& reader, const uint8_t* bytes, size_t size) {
    jpeg_decompress_struct& info = reader.info;
    ImageData& image = *reader.image;
    if (setjmp(reader.jumpBack)) {
        return false;
    }
    jpeg_create_decompress(&info);
    reader.created = true;
    info.progress = &reader.progress;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);

    const uint32_t limit = ImageLibrary::maxImageSide();
    if (info.image_width > limit || info.image_height > limit) return false;
    switch (info.num_components) {
        case 1: info.out_color_space = JCS_RGB; break;   // grey expanded to three channels
        case 3: info.out_color_space = JCS_RGB; break;
        case 4: info.out_color_space = JCS_CMYK; break;  // passed through as stored
        default: info.out_color_space = JCS_UNKNOWN; break;
    }
    jpeg_start_decompress(&info);

    const uint32_t channels = uint32_t(info.output_components);
    const uint32_t rowBytes = (channels * info.output_width + 3) & ~3u;
    image.width = info.output_width;
    image.height = info.output_height;
    image.bitsPerPixel = 8 * channels;
    image.rowBytes = rowBytes;
    image.pixels.assign(size_t(rowBytes) * info.output_height, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.pixels.data() + size_t(info.output_scanline) * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

std::unique_ptr<ImageData> JpegDecoder::decode(PackFile& file) {
    if (!file.data || file.position >= file.size) return nullptr;
    JpegReader reader;
    reader.info.err = jpeg_std_error(&reader.errors);
    reader.errors.error_exit = failDecode;
    reader.errors.emit_message = judgeMessage;
    reader.progress.progress_monitor = watchScans;
    reader.info.client_data = &reader;
    reader.image = std::make_unique<ImageData>();
    if (!readImage(reader, file.data + file.position, file.size - file.position)) return nullptr;
    return std::move(reader.image);
}

std::unique_ptr<ImageData> JpegDecoder::load(const char* path) {
    PackFile file;
    if (!DataPack::open(path, file)) return nullptr;
    std::unique_ptr<ImageData> image = decode(file);
    DataPack::release(file);
    return image;
}
