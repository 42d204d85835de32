// Reading the runner's controls from another process, as a user sees them: tree
// items, list rows, the progress bar and the XML view. (Menus stay out of reach:
// Wine keeps them in the process that owns them.) Controls that
// answer through pointers get them in memory allocated in the runner's process.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>
#include <vector>

class RemoteMemory {
public:
    RemoteMemory(HWND window, size_t size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process_ != nullptr) {
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteMemory() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory &) = delete;
    RemoteMemory &operator=(const RemoteMemory &) = delete;

    char *At(size_t offset) const { return static_cast<char *>(address_) + offset; }
    void Write(size_t offset, const void *data, size_t size) const {
        WriteProcessMemory(process_, At(offset), data, size, nullptr);
    }
    void Read(size_t offset, void *data, size_t size) const {
        ReadProcessMemory(process_, At(offset), data, size, nullptr);
    }

private:
    HANDLE process_ = nullptr;
    void *address_ = nullptr;
    size_t size_;
};

constexpr size_t kRemoteTextOffset = 1024;
constexpr size_t kRemoteTextSize = 1024;

struct TreeItem {
    std::string text;
    int image;
    int checkBox;  // state image: 1 empty, 2 ticked
    int level;     // 0 batch, 1 test function
    HTREEITEM handle;
};

inline HTREEITEM NextTreeItem(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

inline TreeItem ReadTreeItem(HWND tree, const RemoteMemory &memory, HTREEITEM handle, int level) {
    TVITEMA item = {};
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_STATE;
    item.hItem = handle;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.pszText = memory.At(kRemoteTextOffset);
    item.cchTextMax = kRemoteTextSize;
    memory.Write(0, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(memory.At(0)));
    memory.Read(0, &item, sizeof item);
    char text[kRemoteTextSize] = "";
    memory.Read(kRemoteTextOffset, text, sizeof text - 1);
    return {text, item.iImage, static_cast<int>((item.state & TVIS_STATEIMAGEMASK) >> 12), level, handle};
}

inline bool IsTreeItemExpanded(HWND tree, HTREEITEM item) {
    return (SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

enum class CollapsedBatches { Opened, Passed };

// Every item, batches each followed by their test functions. A batch's test items
// exist once it was expanded, as a user would to see them: a collapsed batch is
// expanded for the reading and collapsed again, before its own item is read.
// Passed over, a collapsed batch's tests are not read: the window then sees no
// batch expanded for the reading, which matters where it may reload at any time
// and keep what it sees expanded.
inline std::vector<TreeItem> ReadTree(HWND tree, CollapsedBatches collapsedBatches = CollapsedBatches::Opened) {
    RemoteMemory memory(tree, kRemoteTextOffset + kRemoteTextSize);
    std::vector<TreeItem> items;
    for (HTREEITEM batch = NextTreeItem(tree, nullptr, TVGN_ROOT); batch;
         batch = NextTreeItem(tree, batch, TVGN_NEXT)) {
        const size_t batchAt = items.size();
        const bool collapsed = !IsTreeItemExpanded(tree, batch);
        if (collapsed && collapsedBatches == CollapsedBatches::Passed) {
            items.push_back(ReadTreeItem(tree, memory, batch, 0));
            continue;
        }
        if (collapsed) {
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(batch));
        }
        for (HTREEITEM test = NextTreeItem(tree, batch, TVGN_CHILD); test; test = NextTreeItem(tree, test, TVGN_NEXT)) {
            items.push_back(ReadTreeItem(tree, memory, test, 1));
        }
        if (collapsed) {
            SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(batch));
        }
        // Read once collapsed again, the batch shows its folder as before.
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(batchAt), ReadTreeItem(tree, memory, batch, 0));
    }
    return items;
}

inline std::string ReadCell(HWND list, const RemoteMemory &memory, int row, int column) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = memory.At(kRemoteTextOffset);
    item.cchTextMax = kRemoteTextSize;
    memory.Write(0, &item, sizeof item);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
    char text[kRemoteTextSize] = "";
    memory.Read(kRemoteTextOffset, text, sizeof text - 1);
    return text;
}

using Row = std::vector<std::string>;

inline std::vector<Row> ReadRows(HWND list, int columns) {
    RemoteMemory memory(list, kRemoteTextOffset + kRemoteTextSize);
    std::vector<Row> rows(static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
    for (size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < columns; ++column) {
            rows[row].push_back(ReadCell(list, memory, static_cast<int>(row), column));
        }
    }
    return rows;
}

inline int SelectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

struct Progress {
    int maximum;
    int position;
    COLORREF bar;
};

inline Progress ReadProgress(HWND bar) {
    return {static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0)),
            static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)),
            static_cast<COLORREF>(SendMessageA(bar, PBM_GETBARCOLOR, 0, 0))};
}

inline std::wstring ReadWideText(HWND window) {
    const auto length = static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    SendMessageW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length);
    return text;
}

// The rectangle of an item's text in the tree's client coordinates.
inline RECT ItemTextRect(HWND tree, HTREEITEM item) {
    RemoteMemory memory(tree, sizeof(RECT));
    RECT rect = {};
    memory.Write(0, &rect, sizeof rect);
    memory.Write(0, &item, sizeof item);  // the message finds the item where the rectangle goes
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(memory.At(0)));
    memory.Read(0, &rect, sizeof rect);
    return rect;
}
