#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "report_support.h"

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The summary of the worked example, on level 1 plus the extra indentation.
std::string SampleSummary(const std::string &extra) {
    const std::string i1 = extra + "    ", i2 = i1 + "    ", i3 = i2 + "    ";
    return Lines({i1 + "<Summary>", i2 + "<Functions>", i3 + "<Tested>2</Tested>", i3 + "<Passed>1</Passed>",
                  i3 + "<Failed>1</Failed>", i3 + "<Skipped>0</Skipped>",
                  i3 + "<ExecutionTime>0.5012345</ExecutionTime>", i2 + "</Functions>", i2 + "<Assertions>",
                  i3 + "<Passed>3</Passed>", i3 + "<Failed>1</Failed>", i2 + "</Assertions>", i1 + "</Summary>"});
}

// Batch names with the names and results of the test functions listed under them.
std::string Outline(const std::string &document) {
    const std::string batchName = std::string(12, ' ') + "<Name>";
    const std::string functionName = std::string(20, ' ') + "<Name>";
    const std::string result = std::string(20, ' ') + "<Result>";
    std::istringstream lines(document);
    std::string outline;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(batchName, 0) == 0) {
            outline += (outline.empty() ? "" : " ") + ElementText(line, "Name") + ":";
        }
        if (line.rfind(functionName, 0) == 0) {
            outline += " " + ElementText(line, "Name");
        }
        if (line.rfind(result, 0) == 0) {
            outline += "=" + ElementText(line, "Result");
        }
    }
    return outline;
}

std::string Seconds(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10f", seconds);
    NvkConvertDoubleToStringComplete(text);
    return text;
}

// What a parser must read back for each input byte: its entity, the control
// picture of a control byte that XML forbids, or its UTF-8 form.
std::string Encoded(const std::string &bytes) {
    std::string out;
    for (unsigned char byte : bytes) {
        const char *entities[] = {"&quot;", "&apos;", "&lt;", "&gt;", "&amp;"};
        const std::size_t special = std::string("\"'<>&").find(static_cast<char>(byte));
        char picture[16];
        std::snprintf(picture, sizeof picture, "&#x24%02X;", byte);
        if (special != std::string::npos) {
            out += entities[special];
        } else if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
            out += picture;
        } else if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            out += {static_cast<char>(0xC0 | (byte >> 6)), static_cast<char>(0x80 | (byte & 0x3F))};
        }
    }
    return out;
}

// Mixed: a pass, three failures, and a test never run; AllFail: one failure;
// NotRun: nothing ran. Times are fixed at 0.25 seconds.
void RunMixedRegistry() {
    NvkBatch *mixed = NvkBatchCreate("Mixed");
    AddTest(mixed, "Passes", [] { NvkAssert(1, "mixed.c", 1, "fine"); });
    AddTest(mixed, "Fails", [] {
        NvkAssert(0, nullptr, 7, "first");
        NvkAssert(0, nullptr, -1, "%s", "");
        NvkAssert(0, nullptr, 9, "third <&>");
    });
    NvkTestFunctionSetSkip(AddTest(mixed, "NeverRuns", [] {}), 1);
    AddTest(NvkBatchCreate("AllFail"), "Broken", [] { NvkAssert(0, "broken.c", 3, "broken"); });
    NvkTestFunctionSetSkip(AddTest(NvkBatchCreate("NotRun"), "Idle", [] {}), 1);
    NvkBatchRun(nullptr);
    for (NvkBatch *batch = mixed; batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test; test = NvkTestFunctionGetNext(test)) {
            if (NvkTestFunctionGetStatistics(test, nullptr, nullptr, nullptr)) {
                SetExecutionTime(test, 0.25);
            }
        }
    }
}

struct Row {
    int value;
};
const Row kRows[] = {{1}, {2}, {3}};

void NVK_CALL CheckRow(const void *row) {
    const int value = static_cast<const Row *>(row)->value;
    NvkAssert(value != 2, "rows.c", 20 + value, "row %d is <not> 'fine'", value);
}

