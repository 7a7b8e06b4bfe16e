// What the fuzz targets share: failing loudly on a broken property, and
// cutting an input into strings.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tern::fuzz {

// A broken property is a finding like a crash: libFuzzer keeps the input.
inline void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

inline QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// NUL-separated strings, each read as UTF-8 (as a command line hands them
// over); at most `limit`, so one input never grows into a long loop.
inline QStringList Strings(QByteArrayView input, qsizetype limit = 64) {
    QStringList parts;
    qsizetype from = 0;
    while (from <= input.size() && parts.size() < limit) {
        qsizetype end = input.indexOf('\0', from);
        if (end < 0) end = input.size();
        parts << QString::fromUtf8(input.sliced(from, end - from));
        from = end + 1;
    }
    return parts;
}

}  // namespace tern::fuzz
