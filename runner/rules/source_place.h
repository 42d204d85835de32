// Where the window opens a test or a failure in the editor: the check's own file at
// its line, and the test's definition where a line says nothing. Portable.
#pragma once

#include <string>

namespace runner {

// What the library knows of a test's places; NULL or 0 where it knows nothing.
struct TestPlaces {
    const char *checkFile = nullptr;    // the file of its first check
    const char *definedFile = nullptr;  // where it was declared or added
    long definedLine = 0;
    bool failed = false;  // it has a failure
    long firstFailureLine = 0;
};

// A file and a line to open. No file: nothing to open; line 0: the file has no line
// to open at (a crash), which the window tells the user.
struct SourcePlace {
    std::string file;
    long line = 0;
};

// The test's definition when known (at line 1 when its line is not); else, as
// before tests knew where they were, the file of its checks at its first failure's
// line, or line 1 when it did not fail.
SourcePlace PlaceOfTest(const TestPlaces &test);

// The failure at its line, in the file its check named (a helper's file) or else in
// the test's; a failure at line 0 (a crash) opens the test's definition when known,
// and stays at line 0 otherwise.
SourcePlace PlaceOfFailure(const char *failureFile, long failureLine, const TestPlaces &test);

}  // namespace runner
