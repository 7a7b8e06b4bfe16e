// Checks the shipped German and Japanese language files against eng.ini, the
// file that lists every key the program reads, and reads them the way the
// program does: through LangIni and ToScreenText with the character set the
// file name selects.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QList>
#include <QSet>
#include <QStringEncoder>
#include <algorithm>
#include <string>

#include "core/text/lang_ini.h"
#include "core/text/language_sections.h"
#include "core/text/screen_text.h"
#include "tests/core/text/key_set_diff.h"

#ifndef TERN_LANGUAGE_DIR
#error "TERN_LANGUAGE_DIR must name the language/ folder of the sources"
#endif

namespace tern::text {
namespace {

// Never a value of any file: tells a missing key from an empty value.
constexpr QByteArrayView kAbsent("\x01");

QString LanguagePath(const char* fileName) {
    return QDir(QStringLiteral(TERN_LANGUAGE_DIR)).filePath(QString::fromLatin1(fileName));
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

qsizetype LeadingBlanks(QByteArrayView value) {
    qsizetype n = 0;
    while (n < value.size() && value[n] == ' ') ++n;
    return n;
}

qsizetype TrailingBlanks(QByteArrayView value) {
    qsizetype n = 0;
    while (n < value.size() && value[value.size() - 1 - n] == ' ') ++n;
    return n;
}

std::string Show(const QString& text) { return text.toStdString(); }

struct Translation {
    const char* file_name;
    TextEncoding encoding;
    const char* encoder_name;
};

void PrintTo(const Translation& t, std::ostream* os) { *os << t.file_name; }

class TranslationFile : public testing::TestWithParam<Translation> {
  protected:
    QString path() const { return LanguagePath(GetParam().file_name); }
    QByteArray content() const { return ReadFile(path()); }
};

TEST_P(TranslationFile, isReadInItsOwnCharacterSet_withCrLfLineEnds) {
    const QByteArray bytes = content();
    ASSERT_FALSE(bytes.isEmpty()) << qPrintable(path());
    // A byte order mark would switch the program to UTF-8.
    EXPECT_EQ(EncodingForLanguageFile(path(), bytes.first(std::min<qsizetype>(bytes.size(), 3))),
              GetParam().encoding);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_TRUE(bytes.endsWith("\r\n"));
}

TEST_P(TranslationFile, holdsExactlyTheKeysOfEngIni) {
    QSet<QByteArray> english;
    for (const tern::test::IniEntry& entry :
         tern::test::EntriesInFile(ReadFile(LanguagePath("eng.ini")))) {
        english.insert(entry.id());
    }
    ASSERT_FALSE(english.isEmpty());

    QList<QByteArray> in_file;
    for (const tern::test::IniEntry& entry : tern::test::EntriesInFile(content())) {
        in_file.append(entry.id());
    }
    const auto diff = tern::test::CompareKeys(in_file, english);
    EXPECT_TRUE(diff.missing.isEmpty()) << "missing: " << diff.missing.join(", ").constData();
    EXPECT_TRUE(diff.extra.isEmpty()) << "not in eng.ini: " << diff.extra.join(", ").constData();
    EXPECT_TRUE(diff.duplicates.isEmpty())
        << "repeated: " << diff.duplicates.join(", ").constData();
}

TEST_P(TranslationFile, keepsTheTitleTheRunningCopyIsFoundBy) {
    const LangIni ini(path());
    EXPECT_EQ(ini.lookup(kSectionGlobal, "Title", kAbsent), "108Mbps Wireless LAN Access Point");
}

// Every value as the program reads it: present, decoded without loss, and
// with the blanks that eng.ini puts around it (the 802.1X lists line their
// numbers up with leading blanks; one message is joined to a key number).
TEST_P(TranslationFile, everyValueDecodesCleanly_andKeepsTheBlanksOfEngIni) {
    const LangIni english(LanguagePath("eng.ini"));
    const LangIni ini(path());
    const TextEncoding encoding = GetParam().encoding;
    QStringEncoder encoder(GetParam().encoder_name);
    ASSERT_TRUE(encoder.isValid()) << GetParam().encoder_name;

    const QList<tern::test::IniEntry> entries =
        tern::test::EntriesInFile(ReadFile(LanguagePath("eng.ini")));
    ASSERT_FALSE(entries.isEmpty());
    for (const tern::test::IniEntry& entry : entries) {
        SCOPED_TRACE(entry.id().constData());
        const QByteArray source = english.lookup(entry.section, entry.key, kAbsent);
        const QByteArray value = ini.lookup(entry.section, entry.key, kAbsent);
        if (value == kAbsent) {
            ADD_FAILURE() << "missing";
            continue;
        }
        EXPECT_EQ(value.isEmpty(), source.isEmpty());
        EXPECT_EQ(LeadingBlanks(value), LeadingBlanks(source));
        EXPECT_EQ(TrailingBlanks(value), TrailingBlanks(source));

        const QString text = ToScreenText(value, encoding);
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << Show(text);
        for (const QChar c : text) {
            EXPECT_FALSE(c.category() == QChar::Other_Control)
                << "control character in " << Show(text);
        }
        // Decoding loses nothing: the text encodes back to the file's bytes.
        EXPECT_EQ(QByteArray(encoder.encode(text)), value) << Show(text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ShippedFiles, TranslationFile,
    testing::Values(Translation{"gem.ini", TextEncoding::Windows1252, "windows-1252"},
                    Translation{"jap.ini", TextEncoding::ShiftJis, "Shift_JIS"}),
    [](const testing::TestParamInfo<Translation>& info) {
        return info.param.encoding == TextEncoding::ShiftJis ? std::string("Japanese")
                                                             : std::string("German");
    });

QString TextOf(const LangIni& ini, TextEncoding encoding, QByteArrayView section,
               QByteArrayView key) {
    return ToScreenText(ini.lookup(section, key, kAbsent), encoding);
}

TEST(GermanTexts, umlautsAreSingleWindows1252Bytes) {
    const LangIni ini(LanguagePath("gem.ini"));
    // Octal escapes: Ü is DC, ß is DF.
    EXPECT_EQ(ini.lookup(kSectionGlobal, "Apply", kAbsent), "\334bernehmen");
    EXPECT_EQ(ini.lookup(kSectionGlobal, "Close", kAbsent), "Schlie\337en");

    constexpr TextEncoding kCp1252 = TextEncoding::Windows1252;
    EXPECT_EQ(TextOf(ini, kCp1252, kSectionGlobal, "Close"), QStringLiteral("Schließen"));
    EXPECT_EQ(TextOf(ini, kCp1252, kSectionGlobal, "Refresh"), QStringLiteral("Aktualisieren"));
    EXPECT_EQ(TextOf(ini, kCp1252, kSectionWep, "encry"), QStringLiteral("Datenverschlüsselung"));
    EXPECT_EQ(TextOf(ini, kCp1252, kSectionStatus, "WEP"), QStringLiteral("Verschlüsselung"));
    EXPECT_EQ(TextOf(ini, kCp1252, kSection8021x, "lifetime4"), QStringLiteral(" 30 Minuten"));
    EXPECT_EQ(TextOf(ini, kCp1252, kSection8021x, "keylength2"), QStringLiteral("  128 Bit"));
    EXPECT_EQ(TextOf(ini, kCp1252, kSectionErrorText, "Err_wep_keyStr1"),
              QStringLiteral("WEP-Schlüssel "));
    EXPECT_EQ(TextOf(ini, kCp1252, kSectionErrorText, "Err_IP1_rang"),
              QStringLiteral("Die erste Zahl einer Adresse darf nicht größer als 223 sein."));
}

// Second bytes of Shift_JIS characters include '[' (ー is 81 5B), '|', '@'
// and '`'; none of them may disturb the reader, wherever they fall.
TEST(JapaneseTexts, readBackAsWritten_whateverTheSecondBytes) {
    const LangIni ini(LanguagePath("jap.ini"));
    EXPECT_EQ(ini.lookup(kSectionGlobal, "Close", kAbsent), "\x95\xC2\x82\xB6\x82\xE9");

    constexpr TextEncoding kSjis = TextEncoding::ShiftJis;
    EXPECT_EQ(TextOf(ini, kSjis, kSectionGlobal, "Close"), QStringLiteral("閉じる"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionGlobal, "Apply"), QStringLiteral("適用"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionGlobal, "Refresh"), QStringLiteral("更新"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionGlobal, "QuitAsk"), QStringLiteral("終了しますか？"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionWep, "encry"), QStringLiteral("データ暗号化"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionStatus, "FW"), QStringLiteral("ファームウェア"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionAp, "APMode1"), QStringLiteral("アクセスポイント"));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionAp, "CH"), QStringLiteral("チャンネル"));
    EXPECT_EQ(TextOf(ini, kSjis, kSection8021x, "keylength1"), QStringLiteral("   64ビット"));
    EXPECT_EQ(TextOf(ini, kSjis, kSection8021x, "port1"), QStringLiteral(" ポート"));
    // Ends in the second byte '[' right before the closing quote.
    EXPECT_EQ(TextOf(ini, kSjis, kSectionErrorText, "Err_wep_keyStr1"), QStringLiteral("WEPキー "));
    EXPECT_EQ(TextOf(ini, kSjis, kSectionErrorText, "oldfirmware"),
              QStringLiteral("古いファームウェアのアクセスポイントが見つかりました。"));
}

}  // namespace
}  // namespace tern::text
