#include "platform/OggEncoder.h"

#include <vorbis/vorbisenc.h>

#include <cstdio>

namespace {

constexpr int streamSerial = 0x4c56;  // fixed: a varying serial would change the file every time

bool writePage(std::FILE* out, const ogg_page& page) {
    return std::fwrite(page.header, 1, size_t(page.header_len), out) == size_t(page.header_len) &&
           std::fwrite(page.body, 1, size_t(page.body_len), out) == size_t(page.body_len);
}

}  // namespace

bool OggEncoder::writeFile(const char* fileName, const float* samples, int64_t frames, int channels, int rate,
                           float quality, const char* title, const char* artist) {
    if (fileName == nullptr || (samples == nullptr && frames > 0) || frames < 0 || channels < 1 || rate < 1) {
        return false;
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    std::FILE* out = std::fopen(fileName, "wb");
    if (out == nullptr) {
        vorbis_info_clear(&info);
        return false;
    }

    vorbis_comment comment;
    vorbis_comment_init(&comment);
    if (title) {
        vorbis_comment_add_tag(&comment, "TITLE", title);
    }
    if (artist) {
        vorbis_comment_add_tag(&comment, "ARTIST", artist);
    }
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block vblock;
    vorbis_block_init(&dsp, &vblock);
    ogg_stream_state oggStream;
    ogg_stream_init(&oggStream, streamSerial);

    bool ok = true;
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&oggStream, &header);
    ogg_stream_packetin(&oggStream, &headerComment);
    ogg_stream_packetin(&oggStream, &headerCode);
    ogg_page page;
    while (ok && ogg_stream_flush(&oggStream, &page) != 0) {
        ok = writePage(out, page);
    }

    constexpr int chunk = 4096;
    int64_t done = 0;
    bool finished = false;
    while (ok && !finished) {
        int count = int(frames - done < chunk ? frames - done : chunk);
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream
            finished = true;
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) {
                for (int c = 0; c < channels; ++c) {
                    buffer[c][i] = samples[(done + i) * channels + c];
                }
            }
            vorbis_analysis_wrote(&dsp, count);
            done += count;
        }
        while (ok && vorbis_analysis_blockout(&dsp, &vblock) == 1) {
            vorbis_analysis(&vblock, nullptr);
            vorbis_bitrate_addblock(&vblock);
            ogg_packet packet;
            while (ok && vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&oggStream, &packet);
                while (ok && ogg_stream_pageout(&oggStream, &page) != 0) {
                    ok = writePage(out, page);
                }
            }
        }
    }
    while (ok && ogg_stream_flush(&oggStream, &page) != 0) {
        ok = writePage(out, page);
    }

    ogg_stream_clear(&oggStream);
    vorbis_block_clear(&vblock);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    ok = std::fclose(out) == 0 && ok;
    return ok;
}