// Every kind of item a report holds, with texts that need escaping or encoding, and
// times of every length, from nothing to the largest the report writes itself.
void RunVariedRegistry() {
    NvkBatch *varied = NvkBatchCreate("Varied <&> \xE9t\xE9");
    AddTest(varied, "Passes'\"", [] { NvkAssert(1, "v\xE9ried.c", 3, "fine"); });
    AddTest(varied, "Fails", [] {
        NvkSetLabel("varied.c", 5, "step <1>");
        NvkAssert(0, "varied.c", 6, "tab\there\r\nbell\x07 & \xFF");
        NvkSetLabel("varied.c", 7, nullptr);
        NvkAssert(0, "varied.c", -1, "%s", "");
        NvkAssert(0, "varied.c", 0, "]]> \"quoted\"");
    });
    AddTest(varied, "SkipsItself", [] { NvkSkip("needs <setup> & \"net\""); });
    AddTest(varied, "SkipsWithoutReason", [] { NvkSkip("%s", ""); });
    AddTest(varied, "SkipsThenFails", [] {
        NvkSkip("later");
        NvkAssert(0, nullptr, 9, "failed after all");
    });
    NvkTestFunctionSetSkip(AddTest(varied, "LeftOut", [] {}), 1);
    NvkBatch *rows = NvkBatchCreate("Rows");
    for (const Row &row : kRows) {
        const std::string name = "Row" + std::to_string(row.value);
        NvkBatchAddRowTestAt(rows, name.c_str(), CheckRow, &row, "rows.c", 10);
    }
    NvkTestFunctionSetSkip(AddTest(NvkBatchCreate("NothingRan"), "Idle", [] {}), 1);
    AddTest(NvkBatchCreate("Long"), "Slow", [] { NvkAssert(1, "long.c", 1, "fine"); });
    NvkBatchRun(nullptr);

    const double times[] = {0.0001234, 1.5, 1e-12, 0.00000000005, 999999.9999999999, 1234567.25, 0.1, 2.0 / 3};
    std::size_t next = 0;
    for (NvkBatch *batch = varied; batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test; test = NvkTestFunctionGetNext(test)) {
            if (NvkTestFunctionGetStatistics(test, nullptr, nullptr, nullptr)) {
                SetExecutionTime(test, times[next++ % (sizeof times / sizeof times[0])]);
            }
        }
    }
}

