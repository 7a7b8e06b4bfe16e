// The fleet service against simulated APs on the in-memory network, the
// segment as lossy as a busy one: outcomes and exit codes, a stop in the
// middle of the sending, and the repeated search.
#include "core/service/fleet_service.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "core/net/in_memory_network.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "sim/in_memory_simulator.h"
#include "tests/support/core_app.h"

namespace tern::service {
namespace {

// Counts the requests that go out.
class Wire : public net::InMemoryNetwork::Endpoint {
  public:
    void deliver(const QByteArray& datagram, int) override {
        if (datagram.startsWith("kplset")) {
            ++sets;
            if (onSet) onSet(sets);
        }
        searches += datagram.startsWith("kplsearch") ? 1 : 0;
    }
    std::function<void(int)> onSet;
    int sets = 0;
    int searches = 0;
};

class Service : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureCoreApp();
        ASSERT_TRUE(net::OpenOnProgramPort(socket));
        network.attach(&wire, net::kDefaultPort);
        options.searchWindowMs = 600;
        options.searchSpacingMs = 100;
        options.answerTimeoutMs = 100;
        options.maxBackoffMs = 400;
    }
    void TearDown() override { network.detach(&wire); }
    void segment(std::vector<sim::SimulatedAp> aps, sim::SimOptions sim = {}) {
        simulator.reset();
        simulator = std::make_unique<sim::InMemorySimulator>(network,
                                                             sim::ApSimulator(std::move(aps), sim));
    }
    // A state that changes the beacon interval of every AP.
    static FleetRequest beaconEverywhere(FleetRequest::Kind kind, int beacon) {
        FleetRequest r;
        r.kind = kind;
        r.state.entries.append(
            {fleet::ApMatch{}, {{QStringLiteral("beacon_interval"), QString::number(beacon)}}, 0});
        r.login = Login{QStringLiteral("admin"), QStringLiteral("admin")};
        return r;
    }
    int run(FleetService& service, FleetRequest request) {
        QEventLoop loop;
        QObject::connect(&service, &FleetService::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        service.run(std::move(request));
        if (service.running()) loop.exec();
        return service.exitCode();
    }
    const sim::SimulatedAp& ap(int i) const {
        return simulator->simulator().aps()[static_cast<std::size_t>(i)];
    }
    int holding(int beacon) const {
        int n = 0;
        for (const auto& a : simulator->simulator().aps())
            n += a.record.beacon_interval() == beacon;
        return n;
    }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
    std::unique_ptr<sim::InMemorySimulator> simulator;
    Wire wire;
    QTemporaryDir dir;
    engine::FleetSession::Options options;
};

TEST_F(Service, lossyApply_everyApChangedAndReadBack_andARefusalIsThree) {
    auto aps = sim::GenerateAps(40);
    aps[7].password = "other";
    segment(std::move(aps),
            {.dropPercent = 5, .ackDropPercent = 10, .setDropPercent = 10, .seed = 7});
    FleetService service(socket, options);
    FleetRequest r = beaconEverywhere(FleetRequest::Kind::Apply, 170);
    r.backupDir = dir.filePath(QStringLiteral("backups"));
    EXPECT_EQ(run(service, r), kExitRefused);
    EXPECT_EQ(service.reports().size(), 40);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Changed), 39);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Refused), 1);
    EXPECT_EQ(holding(170), 39);
    EXPECT_NE(ap(7).record.beacon_interval(), 170);

    // Again: nothing differs but the refusing AP, and the plan says so.
    FleetService again(socket, options);
    EXPECT_EQ(run(again, beaconEverywhere(FleetRequest::Kind::Plan, 170)), kExitPlanChanges);
    EXPECT_EQ(CountOutcome(again.reports(), FleetOutcome::ToChange), 1);
    EXPECT_EQ(CountOutcome(again.reports(), FleetOutcome::Unchanged), 39);
}

TEST_F(Service, backupsAreWrittenAndSaidBeforeTheFirstSetRequest) {
    segment(sim::GenerateAps(5));
    FleetService service(socket, options);
    int setsWhenBackedUp = -1;
    QString folder;
    QObject::connect(&service, &FleetService::backedUp, [&](const QString& d, int count) {
        setsWhenBackedUp = wire.sets;
        folder = d;
        EXPECT_EQ(count, 5);
    });
    FleetRequest r = beaconEverywhere(FleetRequest::Kind::Apply, 120);
    r.backupDir = dir.filePath(QStringLiteral("b"));
    EXPECT_EQ(run(service, r), kExitOk);
    EXPECT_EQ(setsWhenBackedUp, 0);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.json")}, QDir::Files).size(), 5);
}

