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

// A PE image's parts as its file holds them, every offset checked against the bytes.
class PeFile {
public:
    PeFile(const unsigned char *bytes, size_t size) : bytes_(bytes), size_(size) {}

    // The import directory's file offset, or false.
    bool ImportTable(size_t &offset) {
        if (ReadImageMachine(bytes_, size_) == 0) {
            return false;
        }
        const size_t coff = ReadLittleEndian32(bytes_ + kHeaderOffsetField) + kSignatureSize;
        uint32_t sections = 0, optionalSize = 0, magic = 0;
        if (!Read16(coff + 2, sections) || !Read16(coff + 16, optionalSize) || !Read16(coff + 20, magic)) {
            return false;
        }
        const size_t optional = coff + 20;
        const bool plus = magic == 0x20B;
        uint32_t directories = 0, importRva = 0;
        if ((magic != 0x10B && !plus) || !Read32(optional + (plus ? 108 : 92), directories) || directories < 2 ||
            !Read32(optional + (plus ? 112 : 96) + 8, importRva) || importRva == 0) {
            return false;
        }
        sectionTable_ = optional + optionalSize;
        sections_ = sections;
        return FileOffset(importRva, offset);
    }

    bool Read16(size_t offset, uint32_t &value) const {
        if (offset > size_ || size_ - offset < 2) {
            return false;
        }
        value = ReadLittleEndian16(bytes_ + offset);
        return true;
    }

    bool Read32(size_t offset, uint32_t &value) const {
        if (offset > size_ || size_ - offset < 4) {
            return false;
        }
        value = ReadLittleEndian32(bytes_ + offset);
        return true;
    }

    // Where an address of the loaded image lies in the file: in the section that holds it.
    bool FileOffset(uint32_t rva, size_t &offset) const {
        for (uint32_t index = 0; index < sections_; ++index) {
            const size_t header = sectionTable_ + 40u * index;
            uint32_t virtualSize = 0, address = 0, rawSize = 0, rawOffset = 0;
            if (!Read32(header + 8, virtualSize) || !Read32(header + 12, address) || !Read32(header + 16, rawSize) ||
                !Read32(header + 20, rawOffset)) {
                return false;
            }
            const uint32_t extent = virtualSize > rawSize ? virtualSize : rawSize;
            if (rva >= address && rva - address < extent) {
                offset = size_t(rawOffset) + (rva - address);
                return offset < size_;
            }
        }
        return false;
    }

    // The zero-terminated text at an address, or "" when it runs off the bytes.
    std::string TextAt(uint32_t rva) const {
        size_t offset = 0;
        if (!FileOffset(rva, offset)) {
            return std::string();
        }
        size_t end = offset;
        while (end < size_ && bytes_[end] != 0 && end - offset < 260) {
            ++end;
        }
        return end < size_ && bytes_[end] == 0
                   ? std::string(reinterpret_cast<const char *>(bytes_ + offset), end - offset)
                   : std::string();
    }

private:
    const unsigned char *bytes_;
    size_t size_;
    size_t sectionTable_ = 0;
    uint32_t sections_ = 0;
};

constexpr size_t kImportDescriptorSize = 20;
constexpr size_t kMostImports = 4096;

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

std::vector<std::string> ImportedLibraryNames(const unsigned char *bytes, size_t size) {
    std::vector<std::string> names;
    PeFile file(bytes, size);
    size_t table = 0;
    if (!file.ImportTable(table)) {
        return names;
    }
    for (size_t index = 0; index < kMostImports; ++index) {
        uint32_t nameRva = 0;
        if (!file.Read32(table + index * kImportDescriptorSize + 12, nameRva) || nameRva == 0) {
            break;
        }
        const std::string name = file.TextAt(nameRva);
        if (!name.empty()) {
            names.push_back(name);
        }
    }
    return names;
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
