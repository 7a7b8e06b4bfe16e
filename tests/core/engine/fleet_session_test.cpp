// The fleet session over the in-memory network: searches asked several
// times, set requests in parallel with retries, answers credited by MAC or
// by the request's key. Timers are real and short.
#include "core/engine/fleet_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstring>
#include <functional>

#include "core/net/in_memory_network.h"
#include "core/record/net_types.h"
#include "sim/ap_simulator.h"
#include "tests/support/core_app.h"

namespace tern::engine {
namespace {

// An AP side the test scripts: every datagram is handed to `on`, which
// may answer through `network`.
class Scripted : public net::InMemoryNetwork::Endpoint {
  public:
    explicit Scripted(net::InMemoryNetwork& network) : network_(network) {
        network_.attach(this, net::kDefaultPort);
    }
    ~Scripted() override { network_.detach(this); }
    void deliver(const QByteArray& datagram, int) override {
        if (on) on(datagram);
    }
    void answer(const QByteArray& datagram, int delayMs = 0) {
        network_.sendAfter(datagram, net::kDefaultPort, delayMs);
    }
    std::function<void(const QByteArray&)> on;

  private:
    net::InMemoryNetwork& network_;
};

QByteArray Ack(const record::MacAddress& mac) {
    QByteArray a("kplack");
    a.append('\0');
    a.append(reinterpret_cast<const char*>(mac.data()), 6);
    return a;
}

// The record a set request carries (host order).
record::ApConfigRecord SetRecord(const QByteArray& request) {
    net::RequestMarker marker{};
    std::memcpy(marker.data(), request.constData() + 6, marker.size());
    const QByteArray plain = net::CipherRun(net::DeriveLinkKey(marker), request.mid(16, 1148));
    net::RecordBytes wire{};
    std::memcpy(wire.data(), plain.constData(), wire.size());
    return record::ApConfigRecord(net::SwapRecordOrder(wire));
}

class FleetSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureCoreApp();
        ASSERT_TRUE(net::OpenOnProgramPort(socket));
    }
    // Runs the event loop until `signal` or 10 s.
    template <typename Signal>
    void waitFor(FleetSession& s, Signal signal) {
        QEventLoop loop;
        QObject::connect(&s, signal, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    std::vector<FleetSession::Job> jobs(const std::vector<sim::SimulatedAp>& aps) {
        std::vector<FleetSession::Job> out;
        for (const auto& ap : aps) {
            out.push_back({ap.record, record::MacText(ap.record.mac_addr()), 0, {}, 0});
        }
        return out;
    }
    FleetSession::Options fast() {
        FleetSession::Options o;
        o.searchWindowMs = 300;
        o.searchSpacingMs = 50;
        o.answerTimeoutMs = 30;
        o.maxBackoffMs = 120;
        return o;
    }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
};

TEST_F(FleetSessionTest, setRequests_goOutParallelAtATime_theNextOnEachAnswer) {
    Scripted aps(network);
    std::vector<QByteArray> held;
    aps.on = [&](const QByteArray& d) {
        if (d.startsWith("kplset")) held.push_back(d);
    };
    FleetSession::Options o = fast();
    o.parallel = 8;
    o.answerTimeoutMs = 5000;  // nothing is sent again while this test looks
    o.maxBackoffMs = 5000;
    FleetSession session(socket, o);
    session.send(jobs(sim::GenerateAps(20)));
    network.deliverPending();
    ASSERT_EQ(held.size(), 8u);
    // Four answers free four slots.
    for (int i = 0; i < 4; ++i)
        aps.answer(Ack(SetRecord(held[static_cast<std::size_t>(i)]).mac_addr()));
    network.deliverPending();
    QCoreApplication::processEvents();
    network.deliverPending();
    EXPECT_EQ(held.size(), 12u);
    EXPECT_EQ(session.jobs()[0].answer, FleetSession::Answer::Acknowledged);
    EXPECT_EQ(session.jobs()[5].answer, FleetSession::Answer::Pending);
    session.stop();
}

TEST_F(FleetSessionTest, anUnansweredRequest_isSentAgainWithBackoff_untilItsRetriesAreUsed) {
    Scripted aps(network);
    const std::vector<sim::SimulatedAp> two = sim::GenerateAps(2);
    std::vector<qint64> firstApSends;
    QElapsedTimer clock;
    clock.start();
    int secondApSends = 0;
    aps.on = [&](const QByteArray& d) {
        if (!d.startsWith("kplset")) return;
        const record::ApConfigRecord r = SetRecord(d);
        if (r.mac_addr() == two[0].record.mac_addr()) {
            firstApSends.push_back(clock.elapsed());
            if (firstApSends.size() == 3) aps.answer(Ack(r.mac_addr()));
        } else {
            ++secondApSends;  // never answers
        }
    };
    FleetSession::Options o = fast();
    o.retries = 3;
    FleetSession session(socket, o);
    session.send(jobs(two));
    waitFor(session, &FleetSession::sent);
    ASSERT_EQ(firstApSends.size(), 3u);
    EXPECT_EQ(session.jobs()[0].answer, FleetSession::Answer::Acknowledged);
    EXPECT_EQ(session.jobs()[1].answer, FleetSession::Answer::NoAnswer);
    EXPECT_EQ(secondApSends, 4);  // once and three retries, no more
    EXPECT_GE(firstApSends[2] - firstApSends[1], firstApSends[1] - firstApSends[0]);
    EXPECT_EQ(session.counters().resends, 2 + 3);
}

TEST_F(FleetSessionTest, aSearch_takesRepliesToAnEarlierRequestOfIt_listingEachApOnce) {
    Scripted aps(network);
    sim::ApSimulator simulator(sim::GenerateAps(3));
    std::vector<QByteArray> requests;
    aps.on = [&](const QByteArray& d) {
        if (!d.startsWith("kplsearch")) return;
        requests.push_back(d);
        if (requests.size() == 2) {
            // The first request's replies arrive only after the second
            // went out, enciphered under the first one's key; no other
            // request is answered.
            for (const sim::SimReply& r : simulator.handle(requests[0])) aps.answer(r.datagram);
        }
    };
    FleetSession session(socket, fast());
    session.search();
    waitFor(session, &FleetSession::searched);
    EXPECT_GE(requests.size(), 2u);
    ASSERT_EQ(session.found().size(), 3u);
}

TEST_F(FleetSessionTest, answers_creditedByMac_orByTheKeyTheyCameUnder_elseUnmatched) {
    Scripted aps(network);
    const std::vector<sim::SimulatedAp> three = sim::GenerateAps(3);
    aps.on = [&](const QByteArray& d) {
        if (!d.startsWith("kplset")) return;
        const record::ApConfigRecord r = SetRecord(d);
        if (r.mac_addr() == three[0].record.mac_addr()) {
            aps.answer(Ack(r.mac_addr()));
        } else if (r.mac_addr() == three[1].record.mac_addr()) {
            // No MAC, enciphered under the request's own marker.
            net::RequestMarker marker{};
            std::memcpy(marker.data(), d.constData() + 6, marker.size());
            QByteArray answer(reinterpret_cast<const char*>(marker.data()), 8);
            answer.append(2, '\0');
            answer.append(net::CipherRun(net::DeriveLinkKey(marker), "kplack"));
            aps.answer(answer);
        } else {
            aps.answer("kplack");  // plain, no MAC: nobody's
        }
    };
    FleetSession::Options o = fast();
    o.retries = 0;
    FleetSession session(socket, o);
    session.send(jobs(three));
    waitFor(session, &FleetSession::sent);
    EXPECT_EQ(session.jobs()[0].answer, FleetSession::Answer::Acknowledged);
    EXPECT_EQ(session.jobs()[1].answer, FleetSession::Answer::Acknowledged);
    EXPECT_EQ(session.jobs()[2].answer, FleetSession::Answer::NoAnswer);
    EXPECT_EQ(session.counters().unmatchedAnswers, 1);
}

TEST_F(FleetSessionTest, aStrayAnswerForAnApNotSentToYet_creditsNothing_andTheRunEnds) {
    Scripted aps(network);
    const std::vector<sim::SimulatedAp> three = sim::GenerateAps(3);
    int sets = 0;
    aps.on = [&](const QByteArray& d) {
        if (!d.startsWith("kplset")) return;
        ++sets;
        if (sets == 1) {
            // Another tool's answer for the third AP, while it waits its turn.
            aps.answer(Ack(three[2].record.mac_addr()));
        }
        aps.answer(Ack(SetRecord(d).mac_addr()), 5);
    };
    FleetSession::Options o = fast();
    o.parallel = 1;
    FleetSession session(socket, o);
    session.send(jobs(three));
    waitFor(session, &FleetSession::sent);
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(sets, 3);  // the third AP was still sent to
    for (const FleetSession::Job& j : session.jobs()) {
        EXPECT_EQ(j.answer, FleetSession::Answer::Acknowledged);
        EXPECT_EQ(j.sends, 1);
    }
    EXPECT_EQ(session.counters().unmatchedAnswers, 1);
}

TEST_F(FleetSessionTest, aSearchForNamedAps_endsOnceTheyAnswered_andAsksAgainForTheSilent) {
    Scripted aps(network);
    sim::ApSimulator simulator(sim::GenerateAps(2));
    int searches = 0;
    aps.on = [&](const QByteArray& d) {
        if (!d.startsWith("kplsearch")) return;
        ++searches;
        // Silent for the first three requests.
        if (searches > 3) {
            for (const sim::SimReply& r : simulator.handle(d)) aps.answer(r.datagram);
        }
    };
    FleetSession::Options o = fast();
    o.searchWindowMs = 3000;
    FleetSession session(socket, o);
    QElapsedTimer clock;
    clock.start();
    session.search({record::MacText(simulator.aps()[1].record.mac_addr())});
    waitFor(session, &FleetSession::searched);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_GE(searches, 4);
    EXPECT_EQ(session.found().size(), 2u);
}

}  // namespace
}  // namespace tern::engine
