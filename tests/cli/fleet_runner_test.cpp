// tern-ap-cli's plan, apply, and the commands for many APs, run in this
// process against simulated APs on the in-memory network, so the APs'
// records can be read afterwards. Searches are short here; timers are real.
#include "cli/fleet_runner.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include "core/net/in_memory_network.h"
#include "core/record/net_types.h"
#include "sim/in_memory_simulator.h"
#include "tests/cli/fleet_fixture.h"
#include "tests/support/core_app.h"

namespace tern::cli {
namespace {

using test_fleet::Fleet;
using test_fleet::Requests;

const QByteArray kBeacon = "version: 1\ndefaults:\n  beacon_interval: 150\n";

TEST_F(Fleet, planApplyApply_changesOnceThenSendsNothing) {
    segment(sim::GenerateAps(8));
    const QString state =
        file(QStringLiteral("state.yaml"), kBeacon +
                                               "aps:\n  - match: TernAP-0004\n    settings:\n"
                                               "      wpa_passphrase: a new pass phrase\n");
    EXPECT_EQ(run({QStringLiteral("plan"), state}), kExitPlanChanges) << err.toStdString();
    EXPECT_EQ(requests.sets, 0);
    EXPECT_EQ(count(FleetOutcome::ToChange), 8);
    EXPECT_TRUE(out.contains("beacon_interval: 100 -> 150")) << out.toStdString();
    EXPECT_TRUE(out.contains("wpa_passphrase: *** -> *** (changed)")) << out.toStdString();
    EXPECT_FALSE(out.contains("a new pass phrase"));

    ASSERT_EQ(run({QStringLiteral("apply"), state}), kExitOk) << err.toStdString();
    EXPECT_EQ(count(FleetOutcome::Changed), 8);
    EXPECT_EQ(requests.sets, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(ap(i).record.beacon_interval(), 150);
    EXPECT_EQ(ap(3).record.wpa_passphrase(), QByteArray("a new pass phrase"));
    EXPECT_TRUE(err.contains("to go back: tern-ap-cli restore")) << err.toStdString();

    const int before = requests.sets;
    EXPECT_EQ(run({QStringLiteral("apply"), state}), kExitOk) << err.toStdString();
    EXPECT_EQ(requests.sets, before);
    EXPECT_EQ(count(FleetOutcome::Unchanged), 8);
    EXPECT_EQ(run({QStringLiteral("plan"), state}), kExitOk);
}

TEST_F(Fleet, showSecretsAndJson_sayWhatChanges) {
    segment(sim::GenerateAps(4));
    const QString state =
        file(QStringLiteral("state.yaml"),
             "version: 1\naps:\n  - match: TernAP-0004\n    settings: {wpa_passphrase: "
             "another phrase, ssid: lobby}\n");
    EXPECT_EQ(run({QStringLiteral("plan"), state, QStringLiteral("--json")}), kExitPlanChanges);
    const QJsonObject json = QJsonDocument::fromJson(out).object();
    const QJsonArray aps = json.value(u"aps").toArray();
    ASSERT_EQ(aps.size(), 1);
    const QJsonObject one = aps[0].toObject();
    EXPECT_EQ(one.value(u"mac").toString(), mac(3));
    EXPECT_EQ(one.value(u"outcome").toString(), QStringLiteral("to change"));
    const QJsonObject changes = one.value(u"changes").toObject();
    EXPECT_EQ(changes.value(u"ssid").toObject().value(u"after").toString(),
              QStringLiteral("lobby"));
    EXPECT_EQ(changes.value(u"wpa_passphrase").toObject().value(u"after").toString(),
              QStringLiteral("*** (changed)"));
    EXPECT_EQ(json.value(u"summary").toObject().value(u"to_change").toInt(), 1);

    run({QStringLiteral("plan"), state, QStringLiteral("--show-secrets")});
    EXPECT_TRUE(out.contains("wpa_passphrase: correct horse battery -> another phrase"))
        << out.toStdString();
}

TEST_F(Fleet, oneInvalidAp_sendsNothing_keepGoingChangesTheRest) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(4);
    aps[2].record.set_gateway({10, 0, 0, 1});  // outside 192.168.1.0/24
    segment(aps);
    const QString state = file(QStringLiteral("state.yaml"), kBeacon);
    EXPECT_EQ(run({QStringLiteral("apply"), state}), kExitUsage);
    EXPECT_EQ(requests.sets, 0);
    EXPECT_TRUE(err.contains(mac(2).toUtf8())) << err.toStdString();
    EXPECT_TRUE(
        err.contains("gateway 10.0.0.1 lies outside the subnet of ip_address 192.168.1.12 "
                     "with subnet_mask 255.255.255.0"))
        << err.toStdString();

    EXPECT_EQ(run({QStringLiteral("apply"), state, QStringLiteral("--keep-going")}), kExitUsage);
    EXPECT_EQ(requests.sets, 3);
    EXPECT_EQ(count(FleetOutcome::Changed), 3);
    EXPECT_EQ(count(FleetOutcome::Invalid), 1);

    // Putting the gateway right in the state makes that AP valid too.
    const QString fixed =
        file(QStringLiteral("fixed.yaml"), kBeacon + "aps:\n  - match: " + mac(2).toUtf8() +
                                               "\n    settings: {gateway: 192.168.1.1}\n");
    EXPECT_EQ(run({QStringLiteral("apply"), fixed}), kExitOk) << err.toStdString();
    EXPECT_EQ(ap(2).record.beacon_interval(), 150);
}

TEST_F(Fleet, wrongSettingOrValue_namesTheApTheSettingAndTheValue) {
    segment(sim::GenerateAps(8));
    const QString bad =
        file(QStringLiteral("bad.yaml"), "version: 1\ndefaults:\n  beacon_intervall: 150\n");
    EXPECT_EQ(run({QStringLiteral("plan"), bad}), kExitUsage);
    EXPECT_TRUE(err.contains("bad.yaml:3")) << err.toStdString();
    EXPECT_EQ(requests.searches, 0);

    // Channel 13 is outside the first domain's channels, inside the
    // European one's (every 8th AP).
    const QString channel =
        file(QStringLiteral("channel.yaml"), "version: 1\ndefaults: {channel: 13}\n");
    EXPECT_EQ(run({QStringLiteral("apply"), channel}), kExitUsage);
    EXPECT_EQ(requests.sets, 0);
    EXPECT_TRUE(err.contains(mac(0).toUtf8() + " (TernAP-0001): channel wants a channel of the "
                                               "AP's domain, not '13'"))
        << err.toStdString();
}

TEST_F(Fleet, refusedSilentAndNotHolding_eachHasItsOutcomeAndExitCode) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(4);
    aps[1].password = "other";
    segment(aps);
    const QString state = file(QStringLiteral("state.yaml"), kBeacon);
    EXPECT_EQ(run({QStringLiteral("apply"), state, QStringLiteral("--no-backup")}), kExitRefused);
    EXPECT_EQ(count(FleetOutcome::Refused), 1);
    EXPECT_EQ(requests.sets, 4);  // a refusal is final: not sent again

