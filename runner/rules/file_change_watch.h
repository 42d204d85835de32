// When a test library that changed on disk is worth reloading: once it has stopped
// changing, and not again while it stays the file that failed. Portable; the window
// feeds it what it sees of the file at every tick of its timer.
#pragma once

#include <cstdint>

namespace runner {

struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;
};

bool operator==(const FileStamp &first, const FileStamp &second);
bool operator!=(const FileStamp &first, const FileStamp &second);

class FileChangeWatch {
public:
    // The file as it was when it was (re)loaded.
    void Loaded(const FileStamp &stamp);
    // True when the file differs from the loaded one and looked the same at the tick
    // before: the build that wrote it is done, or paused long enough to try.
    bool ShouldReload(const FileStamp &now);
    // The reload of this file failed: wait until it changes again, quietly.
    void Failed(const FileStamp &stamp) { failed_ = stamp; }

private:
    FileStamp loaded_;
    FileStamp lastSeen_;
    FileStamp failed_;
};

}  // namespace runner
