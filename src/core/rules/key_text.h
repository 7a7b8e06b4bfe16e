#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>

namespace tern::rules {

// Widget-free rules of the WEP key fields: what a field's text means as a
// key, the keystroke filter, and the rows of '*' that stand for a secret the
// form keeps aside.

// The characters of a key as typed. Hex: the digits alone (the blanks
// between pairs, unfilled positions '_' and the full-width blank U+3000 are
// dropped). ASCII: the text unchanged, blanks included.
QString SignificantKeyText(QStringView fieldText, bool hex);

// The key filter of a key field: the key to pass on, or nothing to drop it.
// Hex: a-f become A-F, then only Backspace, Enter, 0-9 and A-F pass. ASCII:
// everything passes.
std::optional<QChar> FilterWepKeyChar(QChar key, bool hex);

// Hex digits (blanks between pairs allowed) to bytes; empty when a digit is
// not hexadecimal or a pair is incomplete.
std::optional<QByteArray> HexTextToBytes(QStringView text);
// Bytes as upper-case hex digits, two per byte, no separators.
QString BytesToHexText(QByteArrayView bytes);

// The characters of an ASCII key kept as hex pairs: the first `bytes` pairs
// decoded, cut at the first zero byte. Empty when the kept text has fewer
// pairs than that or a pair is not hexadecimal.
std::optional<QString> AsciiKeyFromHexPairs(QStringView pairs, int bytes);

// A row of n '*', and whether a text is such a row (an empty text is not).
QString StarRow(qsizetype n);
bool IsStarRow(QStringView text);

// The value a secret field stands for. While the user has not edited it and
// it still shows the row of '*' for the kept value, that is the kept value;
// otherwise it is what the field holds.
QString EffectiveSecret(QStringView shown, QStringView kept, bool edited);

}  // namespace tern::rules
