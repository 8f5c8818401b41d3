#pragma once
// Encodes the synthesised stereo signal as an Ogg Vorbis file through the engine's
// encoder (same samples, same bytes). Called by main.cpp.
#include <string>

#include "StereoBuffer.h"

namespace VorbisWriter {
// quality: libvorbisenc's -0.1 … 1.0 scale. Returns false, with a message on stderr,
// when the encoder refuses the settings or the file cannot be written.
bool write(const std::string& path, const StereoBuffer& signal, int sampleRate, float quality, const std::string& title);
}
