// Writes the seed corpus of every fuzz target into DIR/<target>/: replies
// made by the simulator, the simulator's records, backup files, the shipped
// language files and a few command lines and field values. The output is
// the same on every run, so a regenerated corpus shows as no change.
//
//   fuzz_seeds tests/fuzz/corpus
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTimeZone>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/engine/ap_engine.h"
#include "core/form/backup_file.h"
#include "core/net/protocol.h"
#include "core/record/record_builder.h"
#include "sim/ap_simulator.h"

using namespace tern;

namespace {

QDir g_root;
int g_failures = 0;

void Write(const QString& target, const QString& name, const QByteArray& content) {
    if (!g_root.mkpath(target)) {
        std::fprintf(stderr, "fuzz_seeds: cannot make %s\n", qPrintable(g_root.filePath(target)));
        ++g_failures;
        return;
    }
    QFile file(g_root.filePath(target + u'/' + name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
        ++g_failures;
    }
}

QByteArray Joined(std::initializer_list<const char*> parts) {
    QByteArray out;
    for (const char* p : parts) {
        if (!out.isEmpty()) out.append('\0');
        out.append(p);
    }
    return out;
}

// ---------------------------------------------------------------- datagrams

// The engine target's input: the marker, then each datagram behind its
// two-byte length; a length with the top bit set starts an apply.
class EngineInput {
  public:
    explicit EngineInput(const net::RequestMarker& marker) {
        bytes_.append(reinterpret_cast<const char*>(marker.data()), marker.size());
    }
    void datagram(const QByteArray& d) {
        bytes_.append(static_cast<char>((d.size() >> 8) & 0x7F));
        bytes_.append(static_cast<char>(d.size() & 0xFF));
        bytes_.append(d);
    }
    void startApply() { bytes_.append("\x80\x00", 2); }
    const QByteArray& bytes() const { return bytes_; }

  private:
    QByteArray bytes_;
};

net::RequestMarker Marker(std::uint8_t first) {
    net::RequestMarker marker{};
    for (std::size_t i = 0; i < marker.size(); ++i) {
        marker[i] = static_cast<std::uint8_t>(first + 37 * i);
    }
    return marker;
}

std::vector<QByteArray> SearchReplies(sim::ApSimulator& simulator, const net::RequestMarker& m) {
    std::vector<QByteArray> replies;
    for (const sim::SimReply& r : simulator.handle(net::BuildSearchRequest(m))) {
        replies.push_back(r.datagram);
    }
    return replies;
}

// What the simulator answers to a set request for `ap` with `user`/`pass`.
QByteArray SetAnswer(sim::ApSimulator& simulator, const record::ApConfigRecord& record,
                     const char* user, const char* pass) {
    net::LinkState link;
    link.SetMarker(Marker(0x21));
    const record::ApConfigRecord withLogin = record::WithLogin(record, user, pass);
    const std::vector<sim::SimReply> replies = simulator.handle(
        net::BuildSetRequest(link.request_marker(), link.link_key(), withLogin.bytes()));
    return replies.empty() ? QByteArray() : replies.front().datagram;
}

void EngineSeeds() {
    const QString target = QStringLiteral("fuzz_engine_receive");
    {  // enciphered replies of four APs, one of them twice, and our own echo
        sim::ApSimulator simulator(sim::GenerateAps(4));
        const net::RequestMarker m = Marker(0x11);
        EngineInput in(m);
        in.datagram(net::BuildSearchRequest(m));
        const std::vector<QByteArray> replies = SearchReplies(simulator, m);
        for (const QByteArray& r : replies) in.datagram(r);
        in.datagram(replies.front());
        Write(target, QStringLiteral("search-enciphered"), in.bytes());
    }
    {  // plain replies, an old firmware among them
        sim::SimOptions options;
        options.plainReplies = true;
        sim::ApSimulator simulator(sim::DemoAps(3, true), options);
        const net::RequestMarker m = Marker(0x42);
        EngineInput in(m);
        for (const QByteArray& r : SearchReplies(simulator, m)) in.datagram(r);
        Write(target, QStringLiteral("search-plain-old-firmware"), in.bytes());
    }
    {  // a search, then an apply to both APs: one acknowledges, one refuses
        std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
        aps[1].password = "secret";
        sim::ApSimulator simulator(aps);
        const net::RequestMarker m = Marker(0x05);
        EngineInput in(m);
        for (const QByteArray& r : SearchReplies(simulator, m)) in.datagram(r);
        in.startApply();
        in.datagram(SetAnswer(simulator, simulator.aps()[0].record, "admin", "admin"));
        in.datagram(SetAnswer(simulator, simulator.aps()[1].record, "admin", "admin"));
        in.datagram(QByteArray("kplack", 6));
        Write(target, QStringLiteral("apply-ack-and-refusal"), in.bytes());
    }
    {  // short answers and strangers, under a marker whose text is empty
        net::RequestMarker m = Marker(0x30);
        m[0] = 0;
        EngineInput in(m);
        in.datagram(QByteArray("kplerr\0\x02\x54\x45\x00\x00\x01", 13));
        in.datagram(QByteArray("kplsearch", 9));
        in.datagram(QByteArray(net::kOldFirmwareId) + QByteArray(8, '\0'));
        in.datagram(QByteArray("MX9000", 6));
        in.datagram(QByteArray());
        Write(target, QStringLiteral("short-answers"), in.bytes());
    }
}

// ---------------------------------------------------------------- records

void RecordSeeds() {
    const QString target = QStringLiteral("fuzz_record_path");
    const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(8);
    for (std::size_t i = 0; i < aps.size(); ++i) {
        Write(target, QStringLiteral("record-%1").arg(i), aps[i].record.toByteArray());
    }
    // Shift_JIS, with edits as tern-ap-cli takes them.
    QByteArray edited = aps[2].record.toByteArray();
    edited.append('\x01');
    edited.append(Joined({"ap_name=Lobby", "wep_key_format=ascii", "wep_keys.1=abcde",
                          "wep_key_length=128", "wep_keys.2=0123456789abc", "auth_type=WPA-PSK",
                          "wpa_passphrase=correct horse", "channel=6", "op_mode=2",
                          "remote_mac=02-54-45-aa-bb-cc", "super_g=3", "extended_mode=true"}));
    Write(target, QStringLiteral("record-edited"), edited);
}

void BackupSeeds() {
    const QString target = QStringLiteral("fuzz_backup_file");
    const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(6);
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
    Write(target, QStringLiteral("backup-wep"),
          form::BackupFileContent(aps[1].record, text::TextEncoding::Windows1252, when));
    Write(target, QStringLiteral("backup-radius-shift-jis"),
          form::BackupFileContent(aps[5].record, text::TextEncoding::ShiftJis, when));
}

void LanguageSeeds() {
    const QDir language(QStringLiteral(TERN_LANGUAGE_DIR));
    for (const QString& name :
         {QStringLiteral("eng.ini"), QStringLiteral("gem.ini"), QStringLiteral("jap.ini")}) {
        QFile file(language.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "fuzz_seeds: cannot read %s\n", qPrintable(file.fileName()));
            ++g_failures;
            continue;
        }
        Write(QStringLiteral("fuzz_language_file"), name, file.readAll());
    }
}

void CommandLineSeeds() {
    const QString target = QStringLiteral("fuzz_cli_values");
    Write(target, QStringLiteral("scan"), Joined({"--demo=3", "scan", "--json"}));
    Write(target, QStringLiteral("set"),
          Joined({"set", "02-54-45-00-00-01", "--user", "admin", "--password", "admin",
                  "ssid=guest", "ip_address=10.0.0.2", "subnet_mask=255.255.255.0",
                  "wep_keys.1=1A2B3C4D5E", "radius_servers.1.port=1812", "beacon_interval=100"}));
    Write(target, QStringLiteral("restore"),
          Joined({"restore", "backup.json", "--all-fields", "--timeout-ms", "3000", "--quiet"}));
}

void FieldSeeds() {
    const QString target = QStringLiteral("fuzz_net_checks");
    Write(target, QStringLiteral("fixed-address"),
          Joined({"192",
                  "168",
                  "1",
                  "250",
                  "255",
                  "255",
                  "255",
                  "0",
                  "192",
                  "168",
                  "1",
                  "1",
                  "192",
                  "168",
                  "1",
                  "100",
                  "192",
                  "168",
                  "1",
                  "150",
                  "10",
                  "0",
                  "0",
                  "5",
                  "1A2B3C4D5E",
                  "",
                  "",
                  "",
                  "02-54-45-AA-BB-CC",
                  "correct horse",
                  "correct horse",
                  "secret",
                  "1812",
                  "192.168.1.100.",
                  "Lobby",
                  "guest"}));
    Write(target, QStringLiteral("texts"),
          Joined({"010.001.000.255", "00-1a-2B-3c-4D-5e", "99999999999999999999", "", " 7", "256",
                  "0.0.0.0", "1.2.3", "\xE3\x80\x80", "\xEF\xBD\x81"}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    g_root = QDir(QString::fromLocal8Bit(argv[1]));
    EngineSeeds();
    RecordSeeds();
    BackupSeeds();
    LanguageSeeds();
    CommandLineSeeds();
    FieldSeeds();
    return g_failures == 0 ? 0 : 1;
}
