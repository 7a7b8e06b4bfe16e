#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QSet>
#include <algorithm>

namespace tern::test {

// A (section, key) pair of a language file, spelled as written.
struct IniEntry {
    QByteArray section;
    QByteArray key;
    QByteArray id() const { return section + '/' + key; }
};

// The (section, key) pairs of a file in file order, spelled as written. Safe
// for Shift_JIS: LF, '=' and '[' at a line start are never the second byte
// of a double-byte character.
inline QList<IniEntry> EntriesInFile(const QByteArray& content) {
    QList<IniEntry> entries;
    QByteArray section;
    for (const QByteArray& raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';')) continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals > 0) entries.append({section, line.left(equals).trimmed()});
    }
    return entries;
}

// How the keys of a language file differ from the keys it should hold.
struct KeySetDiff {
    QByteArrayList missing;
    QByteArrayList extra;
    QByteArrayList duplicates;
};

inline KeySetDiff CompareKeys(const QList<QByteArray>& inFile, const QSet<QByteArray>& expected) {
    KeySetDiff diff;
    QSet<QByteArray> seen;
    for (const QByteArray& id : inFile) {
        if (seen.contains(id)) diff.duplicates.append(id);
        seen.insert(id);
        if (!expected.contains(id)) diff.extra.append(id);
    }
    for (const QByteArray& id : expected) {
        if (!seen.contains(id)) diff.missing.append(id);
    }
    std::sort(diff.missing.begin(), diff.missing.end());
    return diff;
}

}  // namespace tern::test
