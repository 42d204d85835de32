#include "report_support.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "records.h"

namespace {

constexpr std::size_t kSlotCount = 16;

std::array<std::function<void()>, kSlotCount> &Bodies() {
    static std::array<std::function<void()>, kSlotCount> bodies;
    return bodies;
}

std::size_t &SlotsInUse() {
    static std::size_t used = 0;
    return used;
}

template <std::size_t Slot>
void NVK_CALL RunSlot() {
    Bodies()[Slot]();
}

template <std::size_t... Slots>
std::array<NvkTestProc, kSlotCount> SlotFunctions(std::index_sequence<Slots...>) {
    return {&RunSlot<Slots>...};
}

}  // namespace

NvkTestFunction *AddTest(NvkBatch *batch, const char *name, std::function<void()> body) {
    static const std::array<NvkTestProc, kSlotCount> functions = SlotFunctions(std::make_index_sequence<kSlotCount>());
    const std::size_t slot = SlotsInUse()++;
    if (slot >= kSlotCount) {
        ADD_FAILURE() << "more scripted test functions than slots";
        return nullptr;
    }
    Bodies()[slot] = std::move(body);
    return NvkBatchAddFunctionImp(batch, name, functions[slot]);
}

void SetExecutionTime(NvkTestFunction *testFunction, double seconds) { testFunction->executionTime = seconds; }

void RunSample() {
    NvkBatch *batch = NvkBatchCreate("Sample");
    NvkTestFunction *one = AddTest(batch, "TestOne", [] {
        NvkAssertAreEqualIntImp(1, 1, "sample_tests", 10);
        NvkAssertIsTrueImp(1, "sample_tests", 11);
    });
    NvkTestFunction *two = AddTest(batch, "TestTwo", [] {
        NvkAssertAreEqualIntImp(2, 2, "sample_tests", 41);
        NvkAssertAreEqualIntImp(1, 2, "sample_tests", 42);
    });
    NvkBatchRun(nullptr);
    SetExecutionTime(one, 0.0012345);
    SetExecutionTime(two, 0.5);
}

std::string CreateReport(int flags) {
    size_t length = 0;
    char *text = NvkReportCreate(flags, &length);
    if (text == nullptr) {
        ADD_FAILURE() << "no report for flags " << flags;
        return {};
    }
    std::string document(text, length);
    EXPECT_EQ(std::strlen(text), length);
    NvkMemFreeImp(&text);
    const std::string last = "\r\n</TestResults>";
    EXPECT_EQ(last, document.substr(document.size() - std::min(document.size(), last.size())));
    SaveForParsing(document);
    return document;
}

void SaveForParsing(const std::string &document) {
    static int saved = 0;
    const std::filesystem::path folder = "reports_to_parse";
    std::filesystem::create_directories(folder);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name() + "-" + std::to_string(++saved);
    std::ofstream(folder / (name + ".xml"), std::ios::binary) << document;
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string joined;
    const char *separator = "";
    for (const std::string &line : lines) {
        joined += separator + line;
        separator = "\r\n";
    }
    return joined;
}

std::string ElementText(const std::string &document, const std::string &name, std::size_t from) {
    const std::string start = "<" + name + ">";
    const std::size_t begin = document.find(start, from);
    if (begin == std::string::npos) {
        return "(no " + name + ")";
    }
    const std::size_t content = begin + start.size();
    return document.substr(content, document.find("</" + name + ">", content) - content);
}

void ReportTest::TearDown() {
    RegistryTest::TearDown();
    for (std::function<void()> &body : Bodies()) {
        body = nullptr;
    }
    SlotsInUse() = 0;
}
