// The image rules on crafted bytes and files: what the loader accepts before anything
// of a file runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "crafted_images.h"
#include "image_validation.h"
#include "scratch_folder.h"

namespace {

using loader::LoadFailure;

using loader::kMachineI386;
using loader::kMachineX64;

// An allocation of exactly the file's size, so that the address sanitizer catches any
// read past its end.
LoadFailure Validate(const crafted::Bytes &bytes, uint16_t ownMachine) {
    std::unique_ptr<unsigned char[]> sized(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), sized.get());
    return loader::ValidateImageBytes(sized.get(), bytes.size(), ownMachine);
}

TEST(ImageHeaderRule, AcceptsTheRunnersOwnMachine) {
    EXPECT_EQ(LoadFailure::None, Validate(crafted::ImageHeader(kMachineX64), kMachineX64));
    EXPECT_EQ(LoadFailure::None, Validate(crafted::ImageHeader(kMachineI386), kMachineI386));
}

TEST(ImageHeaderRule, OtherBitnessNamesTheRunnerToUse) {
    EXPECT_EQ(LoadFailure::Needs32BitRunner, Validate(crafted::ImageHeader(kMachineI386), kMachineX64));
    EXPECT_EQ(LoadFailure::Needs64BitRunner, Validate(crafted::ImageHeader(kMachineX64), kMachineI386));
}

TEST(ImageHeaderRule, OtherMachinesAreUnknownFormat) {
    for (const uint16_t ownMachine : {kMachineX64, kMachineI386}) {
        EXPECT_EQ(LoadFailure::UnknownFormat, Validate(crafted::ImageHeader(crafted::kMachineArm64), ownMachine));
        EXPECT_EQ(LoadFailure::UnknownFormat, Validate(crafted::ImageHeader(0), ownMachine));
    }
}

TEST(ImageHeaderRule, FilesWithoutBothSignaturesAreUnknownFormat) {
    crafted::Bytes noDosSignature = crafted::ImageHeader(kMachineX64);
    noDosSignature[1] = 'X';
    crafted::Bytes noPeSignature = crafted::ImageHeader(kMachineX64);
    noPeSignature[0x42] = 'X';
    for (const crafted::Bytes &bytes : {crafted::Text("MZ is not enough: this is a text file\r\n"), noDosSignature,
                                        noPeSignature, crafted::Bytes(4096, 0)}) {
        EXPECT_EQ(LoadFailure::UnknownFormat, Validate(bytes, kMachineX64));
    }
}

// Each of these would be read beyond the file's end by a rule that trusts the offset.
TEST(ImageHeaderRule, NeverReadsOutsideTheFile) {
    const crafted::Bytes image = crafted::ImageHeader(kMachineX64);
    const crafted::Bytes cases[] = {
        crafted::Truncated(image, 2),
        crafted::Truncated(image, crafted::kHeaderOffsetField + 3),  // cut inside the offset field
        crafted::Truncated(image, 0x40),                             // offset points at the end
        crafted::Truncated(image, 0x44),                             // signature, no machine field
        crafted::Truncated(image, 0x45),                             // half a machine field
        crafted::WithHeaderOffset(image, uint32_t(image.size())),
        crafted::WithHeaderOffset(image, uint32_t(image.size()) - 5),
        crafted::WithHeaderOffset(image, 0x7FFFFFFF),
        crafted::WithHeaderOffset(image, 0xFFFFFFFF),
        crafted::WithHeaderOffset(image, 0xFFFFFFFC),
    };
    for (const crafted::Bytes &bytes : cases) {
        EXPECT_EQ(LoadFailure::UnknownFormat, Validate(bytes, kMachineX64)) << "size " << bytes.size();
    }
    EXPECT_EQ(LoadFailure::UnknownFormat, loader::ValidateImageBytes(nullptr, 0, kMachineX64));
}

TEST(ImageHeaderRule, MachineFieldRightAtTheEndIsRead) {
    const crafted::Bytes image = crafted::Truncated(crafted::ImageHeader(kMachineX64), 0x46);
    EXPECT_EQ(LoadFailure::None, Validate(image, kMachineX64));
}

class LibraryFileValidation : public ::testing::Test {
protected:
    LoadFailure ValidateFile(const std::string &name, const crafted::Bytes &bytes) {
        const std::string path = folder.File(name);
        crafted::WriteFile(path, bytes);
        return loader::ValidateLibraryFile(path.c_str(), kMachineX64);
    }

