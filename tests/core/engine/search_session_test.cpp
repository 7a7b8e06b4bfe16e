#include "core/engine/search_session.h"

#include <gtest/gtest.h>

#include <vector>

#include "cli/headless_search.h"
#include "core/net/in_memory_network.h"
#include "tests/core/net/wire_test_support.h"

namespace tern::engine {
namespace {

using engine::SearchSession;

using net::test_support::DiscoveryPayload;
using net::test_support::Encipher;
using net::test_support::EnsureCoreApp;
using net::test_support::Mac;
using net::test_support::SpinEventLoop;

constexpr int kPort = 27155;

// An access point on the in-memory segment: answers each search request
// with the replies it is told to send.
class FakeAp : public net::InMemoryNetwork::Endpoint {
  public:
    enum class Reply { Enciphered, Plain, OldFirmware, Junk, StaleMarker };

    FakeAp(net::InMemoryNetwork& network, Mac mac, std::vector<Reply> replies)
        : network_(network), mac_(mac), replies_(std::move(replies)) {
        network_.attach(this, kPort);
    }
    ~FakeAp() override { network_.detach(this); }

    void deliver(const QByteArray& datagram, int) override {
        if (datagram.size() != 17 || !datagram.startsWith("kplsearch")) {
            return;
        }
        net::RequestMarker marker{};
        std::memcpy(marker.data(), datagram.constData() + 9, marker.size());
        if (searches_++ == 0) {
            firstMarker_ = marker;
        }
        lastMarker_ = marker;
        for (Reply reply : replies_) {
            network_.send(Make(reply), kPort);
        }
    }

    QByteArray Make(Reply reply) const {
        switch (reply) {
            case Reply::Enciphered:
                return Encipher(lastMarker_, DiscoveryPayload(mac_));
            case Reply::Plain:
                return DiscoveryPayload(mac_);
            case Reply::OldFirmware:
                return QByteArrayLiteral("MX9000AP-QA1-Z00     -01");
            case Reply::Junk:
                return QByteArrayLiteral("noise");
            case Reply::StaleMarker:
                return Encipher(firstMarker_, DiscoveryPayload(mac_));
        }
        return {};
    }
    int searches() const { return searches_; }

  private:
    net::InMemoryNetwork& network_;
    Mac mac_;
    std::vector<Reply> replies_;
    net::RequestMarker firstMarker_{};
    net::RequestMarker lastMarker_{};
    int searches_ = 0;
};

class SearchSessionTest : public ::testing::Test {
  protected:
    SearchSessionTest() : socket(network), search(socket) {
        EnsureCoreApp();
        socket.lclPort = kPort;
        socket.rmtPort = kPort;
        socket.OpenSocket();
        QObject::connect(&search, &SearchSession::finished, &search, [this] { ++finishedCount; });
    }
    net::InMemoryNetwork network;
    net::InMemorySocketControl socket;
    SearchSession search;
    int finishedCount = 0;
};

constexpr Mac kMacA = {0x00, 0x11, 0x22, 0x33, 0x44, 0x01};
constexpr Mac kMacB = {0x00, 0x11, 0x22, 0x33, 0x44, 0x02};

TEST_F(SearchSessionTest, listsEachApOnce_ignoresOwnEchoAndNoise) {
    using R = FakeAp::Reply;
    FakeAp a(network, kMacA, {R::Enciphered, R::Enciphered, R::Junk});
    FakeAp b(network, kMacB, {R::Plain, R::Enciphered, R::OldFirmware});
    search.start(10'000);
    network.deliverPending();

    ASSERT_EQ(search.found().size(), 2u);
    EXPECT_EQ(search.found()[0].mac, kMacA);
    EXPECT_TRUE(search.found()[0].enciphered);
    EXPECT_EQ(search.found()[1].mac, kMacB);
    EXPECT_FALSE(search.found()[1].enciphered);
    for (const auto& ap : search.found()) {
        EXPECT_EQ(ap.packet, DiscoveryPayload(ap.mac));
        EXPECT_EQ(ap.record, net::SwapRecordOrder(net::test_support::WireRecord(ap.mac)));
    }
    const auto& counters = search.counters();
    EXPECT_EQ(counters.datagrams, 7);
    EXPECT_EQ(counters.ownEchoes, 1);
    EXPECT_EQ(counters.duplicates, 2);
    EXPECT_EQ(counters.oldFirmware, 1);
    EXPECT_EQ(counters.other, 1);
    EXPECT_TRUE(search.running());
    search.finish();
    EXPECT_EQ(finishedCount, 1);
}

TEST_F(SearchSessionTest, repliesAfterFinishAreIgnored) {
    FakeAp a(network, kMacA, {FakeAp::Reply::Enciphered});
    search.start(10'000);
    search.finish();
    network.deliverPending();
    EXPECT_TRUE(search.found().empty());
    EXPECT_EQ(search.counters().datagrams, 0);
    search.finish();
    EXPECT_EQ(finishedCount, 1);
}

TEST_F(SearchSessionTest, windowClosesOnItsOwn_andLateReplyIsDropped) {
    FakeAp a(network, kMacA, {});
    search.start(30);
    SpinEventLoop(100);
    EXPECT_FALSE(search.running());
    EXPECT_EQ(finishedCount, 1);
    network.send(a.Make(FakeAp::Reply::Enciphered), kPort);
    network.deliverPending();
    EXPECT_TRUE(search.found().empty());
}

TEST_F(SearchSessionTest, newSearchStartsAfresh_replyToOlderSearchIsOther) {
    using R = FakeAp::Reply;
    FakeAp a(network, kMacA, {R::StaleMarker});
    search.start(10'000);
    network.deliverPending();
    // The first search: its own marker, so the reply is taken.
    EXPECT_EQ(search.found().size(), 1u);

    search.start(10'000);
    network.deliverPending();
    EXPECT_EQ(a.searches(), 2);
    EXPECT_TRUE(search.found().empty());
    EXPECT_EQ(search.counters().other, 1);
    EXPECT_EQ(search.counters().duplicates, 0);
    search.finish();
}

}  // namespace
}  // namespace tern::engine

// ---------------------------------------------------------------- the table

TEST(ApTable, textsAreDataNeverPatterns) {
    const std::vector<tern::cli::ApListLine> lines = {
        {QStringLiteral("02-54-45-00-00-01"), QStringLiteral("Lab%4"), QStringLiteral("net%3%1"),
         QStringLiteral("No"), QString()}};
    const QString table = tern::cli::FormatApTable(lines);
    const QStringList rows = table.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("MAC address        AP name")));
    EXPECT_EQ(rows[1], QStringLiteral("02-54-45-00-00-01") + QStringLiteral("  ") +
                           QStringLiteral("Lab%4").leftJustified(31) + QStringLiteral("  ") +
                           QStringLiteral("net%3%1").leftJustified(32) + QStringLiteral("  No"));
}
