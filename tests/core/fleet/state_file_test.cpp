// Desired-state and logins files: what a file means, which APs each entry
// is for, what one AP gets, and how a wrong file is refused (with the line
// and key an administrator needs to fix it) instead of half taken.
#include "core/fleet/state_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <ostream>

// Readable failures for QString values.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tern::fleet {
namespace {

const QString kPath = QStringLiteral("/etc/tern/state.yaml");

// Secret files and variables the test names; everything else is missing.
struct FakeSecrets {
    QHash<QString, QByteArray> files;
    QHash<QString, QString> env;
    SecretSources sources() const {
        SecretSources s;
        s.readFile = [files = files](const QString& path) -> std::optional<QByteArray> {
            if (!files.contains(path)) return std::nullopt;
            return files.value(path);
        };
        s.environment = [env = env](const QString& name) -> std::optional<QString> {
            if (!env.contains(name)) return std::nullopt;
            return env.value(name);
        };
        return s;
    }
};

std::variant<DesiredState, FileError> ReadState(const QByteArray& text,
                                                const FakeSecrets& secrets = {}) {
    return ReadStateFile(text, kPath, secrets.sources());
}

DesiredState State(const QByteArray& text, const FakeSecrets& secrets = {}) {
    const auto result = ReadState(text, secrets);
    if (const auto* error = std::get_if<FileError>(&result)) {
        ADD_FAILURE() << "refused: " << error->text().toStdString();
        return {};
    }
    return std::get<DesiredState>(result);
}

FileError StateError(const QByteArray& text, const FakeSecrets& secrets = {}) {
    const auto result = ReadState(text, secrets);
    if (!std::holds_alternative<FileError>(result)) {
        ADD_FAILURE() << "taken: " << text.toStdString();
        return {};
    }
    return std::get<FileError>(result);
}

// "name=value" of each setting, in order.
QStringList Pairs(const QList<DesiredSetting>& settings) {
    QStringList out;
    for (const DesiredSetting& s : settings) out << s.name + u'=' + s.value;
    return out;
}

const DesiredSetting* Find(const QList<DesiredSetting>& settings, const QString& name) {
    for (const DesiredSetting& s : settings) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

const QByteArray kExample = R"(version: 1
defaults:                       # every AP that answers the search
  beacon_interval: 150
aps:
  - match: "Lab-*"              # a glob on the AP name
    settings: {channel: 6}
  - match: 02-54-45-00-00-01    # a MAC
    settings:
      ssid: lobby
      wpa_passphrase: {file: /etc/tern/lobby.psk}
      radius_servers.1.shared_secret: {env: RADIUS1}
)";

FakeSecrets ExampleSecrets() {
    FakeSecrets s;
    s.files.insert(QStringLiteral("/etc/tern/lobby.psk"), "correct horse\r\nsecond line\n");
    s.env.insert(QStringLiteral("RADIUS1"), QStringLiteral("radius-secret"));
    return s;
}

// ---------------------------------------------------------------- reading

TEST(StateFile, example_readsEntriesInOrderWithSecretsFromFileAndEnvironment) {
    const DesiredState state = State(kExample, ExampleSecrets());
    ASSERT_EQ(state.entries.size(), 3);
    EXPECT_EQ(state.entries[0].match.kind, ApMatch::Kind::All);
    EXPECT_EQ(Pairs(state.entries[0].settings), QStringList{QStringLiteral("beacon_interval=150")});
    EXPECT_EQ(state.entries[0].settings[0].line, 3);

    EXPECT_EQ(state.entries[1].match.kind, ApMatch::Kind::Glob);
    EXPECT_EQ(state.entries[1].match.text, QStringLiteral("Lab-*"));
    EXPECT_EQ(state.entries[1].line, 5);
    EXPECT_EQ(Pairs(state.entries[1].settings), QStringList{QStringLiteral("channel=6")});

    const StateEntry& lobby = state.entries[2];
    EXPECT_EQ(lobby.match.kind, ApMatch::Kind::Mac);
    EXPECT_EQ(lobby.match.mac, QStringLiteral("02-54-45-00-00-01"));
    EXPECT_EQ(
        Pairs(lobby.settings),
        (QStringList{QStringLiteral("ssid=lobby"), QStringLiteral("wpa_passphrase=correct horse"),
                     QStringLiteral("radius_servers.1.shared_secret=radius-secret")}));
    EXPECT_FALSE(lobby.settings[0].secret);
    EXPECT_TRUE(lobby.settings[1].secret);
    EXPECT_TRUE(lobby.settings[2].secret);
    EXPECT_EQ(lobby.settings[2].line, 11);
    EXPECT_FALSE(state.holdsSecrets) << "every secret comes from a file or the environment";
}

TEST(StateFile, nestedAndListForms_readAsDottedNamesCountingFromOne) {
    const DesiredState state = State(R"(version: 1
defaults:
  dhcp_server: {start: 192.168.1.100, enabled: true}
  wep_keys: [a, b, '', d]
  radius_servers:
    - {ip: 10.0.0.1, port: 1812}
    - ip: 10.0.0.2
  auth_type: {text: WPA-PSK, code: 3}
)");
    ASSERT_EQ(state.entries.size(), 1);
    EXPECT_EQ(Pairs(state.entries[0].settings),
              (QStringList{
                  QStringLiteral("dhcp_server.start=192.168.1.100"),
                  QStringLiteral("dhcp_server.enabled=true"), QStringLiteral("wep_keys.1=a"),
                  QStringLiteral("wep_keys.2=b"), QStringLiteral("wep_keys.3="),
                  QStringLiteral("wep_keys.4=d"), QStringLiteral("radius_servers.1.ip=10.0.0.1"),
                  QStringLiteral("radius_servers.1.port=1812"),
                  QStringLiteral("radius_servers.2.ip=10.0.0.2"), QStringLiteral("auth_type=3")}));
    const DesiredSetting* second =
        Find(state.entries[0].settings, QStringLiteral("radius_servers.2.ip"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->line, 7);
    EXPECT_TRUE(state.holdsSecrets) << "WEP keys written in the file";
}

TEST(StateFile, jsonForm_readsTheSameAsYaml) {
    const QByteArray json = R"({"version": 1,
 "defaults": {"beacon_interval": 150},
 "aps": [
  {"match": "Lab-*", "settings": {"channel": 6}},
  {"match": "02-54-45-00-00-01", "settings": {"ssid": "lobby",
    "wpa_passphrase": {"file": "/etc/tern/lobby.psk"},
    "radius_servers.1.shared_secret": {"env": "RADIUS1"}}}]})";
    const DesiredState fromJson = State(json, ExampleSecrets());
    const DesiredState fromYaml = State(kExample, ExampleSecrets());
    ASSERT_EQ(fromJson.entries.size(), fromYaml.entries.size());
    for (qsizetype i = 0; i < fromYaml.entries.size(); ++i) {
        EXPECT_EQ(fromJson.entries[i].match.kind, fromYaml.entries[i].match.kind);
        EXPECT_EQ(fromJson.entries[i].match.text, fromYaml.entries[i].match.text);
        EXPECT_EQ(Pairs(fromJson.entries[i].settings), Pairs(fromYaml.entries[i].settings));
    }
}

