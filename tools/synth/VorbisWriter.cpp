#include "VorbisWriter.h"

#include <vorbis/vorbisenc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int streamSerial = 0x4c56;  // fixed: a random serial would change every build
constexpr size_t blockFrames = 1024;

bool writePage(std::FILE* file, const ogg_page& page) {
    return std::fwrite(page.header, 1, size_t(page.header_len), file) == size_t(page.header_len) &&
           std::fwrite(page.body, 1, size_t(page.body_len), file) == size_t(page.body_len);
}

}  // namespace

namespace VorbisWriter {

bool write(const std::string& path, const StereoBuffer& signal, int sampleRate, float quality, const std::string& title) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, sampleRate, quality) != 0) {
        std::fprintf(stderr, "synth: the Vorbis encoder refused %d Hz at quality %.2f\n", sampleRate, double(quality));
        vorbis_info_clear(&info);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "synth: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        vorbis_info_clear(&info);
        return false;
    }

    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", title.c_str());
    vorbis_comment_add_tag(&comment, "ARTIST", "Lumora Vesk");

    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_init(&stream, streamSerial);

    bool ok = true;
    ogg_packet identification, commentPacket, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &commentPacket, &codebooks);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &codebooks);
    ogg_page page;
    // The headers end on a page of their own, as players expect.
    while (ok && ogg_stream_flush(&stream, &page) != 0) {
        ok = writePage(file, page);
    }

    size_t position = 0;
    bool ended = false;
    while (ok && !ended) {
        const size_t count = signal.frames() - position < blockFrames ? signal.frames() - position : blockFrames;
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, int(count));
            std::memcpy(buffer[0], signal.left.data() + position, count * sizeof(float));
            std::memcpy(buffer[1], signal.right.data() + position, count * sizeof(float));
            vorbis_analysis_wrote(&dsp, int(count));
            position += count;
        }
        while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (ok && vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ok && ogg_stream_pageout(&stream, &page) != 0) {
                    ok = writePage(file, page);
                    if (ogg_page_eos(&page)) {
                        ended = true;
                    }
                }
            }
        }
        if (count == 0 && !ended) {
            // The encoder has consumed the end marker; whatever is left is flushed below.
            ended = true;
        }
    }
    while (ok && ogg_stream_flush(&stream, &page) != 0) {
        ok = writePage(file, page);
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (std::fclose(file) != 0) {
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr, "synth: writing %s failed\n", path.c_str());
        std::remove(path.c_str());
    }
    return ok;
}

}  // namespace VorbisWriter
