// The console runner's entry: reads the options and runs the test libraries, or,
// started as a worker, runs its parent's plan. Arguments are UTF-8 from here on.
#include <cstdlib>
#include <string>
#include <vector>

#include "options.h"
#include "platform.h"
#include "session.h"
#include "test_worker.h"
#include "worker_process.h"
#if defined(_WIN32)
#  include <windows.h>

#  include "wide_text_windows.h"
#endif

namespace {

// A test that changes the current folder must not move where the reports go, nor
// which libraries later ones are.
void MakePathsAbsolute(console::Options &options) {
    for (std::string &library : options.libraries) {
        library = console::AbsolutePath(library);
    }
    for (std::string *path :
         {&options.xmlPath, &options.junitPath, &options.jsonPath, &options.tapPath, &options.shardStatusFile}) {
        if (!path->empty() && *path != "-") {
            *path = console::AbsolutePath(*path);
        }
    }
}

int RunConsole(const std::vector<std::string> &arguments) {
    run::TurnOffErrorDialogs();
    std::vector<const char *> pointers;
    for (const std::string &argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    console::Options options;
    std::string error = console::ParseOptions(static_cast<int>(pointers.size()), pointers.data(), options);
    if (error.empty() && !options.workerChannel.empty()) {
        return run::RunTestWorker(options.workerChannel, options.libraries.empty() ? "" : options.libraries[0]);
    }
    if (!error.empty()) {
        console::WriteError(std::string(console::kProgramName) + ": " + error + "\n" +
                            console::UsageText(console::kProgramName));
        return console::kExitUsageOrLoad;
    }
    // The usage would not help with what a build tool's environment got wrong.
    error = console::ApplyEnvironment(options, [](const char *name) { return std::getenv(name); });
    if (!error.empty()) {
        console::WriteError(std::string(console::kProgramName) + ": " + error + "\n");
        return console::kExitUsageOrLoad;
    }
    if (options.help) {
        console::WriteOutput(console::UsageText(console::kProgramName));
        return console::kExitPassed;
    }
    MakePathsAbsolute(options);
    return console::RunSession(options);
}

}  // namespace

#if defined(_WIN32)
// The arguments as the system has them, in UTF-16: paths outside the ANSI code page
// come through whole.
int wmain(int argc, wchar_t **argv) {
    std::vector<std::string> arguments;
    for (int index = 0; index < argc; ++index) {
        arguments.push_back(loader::Utf8FromWide(argv[index]));
    }
    return RunConsole(arguments);
}
#else
int main(int argc, char **argv) { return RunConsole(std::vector<std::string>(argv, argv + argc)); }
#endif
