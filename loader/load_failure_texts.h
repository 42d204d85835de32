/* The sentences of each reason a test library could not be loaded. Plain defines,
 * so that the window's resource script builds its string table from them too. */
#ifndef NORVIK_LOADER_LOAD_FAILURE_TEXTS_H
#define NORVIK_LOADER_LOAD_FAILURE_TEXTS_H

/* Each text stays one literal on one line: the resource compiler joins no strings. */
/* clang-format off */
#define TEXT_UNKNOWN_FORMAT "The validity of the specified file cannot be determined. It does not appear to be a DLL format that is understood by this software."
#define TEXT_CANNOT_MAP "The specified file could not be mapped. This is required to validate the file format."
#define TEXT_CANNOT_READ "The specified file could not be read or does not exist."
#define TEXT_NEEDS_64_BIT_RUNNER "The specified unit test DLL is 64 bit and you are running the 32 bit version of Windows Norvik. Please run the 64 bit version to test this library."
#define TEXT_NEEDS_32_BIT_RUNNER "The specified unit test DLL is 32 bit and you are running the 64 bit version of Windows Norvik. Please run the 32 bit version to test this library."
#define TEXT_CANNOT_LOAD "The test library could not be loaded."
#define TEXT_NO_ENTRY_POINT "The test library does not contain the required NvkLibraryCreateBatches() function. This function must be implemented in the unit test library and must create all test batches."
#define TEXT_NO_TESTS "The requested library is valid and was opened, but contains no batches or test functions."
/* clang-format on */

#endif
