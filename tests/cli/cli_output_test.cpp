// tern-ap-cli's outputs for people and for other programs: CSV and JSON
// Lines read back, show grouped as the pages, the Prometheus file, and a
// refusal for every rule in words that name the AP, the setting and the
// value. The program runs for real in --demo mode (no socket).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "cli/cli_options.h"
#include "cli/output_format.h"
#include "cli/prometheus_file.h"
#include "tests/support/run_program.h"

namespace tern::cli {
namespace {

test::ProgramRun Demo(const QStringList& args) {
    return test::RunProgram(QStringLiteral(TERN_AP_CLI_PATH),
                            QStringList{QStringLiteral("--demo"), QStringLiteral("--timeout-ms"),
                                        QStringLiteral("300")} +
                                args);
}

// RFC 4180 read back: quoted fields with doubled quotes, CRLF records.
QList<QStringList> ParseCsv(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record << field;
            records << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.isEmpty() && record.isEmpty()) << "the last record lacks its CRLF";
    return records;
}

TEST(CliOutput, csvReadsBackAsTheJsonSays) {
    const QStringList tricky = {QStringLiteral("plain"), QStringLiteral("a,b"),
                                QStringLiteral("say \"hi\""), QStringLiteral("two\nlines"),
                                QString()};
    // A line break an AP sent comes back visible, never as a row of its own.
    QStringList visible = tricky;
    visible[3] = QStringLiteral("two\\x0alines");
    EXPECT_EQ(ParseCsv(QString::fromUtf8(CsvRecord(tricky))), QList<QStringList>{visible});

    const test::ProgramRun json = Demo({QStringLiteral("scan"), QStringLiteral("--json")});
    const test::ProgramRun csv =
        Demo({QStringLiteral("scan"), QStringLiteral("--output"), QStringLiteral("csv")});
    ASSERT_EQ(csv.exitCode, kExitOk) << csv.err.toStdString();
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(csv.out));
    const QJsonArray aps = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(rows.size(), aps.size() + 1);
    const QStringList header = rows[0];
    EXPECT_EQ(header.mid(0, 3),
              (QStringList{QStringLiteral("mac"), QStringLiteral("name"), QStringLiteral("ssid")}));
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QJsonObject ap = aps[r - 1].toObject();
        ASSERT_EQ(rows[r].size(), header.size());
        for (qsizetype c = 0; c < header.size(); ++c) {
            EXPECT_EQ(rows[r][c], CsvField(ap.value(header[c]))) << header[c].toStdString();
        }
    }

    // show: every setting under the name set takes, one row an AP.
    const test::ProgramRun all = Demo({QStringLiteral("show"), QStringLiteral("--all"),
                                       QStringLiteral("--output=csv"), QStringLiteral("--json")});
    EXPECT_EQ(all.exitCode, kExitUsage) << "csv and json at once";
    const test::ProgramRun shown =
        Demo({QStringLiteral("show"), QStringLiteral("--all"), QStringLiteral("--output=csv")});
    ASSERT_EQ(shown.exitCode, kExitOk) << shown.err.toStdString();
    const QList<QStringList> table = ParseCsv(QString::fromUtf8(shown.out));
    ASSERT_EQ(table.size(), 9);
    const qsizetype auth = table[0].indexOf(QStringLiteral("auth_type"));
    const qsizetype radius = table[0].indexOf(QStringLiteral("radius_servers.1.ip"));
    const qsizetype key = table[0].indexOf(QStringLiteral("wep_keys.1"));
    ASSERT_GE(auth, 0);
    ASSERT_GE(radius, 0);
    ASSERT_GE(key, 0);
    EXPECT_EQ(table[4][auth], QStringLiteral("WPA-PSK"));  // Guest-WPA, by its words
    EXPECT_EQ(table[2][key], QStringLiteral("***"));       // Office-WEP64's key, masked
}

