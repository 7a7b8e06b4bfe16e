// tern-ap-cli's set, backup and restore run in this process against
// simulated APs on the in-memory network, so the APs' records can be read
// afterwards; the engine's ticks are real timers, short here.
#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "core/form/backup_file.h"
#include "core/net/in_memory_network.h"
#include "core/net/udp_socket_control.h"
#include "core/record/net_types.h"
#include "sim/in_memory_simulator.h"
#include "tests/support/core_app.h"

namespace tern::cli {
namespace {

void OpenOnDefaultPort(net::UdpSocketControl& socket) {
    ASSERT_TRUE(net::OpenOnProgramPort(socket));
}

// Runs the command to its end, or gives up after 15 s.
void RunToEnd(CliRunner& runner) {
    QEventLoop loop;
    QObject::connect(&runner, &CliRunner::done, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, &runner, &CliRunner::start);
    loop.exec();
}

// Counts the set requests that go out.
class SetCounter : public net::InMemoryNetwork::Endpoint {
  public:
    void deliver(const QByteArray& datagram, int) override {
        sets += datagram.startsWith("kplset") ? 1 : 0;
    }
    int sets = 0;
};

class CliOnSegment : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureCoreApp();
        OpenOnDefaultPort(socket);
        network.attach(&setCounter, net::kDefaultPort);
    }
    void TearDown() override { network.detach(&setCounter); }
    void segment(std::vector<sim::SimulatedAp> aps) {
        simulator =
            std::make_unique<sim::InMemorySimulator>(network, sim::ApSimulator(std::move(aps)));
    }
    // Runs one command (arguments as on the command line) to its end.
    int run(const QStringList& args) {
        const auto parsed = ParseCliOptions(
            args + QStringList{QStringLiteral("--timeout-ms"), QStringLiteral("200"),
                               QStringLiteral("--user"), QStringLiteral("admin")});
        if (const QString* e = std::get_if<QString>(&parsed)) {
            err = e->toUtf8();
            return kExitUsage;
        }
        CliRunner runner(socket, std::get<CliOptions>(parsed),
                         {QStringLiteral("admin"), QStringLiteral("admin")});
        RunToEnd(runner);
        out = runner.out();
        err = runner.err();
        return runner.exitCode();
    }
    const sim::SimulatedAp& ap(int i) const {
        return simulator->simulator().aps()[static_cast<std::size_t>(i)];
    }
    QString mac(int i) const { return record::MacText(ap(i).record.mac_addr()); }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
    std::unique_ptr<sim::InMemorySimulator> simulator;
    QByteArray out, err;
    SetCounter setCounter;
    QTemporaryDir dir;
};

// A TARGET is a MAC (either separator), a name or a pattern of names,
// whichever command reads it.
TEST_F(CliOnSegment, show_takesAPatternAndAColonMac) {
    segment(sim::GenerateAps(12));
    ASSERT_EQ(run({QStringLiteral("show"), QStringLiteral("TernAP-000?"),
                   QStringLiteral("--output"), QStringLiteral("jsonl")}),
              kExitOk)
        << err.toStdString();
    EXPECT_EQ(out.count('\n'), 9);  // TernAP-0001 .. TernAP-0009
    EXPECT_FALSE(out.contains("TernAP-0010"));
    QString colons = mac(4);
    colons.replace(u'-', u':');
    ASSERT_EQ(run({QStringLiteral("show"), colons.toLower(), QStringLiteral("--json")}), kExitOk)
        << err.toStdString();
    EXPECT_TRUE(out.contains(mac(4).toUtf8()));
    EXPECT_EQ(run({QStringLiteral("show"), QStringLiteral("Nobody-*")}), kExitFailure);
}

