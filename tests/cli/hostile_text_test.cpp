// What a user types and what an AP sends, when either is hostile: control
// characters refused on the way in with nothing sent, shown visibly on the
// way out in every format, logins never cut, and backups never replaced.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include "core/fleet/plan.h"
#include "core/fleet/state_file.h"
#include "tests/cli/fleet_fixture.h"

namespace tern::cli {
namespace {

using test_fleet::Fleet;

class Hostile : public Fleet {
  protected:
    // set --all with a logins file whose one entry has this password (as
    // YAML writes it).
    int setWithLoginsPassword(const QByteArray& password) {
        const QString logins =
            file(QStringLiteral("logins.yaml"),
                 "version: 1\nlogins:\n  - match: TernAP-0001\n    user: admin\n    password: " +
                     password + "\n");
        return run({QStringLiteral("set"), QStringLiteral("--all"), QStringLiteral("--logins"),
                    logins, QStringLiteral("beacon_interval=150")});
    }
};

// Any byte a terminal would act on: C0 but the line ends, DEL, and the
// UTF-8 of C1.
bool HoldsRawControl(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\n' && u != u'\r') || (u >= 0x7F && u <= 0x9F);
    });
}

TEST_F(Fleet, hostileValues_everyEntryRefusesThem_namingWhereAndSendingNothing) {
    segment(sim::GenerateAps(3));
    const struct {
        const char* name;
        QByteArray yaml;   // the setting's value as a state file writes it
        QString assigned;  // the same through set NAME=VALUE
        const char* says;
    } cases[] = {
        {"NUL in a pass phrase", "wpa_passphrase: \"\\0\\0\\0\\0\\0\\0\\0\\0\"",
         QStringLiteral("wpa_passphrase=") + QString(8, QChar(0)), "U+0000 at position 1"},
        {"NUL inside a name", "ap_name: \"AB\\0CD\"",
         QStringLiteral("ap_name=AB") + QChar(0) + QStringLiteral("CD"), "U+0000 at position 3"},
        {"ESC and BEL in a name", "ap_name: \"X\\e]0;pwned\\aY\"",
         QStringLiteral("ap_name=X\x1b]0;pwned\aY"), "U+001B at position 2"},
        {"a tab in an SSID", "ssid: \"a\\tb\"", QStringLiteral("ssid=a\tb"),
         "U+0009 at position 2"},
        {"DEL in a WEP key", "wep_keys.1: \"abc\\x7f\"", QStringLiteral("wep_keys.1=abc\x7f"),
         "U+007F at position 4"},
        {"C1 in an SSID", "ssid: \"a\\x9bb\"",
         QStringLiteral("ssid=a") + QChar(0x9b) + QStringLiteral("b"), "U+009B at position 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString state =
            file(QStringLiteral("hostile.yaml"), "version: 1\ndefaults:\n  " + c.yaml + "\n");
        EXPECT_EQ(run({QStringLiteral("apply"), state}), kExitUsage) << out.toStdString();
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_TRUE(err.contains("hostile.yaml:3")) << err.toStdString();
        EXPECT_EQ(requests.searches, 0) << "the file is refused before any search";

        EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("--all"), c.assigned}), kExitUsage);
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_FALSE(HoldsRawControl(err)) << err.toStdString();
        EXPECT_EQ(requests.sets, 0);
    }
    // The secret's value never shows, even escaped.
    EXPECT_FALSE(err.contains("\\x00"));
}

