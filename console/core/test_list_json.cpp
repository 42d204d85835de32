// Writing the JSON list of tests and its strings.
#include "test_list_json.h"

#include <cstdio>

namespace console {

void TestList::RunStarted(const run::LibraryRun &run) {
    size_t batchOfLast = SIZE_MAX;
    for (const run::TestKey key : run.selection) {
        const run::TestIdentity &test = (*run.index)[key];
        listed_(test.FullName());
        if (test.ref.batch != batchOfLast) {
            batchOfLast = test.ref.batch;
            batches_.push_back({std::string(test.batch), {}});
        }
        batches_.back().tests.push_back({std::string(test.name), std::string(test.file), test.line});
    }
}

namespace {

// The length of the well-formed UTF-8 sequence that starts at text[at], or 0:
// no overlong forms, no surrogates, nothing beyond U+10FFFF.
size_t Utf8SequenceLength(const std::string &text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (size_t index = 1; index < length; ++index) {
        const unsigned char byte = static_cast<unsigned char>(text[at + index]);
        if (byte < (index == 1 ? low : 0x80) || byte > (index == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

void AppendCodeEscape(std::string &out, unsigned char byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", byte);
    out += escape;
}

void AppendPlainOrEscaped(std::string &out, unsigned char byte) {
    switch (byte) {
    case '"':
        out += "\\\"";
        break;
    case '\\':
        out += "\\\\";
        break;
    case '\b':
        out += "\\b";
        break;
    case '\f':
        out += "\\f";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\r':
        out += "\\r";
        break;
    case '\t':
        out += "\\t";
        break;
    default:
        if (byte < 0x20 || byte == 0x7F) {
            AppendCodeEscape(out, byte);
        } else {
            out += static_cast<char>(byte);
        }
    }
}

std::string TestJson(const ListedTest &test) {
    std::string text = "{\"name\": " + JsonString(test.name);
    if (!test.file.empty()) {
        text += ", \"file\": " + JsonString(test.file);
    }
    if (test.line != 0) {
        text += ", \"line\": " + std::to_string(test.line);
    }
    return text + "}";
}

}  // namespace

std::string JsonString(const std::string &text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            AppendPlainOrEscaped(out, byte);
            ++at;
            continue;
        }
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            AppendCodeEscape(out, byte);
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out + "\"";
}

std::string TestListJson(const std::vector<ListedBatch> &batches) {
    size_t count = 0;
    std::string list;
    for (const ListedBatch &batch : batches) {
        list += std::string(list.empty() ? "\n" : ",\n") + "    {\n      \"name\": " + JsonString(batch.name) +
                ",\n      \"tests\": [";
        for (size_t index = 0; index < batch.tests.size(); ++index) {
            list += std::string(index == 0 ? "\n" : ",\n") + "        " + TestJson(batch.tests[index]);
        }
        list += batch.tests.empty() ? "]\n    }" : "\n      ]\n    }";
        count += batch.tests.size();
    }
    return "{\n  \"tests\": " + std::to_string(count) + ",\n  \"batches\": [" + list + (list.empty() ? "" : "\n  ") +
           "]\n}\n";
}

}  // namespace console
