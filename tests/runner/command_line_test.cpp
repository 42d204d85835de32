// WindowsNorvik.exe in command-line mode, started as a separate process: its exit
// code, the report file it leaves for each kind of command line, and what it says on
// standard error.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crafted_images.h"
#include "image_validation.h"
#include "runner_process.h"
#include "scratch_folder.h"

namespace {

constexpr DWORD kFailed = 1;

class CommandLineMode : public ::testing::Test {
protected:
    void SetUp() override {
        probeReport_ = folder_.File("probe-report.xml");
        loadedMark_ = folder_.File("probe-loaded.txt");
        SetEnvironmentVariableA("NORVIK_PROBE_REPORT", probeReport_.c_str());
        SetEnvironmentVariableA("NORVIK_PROBE_LOADED", loadedMark_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("NORVIK_PROBE_REPORT", nullptr);
        SetEnvironmentVariableA("NORVIK_PROBE_LOADED", nullptr);
    }

    static DWORD Run(const std::vector<std::string> &arguments) {
        RunnerProcess runner(arguments);
        EXPECT_TRUE(runner.Started());
        return runner.WaitForExit();
    }

    // The exit code, and in errors what the runner wrote to standard error.
    DWORD RunCapturingErrors(const std::vector<std::string> &arguments, std::string &errors) {
        const std::string path = folder_.File("errors.txt");
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        const HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = file;
        std::string commandLine = CommandLineOf(arguments);
        PROCESS_INFORMATION process = {};
        const bool started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                            &startup, &process) != 0;
        CloseHandle(file);
        EXPECT_TRUE(started);
        DWORD exitCode = STILL_ACTIVE;
        if (started) {
            WaitForSingleObject(process.hProcess, 60000);
            GetExitCodeProcess(process.hProcess, &exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        errors = ReadFileBytes(path);
        return exitCode;
    }

    std::string Crafted(const std::string &name, const crafted::Bytes &bytes) {
        crafted::WriteFile(folder_.File(name), bytes);
        return folder_.File(name);
    }

    const std::string probe_ = BuiltFile("runner_probe_library.dll");
    ScratchFolder folder_;
    std::string probeReport_;
    std::string loadedMark_;
};

TEST_F(CommandLineMode, WritesTheReportTheRunLeftAndExitsZeroThoughTestsFail) {
    const std::string report = folder_.File("report.xml");
    ASSERT_EQ(0u, Run({probe_, report}));
    const std::string written = ReadFileBytes(report);
    EXPECT_EQ(ReadFileBytes(probeReport_), written);
    EXPECT_NE(std::string::npos, written.find("<Name>ComparesWords</Name>"));
    EXPECT_NE(std::string::npos, written.find("<Result>Failed</Result>"));
}

TEST_F(CommandLineMode, TheSampleRunsToTheEndDespiteItsCrash) {
    const std::string report = folder_.File("sample.xml");
    ASSERT_EQ(0u, Run({BuiltFile("RingBufferTests.dll"), report}));
    const std::string written = ReadFileBytes(report);
    EXPECT_NE(std::string::npos, written.find("<Name>PushToMissingBuffer</Name>"));
    EXPECT_NE(std::string::npos, written.find("<Tested>7</Tested>"));
    EXPECT_NE(std::string::npos, written.find("<Passed>5</Passed>"));
    EXPECT_NE(std::string::npos, written.find("<LineNumber>0</LineNumber>"));
}

TEST_F(CommandLineMode, LeadingArgumentsNamingNothingAreSkippedAndTrailingOnesIgnored) {
    const std::string report = folder_.File("report.xml");
    const std::string extra = folder_.File("extra.xml");
    ASSERT_EQ(0u, Run({folder_.File("missing-one"), "missing two", probe_, report, extra, "more"}));
    EXPECT_TRUE(FileExists(report));
    EXPECT_FALSE(FileExists(extra));
}

TEST_F(CommandLineMode, AReportThatCannotBeWrittenExitsOne) {
    EXPECT_EQ(kFailed, Run({probe_, folder_.File("no-such-folder\\report.xml")}));
}

TEST_F(CommandLineMode, AReportPathNamingTheLibraryIsRefusedBeforeLoading) {
    const std::string copy = folder_.File("Probe.dll");
    ASSERT_TRUE(CopyFileA(probe_.c_str(), copy.c_str(), FALSE));
    const std::string before = ReadFileBytes(copy);
    EXPECT_EQ(kFailed, Run({copy, folder_.File("PROBE.DLL")}));
    EXPECT_EQ(kFailed, Run({copy, folder_.File(".\\probe.dll")}));
    EXPECT_EQ(before, ReadFileBytes(copy));
    EXPECT_FALSE(FileExists(loadedMark_));
}

// The first existing argument is taken as the library even when it is not one; the
// argument after it, which the user may have meant as the library, is not written.
TEST_F(CommandLineMode, AnExistingFileBeforeTheLibraryIsNotOverwritten) {
    const std::string oldReport = Crafted("old-report.xml", crafted::Text("<TestResults/>"));
    const std::string before = ReadFileBytes(probe_);
    EXPECT_EQ(kFailed, Run({oldReport, probe_}));
    EXPECT_EQ(before, ReadFileBytes(probe_));
    EXPECT_FALSE(FileExists(loadedMark_));
}

TEST_F(CommandLineMode, EveryLoadingFailureExitsOneAndWritesNothing) {
    const uint16_t otherMachine =
        loader::OwnMachine() == loader::kMachineX64 ? loader::kMachineI386 : loader::kMachineX64;
    const crafted::Bytes ownImage = crafted::ImageHeader(loader::OwnMachine());
    const std::string libraries[] = {
        folder_.Path(),
        Crafted("empty.dll", crafted::Bytes()),
        Crafted("text.dll", crafted::Text("text\r\n")),
        Crafted("arm64.dll", crafted::ImageHeader(crafted::kMachineArm64)),
        Crafted("other.dll", crafted::ImageHeader(otherMachine)),
        Crafted("truncated.dll", crafted::Truncated(ownImage, 0x20)),
        Crafted("far.dll", crafted::WithHeaderOffset(ownImage, 0x7FFFFFFF)),
        BuiltFile("runner_refusing_library.dll"),
        BuiltFile("runner_no_entry_library.dll"),
    };
    const std::string report = folder_.File("report.xml");
    for (const std::string &library : libraries) {
        EXPECT_EQ(kFailed, Run({library, report})) << library;
        EXPECT_FALSE(FileExists(report)) << library;
    }
}

// A test that calls exit ends the run with an exit code of its own, never with the
// one the test asked for, and the report of what ran is written first: it holds the
// test as failed, with how it ended at line 0, as a crash is held.
TEST_F(CommandLineMode, ATestThatEndsTheProcessEndsTheRunWithCodeFour) {
    const std::string report = folder_.File("report.xml");
    EXPECT_EQ(4u, Run({BuiltFile("console_hostile_library.dll"), report}));
    const std::string written = ReadFileBytes(report);
    const size_t test = written.find("<Name>ExitsWithZero</Name>");
    ASSERT_NE(std::string::npos, test) << written;
    const std::string failed = "<Result>Failed</Result>";
    EXPECT_EQ(test, written.rfind("<Name>", written.find(failed, test))) << written;
    const size_t message = written.find("<Message>The test ended the runner&apos;s process</Message>", test);
    ASSERT_NE(std::string::npos, message) << written;
    EXPECT_EQ(written.find("<LineNumber>", message), written.find("<LineNumber>0</LineNumber>", message)) << written;
}

// The tests that registered run and are reported; each refused one is named, and the
// exit code says the run is not whole.
TEST_F(CommandLineMode, RegistrationErrorsArePrintedAndExitTwoAfterTheReport) {
    const std::string library = BuiltFile("declared_duplicates.dll");
    const std::string report = folder_.File("report.xml");
    std::string errors;
    EXPECT_EQ(2u, RunCapturingErrors({library, report}, errors));
    const std::string written = ReadFileBytes(report);
    EXPECT_NE(std::string::npos, written.find("<Name>SameName</Name>"));
    EXPECT_NE(std::string::npos, written.find("<Name>Other</Name>"));
    EXPECT_NE(std::string::npos, errors.find("WindowsNorvik: " + library + ": Shared.SameName at ")) << errors;
    EXPECT_NE(std::string::npos, errors.find("WindowsNorvik: " + library + ": The batch setup of batch Shared at "))
        << errors;
}

TEST_F(CommandLineMode, ALibraryOfEmptyBatchesStillGetsAReport) {
    const std::string report = folder_.File("report.xml");
    ASSERT_EQ(0u, Run({BuiltFile("runner_empty_batches_library.dll"), report}));
    const std::string written = ReadFileBytes(report);
    EXPECT_EQ(0u, written.find("<?xml"));
    EXPECT_NE(std::string::npos, written.find("<TestResults"));
}

}  // namespace