TEST_F(CliOnSegment, set_changesOnlyWhatIsNamed_theNextScanShowsIt) {
    segment(sim::GenerateAps(3));
    const record::ApConfigRecord before = ap(1).record;
    ASSERT_EQ(run({QStringLiteral("set"), mac(1), QStringLiteral("ssid=cli-ssid"),
                   QStringLiteral("beacon_interval=150")}),
              kExitOk)
        << err.toStdString();
    EXPECT_EQ(ap(1).record.ssid(), "cli-ssid");
    EXPECT_EQ(ap(1).record.beacon_interval(), 150);
    EXPECT_EQ(ap(1).record.ip_addr(), before.ip_addr());
    EXPECT_EQ(ap(1).record.ap_name(), before.ap_name());
    EXPECT_EQ(ap(0).record.ssid(), sim::GenerateAps(1)[0].record.ssid());  // not a target
    EXPECT_TRUE(out.contains("acknowledged"));

    ASSERT_EQ(run({QStringLiteral("scan"), QStringLiteral("--json")}), kExitOk);
    EXPECT_TRUE(out.contains("cli-ssid"));
}

TEST_F(CliOnSegment, oneApByMac_theSearchEndsWhenItAnswers_notWhenTheWindowCloses) {
    segment(sim::GenerateAps(3));
    auto parsed = ParseCliOptions({QStringLiteral("set"), mac(2), QStringLiteral("ssid=quick"),
                                   QStringLiteral("--user"), QStringLiteral("admin"),
                                   QStringLiteral("--timeout-ms"), QStringLiteral("20000")});
    CliRunner runner(socket, std::get<CliOptions>(parsed),
                     {QStringLiteral("admin"), QStringLiteral("admin")});
    QElapsedTimer clock;
    clock.start();
    RunToEnd(runner);  // gives up after 15 s, before the 20-s window
    EXPECT_EQ(runner.exitCode(), kExitOk) << runner.err().toStdString();
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_EQ(ap(2).record.ssid(), "quick");
}

// The scan's table says what the window's AP list says, and its JSON's
// "wep" follows the same cell, also for records the list shows oddly.
TEST_F(CliOnSegment, scan_tableAndJsonFollowTheWindowsListCells) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(4);
    aps[0].record.set_auth_type(4);        // open AP: a type past the list, WEP off
    aps[1].record.set_auth_type(5);        // WEP 64: a type past the list, WEP on
    aps[2].record.set_wep_default_key(4);  // WEP 128: the list's show stops before WEP
    // WPA-PSK: an SSID of 32 bytes and no terminator after them
    record::ApConfigRecord& full = aps[3].record;
    full.set_ssid(QByteArray(record::ApConfigRecord::kSsidMax, 'S'));
    net::RecordBytes bytes = full.bytes();
    bytes[833 + record::ApConfigRecord::kSsidMax] = 'x';  // the byte after the SSID's text
    full = record::ApConfigRecord(bytes);
    segment(aps);

    struct Expected {
        QString ssid;
        QString wep;  // the list's cell
        QJsonValue json;
    };
    const Expected expected[] = {
        {QStringLiteral("tern-0001"), QStringLiteral("No"), false},
        {QStringLiteral("tern-0002"), QStringLiteral("Yes"), true},
        {QStringLiteral("tern-0003"), QString(), true},  // a bool for scripts all the same
        {QString(), QStringLiteral("No"), false},
    };

    ASSERT_EQ(run({QStringLiteral("scan")}), kExitOk) << err.toStdString();
    const QStringList lines = QString::fromUtf8(out).split(u'\n');
    for (int i = 0; i < 4; ++i) {
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QString& l) { return l.startsWith(mac(i)); });
        ASSERT_NE(line, lines.end()) << mac(i).toStdString();
        // MAC (17), name (31), SSID (32), WEP, two blanks between columns
        EXPECT_EQ(line->mid(52, 32).trimmed(), expected[i].ssid) << i;
        EXPECT_EQ(line->mid(86, 3).trimmed(), expected[i].wep) << i;
    }

    ASSERT_EQ(run({QStringLiteral("scan"), QStringLiteral("--json")}), kExitOk);
    const QJsonArray all = QJsonDocument::fromJson(out).array();
    ASSERT_EQ(all.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const auto entry = std::find_if(all.begin(), all.end(), [&](const QJsonValue& v) {
            return v.toObject().value(QStringLiteral("mac")).toString() == mac(i);
        });
        ASSERT_NE(entry, all.end()) << mac(i).toStdString();
        EXPECT_EQ((*entry).toObject().value(QStringLiteral("wep")), expected[i].json) << i;
    }
    // The JSON keeps the whole SSID the list leaves out.
    const auto fullEntry = std::find_if(all.begin(), all.end(), [&](const QJsonValue& v) {
        return v.toObject().value(QStringLiteral("mac")).toString() == mac(3);
    });
    ASSERT_NE(fullEntry, all.end());
    EXPECT_EQ((*fullEntry).toObject().value(QStringLiteral("ssid")).toString(),
              QString(record::ApConfigRecord::kSsidMax, u'S'));
}

