#pragma once
// The data pack: every data file of the demo (script, pictures, scenes, shaders) by its
// data path, such as "data/scripts/cvdemo.script".
//
// Plain mode (the default) reads files from disk, optionally under a base directory.
// Pack mode (usePack, entered once by the launcher) reads entries of a password-protected
// RAR 2.x archive; there is no fall-back to plain files. Pack names match without regard to
// case, and "/" and "\" are interchangeable (both count as "_"). A file is decoded whole
// into memory; the loader then reads it like a file and closes it. Open failures are
// silent: the caller reports in its own words.
//
// The pack's block directory is read once and kept (read again if the file changes on disk);
// in a solid pack, entries opened in archive order continue one decoding stream, so loading
// every entry costs about one pass over the pack. Single-threaded, like all loading.
#include <cstddef>
#include <cstdint>
#include <string>

struct PackFile {
    uint32_t size = 0;       // bytes in data
    uint32_t position = 0;   // read position for DataPack::read
    uint8_t* data = nullptr; // the whole decoded file, owned
    bool ok = false;         // the open succeeded
};

namespace DataPack {
// Switches to pack mode for all later opens; nothing is opened yet. The password is kept
// in a private copy of at most 251 characters.
void usePack(const char* packName, const char* password);
// Plain mode with data paths resolved under directory (empty: the working directory).
void usePlainDirectory(const char* directory);
bool inPackMode();
// Called with the data name and file path of every plain file opened from here on (null: no one), so
// that watch mode learns which files the demo reads.
void setPlainOpenObserver(void (*observer)(const char* dataName, const std::string& path));

// Returns a new handle, or null when the file or entry cannot be read.
PackFile* open(const char* name);
// Fills a handle the caller owns; false (and ok false) on failure.
bool open(const char* name, PackFile& file);
// Copies whole elements from the read position; returns how many.
size_t read(void* destination, size_t elementSize, size_t count, PackFile* file);
// Frees the data, clears ok and deletes the handle.
void close(PackFile* file);
// For a handle owned inside another object: frees the data and clears ok.
void release(PackFile& file);
}  // namespace DataPack
