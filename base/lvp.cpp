// Placeholder until the archive reader lands: plain mode only.
#include "base/lvp.h"

#include "base/ErrorReport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
bool packMode = false;
std::string plainDirectory;
}

void DataPack::usePack(const char*, const char*) { packMode = true; }
void DataPack::usePlainDirectory(const char* directory) { packMode = false; plainDirectory = directory ? directory : ""; }
bool DataPack::inPackMode() { return packMode; }

bool DataPack::open(const char* name, PackFile& file) {
    file = PackFile{};
    if (packMode || !name) return false;
    std::string path = plainDirectory.empty() ? std::string(name) : plainDirectory + "/" + name;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    long length = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (length < 0) { std::fclose(f); return false; }
    file.data = static_cast<uint8_t*>(std::malloc(size_t(length) + 10));
    file.size = uint32_t(std::fread(file.data, 1, size_t(length), f));
    std::fclose(f);
    file.ok = true;
    return true;
}

PackFile* DataPack::open(const char* name) {
    PackFile* file = new PackFile;
    if (!open(name, *file)) { delete file; return nullptr; }
    return file;
}

size_t DataPack::read(void* destination, size_t elementSize, size_t count, PackFile* file) {
    checkNotNull(destination, LUMORA_HERE);
    checkNotNull(file, LUMORA_HERE);
    size_t copied = 0;
    while (copied < count && elementSize > 0 && file->size - file->position >= elementSize) {
        std::memcpy(static_cast<uint8_t*>(destination) + copied * elementSize, file->data + file->position, elementSize);
        file->position += uint32_t(elementSize);
        ++copied;
    }
    return copied;
}

void DataPack::release(PackFile& file) { std::free(file.data); file.data = nullptr; file.ok = false; }
void DataPack::close(PackFile* file) { if (file) { release(*file); delete file; } }