    aps = sim::GenerateAps(4);
    aps[2].acksWithoutTaking = true;
    segment(aps);
    EXPECT_EQ(run({QStringLiteral("apply"), state, QStringLiteral("--no-backup")}),
              kExitNotApplied);
    EXPECT_EQ(count(FleetOutcome::NotApplied), 1);
    EXPECT_TRUE(out.contains(mac(2).toUtf8() + "  TernAP-0003  not applied")) << out.toStdString();

    aps = sim::GenerateAps(4);
    aps[0].silentOnSet = true;
    segment(aps);
    const int before = requests.sets;
    EXPECT_EQ(run({QStringLiteral("apply"), state, QStringLiteral("--no-backup"),
                   QStringLiteral("--retries"), QStringLiteral("2")}),
              kExitUnconfirmed);
    EXPECT_EQ(count(FleetOutcome::NoAnswer), 1);
    EXPECT_EQ(requests.sets - before, 3 + 3);  // three others once, the silent one 1 + 2
}

TEST_F(Fleet, anApNamedByMacThatIsAway_isSearchedForAgainThenMissing) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(3);
    aps[1].silentOnSearch = true;
    segment(aps);
    const QString state =
        file(QStringLiteral("state.yaml"),
             "version: 1\naps:\n  - match: " + mac(1).toLower().replace(u'-', u':').toUtf8() +
                 "\n    settings: {ssid: x}\n  - match: \"Nothing-*\"\n    settings: {ssid: y}\n");
    EXPECT_EQ(run({QStringLiteral("apply"), state}), kExitUnconfirmed);
    EXPECT_EQ(count(FleetOutcome::Missing), 1);
    EXPECT_GT(requests.searches, 3);  // the second search
    EXPECT_TRUE(err.contains("no AP answered matches 'Nothing-*'")) << err.toStdString();
    EXPECT_EQ(requests.sets, 0);
}

