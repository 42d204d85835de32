// The ring a worker writes its lines into: bytes come out as they went in, across
// its end and its counters' wrap, and a reader about to sleep is never left asleep.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "result_ring.h"

namespace {

// A ring of 64 bytes, its memory aligned for the header.
struct SmallRing {
    explicit SmallRing(uint32_t counters = 0) : ring(memory.data(), sizeof(run::RingHeader) + 64) {
        ring.Initialise();
        auto *header = reinterpret_cast<run::RingHeader *>(memory.data());
        header->written.store(counters);
        header->read.store(counters);
    }
    std::vector<uint64_t> memory = std::vector<uint64_t>((sizeof(run::RingHeader) + 64) / 8 + 1);
    run::ResultRing ring;
};

std::string Take(run::ResultRing &ring, size_t most) {
    std::string buffer(most, '\0');
    buffer.resize(ring.Take(&buffer[0], most));
    return buffer;
}

TEST(ResultRing, BytesComeOutAsTheyWentInAcrossItsEndAndItsCountersWrap) {
    struct Case {
        uint32_t counters;  // where both counters start
        size_t piece;       // the writer's line length
        size_t readSize;    // the reader's buffer
    };
    const Case cases[] = {{0, 10, 64}, {0, 40, 7}, {0, 64, 64}, {0xFFFFFFF0u, 10, 3}, {0xFFFFFFC1u, 37, 50}};
    for (const Case &each : cases) {
        SmallRing small(each.counters);
        std::string sent, received;
        for (int line = 0; line < 40; ++line) {
            const std::string piece(each.piece, static_cast<char>('a' + line % 26));
            sent += piece;
            size_t put = 0;
            while (put < piece.size()) {
                put += small.ring.Put(piece.data() + put, piece.size() - put);
                received += Take(small.ring, each.readSize);
            }
        }
        for (std::string more; !(more = Take(small.ring, each.readSize)).empty();) {
            received += more;
        }
        EXPECT_EQ(sent, received) << each.counters << " " << each.piece << " " << each.readSize;
    }
}

TEST(ResultRing, AFullRingTakesNothingMoreUntilItIsRead) {
    SmallRing small;
    const std::string bytes(100, 'x');
    EXPECT_EQ(64u, small.ring.Put(bytes.data(), bytes.size()));
    EXPECT_EQ(0u, small.ring.Put(bytes.data(), bytes.size()));
    EXPECT_EQ(10u, Take(small.ring, 10).size());
    EXPECT_EQ(10u, small.ring.Put(bytes.data(), bytes.size()));
}

// Counters that claim more than the ring holds come from a writer that overwrote
// them: nothing is read past the ring, and the ring stays unusable.
TEST(ResultRing, CountersBeyondTheCapacityAreNeverReadThrough) {
    const struct {
        uint32_t written;
        uint32_t read;
    } cases[] = {{65, 0}, {0xFFFFFFFFu, 0}, {0, 1}, {1000, 10}};
    for (const auto &each : cases) {
        SmallRing small;
        auto *header = reinterpret_cast<run::RingHeader *>(small.memory.data());
        header->written.store(each.written);
        header->read.store(each.read);
        EXPECT_EQ("", Take(small.ring, 4096)) << each.written << " " << each.read;
        EXPECT_TRUE(small.ring.Corrupt());
        header->written.store(each.read + 1);
        EXPECT_EQ("", Take(small.ring, 4096)) << "still unusable";
    }
    SmallRing sound;
    sound.ring.Put("a", 1);
    EXPECT_EQ("a", Take(sound.ring, 8));
    EXPECT_FALSE(sound.ring.Corrupt());
}

TEST(ResultRing, AReaderAboutToSleepIsWokenOnceOrToldNotToSleep) {
    SmallRing small;
    EXPECT_FALSE(small.ring.TakeSleepingReader());
    EXPECT_FALSE(small.ring.AnnounceSleep());  // empty: it may sleep
    small.ring.Put("a", 1);
    EXPECT_TRUE(small.ring.TakeSleepingReader());
    EXPECT_FALSE(small.ring.TakeSleepingReader());

    EXPECT_TRUE(small.ring.AnnounceSleep());  // a line came in: it must not sleep
    EXPECT_EQ("a", Take(small.ring, 8));
    EXPECT_FALSE(small.ring.TakeSleepingReader());  // reading ended the announcement
}

// A writer and a reader on threads of their own: every line arrives, in order.
TEST(ResultRing, LinesCrossBetweenThreadsInOrder) {
    SmallRing small;
    constexpr int kLines = 5000;
    std::thread writer([&] {
        for (int line = 0; line < kLines; ++line) {
            const std::string text = std::to_string(line) + "\n";
            for (size_t put = 0; put < text.size(); std::this_thread::yield()) {
                put += small.ring.Put(text.data() + put, text.size() - put);
            }
        }
    });
    std::string received;
    int next = 0;
    bool inOrder = true;
    for (; next < kLines; std::this_thread::yield()) {
        received += Take(small.ring, 16);
        for (size_t end; (end = received.find('\n')) != std::string::npos; received.erase(0, end + 1)) {
            inOrder = inOrder && received.substr(0, end) == std::to_string(next);
            ++next;
        }
    }
    writer.join();
    EXPECT_TRUE(inOrder);
}

// The runner's waits for a worker on a thread of its own: a sleep that is never
// woken, though the worker wrote, shows as a wait that ran out.
class ThreadWaits final : public run::RingWaits {
public:
    void Wake() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++wakes_;
        woken_.notify_one();
    }
    void End() {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        woken_.notify_one();
    }
    bool WaitBriefly() override {
        std::this_thread::yield();
        std::lock_guard<std::mutex> lock(mutex_);
        return ended_;
    }
    bool SleepUntilWoken() override {
        ++sleepsStarted;
        std::unique_lock<std::mutex> lock(mutex_);
        if (!woken_.wait_for(lock, std::chrono::seconds(5), [this] { return wakes_ > 0 || ended_; })) {
            missedWake = true;
            return true;
        }
        wakes_ = 0;
        ++sleeps;
        return ended_;
    }
    bool missedWake = false;
    int sleeps = 0;
    std::atomic<int> sleepsStarted{0};

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
    bool ended_ = false;
};

