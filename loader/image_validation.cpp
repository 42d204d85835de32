#include "image_validation.h"

namespace loader {
namespace {

constexpr size_t kHeaderOffsetField = 0x3C;
constexpr size_t kSignatureSize = 4;
constexpr size_t kMachineFieldSize = 2;

uint32_t ReadLittleEndian32(const unsigned char *bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

uint16_t ReadLittleEndian16(const unsigned char *bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

constexpr size_t kElfClassOffset = 4;
constexpr size_t kElfDataOffset = 5;
constexpr size_t kElfMachineOffset = 18;
constexpr unsigned char kElfClass32 = 1;
constexpr unsigned char kElfBigEndian = 2;

}  // namespace

uint16_t ReadImageMachine(const unsigned char *bytes, size_t size) {
    if (bytes == nullptr || size < kHeaderOffsetField + 4 || bytes[0] != 'M' || bytes[1] != 'Z') {
        return 0;
    }
    // The offset comes from the file itself: compare it with the room left rather than
    // adding to it, so that no value can wrap around.
    const uint32_t headerOffset = ReadLittleEndian32(bytes + kHeaderOffsetField);
    if (headerOffset > size || size - headerOffset < kSignatureSize + kMachineFieldSize) {
        return 0;
    }
    const unsigned char *header = bytes + headerOffset;
    if (header[0] != 'P' || header[1] != 'E' || header[2] != 0 || header[3] != 0) {
        return 0;
    }
    return ReadLittleEndian16(header + kSignatureSize);
}

LoadFailure ValidateImageBytes(const unsigned char *bytes, size_t size, uint16_t ownMachine) {
    const uint16_t machine = ReadImageMachine(bytes, size);
    if (machine != 0 && machine == ownMachine) {
        return LoadFailure::None;
    }
    if (ownMachine == kMachineX64 && machine == kMachineI386) {
        return LoadFailure::Needs32BitRunner;
    }
    if (ownMachine == kMachineI386 && machine == kMachineX64) {
        return LoadFailure::Needs64BitRunner;
    }
    return LoadFailure::UnknownFormat;
}

LoadFailure ValidateSharedObjectBytes(const unsigned char *bytes, size_t size, unsigned char ownClass,
                                      uint16_t ownMachine) {
    if (bytes == nullptr || size < kElfMachineOffset + 2 || bytes[0] != 0x7F || bytes[1] != 'E' || bytes[2] != 'L' ||
        bytes[3] != 'F') {
        return LoadFailure::UnknownFormat;
    }
    const unsigned char *field = bytes + kElfMachineOffset;
    const uint16_t machine =
        bytes[kElfDataOffset] == kElfBigEndian ? uint16_t(field[0] << 8 | field[1]) : ReadLittleEndian16(field);
    if (bytes[kElfClassOffset] != ownClass) {
        return ownClass == kElfClass32 ? LoadFailure::Needs64BitRunner : LoadFailure::Needs32BitRunner;
    }
    return machine == ownMachine ? LoadFailure::None : LoadFailure::UnknownFormat;
}

}  // namespace loader
