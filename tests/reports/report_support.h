// Building registries with scripted test functions, and taking reports out of
// the library so that every one of them is also checked by an XML parser.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "norvik.h"
#include "registry_fixture.h"

// Each test function gets a slot of its own, since a batch refuses a function
// pointer it already holds; the slot runs the body given here.
NvkTestFunction *AddTest(NvkBatch *batch, const char *name, std::function<void()> body);

// The run engine times every test; tests that compare whole documents fix the times afterwards.
void SetExecutionTime(NvkTestFunction *testFunction, double seconds);

// Batch "Sample", run: TestOne made two passing checks in 0.0012345 s; TestTwo one
// passing check and one failing at line 42 in 0.5 s; every check from "sample_tests".
void RunSample();

// NvkReportCreate's text (checked, saved for parsing and freed).
std::string CreateReport(int flags);
void SaveForParsing(const std::string &document);

// Document lines joined by "\r\n", without one after the last.
std::string Lines(std::initializer_list<std::string> lines);

// The content of the first element of that name at or after a position.
std::string ElementText(const std::string &document, const std::string &name, std::size_t from = 0);

class ReportTest : public RegistryTest {
protected:
    void TearDown() override;
};
