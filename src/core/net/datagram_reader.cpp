#include "core/net/datagram_reader.h"

#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtDebug>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tern::net {

namespace {

// Datagrams fetched per system call. Each gets a buffer as large as an
// IPv4 datagram can be, so nothing is ever cut short.
constexpr unsigned kBatch = 32;
constexpr std::size_t kBufferBytes = 65536;
constexpr std::size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo));

// A datagram in the ring: this header, then its bytes, padded to 8.
struct EntryHeader {
    std::uint32_t length;
    std::uint32_t interfaceIndex;
};
static_assert(sizeof(EntryHeader) == 8);
constexpr std::uint32_t kWrapMark = 0xFFFFFFFFu;  // the rest of the ring is unused

constexpr std::size_t Padded(std::size_t length) { return (length + 7) & ~std::size_t{7}; }

unsigned ArrivalInterface(const msghdr& header) {
    for (const cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr;
         c = CMSG_NXTHDR(const_cast<msghdr*>(&header), const_cast<cmsghdr*>(c))) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            return info.ipi_ifindex > 0 ? static_cast<unsigned>(info.ipi_ifindex) : 0;
        }
    }
    return 0;
}

}  // namespace

// One writer (the reader thread), one taker. `written` and `consumed`
// count bytes since the start; the bytes between them are the taker's to
// read, the rest the writer's to fill.
struct DatagramReader::Ring {
    explicit Ring(std::size_t bytes) {
        bytes &= ~std::size_t{7};
        if (bytes < 4096) {
            return;
        }
        // Mapped and faulted in now, in one go, not one page at a time in
        // the middle of a burst.
        void* mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (mapped != MAP_FAILED) {
            base = static_cast<char*>(mapped);
            size = bytes;
        }
    }
    ~Ring() {
        if (base != nullptr) {
            ::munmap(base, size);
        }
    }
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;

    bool put(const char* bytes, std::size_t length, unsigned interfaceIndex) {
        const std::size_t need = sizeof(EntryHeader) + Padded(length);
        if (base == nullptr || need > size) {
            return false;
        }
        const std::uint64_t w = written.load(std::memory_order_relaxed);
        const std::uint64_t c = consumed.load(std::memory_order_acquire);
        const std::size_t at = static_cast<std::size_t>(w % size);
        const std::size_t skip = need > size - at ? size - at : 0;
        if ((w - c) + skip + need > size) {
            return false;
        }
        if (skip > 0) {
            const EntryHeader wrap{kWrapMark, 0};
            std::memcpy(base + at, &wrap, sizeof wrap);
        }
        char* entry = base + (at + skip) % size;
        const EntryHeader header{static_cast<std::uint32_t>(length), interfaceIndex};
        std::memcpy(entry, &header, sizeof header);
        std::memcpy(entry + sizeof header, bytes, length);
        written.store(w + skip + need, std::memory_order_release);
        return true;
    }

    bool get(Datagram& out) {
        std::uint64_t c = consumed.load(std::memory_order_relaxed);
        const std::uint64_t w = written.load(std::memory_order_acquire);
        while (c != w) {
            const std::size_t at = static_cast<std::size_t>(c % size);
            EntryHeader header;
            std::memcpy(&header, base + at, sizeof header);
            if (header.length == kWrapMark) {
                c += size - at;
                continue;
            }
            out.data = QByteArray(base + at + sizeof header, static_cast<qsizetype>(header.length));
            out.interfaceIndex = header.interfaceIndex;
            consumed.store(c + sizeof header + Padded(header.length), std::memory_order_release);
            return true;
        }
        consumed.store(c, std::memory_order_release);
        return false;
    }

    char* base = nullptr;
    std::size_t size = 0;
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> consumed{0};
};

