// The owner of a text that the runner or the library made with the library's tracked
// allocation, so that it counts in the allocation count and is freed exactly once.
#pragma once

#include "norvik.h"

namespace runner {

class RunnerString {
public:
    // Takes over text, which NvkMemCopyString or the library allocated; may be NULL.
    explicit RunnerString(char *text = nullptr) : text_(text) {}
    ~RunnerString() { NvkMemFreeImp(&text_); }
    RunnerString(RunnerString &&other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    RunnerString(const RunnerString &) = delete;
    RunnerString &operator=(const RunnerString &) = delete;
    RunnerString &operator=(RunnerString &&) = delete;

    // NULL when there is no text.
    const char *Get() const { return text_; }
    // "" when there is no text.
    const char *OrEmpty() const { return text_ != nullptr ? text_ : ""; }

private:
    char *text_;
};

}  // namespace runner
