// What the state-file and logins-file readers share: the document with its
// limits, mappings read key by key, secrets from files and the environment,
// and the one place where every exception of a read becomes a FileError.
// Internal to the core: only the readers include it.
#pragma once

#include <yaml-cpp/depthguard.h>
#include <yaml-cpp/yaml.h>

#include <QString>
#include <exception>
#include <optional>
#include <variant>
#include <vector>

#include "core/fleet/state_file.h"

namespace tern::fleet::yaml {

// Why a file is not taken. Thrown by the readers only and caught in
// Guarded: the first fault of a file ends its read.
struct Refusal {
    int line = 0;
    QString key;
    QString message;
};

[[noreturn]] void Refuse(int line, const QString& key, const QString& message);

// The line of a node from 1; 0 when yaml-cpp has none.
int LineOf(const YAML::Node& node);

// A scalar's text, read as UTF-8.
QString ScalarText(const YAML::Node& node);

// What a node is, for messages: "a mapping", "a list", "text", "nothing".
QString NodeKind(const YAML::Node& node);

// A value quoted in a message: at most `limit` characters (all when
// negative) and then its length, its control characters shown as \xHH.
QString Quoted(const QString& value, qsizetype limit = 40);

// The one document of a file as a mapping. Refuses a file over 1 MiB, an
// empty one, a second document and a top level that is not a mapping.
YAML::Node TopMapping(const QByteArray& content, const QString& what);

// One key of a mapping with its value, in file order.
struct Field {
    QString key;
    int line = 0;  // the key's
    YAML::Node value;
};

// A mapping's keys in file order. Refuses a key that is not a name and a key
// given twice; `prefix` (a setting group, "dhcp_server") goes before the key
// in the message.
std::vector<Field> Fields(const YAML::Node& mapping, const QString& prefix = {});

// A key written without a value ("defaults:" and nothing under it).
void RefuseEmpty(const Field& field);

// `version`: 1 is the only one there is.
void CheckVersion(const Field& field);

// `match`: a MAC, a name or a pattern, never empty.
ApMatch MatchOf(const Field& field);

// A value as the file gives it; `sourced` when it came from {file:} or {env:}.
struct Value {
    QString text;
    bool sourced = false;
};

// Reads {file: PATH} (its first line) and {env: NAME}.
class SecretReader {
  public:
    SecretReader(const QString& statePath, const SecretSources& sources);
    // The value `node` names when it is a mapping with `file` or `env`;
    // nothing when it has neither key. Refuses a source it cannot read,
    // naming `key` at `line`.
    std::optional<Value> read(const YAML::Node& node, const QString& key, int line) const;

  private:
    QString folder_;
    const SecretSources& sources_;
};

// Runs a read, turning whatever it throws into the file's error; nothing
// escapes, whatever the bytes.
template <typename Result, typename Read>
std::variant<Result, FileError> Guarded(const QString& path, Read&& read) {
    try {
        return read();
    } catch (const Refusal& refusal) {
        return FileError{path, refusal.line, refusal.key, refusal.message};
    } catch (const YAML::DeepRecursion& e) {
        // yaml-cpp stops there rather than run out of stack; its own
        // message says only "bad file".
        return FileError{path,
                         e.mark.line >= 0 ? e.mark.line + 1 : 0,
                         {},
                         QStringLiteral("is nested too deeply to read")};
    } catch (const YAML::Exception& e) {
        const QString message =
            e.msg.empty() ? QStringLiteral("is not valid YAML")
                          : QStringLiteral("is not valid YAML: ") + QString::fromStdString(e.msg);
        return FileError{path, e.mark.line >= 0 ? e.mark.line + 1 : 0, {}, message};
    } catch (const std::exception& e) {
        return FileError{
            path, 0, {}, QStringLiteral("could not be read: ") + QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return FileError{path, 0, {}, QStringLiteral("could not be read")};
    }
}

}  // namespace tern::fleet::yaml