TEST_F(Hostile, limits_areRefusedNamingThem_neverCut) {
    segment(sim::GenerateAps(2));
    // 64 characters are the key itself: hexadecimal only.
    const QString notHex(64, u'g');
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("--all"),
                   QStringLiteral("wpa_passphrase=") + notHex}),
              kExitUsage);
    EXPECT_TRUE(err.contains("8 to 63 characters, or 64 hexadecimal digits")) << err.toStdString();
    EXPECT_FALSE(err.contains(notHex.toUtf8()));
    EXPECT_EQ(requests.sets, 0);
    EXPECT_EQ(
        run({QStringLiteral("set"), QStringLiteral("--all"), QStringLiteral("auth_type=WPA-PSK"),
             QStringLiteral("wpa_passphrase=") + QString(64, u'a')}),
        kExitOk)
        << err.toStdString();

    // A value far too long is quoted by its start and its length.
    const QString huge(100000, u'7');
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("--all"),
                   QStringLiteral("beacon_interval=") + huge}),
              kExitUsage);
    EXPECT_LT(err.size(), 600) << err.left(600).toStdString();
    EXPECT_TRUE(err.contains("(100000 characters)")) << err.toStdString();
    // The same for a text the AP's record cannot hold.
    EXPECT_EQ(run({QStringLiteral("set"), QStringLiteral("--all"), QStringLiteral("ssid=") + huge}),
              kExitUsage);
    EXPECT_LT(err.size(), 600) << err.left(600).toStdString();
    EXPECT_TRUE(err.contains("(100000 characters)': 100000 bytes")) << err.toStdString();

    // A login longer than the record holds would log in as its first 15.
    EXPECT_EQ(setWithLoginsPassword("abcdefghijklmnoWRONG"), kExitUsage);
    EXPECT_TRUE(err.contains("the password is 20 bytes; an AP's login holds at most 15"))
        << err.toStdString();
    EXPECT_FALSE(err.contains("WRONG"));
    EXPECT_EQ(fleet::LoginProblem(QStringLiteral("admin"),
                                  QStringLiteral("admin") + QChar(0) + QStringLiteral("x"),
                                  fleet::kPlanEncoding)
                  .value_or(QString()),
              QStringLiteral("the password holds a control character at position 6"));
    EXPECT_EQ(fleet::LoginProblem(QStringLiteral("admin"), QString(15, u'p'), fleet::kPlanEncoding),
              std::nullopt);
}

TEST_F(Hostile, aLoginWithAControlCharacter_isRefusedFromEverySource_nothingSent) {
    segment(sim::GenerateAps(2));
    EXPECT_EQ(setWithLoginsPassword("\"admin\\0junkjunk\""), kExitUsage);
    EXPECT_TRUE(err.contains("the password holds a control character at position 6"))
        << err.toStdString();
    EXPECT_EQ(requests.sets, 0);

    // The program's own sources: a password file, the environment.
    const QString pw = file(QStringLiteral("pw"), QByteArray("admin\0junkjunk\n", 15));
    QFile::setPermissions(pw, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const auto program = [&](const QStringList& args, const QProcessEnvironment& env) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(TERN_AP_CLI_PATH), args);
        EXPECT_TRUE(cli.waitForFinished(20000));
        return std::make_pair(cli.exitCode(), QString::fromUtf8(cli.readAllStandardError()));
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("TERN_AP_PASSWORD"));
    const QStringList set = {QStringLiteral("--demo"), QStringLiteral("--user"),
                             QStringLiteral("admin"),  QStringLiteral("set"),
                             QStringLiteral("Lobby"),  QStringLiteral("ssid=x")};
    auto [code, said] = program(QStringList{QStringLiteral("--password-file"), pw} + set, env);
    EXPECT_EQ(code, kExitUsage) << said.toStdString();
    EXPECT_TRUE(said.contains(u"the password holds a control character at position 6"))
        << said.toStdString();
    env.insert(QStringLiteral("TERN_AP_PASSWORD"), QStringLiteral("adm\x1bin"));
    std::tie(code, said) = program(set, env);
    EXPECT_EQ(code, kExitUsage) << said.toStdString();
    EXPECT_TRUE(said.contains(u"the password holds a control character at position 4"))
        << said.toStdString();
}

TEST_F(Fleet, aCodeAndATextThatDisagree_areRefused_agreeingOnesTaken) {
    segment(sim::GenerateAps(2));
    const QString disagree = file(QStringLiteral("pair.yaml"),
                                  "version: 1\ndefaults:\n  auth_type: {text: WPA-PSK, code: 0}\n");
    EXPECT_EQ(run({QStringLiteral("plan"), disagree}), kExitUsage) << out.toStdString();
    EXPECT_TRUE(err.contains("auth_type: code 0 is 'Open System', not 'WPA-PSK'"))
        << err.toStdString();
    const QString agree =
        file(QStringLiteral("pair.yaml"),
             "version: 1\ndefaults:\n  auth_type: {text: open system, code: 0}\n");
    EXPECT_NE(run({QStringLiteral("plan"), agree}), kExitUsage) << err.toStdString();
    // The report says which program wrote it.
    EXPECT_NE(run({QStringLiteral("plan"), agree, QStringLiteral("--json")}), kExitUsage);
    EXPECT_FALSE(QJsonDocument::fromJson(out).object().value(u"version").toString().isEmpty())
        << out.toStdString();
}

