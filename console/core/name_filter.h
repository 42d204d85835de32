// Which tests a run selects: globs on "Batch.Test", set through the library's skip flags.
#pragma once

#include <string>
#include <vector>

#include "norvik.h"

namespace console {

class TestFilter {
public:
    // POSITIVE[-NEGATIVE]: globs (* any run of characters, ? one) separated by ':'.
    // Everything after the filter's first '-' excludes, everything before it
    // includes; without a pattern that includes, every test is included.
    explicit TestFilter(const std::string &patterns);

    bool Selects(const std::string &fullName) const;
    // Without patterns every test, and no name is made.
    bool Selects(NvkTestFunction *test) const;

private:
    std::vector<std::string> included_;
    std::vector<std::string> excluded_;
};

// The registered test functions, by batch, in registration order.
std::vector<std::vector<NvkTestFunction *>> RegisteredTests();

// "Batch.Test", the name every output uses for a test.
std::string FullTestName(NvkTestFunction *test);

}  // namespace console
