// Writing the XML report to a file, exactly its bytes.
#include <cstdio>

#include "norvik.h"

extern "C" int32_t NVK_CALL NvkReportCreateFile(int flags, const char *fileName) {
    if (fileName == nullptr) {
        return 0;
    }
    // Binary, so the report's "\r\n" line ends are not translated again.
    std::FILE *file = std::fopen(fileName, "wb");
    if (file == nullptr) {
        return 0;
    }

    size_t length = 0;
    char *report = NvkReportCreate(flags, &length);
    const bool written = report != nullptr && std::fwrite(report, 1, length, file) == length;
    NvkMemFreeImp(&report);
    // Buffered bytes reach the file only when it is closed: a failure there
    // (a full disk, say) means the report is not whole either.
    const bool closed = std::fclose(file) == 0;
    return written && closed ? 1 : 0;
}
