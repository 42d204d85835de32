// What a runner and its worker processes agree on before a line is exchanged: the
// option that makes a runner a worker, the protocol's version, and the exit codes
// a worker ends with of its own accord. Both sides include this one header.
#pragma once

#include <cstdint>

namespace run {

// The runner's program started with this option and a channel is a worker.
constexpr const char kWorkerChannelOption[] = "--worker-channel";

// Raised whenever the lines change meaning; a worker of another version refuses.
constexpr uint32_t kProtocolVersion = 4;

// The worker could not run its plan (no channel, a library it cannot load, a plan
// it cannot read).
constexpr int kWorkerExitUnusable = 2;

// The exit code of a worker whose test closed its channel to the runner: the test's
// result is lost, and the worker ends before another test runs unreported. Rare as
// an exit code of a test's own.
constexpr uint32_t kExitChannelLost = 121;

}  // namespace run
