// The console runner's entry: reads the options and runs the test libraries.
#include <cstdio>

#include "options.h"
#include "platform.h"
#include "run_session.h"

int main(int argc, char **argv) {
    console::Options options;
    const std::string error = console::ParseOptions(argc, argv, options);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", console::kProgramName, error.c_str(),
                     console::UsageText(console::kProgramName).c_str());
        return console::kExitUsageOrLoad;
    }
    if (options.help) {
        std::printf("%s", console::UsageText(console::kProgramName).c_str());
        return console::kExitPassed;
    }
    return console::RunSession(options);
}
