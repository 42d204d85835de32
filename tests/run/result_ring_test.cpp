// The ring a worker writes its lines into: bytes come out as they went in, across
// its end and its counters' wrap, and a reader about to sleep is never left asleep.
#include <gtest/gtest.h>

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

}  // namespace
