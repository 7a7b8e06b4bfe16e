#include "core/text/lang_ini.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace tern::text {

namespace {

QByteArray FoldAscii(QByteArrayView name) {
    QByteArray folded(name.data(), name.size());
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

QByteArrayView TrimBlanks(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView StripEnclosingQuotes(QByteArrayView value) {
    if (value.size() >= 2) {
        const char first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first) {
            return value.sliced(1, value.size() - 2);
        }
    }
    return value;
}

QByteArray CutToLimit(QByteArrayView value) {
    return value.first(qMin(value.size(), LangIni::kMaxValueBytes)).toByteArray();
}

qint64 MillisecondsOf(const QDateTime& time) {
    return time.isValid() ? time.toMSecsSinceEpoch() : 0;
}

}  // namespace

LangIni::LangIni(const QString& path) : path_(path), backed_by_file_(true) {}

LangIni LangIni::FromBytes(QByteArrayView content) {
    LangIni ini;
    ini.table_ = Parse(content);
    ini.loaded_ = true;
    return ini;
}

QByteArray LangIni::lookup(QByteArrayView section, QByteArrayView key,
                           QByteArrayView defaultText) const {
    if (backed_by_file_) refreshFromFile();
    const auto found_section = table_.constFind(FoldAscii(section));
    if (found_section != table_.cend()) {
        const auto found_key = found_section->constFind(FoldAscii(key));
        if (found_key != found_section->cend()) return *found_key;
    }
    return CutToLimit(defaultText);
}

LangIni::Table LangIni::Parse(QByteArrayView content) {
    static constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");
    if (content.startsWith(kUtf8Bom)) content = content.sliced(kUtf8Bom.size());

    Table table;
    Section* current = nullptr;  // null before the first header and in repeated blocks
    qsizetype pos = 0;
    while (pos < content.size()) {
        qsizetype end = pos;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r') ++end;
        const QByteArrayView line = TrimBlanks(content.sliced(pos, end - pos));
        pos = end + 1;

        if (line.isEmpty() || line.front() == ';') continue;

        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            if (close < 0) continue;
            const QByteArray name = FoldAscii(TrimBlanks(line.sliced(1, close - 1)));
            if (table.contains(name)) {
                current = nullptr;
            } else {
                current = &table[name];
            }
            continue;
        }

        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || current == nullptr) continue;
        const QByteArrayView key = TrimBlanks(line.first(equals));
        if (key.isEmpty()) continue;
        const QByteArray folded_key = FoldAscii(key);
        if (current->contains(folded_key)) continue;
        const QByteArrayView value = StripEnclosingQuotes(TrimBlanks(line.sliced(equals + 1)));
        current->insert(folded_key, CutToLimit(value));
    }
    return table;
}

LangIni::FileStamp LangIni::StampOf(const QString& path) {
    QFileInfo info(path);
    info.setCaching(false);
    FileStamp stamp;
    stamp.exists = info.exists() && info.isFile();
    if (stamp.exists) {
        stamp.size = info.size();
        stamp.modified_ms = MillisecondsOf(info.fileTime(QFileDevice::FileModificationTime));
        stamp.changed_ms = MillisecondsOf(info.fileTime(QFileDevice::FileMetadataChangeTime));
    }
    return stamp;
}

void LangIni::refreshFromFile() const {
    const FileStamp now = StampOf(path_);
    if (loaded_ && now == stamp_) return;
    stamp_ = now;
    loaded_ = true;
    table_.clear();
    if (!now.exists) return;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return;
    // Only as much as the file holds: a buffer of the whole limit on every
    // re-read costs far more than the parse.
    table_ = Parse(file.read(std::clamp<qint64>(file.size(), 0, kMaxFileBytes)));
}

}  // namespace tern::text
