#include "rules/source_place.h"

namespace runner {
namespace {

bool Named(const char *file) { return file != nullptr && file[0] != '\0'; }

}  // namespace

SourcePlace PlaceOfTest(const TestPlaces &test) {
    if (Named(test.definedFile)) {
        return {test.definedFile, test.definedLine > 0 ? test.definedLine : 1};
    }
    if (!Named(test.checkFile)) {
        return {};
    }
    return {test.checkFile, test.failed ? test.firstFailureLine : 1};
}

SourcePlace PlaceOfFailure(const char *failureFile, long failureLine, const TestPlaces &test) {
    if (failureLine <= 0 && Named(test.definedFile)) {
        return PlaceOfTest(test);
    }
    const char *file = Named(failureFile) ? failureFile : test.checkFile;
    return {Named(file) ? file : "", failureLine > 0 ? failureLine : 0};
}

}  // namespace runner
