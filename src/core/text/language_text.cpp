#include "core/text/language_text.h"

#include <QFile>
#include <utility>

namespace tern::text {

namespace {

QByteArray FirstBytesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(3);
}

}  // namespace

LanguageText::LanguageText(const QString& path)
    : ini_(path),
      encoding_(EncodingForLanguageFile(path, FirstBytesOf(path))),
      recordEncoding_(RecordEncodingForLanguageFile(path)) {}

LanguageText::LanguageText(LangIni ini, TextEncoding encoding)
    : ini_(std::move(ini)),
      encoding_(encoding),
      recordEncoding_(encoding == TextEncoding::ShiftJis ? TextEncoding::ShiftJis
                                                         : TextEncoding::Windows1252) {}

QString LanguageText::recordText(QByteArrayView bytes) const {
    return RecordTextToScreen(bytes, recordEncoding_);
}

std::optional<QByteArray> LanguageText::recordBytes(const QString& text) const {
    return ScreenTextToRecord(text, recordEncoding_);
}

QString LanguageText::text(QByteArrayView section, QByteArrayView key,
                           QByteArrayView defaultText) const {
    return ToScreenText(ini_.lookup(section, key, defaultText), encoding_);
}

QString LanguageText::screenText(QByteArrayView bytes) const {
    return ToScreenText(bytes, encoding_);
}

const LanguageText& BuiltInEnglish() {
    static const LanguageText english(LangIni::FromBytes({}), TextEncoding::Windows1252);
    return english;
}

}  // namespace tern::text
