// The search-and-apply engine on its own, over the in-memory network and
// simulated APs; time reaches it only as ticks, so nothing here waits.
#include "core/engine/ap_engine.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

#include "core/net/in_memory_network.h"
#include "core/net/udp_socket_control.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::engine {
namespace {

using Kind = Received::Kind;

// The engine on one segment with simulated APs; everything the engine's
// socket receives goes through Receive, and what it meant is kept.
class EngineOnSegment : public ::testing::Test {
  protected:
    void SetUp() override {
        net::test_support::EnsureCoreApp();
        ASSERT_TRUE(net::OpenOnProgramPort(socket));
        QObject::connect(&socket, &net::UdpSocketControl::OnRecv, &socket,
                         [this](const QByteArray& d) { seen.push_back(engine.Receive(d)); });
    }
    void run(std::vector<sim::SimulatedAp> aps) {
        simulator =
            std::make_unique<sim::InMemorySimulator>(network, sim::ApSimulator(std::move(aps)));
    }
    void deliver() {
        for (int i = 0; i < 5; ++i) {
            network.deliverPending();
            QCoreApplication::processEvents();
        }
    }
    int count(Kind kind) const {
        return static_cast<int>(std::count_if(
            seen.begin(), seen.end(), [kind](const Received& r) { return r.kind == kind; }));
    }
    // An apply to every listed AP with the default login, all requests out.
    void applyToAll(const QByteArray& ssid) {
        QList<ApplyTarget> targets;
        for (const QString& mac : engine.found_macs) targets.append({mac, mac});
        engine.BeginApply(static_cast<int>(targets.size()));
        engine.BeginSending(targets);
        for (int i = 0; i < targets.size(); ++i) {
            net::RecordBytes bytes{};
            std::memcpy(bytes.data(), engine.packets()[i].constData() + net::kReplyHeaderSize,
                        bytes.size());
            record::ApConfigRecord record(bytes);
            record.set_ssid(ssid);
            record.set_mgmt_user("admin");
            record.set_mgmt_pass("admin");
            socket.SendData(engine.SetRequest(record, targets[i], true));
        }
        engine.RequestsSent();
    }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
    ApEngine engine;
    std::unique_ptr<sim::InMemorySimulator> simulator;
    std::vector<Received> seen;
};

TEST_F(EngineOnSegment, search_eachApOnce_ownEchoDuplicatesOldFirmwareAndShortRepliesSorted) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(4);
    aps[3].oldFirmware = true;
    run(aps);
    socket.SendData(engine.StartSearch());
    deliver();
    // the same APs again, a short reply and noise
    const QByteArray again = sim::ApSimulator::DiscoveryPayload(aps[0]);
    network.send(again, net::kDefaultPort);
    network.send(again.left(600), net::kDefaultPort);
    network.send(QByteArrayLiteral("noise"), net::kDefaultPort);
    deliver();

    EXPECT_EQ(count(Kind::OwnEcho), 1);
    EXPECT_EQ(count(Kind::NewAp), 3);
    EXPECT_EQ(count(Kind::Duplicate), 1);
    EXPECT_EQ(count(Kind::OldFirmware), 1);
    EXPECT_EQ(count(Kind::Other), 2);
    ASSERT_EQ(engine.found_macs.size(), 3);
    EXPECT_EQ(engine.packets().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(engine.found_macs[i],
                  record::MacText(aps[static_cast<std::size_t>(i)].record.mac_addr()));
        EXPECT_EQ(engine.packets()[i].size(), 1180);
    }
    EXPECT_FALSE(engine.busy);
    // the search settles at the next tick; a new one starts empty
    EXPECT_EQ(engine.Tick(), TimerTick::Settled);
    engine.StartSearch();
    EXPECT_TRUE(engine.found_macs.isEmpty());
    EXPECT_TRUE(engine.packets().isEmpty());
}

TEST_F(EngineOnSegment, oldFirmware_warnedOnlyTheFirstTime) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    for (auto& ap : aps) ap.oldFirmware = true;
    run(aps);
    socket.SendData(engine.StartSearch());
    deliver();
    ASSERT_EQ(count(Kind::OldFirmware), 2);
    int first = 0;
    for (const Received& r : seen) first += r.firstOldFirmware ? 1 : 0;
    EXPECT_EQ(first, 1);
}

TEST_F(EngineOnSegment, applyToThree_anAcknowledgementARefusalAndASilentAp) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(3);
    aps[1].password = "other";
    aps[2].silentOnSet = true;
    run(aps);
    socket.SendData(engine.StartSearch());
    deliver();
    engine.Tick();
    engine.SettleDone();
    ASSERT_EQ(engine.found_macs.size(), 3);
    seen.clear();

    applyToAll("engine-ssid");
    deliver();
    EXPECT_EQ(count(Kind::Acknowledgement), 1);
    EXPECT_EQ(count(Kind::Refusal), 1);
    EXPECT_EQ(engine.reply_count, 2);
    EXPECT_FALSE(engine.replies_done);
    EXPECT_EQ(simulator->simulator().aps()[0].record.ssid(), "engine-ssid");

    for (int i = 0; i < ApEngine::kTicksPerApply - 1; ++i) {
        EXPECT_EQ(engine.Tick(), TimerTick::Waiting);
    }
    EXPECT_EQ(engine.Tick(), TimerTick::TimedOut);
    const std::optional<Unconfirmed> u = engine.TakeUnconfirmed();
    ASSERT_TRUE(u);
    ASSERT_EQ(u->silent.size(), 1);
    EXPECT_EQ(u->silent[0].mac, engine.found_macs[2]);
    EXPECT_EQ(u->unmatched, 0);
    EXPECT_EQ(u->missing, 1);
    ASSERT_EQ(u->refusals.size(), 1);
    EXPECT_EQ(record::MacText(aps[1].record.mac_addr()),
              record::MacText({static_cast<std::uint8_t>(u->refusals[0][0]),
                               static_cast<std::uint8_t>(u->refusals[0][1]),
                               static_cast<std::uint8_t>(u->refusals[0][2]),
                               static_cast<std::uint8_t>(u->refusals[0][3]),
                               static_cast<std::uint8_t>(u->refusals[0][4]),
                               static_cast<std::uint8_t>(u->refusals[0][5])}));
    EXPECT_FALSE(engine.applyOutstanding());
}

TEST_F(EngineOnSegment, applyEveryAnswerIn_concludesAtTheNextTick_nothingUnconfirmed) {
    run(sim::GenerateAps(2));
    socket.SendData(engine.StartSearch());
    deliver();
    engine.Tick();
    engine.SettleDone();
    applyToAll("both");
    deliver();
    EXPECT_TRUE(engine.replies_done);
    EXPECT_EQ(engine.Tick(), TimerTick::Concluded);
    EXPECT_FALSE(engine.TakeUnconfirmed());
    EXPECT_TRUE(engine.failed_macs.isEmpty());
    for (int i = 0; i < ApEngine::kTicksPerApply - 1; ++i) EXPECT_FALSE(engine.RefreshTick());
    EXPECT_TRUE(engine.RefreshTick());
}

}  // namespace
}  // namespace tern::engine
