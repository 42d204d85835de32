// Records every library event so tests can compare exact sequences.
#pragma once

#include <cstdint>
#include <vector>

#include "norvik.h"

struct RecordedEvent {
    int32_t code;
    uint32_t value;
    void *first;
    void *second;
    bool operator==(const RecordedEvent &other) const {
        return code == other.code && value == other.value && first == other.first && second == other.second;
    }
};

class EventRecorder {
public:
    // Installs the recorder unlocked, so each test program can keep using it.
    static void Install() { NvkSetEventHandler(&EventRecorder::Handle, 0); }
    static std::vector<RecordedEvent> &Events() {
        static std::vector<RecordedEvent> events;
        return events;
    }
    static void Clear() { Events().clear(); }
    static std::vector<int32_t> Codes() {
        std::vector<int32_t> codes;
        for (const RecordedEvent &event : Events())
            codes.push_back(event.code);
        return codes;
    }

private:
    static void NVK_CALL Handle(int32_t code, uint32_t value, intptr_t, void *first, void *second) {
        Events().push_back({code, value, first, second});
    }
};

inline std::ostream &operator<<(std::ostream &out, const RecordedEvent &event) {
    return out << "{" << event.code << ", " << event.value << ", " << event.first << ", " << event.second << "}";
}
