// UTF-8, the runners' text everywhere, to and from the UTF-16 of Windows' own
// calls, so that paths outside the ANSI code page work.
#pragma once

#include <windows.h>

#include <string>

namespace loader {

inline std::wstring WideFromUtf8(const std::string &text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    }
    return wide;
}

inline std::string Utf8FromWide(const std::wstring &wide) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
    }
    return text;
}

// Text in the ANSI code page, as the window's calls take and give it, as UTF-8.
inline std::string Utf8FromAnsi(const char *text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) {
        return std::string();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return Utf8FromWide(wide);
}

// UTF-8 in the ANSI code page, for the window's calls; what it cannot hold becomes '?'.
inline std::string AnsiFromUtf8(const std::string &text) {
    const std::wstring wide = WideFromUtf8(text);
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0], length, nullptr, nullptr);
    }
    return ansi;
}

}  // namespace loader
