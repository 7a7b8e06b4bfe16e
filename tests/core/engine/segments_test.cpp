// A search on a host with two segments: every AP found with the interface
// it answered on, an AP heard on both (a bridged host) listed once.
#include <gtest/gtest.h>

#include "core/engine/search_session.h"
#include "core/net/in_memory_network.h"
#include "sim/in_memory_simulator.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::engine {
namespace {

class TwoSegments : public ::testing::Test {
  protected:
    void SetUp() override {
        net::test_support::EnsureCoreApp();
        socket.lclPort = net::kDefaultPort;
        socket.rmtPort = net::kDefaultPort;
        socket.setSegments({{3, QStringLiteral("eth0")}, {8, QStringLiteral("wlan0")}});
        ASSERT_TRUE(socket.OpenSocket());
    }
    void onSegment(int segment, std::vector<sim::SimulatedAp> aps) {
        sims.push_back(std::make_unique<sim::InMemorySimulator>(
            network, sim::ApSimulator(std::move(aps)), net::kDefaultPort, segment));
    }
    void search() {
        session.start(60000);
        for (int i = 0; i < 10 && !network.idle(); ++i) network.deliverPending();
        session.finish();
    }
    QString macOf(std::size_t i) const { return record::MacText(session.found()[i].mac); }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
    std::vector<std::unique_ptr<sim::InMemorySimulator>> sims;
    SearchSession session{socket};
};

TEST_F(TwoSegments, everyApFound_withTheInterfaceItAnsweredOn) {
    onSegment(3, sim::GenerateAps(2));
    onSegment(8, sim::GenerateAps(3, 2));
    search();
    EXPECT_EQ(session.requestsSent(), 2);
    ASSERT_EQ(session.found().size(), 5u);
    for (const auto& ap : session.found()) {
        const bool first = ap.mac[5] < 2;
        EXPECT_EQ(ap.interfaceIndex, first ? 3u : 8u);
        EXPECT_EQ(ap.interfaceName, first ? QStringLiteral("eth0") : QStringLiteral("wlan0"));
        EXPECT_EQ(session.engine().InterfaceOf(record::MacText(ap.mac)), ap.interfaceIndex);
    }
    EXPECT_EQ(session.engine().InterfaceOf(QStringLiteral("02-54-45-00-00-09")), 0u);
}

TEST_F(TwoSegments, anApHeardOnBoth_isListedOnce_onTheFirst) {
    onSegment(3, sim::GenerateAps(2));
    onSegment(8, sim::GenerateAps(2));  // the same APs, seen through a bridge
    search();
    ASSERT_EQ(session.found().size(), 2u);
    EXPECT_EQ(session.counters().duplicates, 2);
    for (const auto& ap : session.found()) EXPECT_EQ(ap.interfaceName, QStringLiteral("eth0"));
    EXPECT_EQ(session.engine().found_macs.size(), 2);
}

TEST_F(TwoSegments, aNewSearchForgetsWhereTheApsWere) {
    onSegment(8, sim::GenerateAps(1));
    search();
    ASSERT_EQ(session.found().size(), 1u);
    const QString mac = macOf(0);
    sims.clear();
    onSegment(3, sim::GenerateAps(1));  // the AP moved to the other segment
    search();
    ASSERT_EQ(session.found().size(), 1u);
    EXPECT_EQ(session.engine().InterfaceOf(mac), 3u);
}

}  // namespace
}  // namespace tern::engine
