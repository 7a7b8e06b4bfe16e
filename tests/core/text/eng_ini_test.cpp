// Cross-checks the shipped English language file against the program's
// caption tables and message vocabulary.
#include <gtest/gtest.h>

#include <QFile>
#include <QList>
#include <QSet>

#include "core/text/caption_tables.h"
#include "core/text/lang_ini.h"
#include "core/text/language_sections.h"
#include "core/text/messages.h"
#include "tests/core/text/key_set_diff.h"

#ifndef TERN_ENG_INI_PATH
#error "TERN_ENG_INI_PATH must name language/eng.ini"
#endif

namespace tern::text {
namespace {

QString EngIniPath() { return QStringLiteral(TERN_ENG_INI_PATH); }

QByteArray ReadEngIni() {
    QFile file(EngIniPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QByteArray Id(QByteArrayView section, QByteArrayView key) {
    return section.toByteArray() + '/' + key.toByteArray();
}

// Every (section, key) the program reads, with the exact spelling it uses.
QSet<QByteArray> KeysTheProgramReads() {
    QSet<QByteArray> ids;
    for (const auto table :
         {MainWindowCaptions(), AdvancedDialogCaptions(), LoginDialogCaptions(),
          MultiLoginDialogCaptions(), ListToolCaptions(), ReviewDialogCaptions()}) {
        for (const CaptionEntry& entry : table) ids.insert(Id(entry.section, entry.key));
    }
    for (const ErrorMessage& message : ErrorMessages()) {
        if (message.has_text) ids.insert(Id(kSectionErrorText, message.key));
        if (message.has_caption) ids.insert(Id(kSectionErrorCaption, message.key));
    }
    for (const PairedMessage& message : PairedMessages()) {
        ids.insert(Id(message.section, message.text_key));
        ids.insert(Id(message.section, message.caption_key));
    }
    return ids;
}

TEST(EngIni, isAsciiWithCrLfLineEnds) {
    const QByteArray content = ReadEngIni();
    ASSERT_FALSE(content.isEmpty()) << qPrintable(EngIniPath());
    for (qsizetype i = 0; i < content.size(); ++i) {
        const auto c = static_cast<unsigned char>(content[i]);
        ASSERT_LT(c, 0x80) << "non-ASCII byte at offset " << i;
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && content[i - 1] == '\r') << "bare LF at " << i;
        }
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < content.size() && content[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_TRUE(content.endsWith("\r\n"));
}

TEST(EngIni, holdsEveryKeyTheProgramReads_andNoOther) {
    QList<QByteArray> in_file;
    for (const auto& entry : tern::test::EntriesInFile(ReadEngIni())) {
        in_file.append(entry.id());
    }
    ASSERT_FALSE(in_file.isEmpty());
    const QSet<QByteArray> read = KeysTheProgramReads();
    const auto diff = tern::test::CompareKeys(in_file, read);
    EXPECT_TRUE(diff.missing.isEmpty())
        << "missing from eng.ini: " << diff.missing.join(", ").constData();
    EXPECT_TRUE(diff.extra.isEmpty())
        << "never read by the program: " << diff.extra.join(", ").constData();
    EXPECT_TRUE(diff.duplicates.isEmpty())
        << "repeated: " << diff.duplicates.join(", ").constData();
}

TEST(EngIni, textsAsTheReaderSeesThem) {
    const LangIni ini(EngIniPath());
    EXPECT_EQ(ini.lookup(kSectionGlobal, "Title", ""), "108Mbps Wireless LAN Access Point");
    EXPECT_EQ(ini.lookup(kSectionGlobal, "ap_list", ""), "Access Point List");
    EXPECT_EQ(ini.lookup(kSectionGlobal, "QuitAsk", ""), "Do you want to quit?");
    EXPECT_EQ(ini.lookup(kSection8021x, "chk8021x", ""), " Enable 802.1X");
    EXPECT_EQ(ini.lookup(kSection8021x, "keylength1", ""), "   64 bits");
    EXPECT_EQ(ini.lookup(kSectionErrorText, "Err_wep_keyStr1", "").back(), ' ');

    // Every value is there, and the 802.1X texts keep their leading blanks.
    for (const auto table :
         {MainWindowCaptions(), AdvancedDialogCaptions(), LoginDialogCaptions(),
          MultiLoginDialogCaptions(), ListToolCaptions(), ReviewDialogCaptions()}) {
        for (const CaptionEntry& entry : table) {
            const QByteArray value = ini.lookup(entry.section, entry.key, "");
            EXPECT_FALSE(value.isEmpty()) << Id(entry.section, entry.key).constData();
            if (entry.default_text.startsWith(' ')) {
                EXPECT_TRUE(value.startsWith(' ')) << Id(entry.section, entry.key).constData();
            }
        }
    }
}

}  // namespace
}  // namespace tern::text
