// The logins file: the user and password each AP of a fleet is applied
// with, read whole or not at all.
#include "core/fleet/plan.h"
#include "core/fleet/state_file.h"
#include "core/fleet/yaml_reader.h"
#include "core/record/ap_config_record.h"
#include "core/text/screen_text.h"

namespace tern::fleet {

namespace {

using yaml::Field;
using yaml::Refuse;

// As for state files: aliases must not make a small file into a huge list.
constexpr qsizetype kMaxLogins = 10000;

class LoginsReader {
  public:
    LoginsReader(const QString& path, const SecretSources& secrets) : secrets_(path, secrets) {}

    LoginsFile read(const YAML::Node& top) {
        LoginsFile logins;
        std::optional<LoginEntry> defaults;
        QString listKey;
        for (const Field& f : yaml::Fields(top)) {
            if (f.key == u"version") {
                yaml::CheckVersion(f);
            } else if (f.key == u"defaults") {
                yaml::RefuseEmpty(f);
                defaults = entryOf(f.value, f.line, f.key, false);
            } else if (f.key == u"aps" || f.key == u"logins") {
                // Both would leave which one wins to the order of the keys.
                if (!listKey.isEmpty()) {
                    Refuse(f.line, f.key,
                           QStringLiteral("the logins are under %1 already; give one list")
                               .arg(listKey));
                }
                listKey = f.key;
                yaml::RefuseEmpty(f);
                if (!f.value.IsSequence()) {
                    Refuse(
                        f.line, f.key,
                        QStringLiteral("wants a list of logins, not ") + yaml::NodeKind(f.value));
                }
                for (const YAML::Node& item : f.value) {
                    if (logins.entries.size() >= kMaxLogins) {
                        Refuse(yaml::LineOf(item), f.key,
                               QStringLiteral("holds more than %1 logins").arg(kMaxLogins));
                    }
                    logins.entries.append(entryOf(item, yaml::LineOf(item), f.key, true));
                }
            } else {
                Refuse(f.line, f.key,
                       QStringLiteral("is not a key of a logins file (version, defaults, aps)"));
            }
        }
        if (defaults) logins.entries.prepend(*defaults);
        logins.holdsSecrets = holdsSecrets_;
        return logins;
    }

  private:
    // One login; `listed` for an entry of the list, which names its APs,
    // and not for the defaults, which are for every AP.
    LoginEntry entryOf(const YAML::Node& node, int line, const QString& where, bool listed) {
        if (!node.IsMap()) {
            Refuse(line, where,
                   QStringLiteral("wants a mapping with %1user and password, not ")
                           .arg(listed ? QStringLiteral("match, ") : QString()) +
                       yaml::NodeKind(node));
        }
        LoginEntry entry;
        entry.line = line;
        bool matched = false;
        bool hasUser = false;
        bool hasPassword = false;
        for (const Field& f : yaml::Fields(node)) {
            if (f.key == u"match" && listed) {
                entry.match = yaml::MatchOf(f);
                matched = true;
            } else if (f.key == u"user") {
                if (!f.value.IsScalar()) {
                    Refuse(f.line, f.key,
                           QStringLiteral("wants text, not ") + yaml::NodeKind(f.value));
                }
                entry.user = yaml::ScalarText(f.value);
                hasUser = true;
            } else if (f.key == u"password") {
                entry.password = passwordOf(f);
                hasPassword = true;
            } else {
                Refuse(f.line, f.key,
                       listed ? QStringLiteral("is not a key of a login (match, user, password)")
                              : QStringLiteral("is not a key of the defaults (user, password)"));
            }
        }
        if (listed && !matched) {
            Refuse(line, QStringLiteral("match"),
                   QStringLiteral("is missing; every login names the APs it is for"));
        }
        if (!hasUser) Refuse(line, QStringLiteral("user"), QStringLiteral("is missing"));
        if (!hasPassword) Refuse(line, QStringLiteral("password"), QStringLiteral("is missing"));
        if (const std::optional<QString> problem =
                LoginProblem(entry.user, entry.password, kPlanEncoding)) {
            Refuse(line, where, *problem);
        }
        return entry;
    }

    QString passwordOf(const Field& f) {
        if (f.value.IsScalar()) {
            const QString inlinePassword = yaml::ScalarText(f.value);
            if (!inlinePassword.isEmpty()) holdsSecrets_ = true;
            return inlinePassword;
        }
        if (std::optional<yaml::Value> sourced = secrets_.read(f.value, f.key, f.line)) {
            return sourced->text;
        }
        Refuse(f.line, f.key,
               QStringLiteral("wants text, {file: PATH} or {env: NAME}, not ") +
                   yaml::NodeKind(f.value));
    }

    yaml::SecretReader secrets_;
    bool holdsSecrets_ = false;
};

}  // namespace

std::variant<LoginsFile, FileError> ReadLoginsFile(const QByteArray& content, const QString& path,
                                                   const SecretSources& secrets) {
    return yaml::Guarded<LoginsFile>(path, [&] {
        const YAML::Node top = yaml::TopMapping(content, QStringLiteral("logins file"));
        return LoginsReader(path, secrets).read(top);
    });
}

std::optional<LoginFault> CheckLogin(const QString& user, const QString& password,
                                     text::TextEncoding encoding) {
    for (const bool isPassword : {false, true}) {
        const QString& value = isPassword ? password : user;
        if (const std::optional<qsizetype> at = text::FirstControlCharacter(value)) {
            return LoginFault{LoginFault::Kind::ControlCharacter, isPassword, *at, 0};
        }
        const std::optional<QByteArray> bytes = text::ScreenTextToRecord(value, encoding);
        if (!bytes) return LoginFault{LoginFault::Kind::CodePage, isPassword, 0, 0};
        if (bytes->size() > record::ApConfigRecord::kLoginTextMax) {
            return LoginFault{LoginFault::Kind::TooLong, isPassword, 0, bytes->size()};
        }
    }
    return std::nullopt;
}

std::optional<QString> LoginProblem(const QString& user, const QString& password,
                                    text::TextEncoding encoding) {
    const std::optional<LoginFault> fault = CheckLogin(user, password, encoding);
    if (!fault) return std::nullopt;
    const QString what =
        fault->password ? QStringLiteral("the password") : QStringLiteral("the user");
    switch (fault->kind) {
        case LoginFault::Kind::ControlCharacter:
            return what + QStringLiteral(" holds a control character at position %1")
                              .arg(fault->position + 1);
        case LoginFault::Kind::CodePage:
            return what + QStringLiteral(" holds a character the AP's code page cannot hold");
        case LoginFault::Kind::TooLong:
            return what + QStringLiteral(" is %1 bytes; an AP's login holds at most %2")
                              .arg(fault->bytes)
                              .arg(record::ApConfigRecord::kLoginTextMax);
    }
    return std::nullopt;  // not reached
}

}  // namespace tern::fleet
