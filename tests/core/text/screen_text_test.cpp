#include "core/text/screen_text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/text/language_text.h"

namespace tern::text {
namespace {

const QString kFullWidthBang = QString(QChar(0xFF01));

TEST(EncodingForLanguageFile, byNameThenBom) {
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("/opt/tern/language/jap.ini"), "[G"),
              TextEncoding::ShiftJis);
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("C:/Tern/language/JAP.INI"), ""),
              TextEncoding::ShiftJis);
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("/x/language/gem.ini"), "[G"),
              TextEncoding::Windows1252);
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("/x/language/eng.ini"), "[G"),
              TextEncoding::Windows1252);
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("/x/jap.ini.bak"), "[G"),
              TextEncoding::Windows1252);
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("/x/jap.ini"), "\xEF\xBB\xBF[G"),
              TextEncoding::Utf8);
    EXPECT_EQ(EncodingForLanguageFile(QStringLiteral("/x/gem.ini"), "\xEF\xBB\xBF"),
              TextEncoding::Utf8);
}

TEST(ToScreenText, big5ExclamationAtTheEnd_becomesFullWidthInEveryEncoding) {
    for (const TextEncoding encoding :
         {TextEncoding::Windows1252, TextEncoding::ShiftJis, TextEncoding::Utf8}) {
        EXPECT_EQ(ToScreenText("Setting Error\xA1\x49", encoding),
                  QStringLiteral("Setting Error") + kFullWidthBang);
        EXPECT_EQ(ToScreenText("\xA1\x49", encoding), kFullWidthBang);
        // Only at the very end.
        EXPECT_FALSE(ToScreenText("A\xA1\x49x", encoding).contains(kFullWidthBang));
    }
}

TEST(ToScreenText, a1ThatBelongsToTheCharacterBefore_isNotTheMark) {
    // 81 A1 is one Shift_JIS character (a black square); the I follows it.
    EXPECT_EQ(ToScreenText("\x81\xA1\x49", TextEncoding::ShiftJis), QStringLiteral("\u25A0I"));
    // C2 A1 is UTF-8 for an inverted exclamation mark.
    EXPECT_EQ(ToScreenText("\xC2\xA1\x49", TextEncoding::Utf8), QStringLiteral("\u00A1I"));
    // After a complete double-byte character the mark is recognised.
    EXPECT_EQ(ToScreenText("\x90\xDD\x92\xE8\xA1\x49", TextEncoding::ShiftJis),
              QStringLiteral("\u8A2D\u5B9A") + kFullWidthBang);
}

TEST(ToScreenText, decodesWithTheFileEncoding) {
    EXPECT_EQ(ToScreenText("\x90\xDD\x92\xE8", TextEncoding::ShiftJis),
              QStringLiteral("\u8A2D\u5B9A"));  // "settings"
    EXPECT_EQ(ToScreenText("Men\xFC", TextEncoding::Windows1252), QStringLiteral("Men\u00FC"));
    EXPECT_EQ(ToScreenText("Gr\xF6\xDF"
                           "e \x80",
                           TextEncoding::Windows1252),
              QStringLiteral("Gr\u00F6\u00DFe \u20AC"));
    EXPECT_EQ(ToScreenText("Men\xC3\xBC", TextEncoding::Utf8), QStringLiteral("Men\u00FC"));
    EXPECT_EQ(ToScreenText(" Enable 802.1X", TextEncoding::ShiftJis),
              QStringLiteral(" Enable 802.1X"));
    EXPECT_EQ(ToScreenText("", TextEncoding::Windows1252), QString());
}

TEST(LanguageText, readsEncodingFromNameAndBom_andDecodesLookups) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString jap = dir.filePath(QStringLiteral("jap.ini"));
    const QString gem = dir.filePath(QStringLiteral("gem.ini"));
    {
        QFile file(jap);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[AP]\r\nTitle=\x90\xDD\x92\xE8\r\n");
    }
    {
        QFile file(gem);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBF[AP]\r\nTitle=Einstellungen f\xC3\xBCr AP\r\n");
    }
    const LanguageText japanese(jap);
    EXPECT_EQ(japanese.encoding(), TextEncoding::ShiftJis);
    EXPECT_EQ(japanese.text("AP", "Title", "AP Settings"), QStringLiteral("\u8A2D\u5B9A"));
    EXPECT_EQ(japanese.text("AP", "Basic", "Setting Error\xA1\x49"),
              QStringLiteral("Setting Error") + kFullWidthBang);

    const LanguageText german(gem);
    EXPECT_EQ(german.encoding(), TextEncoding::Utf8);
    EXPECT_EQ(german.text("AP", "Title", "AP Settings"),
              QStringLiteral("Einstellungen f\u00FCr AP"));

    const LanguageText absent(dir.filePath(QStringLiteral("eng.ini")));
    EXPECT_EQ(absent.encoding(), TextEncoding::Windows1252);
    EXPECT_EQ(absent.text("GLOBAL", "Title", "Tern AP Utility"), QStringLiteral("Tern AP Utility"));
}

