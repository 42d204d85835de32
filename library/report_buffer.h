// The two ends the XML report is written to: a counter of its bytes, and the text
// itself in one block of exactly that size. Both know XML's spelling (indentation,
// escaping, UTF-8, numbers) but nothing about tests; the report walks its items once
// with each, so the two always agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace nvk {

constexpr std::size_t kReportIndentWidth = 4;  // spaces per level

// The bytes a text takes once escaped and encoded as UTF-8 (null counts as empty).
std::size_t EscapedLength(const char *text);
// The length of a text whose bytes go into the report as they are (null counts as
// empty); SIZE_MAX for a text that needs escaping or encoding.
std::size_t PlainLength(const char *text);
// What a record keeps, in a field of type Field, of a text it holds for good (a name,
// a file name, a message): the length of a plain text, which the report then neither
// measures nor scans again but copies whole, or the field's largest value for a text
// that it must measure and escape.
template <typename Field>
Field KeepText(const char *text) {
    static_assert(std::is_unsigned<Field>::value, "a kept length is a record's unsigned field");
    const std::size_t length = PlainLength(text);
    return length < Field(-1) ? static_cast<Field>(length) : Field(-1);
}
// Writes the text escaped and encoded; returns the end of what it wrote.
char *WriteEscaped(char *out, const char *text);
// The decimal digits of a count (at most 10).
std::size_t CountLength(uint32_t count);
char *WriteCount(char *out, uint32_t count);
// A time as nvk::FormatSeconds writes it.
std::size_t SecondsLength(double seconds);
char *WriteSeconds(char *out, double seconds);

// Counts, so that the text can be written into one allocation, never moved. It counts
// in 64 bits everywhere, so that a report too large for a 32-bit process is refused
// rather than measured short.
class ReportLength {
public:
    template <std::size_t N>
    void Put(const char (&)[N]) {
        length_ += N - 1;
    }
    void Indent(unsigned level) { length_ += uint64_t{level} * kReportIndentWidth; }
    void Text(const char *text) { length_ += EscapedLength(text); }
    // A text with what its record kept of it (KeepText).
    template <typename Field>
    void Text(const char *text, Field kept) {
        static_assert(std::is_unsigned<Field>::value, "a kept length is a record's unsigned field");
        length_ += kept != Field(-1) ? kept : EscapedLength(text);
    }
    void Count(uint32_t count) { length_ += CountLength(count); }
    void Seconds(double seconds) { length_ += SecondsLength(seconds); }
    void Add(uint64_t length) { length_ += length; }

    uint64_t Length() const { return length_; }

private:
    uint64_t length_ = 0;
};

// Writes into room that a ReportLength measured for the same calls.
class ReportWriter {
public:
    explicit ReportWriter(char *text) : out_(text) {}

    // Literals are copied with a size known when compiling, as a few plain stores.
    template <std::size_t N>
    void Put(const char (&literal)[N]) {
        std::memcpy(out_, literal, N - 1);
        out_ += N - 1;
    }
    void Indent(unsigned level) {
        const std::size_t count = std::size_t{level} * kReportIndentWidth;
        std::memset(out_, ' ', count);
        out_ += count;
    }
    void Text(const char *text) { out_ = WriteEscaped(out_, text); }
    template <typename Field>
    void Text(const char *text, Field kept) {
        static_assert(std::is_unsigned<Field>::value, "a kept length is a record's unsigned field");
        if (kept == Field(-1)) {
            out_ = WriteEscaped(out_, text);
        } else {
            CopyWhole(text, kept);
        }
    }
    void Count(uint32_t count) { out_ = WriteCount(out_, count); }
    void Seconds(double seconds) { out_ = WriteSeconds(out_, seconds); }

    char *End() const { return out_; }

private:
    // Most kept texts are a few dozen bytes: copied in words of eight, the last one
    // overlapping the one before, without a call into the C runtime for each.
    void CopyWhole(const char *text, std::size_t length) {
        if (length >= 8) {
            uint64_t word;
            for (std::size_t at = 0; at + 8 < length; at += 8) {
                std::memcpy(&word, text + at, 8);
                std::memcpy(out_ + at, &word, 8);
            }
            std::memcpy(&word, text + length - 8, 8);
            std::memcpy(out_ + length - 8, &word, 8);
        } else {
            for (std::size_t at = 0; at < length; ++at) {
                out_[at] = text[at];
            }
        }
        out_ += length;
    }

    char *out_;
};

}  // namespace nvk
