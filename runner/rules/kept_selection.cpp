#include "rules/kept_selection.h"

namespace runner {

int SkipAfterReload(const KeptSelection &kept, const TestName &test) {
    const auto found = kept.skipped.find(test);
    return found != kept.skipped.end() && found->second ? 1 : 0;
}

bool WasExpanded(const KeptSelection &kept, const std::string &batch) { return kept.expandedBatches.count(batch) != 0; }

std::string FullTestName(const TestName &test) {
    return test.second.empty() ? test.first : test.first + "." + test.second;
}

}  // namespace runner
