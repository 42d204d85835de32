// The JSON list of tests: how names that JSON cannot hold as they are come out, and
// the document with and without the tests' places.
#include <gtest/gtest.h>

#include <string>

#include "test_list_json.h"

namespace {

TEST(TestListJson, StringsAreValidJsonWhateverTheBytes) {
    const struct {
        const char *text;
        const char *json;
    } cases[] = {
        {"Parser.Reads", "\"Parser.Reads\""},
        {"say \"hi\" C:\\dir", "\"say \\\"hi\\\" C:\\\\dir\""},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\""},
        // Well-formed UTF-8 of two, three and four bytes passes as it is.
        {"caf\xC3\xA9 \xE6\xB5\x8B \xF0\x9F\x98\x80", "\"caf\xC3\xA9 \xE6\xB5\x8B \xF0\x9F\x98\x80\""},
        // Bytes that are no part of it: ISO 8859-1, one character each.
        {"caf\xE9", "\"caf\\u00e9\""},
        {"cut \xC3", "\"cut \\u00c3\""},
        {"\xC0\xAF overlong", "\"\\u00c0\\u00af overlong\""},
        {"\xED\xA0\x80 surrogate", "\"\\u00ed\\u00a0\\u0080 surrogate\""},
        {"\xF4\x90\x80\x80 beyond", "\"\\u00f4\\u0090\\u0080\\u0080 beyond\""},
        {"\xE6\xB5", "\"\\u00e6\\u00b5\""},
    };
    for (const auto &check : cases) {
        EXPECT_EQ(check.json, console::JsonString(check.text)) << check.text;
    }
    EXPECT_EQ(std::string("\"a\\u0000b\""), console::JsonString(std::string("a\0b", 3)));
}

TEST(TestListJson, PlacesAreLeftOutWhereUnknown) {
    const std::vector<console::ListedBatch> batches = {
        {"Parser", {{"Reads", "src/parser.c", 12}, {"Added", "", 0}}},
        {"Lexer", {{"Splits", "lexer.c", 0}}},
    };
    EXPECT_EQ(
        "{\n"
        "  \"tests\": 3,\n"
        "  \"batches\": [\n"
        "    {\n"
        "      \"name\": \"Parser\",\n"
        "      \"tests\": [\n"
        "        {\"name\": \"Reads\", \"file\": \"src/parser.c\", \"line\": 12},\n"
        "        {\"name\": \"Added\"}\n"
        "      ]\n"
        "    },\n"
        "    {\n"
        "      \"name\": \"Lexer\",\n"
        "      \"tests\": [\n"
        "        {\"name\": \"Splits\", \"file\": \"lexer.c\"}\n"
        "      ]\n"
        "    }\n"
        "  ]\n"
        "}\n",
        console::TestListJson(batches));
    EXPECT_EQ("{\n  \"tests\": 0,\n  \"batches\": []\n}\n", console::TestListJson({}));
}

}  // namespace