TEST(StateFile, valueKinds_takeWhatTheSetterTakesAsWritten) {
    const DesiredState state = State(R"(version: 1
defaults:
  encryption: Off
  dot1x: YES
  g_only: 1
  channel: "011"
  op_mode: Access Point
  tx_power: 2
  tx_rate: {text: Auto, code: 0}
  ssid: 12.50
  ap_name: ''
)");
    ASSERT_EQ(state.entries.size(), 1);
    EXPECT_EQ(Pairs(state.entries[0].settings),
              (QStringList{QStringLiteral("encryption=Off"), QStringLiteral("dot1x=YES"),
                           QStringLiteral("g_only=1"), QStringLiteral("channel=011"),
                           QStringLiteral("op_mode=Access Point"), QStringLiteral("tx_power=2"),
                           QStringLiteral("tx_rate=0"), QStringLiteral("ssid=12.50"),
                           QStringLiteral("ap_name=")}));
}

TEST(StateFile, secrets_relativeFileFromTheStateFolderAndWhichSettingsAreSecret) {
    FakeSecrets secrets;
    secrets.files.insert(QStringLiteral("/etc/tern/keys/k1"), "only-line");
    secrets.env.insert(QStringLiteral("CH"), QStringLiteral("11"));
    const DesiredState state = State(R"(version: 1
defaults:
  wep_keys: [{file: keys/k1}]
  channel: {env: CH}
  ssid: open
)",
                                     secrets);
    ASSERT_EQ(state.entries.size(), 1);
    const QList<DesiredSetting>& s = state.entries[0].settings;
    EXPECT_EQ(Pairs(s), (QStringList{QStringLiteral("wep_keys.1=only-line"),
                                     QStringLiteral("channel=11"), QStringLiteral("ssid=open")}));
    EXPECT_TRUE(s[0].secret);
    EXPECT_TRUE(s[1].secret) << "a value from the environment is treated as a secret";
    EXPECT_FALSE(s[2].secret);
    EXPECT_FALSE(state.holdsSecrets);

    EXPECT_TRUE(IsSecretSetting(QStringLiteral("wep_keys.3")));
    EXPECT_TRUE(IsSecretSetting(QStringLiteral("wpa_passphrase")));
    EXPECT_TRUE(IsSecretSetting(QStringLiteral("radius_servers.2.shared_secret")));
    EXPECT_FALSE(IsSecretSetting(QStringLiteral("radius_servers.2.ip")));
    EXPECT_FALSE(IsSecretSetting(QStringLiteral("wep_key_length")));
}

