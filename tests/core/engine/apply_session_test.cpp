// The one apply session both front ends drive, over the in-memory network
// and simulated APs: what goes out, in what order against the answers, and
// how the apply ends, whichever way it is driven.
#include "core/engine/apply_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/net/in_memory_network.h"
#include "core/net/protocol.h"
#include "core/net/udp_socket_control.h"
#include "core/record/net_types.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::engine {
namespace {

// Every set request and every answer on the segment, in delivery order:
// "set 02-54-..." for a request, "ack"/"err" for an answer.
class WireLog : public net::InMemoryNetwork::Endpoint {
  public:
    explicit WireLog(net::InMemoryNetwork& network) : network_(network) {
        network_.attach(this, net::kDefaultPort);
    }
    ~WireLog() override { network_.detach(this); }
    void deliver(const QByteArray& datagram, int) override {
        if (datagram.startsWith(net::kTagSet)) {
            lines.push_back("set");
            if (onFirstSet) std::exchange(onFirstSet, nullptr)();
        } else if (datagram.startsWith(net::kTagAck)) {
            lines.push_back("ack");
        } else if (datagram.startsWith(net::kTagError)) {
            lines.push_back("err");
        }
    }
    std::vector<std::string> lines;
    std::function<void()> onFirstSet;

  private:
    net::InMemoryNetwork& network_;
};

class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        net::test_support::EnsureCoreApp();
        ASSERT_TRUE(net::OpenOnProgramPort(socket));
        QObject::connect(&socket, &net::UdpSocketControl::OnRecv, &socket,
                         [this](const QByteArray& d, uint via) {
                             const Received r = session.receive(d, via);
                             if (!r.credited.isEmpty()) credited.push_back(r.credited);
                         });
        QObject::connect(&session, &ApplySession::ended, &socket,
                         [this](ApplySession::End how) { ends.push_back(how); });
    }
    // Simulated APs, and a request for each with the login they take.
    std::vector<ApplySession::Request> aps(std::vector<sim::SimulatedAp> simulated) {
        std::vector<ApplySession::Request> requests;
        for (const sim::SimulatedAp& ap : simulated) {
            record::ApConfigRecord record = ap.record;
            record.set_ssid("applied");
            record.set_mgmt_user("admin");
            record.set_mgmt_pass("admin");
            const QString mac = record::MacText(record.mac_addr());
            requests.push_back({record, {mac, mac}});
        }
        simulator = std::make_unique<sim::InMemorySimulator>(
            network, sim::ApSimulator(std::move(simulated)));
        return requests;
    }
    void spinUntil(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
    }
    // The window's way: everything sent before it returns, the event loop
    // running meanwhile.
    bool sendAll(net::UdpSocketControl* to, std::vector<ApplySession::Request> requests,
                 const ApplySession::Options& options) {
        if (!session.start(to, std::move(requests), options)) return false;
        while (session.sending()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return true;
    }
    QString macOf(const std::vector<ApplySession::Request>& r, std::size_t i) const {
        return r[i].target.mac;
    }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
    ApEngine engine;
    ApplySession session{engine};
    std::unique_ptr<sim::InMemorySimulator> simulator;
    WireLog wire{network};
    std::vector<QString> credited;
    std::vector<ApplySession::End> ends;
};

// The window sends all before its click returns, tern-ap-cli from its event
// loop: both must pace alike.
class Pacing : public Session, public ::testing::WithParamInterface<bool> {
  protected:
    void send(std::vector<ApplySession::Request> requests, ApplySession::Options options) {
        if (GetParam()) {
            ASSERT_TRUE(sendAll(&socket, std::move(requests), options));
        } else {
            ASSERT_TRUE(session.start(&socket, std::move(requests), options));
            spinUntil([this] { return !session.sending(); });
        }
        EXPECT_FALSE(session.sending());
        spinUntil([this] { return network.idle(); });
    }
};

TEST_P(Pacing, eachRequestGoesOutAfterThePreviousAnswer_andItsAnswerIsCreditedToIt) {
    const auto requests = aps(sim::GenerateAps(3));
    // Slices far longer than the test may take: only the answers can move
    // the sending on.
    QElapsedTimer t;
    t.start();
    send(requests, {.waitForReplies = true, .sliceMs = 60000, .maxSlices = 3});
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_EQ(wire.lines, (std::vector<std::string>{"set", "ack", "set", "ack", "set", "ack"}));
    EXPECT_EQ(credited,
              (std::vector<QString>{macOf(requests, 0), macOf(requests, 1), macOf(requests, 2)}));
    EXPECT_TRUE(engine.unanswered_targets.isEmpty());
    EXPECT_EQ(session.requestsSent(), 3);
    EXPECT_TRUE(engine.applyOutstanding());
}

