#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "core/text/lang_ini.h"
#include "core/text/screen_text.h"

namespace tern::text {

// A language file together with its character set: what the forms read
// their captions and messages through.
class LanguageText {
  public:
    // The encoding follows from the file name and the file's first bytes as
    // they are now (a missing file: from the name alone); it stays for the
    // life of the object.
    explicit LanguageText(const QString& path);
    LanguageText(LangIni ini, TextEncoding encoding);

    // The looked-up bytes (or the default) as screen text.
    QString text(QByteArrayView section, QByteArrayView key, QByteArrayView defaultText) const;
    // Bytes that did not come from the file (a fixed text of the program)
    // shown in the same way.
    QString screenText(QByteArrayView bytes) const;

    // Texts of an AP's record, in the code page that goes with this file.
    QString recordText(QByteArrayView bytes) const;
    // Nothing when the code page cannot hold one of the characters.
    std::optional<QByteArray> recordBytes(const QString& text) const;
    TextEncoding recordEncoding() const { return recordEncoding_; }

    const LangIni& ini() const { return ini_; }
    TextEncoding encoding() const { return encoding_; }

  private:
    LangIni ini_;
    TextEncoding encoding_;
    TextEncoding recordEncoding_;
};

// The program's own English texts, with no language file, in Windows-1252:
// what tern-ap-cli and the form without widgets word their messages in.
const LanguageText& BuiltInEnglish();

}  // namespace tern::text
