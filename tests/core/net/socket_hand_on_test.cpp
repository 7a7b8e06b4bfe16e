// How the socket control hands datagrams from its reader thread to the
// thread that owns it: in batches of at most 512 per turn of the event
// loop, each batch followed by OnRecvDone, never re-entered from a
// handler's own event loop, and stopped by a handler that closes the
// socket. Fed through a local socket pair: no network.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "core/net/qt_udp_socket_control.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

class HandOn : public ::testing::Test {
  protected:
    void SetUp() override {
        test_support::EnsureCoreApp();
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, fds), 0);
        const int big = 8 * 1024 * 1024;
        ::setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        ::setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
        sender_ = fds[0];
        ASSERT_TRUE(socket.OpenDescriptor(fds[1]));
        QObject::connect(&socket, &UdpSocketControl::OnRecv, &socket,
                         [this](const QByteArray& d) { received.push_back(d); });
        QObject::connect(&socket, &UdpSocketControl::OnRecvDone, &socket,
                         [this] { batchEnds.push_back(received.size()); });
    }
    void TearDown() override {
        socket.CloseSocket();
        ::close(sender_);
    }

    void send(int n) {
        const QByteArray d = QByteArray::number(n).rightJustified(6, '0');
        ASSERT_EQ(::send(sender_, d.constData(), static_cast<std::size_t>(d.size()), 0), d.size());
    }
    static QByteArray Numbered(int n) { return QByteArray::number(n).rightJustified(6, '0'); }

    // Turns of the event loop until `count` have been handed on, a few
    // seconds at most.
    void handOnUntil(std::size_t count) {
        QElapsedTimer clock;
        clock.start();
        while (received.size() < count && clock.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    QtUdpSocketControl socket;
    std::vector<QByteArray> received;
    std::vector<std::size_t> batchEnds;  // received.size() at each OnRecvDone

  private:
    int sender_ = -1;
};

TEST_F(HandOn, aFloodComesInBatchesOfAtMost512_inOrder_eachEndedByOnRecvDone) {
    for (int i = 0; i < 1500; ++i) {
        send(i);
    }
    handOnUntil(1500);
    ASSERT_EQ(received.size(), 1500u);
    for (int i = 0; i < 1500; ++i) {
        ASSERT_EQ(received[static_cast<std::size_t>(i)], Numbered(i)) << i;
    }
    ASSERT_FALSE(batchEnds.empty());
    EXPECT_EQ(batchEnds.back(), 1500u);
    std::size_t before = 0;
    for (const std::size_t end : batchEnds) {
        EXPECT_GT(end, before) << "an empty batch was ended";
        EXPECT_LE(end - before, static_cast<std::size_t>(QtUdpSocketControl::kMaxDatagramsPerTurn));
        before = end;
    }
}

TEST_F(HandOn, aHandlersOwnEventLoop_isNotReentered_theRestFollowsAfterIt) {
    int depth = 0;
    int deepest = 0;
    QObject::connect(&socket, &UdpSocketControl::OnRecv, &socket, [&](const QByteArray& d) {
        ++depth;
        deepest = std::max(deepest, depth);
        if (d == Numbered(0)) {
            // A modal box, say: more datagrams come while it is open.
            for (int i = 1; i < 20; ++i) {
                send(i);
            }
            test_support::SpinEventLoop(100);
        }
        --depth;
    });
    send(0);
    handOnUntil(20);
    EXPECT_EQ(deepest, 1) << "OnRecv was raised inside a handler of it";
    ASSERT_EQ(received.size(), 20u);
    EXPECT_EQ(received.back(), Numbered(19));
}

TEST_F(HandOn, aHandlerThatClosesTheSocket_stopsTheBatch_whichStillEnds) {
    QObject::connect(&socket, &UdpSocketControl::OnRecv, &socket, [this] {
        if (received.size() == 3) socket.CloseSocket();
    });
    for (int i = 0; i < 10; ++i) {
        send(i);
    }
    handOnUntil(3);
    test_support::SpinEventLoop(50);  // time for any datagram after the third
    EXPECT_EQ(received.size(), 3u);
    EXPECT_FALSE(socket.isOpen());
    ASSERT_FALSE(batchEnds.empty());
    EXPECT_EQ(batchEnds.back(), 3u);
}

}  // namespace
}  // namespace tern::net
