#include "PackCommands.h"

#include "base/RarReader.h"
#include "base/RarWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Names longer than this cannot be found by the engine's pack reader.
constexpr size_t maxUsableName = 259;

bool readWholeFile(const fs::path& path, std::vector<uint8_t>& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || uint64_t(length) > 0xFFFFFFFFu) return false;
    in.seekg(0);
    data.resize(size_t(length));
    return bool(in.read(reinterpret_cast<char*>(data.data()), length)) || length == 0;
}

// The relative path under which an entry may be written, or empty when the name could
// leave the target directory (absolute paths, drive letters, ".." components).
fs::path safeRelativePath(const std::string& name) {
    if (name.empty() || name[0] == '/' || (name.size() >= 2 && name[1] == ':')) return {};
    fs::path result;
    size_t start = 0;
    while (start <= name.size()) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos) slash = name.size();
        const std::string part = name.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return {};
        result /= part;
    }
    return result;
}

// No component of the path below the target directory may be a symbolic link we did not make.
bool noLinksBelow(const fs::path& root, const fs::path& relative) {
    fs::path at = root;
    for (const fs::path& part : relative) {
        at /= part;
        std::error_code error;
        if (fs::is_symlink(fs::symlink_status(at, error))) return false;
    }
    return true;
}

const char* methodName(const RarEntry& entry) {
    if (entry.directory()) return "dir";
    switch (entry.method) {
    case 0x30: return "store";
    case 0x31: return "fastest";
    case 0x32: return "fast";
    case 0x33: return "normal";
    case 0x34: return "good";
    case 0x35: return "best";
    default: return "?";
    }
}
}  // namespace

int createPack(const CreateOptions& options) {
    std::error_code error;
    if (!fs::is_directory(options.directory, error)) {
        std::fprintf(stderr, "lvpack: %s is not a directory\n", options.directory.c_str());
        return 1;
    }
    std::vector<std::pair<std::string, fs::path>> files;
    for (auto it = fs::recursive_directory_iterator(options.directory, error); !error && it != fs::end(it);
         it.increment(error)) {
        if (!it->is_regular_file()) continue;
        const std::string name = fs::relative(it->path(), options.directory).generic_string();
        if (name.size() > maxUsableName) {
            std::fprintf(stderr, "lvpack: name longer than %zu bytes: %s\n", maxUsableName, name.c_str());
            return 1;
        }
        files.emplace_back(name, it->path());
    }
    if (error) {
        std::fprintf(stderr, "lvpack: cannot read %s: %s\n", options.directory.c_str(), error.message().c_str());
        return 1;
    }
    // Sorted by name, so that the archive does not depend on the order the file system lists.
    std::sort(files.begin(), files.end());
    RarWriter writer({options.password, options.solid, options.store});
    for (auto& [name, path] : files) {
        std::vector<uint8_t> data;
        if (!readWholeFile(path, data)) {
            std::fprintf(stderr, "lvpack: cannot read %s (or larger than 4 GiB)\n", path.c_str());
            return 1;
        }
        writer.add(name, std::move(data));
    }
    const std::vector<uint8_t> archive = writer.finish();
    const std::string temporary = options.archive + ".tmp";
    FILE* out = std::fopen(temporary.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "lvpack: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(archive.data(), 1, archive.size(), out) == archive.size();
    if (std::fclose(out) != 0 || !written || std::rename(temporary.c_str(), options.archive.c_str()) != 0) {
        std::fprintf(stderr, "lvpack: cannot write %s\n", options.archive.c_str());
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}

int listPack(const std::string& archive) {
    RarReader reader;
    if (!reader.openFile(archive)) {
        std::fprintf(stderr, "lvpack: %s: not a readable archive\n", archive.c_str());
        return 1;
    }
    std::printf("%s%s, %zu entries\n", archive.c_str(), reader.solid() ? " (solid)" : "", reader.entries().size());
    std::printf("%10s %10s %-7s %-8s %-6s %s\n", "size", "packed", "method", "crc", "flags", "name");
    for (const RarEntry& entry : reader.entries()) {
        std::printf("%10u %10u %-7s %08X %04X v%u%s%s %s\n", entry.unpackedSize, entry.packedSize, methodName(entry),
                    entry.crc, entry.flags, entry.version, entry.encrypted() ? " encrypted" : "",
                    entry.continuesSolid() ? " solid" : "", entry.displayName.c_str());
    }
    return 0;
}

int extractPack(const std::string& archive, const std::string& password, const std::string& directory) {
    RarReader reader;
    if (!reader.openFile(archive)) {
        std::fprintf(stderr, "lvpack: %s: not a readable archive\n", archive.c_str());
        return 1;
    }
    std::error_code error;
    fs::create_directories(directory, error);
    const fs::path root(directory);
    int failures = 0;
    const auto& entries = reader.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const RarEntry& entry = entries[i];
        const fs::path relative = safeRelativePath(entry.displayName);
        if (relative.empty() || !noLinksBelow(root, relative)) {
            std::fprintf(stderr, "lvpack: %s: unsafe name, not extracted\n", entry.displayName.c_str());
            ++failures;
            continue;
        }
        const fs::path target = root / relative;
        if (entry.directory()) {
            fs::create_directories(target, error);
            continue;
        }
        if (!RarReader::sizeIsPlausible(entry)) {
            std::fprintf(stderr, "lvpack: %s: %s\n", entry.displayName.c_str(), RarReader::resultText(RarReader::Result::damaged));
            ++failures;
            continue;
        }
        std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size_t(entry.unpackedSize) + 1]);
        uint32_t size = 0;
        const RarReader::Result result =
            data ? reader.extract(i, password, data.get(), size) : RarReader::Result::damaged;
        if (result != RarReader::Result::ok) {
            // Without a check value in the format, a wrong password shows as damaged data.
            const bool passwordSuspect = entry.encrypted() && (result == RarReader::Result::damaged ||
                                                               result == RarReader::Result::checksumMismatch);
            std::fprintf(stderr, "lvpack: %s: %s\n", entry.displayName.c_str(),
                         passwordSuspect ? "wrong password or damaged data" : RarReader::resultText(result));
            ++failures;
            continue;
        }
        fs::create_directories(target.parent_path(), error);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(reinterpret_cast<const char*>(data.get()), size)) {
            std::fprintf(stderr, "lvpack: cannot write %s\n", target.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
