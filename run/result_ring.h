// A ring of bytes in memory that a worker and its runner share, for what the worker
// says: the worker copies each line in and the runner copies it out, with no call to
// the system for either. Under some systems every write to a pipe is a trip to
// another process that costs more than a trivial test. One writer, one reader.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace run {

// At the start of the shared memory; the bytes follow it.
struct RingHeader {
    std::atomic<uint32_t> written;  // bytes ever put, modulo 2^32
    std::atomic<uint32_t> read;     // bytes ever taken
    // Set by a reader that found the ring empty and is about to sleep until woken.
    std::atomic<uint32_t> readerSleeping;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free, "the counters are shared by two processes");

class ResultRing {
public:
    // memory holds size bytes, header included, aligned for the header. Both sides
    // give the same size, of which the ring uses the largest power of two that fits,
    // so that its counters may wrap.
    ResultRing(void *memory, size_t size);

    // The reader's side makes the ring before the writer sees it.
    void Initialise();

    // The writer: copies in what fits and returns how much that was.
    size_t Put(const char *bytes, size_t count);
    // The writer, after Put: whether the reader sleeps and must be woken; true once
    // for each time the reader announced its sleep.
    bool TakeSleepingReader();

    // The reader: copies out what is there, up to size bytes. Counters that claim
    // more than the ring holds were not written by a sound writer: nothing is taken
    // then, and Corrupt() says so from then on.
    size_t Take(char *buffer, size_t size);
    bool Corrupt() const { return corrupt_; }
    // The reader, before it sleeps: announces it, and then returns whether bytes came
    // in meanwhile, in which case it must not sleep. Either the writer sees the
    // announcement after its Put, or this sees what that Put wrote.
    bool AnnounceSleep();

private:
    RingHeader *header_;
    char *bytes_;
    uint32_t capacity_;
    bool corrupt_ = false;
};

// What to make the shared memory: a ring of a mebibyte.
constexpr size_t kResultRingSize = sizeof(RingHeader) + (1u << 20);

// How the runner waits for a worker's ring, on its platform. Each returns true once
// the worker ended.
class RingWaits {
public:
    // About a millisecond, unless the worker ends; nothing wakes it sooner.
    virtual bool WaitBriefly() = 0;
    // Until the worker wakes it (see ResultRing::TakeSleepingReader) or ends.
    virtual bool SleepUntilWoken() = 0;

protected:
    ~RingWaits() = default;
};

// The runner's side of a worker's ring. A reader that found nothing polls a while
// before it sleeps until woken: a worker that delivers a line meanwhile need not
// wake it, which would cost a trip to the system per test.
class RingReader {
public:
    RingReader(void *memory, size_t size) : ring_(memory, size) {}

    // Blocks until bytes arrive; 0 once the worker ended and what it wrote before
    // was read. Counters that make no sense give one line that names them, which
    // no message decodes, and then 0.
    size_t Receive(char *buffer, size_t size, RingWaits &waits);

private:
    size_t OverwrittenOnce(char *buffer, size_t size);

    ResultRing ring_;
    bool ended_ = false;
    bool overwrittenTold_ = false;
};

// The worker's side: puts all the bytes, wakes a reader that sleeps, and pauses
// while the ring is full, for the runner reads as long as the worker lives.
template <typename Wake, typename Pause>
void PutWhole(ResultRing &ring, const char *bytes, size_t count, Wake wake, Pause pause) {
    while (count > 0) {
        const size_t put = ring.Put(bytes, count);
        if (ring.TakeSleepingReader()) {
            wake();
        }
        bytes += put;
        count -= put;
        if (count > 0) {
            pause();
        }
    }
}

}  // namespace run
