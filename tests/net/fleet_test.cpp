// tern-ap-cli's plan and apply of a state file over real UDP: a thousand
// lossy simulated APs behind loopback (tools/isolated-net), and two
// segments with a simulator each (tools/isolated-net --segments 2 --sim
// tern-ap-sim --sim-count 3). The simulator prints a line per set request
// it receives, so what went out is counted on the APs' side, not taken
// from the program's word. Each apply prints a line with its figures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstdio>

#include "core/record/net_types.h"
#include "sim/ap_simulator.h"
#include "tests/support/net_test_support.h"
#include "tests/support/run_program.h"

using namespace tern;

namespace {

constexpr int kFleet = 1000;
// A lossy segment: 5 % of search replies and 5 % of the answers to set
// requests lost, every reply 0..20 ms late.
constexpr int kDropPercent = 5;
constexpr int kDropAckPercent = 5;
constexpr int kDelayMs = 20;
// However slow the machine, an apply of the whole fleet ends well within
// this; the figures printed are what tells fast from slow.
constexpr qint64 kApplyBoundMs = 30000;

// The desired state for these APs: a longer beacon interval for all, and
// for each AP with an address of its own a gateway and a DHCP start in its
// own /24. The simulated APs keep one gateway whatever their subnet, so
// without these most of them would be refused by the checks.
QByteArray StateFor(const std::vector<sim::SimulatedAp>& aps) {
    QByteArray state = "version: 1\ndefaults:\n  beacon_interval: 150\naps:\n";
    for (const sim::SimulatedAp& ap : aps) {
        const record::Ipv4Address ip = ap.record.ip_addr();
        if (ip == record::Ipv4Address{}) continue;  // a DHCP client: nothing of its own
        const QByteArray net = QByteArray::number(ip[0]) + '.' + QByteArray::number(ip[1]) + '.' +
                               QByteArray::number(ip[2]) + '.';
        state += "  - match: " + record::MacText(ap.record.mac_addr()).toUtf8() +
                 "\n    settings: {gateway: " + net + "1, dhcp_server.start: " + net + "100}\n";
    }
    return state;
}

int SetRequestsIn(const QByteArray& log) {
    return static_cast<int>(log.count("tern-ap-sim: set request received"));
}

// One run of tern-ap-cli, timed, its JSON report read.
struct CliRun {
    test::ProgramRun run;
    qint64 ms = 0;
    QJsonObject report;
    int count(const QString& outcome) const {
        int n = 0;
        for (const QJsonValue& ap : report[u"aps"_qs].toArray()) {
            n += ap[u"outcome"_qs].toString() == outcome ? 1 : 0;
        }
        return n;
    }
    // The APs whose outcome is not `outcome`, with what the program said of
    // them: what a failure shows.
    std::string otherThan(const QString& outcome) const {
        std::string text;
        int shown = 0;
        for (const QJsonValue& ap : report[u"aps"_qs].toArray()) {
            if (ap[u"outcome"_qs].toString() == outcome || ++shown > 10) continue;
            text += QJsonDocument(ap.toObject()).toJson(QJsonDocument::Compact).toStdString();
            text += '\n';
        }
        return text + "stderr: " + run.err.right(3000).toStdString();
    }
};

CliRun Cli(const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TERN_AP_PASSWORD"_qs, u"admin"_qs);
    CliRun r;
    QElapsedTimer clock;
    clock.start();
    r.run = test::RunProgram(QStringLiteral(TERN_AP_CLI_PATH),
                             args + QStringList{u"--json"_qs, u"--user"_qs, u"admin"_qs},
                             2 * kApplyBoundMs, env);
    r.ms = clock.elapsed();
    r.report = QJsonDocument::fromJson(r.run.out).object();
    return r;
}

QString WriteState(const QTemporaryDir& dir, const QByteArray& content) {
    QFile file(dir.filePath(u"state.yaml"_qs));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return file.fileName();
}

// ---------------------------------------------------------------- loopback

class FleetOnLoopback : public test::IsolatedNetworkTest {
  protected:
    void SetUp() override {
        test::IsolatedNetworkTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(qEnvironmentVariableIsEmpty("TERN_SEGMENTS"))
            << "run through tools/isolated-net without --segments";
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

TEST_F(FleetOnLoopback, thousandLossyAps_applyChangesEach_thenApplyAndPlanSendNothing) {
    // Long enough for three runs of the program on a slow machine; it still
    // stops by itself should the test be killed first.
    test::SimProcess sim(
        {u"--count"_qs, QString::number(kFleet), u"--drop"_qs, QString::number(kDropPercent),
         u"--drop-acks"_qs, QString::number(kDropAckPercent), u"--delay"_qs,
         QString::number(kDelayMs), u"--seed"_qs, u"11"_qs, u"--max-requests"_qs, u"100000"_qs},
        180, dir.filePath(u"sim.log"_qs));
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    const QString state = WriteState(dir, StateFor(sim::GenerateAps(kFleet)));

    // Every set request was taken by the simulator before the program read
    // its AP back, so the count is complete once the program has ended.
    const CliRun first = Cli({u"apply"_qs, state, u"--no-backup"_qs});
    const int sets = SetRequestsIn(sim.log());
    ASSERT_EQ(first.run.exitCode, 0) << first.otherThan(u"changed"_qs);
    EXPECT_EQ(first.report[u"summary"_qs][u"changed"_qs].toInt(), kFleet);
    EXPECT_EQ(first.report[u"aps"_qs].toArray().size(), kFleet);
    EXPECT_EQ(first.count(u"changed"_qs), kFleet) << first.otherThan(u"changed"_qs);
    EXPECT_LE(first.ms, kApplyBoundMs);
    // Each AP at least once; beyond that, the resends the losses called for.
    EXPECT_GE(sets, kFleet);
    std::printf(
        "fleet: apply of %d APs (%d %% replies, %d %% answers lost, 0-%d ms): %.1f s, "
        "%d set requests, %d resends\n",
        kFleet, kDropPercent, kDropAckPercent, kDelayMs, first.ms / 1000.0, sets, sets - kFleet);

    const CliRun second = Cli({u"apply"_qs, state, u"--no-backup"_qs});
    ASSERT_EQ(second.run.exitCode, 0) << second.otherThan(u"unchanged"_qs);
    EXPECT_EQ(second.count(u"unchanged"_qs), kFleet) << second.otherThan(u"unchanged"_qs);
    EXPECT_EQ(SetRequestsIn(sim.log()), sets) << "the second apply sent set requests";
    EXPECT_LE(second.ms, kApplyBoundMs);
    std::printf("fleet: second apply of the same state: %.1f s, %d set requests\n",
                second.ms / 1000.0, SetRequestsIn(sim.log()) - sets);

    const CliRun plan = Cli({u"plan"_qs, state});
    EXPECT_EQ(plan.run.exitCode, 0) << plan.otherThan(u"unchanged"_qs);
    EXPECT_EQ(plan.count(u"unchanged"_qs), kFleet);
    EXPECT_EQ(SetRequestsIn(sim.log()), sets);
    std::printf("fleet: plan after the apply: %.1f s\n", plan.ms / 1000.0);
    std::fflush(stdout);
}

// An AP named by its MAC may answer before the others: the defaults are
// still for every AP that answers within the search's window, not only for
// those heard by the time the named one was.
TEST_F(FleetOnLoopback, defaultsAndOneApByMac_reachEveryApThatAnswersInTheWindow) {
    constexpr int kAps = 20;
    test::SimProcess sim({u"--count"_qs, QString::number(kAps), u"--delay"_qs, u"300"_qs,
                          u"--seed"_qs, u"5"_qs, u"--max-requests"_qs, u"1000"_qs},
                         60, dir.filePath(u"sim.log"_qs));
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    const QString named = record::MacText(sim::GenerateAps(1)[0].record.mac_addr());
    const QString state = WriteState(dir,
                                     "version: 1\ndefaults: {beacon_interval: 150}\naps:\n"
                                     "  - match: " +
                                         named.toUtf8() + "\n    settings: {ssid: named}\n");

    const CliRun apply = Cli({u"apply"_qs, state, u"--no-backup"_qs});
    EXPECT_EQ(apply.run.exitCode, 0) << apply.otherThan(u"changed"_qs);
    EXPECT_EQ(apply.report[u"aps"_qs].toArray().size(), kAps)
        << "APs left out of the apply without a word: "
        << kAps - apply.report[u"aps"_qs].toArray().size();
    EXPECT_EQ(apply.count(u"changed"_qs), kAps) << apply.otherThan(u"changed"_qs);
}

// SIGTERM in the middle of an apply: the program stops sending, reads back
// what it sent to, prints the whole report and exits 143 within seconds;
// a plan afterwards agrees with every outcome it reported.
TEST_F(FleetOnLoopback, sigtermMidApply_reportsEveryAp_andAPlanAfterwardsAgrees) {
    constexpr int kAps = 300;
    test::SimProcess sim(
        {u"--count"_qs, QString::number(kAps), u"--drop"_qs, u"5"_qs, u"--delay"_qs, u"30"_qs,
         u"--seed"_qs, u"4"_qs, u"--max-requests"_qs, u"100000"_qs},
        120, dir.filePath(u"sim.log"_qs));
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    const QString state = WriteState(dir, StateFor(sim::GenerateAps(kAps)));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TERN_AP_PASSWORD"_qs, u"admin"_qs);
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(TERN_AP_CLI_PATH),
              {u"apply"_qs, state, u"--json"_qs, u"--user"_qs, u"admin"_qs, u"--parallel"_qs,
               u"2"_qs, u"--backup-dir"_qs, dir.filePath(u"backups"_qs)});
    ASSERT_TRUE(cli.waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    while (SetRequestsIn(sim.log()) < 40 && clock.elapsed() < 30000 &&
           cli.state() == QProcess::Running) {
        cli.waitForFinished(20);
    }
    ASSERT_EQ(cli.state(), QProcess::Running) << "the apply ended before it could be stopped";
    QElapsedTimer stopping;
    stopping.start();
    cli.terminate();
    ASSERT_TRUE(cli.waitForFinished(15000));
    const qint64 stopMs = stopping.elapsed();
    const QByteArray out = cli.readAllStandardOutput();
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 143) << err.toStdString();
    EXPECT_LE(stopMs, 4000);
    EXPECT_TRUE(err.contains(u"backed up 300 AP(s) to"_qs)) << err.toStdString();

    const QJsonObject report = QJsonDocument::fromJson(out).object();
    const QJsonArray aps = report[u"aps"_qs].toArray();
    ASSERT_EQ(aps.size(), kAps) << out.left(2000).toStdString();
    QMap<QString, QString> outcome;
    int notSent = 0;
    for (const QJsonValue& ap : aps) {
        outcome.insert(ap[u"mac"_qs].toString(), ap[u"outcome"_qs].toString());
        notSent += ap[u"outcome"_qs].toString() == u"not sent"_qs;
    }
    EXPECT_GT(notSent, 0);
    EXPECT_LT(notSent, kAps);

    const CliRun plan = Cli({u"plan"_qs, state});
    int agreeing = 0;
    for (const QJsonValue& ap : plan.report[u"aps"_qs].toArray()) {
        const QString was = outcome.value(ap[u"mac"_qs].toString());
        const QString now = ap[u"outcome"_qs].toString();
        if (was == u"changed"_qs) {
            EXPECT_EQ(now, u"unchanged"_qs) << was.toStdString();
        }
        if (was == u"not sent"_qs) {
            EXPECT_EQ(now, u"to change"_qs) << was.toStdString();
        }
        agreeing += (was == u"changed"_qs && now == u"unchanged"_qs) ||
                    (was == u"not sent"_qs && now == u"to change"_qs);
    }
    std::printf(
        "fleet: SIGTERM after %lld ms of a %d-AP apply: exit %d after %.2f s, %d not sent, "
        "%d of %d outcomes confirmed by a plan\n",
        static_cast<long long>(clock.elapsed()), kAps, cli.exitCode(), stopMs / 1000.0, notSent,
        agreeing, kAps);
    std::fflush(stdout);
}

// ---------------------------------------------------------------- segments

constexpr int kPerSegment = 3;

int SetRequestsHeard(const QString& segment) {
    QFile log(qEnvironmentVariable("TERN_SEGMENT_LOGS") + u'/' + segment + u".log"_qs);
    return log.open(QIODevice::ReadOnly) ? SetRequestsIn(log.readAll()) : -1;
}

class FleetOnSegments : public test::IsolatedNetworkTest {
  protected:
    void SetUp() override {
        test::IsolatedNetworkTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(qEnvironmentVariable("TERN_SEGMENTS"), u"seg1 seg2"_qs)
            << "run through tools/isolated-net --segments 2 --sim tern-ap-sim --sim-count 3";
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

TEST_F(FleetOnSegments, oneStateForBothSegments_eachSetRequestOnlyOnItsApsSegment) {
    // tools/isolated-net numbers the simulators' APs on: the first three
    // behind seg1, the next three behind seg2.
    const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2 * kPerSegment);
    QMap<QString, QString> segmentOf;
    for (int i = 0; i < 2 * kPerSegment; ++i) {
        segmentOf.insert(record::MacText(aps[static_cast<std::size_t>(i)].record.mac_addr()),
                         i < kPerSegment ? u"seg1"_qs : u"seg2"_qs);
    }
    const QString state = WriteState(dir, StateFor(aps));
    const int first = SetRequestsHeard(u"seg1"_qs);
    const int second = SetRequestsHeard(u"seg2"_qs);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);

