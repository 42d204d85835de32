// Which tests a run selects: globs on "Batch.Test".
#pragma once

#include <string>
#include <vector>

#include "registry_index.h"

namespace console {

class TestFilter {
public:
    // POSITIVE[-NEGATIVE]: globs (* any run of characters, ? one) separated by ':'.
    // Everything after the filter's first '-' excludes, everything before it
    // includes; without a pattern that includes, every test is included.
    explicit TestFilter(const std::string &patterns);

    bool Selects(const std::string &fullName) const;
    // Without patterns every test, and no name is made.
    bool Selects(const run::TestIdentity &test) const;

private:
    std::vector<std::string> included_;
    std::vector<std::string> excluded_;
};

}  // namespace console
