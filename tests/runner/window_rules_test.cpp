// The window's portable rules: the result rows' order, tree item keys and the items
// a reload keeps, result texts and images, progress colours, when commands are offered, the layout, where a test
// or a failure opens in the editor, and the message of what registration refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "rules/command_rules.h"
#include "rules/kept_items.h"
#include "rules/registration_message.h"
#include "rules/result_appearance.h"
#include "rules/result_order.h"
#include "rules/source_place.h"
#include "rules/tree_item_table.h"
#include "rules/window_layout.h"

namespace {

using runner::ResultRowKey;
using runner::ResultRowOrder;

TEST(ResultRowOrder, SortsByBatchThenTestAsUnsignedBytesWhateverTheInsertionOrder) {
    EXPECT_LT(runner::CompareNameBytes("Zeta", "alpha"), 0);
    EXPECT_LT(runner::CompareNameBytes("ab", "abc"), 0);
    EXPECT_GT(runner::CompareNameBytes("\xE9t\xE9", "zeta"), 0);  // bytes above 0x7F sort last
    EXPECT_EQ(0, runner::CompareNameBytes("same", "same"));

    int records[5];
    ResultRowOrder rows;
    rows.Add({"B", "b2"}, &records[0]);
    rows.Add({"B", "b1"}, &records[1]);
    EXPECT_EQ(0u, rows.Count());  // nothing is placed before Settle
    EXPECT_EQ(ResultRowOrder::kNotFound, rows.Find({"B", "b2"}));
    EXPECT_TRUE(rows.Settle());
    EXPECT_FALSE(rows.Settle());
    rows.Add({"A", "a1"}, &records[2]);
    rows.Add({"alpha", "x"}, &records[3]);
    rows.Add({"B", "b2"}, &records[4]);  // the same names again come after the first
    rows.Settle();
    EXPECT_EQ(2u, rows.Find({"B", "b2"}));
    EXPECT_EQ(3u, rows.Find({"B", "b2"}, &records[4]));
    EXPECT_EQ(ResultRowOrder::kNotFound, rows.Find({"B", "b2"}, &records[1]));
    EXPECT_EQ(&records[3], rows.At(4).item);
    EXPECT_FALSE(rows.At(4).showsResult);
    EXPECT_EQ(ResultRowOrder::kNotFound, rows.Find({"B", "b3"}));
    rows.EraseAt(rows.Find({"B", "b1"}));
    EXPECT_EQ(1u, rows.Find({"B", "b2"}));
    EXPECT_EQ(4u, rows.Count());
}

// Rows added in bursts between placings end where a full sort puts them.
TEST(ResultRowOrder, AgreesWithAFullSortOverManyRows) {
    std::vector<std::string> batches = {"Zeta", "alpha", "Beta", "beta", "B", "\xC4rger"};
    std::vector<std::string> names;
    for (int index = 0; index < 300; ++index) {
        names.push_back("t" + std::to_string(index * 7919 % 1000));
    }
    std::mt19937 random(7);
    std::vector<std::pair<std::string, std::string>> keys;
    for (const std::string &batch : batches) {
        for (const std::string &name : names) {
            keys.emplace_back(batch, name);
        }
    }
    std::shuffle(keys.begin(), keys.end(), random);
    ResultRowOrder rows;
    for (size_t index = 0; index < keys.size(); ++index) {
        rows.Add({keys[index].first.c_str(), keys[index].second.c_str()}, &keys[index]);
        if (random() % 97 == 0) {
            rows.Settle();
        }
    }
    rows.Settle();
    std::vector<std::pair<std::string, std::string>> shown;  // the rows as the list draws them
    for (size_t row = 0; row < rows.Count(); ++row) {
        shown.push_back(*static_cast<std::pair<std::string, std::string> *>(rows.At(row).item));
    }
    std::vector<std::pair<std::string, std::string>> sorted = keys;
    std::sort(sorted.begin(), sorted.end());  // std::string compares as unsigned bytes
    EXPECT_EQ(sorted, shown);
}

// A sort by a column: blanks first, numbers as numbers, texts as bytes, ties in the
// keys' order both ways; rows are still found by key, and new rows bring the keys'
// order back.
TEST(ResultRowOrder, SortsByAColumnAndFindsRowsByKeyAfterwards) {
    using runner::ResultSortValue;
    const char *names[] = {"a", "b", "c", "d", "e"};
    ResultRowOrder rows;
    for (const char *name : names) {
        rows.Add({"B", name}, const_cast<char *>(name));
    }
    rows.Settle();
    auto shown = [&rows] {
        std::string order;
        for (size_t row = 0; row < rows.Count(); ++row) {
            order += rows.At(row).key.testName;
        }
        return order;
    };
    const std::vector<ResultSortValue> times = {{false, true, 10.0, "10"},
                                                {true, true, 0, ""},
                                                {false, true, 9.0, "9"},
                                                {false, true, 10.0, "10"},
                                                {false, true, 0.5, "0.5"}};
    rows.SortBy(times, false);
    EXPECT_EQ("becad", shown());
    EXPECT_EQ(3u, rows.Find({"B", "a"}));
    EXPECT_EQ(0u, rows.Find({"B", "b"}, names[1]));
    EXPECT_EQ(ResultRowOrder::kNotFound, rows.Find({"B", "f"}));

    std::vector<ResultSortValue> texts;
    for (const char *text : {"Passed", "Failed", "Passed", "Failed", "Skipped"}) {  // in the order b e c a d
        texts.push_back({false, false, 0, text});
    }
    rows.SortBy(texts, true);
    EXPECT_EQ("dbcae", shown());  // Skipped, then Passed (b before c), then Failed (a before e)

    rows.EraseAt(rows.Find({"B", "c"}));
    EXPECT_EQ("dbae", shown());
    EXPECT_EQ(0u, rows.Find({"B", "d"}));
    rows.Add({"A", "z"}, nullptr);
    rows.Settle();
    EXPECT_EQ("zabde", shown());
    EXPECT_EQ(3u, rows.Find({"B", "d"}));
}

TEST(TreeItemTable, GivesBackWholePointersForItsOwnKeysOnly) {
    runner::TreeItemTable table;
    int records[2];
    void *const wideHandle = reinterpret_cast<void *>(~uintptr_t(0) - 15);  // beyond 32 bits in 64-bit builds
    EXPECT_EQ(1, table.NextKey());
    const int32_t batchKey = table.Add({wideHandle, runner::ItemKind::Batch, &records[0]});
    const int32_t testKey = table.Add({nullptr, runner::ItemKind::TestFunction, &records[1]});
    EXPECT_EQ(1, batchKey);
    EXPECT_EQ(wideHandle, table.Find(batchKey)->item);
    EXPECT_EQ(runner::ItemKind::TestFunction, table.Find(testKey)->kind);
    EXPECT_EQ(&records[1], table.Find(testKey)->record);
    EXPECT_EQ(nullptr, table.Find(0));
    EXPECT_EQ(nullptr, table.Find(-1));
    EXPECT_EQ(nullptr, table.Find(3));
    table.Clear();
    EXPECT_EQ(nullptr, table.Find(batchKey));
}

TEST(TreeItemTable, HandsOutABatchsChildrenToInsertOnceUntilCleared) {
    runner::TreeItemTable table;
    int records[2];
    const int32_t batchKey = table.Add({nullptr, runner::ItemKind::Batch, &records[0]});
    const int32_t testKey = table.Add({nullptr, runner::ItemKind::TestFunction, &records[1]});
    EXPECT_FALSE(table.Find(batchKey)->childrenInserted);
    EXPECT_FALSE(table.TakeChildrenToInsert(testKey));
    EXPECT_FALSE(table.TakeChildrenToInsert(0));
    EXPECT_FALSE(table.TakeChildrenToInsert(testKey + 1));
    EXPECT_TRUE(table.TakeChildrenToInsert(batchKey));
    EXPECT_TRUE(table.Find(batchKey)->childrenInserted);
    EXPECT_FALSE(table.TakeChildrenToInsert(batchKey));
    table.Clear();
    EXPECT_TRUE(table.TakeChildrenToInsert(table.Add({nullptr, runner::ItemKind::Batch, &records[0]})));
}

// A record keeps the first key it was given, so items made anew must take it again.
TEST(TreeItemTable, GivesARecordItsKeyAgainAfterItsItemsAreForgotten) {
    runner::TreeItemTable table;
    int records[2] = {};
    const int32_t first = table.KeyFor(0, &records[0]);
    table.Put(first, {&records[0], runner::ItemKind::Batch, &records[0]});
    table.TakeChildrenToInsert(first);
    table.ForgetItems();
    EXPECT_EQ(nullptr, table.Find(first)->item);
    EXPECT_FALSE(table.Find(first)->childrenInserted);
    const int32_t second = table.KeyFor(0, &records[1]);
    table.Put(second, {&records[1], runner::ItemKind::Batch, &records[1]});
    EXPECT_EQ(first, table.KeyFor(first, &records[0]));
    EXPECT_EQ(second + 1, table.KeyFor(first, &records[1]));  // another record's key
    table.Put(first, {&records[1], runner::ItemKind::Batch, &records[0]});
    EXPECT_EQ(&records[1], table.Find(first)->item);
}

// A reload's new records take over the old items; the records are not the table's.
TEST(TreeItemTable, HandsItsItemsToNewRecordsOnceTheOldAreForgotten) {
    runner::TreeItemTable table;
    int item = 0;
    int records[2] = {};
    const int32_t key = table.Add({&item, runner::ItemKind::Batch, &records[0]});
    table.TakeChildrenToInsert(key);
    table.ForgetRecords();
    EXPECT_EQ(nullptr, table.Find(key)->record);
    EXPECT_EQ(&item, table.Find(key)->item);
    EXPECT_TRUE(table.Find(key)->childrenInserted);
    EXPECT_NE(key, table.KeyFor(key, &records[0]));  // the freed record holds its key no more
    EXPECT_TRUE(table.GiveRecord(key, &records[1]));
    EXPECT_EQ(key, table.KeyFor(key, &records[1]));
    EXPECT_FALSE(table.GiveRecord(key + 1, &records[1]));
    EXPECT_FALSE(table.GiveRecord(0, &records[1]));
}

// What a library registers after a reload, one step a line: "B name" a batch, "T name"
// a test of the batch last registered; each step's key, 0 for none.
struct Registration {
    const char *what;
    std::vector<std::string> steps;
    std::vector<int32_t> keys;
    bool allTaken;
};

// Kept before it: batch A (key 1) with items for its tests x (2) and y (3), and batch
// B (4) whose tests have none.
runner::KeptItems KeptBeforeTheReload() {
    runner::KeptItems kept;
    kept.KeepBatch(1, "A", true);
    kept.KeepTest(2, "x");
    kept.KeepTest(3, "y");
    kept.KeepBatch(4, "B", false);
    return kept;
}

TEST(KeptItems, MatchTheRebuiltLibraryByNameAndOrderOrNotAtAll) {
    const Registration registrations[] = {
        {"the same library", {"B A", "T x", "T y", "B B", "T z"}, {1, 2, 3, 4, 0}, true},
        {"more tests where none had items", {"B A", "T x", "T y", "B B", "T z", "T w"}, {1, 2, 3, 4, 0, 0}, true},
        {"a test gone where items were shown", {"B A", "T x", "B B"}, {1, 2, 4}, false},
        {"a test added where items were shown", {"B A", "T x", "T y", "T n", "B B"}, {1, 2, 3, 0, 0}, false},
        {"tests swapped", {"B A", "T y", "T x", "B B"}, {1, 0, 0, 0}, false},
        {"a batch renamed", {"B A", "T x", "T y", "B C"}, {1, 2, 3, 0}, false},
        {"a batch gone", {"B A", "T x", "T y"}, {1, 2, 3}, false},
        {"a batch added", {"B A", "T x", "T y", "B B", "B C"}, {1, 2, 3, 4, 0}, false},
        {"nothing registered", {}, {}, false},
    };
    for (const Registration &registration : registrations) {
        runner::KeptItems kept = KeptBeforeTheReload();
        int32_t batchKey = 0;
        std::vector<int32_t> keys;
        for (const std::string &step : registration.steps) {
            const std::string name = step.substr(2);
            if (step[0] == 'B') {
                const int32_t key = kept.TakeBatch(name);
                batchKey = key != 0 ? key : -1;
                keys.push_back(key);
            } else {
                keys.push_back(kept.TakeTest(batchKey, name));
            }
        }
        EXPECT_EQ(registration.keys, keys) << registration.what;
        EXPECT_EQ(registration.allTaken, kept.AllTaken()) << registration.what;
    }
}

TEST(KeptItems, TakeNothingOnceGivenUpAndAllAfterClearing) {
    runner::KeptItems kept = KeptBeforeTheReload();
    kept.GiveUp();
    EXPECT_EQ(0, kept.TakeBatch("A"));
    EXPECT_FALSE(kept.AllTaken());
    kept.Clear();
    EXPECT_TRUE(kept.Empty());
    EXPECT_TRUE(kept.AllTaken());
    // A test kept with no batch whose tests have items cannot be matched.
    kept.KeepTest(9, "x");
    EXPECT_FALSE(kept.AllTaken());
}

TEST(TestResults, NameTheStateAndPickTheImage) {
    using runner::TestState;
    EXPECT_EQ(unsigned(IDS_RESULT_TESTING), runner::ResultTextId(TestState::Running));
    EXPECT_EQ(unsigned(IDS_RESULT_SKIPPED), runner::ResultTextId(TestState::NotRun));
    EXPECT_EQ(unsigned(IDS_RESULT_SKIPPED), runner::ResultTextId(TestState::Skipped));
    EXPECT_EQ(unsigned(IDS_RESULT_FAILED), runner::ResultTextId(TestState::Failed));
    EXPECT_EQ(unsigned(IDS_RESULT_PASSED), runner::ResultTextId(TestState::Passed));
    EXPECT_EQ(2, runner::TreeImageOf(TestState::NotRun));
    EXPECT_EQ(2, runner::TreeImageOf(TestState::Skipped));
    EXPECT_EQ(3, runner::TreeImageOf(TestState::Passed));
    EXPECT_EQ(4, runner::TreeImageOf(TestState::Failed));
    EXPECT_EQ(5, runner::TreeImageOf(TestState::Running));
}

TEST(TestResults, OnlyAMeasuredBatchRunWithoutFailuresEndsGreen) {
    int testFunction = 0;
    const runner::ProgressScope all = runner::ScopeOfRun(nullptr);
    const runner::ProgressScope single = runner::ScopeOfRun(&testFunction);
    EXPECT_TRUE(all.tracking);
    EXPECT_FALSE(single.tracking);
    EXPECT_TRUE(runner::EndsGreen(all, 0));
    EXPECT_FALSE(runner::EndsGreen(all, 1));
    EXPECT_FALSE(runner::EndsGreen(single, 0));
}

TEST(TestResults, RedrawTheBarWhenItsFilledPartGrowsAndAtTheEnd) {
    int redraws = 0;
    for (uint32_t step = 1; step <= 10000; ++step) {
        redraws += runner::StepShows(step, 10000, 500) ? 1 : 0;
    }
    EXPECT_EQ(500, redraws);
    EXPECT_TRUE(runner::StepShows(1, 1, 500));
    EXPECT_TRUE(runner::StepShows(3, 3, 0));  // a bar without width still ends full
    EXPECT_TRUE(runner::StepShows(1, 3, 600));
}

TEST(CommandRules, OfferEachCommandOnlyWhenItCanAct) {
    using runner::OfferRule;
    runner::WindowFacts idle;  // nothing loaded, list mode
    EXPECT_TRUE(runner::IsOffered(OfferRule::Always, idle));
    EXPECT_FALSE(runner::IsOffered(OfferRule::BatchAvailable, idle));
    EXPECT_FALSE(runner::IsOffered(OfferRule::ReportShown, idle));
    EXPECT_FALSE(runner::IsOffered(OfferRule::CurrentTestFunction, idle));
    EXPECT_FALSE(runner::IsOffered(OfferRule::NotInListMode, idle));
    EXPECT_TRUE(runner::IsOffered(OfferRule::NotInXmlMode, idle));
    EXPECT_FALSE(runner::IsOffered(OfferRule::LibraryOpen, idle));
    idle.failuresRecorded = true;  // failures of a library whose batches are gone
    EXPECT_FALSE(runner::IsOffered(OfferRule::FailuresRecorded, idle));
    runner::WindowFacts afterRun;
    afterRun.batchAvailable = afterRun.reportShown = afterRun.currentTestFunction = true;
    afterRun.listMode = false;
    afterRun.libraryOpen = afterRun.failuresRecorded = true;
    EXPECT_TRUE(runner::IsOffered(OfferRule::LibraryOpen, afterRun));
    EXPECT_TRUE(runner::IsOffered(OfferRule::FailuresRecorded, afterRun));
    EXPECT_TRUE(runner::IsOffered(OfferRule::BatchAvailable, afterRun));
    EXPECT_TRUE(runner::IsOffered(OfferRule::ReportShown, afterRun));
    EXPECT_TRUE(runner::IsOffered(OfferRule::CurrentTestFunction, afterRun));
    EXPECT_TRUE(runner::IsOffered(OfferRule::NotInListMode, afterRun));
    EXPECT_FALSE(runner::IsOffered(OfferRule::NotInXmlMode, afterRun));
}

// A test opens at its definition when the library knows it; a failure at its own
// line, in the file its check named, and a crash (line 0) at the test's definition.
TEST(SourcePlaces, OpenTheCheckWhereItHasALineAndTheDefinitionElsewhere) {
    runner::TestPlaces defined;
    defined.checkFile = "tests.c";
    defined.definedFile = "declared.c";
    defined.definedLine = 12;
    defined.failed = true;
    defined.firstFailureLine = 20;
    runner::TestPlaces definedWithoutLine = defined;
    definedWithoutLine.definedLine = 0;
    runner::TestPlaces added = defined;  // added without its place, as before
    added.definedFile = nullptr;
    added.definedLine = 0;
    runner::TestPlaces crashedFirst = added;
    crashedFirst.firstFailureLine = 0;
    runner::TestPlaces passed = added;
    passed.failed = false;
    const runner::TestPlaces unknown;
    const struct {
        const char *what;
        bool failure;
        const char *failureFile;
        long failureLine;
        runner::TestPlaces test;
        std::string file;
        long line;
    } cases[] = {
        {"declared test", false, nullptr, 0, defined, "declared.c", 12},
        {"declared without a line", false, nullptr, 0, definedWithoutLine, "declared.c", 1},
        {"added test that failed", false, nullptr, 0, added, "tests.c", 20},
        {"added test whose first failure is a crash", false, nullptr, 0, crashedFirst, "tests.c", 0},
        {"added test that passed", false, nullptr, 0, passed, "tests.c", 1},
        {"test without any file", false, nullptr, 0, unknown, "", 0},
        {"failure in a helper's file", true, "helper.c", 30, defined, "helper.c", 30},
        {"failure without a file", true, nullptr, 30, added, "tests.c", 30},
        {"crash of a declared test", true, nullptr, 0, defined, "declared.c", 12},
        {"crash of an added test", true, nullptr, 0, added, "tests.c", 0},
        {"crash of a test without any file", true, "", 0, unknown, "", 0},
    };
    for (const auto &each : cases) {
        const runner::SourcePlace place = each.failure
                                              ? runner::PlaceOfFailure(each.failureFile, each.failureLine, each.test)
                                              : runner::PlaceOfTest(each.test);
        EXPECT_EQ(each.file, place.file) << each.what;
        EXPECT_EQ(each.line, place.line) << each.what;
    }
}

TEST(RegistrationMessage, SetsEachErrorApartAndCountsThoseBeyondTheLimit) {
    const std::vector<std::string> errors = {"A.x was not added", "B.y was not added", "C.z was not added"};
    EXPECT_EQ("Refused:\r\n\r\nA.x was not added\r\n\r\nB.y was not added\r\n\r\nC.z was not added",
              runner::RegistrationMessage("Refused:", errors, 3, "%u more"));
    EXPECT_EQ("Refused:\r\n\r\nA.x was not added\r\n\r\n2 more",
              runner::RegistrationMessage("Refused:", errors, 1, "%u more"));
}

TEST(WindowLayout, PlacesTheViewsForAClientSize) {
    const runner::MainLayout layout = runner::ComputeMainLayout(800, 600, {0, 40, 210, 400}, 65);
    EXPECT_EQ(0, layout.tree.left);
    EXPECT_EQ(40, layout.tree.top);
    EXPECT_EQ(210, layout.tree.right);
    EXPECT_EQ(600, layout.tree.bottom);
    EXPECT_EQ(216, layout.pane.left);
    EXPECT_EQ(65, layout.pane.top);
    EXPECT_EQ(794, layout.pane.right);
    EXPECT_EQ(578, layout.pane.bottom);
    EXPECT_EQ(217, layout.xmlView.left);
    EXPECT_EQ(577, layout.xmlView.bottom);
    EXPECT_EQ(66, layout.resultList.top);
    EXPECT_EQ(501, layout.resultList.bottom);
    EXPECT_EQ(503, layout.failureList.top);
    EXPECT_EQ(577, layout.failureList.bottom);
    EXPECT_EQ(793, layout.failureList.right);
    EXPECT_EQ(584, layout.progress.top);
    EXPECT_EQ(594, layout.progress.bottom);
    EXPECT_EQ(216, layout.repaint.left);
    EXPECT_EQ(800, layout.repaint.right);
}

}  // namespace