    const CliRun apply = Cli({u"apply"_qs, state, u"--no-backup"_qs});
    ASSERT_EQ(apply.run.exitCode, 0) << apply.otherThan(u"changed"_qs);
    EXPECT_EQ(apply.report[u"summary"_qs][u"changed"_qs].toInt(), 2 * kPerSegment);
    for (const QJsonValue& ap : apply.report[u"aps"_qs].toArray()) {
        EXPECT_EQ(ap[u"interface"_qs].toString(), segmentOf.value(ap[u"mac"_qs].toString()))
            << ap[u"mac"_qs].toString().toStdString();
    }
    EXPECT_EQ(SetRequestsHeard(u"seg1"_qs) - first, kPerSegment);
    EXPECT_EQ(SetRequestsHeard(u"seg2"_qs) - second, kPerSegment);

    const CliRun again = Cli({u"apply"_qs, state, u"--no-backup"_qs});
    EXPECT_EQ(again.run.exitCode, 0) << again.otherThan(u"unchanged"_qs);
    EXPECT_EQ(again.count(u"unchanged"_qs), 2 * kPerSegment) << again.otherThan(u"unchanged"_qs);
    EXPECT_EQ(SetRequestsHeard(u"seg1"_qs) - first, kPerSegment);
    EXPECT_EQ(SetRequestsHeard(u"seg2"_qs) - second, kPerSegment);
    std::printf("fleet: apply over two segments: %.1f s, again: %.1f s\n", apply.ms / 1000.0,
                again.ms / 1000.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
