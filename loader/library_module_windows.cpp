#include <windows.h>

#include <vector>

#include "image_validation.h"
#include "library_module.h"
#include "wide_text_windows.h"

namespace loader {
namespace {

std::string SystemText(DWORD error) {
    wchar_t *text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring wide(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) {
        wide.pop_back();
    }
    return Utf8FromWide(wide);
}

std::vector<unsigned char> FileBytes(const std::wstring &path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x40000000) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
            bytes.clear();
        }
    }
    CloseHandle(file);
    return bytes;
}

// Found as the loader would look: beside the library, loaded already, or on the
// search path (the runner's folder, the system's, PATH). The system's API sets
// are no files.
bool CanBeFound(const std::string &name, const std::wstring &folder) {
    const std::wstring wide = WideFromUtf8(name);
    if (name.compare(0, 7, "api-ms-") == 0 || name.compare(0, 7, "ext-ms-") == 0 ||
        GetModuleHandleW(wide.c_str()) != nullptr ||
        GetFileAttributesW((folder + wide).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    wchar_t found[MAX_PATH];
    return SearchPathW(nullptr, wide.c_str(), nullptr, MAX_PATH, found, nullptr) != 0;
}

std::string MissingImports(const std::wstring &path) {
    const std::vector<unsigned char> bytes = FileBytes(path);
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    std::string missing;
    for (const std::string &name : ImportedLibraryNames(bytes.data(), bytes.size())) {
        if (!CanBeFound(name, folder)) {
            missing += (missing.empty() ? "" : ", ") + name;
        }
    }
    return missing;
}

}  // namespace

std::string FullLibraryPath(const char *path) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return std::string();
    }
    std::wstring fullPath(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, &fullPath[0], nullptr);
    if (length == 0 || length >= needed) {
        return std::string();
    }
    fullPath.resize(length);
    return Utf8FromWide(fullPath);
}

bool IsSameLibraryPath(const std::string &first, const std::string &second) {
    return !first.empty() && lstrcmpiW(WideFromUtf8(first).c_str(), WideFromUtf8(second).c_str()) == 0;
}

LoadFailure ValidateOwnLibraryFile(const char *fullPath) { return ValidateLibraryFile(fullPath, OwnMachine()); }

// The altered search order looks for the library's own imports in its folder first,
// where its author put them, rather than in the runner's.
LibraryModule LoadLibraryModule(const char *fullPath) {
    return LoadLibraryExW(WideFromUtf8(fullPath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::string LoadRefusal(const char *fullPath) {
    const DWORD error = GetLastError();
    const std::string missing = MissingImports(WideFromUtf8(fullPath));
    const std::string windows = "Windows error " + std::to_string(error) + ": " + SystemText(error);
    if (missing.empty()) {
        return windows;
    }
    return missing + (missing.find(',') == std::string::npos ? ", which it imports, was" : ", which it imports, were") +
           " not found beside it or on the search path (" + windows + ")";
}

NvkTestProc FindLibraryEntry(LibraryModule module) {
    FARPROC function = GetProcAddress(static_cast<HMODULE>(module), "NvkLibraryCreateBatches");
    return reinterpret_cast<NvkTestProc>(reinterpret_cast<void *>(function));
}

void UnloadLibraryModule(LibraryModule module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace loader
