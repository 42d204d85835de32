// The tests --list selects, as the JSON that tools read to find them: each batch
// with its tests' names and, where known, their source files and lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run_events.h"

namespace console {

struct ListedTest {
    std::string name;
    std::string file;  // "" when unknown
    int32_t line = 0;  // 0 when unknown
};

struct ListedBatch {
    std::string name;
    std::vector<ListedTest> tests;
};

// The tests each library's run selected, for --list: each name handed to listed as
// it is found, and the batches kept for the JSON list of the whole run.
class TestList final : public run::RunListener {
public:
    explicit TestList(std::function<void(const std::string &fullName)> listed) : listed_(std::move(listed)) {}

    void RunStarted(const run::LibraryRun &run) override;
    const std::vector<ListedBatch> &Batches() const { return batches_; }

private:
    std::function<void(const std::string &)> listed_;
    std::vector<ListedBatch> batches_;
};

// {"tests": N, "batches": [{"name": ..., "tests": [{"name": ..., "file": ..., "line": ...}]}]},
// file and line left out where unknown.
std::string TestListJson(const std::vector<ListedBatch> &batches);

// The text as a JSON string, quotes included. Quotes, backslashes and control
// characters are escaped; well-formed UTF-8 passes as it is, and a byte that is
// no part of it is taken as ISO 8859-1, as the reports take names, so that the
// document stays valid JSON.
std::string JsonString(const std::string &text);

}  // namespace console
