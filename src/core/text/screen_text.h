#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace tern::text {

// The character set of one language file's bytes.
enum class TextEncoding { Windows1252, ShiftJis, Utf8 };

// jap.ini holds Shift_JIS, every other file (eng.ini, gem.ini, ...) holds
// windows-1252; a UTF-8 byte order mark at the start of `firstBytes` (the
// file's first bytes) means UTF-8 whatever the name. Only the file name of
// `path` counts, compared without regard to case.
TextEncoding EncodingForLanguageFile(const QString& path, QByteArrayView firstBytes);

// The one place where language bytes become screen text.
//
// Several built-in English texts end in the two bytes A1 49, a full-width
// exclamation mark in the Big5 code page; those two bytes at the very end
// become U+FF01 "！" in every encoding. They are taken as the mark only
// where they begin a character: in Shift_JIS an A1 that is the second byte
// of a double-byte character, and in UTF-8 an A1 that continues a valid
// sequence (C2 A1 49 is "¡I"), stay what they are.
//
// The rest is decoded with `encoding`. Should the platform lack the
// windows-1252 or Shift_JIS decoder, the bytes are read as Latin-1, so the
// ASCII part of every text still shows.
QString ToScreenText(QByteArrayView bytes, TextEncoding encoding);

// Texts stored on an AP (its name, SSID, pass phrase, RADIUS secrets) are
// bytes in the administrator's code page: Shift_JIS where the Japanese file
// is in use, windows-1252 otherwise. A record's bytes are its own, so the
// A1 49 rule above does not apply to them.
TextEncoding RecordEncodingForLanguageFile(const QString& path);
QString RecordTextToScreen(QByteArrayView bytes, TextEncoding encoding);
// The way back; nothing when the code page cannot hold one of the
// characters (it is never sent as something else, such as "?").
std::optional<QByteArray> ScreenTextToRecord(const QString& text, TextEncoding encoding);
// As many whole characters of `text` as fit in `maxBytes` bytes of the code
// page (a double-byte character is never cut in half); nothing when a
// character cannot be held.
std::optional<QByteArray> ScreenTextToRecordWithin(const QString& text, TextEncoding encoding,
                                                   qsizetype maxBytes);

// A text that came from an AP or a file, made safe to print on a terminal
// or into a CSV file, and still telling what it held: a control character
// (C0, DEL, C1: an escape sequence or a line break, which could move the
// cursor or fake a line) is shown as \xHH, any other character that does
// not print (a direction override, a lone surrogate) as \u{HHHH}.
QString VisibleText(QStringView text);

// Where `text` holds its first control character (C0, DEL or C1), if it
// holds one: no setting and no login takes one, since an AP keeps its texts
// as C strings (a NUL ends them) and shows them on terminals.
std::optional<qsizetype> FirstControlCharacter(QStringView text);
bool IsControlCharacter(char32_t c);

// A value quoted in a message: VisibleText of at most its first `limit`
// characters, with its length when it is longer.
QString Abbreviated(QStringView text, qsizetype limit = 40);

}  // namespace tern::text
