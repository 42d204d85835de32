// The report's UTF-8 conversion, the trimming of "%.10f" numbers, and the
// library's name and version.
#include <cstring>

#include "memory.h"
#include "norvik.h"
#include "xml_text.h"

extern "C" {

char *NVK_CALL NvkConvertStringToUTF8(const char *text, size_t *length) {
    const size_t inputLength = text == nullptr ? 0 : std::strlen(text);
    if (length != nullptr) {
        *length = 0;
    }
    if (inputLength == 0 || length == nullptr) {
        return nullptr;
    }

    size_t highBytes = 0;
    for (size_t i = 0; i < inputLength; ++i) {
        highBytes += static_cast<unsigned char>(text[i]) >> 7;
    }
    const size_t outputLength = inputLength + highBytes;
    *length = outputLength;

    char *output = static_cast<char *>(nvk::AllocateTracked(outputLength + 1));
    if (highBytes == 0) {
        std::memcpy(output, text, inputLength);
        return output;
    }
    char *out = output;
    for (size_t i = 0; i < inputLength; ++i) {
        char encoded[2];
        const size_t count = nvk::xml_text::EncodeLatin1(static_cast<unsigned char>(text[i]), encoded);
        std::memcpy(out, encoded, count);
        out += count;
    }
    return output;
}

void NVK_CALL NvkConvertDoubleToStringComplete(char *text) {
    if (text == nullptr || text[0] == '\0') {
        return;
    }
    char *point = std::strchr(text, '.');
    if (point == nullptr) {
        return;
    }
    if (point[1] == '\0') {
        *point = '\0';
        return;
    }
    for (char *last = text + std::strlen(text) - 1; *last == '0' && last[-1] != '.'; --last) {
        *last = '\0';
    }
}

const char *NVK_CALL NvkAppName(void) { return "Norvik"; }

const char *NVK_CALL NvkAppVersion(void) { return "1.00"; }

}  // extern "C"