DatagramReader::DatagramReader(int fd, std::int64_t maxQueuedBytes, std::function<void()> arrived,
                               std::size_t ringBytes)
    : fd_(fd), arrived_(std::move(arrived)) {
    const auto ring = static_cast<std::size_t>(
        std::clamp<std::int64_t>(maxQueuedBytes, 0, static_cast<std::int64_t>(ringBytes)));
    ring_ = std::make_unique<Ring>(ring);
    maxHeapBytes_ = std::max<std::int64_t>(0, maxQueuedBytes - static_cast<std::int64_t>(ring));
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        qWarning().noquote() << "UDP reader could not start:" << std::strerror(errno);
        return;
    }
    buffers_.reset(new char[kBatch * kBufferBytes]);
    controls_.reset(new char[kBatch * kControlBytes]);
    // The first page of every buffer touched now: a reply fits in it, so
    // the first burst meets no page fault here either.
    for (unsigned i = 0; i < kBatch; ++i) {
        std::memset(buffers_.get() + i * kBufferBytes, 0, 4096);
    }
    std::memset(controls_.get(), 0, kBatch * kControlBytes);
    thread_ = std::thread([this] { run(); });
}

DatagramReader::~DatagramReader() {
    if (thread_.joinable()) {
        stop_.store(true, std::memory_order_release);
        wake();
        thread_.join();
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void DatagramReader::wake() {
    const std::uint64_t one = 1;
    // An eventfd write of 1 cannot fail short of an overflow that takes
    // 2^64 - 1 writes.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void DatagramReader::expectBurst(std::chrono::milliseconds within) {
    const auto until = (Clock::now() + within).time_since_epoch();
    expectUntil_.store(std::chrono::duration_cast<std::chrono::nanoseconds>(until).count(),
                       std::memory_order_release);
    wake();  // out of its sleep, to look instead
}

DatagramReader::Clock::time_point DatagramReader::expectedUntil() const {
    return Clock::time_point(
        std::chrono::nanoseconds(expectUntil_.load(std::memory_order_acquire)));
}

void DatagramReader::run() {
    pollfd watched[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (!stop_.load(std::memory_order_acquire)) {
        // While replies to a search are expected, the thread looks again
        // and again instead of sleeping: a sleeping thread, woken, may wait
        // milliseconds for a processor (an idle virtual one above all), and
        // the kernel's buffer lasts less than one at the rate a burst comes
        // in. It gives way to any other thread that wants the processor.
        expectedAtRound_ = expectedUntil();
        if (Clock::now() < expectedAtRound_) {
            const bool read = readRound();
            tellWhenDue();
            if (!read) {
                sched_yield();
            }
            continue;
        }
        tellWhenDue();  // the search's time is up: nothing is held any more
        if (::ppoll(watched, 2, nullptr, nullptr) < 0) {
            if (errno == EINTR) continue;
            qWarning().noquote() << "UDP reader stopped:" << std::strerror(errno);
            failed_.store(true, std::memory_order_release);
            return;
        }
        if (watched[1].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wakeFd_, &count, sizeof count);
        }
        if ((watched[0].revents & POLLNVAL) != 0) {
            failed_.store(true, std::memory_order_release);
            return;
        }
        // A bounded number of rounds, so that a flood cannot keep the
        // thread from seeing that it is asked to stop.
        for (int round = 0; round < 64 && readRound(); ++round) {
        }
    }
}

void DatagramReader::tellWhenDue() {
    if (!holding_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    const bool quiet = now - lastArrival_ >= kBurstPause;
    if (quiet || now >= expectedUntil() || now - holdingSince_ >= kMaxHold) {
        // The burst that a search was waiting for has come and gone: no
        // need to keep looking. A few datagrams (the search's own echoes)
        // are no such burst.
        if (quiet && keptCount_ - released_.load(std::memory_order_relaxed) >= kBurstSize) {
            // Unless a new search has asked for more meanwhile.
            std::int64_t expected = expectUntil_.load(std::memory_order_acquire);
            if (Clock::time_point(std::chrono::nanoseconds(expected)) <= expectedAtRound_) {
                expectUntil_.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
            }
        }
        tell();
    }
}

bool DatagramReader::readRound() {
    char* const buffers = buffers_.get();
    char* const controls = controls_.get();
    mmsghdr messages[kBatch];
    iovec vectors[kBatch];
    for (unsigned i = 0; i < kBatch; ++i) {
        vectors[i] = {buffers + i * kBufferBytes, kBufferBytes};
        messages[i] = {};
        messages[i].msg_hdr.msg_iov = &vectors[i];
        messages[i].msg_hdr.msg_iovlen = 1;
        messages[i].msg_hdr.msg_control = controls + i * kControlBytes;
        messages[i].msg_hdr.msg_controllen = kControlBytes;
    }
    const int got = ::recvmmsg(fd_, messages, kBatch, MSG_DONTWAIT, nullptr);
    if (got <= 0) {
        // EAGAIN: drained. Anything else (an ICMP error queued on the
        // socket, say) is not a datagram; poll tells us when there is one.
        return false;
    }
    bool kept = false;
    for (int i = 0; i < got; ++i) {
        kept = keep(buffers + static_cast<std::size_t>(i) * kBufferBytes, messages[i].msg_len,
                    ArrivalInterface(messages[i].msg_hdr)) ||
               kept;
    }
    const Clock::time_point now = Clock::now();
    // While a search's replies come in, they are held back until they stop:
    // told of every few, the thread that deals with them would take turns
    // on a processor with this one (and with the sender, when it is on the
    // same machine), and the kernel's buffer would overflow meanwhile.
    // Anything else (the answer to a set request) is told at once.
    lastArrival_ = now;
    if (kept) {
        if (now < expectedUntil()) {
            if (!holding_) {
                holding_ = true;
                holdingSince_ = now;
            }
        } else {
            tell();
        }
    }
    return true;
}

void DatagramReader::tell() {
    holding_ = false;
    // What has come so far is the taker's; what comes after waits for the
    // next telling, so a taker woken by the first reply does not go on to
    // take the burst behind it while it is still coming in.
    released_.store(keptCount_, std::memory_order_release);
    bool first = false;
    {
        const std::lock_guard lock(mutex_);
        first = !told_ && keptCount_ > taken_.load(std::memory_order_relaxed);
        told_ = told_ || first;
    }
    if (first) {
        arrived_();
    }
}

bool DatagramReader::keep(const char* bytes, std::size_t length, unsigned interfaceIndex) {
    // Once some wait on the heap, the rest follow them there, so that the
    // order of arrival holds.
    if (!overflowing_.load(std::memory_order_acquire) &&
        ring_->put(bytes, length, interfaceIndex)) {
        ++keptCount_;
        return true;
    }
    const std::int64_t cost = static_cast<std::int64_t>(length) + kOverheadBytes;
    const std::lock_guard lock(mutex_);
    if (overflowBytes_ + cost > maxHeapBytes_) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    overflow_.push_back({QByteArray(bytes, static_cast<qsizetype>(length)), interfaceIndex});
    overflowBytes_ += cost;
    overflowing_.store(true, std::memory_order_release);
    ++keptCount_;
    return true;
}

bool DatagramReader::take(Datagram& out) {
    const std::uint64_t taken = taken_.load(std::memory_order_relaxed);
    if (taken == released_.load(std::memory_order_acquire)) {
        // Nothing released: the next telling wakes the taker again. Looked
        // at once more under the lock, so a telling meanwhile is not lost.
        const std::lock_guard lock(mutex_);
        if (taken == released_.load(std::memory_order_acquire)) {
            told_ = false;
            return false;
        }
    }
    // Released datagrams are in the ring, or on the heap after it.
    if (!ring_->get(out)) {
        const std::lock_guard lock(mutex_);
        if (overflow_.empty()) {
            // Cannot be: every released datagram is kept. Should it be,
            // the next telling still wakes the taker.
            Q_ASSERT(false);
            told_ = false;
            return false;
        }
        out = std::move(overflow_.front());
        overflow_.pop_front();
        overflowBytes_ -= static_cast<std::int64_t>(out.data.size()) + kOverheadBytes;
        if (overflow_.empty()) {
            overflowing_.store(false, std::memory_order_release);
        }
    }
    taken_.store(taken + 1, std::memory_order_relaxed);
    return true;
}

}  // namespace tern::net