std::string FileText(const char *path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

// The reports of a varied registry, for several choices of items, are the bytes that the
// writer made before it was made faster (the file holds them one after the other).
TEST_F(ReportTest, VariedRegistryComesOutAsTheKnownBytes) {
    RunVariedRegistry();
    std::string documents;
    for (int flags : {NVK_REPORT_ALL, NVK_REPORT_SUMMARY | NVK_REPORT_FAILED, NVK_REPORT_PASSED,
                      NVK_REPORT_BATCH_SUMMARY | NVK_REPORT_SKIPPED}) {
        documents += CreateReport(flags) + "\n";
    }
    EXPECT_EQ(FileText(NORVIK_VARIED_REPORTS), documents);
}

TEST_F(ReportTest, WorkedExampleComesOutByteForByte) {
    RunSample();
    const std::string testTwo = Lines(
        {"                <Function>", "                    <Name>TestTwo</Name>",
         "                    <FileName>sample_tests</FileName>", "                    <Result>Failed</Result>",
         "                    <ExecutionTime>0.5</ExecutionTime>", "                    <Assertions>",
         "                        <Assertion>",
         "                            <Message>Expected integer to be &apos;1&apos; but it was &apos;2&apos;</Message>",
         "                            <LineNumber>42</LineNumber>", "                        </Assertion>",
         "                    </Assertions>", "                </Function>"});
    EXPECT_EQ(Lines({kDeclaration, "<TestResults>", SampleSummary(""), "    <Batches>", "        <Batch>",
                     "            <Name>Sample</Name>", "            <Functions>", testTwo, "            </Functions>",
                     "        </Batch>", "    </Batches>", "</TestResults>"}),
              CreateReport(NVK_REPORT_FAILED | NVK_REPORT_SUMMARY));

    const std::string testOne =
        Lines({"                <Function>", "                    <Name>TestOne</Name>",
               "                    <FileName>sample_tests</FileName>", "                    <Result>Passed</Result>",
               "                    <ExecutionTime>0.0012345</ExecutionTime>", "                </Function>"});
    EXPECT_EQ(Lines({kDeclaration, "<TestResults>", SampleSummary(""), "    <Batches>", "        <Batch>",
                     "            <Name>Sample</Name>", SampleSummary("        "), "            <Functions>", testOne,
                     testTwo, "            </Functions>", "        </Batch>", "    </Batches>", "</TestResults>"}),
              CreateReport(NVK_REPORT_ALL));
}

TEST_F(ReportTest, NoItemFlagOrNoLengthOutGivesNothingAndChangesNothing) {
    size_t length = 77;
    for (int flags : {0, 32, ~NVK_REPORT_ALL}) {
        EXPECT_EQ(nullptr, NvkReportCreate(flags, &length)) << flags;
    }
    EXPECT_EQ(77u, length);
    EXPECT_EQ(nullptr, NvkReportCreate(NVK_REPORT_ALL, nullptr));
    EXPECT_TRUE(EventRecorder::Events().empty());
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
}

TEST_F(ReportTest, EmptyRegistryGetsDefaultBatchAndOnlyTheFrame) {
    const std::string frame = Lines({kDeclaration, "<TestResults>", "</TestResults>"});
    EXPECT_EQ(frame, CreateReport(NVK_REPORT_SUMMARY));
    EXPECT_EQ(69u, frame.size());
    EXPECT_EQ((std::vector<int32_t>{NvkEventBatchCreated, NvkEventReportCreated}), EventRecorder::Codes());
    EXPECT_STREQ("DefaultBatch", NvkBatchGetName(NvkBatchGetFirst()));

    // Nothing has run, so no flag adds anything.
    AddTest(nullptr, "NeverRun", [] {});
    for (int flags = 1; flags <= NVK_REPORT_ALL; ++flags) {
        EXPECT_EQ(frame, CreateReport(flags)) << flags;
    }
}

TEST_F(ReportTest, TheTextIsAnnouncedAndCountedUntilFreed) {
    RunSample();
    EventRecorder::Clear();
    const int32_t before = NvkMemGetAllocCount();
    size_t length = 0;
    char *text = NvkReportCreate(NVK_REPORT_PASSED, &length);
    EXPECT_EQ(before + 1, NvkMemGetAllocCount());
    ASSERT_EQ(1u, EventRecorder::Events().size());
    EXPECT_EQ((RecordedEvent{NvkEventReportCreated, static_cast<uint32_t>(length), text, nullptr}),
              EventRecorder::Events()[0]);
    SaveForParsing(std::string(text, length));
    NvkMemFreeImp(&text);
    EXPECT_EQ(before, NvkMemGetAllocCount());
}

TEST_F(ReportTest, FlagsSelectBatchesAndTestFunctions) {
    RunMixedRegistry();
    const std::string summaryOnly = CreateReport(NVK_REPORT_SUMMARY);
    EXPECT_NE(std::string::npos, summaryOnly.find("    <Summary>"));
    EXPECT_EQ(std::string::npos, summaryOnly.find("<Batches>"));

    const std::string batchSummaries = CreateReport(NVK_REPORT_BATCH_SUMMARY);
    EXPECT_EQ("Mixed: AllFail:", Outline(batchSummaries));
    EXPECT_NE(std::string::npos, batchSummaries.find("            <Summary>"));
    EXPECT_NE(std::string::npos, batchSummaries.find("<Functions>\r\n            </Functions>"));
    EXPECT_EQ(std::string::npos, batchSummaries.find("<Function>"));

    EXPECT_EQ("Mixed: Passes=Passed NeverRuns=Skipped", Outline(CreateReport(NVK_REPORT_PASSED)));
    EXPECT_NE(std::string::npos, CreateReport(NVK_REPORT_PASSED).find("<ExecutionTime>0.0</ExecutionTime>"));
    EXPECT_EQ("Mixed: NeverRuns=Skipped", Outline(CreateReport(NVK_REPORT_SKIPPED)));
    EXPECT_EQ("Mixed: Fails=Failed AllFail: Broken=Failed", Outline(CreateReport(NVK_REPORT_FAILED)));
    EXPECT_EQ("Mixed: Passes=Passed Fails=Failed NeverRuns=Skipped AllFail: Broken=Failed",
              Outline(CreateReport(NVK_REPORT_ALL)));
}

TEST_F(ReportTest, FailuresAreListedInOrderWithTheirLineNumbers) {
    RunMixedRegistry();
    const std::string document = CreateReport(NVK_REPORT_FAILED);
    const std::string assertion = "                        <Assertion>";
    const std::string ending = "                        </Assertion>";
    EXPECT_NE(
        std::string::npos,
        document.find(Lines(
            {"                <Function>", "                    <Name>Fails</Name>",
             "                    <Result>Failed</Result>", "                    <ExecutionTime>0.25</ExecutionTime>",
             "                    <Assertions>", assertion, "                            <Message>first</Message>",
             "                            <LineNumber>7</LineNumber>", ending, assertion,
             "                            <Message></Message>",
             "                            <LineNumber>4294967295</LineNumber>", ending, assertion,
             "                            <Message>third &lt;&amp;&gt;</Message>",
             "                            <LineNumber>9</LineNumber>", ending, "                    </Assertions>",
             "                </Function>\r\n"})));
}

TEST_F(ReportTest, SummariesAreTheLibrarysStatistics) {
    RunMixedRegistry();
    NvkTestFunctionSetSkip(NvkBatchGetFirstTestFunction(NvkBatchGetFirst()), 1);
    NvkBatchRun(NvkBatchGetFirst());  // times as measured this time
    const std::string document = CreateReport(NVK_REPORT_ALL);
    std::vector<NvkBatch *> batches = {nullptr};
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        batches.push_back(batch);
    }
    for (NvkBatch *batch : batches) {
        int32_t tested, passed, failed, skipped, assertionsPassed, assertionsFailed;
        double seconds;
        NvkBatchGetStatistics(batch, &tested, &passed, &failed, &skipped, &assertionsPassed, &assertionsFailed,
                              &seconds);
        const std::size_t at = batch == nullptr ? 0 : document.find("<Name>" + std::string(NvkBatchGetName(batch)));
        if (tested == 0) {
            EXPECT_EQ(std::string::npos, at);
            continue;
        }
        const std::size_t assertions = document.find("<Assertions>", at);
        EXPECT_EQ(std::to_string(tested), ElementText(document, "Tested", at));
        EXPECT_EQ(std::to_string(passed), ElementText(document, "Passed", at));
        EXPECT_EQ(std::to_string(failed), ElementText(document, "Failed", at));
        EXPECT_EQ(std::to_string(skipped), ElementText(document, "Skipped", at));
        EXPECT_EQ(Seconds(seconds), ElementText(document, "ExecutionTime", at));
        EXPECT_EQ(std::to_string(assertionsPassed), ElementText(document, "Passed", assertions));
        EXPECT_EQ(std::to_string(assertionsFailed), ElementText(document, "Failed", assertions));
    }
}

