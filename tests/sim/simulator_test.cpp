// The simulated APs against the program's side of the protocol, on the
// in-memory network: what the demo mode and the GUI tests stand on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <set>

#include "core/engine/search_session.h"
#include "core/net/in_memory_network.h"
#include "core/net/udp_socket_control.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "sim/in_memory_simulator.h"

using namespace tern;

namespace {

int argc = 1;
char arg0[] = "simulator_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& App() {
    static QCoreApplication app(argc, argv);
    return app;
}

struct Segment {
    explicit Segment(std::vector<sim::SimulatedAp> aps, sim::SimOptions options = {})
        : simulator(network, sim::ApSimulator(std::move(aps), options)), socket(network) {
        App();
        link::OpenOnProgramPort(socket);
    }
    // Runs the event loop until the network is quiet, at most `ms`.
    void settle(int ms = 2000) {
        QElapsedTimer t;
        t.start();
        while (!network.idle() && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            network.deliverPending();
        }
    }
    std::vector<link::ClassifiedDatagram> received;
    link::InMemoryNetwork network;
    sim::InMemorySimulator simulator;
    link::InMemorySocketControl socket;
    link::LinkState linkState;
};

config::ApConfigRecord RecordFor(sim::ApSimulator& s, int index) {
    return s.aps()[static_cast<std::size_t>(index)].record;
}

QByteArray SetRequestFor(link::LinkState& state, config::ApConfigRecord record, QByteArrayView user,
                         QByteArrayView pass) {
    record.set_mgmt_user(user);
    record.set_mgmt_pass(pass);
    state.NewRequest();
    return link::BuildSetRequest(state.request_marker(), state.link_key(), record.bytes());
}

}  // namespace

TEST(SimulatedSegment, search_everyApListedOnceWithItsMacText) {
    Segment seg(sim::GenerateAps(300));
    apply::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    search.finish();

    ASSERT_EQ(search.found().size(), 300u);
    std::set<QString> macs;
    for (std::size_t i = 0; i < search.found().size(); ++i) {
        const config::ApConfigRecord r(search.found()[i].record);
        const auto expected = RecordFor(seg.simulator.simulator(), static_cast<int>(i));
        EXPECT_EQ(config::MacText(r.mac_addr()), config::MacText(expected.mac_addr()));
        EXPECT_EQ(r.ap_name(), expected.ap_name());
        EXPECT_EQ(r.ssid(), expected.ssid());
        EXPECT_TRUE(search.found()[i].enciphered);
        macs.insert(config::MacText(r.mac_addr()));
    }
    EXPECT_EQ(macs.size(), 300u);
    EXPECT_EQ(search.counters().ownEchoes, 1);
    EXPECT_EQ(search.counters().other, 0);
}

TEST(SimulatedSegment, discoveryRecord_matchesTheApsRecordExceptTheLogin) {
    auto aps = sim::GenerateAps(8);
    for (auto& ap : aps) {
        ap.record.set_mgmt_user("admin");  // an AP never reveals its login
    }
    Segment seg(aps);
    apply::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    ASSERT_EQ(search.found().size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        config::ApConfigRecord expected = aps[i].record;
        expected.set_mgmt_user({});
        EXPECT_EQ(search.found()[i].record, expected.bytes()) << "AP " << i;
    }
}

TEST(SimulatedSegment, plainAndOldFirmwareReplies_areTold) {
    auto aps = sim::DemoAps(3, /*withOldFirmware=*/true);
    sim::SimOptions options;
    options.plainReplies = true;
    Segment seg(aps, options);
    apply::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    EXPECT_EQ(search.found().size(), 3u);
    EXPECT_FALSE(search.found().front().enciphered);
    EXPECT_EQ(search.counters().oldFirmware, 1);
}

TEST(SimulatedSegment, droppedReplies_areNotInventedAndDelayedOnesArrive) {
    sim::SimOptions options;
    options.dropPercent = 50;
    options.maxDelayMs = 30;
    options.seed = 7;
    Segment seg(sim::GenerateAps(200), options);
    apply::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    EXPECT_GT(search.found().size(), 50u);
    EXPECT_LT(search.found().size(), 150u);
    EXPECT_EQ(search.counters().duplicates, 0);
}