TEST(StateFile, holdsSecrets_onlyForASecretWrittenInline) {
    EXPECT_TRUE(State("version: 1\ndefaults: {wpa_passphrase: hunter22}\n").holdsSecrets);
    EXPECT_TRUE(State("version: 1\naps: [{match: x, settings: {radius_servers: [{shared_secret: "
                      "s}]}}]\n")
                    .holdsSecrets);
    EXPECT_FALSE(State("version: 1\ndefaults: {wep_keys.1: ''}\n").holdsSecrets)
        << "an empty key holds nothing";
    EXPECT_FALSE(State("version: 1\ndefaults: {ssid: hunter22}\n").holdsSecrets);
}

// ---------------------------------------------------------------- refusals

struct Refusal {
    const char* text;
    int line;
    const char* key;
    const char* says;  // a part of the message
};

TEST(StateFile, eachFault_isRefusedWithItsLineAndKey) {
    const Refusal cases[] = {
        {"version: 1\ndefaults:\n  chanel: 6\n", 3, "chanel", "not a setting"},
        {"version: 1\ndefaults:\n  dhcp_server: {start: 1.2.3.4, stop: 9}\n", 3, "dhcp_server.stop",
         "not a setting"},
        {"version: 1\ndefaults:\n  wep_keys: [a, b, c, d, e]\n", 3, "wep_keys.5", "not a setting"},
        {"version: 1\ndefaults:\n  mac: 02-54-45-00-00-01\n", 3, "mac", "cannot be set"},
        {"version: 1\ndefaults:\n  dhcp_server: {pool_size: 10}\n", 3, "dhcp_server.pool_size",
         "cannot be set"},
        {"version: 1\ndefaults:\n  reg_domain: {text: ETSI, code: 3}\n", 3, "reg_domain",
         "cannot be set"},
        {"version: 1\ndefaults:\n  channel: six\n", 3, "channel", "whole number, not 'six'"},
        {"version: 1\ndefaults:\n  channel: 6.0\n", 3, "channel", "whole number"},
        {"version: 1\ndefaults:\n  radius_servers: [{port: -1}]\n", 3, "radius_servers.1.port",
         "whole number"},
        {"version: 1\ndefaults:\n  dot1x: maybe\n", 3, "dot1x", "true or false"},
        {"version: 1\ndefaults:\n  op_mode: ''\n", 3, "op_mode", "number or a name"},
        {"version: 1\ndefaults:\n  ssid: [a, b]\n", 3, "ssid", "not a list"},
        {"version: 1\ndefaults:\n  ssid: {text: a, code: 1}\n", 3, "ssid", "not a mapping"},
        {"version: 1\ndefaults:\n  channel: {value: 6}\n", 3, "channel", "not a mapping"},
        {"version: 1\ndefaults:\n  ssid:\n", 3, "ssid", "no value"},
        {"version: 1\ndefaults:\n  wep_keys: abc\n", 3, "wep_keys", "group of settings"},
        {"version: 1\ndefaults:\n  ssid: a\n  ssid: b\n", 4, "ssid", "twice"},
        {"version: 1\ndefaults:\n  dhcp_server.start: 1.2.3.4\n  dhcp_server: {start: 1.2.3.5}\n",
         4, "dhcp_server.start", "set twice in this entry (first at line 3)"},
        {"version: 1\ndefaults:\n  wpa_passphrase: '***'\n", 3, "wpa_passphrase", "'***'"},
        {"version: 2\n", 1, "version", "version 1"},
        {"defaults: {ssid: a}\n", 0, "version", "missing"},
        {"version: 1\nsettings: {}\n", 2, "settings", "not a key of a state file"},
        {"version: 1\nversion: 1\n", 2, "version", "twice"},
        {"version: 1\ndefaults: [ssid]\n", 2, "defaults", "not a list"},
        {"version: 1\ndefaults:\n", 2, "defaults", "has no value"},
        {"version: 1\naps:\n", 2, "aps", "has no value"},
        {"version: 1\naps: {match: x}\n", 2, "aps", "list of entries"},
        {"version: 1\naps:\n  - settings: {ssid: a}\n", 3, "match", "missing"},
        {"version: 1\naps:\n  - match: ''\n    settings: {}\n", 3, "match", "empty"},
        {"version: 1\naps:\n  - match: [a]\n", 3, "match", "not a list"},
        {"version: 1\naps:\n  - match: a\n    settings: [ssid]\n", 4, "settings",
         "wants a mapping of settings"},
        {"version: 1\naps:\n  - match: a\n    setings: {}\n", 4, "setings", "not a key"},
        {"version: 1\naps:\n  - just-a-name\n", 3, "aps", "wants a mapping"},
        {"version: 1\naps:\n  - match: a\n    settings: {[x]: 1}\n", 4, "", "must be a name"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.text);
        const FileError e = StateError(c.text);
        EXPECT_EQ(e.path, kPath);
        EXPECT_EQ(e.line, c.line);
        EXPECT_EQ(e.key, QString::fromUtf8(c.key));
        EXPECT_TRUE(e.message.contains(QString::fromUtf8(c.says))) << e.message.toStdString();
    }
}

