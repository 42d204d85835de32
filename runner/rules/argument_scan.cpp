#include "rules/argument_scan.h"

namespace runner {
namespace {

char LowerAscii(char character) {
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a') : character;
}

bool EqualIgnoringAsciiCase(const char *first, const char *second) {
    for (; *first != '\0' && *second != '\0'; ++first, ++second) {
        if (LowerAscii(*first) != LowerAscii(*second)) {
            return false;
        }
    }
    return *first == *second;
}

}  // namespace

StartRequest ScanArguments(int count, const char *const *arguments, ExistenceCheck exists, OverwriteCheck overwrites) {
    StartRequest request;
    for (int index = 1; index < count; ++index) {
        const char *argument = arguments[index];
        if (request.libraryPath == nullptr) {
            if (exists(argument)) {
                request.libraryPath = argument;
            }
            continue;
        }
        if (EqualIgnoringAsciiCase(argument, request.libraryPath) || overwrites(argument, request.libraryPath)) {
            request.mode = StartMode::Refused;
        } else {
            request.mode = StartMode::CommandLine;
            request.reportPath = argument;
        }
        break;
    }
    return request;
}

}  // namespace runner
