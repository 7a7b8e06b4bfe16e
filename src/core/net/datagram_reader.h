#pragma once

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tern::net {

// A thread that does nothing but read one UDP socket: every datagram is
// copied out of the kernel the moment it arrives, so a burst of thousands
// of replies never waits in the kernel's receive buffer (which an
// unprivileged process cannot make larger than net.core.rmem_max, a few
// dozen replies) behind the work done with the datagrams before it.
// Deciphering, listing and showing happen on the thread that takes them.
//
// While a burst of replies comes in, the reader neither allocates nor
// touches fresh memory: datagrams go into a ring whose pages are mapped in
// advance (a page fault costs as much as reading several datagrams). Only
// when the ring is full do they wait on the heap, up to the limit.
class DatagramReader {
  public:
    struct Datagram {
        QByteArray data;
        unsigned interfaceIndex = 0;  // from IP_PKTINFO; 0 when not known
    };

    // A search's replies are held back until no datagram has come for
    // kBurstPause, but never longer than kMaxHold (give or take one read);
    // once at least kBurstSize have come that way, the search has had its
    // burst.
    static constexpr std::chrono::milliseconds kBurstPause{10};
    static constexpr std::chrono::milliseconds kMaxHold{250};
    static constexpr std::uint64_t kBurstSize = 16;
    // The ring: room for a burst of well over 5000 discovery replies.
    static constexpr std::size_t kRingBytes = 8 * 1024 * 1024;
    // Each datagram waiting on the heap costs its bytes and this much
    // bookkeeping, so a flood of empty datagrams is bounded too.
    static constexpr std::int64_t kOverheadBytes = 64;

    // Reads `fd` (a bound IPv4 UDP socket with IP_PKTINFO on; the caller
    // keeps it open until this object is gone) until destroyed. What waits
    // untaken is held up to about maxQueuedBytes (the ring counts whole);
    // beyond that, datagrams are dropped and counted. `arrived` runs on the
    // reader thread when something is waiting and nobody has been told
    // since take() last came back empty: at once, except for a search's
    // burst (see expectBurst).
    DatagramReader(int fd, std::int64_t maxQueuedBytes, std::function<void()> arrived,
                   std::size_t ringBytes = kRingBytes);
    ~DatagramReader();  // stops the thread and waits for it

    DatagramReader(const DatagramReader&) = delete;
    DatagramReader& operator=(const DatagramReader&) = delete;

    // False when the thread could not start, or stopped on an error.
    bool running() const { return thread_.joinable() && !failed_.load(std::memory_order_acquire); }

    // Replies to a search just sent are on their way, perhaps thousands
    // at once: until they have come (or `within` has passed), the reader
    // does not sleep between datagrams, and tells of what came only when
    // the datagrams pause.
    void expectBurst(std::chrono::milliseconds within);

    // The next datagram in arrival order; false when none waits. Called
    // from one thread only.
    bool take(Datagram& out);
    // Datagrams dropped for want of room, since the start.
    std::int64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    using Clock = std::chrono::steady_clock;
    struct Ring;
    void run();
    void wake();
    // One recvmmsg; false when nothing was waiting.
    bool readRound();
    void tellWhenDue();
    Clock::time_point expectedUntil() const;
    // Keeps one datagram; false when there is no room.
    bool keep(const char* bytes, std::size_t length, unsigned interfaceIndex);
    void tell();

    const int fd_;
    int wakeFd_ = -1;
    std::int64_t maxHeapBytes_ = 0;
    const std::function<void()> arrived_;
    std::unique_ptr<Ring> ring_;

    std::mutex mutex_;
    std::deque<Datagram> overflow_;   // guarded by mutex_: after everything in the ring
    std::int64_t overflowBytes_ = 0;  // guarded by mutex_
    bool told_ = false;               // guarded by mutex_
    std::atomic<bool> overflowing_{false};
    std::atomic<std::int64_t> dropped_{0};
    std::atomic<bool> failed_{false};
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> expectUntil_{0};  // steady clock, ns
    // Datagrams kept by the reader, released to the taker (at a telling),
    // and taken, since the start.
    std::uint64_t keptCount_ = 0;  // the reader thread's own
    std::atomic<std::uint64_t> released_{0};
    std::atomic<std::uint64_t> taken_{0};

    // The reader thread's own: when the latest datagram came, whether some
    // are held back untold and since when, and where recvmmsg writes.
    Clock::time_point lastArrival_{};
    Clock::time_point expectedAtRound_{};
    bool holding_ = false;
    Clock::time_point holdingSince_{};
    std::unique_ptr<char[]> buffers_;
    std::unique_ptr<char[]> controls_;

    std::thread thread_;  // last: started once everything above exists
};

}  // namespace tern::net
