#pragma once

// Datagrams anyone on the segment could send: random bytes, alone or behind
// each start the receive handler tells apart. All are shorter than a
// discovery reply, so none of them can be listed as an AP.
#include <QByteArray>
#include <iterator>
#include <random>
#include <vector>

namespace tern::test {

inline std::vector<QByteArray> HostileDatagrams(int count, unsigned seed = 7) {
    std::mt19937 random(seed);
    const QByteArray starts[] = {
        "", "kplack", "kplerr", "kplsearch", "kplset", "MX9000", "MX9000AP-QA1-Z00     -01"};
    std::vector<QByteArray> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        QByteArray d = starts[random() % std::size(starts)];
        const int length = static_cast<int>(random() % 1100);
        for (int j = 0; j < length; ++j) d += static_cast<char>(random() & 0xFF);
        out.push_back(d);
    }
    return out;
}

}  // namespace tern::test
