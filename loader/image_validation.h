// Decides, before anything of a file runs, whether the runner can load it as a
// test DLL. Portable: the byte rule needs nothing but the file's contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "load_failure.h"

namespace loader {

// Machine values of the image file header that the runner tells apart.
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineX64 = 0x8664;

// A runner loads images built for its own processor only.
constexpr uint16_t OwnMachine() { return sizeof(void *) == 8 ? kMachineX64 : kMachineI386; }

// The machine field of a PE image held in bytes[0, size), or 0 when the bytes do not
// hold the "MZ" and "PE\0\0" signatures with the field after them. Never reads
// outside the given bytes.
uint16_t ReadImageMachine(const unsigned char *bytes, size_t size);

// For a whole file's bytes: None for an image of ownMachine; for the other of the two
// machines, the failure that names the runner to use instead; else UnknownFormat.
LoadFailure ValidateImageBytes(const unsigned char *bytes, size_t size, uint16_t ownMachine);

// The names of the DLLs a PE image held in bytes[0, size) imports, in its order;
// none for bytes that hold no readable import table. Never reads outside the bytes.
std::vector<std::string> ImportedLibraryNames(const unsigned char *bytes, size_t size);

// For the file at path: CannotRead when there is no path or the file cannot be opened
// (a directory included), CannotMap when it cannot be mapped (an empty file
// included), else the result of ValidateImageBytes.
LoadFailure ValidateLibraryFile(const char *path, uint16_t ownMachine);

// The same rule for the shared objects the native runner loads: an ELF image of the
// given class (1 for 32-bit, 2 for 64-bit) and machine is accepted; the other class of
// the same family names the runner to use instead; anything else is unknown.
LoadFailure ValidateSharedObjectBytes(const unsigned char *bytes, size_t size, unsigned char ownClass,
                                      uint16_t ownMachine);

// ValidateLibraryFile with the shared-object rule. POSIX only.
LoadFailure ValidateSharedObjectFile(const char *path, unsigned char ownClass, uint16_t ownMachine);

}  // namespace loader
