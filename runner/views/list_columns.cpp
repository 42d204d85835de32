#include "views/list_columns.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "norvik.h"
#include "resources/program_resources.h"

namespace runner {
namespace {

constexpr int kMinimumColumnWidth = 20;
constexpr int kColumnMargin = 20;
// Only the first 260 characters of a text count towards its column's width.
constexpr int kMeasuredTextSize = 261;
constexpr int kCellTextSize = 1024;

// The user's widths by list; a list missing here has none.
std::unordered_map<HWND, std::vector<int>> userWidths;

int UserWidth(HWND list, int column) {
    const auto found = userWidths.find(list);
    if (found == userWidths.end() || column >= static_cast<int>(found->second.size())) {
        return 0;
    }
    return found->second[static_cast<size_t>(column)];
}

int ColumnCount(HWND list) {
    const auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

void InsertColumn(HWND list, int index, unsigned titleId) {
    const RunnerString title = LoadRunnerString(titleId);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_MINWIDTH;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<char *>(title.OrEmpty());
    column.cxMin = kMinimumColumnWidth;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

// Widths of texts in the list's font, as the list measures them, from one device
// context for all texts: the list's own measuring takes a context per text, and a
// column of thousands of rows repeats most of its texts.
class TextMeasure {
public:
    explicit TextMeasure(HWND list) : list_(list), context_(GetDC(list)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
        previousFont_ = SelectObject(context_, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    }
    ~TextMeasure() {
        SelectObject(context_, previousFont_);
        ReleaseDC(list_, context_);
    }
    TextMeasure(const TextMeasure &) = delete;
    TextMeasure &operator=(const TextMeasure &) = delete;

    int Width(const char *text) {
        const std::string_view asked(text);
        const auto known = widths_.find(asked);
        if (known != widths_.end()) {
            return known->second;
        }
        SIZE size = {};
        GetTextExtentPoint32A(context_, text, static_cast<int>(asked.size()), &size);
        widths_.emplace(texts_.emplace_back(asked), size.cx);
        return size.cx;
    }

private:
    HWND list_;
    HDC context_;
    HGDIOBJ previousFont_;
    // Asked for without a copy: the texts measured are kept here, where they stay put.
    std::deque<std::string> texts_;
    std::unordered_map<std::string_view, int> widths_;
};

int HeaderWidth(HWND header, int column, TextMeasure &measure) {
    char text[kMeasuredTextSize] = "";
    HDITEMA item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = kMeasuredTextSize;
    if (!SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item))) {
        return 0;
    }
    return measure.Width(text);
}

int WidestCell(HWND list, int column, int rows, int width, TextMeasure &measure) {
    char text[kMeasuredTextSize];
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = kMeasuredTextSize;
    for (int row = 0; row < rows; ++row) {
        text[0] = '\0';
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        if (text[0] != '\0') {
            width = std::max(width, measure.Width(text));
        }
    }
    return width;
}

int WidestCell(CellTextSource cellText, int column, int rows, int width, TextMeasure &measure) {
    char text[kMeasuredTextSize];
    for (int row = 0; row < rows; ++row) {
        text[0] = '\0';
        const char *shown = cellText(row, column, text, sizeof text);
        if (shown != nullptr && shown[0] != '\0') {
            width = std::max(width, measure.Width(shown));
        }
    }
    return width;
}

}  // namespace

void AutosizeColumns(HWND list, CellTextSource cellText) {
    const auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    TextMeasure measure(list);
    for (int column = 0; column < columns; ++column) {
        if (const int width = UserWidth(list, column)) {
            SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
            continue;
        }
        if (rows == 0) {
            SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), LVSCW_AUTOSIZE_USEHEADER);
            continue;
        }
        const int headerWidth = HeaderWidth(header, column, measure);
        const int width = (cellText != nullptr ? WidestCell(cellText, column, rows, headerWidth, measure)
                                               : WidestCell(list, column, rows, headerWidth, measure)) +
                          kColumnMargin;
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), static_cast<LPARAM>(width & 0xFFFF));
    }
}

void SetUpListView(HWND list, const unsigned *columnTitleIds, size_t columnCount) {
    const DWORD style = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
    SendMessageA(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
    for (size_t index = 0; index < columnCount; ++index) {
        InsertColumn(list, static_cast<int>(index), columnTitleIds[index]);
    }
    AutosizeColumns(list);
}

std::vector<int> UserColumnWidths(HWND list) {
    std::vector<int> widths;
    for (int column = 0; column < ColumnCount(list); ++column) {
        widths.push_back(UserWidth(list, column));
    }
    return widths;
}

void SetUserColumnWidths(HWND list, const std::vector<int> &widths) {
    userWidths[list] = widths;
    AutosizeColumns(list);
}

// Only a drag ends a track: the widths that autosizing sets leave no mark.
bool ColumnsHandleMessage(UINT message, LPARAM lParam) {
    if (message != WM_NOTIFY) {
        return false;
    }
    const auto *notice = reinterpret_cast<const NMHEADERA *>(lParam);
    if ((notice->hdr.code != HDN_ENDTRACKA && notice->hdr.code != HDN_ENDTRACKW) || notice->pitem == nullptr ||
        (notice->pitem->mask & HDI_WIDTH) == 0 || notice->iItem < 0) {
        return false;
    }
    const HWND list = GetParent(notice->hdr.hwndFrom);
    std::vector<int> widths = UserColumnWidths(list);
    if (notice->iItem >= static_cast<int>(widths.size())) {
        return false;
    }
    widths[static_cast<size_t>(notice->iItem)] = notice->pitem->cxy > 0 ? notice->pitem->cxy : 1;
    userWidths[list] = widths;
    return true;
}

void SetCellText(HWND list, int row, int column, const char *text) {
    if (text == nullptr) {
        text = "";
    }
    // Writing a cell repaints it, which costs far more than reading it first.
    char shown[kCellTextSize] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = shown;
    item.cchTextMax = kCellTextSize;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    if (std::strncmp(shown, text, kCellTextSize - 1) == 0) {
        return;
    }
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char *>(text);
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace runner
