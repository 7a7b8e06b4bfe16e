// The simulated APs against the program's side of the protocol, on the
// in-memory network: what the demo mode and the GUI tests stand on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <set>
#include <tuple>

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
        net::OpenOnProgramPort(socket);
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
    // From now on, what the program's socket hears goes to `received`.
    void listen() {
        QObject::connect(&socket, &net::UdpSocketControl::OnRecv, &network,
                         [this](const QByteArray& d) {
                             received.push_back(net::ClassifyDatagram(d, linkState));
                         });
    }
    std::vector<net::DatagramKind> kindsHeard() const {
        std::vector<net::DatagramKind> kinds;
        for (const auto& d : received) kinds.push_back(d.kind);
        return kinds;
    }
    std::vector<net::ClassifiedDatagram> received;
    net::InMemoryNetwork network;
    sim::InMemorySimulator simulator;
    net::InMemorySocketControl socket;
    net::LinkState linkState;
};

record::ApConfigRecord RecordFor(sim::ApSimulator& s, int index) {
    return s.aps()[static_cast<std::size_t>(index)].record;
}

QByteArray SetRequestFor(net::LinkState& state, record::ApConfigRecord record, QByteArrayView user,
                         QByteArrayView pass) {
    record.set_mgmt_user(user);
    record.set_mgmt_pass(pass);
    state.NewRequest();
    return net::BuildSetRequest(state.request_marker(), state.link_key(), record.bytes());
}

}  // namespace

TEST(SimulatedSegment, search_everyApListedOnceWithItsMacText) {
    Segment seg(sim::GenerateAps(300));
    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    search.finish();

    ASSERT_EQ(search.found().size(), 300u);
    std::set<QString> macs;
    for (std::size_t i = 0; i < search.found().size(); ++i) {
        const record::ApConfigRecord r(search.found()[i].record);
        const auto expected = RecordFor(seg.simulator.simulator(), static_cast<int>(i));
        EXPECT_EQ(record::MacText(r.mac_addr()), record::MacText(expected.mac_addr()));
        EXPECT_EQ(r.ap_name(), expected.ap_name());
        EXPECT_EQ(r.ssid(), expected.ssid());
        EXPECT_TRUE(search.found()[i].enciphered);
        macs.insert(record::MacText(r.mac_addr()));
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
    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    ASSERT_EQ(search.found().size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        record::ApConfigRecord expected = aps[i].record;
        expected.set_mgmt_user({});
        EXPECT_EQ(search.found()[i].record, expected.bytes()) << "AP " << i;
    }
}

TEST(SimulatedSegment, plainAndOldFirmwareReplies_areTold) {
    auto aps = sim::DemoAps(3, /*withOldFirmware=*/true);
    sim::SimOptions options;
    options.plainReplies = true;
    Segment seg(aps, options);
    engine::SearchSession search(seg.socket);
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
    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    EXPECT_GT(search.found().size(), 50u);
    EXPECT_LT(search.found().size(), 150u);
    EXPECT_EQ(search.counters().duplicates, 0);
}

TEST(SimulatedSegment, setRequest_rightLoginIsAcknowledgedAndKept) {
    Segment seg(sim::GenerateAps(3));
    std::vector<net::ClassifiedDatagram> replies;
    QObject::connect(
        &seg.socket, &net::UdpSocketControl::OnRecv, &seg.network,
        [&](const QByteArray& d) { replies.push_back(net::ClassifyDatagram(d, seg.linkState)); });
    auto record = RecordFor(seg.simulator.simulator(), 1);
    record.set_ssid("renamed");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "admin"));
    seg.settle();

    ASSERT_EQ(replies.size(), 2u);  // own echo, then the AP's answer
    EXPECT_EQ(replies[0].kind, net::DatagramKind::OwnSetEcho);
    EXPECT_EQ(replies[1].kind, net::DatagramKind::Acknowledgement);
    EXPECT_EQ(RecordFor(seg.simulator.simulator(), 1).ssid(), QByteArray("renamed"));
    EXPECT_TRUE(RecordFor(seg.simulator.simulator(), 1).mgmt_user().isEmpty());
    EXPECT_EQ(RecordFor(seg.simulator.simulator(), 0).ssid(), QByteArray("tern-0001"));
    EXPECT_EQ(seg.simulator.simulator().setsAccepted(), 1);
}

TEST(SimulatedSegment, setRequest_wrongLoginIsRefusedWithTheApsMac) {
    Segment seg(sim::GenerateAps(3));
    std::vector<net::ClassifiedDatagram> replies;
    QObject::connect(
        &seg.socket, &net::UdpSocketControl::OnRecv, &seg.network,
        [&](const QByteArray& d) { replies.push_back(net::ClassifyDatagram(d, seg.linkState)); });
    auto record = RecordFor(seg.simulator.simulator(), 2);
    const QByteArray before = record.ssid();
    record.set_ssid("renamed");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "wrong"));
    seg.settle();

    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].kind, net::DatagramKind::ErrorReply);
    EXPECT_EQ(net::ErrorReplyMac(replies[1]), record.mac_addr());
    EXPECT_EQ(RecordFor(seg.simulator.simulator(), 2).ssid(), before);
}

