// The socket's reader thread, fed through a local datagram socket pair (no
// network): order, sizes, the ring and the heap behind it, the limit, and
// when the taker is told.
#include "core/net/datagram_reader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tern::net {
namespace {

using namespace std::chrono_literals;

// One end is written by the test, the other read by the reader.
class ReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, fds_), 0);
        // Room for every datagram a test sends before the reader runs.
        const int big = 4 * 1024 * 1024;
        ::setsockopt(fds_[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        ::setsockopt(fds_[1], SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    }
    void TearDown() override {
        reader.reset();
        ::close(fds_[0]);
        ::close(fds_[1]);
    }

    void start(std::int64_t maxQueuedBytes, std::size_t ringBytes = DatagramReader::kRingBytes) {
        reader = std::make_unique<DatagramReader>(
            fds_[1], maxQueuedBytes,
            [this] {
                const std::lock_guard lock(mutex_);
                ++told_;
                changed_.notify_all();
            },
            ringBytes);
        ASSERT_TRUE(reader->running());
    }

    void send(const QByteArray& datagram) {
        ASSERT_EQ(
            ::send(fds_[0], datagram.constData(), static_cast<std::size_t>(datagram.size()), 0),
            datagram.size());
    }

    // Waits (at most a few seconds) until the reader has told `times` times.
    bool toldAtLeast(int times) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return told_ >= times; });
    }
    int told() {
        const std::lock_guard lock(mutex_);
        return told_;
    }

    // Takes until `count` have come or a few seconds have passed.
    std::vector<QByteArray> takeUntil(std::size_t count) {
        std::vector<QByteArray> taken;
        const auto give_up = std::chrono::steady_clock::now() + 5s;
        DatagramReader::Datagram d;
        while (taken.size() < count && std::chrono::steady_clock::now() < give_up) {
            const int seen = told();
            if (reader->take(d)) {
                taken.push_back(d.data);
            } else {
                toldAtLeast(seen + 1);
            }
        }
        return taken;
    }

    static QByteArray Numbered(int n, int size) {
        QByteArray d(size, static_cast<char>('a' + n % 26));
        if (size >= 4) {
            d.replace(0, 4, QByteArray::number(n).rightJustified(4, '0').right(4));
        }
        return d;
    }

    std::unique_ptr<DatagramReader> reader;

  private:
    int fds_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable changed_;
    int told_ = 0;
};

TEST_F(ReaderTest, everyDatagramWhole_inArrivalOrder_emptyAndLargestToo) {
    start(64 * 1024 * 1024);
    const std::vector<int> sizes = {0, 1, 17, 1180, 1181, 4096, 65000, 7, 1180};
    std::vector<QByteArray> sent;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        sent.push_back(Numbered(static_cast<int>(i), sizes[i]));
        send(sent.back());
    }
    EXPECT_EQ(takeUntil(sent.size()), sent);
    DatagramReader::Datagram none;
    EXPECT_FALSE(reader->take(none));
    EXPECT_EQ(reader->dropped(), 0);
}

TEST_F(ReaderTest, aFullRingSpillsToTheHeap_thenWrapsAround_orderKept) {
    // A ring of 16 KiB holds a dozen replies; the rest must wait on the heap,
    // or they would be dropped.
    start(256 * 1024, 16 * 1024);
    std::vector<QByteArray> sent;
    for (int round = 0; round < 3; ++round) {
        // Held as a search's burst: nothing is taken before all are in.
        reader->expectBurst(5s);
        for (int i = 0; i < 40; ++i) {
            sent.push_back(Numbered(round * 100 + i, 1180 + i));  // odd lengths: padding
            send(sent.back());
        }
        sent.push_back(Numbered(round * 100 + 99, 20 * 1024));  // larger than the whole ring
        send(sent.back());
        const std::vector<QByteArray> taken = takeUntil(41);
        ASSERT_EQ(taken.size(), 41u) << "round " << round;
        EXPECT_TRUE(std::equal(taken.begin(), taken.end(), sent.end() - 41)) << "round " << round;
        DatagramReader::Datagram none;
        EXPECT_FALSE(reader->take(none));
    }
    EXPECT_EQ(reader->dropped(), 0);
}

TEST_F(ReaderTest, beyondTheLimit_datagramsAreDroppedAndCounted_theRestKept) {
    // No ring: only the heap, with room for ten replies and their bookkeeping.
    start(10 * (1180 + DatagramReader::kOverheadBytes), 0);
    for (int i = 0; i < 15; ++i) {
        send(Numbered(i, 1180));
    }
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (reader->dropped() < 5 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(reader->dropped(), 5);
    const std::vector<QByteArray> taken = takeUntil(10);
    ASSERT_EQ(taken.size(), 10u);
    EXPECT_EQ(taken.front(), Numbered(0, 1180));
    EXPECT_EQ(taken.back(), Numbered(9, 1180));
    // Taking made room again.
    send(Numbered(20, 1180));
    EXPECT_EQ(takeUntil(1), std::vector<QByteArray>{Numbered(20, 1180)});
}

TEST_F(ReaderTest, aSearchsRepliesAreTheTakersOnlyOnceTheyPause_thenDatagramsFlowAgain) {
    start(64 * 1024 * 1024);
    reader->expectBurst(5s);
    send(Numbered(0, 17));  // the search's own echo
    ASSERT_TRUE(toldAtLeast(1));
    EXPECT_EQ(takeUntil(1), std::vector<QByteArray>{Numbered(0, 17)});
    DatagramReader::Datagram none;
    EXPECT_FALSE(reader->take(none));  // and the next telling wakes the taker again

    std::vector<QByteArray> sent;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 1; i <= 200; ++i) {
        sent.push_back(Numbered(i, 1180));
        send(sent.back());
    }
    // Still coming in, as far as the reader can tell: none of it is the
    // taker's yet, so taking does not compete with reading. (Judged only
    // when sending and looking took less than the pause that ends a burst.)
    const bool tookOne = reader->take(none);
    if (std::chrono::steady_clock::now() - started < DatagramReader::kBurstPause / 2) {
        EXPECT_FALSE(tookOne) << "a reply was the taker's while the burst came in";
    }
    std::vector<QByteArray> taken;
    if (tookOne) {
        taken.push_back(none.data);
    }
    const std::vector<QByteArray> rest = takeUntil(200 - taken.size());
    taken.insert(taken.end(), rest.begin(), rest.end());
    EXPECT_EQ(taken, sent);

    // The burst has come: what arrives now is the taker's at once.
    send(Numbered(300, 5));
    send(Numbered(301, 5));
    EXPECT_EQ(takeUntil(2), (std::vector<QByteArray>{Numbered(300, 5), Numbered(301, 5)}));
}

TEST_F(ReaderTest, stopsPromptlyWhileLookingForABurst_withDatagramsUntaken) {
    start(64 * 1024 * 1024);
    reader->expectBurst(60s);
    for (int i = 0; i < 50; ++i) {
        send(Numbered(i, 1180));
    }
    const auto started = std::chrono::steady_clock::now();
    reader.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

}  // namespace
}  // namespace tern::net
