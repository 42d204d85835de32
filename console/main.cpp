// The console runner's entry: reads the options and runs the test libraries.
#include <cstdio>
#include <cstdlib>

#include "options.h"
#include "platform.h"
#include "run_session.h"
#include "worker_process.h"
#include "worker_run.h"

int main(int argc, char **argv) {
    console::TurnOffErrorDialogs();
    console::Options options;
    const std::string usageError = console::ParseOptions(argc, argv, options);
    if (!usageError.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", console::kProgramName, usageError.c_str(),
                     console::UsageText(console::kProgramName).c_str());
        return console::kExitUsageOrLoad;
    }
    if (!options.workerChannel.empty()) {
        return console::RunWorker(options);
    }
    // The usage would not help with what a build tool's environment got wrong.
    const std::string environmentError =
        console::ApplyEnvironment(options, [](const char *name) { return std::getenv(name); });
    if (!environmentError.empty()) {
        std::fprintf(stderr, "%s: %s\n", console::kProgramName, environmentError.c_str());
        return console::kExitUsageOrLoad;
    }
    if (options.help) {
        std::printf("%s", console::UsageText(console::kProgramName).c_str());
        return console::kExitPassed;
    }
    return console::RunSession(options);
}
