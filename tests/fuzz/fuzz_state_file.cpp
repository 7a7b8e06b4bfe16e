// The state-file and logins-file readers of plan and apply, given any
// bytes: a file is taken whole or refused with its line, never half; what
// is taken names only settings `set` takes, each once per entry, and the
// settings one AP gets name each setting once.
#include <QSet>
#include <cstdint>

#include "core/fleet/state_file.h"
#include "core/form/form_model.h"
#include "tests/fuzz/fuzz_support.h"

using namespace tern;
using fuzz::Check;

namespace {

const QString kPath = QStringLiteral("/fuzz/state.yaml");

// Every secret file reads as one short line; no variable is set.
fleet::SecretSources FixedSecrets() {
    fleet::SecretSources s;
    s.readFile = [](const QString&) -> std::optional<QByteArray> {
        return QByteArray("fuzz-secret\n");
    };
    s.environment = [](const QString&) -> std::optional<QString> { return std::nullopt; };
    return s;
}

void CheckRefusal(const fleet::FileError& error) {
    Check(error.path == kPath, "an error that does not name the file");
    Check(error.line >= 0, "an error with a negative line");
    Check(!error.message.isEmpty(), "an error without a message");
    Check(error.text().startsWith(kPath), "an error text that does not start with the file");
}

// Whether an AP name or MAC taken from the input is matched by the entries
// must be answerable for every entry, whatever its pattern.
QStringList ProbeNames(const QByteArray& input) {
    QStringList names = {QString(), QStringLiteral("Lab-1"), QStringLiteral("Floor 2/East")};
    const qsizetype end = input.indexOf('\n');
    names << QString::fromUtf8(input.left(end < 0 ? qsizetype(64) : qMin(end, qsizetype(64))));
    return names;
}

void CheckState(const fleet::DesiredState& state, const QStringList& probes) {
    static const QStringList settableList = form::SettableNames();
    static const QSet<QString> settable(settableList.cbegin(), settableList.cend());
    bool secretInline = false;
    for (qsizetype i = 0; i < state.entries.size(); ++i) {
        const fleet::StateEntry& entry = state.entries[i];
        Check(entry.match.kind != fleet::ApMatch::Kind::All || i == 0,
              "an entry for every AP that is not the first");
        Check(entry.line >= 0, "an entry with a negative line");
        QSet<QString> names;
        for (const fleet::DesiredSetting& s : entry.settings) {
            Check(settable.contains(s.name), "a setting `set` does not take");
            Check(!names.contains(s.name), "a setting twice in one entry");
            names.insert(s.name);
            Check(s.line >= 1, "a setting without its line");
            Check(!fleet::IsSecretSetting(s.name) || s.secret, "a secret setting not marked");
            secretInline = secretInline || (fleet::IsSecretSetting(s.name) && !s.value.isEmpty() &&
                                            s.value != u"fuzz-secret");
        }
    }
    // Only secrets written in the file count; ours all read "fuzz-secret".
    if (secretInline) Check(state.holdsSecrets, "a secret written in the file not noticed");
    for (const QString& name : probes) {
        for (const QString& mac : {QStringLiteral("02-54-45-00-00-01"), name}) {
            QList<int> matched;
            const QList<fleet::DesiredSetting> settings =
                fleet::SettingsFor(state, mac, name, &matched);
            QSet<QString> seen;
            for (const fleet::DesiredSetting& s : settings) {
                Check(!seen.contains(s.name), "a setting twice for one AP");
                seen.insert(s.name);
            }
            Check(matched.size() <= state.entries.size(), "more entries matched than there are");
        }
    }
}

void CheckLogins(const fleet::LoginsFile& logins, const QStringList& probes) {
    for (qsizetype i = 0; i < logins.entries.size(); ++i) {
        Check(logins.entries[i].match.kind != fleet::ApMatch::Kind::All || i == 0,
              "a login for every AP that is not the first");
    }
    for (const QString& name : probes) {
        const std::optional<fleet::LoginEntry> login =
            fleet::LoginFor(logins, QStringLiteral("02-54-45-00-00-01"), name);
        Check(!logins.entries.isEmpty() || !login, "a login from an empty file");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::Bytes(data, size);
    static const fleet::SecretSources secrets = FixedSecrets();
    const QStringList probes = ProbeNames(input);

    const auto state = fleet::ReadStateFile(input, kPath, secrets);
    if (const auto* error = std::get_if<fleet::FileError>(&state)) {
        CheckRefusal(*error);
    } else {
        CheckState(std::get<fleet::DesiredState>(state), probes);
    }

    const auto logins = fleet::ReadLoginsFile(input, kPath, secrets);
    if (const auto* error = std::get_if<fleet::FileError>(&logins)) {
        CheckRefusal(*error);
    } else {
        CheckLogins(std::get<fleet::LoginsFile>(logins), probes);
    }

    // The first line as a match typed on the command line.
    const fleet::ApMatch match = fleet::ParseApMatch(probes.last());
    for (const QString& name : probes) (void)match.matches(name, name);
    return 0;
}
