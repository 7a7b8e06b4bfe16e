#include "core/rules/key_text.h"

#include <algorithm>

#include "core/record/net_types.h"

namespace tern::rules {

namespace {

constexpr char16_t kFullWidthBlank = u'\u3000';

}  // namespace

QString SignificantKeyText(QStringView fieldText, bool hex) {
    if (!hex) {
        return fieldText.toString();
    }
    QString digits;
    digits.reserve(fieldText.size());
    for (QChar c : fieldText) {
        if (c != u' ' && c != u'_' && c != kFullWidthBlank) {
            digits.append(c);
        }
    }
    return digits;
}

std::optional<QChar> FilterWepKeyChar(QChar key, bool hex) {
    if (!hex) {
        return key;
    }
    char16_t c = key.unicode();
    if (c >= u'a' && c <= u'f') {
        c = static_cast<char16_t>(c - u'a' + u'A');
    }
    const bool passes =
        c == u'\b' || c == u'\r' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
    if (!passes) return std::nullopt;
    return QChar(c);
}

std::optional<QByteArray> HexTextToBytes(QStringView text) {
    const QString digits = SignificantKeyText(text, true);
    if (digits.size() % 2 != 0) {
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(digits.size() / 2);
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int high = record::HexDigitValue(digits[i]);
        const int low = record::HexDigitValue(digits[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.append(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

QString BytesToHexText(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex().toUpper());
}

std::optional<QString> AsciiKeyFromHexPairs(QStringView pairs, int bytes) {
    if (bytes < 0 || pairs.size() < 2 * static_cast<qsizetype>(bytes)) {
        return std::nullopt;
    }
    const std::optional<QByteArray> raw = HexTextToBytes(pairs.first(2 * bytes));
    if (!raw) {
        return std::nullopt;
    }
    const qsizetype end = raw->indexOf('\0');
    return QString::fromLatin1(end < 0 ? *raw : raw->left(end));
}

QString StarRow(qsizetype n) { return QString(std::max<qsizetype>(n, 0), u'*'); }

bool IsStarRow(QStringView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (QChar c : text) {
        if (c != u'*') return false;
    }
    return true;
}

QString EffectiveSecret(QStringView shown, QStringView kept, bool edited) {
    if (!edited && !kept.isEmpty() && shown == StarRow(kept.size())) {
        return kept.toString();
    }
    return shown.toString();
}

}  // namespace tern::rules