TEST(SimulatedSegment, setRequest_rightLoginIsAcknowledgedAndKept) {
    Segment seg(sim::GenerateAps(3));
    std::vector<link::ClassifiedDatagram> replies;
    QObject::connect(
        &seg.socket, &link::UdpSocketControl::OnRecv, &seg.network,
        [&](const QByteArray& d) { replies.push_back(link::ClassifyDatagram(d, seg.linkState)); });
    auto record = RecordFor(seg.simulator.simulator(), 1);
    record.set_ssid("renamed");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "admin"));
    seg.settle();

    ASSERT_EQ(replies.size(), 2u);  // own echo, then the AP's answer
    EXPECT_EQ(replies[0].kind, link::DatagramKind::OwnSetEcho);
    EXPECT_EQ(replies[1].kind, link::DatagramKind::Acknowledgement);
    EXPECT_EQ(RecordFor(seg.simulator.simulator(), 1).ssid(), QByteArray("renamed"));
    EXPECT_TRUE(RecordFor(seg.simulator.simulator(), 1).mgmt_user().isEmpty());
    EXPECT_EQ(RecordFor(seg.simulator.simulator(), 0).ssid(), QByteArray("tern-0001"));
    EXPECT_EQ(seg.simulator.simulator().setsAccepted(), 1);
}

TEST(SimulatedSegment, setRequest_wrongLoginIsRefusedWithTheApsMac) {
    Segment seg(sim::GenerateAps(3));
    std::vector<link::ClassifiedDatagram> replies;
    QObject::connect(
        &seg.socket, &link::UdpSocketControl::OnRecv, &seg.network,
        [&](const QByteArray& d) { replies.push_back(link::ClassifyDatagram(d, seg.linkState)); });
    auto record = RecordFor(seg.simulator.simulator(), 2);
    const QByteArray before = record.ssid();
    record.set_ssid("renamed");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "wrong"));
    seg.settle();

    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].kind, link::DatagramKind::ErrorReply);
    EXPECT_EQ(link::ErrorReplyMac(replies[1]), record.mac_addr());
    EXPECT_EQ(RecordFor(seg.simulator.simulator(), 2).ssid(), before);
}

TEST(SimulatedSegment, setRequest_unknownMacOrSilentApGetsNoAnswer) {
    auto aps = sim::GenerateAps(2);
    aps[0].silentOnSet = true;
    Segment seg(aps);
    int datagrams = 0;
    QObject::connect(&seg.socket, &link::UdpSocketControl::OnRecv, &seg.network,
                     [&](const QByteArray&) { ++datagrams; });
    auto stranger = RecordFor(seg.simulator.simulator(), 1);
    stranger.set_mac_addr({1, 2, 3, 4, 5, 6});
    seg.socket.SendData(SetRequestFor(seg.linkState, stranger, "admin", "admin"));
    seg.socket.SendData(
        SetRequestFor(seg.linkState, RecordFor(seg.simulator.simulator(), 0), "admin", "admin"));
    seg.settle();
    EXPECT_EQ(datagrams, 2);  // the two echoes only
}

TEST(SimulatedSegment, malformedRequests_areIgnored) {
    Segment seg(sim::GenerateAps(2));
    auto& s = seg.simulator.simulator();
    EXPECT_TRUE(s.handle(QByteArray("kplsearch")).empty());  // no marker
    EXPECT_TRUE(s.handle(QByteArray(1164, 'x')).empty());
    QByteArray badLength = SetRequestFor(seg.linkState, RecordFor(s, 0), "admin", "admin");
    badLength[15] = 0x7B;
    EXPECT_TRUE(s.handle(badLength).empty());
    EXPECT_TRUE(s.handle(QByteArray()).empty());
}

TEST(GeneratedAps, varySettingsAndKeepDistinctMacs) {
    const auto aps = sim::GenerateAps(5000);
    std::set<config::MacAddress> macs;
    std::set<int> modes, auth;
    for (const auto& ap : aps) {
        macs.insert(ap.record.mac_addr());
        modes.insert(ap.record.op_mode());
        auth.insert(ap.record.auth_type());
    }
    EXPECT_EQ(macs.size(), aps.size());
    EXPECT_GE(modes.size(), 4u);
    EXPECT_GE(auth.size(), 3u);
}
