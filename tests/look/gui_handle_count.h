// How many GDI and USER objects a process holds. The system's own count where it
// keeps one; where it does not (Wine answers GetGuiResources with 0), the GDI
// objects are counted in the process's GDI handle table, whose entries hold their
// object type, and the USER count stays 0.
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

inline DWORD CountGdiTableEntries(HANDLE process) {
    using QueryFunction = NTSTATUS(NTAPI *)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return 0;
    }
    void *table = nullptr;
    const char *tableField = reinterpret_cast<const char *>(basic.PebBaseAddress) + kGdiTableOffset;
    if (!ReadProcessMemory(process, tableField, &table, sizeof table, nullptr) || table == nullptr) {
        return 0;
    }
    std::vector<unsigned char> entries(kGdiTableEntries * kGdiEntrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), nullptr)) {
        return 0;
    }
    DWORD used = 0;
    for (size_t entry = 0; entry < entries.size(); entry += kGdiEntrySize) {
        used += entries[entry + kGdiEntryTypeOffset] != 0 ? 1 : 0;
    }
    return used;
}

}  // namespace detail

// process: a handle with query and read rights.
inline GuiHandleCounts CountGuiHandles(HANDLE process) {
    GuiHandleCounts counts = {GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS)};
    if (counts.gdi == 0) {
        counts.gdi = detail::CountGdiTableEntries(process);
    }
    return counts;
}

}  // namespace look_test
