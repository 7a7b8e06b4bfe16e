// tern-ap-cli: its command line, and each command run for real in --demo
// mode (simulated APs in the process: no socket is opened).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "cli/cli_options.h"
#include "tests/support/run_program.h"

namespace tern::cli {
namespace {

using CliRun = test::ProgramRun;

CliRun Cli(const QStringList& args) {
    return test::RunProgram(QStringLiteral(TERN_AP_CLI_PATH), args);
}

const CliOptions* Parsed(const std::variant<CliOptions, QString>& v) {
    return std::get_if<CliOptions>(&v);
}

TEST(CliOptions, optionsBeforeOrAfterTheCommand) {
    const auto a = ParseCliOptions(
        {QStringLiteral("--json"), QStringLiteral("scan"), QStringLiteral("--demo")});
    ASSERT_TRUE(Parsed(a));
    EXPECT_TRUE(Parsed(a)->json);
    EXPECT_TRUE(Parsed(a)->demo);
    EXPECT_EQ(Parsed(a)->command, QStringLiteral("scan"));
    const auto b = ParseCliOptions({QStringLiteral("show"), QStringLiteral("Lobby"),
                                    QStringLiteral("--timeout-ms"), QStringLiteral("500")});
    ASSERT_TRUE(Parsed(b));
    EXPECT_EQ(Parsed(b)->args, QStringList{QStringLiteral("Lobby")});
    EXPECT_EQ(Parsed(b)->timeoutMs, 500);
}

TEST(CliOptions, interfaceIsRepeatable_needsAName_andNoDemo) {
    const auto a = ParseCliOptions({QStringLiteral("--interface"), QStringLiteral("eth0"),
                                    QStringLiteral("scan"), QStringLiteral("--interface=wlan0")});
    ASSERT_TRUE(Parsed(a));
    EXPECT_EQ(Parsed(a)->interfaces,
              (QStringList{QStringLiteral("eth0"), QStringLiteral("wlan0")}));
    const auto empty = ParseCliOptions({QStringLiteral("--interface="), QStringLiteral("scan")});
    EXPECT_EQ(std::get<QString>(empty), QStringLiteral("--interface wants a NAME"));
    const auto missing = ParseCliOptions({QStringLiteral("scan"), QStringLiteral("--interface")});
    EXPECT_EQ(std::get<QString>(missing), QStringLiteral("--interface wants a value"));
    const auto demo = ParseCliOptions({QStringLiteral("--demo"), QStringLiteral("--interface"),
                                       QStringLiteral("eth0"), QStringLiteral("scan")});
    EXPECT_EQ(std::get<QString>(demo),
              QStringLiteral("--interface is not taken with --demo (no network is used)"));
}

TEST(CliOptions, demoCountAsItsOwnWord_asTheWindowTakesIt) {
    const auto r =
        ParseCliOptions({QStringLiteral("--demo"), QStringLiteral("20"), QStringLiteral("scan")});
    ASSERT_TRUE(std::holds_alternative<CliOptions>(r)) << std::get<QString>(r).toStdString();
    EXPECT_EQ(std::get<CliOptions>(r).demoCount, 20);
    EXPECT_EQ(std::get<CliOptions>(r).command, QStringLiteral("scan"));
    const auto zero =
        ParseCliOptions({QStringLiteral("--demo"), QStringLiteral("0"), QStringLiteral("scan")});
    ASSERT_TRUE(std::holds_alternative<QString>(zero));
    EXPECT_TRUE(std::get<QString>(zero).contains(QStringLiteral("'0'")));
}

TEST(CliOptions, strictNumbersAndNamedErrors) {
    const struct {
        QStringList args;
        const char* names;  // a part the error must hold
    } cases[] = {
        {{QStringLiteral("scan"), QStringLiteral("--timeout-ms"), QStringLiteral("+3")}, "'+3'"},
        {{QStringLiteral("scan"), QStringLiteral("--timeout-ms"), QStringLiteral(" 700")},
         "' 700'"},
        {{QStringLiteral("scan"), QStringLiteral("--timeout-ms"), QStringLiteral("1e3")}, "'1e3'"},
        {{QStringLiteral("scan"), QStringLiteral("--timeout-ms=0x10")}, "'0x10'"},
        {{QStringLiteral("--demo"), QStringLiteral("-5"), QStringLiteral("scan")}, "'-5'"},
        {{QStringLiteral("scan"), QStringLiteral("extra")}, "'extra'"},
        {{QStringLiteral("frobnicate")}, "'frobnicate'"},
        {{QStringLiteral("show")}, "TARGET"},
        {{QStringLiteral("--demo=0"), QStringLiteral("scan")}, "'0'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const auto r = ParseCliOptions(c.args);
        ASSERT_TRUE(std::holds_alternative<QString>(r));
        EXPECT_TRUE(std::get<QString>(r).contains(QString::fromLatin1(c.names)))
            << std::get<QString>(r).toStdString();
    }
}

TEST(CliDemo, scanJson_everyApWithItsFields) {
    const CliRun r =
        Cli({QStringLiteral("scan"), QStringLiteral("--demo"), QStringLiteral("--json"),
             QStringLiteral("--timeout-ms"), QStringLiteral("300")});
    ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    const QJsonDocument doc = QJsonDocument::fromJson(r.out);
    ASSERT_TRUE(doc.isArray());
    const QJsonArray aps = doc.array();
    ASSERT_EQ(aps.size(), 8);
    for (const QJsonValue& v : aps) {
        const QJsonObject ap = v.toObject();
        for (const char* key : {"mac", "name", "ssid", "wep", "ip", "channel", "encryption"}) {
            EXPECT_TRUE(ap.contains(QString::fromLatin1(key))) << key;
        }
        EXPECT_TRUE(ap.value(QStringLiteral("wep")).isBool());
    }
    EXPECT_EQ(aps[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Lobby"));
}

TEST(CliDemo, showByNameOrMac_secretsHiddenUnlessAsked) {
    CliRun r =
        Cli({QStringLiteral("--demo"), QStringLiteral("--json"), QStringLiteral("--timeout-ms"),
             QStringLiteral("300"), QStringLiteral("show"), QStringLiteral("Lobby")});
    ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    const QJsonObject lobby = QJsonDocument::fromJson(r.out).object();
    for (const char* key :
         {"ssid",        "channel",        "ap_name",         "op_mode",         "ip_mode",
          "ip_address",  "subnet_mask",    "gateway",         "dhcp_server",     "encryption",
          "auth_type",   "wep_key_length", "wep_key_format",  "wep_default_key", "wpa_passphrase",
          "dot1x",       "radius_servers", "beacon_interval", "rts_threshold",   "frag_threshold",
          "dtim_period", "tx_rate"}) {
        EXPECT_TRUE(lobby.contains(QString::fromLatin1(key))) << key;
    }
    EXPECT_EQ(lobby.value(QStringLiteral("ap_name")).toString(), QStringLiteral("Lobby"));
    EXPECT_EQ(lobby.value(QStringLiteral("wpa_passphrase")).toString(), QStringLiteral("***"));

    const QString mac = lobby.value(QStringLiteral("mac")).toString();
    r = Cli({QStringLiteral("--demo"), QStringLiteral("--json"), QStringLiteral("--timeout-ms"),
             QStringLiteral("300"), QStringLiteral("--show-secrets"), QStringLiteral("show"), mac});
    ASSERT_EQ(r.exitCode, kExitOk);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("ap_name")).toString(),
              QStringLiteral("Lobby"));

    r = Cli({QStringLiteral("--demo"), QStringLiteral("--json"), QStringLiteral("--timeout-ms"),
             QStringLiteral("300"), QStringLiteral("show"), QStringLiteral("--all")});
    ASSERT_EQ(r.exitCode, kExitOk);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).array().size(), 8);
}

TEST(CliDemo, setBackupRestore_jsonOutcomesAndAPrivateBackupFile) {
    qputenv("TERN_AP_PASSWORD", "admin");
    const QStringList common = {QStringLiteral("--demo"), QStringLiteral("--user"),
                                QStringLiteral("admin"), QStringLiteral("--timeout-ms"),
                                QStringLiteral("300")};
    CliRun r = Cli(common + QStringList{QStringLiteral("--json"), QStringLiteral("set"),
                                        QStringLiteral("--all"), QStringLiteral("ssid=demo-all")});
    EXPECT_EQ(r.exitCode, kExitRefused) << r.err.toStdString();  // "Warehouse" has another password
    const QJsonArray outcomes = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(outcomes.size(), 8);
    int refused = 0;
    for (const QJsonValue& v : outcomes) {
        refused += v.toObject().value(QStringLiteral("outcome")).toString() == u"refused" ? 1 : 0;
    }
    EXPECT_EQ(refused, 1);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("lobby.json"));
    r = Cli(common + QStringList{QStringLiteral("backup"), QStringLiteral("Lobby"), file});
    ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    const QJsonObject backup = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(backup.value(QStringLiteral("format")).toString(), QStringLiteral("tern-ap-backup"));
    EXPECT_EQ(backup.value(QStringLiteral("settings"))
                  .toObject()
                  .value(QStringLiteral("ap_name"))
                  .toString(),
              QStringLiteral("Lobby"));

    r = Cli(common + QStringList{QStringLiteral("restore"), file});
    EXPECT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("acknowledged"));
}

TEST(CliDemo, exitCodes_noMatchIsOne_usageIsTwo) {
    EXPECT_EQ(Cli({QStringLiteral("--demo"), QStringLiteral("--timeout-ms"), QStringLiteral("300"),
                   QStringLiteral("show"), QStringLiteral("No Such AP")})
                  .exitCode,
              kExitFailure);
    const CliRun usage =
        Cli({QStringLiteral("--demo"), QStringLiteral("scan"), QStringLiteral("--bogus")});
    EXPECT_EQ(usage.exitCode, kExitUsage);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("'--bogus'")));
    EXPECT_EQ(Cli({QStringLiteral("--help")}).exitCode, kExitOk);
}

}  // namespace
}  // namespace tern::cli