TEST(StateFile, fileAsAWhole_parseErrorsAndSizeAndShapeAreRefused) {
    const FileError parse = StateError("version: 1\ndefaults:\n  ssid: a: b\n  channel: 6\n");
    EXPECT_EQ(parse.line, 3) << "the parser's line";
    EXPECT_TRUE(parse.message.startsWith(QStringLiteral("is not valid YAML: ")))
        << parse.message.toStdString();
    EXPECT_TRUE(StateError("version: 1\ndefaults:\n  ssid: *nope\n")
                    .message.contains(QStringLiteral("anchor")));

    const FileError flow = StateError("version: 1\ndefaults: {ssid: a\n");
    EXPECT_GT(flow.line, 0);

    QByteArray big = "version: 1\ndefaults: {ssid: a}\n";
    big.append(QByteArray(1024 * 1024, '#'));
    EXPECT_TRUE(StateError(big).message.contains(QStringLiteral("1 MiB")));

    EXPECT_TRUE(StateError("").message.contains(QStringLiteral("empty")));
    EXPECT_TRUE(StateError("- version: 1\n").message.contains(QStringLiteral("mapping")));
    const FileError second = StateError("version: 1\n---\nversion: 1\n");
    EXPECT_EQ(second.line, 3);
    EXPECT_TRUE(second.message.contains(QStringLiteral("second")));
    // A comma after the last brace of a JSON file: yaml-cpp would build
    // nodes until memory ran out.
    const FileError comma = StateError("{\"version\": 1,\n \"defaults\": {\"channel\": 6}},\n");
    EXPECT_GT(comma.line, 0);
    EXPECT_TRUE(comma.message.startsWith(QStringLiteral("is not valid YAML")));
    // An end marker after the one document loses nothing.
    EXPECT_EQ(State("---\nversion: 1\n...\n").entries.size(), 0);
}