TEST_F(Service, stoppedWhileSending_noNewRequest_sentApsReadBack_theRestNotSent) {
    segment(sim::GenerateAps(120), {.dropPercent = 5, .ackDropPercent = 5, .seed = 3});
    options.parallel = 4;
    FleetService service(socket, options);
    int setsAtCancel = -1;
    QElapsedTimer sinceCancel;
    wire.onSet = [&](int sets) {
        if (sets == 20 && setsAtCancel < 0) {
            setsAtCancel = service.session().counters().setRequests;
            sinceCancel.start();
            service.cancel();
        }
    };
    FleetRequest r = beaconEverywhere(FleetRequest::Kind::Apply, 130);
    r.noBackup = true;
    const int code = run(service, r);
    EXPECT_LE(sinceCancel.elapsed(), 2000 + options.searchWindowMs + 500);
    EXPECT_TRUE(service.cancelled());
    EXPECT_EQ(code, kExitUnconfirmed);
    // Outstanding requests are answered or not; none goes out afresh, nor again.
    EXPECT_EQ(service.session().counters().setRequests, setsAtCancel);
    const QList<ApReport>& reports = service.reports();
    ASSERT_EQ(reports.size(), 120);
    const int notSent = CountOutcome(reports, FleetOutcome::NotSent);
    const int changed = CountOutcome(reports, FleetOutcome::Changed);
    EXPECT_GT(notSent, 90);
    EXPECT_GT(changed, 0);
    // The report says what the APs hold: each one changed holds the value,
    // each one not sent to does not.
    for (const ApReport& report : reports) {
        int index = -1;
        for (int i = 0; i < 120; ++i) {
            if (record::MacText(ap(i).record.mac_addr()) == report.mac) index = i;
        }
        ASSERT_GE(index, 0);
        if (report.outcome == FleetOutcome::Changed) {
            EXPECT_EQ(ap(index).record.beacon_interval(), 130) << report.mac.toStdString();
        }
        if (report.outcome == FleetOutcome::NotSent) {
            EXPECT_NE(ap(index).record.beacon_interval(), 130) << report.mac.toStdString();
        }
    }
    // An AP without an answer may have taken its request or not.
    EXPECT_GE(holding(130), changed);
    EXPECT_LE(holding(130), changed + CountOutcome(reports, FleetOutcome::NoAnswer));
}

TEST_F(Service, stoppedWhileSearching_nothingSent_everyApToChangeIsNotSent) {
    segment(sim::GenerateAps(10));
    FleetService service(socket, options);
    QTimer::singleShot(50, &service, [&] { service.cancel(); });
    EXPECT_EQ(run(service, beaconEverywhere(FleetRequest::Kind::Apply, 140)), kExitUnconfirmed);
    EXPECT_EQ(wire.sets, 0);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::NotSent),
              static_cast<int>(service.reports().size()));
    EXPECT_EQ(holding(140), 0);
}

TEST_F(Service, anInvalidApStopsTheApplyUnlessKeepGoing_andNoLoginIsInvalid) {
    segment(sim::GenerateAps(4));
    FleetRequest r = beaconEverywhere(FleetRequest::Kind::Apply, 150);
    r.noBackup = true;
    // One AP gets a beacon interval the field rule refuses.
    fleet::StateEntry bad{fleet::ParseApMatch(QStringLiteral("TernAP-0002")),
                          {{QStringLiteral("beacon_interval"), QStringLiteral("5")}},
                          0};
    r.state.entries.append(bad);
    {
        FleetService service(socket, options);
        EXPECT_EQ(run(service, r), kExitUsage);
        EXPECT_EQ(wire.sets, 0);
        EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Invalid), 1);
    }
    r.keepGoing = true;
    {
        FleetService service(socket, options);
        EXPECT_EQ(run(service, r), kExitUsage);
        EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Changed), 3);
    }
    r.login.reset();
    r.keepGoing = false;
    r.state.entries.removeLast();
    r.state.entries.first().settings.first().value = QStringLiteral("160");
    FleetService service(socket, options);
    EXPECT_EQ(run(service, r), kExitUsage);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Invalid), 4);
    EXPECT_TRUE(service.reports().first().problems.join(u' ').contains(u"no login"));
}

