// What tells two registries apart: a worker runs tests by their places in its own
// registry, which name the parent's tests only when both hold the same batches and
// tests in the same order.
#pragma once

#include <string>

namespace run {

// The loaded registry's batch and test names in order, hashed, with the count of tests.
std::string RegistryFingerprint();

}  // namespace run