TEST(RecordText, codePageByLanguageFile_bothWays_withoutTheMarkRule) {
    EXPECT_EQ(RecordEncodingForLanguageFile(QStringLiteral("/x/jap.ini")), TextEncoding::ShiftJis);
    EXPECT_EQ(RecordEncodingForLanguageFile(QStringLiteral("/x/gem.ini")),
              TextEncoding::Windows1252);
    EXPECT_EQ(RecordEncodingForLanguageFile(QStringLiteral("/x/eng.ini")),
              TextEncoding::Windows1252);

    const QByteArray cafe("Caf\xE9 \x93quoted\x94 \x80");
    const QString shown = RecordTextToScreen(cafe, TextEncoding::Windows1252);
    EXPECT_EQ(shown, QStringLiteral("Caf\u00E9 \u201Cquoted\u201D \u20AC"));
    EXPECT_EQ(ScreenTextToRecord(shown, TextEncoding::Windows1252), cafe);

    const QByteArray settings("\x90\xDD\x92\xE8");
    EXPECT_EQ(RecordTextToScreen(settings, TextEncoding::ShiftJis), QStringLiteral("\u8A2D\u5B9A"));
    EXPECT_EQ(ScreenTextToRecord(QStringLiteral("\u8A2D\u5B9A"), TextEncoding::ShiftJis), settings);

    // an SSID ending in A1 49 is two characters of its own, not a language mark
    EXPECT_EQ(RecordTextToScreen("Net\xA1I", TextEncoding::Windows1252),
              QStringLiteral("Net\u00A1I"));
    // a character the code page lacks cannot pass as something else
    EXPECT_EQ(ScreenTextToRecord(QStringLiteral("a\u8A2Db"), TextEncoding::Windows1252),
              std::nullopt);
    EXPECT_EQ(ScreenTextToRecord(QStringLiteral("\u8A2D\U0001F600"), TextEncoding::ShiftJis),
              std::nullopt);
    EXPECT_EQ(ScreenTextToRecord(QString(), TextEncoding::ShiftJis), QByteArray());
}

TEST(RecordText, withinAByteLimit_wholeCharactersOnly) {
    // five double-byte characters are ten bytes: nine bytes hold four
    const QString five = QStringLiteral("\u8A2D\u5B9A\u8A2D\u5B9A\u8A2D");
    EXPECT_EQ(ScreenTextToRecordWithin(five, TextEncoding::ShiftJis, 9)->size(), 8);
    EXPECT_EQ(ScreenTextToRecordWithin(five, TextEncoding::ShiftJis, 10)->size(), 10);
    EXPECT_EQ(ScreenTextToRecordWithin(QStringLiteral("admin-with-a-long-name"),
                                       TextEncoding::Windows1252, 15),
              QByteArray("admin-with-a-lo"));
    EXPECT_EQ(ScreenTextToRecordWithin(five, TextEncoding::Windows1252, 15), std::nullopt);
}

TEST(VisibleText, whatWouldActOnATerminalIsShownAsEscapes_therestAsItIs) {
    EXPECT_EQ(VisibleText(u"X\x1b]0;pwned\aY"), QStringLiteral("X\\x1b]0;pwned\\x07Y"));
    EXPECT_EQ(VisibleText(QStringLiteral("a") + QChar(0) + QStringLiteral("b\n\t\x7f")),
              QStringLiteral("a\\x00b\\x0a\\x09\\x7f"));
    EXPECT_EQ(VisibleText(QStringLiteral("C1 ") + QChar(0x9b) + QChar(0x85)),
              QStringLiteral("C1 \\x9b\\x85"));
    // A direction override could make a name read backwards.
    EXPECT_EQ(VisibleText(QStringLiteral("abc") + QChar(0x202e)), QStringLiteral("abc\\u{202e}"));
    const QString kept = QStringLiteral("Büro 東京 \U0001F600 a\\b");
    EXPECT_EQ(VisibleText(kept), kept);
    EXPECT_EQ(VisibleText(QString(1, QChar(0xd800))), QStringLiteral("\\u{d800}"));
}

TEST(VisibleText, controlCharactersAreFound_andLongValuesAbbreviated) {
    EXPECT_EQ(FirstControlCharacter(u"plain text"), std::nullopt);
    EXPECT_EQ(FirstControlCharacter(QStringLiteral("ab") + QChar(0) + QStringLiteral("c")), 2);
    EXPECT_EQ(FirstControlCharacter(QStringLiteral("ab") + QChar(0x9f)), 2);
    EXPECT_EQ(FirstControlCharacter(QStringLiteral("ab") + QChar(0xa0)), std::nullopt);
    EXPECT_EQ(Abbreviated(u"short"), QStringLiteral("short"));
    const QString huge(100000, u'x');
    EXPECT_EQ(Abbreviated(huge), QString(40, u'x') + QStringLiteral("... (100000 characters)"));
    // A character outside the BMP is never cut in half.
    const QString pairs = QString(39, u'a') + QStringLiteral("\U0001F600tail");
    EXPECT_TRUE(Abbreviated(pairs).startsWith(QString(39, u'a') + QStringLiteral("...")));
}

}  // namespace
}  // namespace tern::text