TEST(SimulatedSegment, setRequest_unknownMacOrSilentApGetsNoAnswer) {
    auto aps = sim::GenerateAps(2);
    aps[0].silentOnSet = true;
    Segment seg(aps);
    int datagrams = 0;
    QObject::connect(&seg.socket, &net::UdpSocketControl::OnRecv, &seg.network,
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

// An AP whose answer is lost has still acted on the request: the program
// must not be told "not taken" by a simulator that threw the request away.
TEST(SetRequestLoss, lostAnswer_theApActedOnTheRequestAndSaidNothing) {
    sim::SimOptions options;
    options.ackDropPercent = 100;
    Segment seg(sim::GenerateAps(3), options);
    seg.listen();
    auto& s = seg.simulator.simulator();
    auto accepted = RecordFor(s, 1);
    accepted.set_ssid("renamed");
    auto refused = RecordFor(s, 2);
    const QByteArray before = refused.ssid();
    refused.set_ssid("renamed too");
    seg.socket.SendData(SetRequestFor(seg.linkState, accepted, "admin", "admin"));
    seg.settle();  // each echo is told by the marker of its own request
    seg.socket.SendData(SetRequestFor(seg.linkState, refused, "admin", "wrong"));
    seg.settle();

    EXPECT_EQ(seg.kindsHeard(), std::vector<net::DatagramKind>(2, net::DatagramKind::OwnSetEcho));
    EXPECT_EQ(RecordFor(s, 1).ssid(), QByteArray("renamed"));
    EXPECT_EQ(s.aps()[1].setsTaken, 1);
    EXPECT_EQ(RecordFor(s, 2).ssid(), before);  // a wrong login still takes nothing
    EXPECT_EQ(s.aps()[2].setsTaken, 0);
    EXPECT_EQ(s.setsAccepted(), 1);
    EXPECT_EQ(s.setsRefused(), 1);
    EXPECT_EQ(s.answersDropped(), 2);

    // Losing answers to set requests leaves the search replies alone, and
    // they show the settings taken.
    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    ASSERT_EQ(search.found().size(), 3u);
    EXPECT_EQ(record::ApConfigRecord(search.found()[1].record).ssid(), QByteArray("renamed"));
}

TEST(SetRequestLoss, lostRequest_theApTakesNothingAndSaysNothing) {
    sim::SimOptions options;
    options.setDropPercent = 100;
    Segment seg(sim::GenerateAps(2), options);
    seg.listen();
    auto& s = seg.simulator.simulator();
    auto record = RecordFor(s, 0);
    record.set_ssid("renamed");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "admin"));
    seg.settle();

    EXPECT_EQ(seg.kindsHeard(), std::vector<net::DatagramKind>{net::DatagramKind::OwnSetEcho});
    EXPECT_EQ(RecordFor(s, 0).ssid(), QByteArray("tern-0001"));
    EXPECT_EQ(s.setRequestsSeen(), 1);  // it came, and was lost on the way
    EXPECT_EQ(s.setRequestsLost(), 1);
    EXPECT_EQ(s.setRequestsReachingAps(), 0);
    EXPECT_EQ(s.setsAccepted() + s.setsRefused(), 0);
    EXPECT_EQ(s.apsChanged(), 0);
    EXPECT_EQ(s.answersDropped(), 0);

    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    EXPECT_EQ(search.found().size(), 2u);
}

TEST(SetRequestLoss, searchReplyLoss_leavesSetRequestsAndTheirAnswersAlone) {
    sim::SimOptions options;
    options.dropPercent = 100;
    Segment seg(sim::GenerateAps(4), options);
    auto& s = seg.simulator.simulator();
    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    search.finish();
    EXPECT_TRUE(search.found().empty());
    EXPECT_EQ(s.searchRepliesDropped(), 4);

    seg.listen();
    auto record = RecordFor(s, 3);
    record.set_ssid("renamed");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "admin"));
    seg.settle();
    EXPECT_EQ(seg.kindsHeard(),
              (std::vector<net::DatagramKind>{net::DatagramKind::OwnSetEcho,
                                              net::DatagramKind::Acknowledgement}));
    EXPECT_EQ(RecordFor(s, 3).ssid(), QByteArray("renamed"));
}

