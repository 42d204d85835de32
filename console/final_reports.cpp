#include "final_reports.h"

#include "junit_report.h"
#include "library_loader.h"
#include "norvik.h"
#include "platform.h"
#include "report_paths.h"

namespace console {
namespace {

bool WriteReport(const std::string &path, const std::string &text, const ConsoleOutput &output) {
    if (WriteWholeFile(path, text)) {
        return true;
    }
    output.Error("cannot write the report " + path);
    return false;
}

std::string LibraryReport() {
    size_t length = 0;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    std::string text(report != nullptr ? report : "", length);
    NvkMemFreeImp(&report);
    return text;
}

}  // namespace

bool LibraryReportWriter::Write() {
    if (path_.empty() || WriteReport(path_, LibraryReport(), output_)) {
        return true;
    }
    failed_ = true;
    return false;
}

TapOutput::TapOutput(const std::string &path, const ConsoleOutput &output)
    : path_(path), output_(output), report_([this](const std::string &text) {
          if (path_ == "-") {
              WriteOutput(text);
          } else {
              text_ += text;
          }
      }) {}

bool TapOutput::Finish() {
    report_.Finish();
    return path_ == "-" || WriteReport(path_, text_, output_);
}

bool ReportsSpareTheLibraries(const Options &options, const ConsoleOutput &output) {
    for (const std::string &library : options.libraries) {
        for (const std::string &report : ReportsDuringLibrary(options, library)) {
            if (loader::ReportWouldOverwriteLibrary(report.c_str(), library.c_str())) {
                output.Error("the report " + report + " would overwrite the test library " + library);
                return false;
            }
        }
    }
    return true;
}

bool WriteJunitReport(const std::string &junitPath, const ResultStore &store, const ConsoleOutput &output) {
    return junitPath.empty() || WriteReport(junitPath, JunitReport(store), output);
}

}  // namespace console