TEST_F(Fleet, aForgedApRecord_reachesNoOutputRaw_inAnyFormat) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    aps[0].record.set_ap_name("X\x1b]0;pwned\x07Y");
    aps[0].record.set_ssid(
        "a\x1b[31mRED\x01"
        "b\nfake line");
    segment(std::move(aps));
    const QString state = file(QStringLiteral("state.yaml"),
                               "version: 1\ndefaults:\n  ssid: fresh\n  beacon_interval: 150\n");
    for (const char* format : {"table", "json", "jsonl", "csv"}) {
        SCOPED_TRACE(format);
        const QStringList how = {QStringLiteral("--output"), QString::fromLatin1(format)};
        EXPECT_EQ(run(QStringList{QStringLiteral("plan"), state} + how), kExitPlanChanges);
        EXPECT_FALSE(HoldsRawControl(out)) << out.toStdString();
        EXPECT_FALSE(HoldsRawControl(err)) << err.toStdString();
        if (QByteArrayView(format) == "table" || QByteArrayView(format) == "csv") {
            EXPECT_TRUE(out.contains("X\\x1b]0;pwned\\x07Y")) << out.toStdString();
            EXPECT_TRUE(out.contains("a\\x1b[31mRED\\x01b\\x0afake line")) << out.toStdString();
        } else {
            // JSON keeps what the AP holds, in its own escapes.
            EXPECT_TRUE(out.contains("\\u001b]0;pwned\\u0007Y")) << out.toStdString();
        }
    }
    EXPECT_EQ(run({QStringLiteral("apply"), state}), kExitOk) << err.toStdString();
    EXPECT_FALSE(HoldsRawControl(out)) << out.toStdString();
    EXPECT_FALSE(HoldsRawControl(err)) << err.toStdString();
    // A set through a pattern names the forged AP in its result lines.
    EXPECT_EQ(
        run({QStringLiteral("set"), QStringLiteral("X*"), QStringLiteral("beacon_interval=170")}),
        kExitOk)
        << err.toStdString();
    EXPECT_TRUE(out.contains("X\\x1b]0;pwned\\x07Y")) << out.toStdString();
    EXPECT_FALSE(HoldsRawControl(out)) << out.toStdString();
    EXPECT_FALSE(HoldsRawControl(err)) << err.toStdString();
}

TEST_F(Fleet, aReusedBackupFolder_keepsEveryApplysBackups_andItsCommandPastesBack) {
    segment(sim::GenerateAps(2));
    const QString odd = dir.filePath(QStringLiteral("x;touch y 'q'"));
    const auto apply = [&](const char* beacon) {
        const QString state =
            file(QStringLiteral("state.yaml"),
                 QByteArray("version: 1\ndefaults:\n  beacon_interval: ") + beacon + "\n");
        return run({QStringLiteral("apply"), state, QStringLiteral("--backup-dir"), odd});
    };
    ASSERT_EQ(apply("150"), kExitOk) << err.toStdString();
    const QString firstErr = QString::fromUtf8(err);
    ASSERT_EQ(apply("160"), kExitOk) << err.toStdString();

    const QStringList runs = QDir(odd).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_EQ(runs.size(), 2) << runs.join(u' ').toStdString();
    // The first apply's backup still holds what the APs held before it.
    QFile first(QDir(odd).filePath(runs[0] + u'/' + mac(0) + QStringLiteral(".json")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_TRUE(first.readAll().contains("\"beacon_interval\": 100"));

    // The folder of the first run, pasted into a shell as printed, is one
    // word and runs nothing else.
    const qsizetype at = firstErr.indexOf(QStringLiteral("tern-ap-cli restore "));
    ASSERT_GE(at, 0) << firstErr.toStdString();
    const QString word =
        firstErr.mid(at + 20).section(QStringLiteral(" --user"), 0, 0).section(u'\n', 0, 0);
    QProcess sh;
    sh.setWorkingDirectory(dir.path());
    sh.start(QStringLiteral("/bin/sh"),
             {QStringLiteral("-c"), QStringLiteral("printf %s ") + word});
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(sh.readAllStandardOutput()), QDir(odd).filePath(runs[0]));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("y"))));
}

}  // namespace
}  // namespace tern::cli