TEST_F(Fleet, thousandLossyAps_allConverge_andASecondApplySendsNothing) {
    sim::SimOptions lossy;
    lossy.dropPercent = 5;
    lossy.ackDropPercent = 5;
    lossy.setDropPercent = 5;
    lossy.seed = 7;
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(1000);
    QByteArray state = "version: 1\ndefaults: {beacon_interval: 150, dtim_period: 3}\naps:\n";
    for (const sim::SimulatedAp& a : aps) {
        // A state generated per AP puts every stored gateway into its subnet.
        const record::Ipv4Address ip = a.record.ip_addr();
        if (ip[0] == 0) continue;
        const QByteArray net = QByteArray::number(ip[0]) + '.' + QByteArray::number(ip[1]) + '.' +
                               QByteArray::number(ip[2]) + '.';
        state += "  - match: " + record::MacText(a.record.mac_addr()).toUtf8() +
                 "\n    settings: {gateway: " + net + "1, dhcp_server.start: " + net + "100}\n";
    }
    segment(aps, lossy);
    const QString path = file(QStringLiteral("state.yaml"), state);
    ASSERT_EQ(run({QStringLiteral("apply"), path, QStringLiteral("--timeout-ms"),
                   QStringLiteral("1000"), QStringLiteral("--no-backup")}),
              kExitOk)
        << err.toStdString() << out.right(2000).toStdString();
    EXPECT_EQ(count(FleetOutcome::Changed), 1000);
    EXPECT_GT(counters.resends, 0);
    for (const sim::SimulatedAp& a : simulator->simulator().aps()) {
        ASSERT_EQ(a.record.beacon_interval(), 150);
    }
    const int sets = requests.sets;
    EXPECT_EQ(run({QStringLiteral("apply"), path, QStringLiteral("--timeout-ms"),
                   QStringLiteral("1000")}),
              kExitOk);
    EXPECT_EQ(requests.sets, sets);
}

TEST_F(Fleet, backupApplyRestore_everyRecordComesBackByteForByte) {
    segment(sim::GenerateAps(8));
    std::vector<record::ApConfigRecord> original;
    for (int i = 0; i < 8; ++i) original.push_back(ap(i).record);
    const QString saved = dir.filePath(QStringLiteral("saved"));
    QDir().mkpath(saved);
    ASSERT_EQ(run({QStringLiteral("backup"), QStringLiteral("--all"), saved}), kExitOk)
        << err.toStdString();
    EXPECT_EQ(QDir(saved).entryList(QDir::Files).size(), 8);
    EXPECT_EQ(QFile(QDir(saved).filePath(mac(0) + QStringLiteral(".json"))).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              0);

    const QString state = file(QStringLiteral("state.yaml"),
                               "version: 1\ndefaults: {ssid: changed, dtim_period: 9}\n");
    ASSERT_EQ(run({QStringLiteral("apply"), state}), kExitOk) << err.toStdString();
    ASSERT_NE(ap(0).record.ssid(), original[0].ssid());
    ASSERT_EQ(run({QStringLiteral("restore"), saved}), kExitOk) << err.toStdString();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(ap(i).record.bytes(), original[i].bytes()) << i;
    const int sets = requests.sets;
    EXPECT_EQ(run({QStringLiteral("restore"), saved}), kExitOk);
    EXPECT_EQ(requests.sets, sets);  // nothing differs any more
}

