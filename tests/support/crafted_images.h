// Files that look, more or less, like the start of a PE image: enough for the
// runner's header rule, never loadable.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace crafted {

using Bytes = std::vector<unsigned char>;

constexpr uint16_t kMachineArm64 = 0xAA64;
constexpr size_t kHeaderOffsetField = 0x3C;

inline void PutLittleEndian(Bytes &bytes, size_t offset, uint32_t value, size_t width) {
    for (size_t index = 0; index < width; ++index) {
        bytes[offset + index] = static_cast<unsigned char>(value >> (8 * index));
    }
}

// "MZ", the header offset at 0x3C, and at that offset "PE\0\0" and the machine field
// followed by the rest of a file header.
inline Bytes ImageHeader(uint16_t machine, uint32_t headerOffset = 0x40) {
    Bytes bytes(headerOffset + 24, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutLittleEndian(bytes, kHeaderOffsetField, headerOffset, 4);
    bytes[headerOffset] = 'P';
    bytes[headerOffset + 1] = 'E';
    PutLittleEndian(bytes, headerOffset + 4, machine, 2);
    return bytes;
}

inline Bytes Truncated(Bytes bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

inline Bytes WithHeaderOffset(Bytes bytes, uint32_t headerOffset) {
    PutLittleEndian(bytes, kHeaderOffsetField, headerOffset, 4);
    return bytes;
}

inline Bytes Text(const std::string &text) { return Bytes(text.begin(), text.end()); }

inline void WriteFile(const std::string &path, const Bytes &bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace crafted