// Any host on the segment can answer as an AP: its texts reach the terminal
// without a control character, and a scan remembers the APs for completion.
TEST_F(CliOnSegment, hostileNames_printSafely_andAScanIsRememberedForCompletion) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    aps[0].record.set_ap_name("Evil\x1b[2J\n  dot1x on");
    aps[0].record.set_ssid("ssid\rX\t");
    segment(std::move(aps));
    qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());

    ASSERT_EQ(run({QStringLiteral("scan")}), kExitOk) << err.toStdString();
    EXPECT_FALSE(out.contains('\x1b'));
    EXPECT_FALSE(out.contains('\r'));
    EXPECT_EQ(out.count('\n'), 3) << "a header and a line an AP: " << out.toStdString();
    QFile cache(dir.filePath(QStringLiteral("cache/tern-ap-utility/last-scan")));
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = cache.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);  // two APs and the last line's end
    EXPECT_TRUE(lines[0].startsWith(mac(0).toUtf8() + '\t'));
    EXPECT_EQ(lines[0].count('\t'), 1) << "a name's own tab would split its line";
    EXPECT_EQ(lines[1], mac(1).toUtf8() + '\t' + ap(1).record.ap_name());

    ASSERT_EQ(run({QStringLiteral("show"), mac(0)}), kExitOk) << err.toStdString();
    EXPECT_FALSE(out.contains('\x1b'));
    EXPECT_FALSE(out.contains("\n  dot1x on")) << "a faked row: " << out.toStdString();
    EXPECT_TRUE(out.contains("Evil\\x1b[2J\\x0a  dot1x on")) << out.toStdString();
    // Every format of scan and show: visible escapes, or JSON's own.
    for (const char* format : {"csv", "jsonl", "json"}) {
        SCOPED_TRACE(format);
        for (const QString& command : {QStringLiteral("scan"), QStringLiteral("show")}) {
            QStringList args = {command};
            if (command == u"show") args << QStringLiteral("--all");
            args << QStringLiteral("--output") << QString::fromLatin1(format);
            ASSERT_EQ(run(args), kExitOk) << err.toStdString();
            EXPECT_FALSE(out.contains('\x1b')) << out.toStdString();
            EXPECT_FALSE(out.contains("\n  dot1x on")) << out.toStdString();
            EXPECT_TRUE(
                out.contains(QByteArrayView(format) == "csv" ? "Evil\\x1b[2J" : "Evil\\u001b[2J"))
                << out.toStdString();
        }
    }
    qunsetenv("XDG_CACHE_HOME");
}

TEST_F(CliOnSegment, passPhraseWithout8021x_switchesItOnAsTheWindowDoes) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(1);
    aps[0].record.set_dot1x_on(false);
    segment(aps);
    ASSERT_EQ(run({QStringLiteral("set"), mac(0), QStringLiteral("auth_type=WPA-PSK"),
                   QStringLiteral("wpa_passphrase=long enough"), QStringLiteral("encryption=on")}),
              kExitOk)
        << err.toStdString();
    EXPECT_TRUE(ap(0).record.dot1x_on());
    EXPECT_EQ(ap(0).record.wpa_passphrase(), "long enough");
    EXPECT_TRUE(err.contains("802.1x has been enabled."));
}

