#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

#include "core/text/screen_text.h"

namespace tern::fleet {

// Which APs an entry of a state or logins file is for.
struct ApMatch {
    enum class Kind {
        All,   // the defaults: every AP that answers
        Mac,   // one AP by its MAC address
        Name,  // every AP of exactly this name
        Glob,  // every AP whose name matches the pattern (* ? [...])
    };
    Kind kind = Kind::All;
    QString text;  // as written in the file ("Lab-*", "02-54-45-00-00-01")
    QString mac;   // Kind::Mac: the canonical MAC text ("02-54-45-00-00-01")

    // Whether the AP with this MAC text and name is matched.
    bool matches(const QString& macText, const QString& name) const;
};

// Many matches looked up at once: MACs and exact names by hash, the
// defaults and the patterns (compiled once) tried in order. Finding the
// entries of n APs among m entries costs n + m, not n * m, as long as few
// of them are patterns.
class MatchIndex {
  public:
    MatchIndex() = default;
    explicit MatchIndex(const QList<ApMatch>& matches);
    // The indexes of the matches that fit the AP, ascending.
    QList<int> matching(const QString& macText, const QString& name) const;

  private:
    struct Tried {
        int index = 0;
        bool all = false;
        QRegularExpression pattern;  // invalid: matches nothing
    };
    QHash<QString, QList<int>> byMac_;
    QHash<QString, QList<int>> byName_;
    std::vector<Tried> tried_;
};

// Reads a match as a file or the command line gives it: a MAC address (any
// case, '-' or ':' between the pairs), a pattern when it holds * ? or [, an
// exact AP name otherwise.
ApMatch ParseApMatch(const QString& text);

// One setting of a state file, under the name `set` takes (dotted).
struct DesiredSetting {
    QString name;         // "radius_servers.1.shared_secret"
    QString value;        // as `set NAME=VALUE` would take it
    bool secret = false;  // read from a file or the environment, or a secret setting
    int line = 0;         // where in the file (from 1)
    // The text given beside a code ({code: 3, text: WPA-PSK}): the plan
    // refuses the pair when the code means another text.
    QString codedText{};
};

// One entry: which APs, and what they should hold.
struct StateEntry {
    ApMatch match;
    QList<DesiredSetting> settings;
    int line = 0;
};

// A desired-state file: the defaults first (match All), then the entries
// of `aps` in file order. Later entries override earlier ones for the same
// setting.
struct DesiredState {
    int version = 1;
    QList<StateEntry> entries;
    // A secret setting is written in the file itself (not {file:} or {env:}).
    bool holdsSecrets = false;
};

// One login of a logins file, for the APs it matches.
struct LoginEntry {
    ApMatch match;
    QString user;
    QString password;
    int line = 0;
};

struct LoginsFile {
    QList<LoginEntry> entries;
    bool holdsSecrets = false;  // a password written in the file itself
};

// Why a login cannot go into an AP's record as it is, in words naming the
// part at fault and never its value ("the password is 20 bytes; an AP's
// login holds at most 15"), or nothing when it can: a control character,
// a character the code page cannot hold and a login longer than the record
// holds are refused, never cut (a cut password logs in with what is left).
std::optional<QString> LoginProblem(const QString& user, const QString& password,
                                    text::TextEncoding encoding);
// The same, for a caller with words of its own (the window's language file).
struct LoginFault {
    enum class Kind { ControlCharacter, CodePage, TooLong };
    Kind kind;
    bool password;       // the password at fault, else the user
    qsizetype position;  // ControlCharacter: where, from 0
    qsizetype bytes;     // TooLong: how many
};
std::optional<LoginFault> CheckLogin(const QString& user, const QString& password,
                                     text::TextEncoding encoding);

// Keys, pass phrases and RADIUS secrets: masked in plans and output.
bool IsSecretSetting(const QString& name);

// Why a file was not taken: the file, the line (0 when not known) and the
// key, in words an administrator can act on.
struct FileError {
    QString path;
    int line = 0;
    QString key;      // the setting or field at fault; may be empty
    QString message;  // "wants true or false, not a list"
    // "state.yaml:12: channel: wants a whole number, not 'six'"
    QString text() const;
};

// Where secrets of the form {file: PATH} and {env: NAME} come from; tests
// give their own. A file path is taken as written, relative paths from the
// state file's folder.
struct SecretSources {
    std::function<std::optional<QByteArray>(const QString& path)> readFile;
    std::function<std::optional<QString>(const QString& name)> environment;
    // The sources of this process: the file system and its environment.
    static SecretSources System();
};

// The desired state in `content` (YAML or JSON), read from `path` (used in
// messages and to resolve relative secret files). Every setting name is one
// `set` takes, every value of the kind that setting wants; nothing of the
// file is taken when any of it is wrong.
std::variant<DesiredState, FileError> ReadStateFile(const QByteArray& content, const QString& path,
                                                    const SecretSources& secrets);

// A logins file: `aps` (or `logins`) entries with `match`, `user` and
// `password` (text, {file: PATH} or {env: NAME}); `defaults` with `user`
// and `password` apply to every AP.
std::variant<LoginsFile, FileError> ReadLoginsFile(const QByteArray& content, const QString& path,
                                                   const SecretSources& secrets);

// The settings of `state` for one AP, in order, each name once: later
// entries override earlier ones. `matchedEntries` gets the index of every
// entry that matched.
QList<DesiredSetting> SettingsFor(const DesiredState& state, const QString& macText,
                                  const QString& name, QList<int>* matchedEntries = nullptr);
// The same through an index of the state's entries (MatchIndexOf(state)),
// for many APs.
QList<DesiredSetting> SettingsFor(const DesiredState& state, const MatchIndex& index,
                                  const QString& macText, const QString& name,
                                  QList<int>* matchedEntries = nullptr);
MatchIndex MatchIndexOf(const DesiredState& state);

// The login of the last entry that matches the AP; nothing when none does.
std::optional<LoginEntry> LoginFor(const LoginsFile& logins, const QString& macText,
                                   const QString& name);

// Whether a file others may read holds secrets: a warning naming the file,
// else nothing. `mode` as stat() gives it.
std::optional<QString> SecretFileWarning(const QString& path, unsigned mode, bool holdsSecrets);

// `word` as one word of a POSIX shell: as it is when it holds only the usual
// characters of a path, else in single quotes.
QString ShellWord(const QString& word);

}  // namespace tern::fleet
