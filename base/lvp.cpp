#include "base/lvp.h"

#include "base/ErrorReport.h"
#include "base/RarCipher.h"
#include "base/RarReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
// Loaders get a few zero bytes past the end of every file, so text parsers may stop at a zero.
constexpr size_t slack = 10;

struct PackState {
    bool packMode = false;
    std::string packName;
    std::string password;
    std::string plainDirectory;
    std::unique_ptr<RarReader> reader;
    struct stat openedStat {};
};

PackState& pack() {
    static PackState state;
    return state;
}

void wipe(std::string& text) {
    std::fill(text.begin(), text.end(), '\0');
    text.clear();
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The reader for the pack, opened anew when the file on disk is not the one read before.
RarReader* packReader() {
    PackState& state = pack();
    struct stat now {};
    if (stat(state.packName.c_str(), &now) != 0) {
        state.reader.reset();
        return nullptr;
    }
    if (state.reader && sameFile(now, state.openedStat)) return state.reader.get();
    state.reader = std::make_unique<RarReader>();
    if (!state.reader->openFile(state.packName)) {
        state.reader.reset();
        return nullptr;
    }
    state.openedStat = now;
    return state.reader.get();
}

uint8_t* allocate(size_t size) {
    auto* data = static_cast<uint8_t*>(std::malloc(size + slack));
    if (data) std::memset(data + size, 0, slack);
    return data;
}

bool openFromPack(const char* name, PackFile& file) {
    RarReader* reader = packReader();
    if (!reader) return false;
    const int index = reader->find(name);
    if (index < 0) return false;
    const RarEntry& entry = reader->entries()[size_t(index)];
    if (!RarReader::sizeIsPlausible(entry)) return false;
    uint8_t* data = allocate(entry.unpackedSize);
    if (!data) return false;
    uint32_t size = 0;
    if (reader->extract(size_t(index), pack().password, data, size) != RarReader::Result::ok) {
        std::free(data);
        return false;
    }
    std::memset(data + size, 0, slack);
    file.data = data;
    file.size = size;
    file.ok = true;
    return true;
}

void (*plainOpenObserver)(const char* dataName, const std::string& path) = nullptr;

bool openPlain(const char* name, PackFile& file) {
    const std::string& directory = pack().plainDirectory;
    const std::string path = directory.empty() ? std::string(name) : directory + "/" + name;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    struct stat info {};
    // A directory opens for reading on Linux but is no file; nor is a length beyond 32 bits.
    if (fstat(fileno(f), &info) != 0 || !S_ISREG(info.st_mode) || uint64_t(info.st_size) > 0xFFFFFFFFu) {
        std::fclose(f);
        return false;
    }
    const size_t length = size_t(info.st_size);
    uint8_t* data = allocate(length);
    if (!data) {
        std::fclose(f);
        return false;
    }
    const size_t got = std::fread(data, 1, length, f);
    std::fclose(f);
    std::memset(data + got, 0, length - got + slack);
    file.data = data;
    file.size = uint32_t(got);
    file.ok = true;
    if (plainOpenObserver) plainOpenObserver(name, path);
    return true;
}
}  // namespace

void DataPack::setPlainOpenObserver(void (*observer)(const char* dataName, const std::string& path)) {
    plainOpenObserver = observer;
}

void DataPack::usePack(const char* packName, const char* password) {
    PackState& state = pack();
    state.packMode = true;
    state.packName = packName ? packName : "";
    wipe(state.password);
    state.password = password ? std::string(password).substr(0, RarCipher::maxPasswordLength) : "";
    state.reader.reset();
}

void DataPack::usePlainDirectory(const char* directory) {
    PackState& state = pack();
    state.packMode = false;
    state.plainDirectory = directory ? directory : "";
    state.reader.reset();
}

bool DataPack::inPackMode() { return pack().packMode; }

bool DataPack::open(const char* name, PackFile& file) {
    file = PackFile{};
    if (!name) return false;
    return pack().packMode ? openFromPack(name, file) : openPlain(name, file);
}

PackFile* DataPack::open(const char* name) {
    PackFile* file = new PackFile;
    if (!open(name, *file)) {
        delete file;
        return nullptr;
    }
    return file;
}

size_t DataPack::read(void* destination, size_t elementSize, size_t count, PackFile* file) {
    checkNotNull(destination, LUMORA_HERE);
    checkNotNull(file, LUMORA_HERE);
    if (elementSize == 0 || file->position > file->size) return 0;
    const size_t whole = std::min<size_t>(count, (file->size - file->position) / elementSize);
    if (whole) std::memcpy(destination, file->data + file->position, whole * elementSize);
    file->position += uint32_t(whole * elementSize);
    return whole;
}

void DataPack::release(PackFile& file) {
    std::free(file.data);
    file.data = nullptr;
    file.ok = false;
}

void DataPack::close(PackFile* file) {
    if (!file) return;
    release(*file);
    delete file;
}
