// The spans of a capture file, the same on every platform.
#include "output_capture.h"

namespace run {

std::string OutputSpans::TakeUpTo(uint64_t end) {
    if (end <= taken_) {
        return std::string();
    }
    const uint64_t written = end - taken_;
    const size_t kept = written > kOutputLimit ? kOutputLimit : static_cast<size_t>(written);
    std::string text = file_.Read(taken_, kept);
    taken_ = end;
    if (written > kept) {
        if (!text.empty() && text.back() != '\n') {
            text += '\n';
        }
        text += "[output cut: " + std::to_string(written - kept) + " bytes more]\n";
    }
    return text;
}

}  // namespace run