TEST(StateFile, hostileNesting_isRefusedNotFollowed) {
    // A list nested far deeper than the parser can go.
    EXPECT_TRUE(StateError(QByteArray(100000, '[')).message.contains(QStringLiteral("deeply")));
    // Deep under settings.
    EXPECT_FALSE(StateError("version: 1\ndefaults: {radius_servers: [[[[[[[[[[[1]]]]]]]]]]]}\n")
                     .key.isEmpty());
    // An alias that contains itself.
    const FileError cycle = StateError("version: 1\ndefaults:\n  wep_keys: &k [*k]\n");
    EXPECT_EQ(cycle.line, 3);
    // One entry named by an alias over and over.
    QByteArray many = "version: 1\naps:\n  - &e {match: a, settings: {ssid: x}}\n";
    for (int i = 0; i < 10000; ++i) many.append("  - *e\n");
    EXPECT_TRUE(StateError(many).message.contains(QStringLiteral("more than")));
}

TEST(StateFile, secretSources_missingFileOrVariable_namesLineKeyAndSource) {
    const FileError file = StateError(
        "version: 1\naps:\n  - match: a\n    settings:\n      wpa_passphrase: {file: lobby.psk}\n");
    EXPECT_EQ(file.line, 5);
    EXPECT_EQ(file.key, QStringLiteral("wpa_passphrase"));
    EXPECT_TRUE(file.message.contains(QStringLiteral("/etc/tern/lobby.psk")))
        << file.message.toStdString();

    const FileError env =
        StateError("version: 1\ndefaults:\n  radius_servers.2.shared_secret: {env: RADIUS2}\n");
    EXPECT_EQ(env.line, 3);
    EXPECT_EQ(env.key, QStringLiteral("radius_servers.2.shared_secret"));
    EXPECT_TRUE(env.message.contains(QStringLiteral("RADIUS2")));

    const FileError both = StateError("version: 1\ndefaults:\n  ssid: {file: a, env: B}\n");
    EXPECT_EQ(both.line, 3);
    EXPECT_EQ(both.key, QStringLiteral("ssid"));

    // A value from the environment that is of the wrong kind is refused
    // without being shown.
    FakeSecrets secrets;
    secrets.env.insert(QStringLiteral("CH"), QStringLiteral("private-words"));
    const FileError kind = StateError("version: 1\ndefaults: {channel: {env: CH}}\n", secrets);
    EXPECT_EQ(kind.key, QStringLiteral("channel"));
    EXPECT_FALSE(kind.text().contains(QStringLiteral("private-words")));
}

TEST(FileError, text_leavesOutWhatIsNotKnown) {
    EXPECT_EQ((FileError{QStringLiteral("s.yaml"), 12, QStringLiteral("channel"),
                         QStringLiteral("wants a whole number")})
                  .text(),
              QStringLiteral("s.yaml:12: channel: wants a whole number"));
    EXPECT_EQ((FileError{QStringLiteral("s.yaml"), 0, {}, QStringLiteral("is empty")}).text(),
              QStringLiteral("s.yaml: is empty"));
}