TEST_F(CliOnSegment, invalidValues_sendNothing_exitTwo) {
    segment(sim::GenerateAps(2));
    const QStringList cases[] = {
        {QStringLiteral("subnet_mask=255.255.250.0")},
        {QStringLiteral("ip_address=192.168.1.300")},
        {QStringLiteral("frag_threshold=2345")},
        {QStringLiteral("no_such_setting=1")},
        {QStringLiteral("wep_keys.1=XYZ")},
        {QStringLiteral("ssid=Caf\u00E9 \u8A2D")},  // outside the code page
    };
    for (const QStringList& assignment : cases) {
        SCOPED_TRACE(assignment.join(u' ').toStdString());
        EXPECT_EQ(run(QStringList{QStringLiteral("set"), mac(0)} + assignment), kExitUsage);
        EXPECT_EQ(setCounter.sets, 0) << "nothing was sent";
        EXPECT_FALSE(err.isEmpty());
    }
    // several APs: what each keeps for itself is refused
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("--all"),
                   QStringLiteral("ip_address=10.0.0.9")}),
              kExitUsage);
    EXPECT_TRUE(err.contains("each AP's own"));
}

TEST_F(CliOnSegment, exitCodes_refusedIsThree_silentIsFour) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(3);
    aps[1].password = "other";
    segment(aps);
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("--all"), QStringLiteral("ssid=x")}),
              kExitRefused);
    EXPECT_TRUE(out.contains("refused"));

    aps = sim::GenerateAps(2);
    aps[0].silentOnSet = true;
    simulator.reset();
    segment(aps);
    EXPECT_EQ(run({QStringLiteral("set"), mac(0), QStringLiteral("ssid=y")}), kExitUnconfirmed);
    EXPECT_TRUE(out.contains("no answer"));
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("NoSuchAp"), QStringLiteral("ssid=y")}),
              kExitFailure);
}

TEST_F(CliOnSegment, backupThenRestore_theRecordComesBackByteForByte) {
    segment(sim::GenerateAps(2));
    const QString file = dir.filePath(QStringLiteral("ap.json"));
    const record::ApConfigRecord original = ap(0).record;
    ASSERT_EQ(run({QStringLiteral("backup"), mac(0), file}), kExitOk) << err.toStdString();
    EXPECT_EQ(QFile(file).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(json.value(QStringLiteral("mac")).toString(), mac(0));
    EXPECT_EQ(json.value(QStringLiteral("record")).toString().size(), 2 * 1148);

    ASSERT_EQ(run({QStringLiteral("set"), mac(0), QStringLiteral("ssid=changed"),
                   QStringLiteral("dtim_period=9")}),
              kExitOk);
    ASSERT_NE(ap(0).record.ssid(), original.ssid());
    ASSERT_EQ(run({QStringLiteral("restore"), file}), kExitOk) << err.toStdString();
    EXPECT_EQ(ap(0).record.bytes(), original.bytes());
}

TEST_F(CliOnSegment, restoreWhenTheSavedApIsAway_writesNoOtherAp) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    aps[1].record.set_ap_name("");  // an AP without a name must not pass for "no TARGET"
    segment(aps);
    const QString file = dir.filePath(QStringLiteral("ap.json"));
    ASSERT_EQ(run({QStringLiteral("backup"), mac(0), file}), kExitOk);
    simulator->simulator().aps()[0].silentOnSearch = true;
    EXPECT_EQ(run({QStringLiteral("restore"), file}), kExitFailure);
    EXPECT_EQ(setCounter.sets, 0);
}