TEST_F(Fleet, setWithAPattern_changesTheMatchingApsEachOnItsOwn) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(4);
    aps[0].record.set_ap_name("Lab-1");
    aps[1].record.set_ap_name("Lab-2");
    segment(aps);
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("Lab-*"), QStringLiteral("ssid=lab")}),
              kExitOk)
        << err.toStdString();
    EXPECT_EQ(ap(0).record.ssid(), QByteArray("lab"));
    EXPECT_EQ(ap(1).record.ssid(), QByteArray("lab"));
    EXPECT_NE(ap(2).record.ssid(), QByteArray("lab"));
    EXPECT_EQ(
        run({QStringLiteral("set"), QStringLiteral("Lab-*"), QStringLiteral("gateway=1.2.3.4")}),
        kExitUsage);
    EXPECT_TRUE(err.contains("each AP's own")) << err.toStdString();
}

TEST_F(Fleet, logins_ownLoginsFromTheLoginsFile_theRestByUser_secretsReadableByOthersSaid) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(3);
    aps[1].password = "secret";
    segment(aps);
    const QString logins =
        file(QStringLiteral("logins.yaml"),
             "aps:\n  - match: " + mac(1).toUtf8() + "\n    user: admin\n    password: secret\n");
    const QString state = file(QStringLiteral("state.yaml"), kBeacon);
    EXPECT_EQ(run({QStringLiteral("apply"), state, QStringLiteral("--logins"), logins}), kExitOk)
        << err.toStdString();
    EXPECT_EQ(count(FleetOutcome::Changed), 3);
    EXPECT_FALSE(err.contains("warning")) << err.toStdString();

    // A password in a file others can read is said, naming the file.
    QFile(logins).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ReadOther);
    run({QStringLiteral("plan"), state, QStringLiteral("--logins"), logins});
    EXPECT_TRUE(err.contains("warning") && err.contains(logins.toUtf8())) << err.toStdString();
}

TEST_F(Fleet, defaultsBesideAnApByMac_reachEveryApThatAnswersInTheWindow) {
    // The named AP answers at once; the others take their time, within the
    // window: the search must not end when the named one is in.
    sim::SimOptions slow;
    slow.maxDelayMs = 200;
    segment(sim::GenerateAps(10), slow);
    const QString state =
        file(QStringLiteral("state.yaml"),
             kBeacon + "aps:\n  - match: " + mac(0).toUtf8() + "\n    settings: {ssid: x}\n");
    EXPECT_EQ(run({QStringLiteral("plan"), state}), kExitPlanChanges);
    EXPECT_EQ(count(FleetOutcome::ToChange), 10) << out.toStdString();
}

TEST_F(Fleet, backupOfNamedAps_aMissingOneIsSaid_andTheExitSaysSo) {
    segment(sim::GenerateAps(2));
    const QString saved = dir.filePath(QStringLiteral("saved"));
    QDir().mkpath(saved);
    QFile(saved).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                QFileDevice::ExeGroup);
    EXPECT_EQ(run({QStringLiteral("backup"), mac(0), QStringLiteral("02-54-45-0F-0F-0F"), saved}),
              kExitUnconfirmed);
    EXPECT_TRUE(err.contains("02-54-45-0F-0F-0F")) << err.toStdString();
    EXPECT_EQ(QDir(saved).entryList(QDir::Files), QStringList{mac(0) + QStringLiteral(".json")});
    // A folder the user named keeps its mode.
    EXPECT_TRUE(QFile(saved).permissions() & QFileDevice::ReadGroup);
}

