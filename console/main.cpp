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
    std::string error = console::ParseOptions(argc, argv, options);
    if (error.empty() && !options.workerChannel.empty()) {
        return console::RunWorker(options);
    }
    if (error.empty()) {
        error = console::ApplyEnvironment(options, [](const char *name) { return std::getenv(name); });
    }
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
