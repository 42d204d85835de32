#include "resources/program_resources.h"

#include "norvik.h"
#include "resources/resource.h"

namespace runner {
namespace {

constexpr int kStringBufferSize = 1024;

HINSTANCE programInstance = nullptr;

}  // namespace

void RecordProgramInstance(HINSTANCE instance) { programInstance = instance; }

HINSTANCE ProgramInstance() { return programInstance; }

RunnerString LoadRunnerString(unsigned id) {
    char text[kStringBufferSize];
    if (LoadStringA(programInstance, id, text, kStringBufferSize) <= 0) {
        return RunnerString();
    }
    return RunnerString(NvkMemCopyString(text));
}

int ShowErrorMessage(HWND owner, unsigned captionId, unsigned textId) {
    const RunnerString text = LoadRunnerString(textId);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    const RunnerString caption = LoadRunnerString(captionId != 0 ? captionId : IDS_DISPLAY_NAME);
    return MessageBoxA(owner, text.Get(), caption.Get(), MB_ICONERROR);
}

}  // namespace runner