TEST(CliOutput, jsonLinesHoldOneApALine) {
    const test::ProgramRun r =
        Demo({QStringLiteral("scan"), QStringLiteral("--output"), QStringLiteral("jsonl")});
    ASSERT_EQ(r.exitCode, kExitOk);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 8);
    for (const QByteArray& line : lines) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_TRUE(doc.object().contains(QStringLiteral("mac")));
    }

    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("state.yaml"));
    QFile file(state);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("version: 1\naps:\n  - match: Lobby\n    settings: {beacon_interval: 150}\n");
    file.close();
    const test::ProgramRun plan =
        Demo({QStringLiteral("plan"), state, QStringLiteral("--output"), QStringLiteral("jsonl")});
    EXPECT_EQ(plan.exitCode, kExitPlanChanges) << plan.err.toStdString();
    const QList<QByteArray> planned = plan.out.trimmed().split('\n');
    ASSERT_EQ(planned.size(), 1);
    const QJsonObject lobby = QJsonDocument::fromJson(planned[0]).object();
    EXPECT_EQ(lobby.value(QStringLiteral("outcome")).toString(), QStringLiteral("to change"));
    EXPECT_EQ(lobby.value(QStringLiteral("changes"))
                  .toObject()
                  .value(QStringLiteral("beacon_interval"))
                  .toObject()
                  .value(QStringLiteral("after"))
                  .toInt(),
              150);

    const test::ProgramRun csv =
        Demo({QStringLiteral("plan"), state, QStringLiteral("--output"), QStringLiteral("csv")});
    const QList<QStringList> rows = ParseCsv(QString::fromUtf8(csv.out));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].mid(3, 4),
              (QStringList{QStringLiteral("to change"), QStringLiteral("beacon_interval"),
                           QStringLiteral("100"), QStringLiteral("150")}));
}

TEST(CliOutput, showReadsLikeThePages_noJsonInside_noEmptyRows) {
    const test::ProgramRun r = Demo({QStringLiteral("show"), QStringLiteral("Bridge-East")});
    ASSERT_EQ(r.exitCode, kExitOk);
    const QString text = QString::fromUtf8(r.out);
    for (const char* group : {"Status\n", "AP\n", "IP\n", "WEP/WPA\n", "Advanced\n"}) {
        EXPECT_TRUE(text.contains(QLatin1StringView(group))) << group;
    }
    EXPECT_FALSE(text.contains(u'{')) << text.toStdString();
    EXPECT_FALSE(text.contains(u'['));
    EXPECT_TRUE(text.contains(QStringLiteral("remote_mac")));  // a bridge has a peer
    EXPECT_TRUE(text.contains(QStringLiteral("auth_type                       Open System")));
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(u"  ")) {
            EXPECT_GE(line.simplified().count(u' '), 1)
                << "a row without a value: " << line.toStdString();
        }
        EXPECT_FALSE(line.startsWith(QStringLiteral("  interface"))) << "no interface in demo";
    }
    const test::ProgramRun lobby = Demo({QStringLiteral("show"), QStringLiteral("Lobby")});
    EXPECT_FALSE(QString::fromUtf8(lobby.out).contains(QStringLiteral("remote_mac")));
    const test::ProgramRun secure = Demo({QStringLiteral("show"), QStringLiteral("Secure-1X")});
    EXPECT_TRUE(QString::fromUtf8(secure.out).contains(QStringLiteral("802.1X\n  dot1x")));
    EXPECT_TRUE(QString::fromUtf8(secure.out)
                    .contains(QStringLiteral("radius_servers.1.shared_secret  ***")));
    EXPECT_TRUE(QString::fromUtf8(secure.out).contains(QStringLiteral("13 (128 bits)\n")));
    EXPECT_TRUE(QString::fromUtf8(secure.out).contains(QStringLiteral(" s (1 hour)\n")));
    // A key the AP holds is ***; an empty one is no row, masked or not.
    for (const QStringList& extra :
         {QStringList{}, QStringList{QStringLiteral("--show-secrets")}}) {
        const test::ProgramRun lab =
            Demo(QStringList{QStringLiteral("show"), QStringLiteral("Lab-WEP128")} + extra);
        const QString text = QString::fromUtf8(lab.out);
        EXPECT_TRUE(text.contains(QStringLiteral("wep_keys.1"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("wep_keys.4"))) << text.toStdString();
    }
}

TEST(CliOutput, optionsAreCheckedBeforeAnySearch) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("scan"), QStringLiteral("--output"), QStringLiteral("xml")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("--output"),
                      QStringLiteral("csv")},
          QStringList{QStringLiteral("set"), QStringLiteral("Lobby"), QStringLiteral("ssid=x"),
                      QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("--output"),
                      QStringLiteral("csv")},
          QStringList{QStringLiteral("show"), QStringLiteral("Lobby"),
                      QStringLiteral("--prometheus"), QStringLiteral("/tmp/x.prom")}}) {
        const auto parsed = ParseCliOptions(args);
        ASSERT_TRUE(std::holds_alternative<QString>(parsed)) << args.join(u' ').toStdString();
    }
}

// ---------------------------------------------------------------- Prometheus