// ---------------------------------------------------------------- matching

TEST(ApMatch, parse_macInAnyFormNameOrPattern) {
    for (const char* written : {"02:54:45:0a:0B:01", "02-54-45-0A-0b-01"}) {
        const ApMatch m = ParseApMatch(QString::fromLatin1(written));
        EXPECT_EQ(m.kind, ApMatch::Kind::Mac) << written;
        EXPECT_EQ(m.mac, QStringLiteral("02-54-45-0A-0B-01"));
        EXPECT_EQ(m.text, QString::fromLatin1(written));
    }
    EXPECT_EQ(ParseApMatch(QStringLiteral("02-54-45-0A-0B-0G")).kind, ApMatch::Kind::Name);
    EXPECT_EQ(ParseApMatch(QStringLiteral("Lobby.1")).kind, ApMatch::Kind::Name);
    for (const char* glob : {"Lab-*", "AP-?", "AP-[12]"}) {
        EXPECT_EQ(ParseApMatch(QString::fromLatin1(glob)).kind, ApMatch::Kind::Glob) << glob;
    }
}

TEST(ApMatch, matches_macByValueNameExactlyGlobOverTheWholeName) {
    const QString mac = QStringLiteral("02-54-45-0A-0B-01");
    EXPECT_TRUE(
        ParseApMatch(QStringLiteral("02:54:45:0a:0b:01")).matches(mac, QStringLiteral("x")));
    EXPECT_TRUE(ParseApMatch(mac).matches(QStringLiteral("02:54:45:0a:0b:01"), {}));
    EXPECT_FALSE(ParseApMatch(mac).matches(QStringLiteral("02-54-45-0A-0B-02"), {}));

    const ApMatch name = ParseApMatch(QStringLiteral("Lab.1"));
    EXPECT_TRUE(name.matches(mac, QStringLiteral("Lab.1")));
    EXPECT_FALSE(name.matches(mac, QStringLiteral("Lab-1"))) << "'.' is no wildcard";
    EXPECT_FALSE(name.matches(mac, QStringLiteral("lab.1")));

    const ApMatch lab = ParseApMatch(QStringLiteral("Lab-*"));
    EXPECT_TRUE(lab.matches(mac, QStringLiteral("Lab-")));
    EXPECT_TRUE(lab.matches(mac, QStringLiteral("Lab-Floor 2/East"))) << "'/' is no separator";
    EXPECT_FALSE(lab.matches(mac, QStringLiteral("lab-1"))) << "case counts";
    EXPECT_FALSE(lab.matches(mac, QStringLiteral("Old Lab-1"))) << "the whole name";

    EXPECT_TRUE(ParseApMatch(QStringLiteral("AP-?")).matches(mac, QStringLiteral("AP-/")));
    EXPECT_TRUE(ParseApMatch(QStringLiteral("AP-[12]")).matches(mac, QStringLiteral("AP-2")));
    EXPECT_FALSE(ParseApMatch(QStringLiteral("AP-[12]")).matches(mac, QStringLiteral("AP-3")));
    EXPECT_TRUE(ParseApMatch(QStringLiteral("(a)+*")).matches(mac, QStringLiteral("(a)+b")))
        << "regular expression characters are literal";
    EXPECT_FALSE(ParseApMatch(QStringLiteral("(a)+*")).matches(mac, QStringLiteral("aa")));
    EXPECT_FALSE(ParseApMatch(QStringLiteral("Lab-[")).matches(mac, QStringLiteral("Lab-[")))
        << "a broken pattern matches nothing";
    EXPECT_TRUE(ApMatch{}.matches(mac, {}));
}

