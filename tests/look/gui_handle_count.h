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

// An entry of the GDI handle table as Wine lays it out, in both bitnesses.
struct GdiTableEntry {
    unsigned long long object;
    unsigned short ownerProcess;
    unsigned short ownerCount;
    unsigned short unique;
    unsigned char type;  // 0: free
    unsigned char flags;
    unsigned long long userPointer;
};
static_assert(sizeof(GdiTableEntry) == 24, "the table's entries are 24 bytes");

constexpr size_t kGdiTableEntries = 0x10000;
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
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiTableEntry), nullptr)) {
        return 0;
    }
    DWORD used = 0;
    for (const GdiTableEntry &entry : entries) {
        used += entry.type != 0 ? 1 : 0;
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
