// A run's selection from a library's index: the filter, then the shard's share,
// dealt on across the run's libraries.
#include <gtest/gtest.h>

#include "registry_fixture.h"
#include "selection.h"

namespace {

class SelectionTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        NvkBatch *parser = NvkBatchCreate("Parser");
        NvkBatchAddFunctionImp(parser, "Reads", Proc<1>);
        NvkBatchAddFunctionImp(parser, "Slow", Proc<2>);
        NvkBatchAddFunctionImp(parser, "Writes", Proc<3>);
        NvkBatchAddFunctionImp(NvkBatchCreate("Net"), "Sends", Proc<4>);
        index_ = run::RegistryIndex::OfLoadedLibrary();
    }

    run::RegistryIndex index_;
};

TEST_F(SelectionTest, FilterThenShareDealtAcrossLibraries) {
    EXPECT_EQ((std::vector<run::TestKey>{0, 1, 2, 3}), console::Selection("", 0, 1).Take(index_));
    EXPECT_EQ((std::vector<run::TestKey>{0, 2}), console::Selection("Parser.*-*Slow", 0, 1).Take(index_));
    console::Selection shard("*-*Slow", 1, 2);
    // Of Reads, Writes and Sends, the second; the next library's deal goes on from there.
    EXPECT_EQ((std::vector<run::TestKey>{2}), shard.Take(index_));
    EXPECT_EQ((std::vector<run::TestKey>{0, 3}), shard.Take(index_));
}

}  // namespace