// What a test of "nothing was sent" or "only these APs were written" reads.
TEST(SetRequestLoss, counters_seenBeforeAnyLossAndTakenPerAp) {
    auto aps = sim::GenerateAps(3);
    aps[2].silentOnSet = true;
    sim::ApSimulator s(aps);
    net::LinkState state;
    EXPECT_EQ(s.setRequestsSeen(), 0);

    auto stranger = RecordFor(s, 0);
    stranger.set_mac_addr({1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(s.handle(SetRequestFor(state, stranger, "admin", "admin")).empty());
    QByteArray badLength = SetRequestFor(state, RecordFor(s, 0), "admin", "admin");
    badLength[15] = 0x7B;
    EXPECT_TRUE(s.handle(badLength).empty());
    EXPECT_EQ(s.setRequestsSeen(), 1);  // the stranger's counts, the malformed one not
    EXPECT_EQ(s.setRequestsReachingAps(), 0);

    EXPECT_EQ(s.handle(SetRequestFor(state, RecordFor(s, 0), "admin", "admin")).size(), 1u);
    EXPECT_EQ(s.handle(SetRequestFor(state, RecordFor(s, 0), "admin", "admin")).size(), 1u);
    EXPECT_EQ(s.handle(SetRequestFor(state, RecordFor(s, 1), "admin", "admin")).size(), 1u);
    EXPECT_EQ(s.handle(SetRequestFor(state, RecordFor(s, 1), "admin", "wrong")).size(), 1u);
    EXPECT_TRUE(s.handle(SetRequestFor(state, RecordFor(s, 2), "admin", "admin")).empty());

    EXPECT_EQ(s.setRequestsSeen(), 6);
    EXPECT_EQ(s.setRequestsReachingAps(), 5);
    EXPECT_EQ(s.aps()[0].setsTaken, 2);
    EXPECT_EQ(s.aps()[1].setsTaken, 1);
    EXPECT_EQ(s.aps()[2].setsTaken, 0);  // silent: ignores it
    EXPECT_EQ(s.setsAccepted(), 3);
    EXPECT_EQ(s.setsRefused(), 1);
    EXPECT_EQ(s.apsChanged(), 2);  // same settings again still count as taken
}

TEST(SetRequestLoss, acceptedRecord_isHeldAndShownExactlyAsSent) {
    Segment seg(sim::GenerateAps(4));
    auto& s = seg.simulator.simulator();
    auto record = RecordFor(s, 3);  // the WPA-PSK AP
    record.set_ssid("exact");
    record.set_channel(6);
    record.set_ip_addr({10, 1, 2, 3});
    record.set_wpa_passphrase("another pass phrase");
    seg.socket.SendData(SetRequestFor(seg.linkState, record, "admin", "admin"));
    seg.settle();

    ASSERT_EQ(RecordFor(s, 3).bytes(), record.bytes());  // the login never stays
    engine::SearchSession search(seg.socket);
    search.start();
    seg.settle();
    ASSERT_EQ(search.found().size(), 4u);
    EXPECT_EQ(search.found()[3].record, record.bytes());
}

namespace {

// Per request: whether the AP took it, whether an answer came, its delay.
using Outcome = std::tuple<bool, bool, int>;

struct RequestRun {
    sim::ApSimulator simulator;
    std::vector<Outcome> outcomes;
};

// Each request i names AP i % 10 and gives it the SSID ssids[i].
RequestRun RunRequests(const std::vector<QByteArray>& requests,
                       const std::vector<QByteArray>& ssids, sim::SimOptions options) {
    RequestRun run{sim::ApSimulator(sim::GenerateAps(10), options), {}};
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const auto replies = run.simulator.handle(requests[i]);
        const bool taken = run.simulator.aps()[i % 10].record.ssid() == ssids[i];
        run.outcomes.emplace_back(taken, !replies.empty(),
                                  replies.empty() ? -1 : replies[0].delayMs);
    }
    return run;
}

}  // namespace

TEST(SetRequestLoss, seededLosses_nearTheirChanceAndTheSameForTheSameSeed) {
    const auto aps = sim::GenerateAps(10);
    net::LinkState state;
    std::vector<QByteArray> requests, ssids;
    for (int i = 0; i < 1000; ++i) {
        auto record = aps[static_cast<std::size_t>(i % 10)].record;
        ssids.push_back("run-" + QByteArray::number(i));
        record.set_ssid(ssids.back());
        requests.push_back(SetRequestFor(state, record, "admin", "admin"));
    }
    sim::SimOptions options;
    options.ackDropPercent = 5;
    options.setDropPercent = 5;
    options.maxDelayMs = 40;
    options.seed = 2024;

    const RequestRun first = RunRequests(requests, ssids, options);
    const auto& outcomes = first.outcomes;
    int lostRequests = 0, lostAnswers = 0;
    for (const auto& [taken, answered, delayMs] : outcomes) {
        EXPECT_FALSE(answered && !taken);  // an acknowledgement means it was taken
        lostRequests += !taken;
        lostAnswers += taken && !answered;
    }
    EXPECT_GE(lostRequests, 20);
    EXPECT_LE(lostRequests, 90);
    EXPECT_GE(lostAnswers, 20);
    EXPECT_LE(lostAnswers, 90);
    EXPECT_EQ(first.simulator.setRequestsSeen(), 1000);
    EXPECT_EQ(first.simulator.setRequestsLost(), lostRequests);
    EXPECT_EQ(first.simulator.answersDropped(), lostAnswers);
    EXPECT_EQ(first.simulator.setsAccepted(), 1000 - lostRequests);

    EXPECT_EQ(RunRequests(requests, ssids, options).outcomes, outcomes);
    options.seed = 2025;
    EXPECT_NE(RunRequests(requests, ssids, options).outcomes, outcomes);
}

TEST(GeneratedAps, varySettingsAndKeepDistinctMacs) {
    const auto aps = sim::GenerateAps(5000);
    std::set<record::MacAddress> macs;
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