    ScratchFolder folder;
};

TEST_F(LibraryFileValidation, ReadsTheWholeFile) {
    EXPECT_EQ(LoadFailure::None, ValidateFile("image.dll", crafted::ImageHeader(kMachineX64)));
    EXPECT_EQ(LoadFailure::Needs32BitRunner, ValidateFile("i386.dll", crafted::ImageHeader(kMachineI386)));
    EXPECT_EQ(LoadFailure::UnknownFormat, ValidateFile("arm64.dll", crafted::ImageHeader(crafted::kMachineArm64)));
    EXPECT_EQ(LoadFailure::UnknownFormat, ValidateFile("text.dll", crafted::Text("plain text\n")));
    EXPECT_EQ(LoadFailure::UnknownFormat,
              ValidateFile("truncated.dll", crafted::Truncated(crafted::ImageHeader(kMachineX64), 0x30)));
    EXPECT_EQ(LoadFailure::UnknownFormat,
              ValidateFile("offset.dll", crafted::WithHeaderOffset(crafted::ImageHeader(kMachineX64), 0x10000)));
}

TEST_F(LibraryFileValidation, EmptyFileCannotBeMapped) {
    EXPECT_EQ(LoadFailure::CannotMap, ValidateFile("empty.dll", crafted::Bytes()));
}

TEST_F(LibraryFileValidation, NothingReadableIsCannotRead) {
    EXPECT_EQ(LoadFailure::CannotRead, loader::ValidateLibraryFile(nullptr, kMachineX64));
    EXPECT_EQ(LoadFailure::CannotRead, loader::ValidateLibraryFile("", kMachineX64));
    EXPECT_EQ(LoadFailure::CannotRead, loader::ValidateLibraryFile(folder.File("missing.dll").c_str(), kMachineX64));
    EXPECT_EQ(LoadFailure::CannotRead, loader::ValidateLibraryFile(folder.Path().c_str(), kMachineX64));
}

// The start of an ELF header: signature, class, byte order, and the machine field at 18.
crafted::Bytes ElfHeader(unsigned char elfClass, uint16_t machine, bool bigEndian = false) {
    crafted::Bytes bytes(64, 0);
    bytes[0] = 0x7F;
    bytes[1] = 'E';
    bytes[2] = 'L';
    bytes[3] = 'F';
    bytes[4] = elfClass;
    bytes[5] = bigEndian ? 2 : 1;
    bytes[bigEndian ? 19 : 18] = static_cast<unsigned char>(machine);
    bytes[bigEndian ? 18 : 19] = static_cast<unsigned char>(machine >> 8);
    return bytes;
}

LoadFailure ValidateSharedObject(const crafted::Bytes &bytes, unsigned char ownClass, uint16_t ownMachine) {
    std::unique_ptr<unsigned char[]> sized(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), sized.get());
    return loader::ValidateSharedObjectBytes(sized.get(), bytes.size(), ownClass, ownMachine);
}

TEST(SharedObjectRule, AcceptsOwnClassAndMachineOnlyAndNamesTheOtherBitness) {
    constexpr uint16_t x64 = 62, i386 = 3, arm64 = 183;
    EXPECT_EQ(LoadFailure::None, ValidateSharedObject(ElfHeader(2, x64), 2, x64));
    EXPECT_EQ(LoadFailure::None, ValidateSharedObject(ElfHeader(2, arm64, true), 2, arm64));
    EXPECT_EQ(LoadFailure::Needs32BitRunner, ValidateSharedObject(ElfHeader(1, i386), 2, x64));
    EXPECT_EQ(LoadFailure::Needs64BitRunner, ValidateSharedObject(ElfHeader(2, x64), 1, i386));
    EXPECT_EQ(LoadFailure::UnknownFormat, ValidateSharedObject(ElfHeader(2, arm64), 2, x64));
    EXPECT_EQ(LoadFailure::UnknownFormat, ValidateSharedObject(crafted::ImageHeader(kMachineX64), 2, x64));
    EXPECT_EQ(LoadFailure::UnknownFormat, ValidateSharedObject(crafted::Truncated(ElfHeader(2, x64), 19), 2, x64));
}

}  // namespace