MetricsAp Ap(const char* mac, const char* name) {
    return {QString::fromLatin1(mac),
            QString::fromLatin1(name),
            QStringLiteral("seg1"),
            QStringLiteral("ssid"),
            6,
            QStringLiteral("WPA-PSK"),
            QStringLiteral("WPA-PSK"),
            QStringLiteral("MX9000AP-QA1-Z00 -01")};
}

TEST(PrometheusFile, familiesWithHelpAndType_escapedLabels_aGoneApIsDown) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tern.prom"));
    ScanMetrics first{{Ap("02-00-00-00-00-01", "Lobby"), Ap("02-00-00-00-00-02", "Say \"hi\"\\\n")},
                      1.5,
                      0,
                      1000};
    QString error;
    ASSERT_TRUE(WriteMetricsFile(path, first, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    for (const char* family : {"tern_ap_up", "tern_ap_info", "tern_ap_channel", "tern_ap_scan_aps",
                               "tern_ap_scan_duration_seconds", "tern_ap_scan_lost_datagrams",
                               "tern_ap_last_scan_timestamp_seconds"}) {
        EXPECT_TRUE(text.contains(QStringLiteral("# HELP ") + QLatin1StringView(family) + u' '))
            << family;
        EXPECT_TRUE(text.contains(QStringLiteral("# TYPE ") + QLatin1StringView(family) +
                                  QStringLiteral(" gauge\n")))
            << family;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("name=\"Say \\\"hi\\\"\\\\\\n\"")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "tern_ap_up{mac=\"02-00-00-00-00-01\",name=\"Lobby\",interface=\"seg1\"} 1\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("tern_ap_scan_aps 2\n")));

    // The next scan no longer hears Lobby: up 0 with when it was last seen.
    ScanMetrics second{{Ap("02-00-00-00-00-02", "Other")}, 0.5, 3, 2000};
    ASSERT_TRUE(WriteMetricsFile(path, second, &error)) << error.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString next = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(next.contains(QStringLiteral(
        "tern_ap_up{mac=\"02-00-00-00-00-01\",name=\"Lobby\",interface=\"seg1\"} 0\n")))
        << next.toStdString();
    EXPECT_TRUE(next.contains(QStringLiteral(
        "tern_ap_last_seen_timestamp_seconds{mac=\"02-00-00-00-00-01\",name=\"Lobby\","
        "interface=\"seg1\"} 1000\n")));
    EXPECT_TRUE(next.contains(QStringLiteral("tern_ap_scan_lost_datagrams 3\n")));
    // Nothing but the file and its memory: no temporary left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("tern.prom"), QStringLiteral("tern.prom.known")}));
    // A file that cannot be written is an error, not a silent success.
    EXPECT_FALSE(
        WriteMetricsFile(dir.filePath(QStringLiteral("no/such/dir/x.prom")), second, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no/such/dir")));
    EXPECT_TRUE(next.contains(QStringLiteral("tern_ap_build_info{version=\"")));
    // A folder named as the file: said as such, and nothing written beside it.
    error.clear();
    EXPECT_FALSE(WriteMetricsFile(dir.path(), second, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("is a folder"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral(".known")));
    EXPECT_FALSE(error.contains(QStringLiteral(".known"))) << error.toStdString();
}

// ---------------------------------------------------------------- refusals in words

TEST(CliWords, everyRuleNamesTheApTheSettingTheValueAndWhy) {
    qputenv("TERN_AP_PASSWORD", "admin");
    const struct {
        QStringList set;
        const char* words;
    } cases[] = {
        {{QStringLiteral("Office-WEP64"), QStringLiteral("gateway=10.0.0.1")},
         "02-54-45-00-00-01 (Office-WEP64): gateway 10.0.0.1 lies outside the subnet of "
         "ip_address 192.168.1.11 with subnet_mask 255.255.255.0 (\"Domain different"},
        {{QStringLiteral("Lobby"), QStringLiteral("subnet_mask=255.255.0.1")},
         "02-54-45-00-00-00 (Lobby): subnet_mask 255.255.0.1: not a mask of leading ones"},
        {{QStringLiteral("Lobby"), QStringLiteral("subnet_mask=255.250.0.0")},
         "(Lobby): subnet_mask '255.250.0.0': octet 2 (250) is not a mask octet"},
        {{QStringLiteral("Lobby"), QStringLiteral("ip_address=127.0.0.5")},
         "(Lobby): ip_address '127.0.0.5': octet 1 (127) is reserved"},
        {{QStringLiteral("Lobby"), QStringLiteral("ip_address=192.168.1.255")},
         "(Lobby): ip_address '192.168.1.255': octet 4 (255) is not from 1 to 254"},
        {{QStringLiteral("Lobby"), QStringLiteral("beacon_interval=5")},
         "(Lobby): beacon_interval '5': 5 is not from 20 to 1000"},
        {{QStringLiteral("Lobby"), QStringLiteral("frag_threshold=1501")},
         "(Lobby): frag_threshold '1501': 1501 is odd; the threshold must be even"},
        {{QStringLiteral("Lobby"), QStringLiteral("dhcp_server.end_last_octet=300")},
         "(Lobby): dhcp_server.end_last_octet '300': 300 is not from 1 to 254"},
        {{QStringLiteral("Lobby"), QStringLiteral("dhcp_server.enabled=true"),
          QStringLiteral("dhcp_server.start=192.168.1.200"),
          QStringLiteral("dhcp_server.end_last_octet=100")},
         "(Lobby): dhcp_server.start 192.168.1.200, dhcp_server.end_last_octet 100: the range "
         "must lie in the subnet of ip_address 192.168.1.10"},
        {{QStringLiteral("Guest-WPA"), QStringLiteral("wpa_passphrase=short")},
         "02-54-45-00-00-03 (Guest-WPA): wpa_passphrase: wants 8 to 63 characters"},
        {{QStringLiteral("Office-WEP64"), QStringLiteral("wep_keys.2=ABC")},
         "(Office-WEP64): wep_keys.2: wants 10 hexadecimal digits for wep_key_length 64 and "
         "wep_key_format hex"},
        {{QStringLiteral("Office-WEP64"), QStringLiteral("wep_default_key=2"),
          QStringLiteral("wep_keys.2=")},
         "(Office-WEP64): wep_default_key 2: wep_keys.2 is empty while WEP is on"},
        {{QStringLiteral("Lab-WEP128"), QStringLiteral("wep_keys.1=ABC")},
         "(Lab-WEP128): wep_keys.1: wants 13 characters for wep_key_length 128 and "
         "wep_key_format ascii"},
        {{QStringLiteral("Lobby"), QStringLiteral("auth_type=WPA")},
         "(Lobby): auth_type WPA: wants dot1x on, with a RADIUS server"},
        {{QStringLiteral("Lobby"), QStringLiteral("auth_type=WPA"), QStringLiteral("dot1x=true"),
          QStringLiteral("radius_servers.1.ip=10.0.0.5")},
         "(Lobby): dot1x on: radius_servers.1 wants an ip, a port and a shared_secret; "
         "radius_servers.1.shared_secret is empty"},
        {{QStringLiteral("Lobby"), QStringLiteral("gateway=192.168.1.0")},
         "(Lobby): gateway 192.168.1.0: a gateway may not end in 0"},
        {{QStringLiteral("Secure-1X"), QStringLiteral("radius_servers.1.port=70000")},
         "(Secure-1X): radius_servers.1.port '70000': 70000 is not from 0 to 65535"},
        {{QStringLiteral("Bridge-East"), QStringLiteral("remote_mac=00-00-00-00-00-00")},
         "(Bridge-East): remote_mac 00-00-00-00-00-00: wants six pairs of hexadecimal digits"},
        {{QStringLiteral("Lobby"), QStringLiteral("ssid=") + QString(40, u'x')},
         "(Lobby): ssid 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx': 40 bytes, longer than the "
         "AP's record holds for it"},
        {{QStringLiteral("Lobby"), QStringLiteral("ap_name=Caf\u00e9\u2603")},
         "(Lobby): ap_name 'Caf\u00e9\u2603': a character the AP's code page (windows-1252) "
         "cannot hold"},
        {{QStringLiteral("Lobby"), QStringLiteral("wpa_passphrase=") + QString(70, u'p'),
          QStringLiteral("auth_type=WPA-PSK")},
         "(Lobby): wpa_passphrase wants 8 to 63 characters, or 64 hexadecimal digits, not "
         "'***'"},
    };
    for (const auto& c : cases) {
        const test::ProgramRun r = Demo(
            QStringList{QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("set")} +
            c.set);
        EXPECT_EQ(r.exitCode, kExitUsage) << c.set.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.words)))
            << c.set.join(u' ').toStdString() << "\n"
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("p") + QString(69, u'p'))) << "a secret shown";
    }
    // A rule that changes another setting by itself says so, naming the AP.
    const test::ProgramRun wpa =
        Demo({QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("set"),
              QStringLiteral("Guest-WPA"), QStringLiteral("ssid=guest")});
    EXPECT_TRUE(wpa.err.contains(
        QStringLiteral("02-54-45-00-00-03 (Guest-WPA): dot1x will be switched on by this change")))
        << wpa.err.toStdString();
}

}  // namespace
}  // namespace tern::cli
