// The growable text that the XML report is written into. It knows XML's
// spelling (tags, indentation, escaping) but nothing about tests.
#pragma once

#include <cstddef>

namespace nvk {

// One per report; never reused. The text is the library's own working memory
// (not counted in the allocation count) and goes with the buffer.
struct ReportBuffer {
    std::size_t capacity = 0;  // 0 or a whole multiple of 4096
    std::size_t length = 0;    // bytes of text, without the terminating zero
    char *text = nullptr;      // null until the first append

    ReportBuffer() = default;
    ReportBuffer(const ReportBuffer &) = delete;
    ReportBuffer &operator=(const ReportBuffer &) = delete;
    ~ReportBuffer();
};

void ReportBufferAppendBytes(ReportBuffer &buffer, const char *bytes, std::size_t count);
// A null string counts as empty.
void ReportBufferAppendString(ReportBuffer &buffer, const char *string);
void ReportBufferAppendIndent(ReportBuffer &buffer, unsigned level);
void ReportBufferAppendLineEnd(ReportBuffer &buffer);
void ReportBufferAppendTag(ReportBuffer &buffer, const char *name, bool start, unsigned level, bool lineEnd);
// One line: indentation, start tag, the text escaped (null counts as empty), end tag, line end.
void ReportBufferAppendTextElement(ReportBuffer &buffer, const char *name, const char *text, unsigned level);

}  // namespace nvk