TEST_F(CliOnSegment, restoreOntoAnotherAp_keepsItsIdentity_damagedFileIsRefused) {
    segment(sim::GenerateAps(2));
    const QString file = dir.filePath(QStringLiteral("ap.json"));
    ASSERT_EQ(run({QStringLiteral("backup"), mac(0), file}), kExitOk);
    const record::ApConfigRecord second = ap(1).record;
    ASSERT_EQ(run({QStringLiteral("restore"), file, mac(1)}), kExitOk) << err.toStdString();
    EXPECT_EQ(ap(1).record.mac_addr(), second.mac_addr());
    EXPECT_EQ(ap(1).record.ap_name(), second.ap_name());
    EXPECT_EQ(ap(1).record.ip_addr(), second.ip_addr());
    EXPECT_EQ(ap(1).record.ssid(), ap(0).record.ssid());

    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    QByteArray text = damaged.readAll();
    text.replace("\"record\": \"", "\"record\": \"00");
    damaged.resize(0);
    damaged.write(text);
    damaged.close();
    EXPECT_EQ(run({QStringLiteral("restore"), file}), kExitUsage);
    EXPECT_TRUE(err.contains("damaged"));
}

}  // namespace
}  // namespace tern::cli

namespace tern::cli {
namespace {

// A socket that says it lost datagrams while a search ran, as a real one
// does when the kernel's buffer overflowed.
class LossySocket : public net::InMemorySocketControl {
  public:
    using InMemorySocketControl::InMemorySocketControl;
    qint64 lostCount() const override { return lost; }
    qint64 lost = 40;  // before the search: not this search's
};

class CliLoss : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureCoreApp();
        OpenOnDefaultPort(socket);
    }
    // Runs a scan of three APs to its end; returns what it said on stderr.
    QByteArray scan(QStringList options) {
        const auto parsed =
            ParseCliOptions(QStringList{QStringLiteral("scan"), QStringLiteral("--timeout-ms"),
                                        QStringLiteral("200")} +
                            options);
        CliRunner runner(socket, std::get<CliOptions>(parsed), {});
        RunToEnd(runner);
        EXPECT_EQ(runner.exitCode(), kExitOk);
        EXPECT_EQ(runner.out().count("02-54-45-"), 3);
        return runner.err();
    }

    net::InMemoryNetwork network;
    LossySocket socket{network};
    sim::InMemorySimulator aps{network, sim::ApSimulator(sim::GenerateAps(3))};
};

TEST_F(CliLoss, aSearchThatLostReplies_saysHowManyEvenWhenQuiet_andStillLists) {
    QObject::connect(&socket, &net::UdpSocketControl::OnRecv, &socket,
                     [this] { socket.lost = 47; });
    const QByteArray err = scan({QStringLiteral("--quiet")});
    EXPECT_TRUE(err.contains("7 datagram(s) lost")) << err.toStdString();
    EXPECT_TRUE(err.contains("net.core.rmem_max")) << err.toStdString();
}

TEST_F(CliLoss, aSearchThatLostNothing_saysNothingOfIt) { EXPECT_FALSE(scan({}).contains("lost")); }

TEST(BackupFile, roundTrip_andEveryDamageRefused) {
    const record::ApConfigRecord record = sim::GenerateAps(3)[2].record;
    const QByteArray file = form::BackupFileContent(record, text::TextEncoding::Windows1252,
                                                    QDateTime::currentDateTimeUtc());
    const std::optional<record::ApConfigRecord> back = form::ReadBackupFile(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytes(), record.bytes());

    QJsonObject json = QJsonDocument::fromJson(file).object();
    const auto damaged = [&json](const char* key, const QJsonValue& value) {
        QJsonObject copy = json;
        copy[QString::fromLatin1(key)] = value;
        return form::ReadBackupFile(QJsonDocument(copy).toJson());
    };
    QString hex = json.value(QStringLiteral("record")).toString();
    EXPECT_FALSE(damaged("format", QStringLiteral("other")));
    EXPECT_FALSE(damaged("version", 2));
    EXPECT_FALSE(damaged("mac", QStringLiteral("02-54-45-00-00-09")));
    EXPECT_FALSE(damaged("record", hex.left(hex.size() - 2)));
    EXPECT_FALSE(damaged("record", hex.left(hex.size() - 1) + u'g'));
    EXPECT_FALSE(form::ReadBackupFile("not json at all"));
    EXPECT_FALSE(form::ReadBackupFile(QByteArray()));
}

}  // namespace
}  // namespace tern::cli
