// Which interfaces a search goes out through, what --interface accepts,
// and one request per segment on a multi-homed host.
#include "core/net/net_interfaces.h"

#include <gtest/gtest.h>

#include "core/net/in_memory_network.h"
#include "core/net/qt_udp_socket_control.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::net {
namespace {

InterfaceInfo Usable(uint index, const QString& name) {
    return {index, name, true, true, true, false, true};
}

QList<InterfaceInfo> Host() {
    InterfaceInfo lo = Usable(1, QStringLiteral("lo"));
    lo.loopback = true;
    lo.canBroadcast = false;
    InterfaceInfo down = Usable(3, QStringLiteral("eth1"));
    down.up = false;
    InterfaceInfo noCarrier = Usable(4, QStringLiteral("eth2"));
    noCarrier.running = false;
    InterfaceInfo tunnel = Usable(5, QStringLiteral("tun0"));
    tunnel.canBroadcast = false;
    InterfaceInfo v6only = Usable(6, QStringLiteral("eth3"));
    v6only.hasIpv4 = false;
    // Listed out of order on purpose: searches go in index order.
    return {Usable(7, QStringLiteral("wlan0")), lo, down, noCarrier, tunnel, v6only,
            Usable(2, QStringLiteral("eth0"))};
}

QStringList Names(const QList<NetInterface>& list) {
    QStringList names;
    for (const NetInterface& i : list) names << i.name;
    return names;
}

TEST(SearchInterfaces, onlyThoseUpRunningBroadcastingWithIpv4_loopbackNever_inIndexOrder) {
    EXPECT_EQ(Names(BroadcastInterfaces(Host())),
              (QStringList{QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    InterfaceInfo lo = Usable(1, QStringLiteral("lo"));
    lo.loopback = true;
    EXPECT_TRUE(BroadcastInterfaces({lo}).isEmpty());  // the routing table then decides
}

TEST(SearchInterfaces, chosenByName_eachCheckedAndNamedInTheError) {
    const struct {
        const char* name;
        const char* error;
    } refused[] = {
        {"eth9", "no network interface 'eth9' (interfaces that can be searched: eth0, wlan0)"},
        {"eth1", "network interface 'eth1' is down"},
        {"eth2", "network interface 'eth2' is down"},
        {"lo", "network interface 'lo' cannot broadcast"},
        {"tun0", "network interface 'tun0' cannot broadcast"},
        {"eth3", "network interface 'eth3' has no IPv4 address"},
    };
    for (const auto& r : refused) {
        const auto chosen =
            ChooseInterfaces(Host(), {QStringLiteral("eth0"), QString::fromLatin1(r.name)});
        ASSERT_TRUE(std::holds_alternative<QString>(chosen)) << r.name;
        EXPECT_EQ(std::get<QString>(chosen), QString::fromLatin1(r.error));
    }
    const auto none = ChooseInterfaces({}, {QStringLiteral("eth0")});
    EXPECT_EQ(
        std::get<QString>(none),
        QStringLiteral("no network interface 'eth0' (interfaces that can be searched: none)"));

    const auto twice = ChooseInterfaces(
        Host(), {QStringLiteral("wlan0"), QStringLiteral("eth0"), QStringLiteral("wlan0")});
    ASSERT_TRUE(std::holds_alternative<QList<NetInterface>>(twice));
    EXPECT_EQ(std::get<QList<NetInterface>>(twice),
              (QList<NetInterface>{{7, QStringLiteral("wlan0")}, {2, QStringLiteral("eth0")}}));
}

// Everything that arrives on one segment, with the segment it came on.
class Listener : public InMemoryNetwork::Endpoint {
  public:
    void deliver(const QByteArray& datagram, int segment) override {
        got.push_back({datagram, segment});
    }
    std::vector<std::pair<QByteArray, int>> got;
};

class MultiHomed : public ::testing::Test {
  protected:
    void SetUp() override {
        test_support::EnsureCoreApp();
        socket.lclPort = 40000;
        socket.rmtPort = kDefaultPort;
        network.attach(&a, kDefaultPort, 1);
        network.attach(&b, kDefaultPort, 2);
        network.attach(&b, kDefaultPort, 0);  // the same listener, also on the routing table's
    }
    void TearDown() override {
        network.detach(&a);
        network.detach(&b);
    }
    InMemoryNetwork network;
    InMemorySocketControl socket{network};
    Listener a, b;
};

TEST_F(MultiHomed, aSearchGoesOutOnceThroughEverySegment_andNamesThem) {
    socket.setSegments({{1, QStringLiteral("eth0")}, {2, QStringLiteral("wlan0")}});
    ASSERT_TRUE(socket.OpenSocket());
    EXPECT_EQ(socket.BroadcastData("kplsearch12345678"), 2);
    network.deliverPending();
    ASSERT_EQ(a.got.size(), 1u);
    EXPECT_EQ(a.got[0].second, 1);
    ASSERT_EQ(b.got.size(), 1u);
    EXPECT_EQ(b.got[0].second, 2);
    EXPECT_EQ(socket.searchedInterfaces().size(), 2);
    EXPECT_EQ(socket.interfaceName(2), QStringLiteral("wlan0"));
    EXPECT_EQ(socket.interfaceName(9), QString());
    EXPECT_EQ(socket.interfaceName(0), QString());
}

TEST_F(MultiHomed, aDatagramForOneInterfaceStaysOnItsSegment_anUnknownOneIsNotSent) {
    socket.setSegments({{1, QStringLiteral("eth0")}, {2, QStringLiteral("wlan0")}});
    ASSERT_TRUE(socket.OpenSocket());
    std::vector<uint> arrivedOn;
    QObject::connect(&socket, &UdpSocketControl::OnRecv, &socket,
                     [&](const QByteArray&, uint via) { arrivedOn.push_back(via); });
    EXPECT_GT(socket.SendDataVia("kplset", 2), 0);
    EXPECT_EQ(socket.SendDataVia("kplset", 5), -1);
    EXPECT_GT(socket.SendData("kplset"), 0);  // the routing table: the first segment
    network.deliverPending();
    EXPECT_EQ(a.got.size(), 1u);
    EXPECT_EQ(b.got.size(), 1u);
    network.send("reply", socket.lclPort, 2);
    network.deliverPending();
    EXPECT_EQ(arrivedOn, (std::vector<uint>{2}));
}

TEST_F(MultiHomed, noInterfaceToSearch_theSearchGoesOnceByTheRoutingTable) {
    ASSERT_TRUE(socket.OpenSocket());
    EXPECT_EQ(socket.BroadcastData("kplsearch12345678"), 1);
    network.deliverPending();
    EXPECT_TRUE(a.got.empty());
    ASSERT_EQ(b.got.size(), 1u);
    EXPECT_EQ(b.got[0].second, 0);
    EXPECT_TRUE(socket.searchedInterfaces().isEmpty());
}

}  // namespace
}  // namespace tern::net

// ---------------------------------------------------------------- the receive buffer

namespace tern::net {
namespace {

TEST(ReceiveBuffer, theEnvironmentCapsWhatIsAskedFor_nonsenseIsIgnoredAndSaid) {
    constexpr int kFull = QtUdpSocketControl::kWantedReceiveBuffer;
    QString problem;
    EXPECT_EQ(QtUdpSocketControl::WantedReceiveBuffer({}, &problem), kFull);
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_EQ(QtUdpSocketControl::WantedReceiveBuffer("212992", &problem), 212992);
    EXPECT_EQ(QtUdpSocketControl::WantedReceiveBuffer("4096", &problem), 4096);
    EXPECT_EQ(QtUdpSocketControl::WantedReceiveBuffer("67108864", &problem), kFull);  // never more
    EXPECT_TRUE(problem.isEmpty());
    for (const char* bad :
         {"4095", "0", "+212992", " 212992", "1e6", "0x40000", "lots", "99999999999"}) {
        problem.clear();
        EXPECT_EQ(QtUdpSocketControl::WantedReceiveBuffer(bad, &problem), kFull) << bad;
        EXPECT_TRUE(
            problem.contains(QStringLiteral("TERN_AP_RCVBUF='") + QString::fromLatin1(bad) + u'\''))
            << problem.toStdString();
    }
}

}  // namespace
}  // namespace tern::net