TEST_F(ReportTest, EveryByteIsEscapedOrConvertedIntoWellFormedText) {
    std::string everyByte;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    AddTest(NvkBatchCreate(everyByte.c_str()), everyByte.c_str(),
            [everyByte] { NvkAssert(0, everyByte.c_str(), 1, "%s", everyByte.c_str()); });
    NvkBatchRun(nullptr);
    const std::string document = CreateReport(NVK_REPORT_ALL);
    const std::string encoded = Encoded(everyByte);
    EXPECT_EQ(encoded, ElementText(document, "Name", document.find("<Batch>")));
    EXPECT_EQ(encoded, ElementText(document, "Name", document.find("<Function>")));
    EXPECT_EQ(encoded, ElementText(document, "FileName"));
    EXPECT_EQ(encoded, ElementText(document, "Message"));
}

// A record keeps what a plain name or file name takes in the report only where that
// fits its field; every other text is measured and escaped as it is reported.
TEST_F(ReportTest, NamesAndFileNamesOfEveryLengthComeOutWhole) {
    std::vector<std::string> texts;
    for (const std::size_t length : {65534, 65535, 65536, 70000}) {
        for (const char last : {'z', '&'}) {
            texts.push_back(std::string(length - 1, 'a') + last);
        }
    }
    NvkBatch *batch = NvkBatchCreate("Long");
    for (const std::string &text : texts) {
        AddTest(batch, text.c_str(), [text] { NvkAssert(1, text.c_str(), 1, "passes"); });
    }
    NvkBatchRun(nullptr);
    const std::string document = CreateReport(NVK_REPORT_ALL);
    std::size_t function = 0;
    for (const std::string &text : texts) {
        function = document.find("<Function>", function + 1);
        EXPECT_EQ(Encoded(text), ElementText(document, "Name", function)) << text.size();
        EXPECT_EQ(Encoded(text), ElementText(document, "FileName", function)) << text.size();
    }
}

TEST_F(ReportTest, ReportsStayAvailableDuringARun) {
    static std::string outline;
    NvkBatch *batch = NvkBatchCreate("Running");
    AddTest(batch, "First", [] {});
    AddTest(batch, "Second", [] {});
    NvkSetEventHandler(
        [](int32_t code, uint32_t, intptr_t, void *, void *) {
            if (code == NvkEventTestFunctionFinished && outline.empty() && NvkIsRunning()) {
                outline = Outline(CreateReport(NVK_REPORT_ALL));
            }
        },
        0);
    NvkBatchRun(batch);
    EXPECT_EQ("Running: First=Passed Second=Skipped", outline);
}
