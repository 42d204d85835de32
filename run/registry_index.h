// One index of a loaded library's tests, built in one walk over the registry: each
// test's identity, its place, and the registry's fingerprint. Every part of a run
// that needs to find a test, name it or walk the tests goes through it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "norvik.h"
#include "run_plan.h"

namespace run {

// A test's position in the index: registration order over all batches.
using TestKey = uint32_t;

// A name an index copied, ending in a NUL: one pointer where a view would take two
// words, read as a view. Good for as long as the text it points to.
class IndexText {
public:
    IndexText(const char *text = "") : text_(text) {}
    operator std::string_view() const { return text_; }
    // A C string.
    const char *data() const { return text_; }
    bool empty() const { return text_[0] == '\0'; }
    size_t size() const { return std::char_traits<char>::length(text_); }
    friend bool operator==(IndexText left, std::string_view right) { return std::string_view(left) == right; }
    friend bool operator!=(IndexText left, std::string_view right) { return !(left == right); }

private:
    const char *text_;
};

// An index's identities point to the copies of the names it holds, so an identity
// is good for as long as its index: each batch's name and each file is kept once.
struct TestIdentity {
    TestKey key = 0;
    TestRef ref;  // its batch's place and its place in that batch
    int32_t line = 0;
    IndexText batch;
    IndexText name;
    IndexText file;  // where it is defined, "" and 0 when unknown

    // "Batch.Test", the name every output uses.
    std::string FullName() const;
};

class RegistryIndex {
public:
    // Whether the tests' identities hold their names, files and lines, or only their
    // keys and places: a worker finds its tests by their places, in an index of every
    // test of the library.
    enum class Names { Kept, Left };
    // The library's registry as it is now; an empty one makes no default batch.
    static RegistryIndex OfLoadedLibrary(Names names = Names::Kept);

    size_t size() const { return tests_.size(); }
    const TestIdentity &operator[](TestKey key) const { return tests_[key]; }
    const std::vector<TestIdentity> &Tests() const { return tests_; }
    NvkTestFunction *Function(TestKey key) const { return functions_[key]; }
    NvkTestFunction *Function(const TestRef &ref) const { return functions_[KeyOf(ref)]; }
    TestKey KeyOf(const TestRef &ref) const { return firstOfBatch_[ref.batch] + ref.test; }
    // False for a test function this index does not hold. Safe from any thread.
    bool Find(NvkTestFunction *function, TestKey &key) const;
    size_t BatchCount() const { return firstOfBatch_.size(); }
    size_t BatchSize(uint32_t batch) const {
        return (batch + 1 < firstOfBatch_.size() ? firstOfBatch_[batch + 1] : tests_.size()) - firstOfBatch_[batch];
    }
    // Whether the place names a test of this registry.
    bool Holds(const TestRef &ref) const { return ref.batch < BatchCount() && ref.test < BatchSize(ref.batch); }

    // The tests whose skip flag is 0, of every batch or of the one batch.
    std::vector<TestRef> Selected(NvkBatch *only = nullptr) const;
    // Leaves exactly the given tests selected (skip flag 0).
    void Select(const std::vector<TestRef> &tests) const;

    // What tells two registries apart: a worker runs tests by their places in its own
    // registry, which name the parent's tests only when both hold the same batches
    // and tests in the same order.
    const std::string &Fingerprint() const { return fingerprint_; }

private:
    // The copies the identities view, in blocks that stay where they are as more come.
    class TextCopies {
    public:
        // A copy of the text, ending in a NUL; "" for NULL.
        const char *Keep(const char *text);

    private:
        std::vector<std::unique_ptr<char[]>> blocks_;
        char *free_ = nullptr;
        size_t left_ = 0;
    };

    std::vector<TestIdentity> tests_;
    TextCopies texts_;
    std::vector<NvkTestFunction *> functions_;
    std::vector<NvkBatch *> batches_;
    std::vector<TestKey> firstOfBatch_;
    // The keys in the order of their functions: one block for the whole registry,
    // searched by halves. Made at the first search: a run in registration order finds
    // its tests without one.
    struct KeysByFunction {
        std::once_flag made;
        std::vector<TestKey> keys;
    };
    std::unique_ptr<KeysByFunction> byFunction_ = std::make_unique<KeysByFunction>();
    std::string fingerprint_;
};

}  // namespace run
