// How many GDI and USER objects a process holds. The system's own count where it
// keeps one; where it does not (Wine answers GetGuiResources with 0), the GDI
// objects are counted in the process's GDI handle table, whose entries hold their
// object type, and the USER count stays 0.
//
// Wine's server reads another process's memory by stopping its first thread with
// ptrace, and refuses the read (access denied) when it cannot: while another tracer
// holds the process, and when the thread has not stopped within the server's
// three-second watchdog, as when the machine stalls. After such a watchdog the thread
// stays attached to the server and every later read of that process is refused. A
// refused read must not pass for a process without handles, so a count says whether
// it was taken.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <vector>

namespace look_test {

struct GuiHandleCounts {
    DWORD gdi;
    DWORD user;
};

namespace detail {

// Wine's GDI handle table: 0x10000 entries of 24 bytes in both bitnesses, each with
// its object type (0: free) at byte 14.
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiEntryTypeOffset = 14;
// Where the process environment block keeps the table's address.
constexpr size_t kGdiTableOffset = sizeof(void *) == 8 ? 0xF8 : 0x94;

inline bool ReadWhole(HANDLE process, const void *address, void *buffer, size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

// False, with the reason in GetLastError, when the table could not be read.
inline bool CountGdiTableEntries(HANDLE process, DWORD &used) {
    using QueryFunction = NTSTATUS(NTAPI *)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    void *table = nullptr;
    const char *tableField = reinterpret_cast<const char *>(basic.PebBaseAddress) + kGdiTableOffset;
    if (!ReadWhole(process, tableField, &table, sizeof table)) {
        return false;
    }
    if (table == nullptr) {
        SetLastError(ERROR_NOT_FOUND);  // no GDI in the process yet
        return false;
    }
    std::vector<unsigned char> entries(kGdiTableEntries * kGdiEntrySize);
    if (!ReadWhole(process, table, entries.data(), entries.size())) {
        return false;
    }
    used = 0;
    for (size_t entry = 0; entry < entries.size(); entry += kGdiEntrySize) {
        used += entries[entry + kGdiEntryTypeOffset] != 0 ? 1 : 0;
    }
    return true;
}

}  // namespace detail

// process: a handle with query and read rights. False, with the reason in
// GetLastError, when the count could not be taken.
inline bool CountGuiHandles(HANDLE process, GuiHandleCounts &counts) {
    counts = {GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS)};
    return counts.gdi != 0 || detail::CountGdiTableEntries(process, counts.gdi);
}

}  // namespace look_test
