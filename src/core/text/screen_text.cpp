#include "core/text/screen_text.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace tern::text {

namespace {

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView kBig5Exclamation("\xA1\x49");
constexpr char16_t kFullWidthExclamation = u'\uFF01';

bool IsShiftJisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsUtf8Continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the UTF-8 sequence starting at `at`, 1 for a byte that starts
// no valid sequence (it decodes as one replacement character).
qsizetype Utf8SequenceLength(QByteArrayView bytes, qsizetype at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    qsizetype length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (at + length > bytes.size()) return 1;
    for (qsizetype i = 1; i < length; ++i) {
        if (!IsUtf8Continuation(static_cast<unsigned char>(bytes[at + i]))) return 1;
    }
    return length;
}

// True when a character of `encoding` starts at byte `at`.
bool StartsCharacter(QByteArrayView bytes, qsizetype at, TextEncoding encoding) {
    qsizetype pos = 0;
    switch (encoding) {
        case TextEncoding::Windows1252:
            return true;
        case TextEncoding::ShiftJis:
            while (pos < at) {
                pos += IsShiftJisLeadByte(static_cast<unsigned char>(bytes[pos])) ? 2 : 1;
            }
            return pos == at;
        case TextEncoding::Utf8:
            while (pos < at) pos += Utf8SequenceLength(bytes, pos);
            return pos == at;
    }
    return false;
}

const char* CodecName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8:
            return "UTF-8";
        case TextEncoding::Windows1252:
            return "windows-1252";
        case TextEncoding::ShiftJis:
            return "Shift_JIS";
    }
    return "UTF-8";
}

QString Decode(QByteArrayView bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return QString::fromUtf8(bytes);
    QStringDecoder decoder(CodecName(encoding));
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

}  // namespace

TextEncoding EncodingForLanguageFile(const QString& path, QByteArrayView firstBytes) {
    if (firstBytes.startsWith(kUtf8Bom)) return TextEncoding::Utf8;
    const QString name = QFileInfo(path).fileName();
    if (name.compare(QLatin1StringView("jap.ini"), Qt::CaseInsensitive) == 0) {
        return TextEncoding::ShiftJis;
    }
    return TextEncoding::Windows1252;
}

QString ToScreenText(QByteArrayView bytes, TextEncoding encoding) {
    const qsizetype mark_at = bytes.size() - kBig5Exclamation.size();
    if (bytes.endsWith(kBig5Exclamation) && StartsCharacter(bytes, mark_at, encoding)) {
        QString text = Decode(bytes.first(mark_at), encoding);
        text.append(QChar(kFullWidthExclamation));
        return text;
    }
    return Decode(bytes, encoding);
}

TextEncoding RecordEncodingForLanguageFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.compare(QLatin1StringView("jap.ini"), Qt::CaseInsensitive) == 0
               ? TextEncoding::ShiftJis
               : TextEncoding::Windows1252;
}

QString RecordTextToScreen(QByteArrayView bytes, TextEncoding encoding) {
    return Decode(bytes, encoding);
}

std::optional<QByteArray> ScreenTextToRecord(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) return text.toUtf8();
    QStringEncoder encoder(CodecName(encoding));
    if (!encoder.isValid()) {
        // Without the converter only what both code pages write as Latin-1
        // does is written: ASCII, and for windows-1252 also A0..FF.
        const char16_t highest = encoding == TextEncoding::ShiftJis ? 0x7F : 0xFF;
        for (QChar c : text) {
            if (c.unicode() > highest || (c.unicode() >= 0x80 && c.unicode() < 0xA0)) {
                return std::nullopt;
            }
        }
        return text.toLatin1();
    }
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return bytes;
}

std::optional<QByteArray> ScreenTextToRecordWithin(const QString& text, TextEncoding encoding,
                                                   qsizetype maxBytes) {
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const std::optional<QByteArray> one = ScreenTextToRecord(text.sliced(i, length), encoding);
        if (!one) return std::nullopt;
        if (bytes.size() + one->size() > maxBytes) break;
        bytes += *one;
        i += length;
    }
    return bytes;
}

bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

QString VisibleText(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        if (IsControlCharacter(c)) {
            out += QStringLiteral("\\x%1").arg(static_cast<uint>(c), 2, 16, QChar(u'0'));
        } else if (!QChar::isPrint(c)) {
            out += QStringLiteral("\\u{%1}").arg(static_cast<uint>(c), 4, 16, QChar(u'0'));
        } else {
            out += text.sliced(i, length);
        }
        i += length;
    }
    return out;
}

std::optional<qsizetype> FirstControlCharacter(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsControlCharacter(text[i].unicode())) return i;
    }
    return std::nullopt;
}

QString Abbreviated(QStringView text, qsizetype limit) {
    if (limit < 0 || text.size() <= limit) return VisibleText(text);
    // A surrogate pair is never cut in half.
    qsizetype cut = limit;
    if (cut > 0 && text[cut - 1].isHighSurrogate()) --cut;
    return VisibleText(text.first(cut)) + QStringLiteral("... (%1 characters)").arg(text.size());
}

}  // namespace tern::text
