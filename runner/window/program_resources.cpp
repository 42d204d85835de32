#include "window/program_resources.h"

#include "norvik.h"
#include "resources/resource.h"

namespace runner {
namespace {

constexpr int kStringBufferSize = 1024;

HINSTANCE programInstance = nullptr;

}  // namespace

void RecordProgramInstance(HINSTANCE instance) { programInstance = instance; }

HINSTANCE ProgramInstance() { return programInstance; }

char *LoadRunnerString(unsigned id) {
    char text[kStringBufferSize];
    if (LoadStringA(programInstance, id, text, kStringBufferSize) <= 0) {
        return nullptr;
    }
    return NvkMemCopyString(text);
}

int ShowErrorMessage(HWND owner, unsigned captionId, unsigned textId) {
    char *text = LoadRunnerString(textId);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    char *caption = LoadRunnerString(captionId != 0 ? captionId : IDS_DISPLAY_NAME);
    const int result = MessageBoxA(owner, text, caption, MB_ICONERROR);
    NvkMemFreeImp(&text);
    NvkMemFreeImp(&caption);
    return result;
}

}  // namespace runner
