#include "resources/PngDecoder.h"

#include "resources/ImageLibrary.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

// Far above any text, profile or palette chunk a picture of ours carries.
constexpr png_alloc_size_t maxAncillaryChunkBytes = 8u << 20;

void readFromPack(png_structp png, png_bytep destination, png_size_t length) {
    auto* file = static_cast<PackFile*>(png_get_io_ptr(png));
    if (length == 0) return;
    if (DataPack::read(destination, length, 1, file) != 1) {
        png_error(png, "file ends early");
    }
}

// libpng's default handlers print to stderr; decoding failures are silent here.
void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void quietWarning(png_structp, png_const_charp) {}

// Everything allocated between setjmp and the jump back lives here, so the jump leaks
// nothing: the image is released by the unique_ptr, the structures by the destructor.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::unique_ptr<ImageData> image;
    std::unique_ptr<png_bytep[]> rows;
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// No automatic object with a destructor may live in this frame: libpng leaves it by
// longjmp on any error.
bool readImage(PngReader& reader, PackFile& file) {
    png_structp png = reader.png;
    png_infop info = reader.info;
    ImageData& image = *reader.image;
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, &file, readFromPack);
    png_set_sig_bytes(png, 8);
    const uint32_t limit = ImageLibrary::maxImageSide();
    png_set_user_limits(png, limit, limit);
    // Ancillary chunks (text, profiles, suggested palettes) are buffered whole by libpng,
    // and its length check does not hold every one of them: a lying length became a
    // buffer of gigabytes. No transformation is requested, so none of them is needed:
    // they are skipped unread, and whatever is still buffered stays small.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(png, maxAncillaryChunkBytes);
    png_read_info(png, info);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.bitsPerPixel = uint32_t(png_get_channels(png, info)) * png_get_bit_depth(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    image.rowBytes = uint32_t(rowBytes);
    image.pixels.resize(rowBytes * image.height);
    reader.rows = std::make_unique<png_bytep[]>(image.height);
    for (uint32_t row = 0; row < image.height; ++row) {
        reader.rows[row] = image.pixels.data() + row * rowBytes;
    }
    png_read_image(png, reader.rows.get());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

std::unique_ptr<ImageData> PngDecoder::decode(PackFile& file) {
    png_byte signature[8];
    if (DataPack::read(signature, 8, 1, &file) != 1 || png_sig_cmp(signature, 0, 8) != 0) {
        return nullptr;
    }
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!reader.png) return nullptr;
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info) return nullptr;
    reader.image = std::make_unique<ImageData>();
    if (!readImage(reader, file)) return nullptr;
    return std::move(reader.image);
}

std::unique_ptr<ImageData> PngDecoder::load(const char* path) {
    PackFile file;
    if (!DataPack::open(path, file)) return nullptr;
    std::unique_ptr<ImageData> image;
    if (file.size > 0) image = decode(file);
    DataPack::release(file);
    return image;
}
