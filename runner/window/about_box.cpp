// The about box, filled from the runner's own version resource; see about_box.h.
#include "window/about_box.h"

#include "norvik.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "window/dialog_setup.h"

namespace runner {
namespace {

constexpr int kBufferSize = 1024;

// The program's version data, read from its file; empty when it has none.
class VersionData {
public:
    VersionData() {
        char path[kBufferSize] = "";
        GetModuleFileNameA(ProgramInstance(), path, kBufferSize);
        const DWORD size = GetFileVersionInfoSizeA(path, nullptr);
        if (size == 0) {
            return;
        }
        data_ = NvkMemAlloc(size);
        if (!GetFileVersionInfoA(path, 0, size, data_)) {
            NvkMemFreeImp(&data_);
            return;
        }
        ReadStringBlock();
    }
    ~VersionData() { NvkMemFreeImp(&data_); }
    VersionData(const VersionData &) = delete;
    VersionData &operator=(const VersionData &) = delete;

    // The value of key in the first translation's string table; "" when missing.
    const char *String(const char *key) const {
        if (block_[0] == '\0') {
            return "";
        }
        char query[kBufferSize];
        wsprintfA(query, "%s%s", block_, key);
        char *value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_, query, reinterpret_cast<void **>(&value), &length) || value == nullptr) {
            return "";
        }
        return value;
    }

private:
    void ReadStringBlock() {
        WORD *translation = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_, "\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation), &length) ||
            length < 2 * sizeof(WORD)) {
            return;
        }
        const unsigned long languageAndCodePage = static_cast<unsigned long>(translation[0]) * 65536 + translation[1];
        wsprintfA(block_, "\\StringFileInfo\\%08lx\\", languageAndCodePage);
    }

    void *data_ = nullptr;
    char block_[64] = "";
};

void FillTexts(HWND dialog) {
    const RunnerString format = LoadRunnerString(IDS_VERSION_FORMAT);
    const VersionData version;
    const char *description = version.String("FileDescription");
    SetWindowTextA(dialog, description);
    char line[kBufferSize] = "";
    if (format.Get() != nullptr) {
        wsprintfA(line, format.Get(), description, version.String("FileVersion"));
    }
    SetDlgItemTextA(dialog, IDC_ABOUT_DESCRIPTION, line);
    SetDlgItemTextA(dialog, IDC_ABOUT_LEGAL, version.String("LegalCopyright"));
}

// OK, Enter, Escape and the close box all close it.
INT_PTR CALLBACK AboutBoxProcedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetUpRunnerDialog(dialog);
        FillTexts(dialog);
        break;
    case WM_CLOSE:
    case WM_COMMAND:
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace

void ShowAboutBox(HWND owner) {
    DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutBoxProcedure, 0);
}

}  // namespace runner