TEST_P(Pacing, aSilentAp_holdsTheNextOnlyForItsSlices_andStaysUnanswered) {
    std::vector<sim::SimulatedAp> simulated = sim::GenerateAps(3);
    simulated[1].silentOnSet = true;
    const auto requests = aps(simulated);
    for (const int slices : {3, 4}) {  // the window's and tern-ap-cli's
        wire.lines.clear();
        send(requests, {.waitForReplies = true, .sliceMs = 10, .maxSlices = slices});
        EXPECT_EQ(wire.lines, (std::vector<std::string>{"set", "ack", "set", "set", "ack"}));
        ASSERT_EQ(engine.unanswered_targets.size(), 1);
        EXPECT_EQ(engine.unanswered_targets.first().mac, macOf(requests, 1));
        // Exactly its slices: the answered APs cost none.
        EXPECT_EQ(session.slicesWaited(), slices);
    }
}

INSTANTIATE_TEST_SUITE_P(SendAllOrFromTheEventLoop, Pacing, ::testing::Bool());

TEST_F(Session, following_endsAtTheLastAnswer_aRefusalCounted) {
    std::vector<sim::SimulatedAp> simulated = sim::GenerateAps(2);
    simulated[1].password = "other";
    const auto requests = aps(simulated);
    ASSERT_TRUE(
        session.start(&socket, requests,
                      {.waitForReplies = true, .sliceMs = 10, .follow = true, .tickMs = 60000}));
    spinUntil([this] { return !ends.empty(); });
    ASSERT_EQ(ends, std::vector<ApplySession::End>{ApplySession::End::AllAnswered});
    ASSERT_EQ(engine.failed_macs.size(), 1);
    const record::MacAddress refused = requests[1].record.mac_addr();
    EXPECT_EQ(engine.failed_macs.first(),
              QByteArray(reinterpret_cast<const char*>(refused.data()), 6));
    EXPECT_TRUE(engine.unanswered_targets.isEmpty());
    EXPECT_FALSE(session.following());
}

TEST_F(Session, following_aSilentAp_endsOnceAtTheEnginesVerdict_neverAsAnswered) {
    std::vector<sim::SimulatedAp> simulated = sim::GenerateAps(1);
    simulated[0].silentOnSet = true;
    const auto requests = aps(simulated);
    ASSERT_TRUE(session.start(&socket, requests, {.follow = true, .tickMs = 10}));
    spinUntil([this] { return !ends.empty(); });
    spinUntil([this] { return network.idle(); });
    EXPECT_EQ(ends, std::vector<ApplySession::End>{ApplySession::End::Verdict});
    EXPECT_EQ(engine.unanswered_targets.size(), 1);
}

TEST_F(Session, aSocketClosedMidApply_theRestCountAsFailedSends_andTheApplyStillEnds) {
    const auto requests = aps(sim::GenerateAps(3));
    wire.onFirstSet = [this] { socket.CloseSocket(); };
    ASSERT_TRUE(sendAll(&socket, requests,
                        {.waitForReplies = true, .sliceMs = 10, .follow = true, .tickMs = 10}));
    EXPECT_EQ(session.requestsSent(), 1);
    EXPECT_EQ(session.sendsFailed(), 2);
    spinUntil([this] { return !ends.empty(); });
    EXPECT_EQ(ends, std::vector<ApplySession::End>{ApplySession::End::Verdict});
    EXPECT_EQ(engine.unanswered_targets.size(), 3);
}

TEST_F(Session, noSocket_nothingGoesOut_everySendFails) {
    const auto requests = aps(sim::GenerateAps(2));
    ASSERT_TRUE(sendAll(nullptr, requests, {.waitForReplies = true, .sliceMs = 10}));
    EXPECT_EQ(session.requestsSent(), 0);
    EXPECT_EQ(session.sendsFailed(), 2);
    spinUntil([this] { return network.idle(); });
    EXPECT_TRUE(wire.lines.empty());
}

TEST_F(Session, aSecondStartWhileSending_isRefused_andTheFirstGoesOnWhole) {
    const auto requests = aps(sim::GenerateAps(3));
    bool refused = false;
    QObject::connect(&session, &ApplySession::aboutToSend, &socket, [&](int index, int count) {
        EXPECT_EQ(count, 3);
        if (index == 1) refused = !session.start(&socket, requests, {});
    });
    ASSERT_TRUE(sendAll(&socket, requests, {.waitForReplies = true, .sliceMs = 10}));
    spinUntil([this] { return network.idle(); });
    EXPECT_TRUE(refused);
    EXPECT_EQ(session.requestsSent(), 3);
    EXPECT_EQ(credited.size(), 3u);
    EXPECT_FALSE(session.start(&socket, {}, {}));  // nothing to send
}

}  // namespace
}  // namespace tern::engine