TEST(SettingsFor, defaultsThenLaterEntries_lastValueInTheFirstPlace) {
    const DesiredState state = State(R"(version: 1
defaults: {beacon_interval: 150, ssid: corp, channel: 1}
aps:
  - match: Lab-*
    settings: {channel: 6, dtim_period: 3}
  - match: 02-54-45-00-00-01
    settings: {ssid: lobby, channel: 11}
)");
    QList<int> matched;
    const QList<DesiredSetting> lobby =
        SettingsFor(state, QStringLiteral("02:54:45:00:00:01"), QStringLiteral("Lab-7"), &matched);
    EXPECT_EQ(Pairs(lobby),
              (QStringList{QStringLiteral("beacon_interval=150"), QStringLiteral("ssid=lobby"),
                           QStringLiteral("channel=11"), QStringLiteral("dtim_period=3")}));
    EXPECT_EQ(matched, (QList<int>{0, 1, 2}));
    EXPECT_EQ(lobby[2].line, 7) << "the line of the value taken";

    const QList<DesiredSetting> other =
        SettingsFor(state, QStringLiteral("02-54-45-00-00-09"), QStringLiteral("Office"), &matched);
    EXPECT_EQ(Pairs(other),
              (QStringList{QStringLiteral("beacon_interval=150"), QStringLiteral("ssid=corp"),
                           QStringLiteral("channel=1")}));
    EXPECT_EQ(matched, QList<int>{0});
}

// ---------------------------------------------------------------- logins

TEST(LoginsFile, entriesDefaultsAndSecrets_lastMatchingEntryWins) {
    FakeSecrets secrets;
    secrets.env.insert(QStringLiteral("LAB_PW"), QStringLiteral("lab-pw"));
    secrets.files.insert(QStringLiteral("/etc/tern/lobby.pw"), "lobby-pw\n");
    const auto result = ReadLoginsFile(R"(defaults: {user: admin, password: {env: LAB_PW}}
aps:
  - match: Lab-*
    user: lab
    password: {env: LAB_PW}
  - {match: 02-54-45-00-00-01, user: admin, password: {file: lobby.pw}}
)",
                                       kPath, secrets.sources());
    ASSERT_TRUE(std::holds_alternative<LoginsFile>(result))
        << std::get<FileError>(result).text().toStdString();
    const LoginsFile& logins = std::get<LoginsFile>(result);
    ASSERT_EQ(logins.entries.size(), 3);
    EXPECT_EQ(logins.entries[0].match.kind, ApMatch::Kind::All);
    EXPECT_EQ(logins.entries[1].line, 3);
    EXPECT_FALSE(logins.holdsSecrets);

    const QString mac = QStringLiteral("02-54-45-00-00-01");
    const std::optional<LoginEntry> both = LoginFor(logins, mac, QStringLiteral("Lab-1"));
    ASSERT_TRUE(both);
    EXPECT_EQ(both->password, QStringLiteral("lobby-pw"));
    const std::optional<LoginEntry> lab =
        LoginFor(logins, QStringLiteral("02-54-45-00-00-02"), QStringLiteral("Lab-1"));
    ASSERT_TRUE(lab);
    EXPECT_EQ(lab->user, QStringLiteral("lab"));
    const std::optional<LoginEntry> other =
        LoginFor(logins, QStringLiteral("02-54-45-00-00-02"), QStringLiteral("Office"));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->user, QStringLiteral("admin"));

    const auto noDefaults =
        ReadLoginsFile("version: 1\nlogins: [{match: Lab-*, user: u, password: p}]\n", kPath, {});
    ASSERT_TRUE(std::holds_alternative<LoginsFile>(noDefaults));
    EXPECT_TRUE(std::get<LoginsFile>(noDefaults).holdsSecrets);
    EXPECT_FALSE(LoginFor(std::get<LoginsFile>(noDefaults), mac, QStringLiteral("Office")));
}

