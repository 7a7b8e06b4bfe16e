// The desired-state file: which settings the APs of a fleet should hold,
// read whole or not at all, and the settings one AP gets from it.
#include "core/fleet/state_file.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include "core/fleet/yaml_reader.h"
#include "core/form/form_model.h"
#include "core/text/screen_text.h"

namespace tern::fleet {

namespace {

using yaml::Field;
using yaml::Refuse;

// The deepest a setting sits under `settings` is three levels
// (radius_servers, 1, ip); this bounds the walk over anything else, and
// over a YAML alias that refers to itself.
constexpr int kMaxDepth = 8;

// Aliases let a small file name the same entry many times over; these keep
// what such a file makes to a size a fleet never comes near.
constexpr qsizetype kMaxEntries = 10000;
constexpr qsizetype kMaxSettings = 100000;

// A secret file is one line; this is plenty and never reads /dev/zero to
// the end.
constexpr qint64 kMaxSecretFileBytes = 64 * 1024;

// What `show --json` prints as "***" in place of a secret.
const QString kMaskedSecret = QStringLiteral("***");

enum class ValueKind { Boolean, WholeNumber, NumberOrName, Text };

bool IsDigits(QStringView text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

// "radius_servers.1.port" as "radius_servers.N.port", for the tables below.
QString Generic(const QString& name) {
    QStringList parts = name.split(u'.');
    for (QString& part : parts) {
        if (IsDigits(part)) part = QStringLiteral("N");
    }
    return parts.join(u'.');
}

ValueKind KindOf(const QString& name) {
    static const QHash<QString, ValueKind> kinds = [] {
        QHash<QString, ValueKind> k;
        for (const char* n : {"dhcp_server.enabled", "encryption", "dot1x", "ssid_broadcast",
                              "g_only", "extended_mode"}) {
            k.insert(QString::fromLatin1(n), ValueKind::Boolean);
        }
        for (const char* n :
             {"channel", "beacon_interval", "rts_threshold", "frag_threshold", "dtim_period",
              "dhcp_server.end_last_octet", "dot1x_key_length", "dot1x_key_lifetime",
              "radius_servers.N.port", "wep_key_length", "wep_default_key", "tx_rate", "wds"}) {
            k.insert(QString::fromLatin1(n), ValueKind::WholeNumber);
        }
        for (const char* n : {"op_mode", "auth_type", "tx_power", "ip_mode", "super_g"}) {
            k.insert(QString::fromLatin1(n), ValueKind::NumberOrName);
        }
        return k;
    }();
    return kinds.value(Generic(name), ValueKind::Text);
}

bool Fits(ValueKind kind, const QString& value) {
    switch (kind) {
        case ValueKind::Boolean: {
            static const QSet<QString> words = {QStringLiteral("true"), QStringLiteral("false"),
                                                QStringLiteral("yes"),  QStringLiteral("no"),
                                                QStringLiteral("on"),   QStringLiteral("off"),
                                                QStringLiteral("1"),    QStringLiteral("0")};
            return words.contains(value.toLower());
        }
        case ValueKind::WholeNumber:
            return IsDigits(value);
        case ValueKind::NumberOrName:
            return !value.trimmed().isEmpty();
        case ValueKind::Text:
            return true;
    }
    return false;  // not reached
}

QString Wants(ValueKind kind) {
    switch (kind) {
        case ValueKind::Boolean:
            return QStringLiteral("wants true or false (yes/no, on/off, 1/0)");
        case ValueKind::WholeNumber:
            return QStringLiteral("wants a whole number");
        case ValueKind::NumberOrName:
            return QStringLiteral("wants a number or a name");
        case ValueKind::Text:
            return QStringLiteral("wants text");
    }
    return {};  // not reached
}

// The names `set` takes, and the groups they sit in ("dhcp_server",
// "radius_servers", "radius_servers.1").
struct Names {
    QSet<QString> settable;
    QSet<QString> groups;
};

const Names& KnownNames() {
    static const Names names = [] {
        Names n;
        for (const QString& name : form::SettableNames()) {
            n.settable.insert(name);
            for (qsizetype dot = name.indexOf(u'.'); dot >= 0; dot = name.indexOf(u'.', dot + 1)) {
                n.groups.insert(name.left(dot));
            }
        }
        return n;
    }();
    return names;
}

// What `show --json` prints but no apply can change.
bool IsShownOnly(const QString& name) {
    static const QSet<QString> shownOnly = {
        QStringLiteral("mac"), QStringLiteral("reg_domain"), QStringLiteral("current_ip"),
        QStringLiteral("dhcp_server.pool_size"), QStringLiteral("interface")};
    return shownOnly.contains(name);
}

// The code of a value written as `show --json` prints a list entry,
// {text: WPA-PSK, code: 3}; nothing when `node` is not such a mapping.
// super_g's code is the record's turbo byte, not the list's position that
// `set` takes: its text is taken instead.
std::optional<QString> CodeOf(const YAML::Node& node, const QString& name,
                              QString* textBeside = nullptr) {
    std::optional<QString> code;
    std::optional<QString> text;
    for (const Field& f : yaml::Fields(node, name)) {
        if (f.key == u"code" && f.value.IsScalar()) {
            code = yaml::ScalarText(f.value);
        } else if (f.key == u"text" && f.value.IsScalar()) {
            text = yaml::ScalarText(f.value);
        } else {
            return std::nullopt;
        }
    }
    if (name == u"super_g" && text && !text->isEmpty()) return text;
    if (code && text && textBeside) *textBeside = *text;
    return code;
}

class StateReader {
  public:
    StateReader(const QString& path, const SecretSources& secrets) : secrets_(path, secrets) {}

    DesiredState read(const YAML::Node& top) {
        DesiredState state;
        std::optional<StateEntry> defaults;
        bool versioned = false;
        for (const Field& f : yaml::Fields(top)) {
            if (f.key == u"version") {
                yaml::CheckVersion(f);
                versioned = true;
            } else if (f.key == u"defaults") {
                defaults = StateEntry{ApMatch{}, settingsOf(f), f.line};
            } else if (f.key == u"aps") {
                yaml::RefuseEmpty(f);
                if (!f.value.IsSequence()) {
                    Refuse(
                        f.line, f.key,
                        QStringLiteral("wants a list of entries, not ") + yaml::NodeKind(f.value));
                }
                for (const YAML::Node& item : f.value) {
                    if (state.entries.size() >= kMaxEntries) {
                        Refuse(yaml::LineOf(item), f.key,
                               QStringLiteral("holds more than %1 entries").arg(kMaxEntries));
                    }
                    state.entries.append(entryOf(item));
                }
            } else {
                Refuse(f.line, f.key,
                       QStringLiteral("is not a key of a state file (version, defaults, aps)"));
            }
        }
        if (!versioned) {
            Refuse(0, QStringLiteral("version"),
                   QStringLiteral("is missing; a state file starts with version: 1"));
        }
        if (defaults) state.entries.prepend(*defaults);
        state.holdsSecrets = holdsSecrets_;
        return state;
    }

  private:
    // The settings of one entry as they are being read: each name once.
    struct Entry {
        QList<DesiredSetting> settings;
        QHash<QString, int> lineOf;
    };

    StateEntry entryOf(const YAML::Node& item) {
        const int line = yaml::LineOf(item);
        if (!item.IsMap()) {
            Refuse(line, QStringLiteral("aps"),
                   QStringLiteral("an entry wants a mapping with match and settings, not ") +
                       yaml::NodeKind(item));
        }
        StateEntry entry;
        entry.line = line;
        bool matched = false;
        for (const Field& f : yaml::Fields(item)) {
            if (f.key == u"match") {
                entry.match = yaml::MatchOf(f);
                matched = true;
            } else if (f.key == u"settings") {
                entry.settings = settingsOf(f);
            } else {
                Refuse(f.line, f.key, QStringLiteral("is not a key of an entry (match, settings)"));
            }
        }
        if (!matched) {
            Refuse(line, QStringLiteral("match"),
                   QStringLiteral("is missing; every entry of aps names the APs it is for"));
        }
        return entry;
    }

    QList<DesiredSetting> settingsOf(const Field& f) {
        yaml::RefuseEmpty(f);
        if (!f.value.IsMap()) {
            Refuse(f.line, f.key,
                   QStringLiteral("wants a mapping of settings, not ") + yaml::NodeKind(f.value));
        }
        Entry entry;
        group(f.value, {}, 0, entry);
        return entry.settings;
    }

    // The settings under a mapping or a list; list positions count from 1.
    void group(const YAML::Node& node, const QString& prefix, int depth, Entry& entry) {
        const auto nameOf = [&prefix](const QString& key) {
            return prefix.isEmpty() ? key : prefix + u'.' + key;
        };
        if (node.IsMap()) {
            for (const Field& f : yaml::Fields(node, prefix)) {
                place(f.value, nameOf(f.key), f.line, depth + 1, entry);
            }
            return;
        }
        int position = 0;
        for (const YAML::Node& item : node) {
            place(item, nameOf(QString::number(++position)), yaml::LineOf(item), depth + 1, entry);
        }
    }

    void place(const YAML::Node& node, const QString& name, int line, int depth, Entry& entry) {
        if (depth > kMaxDepth) Refuse(line, name, QStringLiteral("is nested too deeply"));
        const Names& names = KnownNames();
        if (names.settable.contains(name)) {
            setting(node, name, line, entry);
        } else if (IsShownOnly(name)) {
            Refuse(line, name, QStringLiteral("is shown by show --json but cannot be set"));
        } else if (!names.groups.contains(name)) {
            const QString near = form::NearestSetting(name);
            Refuse(line, name,
                   near.isEmpty()
                       ? QStringLiteral("is not a setting")
                       : QStringLiteral("is not a setting; did you mean ") + near + u'?');
        } else if (node.IsMap() || node.IsSequence()) {
            group(node, name, depth, entry);
        } else {
            Refuse(line, name,
                   QStringLiteral("is a group of settings and wants a mapping or a list, not ") +
                       yaml::NodeKind(node));
        }
    }

    void setting(const YAML::Node& node, const QString& name, int line, Entry& entry) {
        const ValueKind kind = KindOf(name);
        const bool secretName = IsSecretSetting(name);
        yaml::Value value;
        QString codedText;
        if (node.IsScalar()) {
            value.text = yaml::ScalarText(node);
        } else if (node.IsMap()) {
            if (std::optional<yaml::Value> sourced = secrets_.read(node, name, line)) {
                value = *sourced;
            } else if (std::optional<QString> code = CodeOf(node, name, &codedText);
                       code && kind != ValueKind::Text) {
                value.text = *code;
            } else {
                Refuse(line, name, Wants(kind) + QStringLiteral(", not a mapping"));
            }
        } else if (node.IsSequence()) {
            Refuse(line, name, Wants(kind) + QStringLiteral(", not a list"));
        } else {
            Refuse(line, name,
                   kind == ValueKind::Text ? QStringLiteral("has no value; write '' for none")
                                           : QStringLiteral("has no value"));
        }
        if (const std::optional<qsizetype> at = text::FirstControlCharacter(value.text)) {
            // Said where it is, never what it is: it may be a secret.
            Refuse(line, name, form::ControlCharacterWords(value.text[*at], *at));
        }
        if (!Fits(kind, value.text)) {
            // A secret's value never goes into a message, nor does one read
            // from a file or the environment.
            const bool quote = !secretName && !value.sourced;
            Refuse(line, name,
                   Wants(kind) +
                       (quote ? QStringLiteral(", not ") + yaml::Quoted(value.text) : QString()));
        }
        if (secretName && !value.sourced && value.text == kMaskedSecret) {
            Refuse(line, name,
                   QStringLiteral("is '***', what show --json prints in place of a secret; "
                                  "write the secret, or {file: PATH} or {env: NAME}"));
        }
        if (const auto first = entry.lineOf.constFind(name); first != entry.lineOf.cend()) {
            Refuse(line, name,
                   QStringLiteral("is set twice in this entry (first at line %1)").arg(*first));
        }
        if (++settingCount_ > kMaxSettings) {
            Refuse(line, name,
                   QStringLiteral("the file sets more than %1 settings").arg(kMaxSettings));
        }
        entry.lineOf.insert(name, line);
        entry.settings.append(
            DesiredSetting{name, value.text, secretName || value.sourced, line, codedText});
        if (secretName && !value.sourced && !value.text.isEmpty()) holdsSecrets_ = true;
    }

    yaml::SecretReader secrets_;
    qsizetype settingCount_ = 0;
    bool holdsSecrets_ = false;
};

}  // namespace

// `path` quoted for a shell when it holds anything but the usual characters.
QString ShellWord(const QString& path) {
    bool plain = !path.isEmpty();
    for (const QChar c : path) {
        plain = plain && (c.isLetterOrNumber() || QStringView(u"/._-+,:@%").contains(c));
    }
    if (plain) return path;
    QString quoted = path;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

bool IsSecretSetting(const QString& name) {
    if (name == u"wpa_passphrase") return true;
    const QStringList parts = name.split(u'.');
    if (parts.size() == 2) return parts[0] == u"wep_keys" && IsDigits(parts[1]);
    return parts.size() == 3 && parts[0] == u"radius_servers" && IsDigits(parts[1]) &&
           parts[2] == u"shared_secret";
}

QString FileError::text() const {
    QString out = path;
    if (line > 0) out += u':' + QString::number(line);
    out += QStringLiteral(": ");
    if (!key.isEmpty()) out += text::VisibleText(key) + QStringLiteral(": ");
    return out + message;
}

SecretSources SecretSources::System() {
    SecretSources sources;
    sources.readFile = [](const QString& path) -> std::optional<QByteArray> {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        QByteArray bytes = file.read(kMaxSecretFileBytes);
        if (file.error() != QFileDevice::NoError) return std::nullopt;
        return bytes;
    };
    sources.environment = [](const QString& name) -> std::optional<QString> {
        const QByteArray key = name.toLocal8Bit();
        if (key.isEmpty() || key.contains('=') || !qEnvironmentVariableIsSet(key.constData())) {
            return std::nullopt;
        }
        return qEnvironmentVariable(key.constData());
    };
    return sources;
}

std::variant<DesiredState, FileError> ReadStateFile(const QByteArray& content, const QString& path,
                                                    const SecretSources& secrets) {
    return yaml::Guarded<DesiredState>(path, [&] {
        const YAML::Node top = yaml::TopMapping(content, QStringLiteral("state file"));
        return StateReader(path, secrets).read(top);
    });
}

QList<DesiredSetting> SettingsFor(const DesiredState& state, const QString& macText,
                                  const QString& name, QList<int>* matchedEntries) {
    return SettingsFor(state, MatchIndexOf(state), macText, name, matchedEntries);
}

MatchIndex MatchIndexOf(const DesiredState& state) {
    QList<ApMatch> matches;
    matches.reserve(state.entries.size());
    for (const StateEntry& e : state.entries) matches.append(e.match);
    return MatchIndex(matches);
}

QList<DesiredSetting> SettingsFor(const DesiredState& state, const MatchIndex& index,
                                  const QString& macText, const QString& name,
                                  QList<int>* matchedEntries) {
    if (matchedEntries) matchedEntries->clear();
    QList<DesiredSetting> settings;
    QHash<QString, qsizetype> at;
    for (const int i : index.matching(macText, name)) {
        if (matchedEntries) matchedEntries->append(i);
        for (const DesiredSetting& s : state.entries[i].settings) {
            // The value of the last entry, in the place the name first had.
            if (const auto it = at.constFind(s.name); it != at.cend()) {
                settings[*it] = s;
            } else {
                at.insert(s.name, settings.size());
                settings.append(s);
            }
        }
    }
    return settings;
}

std::optional<LoginEntry> LoginFor(const LoginsFile& logins, const QString& macText,
                                   const QString& name) {
    for (auto it = logins.entries.crbegin(); it != logins.entries.crend(); ++it) {
        if (it->match.matches(macText, name)) return *it;
    }
    return std::nullopt;
}

std::optional<QString> SecretFileWarning(const QString& path, unsigned mode, bool holdsSecrets) {
    constexpr unsigned kGroupOrOtherRead = 0044;
    if (!holdsSecrets || (mode & kGroupOrOtherRead) == 0) return std::nullopt;
    const QString octal = QString::number(mode & 07777, 8).rightJustified(4, u'0');
    return QStringLiteral(
               "warning: %1 holds secrets and others can read it (mode %2); "
               "chmod 600 %3")
        .arg(path, octal, ShellWord(path));
}

}  // namespace tern::fleet
