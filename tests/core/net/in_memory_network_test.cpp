#include "core/net/in_memory_network.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

using test_support::EnsureCoreApp;
using test_support::SpinEventLoop;

constexpr int kPort = 27155;

struct Recorder : InMemoryNetwork::Endpoint {
    void deliver(const QByteArray& datagram, int) override {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        ++count;
        if (keep) {
            received.push_back(datagram);
        }
        if (onDeliver) {
            onDeliver(datagram);
        }
        --depth;
    }
    std::vector<QByteArray> received;
    std::function<void(const QByteArray&)> onDeliver;
    bool keep = true;
    std::size_t count = 0;
    int depth = 0;
    int maxDepth = 0;
};

class InMemoryNetworkTest : public ::testing::Test {
  protected:
    InMemoryNetworkTest() { EnsureCoreApp(); }
    ~InMemoryNetworkTest() override {
        // Let the network's scheduled flush run while it still exists.
        SpinEventLoop(1);
    }
    InMemoryNetwork network;
};

TEST_F(InMemoryNetworkTest, broadcastReachesEveryEndpointOnThePort_senderIncluded) {
    Recorder a, b, elsewhere;
    network.attach(&a, kPort);
    network.attach(&b, kPort);
    network.attach(&elsewhere, 9999);
    InMemorySocketControl socket(network);
    socket.lclPort = kPort;
    socket.rmtPort = kPort;
    ASSERT_TRUE(socket.OpenSocket());
    std::vector<QByteArray> socketReceived;
    QObject::connect(&socket, &UdpSocketControl::OnRecv, &socket,
                     [&](const QByteArray& d) { socketReceived.push_back(d); });

    EXPECT_EQ(socket.SendData(QByteArrayLiteral("hello")), 5);
    // Queued: nothing arrives inside the send.
    EXPECT_TRUE(a.received.empty());
    EXPECT_TRUE(socketReceived.empty());
    EXPECT_EQ(network.pendingCount(), 1u);

    EXPECT_EQ(network.deliverPending(), 1u);
    EXPECT_EQ(a.received, std::vector<QByteArray>{QByteArrayLiteral("hello")});
    EXPECT_EQ(b.received, std::vector<QByteArray>{QByteArrayLiteral("hello")});
    EXPECT_EQ(socketReceived, std::vector<QByteArray>{QByteArrayLiteral("hello")});
    EXPECT_TRUE(elsewhere.received.empty());
    EXPECT_EQ(network.sentCount(), 1u);
    EXPECT_TRUE(network.idle());
}

TEST_F(InMemoryNetworkTest, eventLoopDeliversWithoutExplicitFlush) {
    Recorder a;
    network.attach(&a, kPort);
    network.send(QByteArrayLiteral("one"), kPort);
    network.send(QByteArrayLiteral("two"), kPort);
    SpinEventLoop(20);
    EXPECT_EQ(a.received,
              (std::vector<QByteArray>{QByteArrayLiteral("one"), QByteArrayLiteral("two")}));
}

TEST_F(InMemoryNetworkTest, answerSentInsideDeliveryIsQueued_notReentrant) {
    Recorder a, b;
    a.onDeliver = [&](const QByteArray& d) {
        if (d == "ping") {
            network.send(QByteArrayLiteral("pong"), kPort);
        }
    };
    network.attach(&a, kPort);
    network.attach(&b, kPort);
    network.send(QByteArrayLiteral("ping"), kPort);
    EXPECT_EQ(network.deliverPending(), 2u);
    EXPECT_EQ(a.maxDepth, 1);
    EXPECT_EQ(b.maxDepth, 1);
    // b sees the ping before the pong although a answered while ping was
    // being delivered.
    EXPECT_EQ(b.received,
              (std::vector<QByteArray>{QByteArrayLiteral("ping"), QByteArrayLiteral("pong")}));
}

TEST_F(InMemoryNetworkTest, detachStopsDelivery_alsoFromWithinADelivery) {
    Recorder a, b;
    network.attach(&a, kPort);
    network.attach(&b, kPort);
    network.send(QByteArrayLiteral("x"), kPort);
    network.detach(&a);
    network.deliverPending();
    EXPECT_TRUE(a.received.empty());
    EXPECT_EQ(b.received.size(), 1u);

    // The first receiver detaches the second before its turn.
    Recorder c;
    network.attach(&c, kPort);
    b.onDeliver = [&](const QByteArray&) { network.detach(&c); };
    network.send(QByteArrayLiteral("y"), kPort);
    network.deliverPending();
    EXPECT_TRUE(c.received.empty());

    InMemorySocketControl socket(network);
    socket.lclPort = kPort;
    socket.rmtPort = kPort;
    EXPECT_EQ(socket.SendData(QByteArrayLiteral("closed")), -1);
    EXPECT_EQ(network.pendingCount(), 0u);
    socket.OpenSocket();
    int got = 0;
    QObject::connect(&socket, &UdpSocketControl::OnRecv, &socket,
                     [&](const QByteArray&) { ++got; });
    network.send(QByteArrayLiteral("z"), kPort);
    socket.CloseSocket();
    EXPECT_FALSE(socket.isOpen());
    network.deliverPending();
    EXPECT_EQ(got, 0);
}

TEST_F(InMemoryNetworkTest, endpointAnsweringEverything_deliveryIsBounded) {
    Recorder echo;
    echo.keep = false;
    echo.onDeliver = [&](const QByteArray& d) { network.send(d, kPort); };
    network.attach(&echo, kPort);
    network.send(QByteArrayLiteral("loop"), kPort);
    EXPECT_EQ(network.deliverPending(), InMemoryNetwork::kMaxDeliveriesPerCall);
    EXPECT_EQ(echo.maxDepth, 1);
    EXPECT_EQ(echo.count, InMemoryNetwork::kMaxDeliveriesPerCall);
    EXPECT_EQ(network.pendingCount(), 1u);
    network.detach(&echo);
    EXPECT_EQ(network.deliverPending(), 1u);
    EXPECT_TRUE(network.idle());
}

TEST_F(InMemoryNetworkTest, sendAfter_arrivesOnlyAfterTheDelay) {
    Recorder a;
    network.attach(&a, kPort);
    network.sendAfter(QByteArrayLiteral("late"), kPort, 30);
    EXPECT_FALSE(network.idle());
    EXPECT_EQ(network.deliverPending(), 0u);
    SpinEventLoop(80);
    EXPECT_EQ(a.received, std::vector<QByteArray>{QByteArrayLiteral("late")});
    EXPECT_TRUE(network.idle());
}

}  // namespace
}  // namespace tern::net