TEST(LoginsFile, eachFault_isRefusedWithItsLineAndKey) {
    const Refusal cases[] = {
        {"aps:\n  - {match: a, user: u}\n", 2, "password", "missing"},
        {"aps:\n  - {match: a, password: p}\n", 2, "user", "missing"},
        {"aps:\n  - {user: u, password: p}\n", 2, "match", "missing"},
        {"aps:\n  - {match: a, user: [u], password: p}\n", 2, "user", "not a list"},
        {"aps:\n  - {match: a, user: u, password: {env: NOPE}}\n", 2, "password", "NOPE"},
        {"aps:\n  - {match: a, user: u, password: p, pass: q}\n", 2, "pass", "not a key"},
        {"defaults: {match: a, user: u, password: p}\n", 1, "match", "not a key of the defaults"},
        {"aps: []\nlogins: []\n", 2, "logins", "one list"},
        {"version: 3\n", 1, "version", "version 1"},
        {"users: []\n", 1, "users", "not a key"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = ReadLoginsFile(c.text, kPath, FakeSecrets{}.sources());
        ASSERT_TRUE(std::holds_alternative<FileError>(result));
        const FileError& e = std::get<FileError>(result);
        EXPECT_EQ(e.line, c.line);
        EXPECT_EQ(e.key, QString::fromUtf8(c.key));
        EXPECT_TRUE(e.message.contains(QString::fromUtf8(c.says))) << e.message.toStdString();
    }
}

// ---------------------------------------------------------------- the system

TEST(SecretFileWarning, onlyWhenSecretsAreReadableByOthers) {
    const QString path = QStringLiteral("/srv/fleet/state.yaml");
    const std::optional<QString> warning = SecretFileWarning(path, 0100644, true);
    ASSERT_TRUE(warning);
    EXPECT_EQ(*warning, QStringLiteral("warning: /srv/fleet/state.yaml holds secrets and others "
                                       "can read it (mode 0644); chmod 600 /srv/fleet/state.yaml"));
    EXPECT_TRUE(SecretFileWarning(path, 0640, true));
    EXPECT_FALSE(SecretFileWarning(path, 0600, true));
    EXPECT_FALSE(SecretFileWarning(path, 0644, false));
    const std::optional<QString> spaced =
        SecretFileWarning(QStringLiteral("my state.yaml"), 0604, true);
    ASSERT_TRUE(spaced);
    EXPECT_TRUE(spaced->endsWith(QStringLiteral("chmod 600 'my state.yaml'")));
}

TEST(SecretSources, system_readsFilesAndTheEnvironment) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("psk")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("from-disk\r\n");
    file.close();
    const QByteArray state =
        "version: 1\ndefaults: {wpa_passphrase: {file: psk}, "
        "radius_servers.1.shared_secret: {env: TERN_STATE_FILE_TEST_VAR}}\n";
    const QString statePath = dir.filePath(QStringLiteral("state.yaml"));

    qputenv("TERN_STATE_FILE_TEST_VAR", "from-env");
    const auto read = ReadStateFile(state, statePath, SecretSources::System());
    qunsetenv("TERN_STATE_FILE_TEST_VAR");
    ASSERT_TRUE(std::holds_alternative<DesiredState>(read))
        << std::get<FileError>(read).text().toStdString();
    EXPECT_EQ(Pairs(std::get<DesiredState>(read).entries[0].settings),
              (QStringList{QStringLiteral("wpa_passphrase=from-disk"),
                           QStringLiteral("radius_servers.1.shared_secret=from-env")}));

    const auto unset = ReadStateFile(state, statePath, SecretSources::System());
    ASSERT_TRUE(std::holds_alternative<FileError>(unset));
    EXPECT_TRUE(
        std::get<FileError>(unset).message.contains(QStringLiteral("TERN_STATE_FILE_TEST_VAR")));
    EXPECT_FALSE(SecretSources::System().readFile(dir.filePath(QStringLiteral("none"))));
    EXPECT_FALSE(SecretSources::System().readFile(dir.path())) << "a folder is no secret file";
}

}  // namespace
}  // namespace tern::fleet
