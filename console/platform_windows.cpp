#include <windows.h>

#include <cstdio>

#include "kernel_handle.h"
#include "platform.h"
#include "wide_text_windows.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#  define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace console {

using loader::Utf8FromWide;
using loader::WideFromUtf8;
namespace {

// Where the run's lines go once the standard handles were taken; null: the standard ones.
HANDLE outputLines = nullptr;
HANDLE errorLines = nullptr;

// A console takes UTF-16, whatever its code page; a file or pipe the bytes as they are.
void WriteAll(DWORD which, HANDLE taken, FILE *stream, const std::string &text) {
    std::fflush(stream);
    const HANDLE output = taken != nullptr ? taken : GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        const std::wstring wide = WideFromUtf8(text);
        DWORD written = 0;
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const char *bytes = text.data();
    size_t size = text.size();
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!WriteFile(output, bytes, chunk, &written, nullptr) || written == 0) {
            return;
        }
        bytes += written;
        size -= written;
    }
}

}  // namespace

const char kProgramName[] = "NorvikRun";

// A redirected output has no console mode; a console takes colour codes only once
// asked to.
bool PrepareColourTerminal() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode)) {
        return false;
    }
    return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void WriteOutput(const std::string &text) { WriteAll(STD_OUTPUT_HANDLE, outputLines, stdout, text); }

void WriteError(const std::string &text) { WriteAll(STD_ERROR_HANDLE, errorLines, stderr, text); }

void WriteLinesTo(intptr_t output, intptr_t error) {
    outputLines = reinterpret_cast<HANDLE>(output);
    errorLines = reinterpret_cast<HANDLE>(error);
}

std::string AbsolutePath(const std::string &path) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (path.empty() || length == 0) {
        return path;
    }
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr);
    full.resize(written);
    return Utf8FromWide(full);
}

bool WriteWholeFile(const std::string &path, const std::string &bytes) {
    run::KernelHandle file(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    const char *at = bytes.data();
    size_t size = bytes.size();
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!WriteFile(file.Get(), at, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        at += written;
        size -= written;
    }
    return true;
}

bool TouchFile(const std::string &path) {
    run::KernelHandle file(CreateFileW(WideFromUtf8(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

}  // namespace console
