#pragma once

#include <QByteArrayList>
#include <QSet>

#include <algorithm>

namespace tern::test {

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
