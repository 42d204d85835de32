// The ring's copying, wrapped at its end, and the handshake that lets its reader
// sleep without missing the writer's next line.
#include "result_ring.h"

#include <algorithm>
#include <cstring>

namespace run {
namespace {

constexpr int kPollsBeforeSleep = 20;

constexpr char kRingOverwritten[] = "(the worker's shared memory was overwritten)\n";

// A worker makes a ring over the shared memory for each line it writes: this takes a
// step per bit set, none for a size that is a power of two.
uint32_t LargestPowerOfTwoIn(size_t size) {
    uint32_t power = static_cast<uint32_t>(std::min<size_t>(size, 1u << 30));
    while ((power & (power - 1)) != 0) {
        power &= power - 1;
    }
    return power != 0 ? power : 1;
}

}  // namespace

ResultRing::ResultRing(void *memory, size_t size)
    : header_(static_cast<RingHeader *>(memory)),
      bytes_(static_cast<char *>(memory) + sizeof(RingHeader)),
      capacity_(LargestPowerOfTwoIn(size - sizeof(RingHeader))) {}

void ResultRing::Initialise() {
    header_->written.store(0);
    header_->read.store(0);
    header_->readerSleeping.store(0);
}

size_t ResultRing::Put(const char *bytes, size_t count) {
    const uint32_t written = header_->written.load(std::memory_order_relaxed);
    const uint32_t free = capacity_ - (written - header_->read.load(std::memory_order_acquire));
    const uint32_t put = static_cast<uint32_t>(std::min<size_t>(count, free));
    const uint32_t start = written % capacity_;
    const uint32_t first = std::min(put, capacity_ - start);
    std::memcpy(bytes_ + start, bytes, first);
    std::memcpy(bytes_, bytes + first, put - first);
    // Sequentially consistent, against the reader's announcement (see AnnounceSleep).
    header_->written.store(written + put);
    return put;
}

bool ResultRing::TakeSleepingReader() { return header_->readerSleeping.exchange(0) != 0; }

size_t ResultRing::Take(char *buffer, size_t size) {
    const uint32_t read = header_->read.load(std::memory_order_relaxed);
    const uint32_t available = header_->written.load(std::memory_order_acquire) - read;
    // The writer's process shares the counters and may have overwritten them.
    if (corrupt_ || available > capacity_) {
        corrupt_ = true;
        return 0;
    }
    const uint32_t taken = static_cast<uint32_t>(std::min<size_t>(size, available));
    const uint32_t start = read % capacity_;
    const uint32_t first = std::min(taken, capacity_ - start);
    std::memcpy(buffer, bytes_ + start, first);
    std::memcpy(buffer + first, bytes_, taken - first);
    header_->read.store(read + taken, std::memory_order_release);
    if (taken > 0) {
        header_->readerSleeping.store(0, std::memory_order_relaxed);
    }
    return taken;
}

bool ResultRing::AnnounceSleep() {
    header_->readerSleeping.store(1);
    return header_->written.load() != header_->read.load(std::memory_order_relaxed);
}

size_t RingReader::Receive(char *buffer, size_t size, RingWaits &waits) {
    for (int polls = 0;; ++polls) {
        if (const size_t count = ring_.Take(buffer, size)) {
            return count;
        }
        if (ring_.Corrupt()) {
            return OverwrittenOnce(buffer, size);
        }
        if (ended_) {
            return 0;
        }
        if (polls < kPollsBeforeSleep) {
            ended_ = waits.WaitBriefly();
        } else if (!ring_.AnnounceSleep()) {
            ended_ = waits.SleepUntilWoken();
            polls = 0;
        }
    }
}

size_t RingReader::OverwrittenOnce(char *buffer, size_t size) {
    if (overwrittenTold_) {
        return 0;
    }
    overwrittenTold_ = true;
    const size_t count = std::min(size, sizeof kRingOverwritten - 1);
    std::memcpy(buffer, kRingOverwritten, count);
    return count;
}

}  // namespace run
