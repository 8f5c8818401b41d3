#pragma once
// The reflected CRC-32 (polynomial 0xEDB88320, start 0xFFFFFFFF, final inversion) that
// archive entries carry for their data, and whose table the archive cipher also mixes
// into its key words. Used by the archive reader, writer and cipher.
#include <cstddef>
#include <cstdint>

namespace Crc32 {
// The 256-entry table, built on first use.
const uint32_t* table();
// Continues a running CRC; start with 0, the result is the finished CRC of all bytes so far.
uint32_t update(uint32_t crc, const void* data, size_t size);
inline uint32_t of(const void* data, size_t size) { return update(0, data, size); }
}  // namespace Crc32