// The reader sleeps between bursts and is woken for each; what the worker wrote
// before it ended is still read, and then the reader says it ended.
TEST(RingReader, SleepsBetweenLinesWithoutMissingOneAndReadsToTheEnd) {
    SmallRing small;
    run::RingReader reader(small.memory.data(), sizeof(run::RingHeader) + 64);
    ThreadWaits waits;
    constexpr int kLines = 200;
    std::thread worker([&] {
        run::ResultRing ring(small.memory.data(), sizeof(run::RingHeader) + 64);
        for (int line = 0; line < kLines; ++line) {
            const std::string text = std::to_string(line) + "\n";
            run::PutWhole(
                ring, text.data(), text.size(), [&] { waits.Wake(); }, [] { std::this_thread::yield(); });
            // Every twentieth line the worker pauses until the reader found the ring
            // empty and went to sleep: however busy the machine, the next line must
            // wake it.
            if (line % 20 == 0) {
                const int before = waits.sleepsStarted;
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (waits.sleepsStarted == before && std::chrono::steady_clock::now() < giveUp) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
        }
        waits.End();
    });
    std::string received;
    char buffer[16];
    while (const size_t count = reader.Receive(buffer, sizeof buffer, waits)) {
        received.append(buffer, count);
    }
    worker.join();
    std::string expected;
    for (int line = 0; line < kLines; ++line) {
        expected += std::to_string(line) + "\n";
    }
    EXPECT_EQ(expected, received);
    EXPECT_FALSE(waits.missedWake);
    EXPECT_GT(waits.sleeps, 0);
}

TEST(RingReader, CountersThatMakeNoSenseAreNamedOnceAndEndTheChannel) {
    SmallRing small;
    reinterpret_cast<run::RingHeader *>(small.memory.data())->written.store(1000);
    run::RingReader reader(small.memory.data(), sizeof(run::RingHeader) + 64);
    ThreadWaits waits;
    char buffer[128];
    const size_t count = reader.Receive(buffer, sizeof buffer, waits);
    EXPECT_EQ("(the worker's shared memory was overwritten)\n", std::string(buffer, count));
    EXPECT_EQ(0u, reader.Receive(buffer, sizeof buffer, waits));
}

}  // namespace
