#include "report_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "memory.h"
#include "xml_text.h"

namespace {

namespace xml_text = nvk::xml_text;

constexpr std::size_t kStep = 4096;
// Far beyond any memory there is; keeps the size arithmetic below from wrapping.
constexpr std::size_t kLargestNeed = SIZE_MAX / 4;

constexpr std::size_t kIndentWidth = 4;  // spaces per level
const char kLineEnd[] = "\r\n";

// Small reports grow in 4096-byte steps. Beyond that the capacity at least
// doubles, so a large report is moved a logarithmic number of times instead of
// once every 4 KiB, which would be quadratic wherever a block cannot grow in place.
std::size_t GrownCapacity(std::size_t capacity, std::size_t need) {
    const std::size_t stepped = (need / kStep + 1) * kStep;
    const std::size_t doubled = capacity * 2;
    return stepped > doubled ? stepped : doubled;
}

void Reserve(nvk::ReportBuffer &buffer, std::size_t need) {
    if (need <= buffer.capacity) {
        return;
    }
    const std::size_t capacity = GrownCapacity(buffer.capacity, need);
    char *text = static_cast<char *>(std::realloc(buffer.text, capacity));
    if (text == nullptr) {
        nvk::EndProcessOutOfMemory();
    }
    buffer.text = text;
    buffer.capacity = capacity;
}

// Makes room for count more bytes, counts them in and returns where they go.
char *Extend(nvk::ReportBuffer &buffer, std::size_t count) {
    if (count > kLargestNeed - buffer.length) {
        nvk::EndProcessOutOfMemory();
    }
    Reserve(buffer, buffer.length + count + 1);
    char *place = buffer.text + buffer.length;
    buffer.length += count;
    buffer.text[buffer.length] = '\0';
    return place;
}

void AppendRange(nvk::ReportBuffer &buffer, const char *begin, const char *end) {
    if (end != begin) {
        nvk::ReportBufferAppendBytes(buffer, begin, static_cast<std::size_t>(end - begin));
    }
}

// Runs of plain bytes go in one piece; a text with nothing to replace is one append.
void AppendEscaped(nvk::ReportBuffer &buffer, const char *text) {
    const char *plainStart = text;
    const char *cursor = text;
    for (; *cursor != '\0'; ++cursor) {
        const unsigned char byte = static_cast<unsigned char>(*cursor);
        if (xml_text::IsPlain(byte, xml_text::Place::Text)) {
            continue;
        }
        AppendRange(buffer, plainStart, cursor);
        char replacement[xml_text::kLongestReplacement];
        nvk::ReportBufferAppendBytes(buffer, replacement, xml_text::Replacement(byte, replacement));
        plainStart = cursor + 1;
    }
    AppendRange(buffer, plainStart, cursor);
}

}  // namespace

namespace nvk {

ReportBuffer::~ReportBuffer() { std::free(text); }

void ReportBufferAppendBytes(ReportBuffer &buffer, const char *bytes, std::size_t count) {
    char *place = Extend(buffer, count);
    if (count != 0) {
        std::memcpy(place, bytes, count);
    }
}

void ReportBufferAppendString(ReportBuffer &buffer, const char *string) {
    if (string == nullptr) {
        string = "";
    }
    ReportBufferAppendBytes(buffer, string, std::strlen(string));
}

void ReportBufferAppendIndent(ReportBuffer &buffer, unsigned level) {
    const std::size_t count = std::size_t{level} * kIndentWidth;
    std::memset(Extend(buffer, count), ' ', count);
}

void ReportBufferAppendLineEnd(ReportBuffer &buffer) { ReportBufferAppendBytes(buffer, kLineEnd, sizeof kLineEnd - 1); }

// Tags are most of a report's pieces, so each takes two appends: indentation, then the rest.
void ReportBufferAppendTag(ReportBuffer &buffer, const char *name, bool start, unsigned level, bool lineEnd) {
    ReportBufferAppendIndent(buffer, level);
    if (name == nullptr) {
        name = "";
    }
    const std::size_t opening = start ? 1 : 2;
    const std::size_t nameLength = std::strlen(name);
    const std::size_t ending = lineEnd ? 3 : 1;
    char *place = Extend(buffer, opening + nameLength + ending);
    std::memcpy(place, "</", opening);
    std::memcpy(place + opening, name, nameLength);
    std::memcpy(place + opening + nameLength, ">\r\n", ending);
}

void ReportBufferAppendTextElement(ReportBuffer &buffer, const char *name, const char *text, unsigned level) {
    ReportBufferAppendTag(buffer, name, true, level, false);
    if (text != nullptr) {
        AppendEscaped(buffer, text);
    }
    ReportBufferAppendTag(buffer, name, false, 0, true);
}

}  // namespace nvk
