#include "core/fleet/yaml_reader.h"

#include <yaml-cpp/eventhandler.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <sstream>
#include <string>

#include "core/text/screen_text.h"

namespace tern::fleet::yaml {

namespace {

// Big enough for any fleet's file by far; anything larger is not one, and
// is refused before the parser spends memory on it.
constexpr qsizetype kMaxFileBytes = 1024 * 1024;

// yaml-cpp 0.7 never finishes some malformed files: after a list or
// mapping at the top, a ',' ("[a]," or a JSON file with a comma after its
// last brace) sends it round a loop that makes nodes until memory runs out.
// A first pass over its events, a few per byte at most for any real file,
// stops there before a node is built.
class EventBudget final : public YAML::EventHandler {
  public:
    explicit EventBudget(std::size_t bytes) : left_(4 * bytes + 64) {}

    void OnDocumentStart(const YAML::Mark& mark) override { spend(mark); }
    void OnDocumentEnd() override { spend(); }
    void OnNull(const YAML::Mark& mark, YAML::anchor_t) override { spend(mark); }
    void OnAlias(const YAML::Mark& mark, YAML::anchor_t) override { spend(mark); }
    void OnScalar(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                  const std::string&) override {
        spend(mark);
    }
    void OnSequenceStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                         YAML::EmitterStyle::value) override {
        spend(mark);
    }
    void OnSequenceEnd() override { spend(); }
    void OnMapStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                    YAML::EmitterStyle::value) override {
        spend(mark);
    }
    void OnMapEnd() override { spend(); }

  private:
    void spend(const YAML::Mark& mark) {
        if (mark.line >= 0) line_ = mark.line + 1;
        spend();
    }
    void spend() {
        if (left_-- == 0) {
            Refuse(line_, {},
                   QStringLiteral("is not valid YAML: the parser goes round in circles here "
                                  "(a ',' after the closing bracket?)"));
        }
    }

    std::size_t left_;
    int line_ = 0;
};

void CheckParserEnds(const std::string& text) {
    std::istringstream stream(text);
    YAML::Parser parser(stream);
    EventBudget budget(text.size());
    while (parser.HandleNextDocument(budget)) {
    }
}

QString FirstLine(const QByteArray& bytes) {
    qsizetype end = bytes.indexOf('\n');
    if (end < 0) end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\r') --end;
    return QString::fromUtf8(bytes.left(end));
}

}  // namespace

void Refuse(int line, const QString& key, const QString& message) {
    throw Refusal{line, key, message};
}

int LineOf(const YAML::Node& node) {
    const YAML::Mark mark = node.Mark();
    return mark.line >= 0 ? mark.line + 1 : 0;
}

QString ScalarText(const YAML::Node& node) { return QString::fromStdString(node.Scalar()); }

QString NodeKind(const YAML::Node& node) {
    if (node.IsMap()) return QStringLiteral("a mapping");
    if (node.IsSequence()) return QStringLiteral("a list");
    if (node.IsScalar()) return QStringLiteral("text");
    return QStringLiteral("nothing");
}

QString Quoted(const QString& value, qsizetype limit) {
    return u'\'' + text::Abbreviated(value, limit) + u'\'';
}

YAML::Node TopMapping(const QByteArray& content, const QString& what) {
    if (content.size() > kMaxFileBytes) {
        Refuse(0, {}, QStringLiteral("is larger than 1 MiB; no %1 is that big").arg(what));
    }
    const std::string text(content.constData(), static_cast<std::size_t>(content.size()));
    CheckParserEnds(text);
    const std::vector<YAML::Node> documents = YAML::LoadAll(text);
    // A second document would be ignored silently by a reader that takes the
    // first; an empty one after it ("---" at the end) loses nothing.
    for (std::size_t i = 1; i < documents.size(); ++i) {
        if (!documents[i].IsNull()) {
            Refuse(LineOf(documents[i]), {},
                   QStringLiteral("holds a second YAML document; a %1 is one").arg(what));
        }
    }
    if (documents.empty() || documents.front().IsNull()) {
        Refuse(0, {}, QStringLiteral("is empty; a %1 starts with version: 1").arg(what));
    }
    const YAML::Node& top = documents.front();
    if (!top.IsMap()) {
        Refuse(LineOf(top), {},
               QStringLiteral("wants a mapping at the top (version, defaults, aps), not ") +
                   NodeKind(top));
    }
    return top;
}

