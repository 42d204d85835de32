#include <unistd.h>

#include "platform.h"

namespace console {

const char kProgramName[] = "norvik-run";

bool PrepareColourTerminal() { return isatty(STDOUT_FILENO) != 0; }

void EndProcessNow(int exitCode) { _exit(exitCode); }

}  // namespace console
