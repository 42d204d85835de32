// The line that tells a crash, from the facts a guard gathers: names, places and
// accesses, on every platform's terms.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "crash_facts.h"

namespace {

using nvk::CrashFacts;
using nvk::FaultAccess;

CrashFacts Exception(uint32_t code, const char *module, uintptr_t place, FaultAccess access = FaultAccess::None,
                     uintptr_t accessAddress = 0, unsigned digits = 16) {
    CrashFacts facts;
    facts.code = code;
    facts.module = module;
    facts.place = place;
    facts.placeKnown = true;
    facts.access = access;
    facts.accessAddress = accessAddress;
    facts.addressDigits = digits;
    return facts;
}

CrashFacts Signal(uint32_t number, const char *module, uintptr_t place, FaultAccess access = FaultAccess::None,
                  uintptr_t accessAddress = 0) {
    CrashFacts facts = Exception(number, module, place, access, accessAddress);
    facts.signal = true;
    return facts;
}

CrashFacts Nowhere(CrashFacts facts) {
    facts.placeKnown = false;
    return facts;
}

std::string Formatted(const CrashFacts &facts) {
    char text[nvk::kCrashDetailsSize];
    nvk::FormatCrashFacts(facts, text);
    return text;
}

TEST(CrashFacts, EachFaultIsToldWithItsNamePlaceAndAccess) {
    const struct {
        CrashFacts facts;
        const char *text;
    } cases[] = {
        {Exception(0xC0000005u, "RingBufferTests.dll", 0x1a2b, FaultAccess::Write),
         "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at RingBufferTests.dll+0x1a2b: write to address "
         "0x0000000000000000"},
        {Exception(0xC0000005u, "t.dll", 0x10, FaultAccess::Read, 0xdeadbeef),
         "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at t.dll+0x10: read from address 0x00000000deadbeef"},
        // A call through a null pointer lands in no module; 32-bit addresses have 8 digits.
        {Exception(0xC0000005u, nullptr, 0, FaultAccess::Execute, 0, 8),
         "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at 0x00000000: execute at address 0x00000000"},
        {Exception(0xC0000005u, "t.dll", 0x10, FaultAccess::Unknown, 0x40),
         "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at t.dll+0x10: access to address 0x0000000000000040"},
        {Exception(0xC00000FDu, "t.dll", 0), "exception 0xC00000FD (EXCEPTION_STACK_OVERFLOW) at t.dll+0x0"},
        {Exception(0xE06D7363u, "KERNELBASE.dll", 0x3b29c),
         "exception 0xE06D7363 (C++ exception) at KERNELBASE.dll+0x3b29c"},
        {Exception(0xC0001234u, "t.dll", 2), "exception 0xC0001234 at t.dll+0x2"},
        {Nowhere(Exception(0, nullptr, 0)), "exception 0x00000000"},
        {Signal(63, nullptr, 0x401000), "signal 63 at 0x0000000000401000"},
#if !defined(_WIN32)
        {Signal(SIGSEGV, "tests.so", 0x1139, FaultAccess::Write),
         "signal 11 (SIGSEGV) at tests.so+0x1139: write to address 0x0000000000000000"},
        {Nowhere(Signal(SIGSEGV, nullptr, 0, FaultAccess::Unknown, 0x10)),
         "signal 11 (SIGSEGV): access to address 0x0000000000000010"},
        {Signal(SIGABRT, "libc.so.6", 0x8aebc), "signal 6 (SIGABRT) at libc.so.6+0x8aebc"},
#endif
    };
    for (const auto &check : cases) {
        EXPECT_EQ(check.text, Formatted(check.facts));
    }
}

TEST(CrashFacts, ALongModuleNameIsCutToTheBuffer) {
    const std::string module(2 * nvk::kCrashDetailsSize, 'm');
    const std::string text = Formatted(Exception(0xC0000005u, module.c_str(), 0x10, FaultAccess::Write));
    EXPECT_EQ(nvk::kCrashDetailsSize - 1, text.size());
    EXPECT_EQ(0u, text.find("exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at mmm"));
}

TEST(CrashFacts, CppExceptionsNameTheirTypeAndWhatTheySaid) {
    const struct {
        const char *type;
        const char *what;
        const char *text;
    } cases[] = {
        {"std::runtime_error", "thrown", "C++ exception std::runtime_error: thrown"},
        {"int", nullptr, "C++ exception int"},
        {nullptr, nullptr, "C++ exception"},
    };
    for (const auto &check : cases) {
        char text[nvk::kCrashDetailsSize];
        nvk::FormatCppException(check.type, check.what, text);
        EXPECT_STREQ(check.text, text);
    }
}

}  // namespace