TEST_F(Service, namedByMacButSilent_isSearchedAgainThenMissing) {
    auto aps = sim::GenerateAps(3);
    aps[1].silentOnSearch = true;
    const QString silent = record::MacText(aps[1].record.mac_addr());
    segment(std::move(aps));
    FleetRequest r;
    r.kind = FleetRequest::Kind::Plan;
    r.state.entries.append({fleet::ParseApMatch(silent), {}, 0});
    FleetService service(socket, options);
    EXPECT_EQ(run(service, r), kExitUnconfirmed);
    ASSERT_EQ(service.reports().size(), 1);
    EXPECT_EQ(service.reports().first().outcome, FleetOutcome::Missing);
    EXPECT_EQ(service.reports().first().mac, silent);
}

TEST_F(Service, sendOfBuiltRecords_noSearchFirst_retriedOverLoss_readBack_eachApItsOutcome) {
    // 50 APs losing 5 % of every kind of answer, as the window applies to
    // them: the records built from what it listed, logins written in.
    auto aps = sim::GenerateAps(50);
    aps[7].password = "other";
    aps[9].silentOnSet = true;
    aps[11].acksWithoutTaking = true;
    segment(aps, {.dropPercent = 5, .ackDropPercent = 5, .setDropPercent = 5, .seed = 7});
    FleetService lister(socket, options);
    QEventLoop loop;
    QObject::connect(&lister, &FleetService::searched, &loop, &QEventLoop::quit);
    lister.search();
    loop.exec();
    ASSERT_EQ(lister.found().size(), 50u);

    FleetRequest r;
    r.kind = FleetRequest::Kind::Send;
    for (const auto& found : lister.found()) {
        record::ApConfigRecord built(found.record);
        built.set_beacon_interval(175);
        r.sends.push_back(
            {found, record::WithLogin(built, "admin", "admin"), QStringLiteral("listed")});
    }
    const int searchesBefore = wire.searches;
    FleetService service(socket, options);
    const int sentAt = wire.sets;
    int searchesAtFirstSet = -1;
    wire.onSet = [&](int sets) {
        if (sets == sentAt + 1) searchesAtFirstSet = wire.searches;
    };
    EXPECT_EQ(run(service, r), kExitNotApplied);
    wire.onSet = nullptr;
    EXPECT_EQ(searchesAtFirstSet, searchesBefore) << "nothing is searched before the sending";
    ASSERT_EQ(service.reports().size(), 50);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Changed), 47);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::Refused), 1);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::NoAnswer), 1);
    EXPECT_EQ(CountOutcome(service.reports(), FleetOutcome::NotApplied), 1);
    EXPECT_EQ(holding(175), 47);
    EXPECT_GT(service.session().counters().resends, 0) << "5 % lost: some were sent again";
    for (const ApReport& report : service.reports()) {
        EXPECT_EQ(report.name, QStringLiteral("listed"));
        if (report.mac == record::MacText(aps[7].record.mac_addr())) {
            EXPECT_EQ(report.outcome, FleetOutcome::Refused);
        }
        if (report.mac == record::MacText(aps[11].record.mac_addr())) {
            EXPECT_EQ(report.outcome, FleetOutcome::NotApplied);
        }
    }
}

TEST_F(Service, repeatedSearch_findsEveryApOfALossySegment_everyTime) {
    // 5 % of the replies lost: one request misses about 50 of 1000 APs, so
    // the search asks again as long as answers still bring APs unheard.
    options.searchWindowMs = 2000;
    options.searchSpacingMs = 200;
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        segment(sim::GenerateAps(1000), {.dropPercent = 5, .seed = seed});
        FleetService service(socket, options);
        QEventLoop loop;
        QObject::connect(&service, &FleetService::searched, &loop, &QEventLoop::quit);
        service.search();
        loop.exec();
        EXPECT_EQ(service.found().size(), 1000u) << "seed " << seed;
    }
}

TEST_F(Service, searchForNamedMacs_endsOnceTheyHaveAnswered) {
    segment(sim::GenerateAps(6));
    options.searchWindowMs = 5000;
    FleetService service(socket, options);
    QEventLoop loop;
    QObject::connect(&service, &FleetService::searched, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    service.search({record::MacText(ap(4).record.mac_addr())});
    loop.exec();
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_FALSE(service.found().empty());
}

}  // namespace
}  // namespace tern::service
