#include "rules/file_change_watch.h"

namespace runner {

bool operator==(const FileStamp &first, const FileStamp &second) {
    return first.exists == second.exists && first.size == second.size && first.writeTime == second.writeTime;
}

bool operator!=(const FileStamp &first, const FileStamp &second) { return !(first == second); }

void FileChangeWatch::Loaded(const FileStamp &stamp) {
    loaded_ = stamp;
    lastSeen_ = stamp;
    failed_ = FileStamp();
}

bool FileChangeWatch::ShouldReload(const FileStamp &now) {
    const bool settled = now == lastSeen_;
    lastSeen_ = now;
    return settled && now.exists && now != loaded_ && now != failed_;
}

}  // namespace runner