TEST_F(Fleet, oneAddressForEveryAp_isRefusedBeforeAnySearch) {
    segment(sim::GenerateAps(2));
    const QString state =
        file(QStringLiteral("state.yaml"), "version: 1\ndefaults:\n  ip_address: 10.0.0.5\n");
    EXPECT_EQ(run({QStringLiteral("plan"), state}), kExitUsage);
    EXPECT_TRUE(err.contains("state.yaml:3: ip_address")) << err.toStdString();
    EXPECT_EQ(requests.searches, 0);
}

TEST(FleetCommand, whichCommandsGoThroughTheFleetEngine) {
    const auto parse = [](QStringList args) {
        return std::get<CliOptions>(
            ParseCliOptions(args << QStringLiteral("--user") << QStringLiteral("admin")));
    };
    const auto is = [&](const QStringList& args, bool (*exists)(const QString&)) {
        return IsFleetCommand(
            parse(args), [](const QString& p) { return p == u"backups"; }, exists);
    };
    const auto none = [](const QString&) { return false; };
    const auto any = [](const QString&) { return true; };
    EXPECT_FALSE(
        is({QStringLiteral("set"), QStringLiteral("Lobby"), QStringLiteral("ssid=x")}, none));
    EXPECT_TRUE(
        is({QStringLiteral("set"), QStringLiteral("Lab-*"), QStringLiteral("ssid=x")}, none));
    EXPECT_TRUE(is(
        {QStringLiteral("set"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("ssid=x")},
        none));
    EXPECT_TRUE(is({QStringLiteral("set"), QStringLiteral("Lobby"), QStringLiteral("ssid=x"),
                    QStringLiteral("--logins"), QStringLiteral("l.yaml")},
                   none));
    EXPECT_FALSE(
        is({QStringLiteral("backup"), QStringLiteral("Lobby"), QStringLiteral("f.json")}, none));
    EXPECT_TRUE(
        is({QStringLiteral("backup"), QStringLiteral("Lobby"), QStringLiteral("backups")}, none));
    EXPECT_TRUE(
        is({QStringLiteral("backup"), QStringLiteral("Lobby"), QStringLiteral("new/")}, none));
    // A bare word after the file is a TARGET, whatever lies in the folder.
    EXPECT_FALSE(is(
        {QStringLiteral("restore"), QStringLiteral("a.json"), QStringLiteral("Lab-Spare")}, any));
    EXPECT_TRUE(
        is({QStringLiteral("restore"), QStringLiteral("a.json"), QStringLiteral("b.json")}, any));
    EXPECT_FALSE(
        is({QStringLiteral("restore"), QStringLiteral("a.json"), QStringLiteral("b.json")}, none));
    EXPECT_TRUE(is({QStringLiteral("restore"), QStringLiteral("backups")}, none));
}

TEST_F(Fleet, twoSegments_oneState_eachRequestOnItsOwnSegment) {
    socket.CloseSocket();
    socket.setSegments({{1, QStringLiteral("seg1")}, {2, QStringLiteral("seg2")}});
    ASSERT_TRUE(net::OpenOnProgramPort(socket));
    Requests onFirst, onSecond;
    network.attach(&onFirst, net::kDefaultPort, 1);
    network.attach(&onSecond, net::kDefaultPort, 2);
    sim::InMemorySimulator first(network, sim::ApSimulator(sim::GenerateAps(3, 0)),
                                 net::kDefaultPort, 1);
    sim::InMemorySimulator second(network, sim::ApSimulator(sim::GenerateAps(3, 10)),
                                  net::kDefaultPort, 2);
    const QString state = file(QStringLiteral("state.yaml"), kBeacon);
    EXPECT_EQ(run({QStringLiteral("apply"), state}), kExitOk) << err.toStdString();
    EXPECT_EQ(onFirst.sets, 3);
    EXPECT_EQ(onSecond.sets, 3);
    for (sim::InMemorySimulator* s : {&first, &second}) {
        for (const sim::SimulatedAp& a : s->simulator().aps()) {
            EXPECT_EQ(a.record.beacon_interval(), 150);
        }
    }
    network.detach(&onFirst);
    network.detach(&onSecond);
}

}  // namespace
}  // namespace tern::cli