std::vector<Field> Fields(const YAML::Node& mapping, const QString& prefix) {
    std::vector<Field> fields;
    QHash<QString, int> firstLine;
    for (auto it = mapping.begin(); it != mapping.end(); ++it) {
        const YAML::Node key = it->first;
        const int line = LineOf(key);
        if (!key.IsScalar()) {
            Refuse(line, prefix, QStringLiteral("a key must be a name, not ") + NodeKind(key));
        }
        const QString name = ScalarText(key);
        const QString shown = prefix.isEmpty() ? name : prefix + u'.' + name;
        if (const auto seen = firstLine.constFind(name); seen != firstLine.cend()) {
            Refuse(line, shown,
                   QStringLiteral("is given twice in one mapping (first at line %1)").arg(*seen));
        }
        firstLine.insert(name, line);
        fields.push_back(Field{name, line, it->second});
    }
    return fields;
}

void RefuseEmpty(const Field& field) {
    if (field.value.IsNull()) Refuse(field.line, field.key, QStringLiteral("has no value"));
}

void CheckVersion(const Field& field) {
    const YAML::Node& v = field.value;
    if (!v.IsScalar() || ScalarText(v) != u"1") {
        Refuse(field.line, field.key,
               QStringLiteral("this program reads version 1, not ") +
                   (v.IsScalar() ? Quoted(ScalarText(v)) : NodeKind(v)));
    }
}

ApMatch MatchOf(const Field& field) {
    if (!field.value.IsScalar()) {
        Refuse(field.line, field.key,
               QStringLiteral("wants a MAC, a name or a pattern, not ") + NodeKind(field.value));
    }
    const QString text = ScalarText(field.value);
    if (text.trimmed().isEmpty()) {
        Refuse(field.line, field.key, QStringLiteral("is empty; name a MAC, a name or a pattern"));
    }
    return ParseApMatch(text);
}

SecretReader::SecretReader(const QString& statePath, const SecretSources& sources)
    : folder_(QFileInfo(statePath).path()), sources_(sources) {}

std::optional<Value> SecretReader::read(const YAML::Node& node, const QString& key,
                                        int line) const {
    if (!node.IsMap()) return std::nullopt;
    const std::vector<Field> fields = Fields(node, key);
    bool named = false;
    for (const Field& f : fields) named = named || f.key == u"file" || f.key == u"env";
    if (!named) return std::nullopt;
    if (fields.size() != 1) {
        Refuse(line, key,
               QStringLiteral("a secret comes from {file: PATH} or {env: NAME}, one key alone"));
    }
    const Field& source = fields.front();
    if (!source.value.IsScalar() || ScalarText(source.value).isEmpty()) {
        Refuse(source.line, key,
               QStringLiteral("%1 wants a %2, not ")
                       .arg(source.key, source.key == u"file" ? QStringLiteral("path")
                                                              : QStringLiteral("variable name")) +
                   NodeKind(source.value));
    }
    const QString target = ScalarText(source.value);
    if (source.key == u"file") {
        // Relative to the file that names it, not to wherever the program
        // happens to run from.
        const QString path = QDir::isAbsolutePath(target) ? target : QDir(folder_).filePath(target);
        const std::optional<QByteArray> bytes =
            sources_.readFile ? sources_.readFile(path) : std::nullopt;
        if (!bytes) {
            Refuse(line, key, QStringLiteral("cannot read the secret file ") + Quoted(path, -1));
        }
        return Value{FirstLine(*bytes), true};
    }
    const std::optional<QString> value =
        sources_.environment ? sources_.environment(target) : std::nullopt;
    if (!value) {
        Refuse(line, key,
               QStringLiteral("the environment variable ") + Quoted(target) +
                   QStringLiteral(" is not set"));
    }
    return Value{*value, true};
}

}  // namespace tern::fleet::yaml
