#include "core/text/lang_ini.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tern::text {
namespace {

QByteArray Look(const LangIni& ini, QByteArrayView section, QByteArrayView key) {
    return ini.lookup(section, key, "DEFAULT");
}

bool WriteFile(const QString& path, QByteArrayView content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(content.data(), content.size()) == content.size();
}

TEST(LangIni, missingFileSectionOrKey_yieldDefault) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const LangIni missing(dir.filePath(QStringLiteral("nothing.ini")));
    EXPECT_EQ(Look(missing, "GLOBAL", "Title"), "DEFAULT");

    const LangIni ini = LangIni::FromBytes("[GLOBAL]\nTitle=Tern\n");
    EXPECT_EQ(Look(ini, "GLOBAL", "Title"), "Tern");
    EXPECT_EQ(Look(ini, "AP", "Title"), "DEFAULT");
    EXPECT_EQ(Look(ini, "GLOBAL", "Refresh"), "DEFAULT");
    EXPECT_EQ(Look(LangIni::FromBytes(""), "GLOBAL", "Title"), "DEFAULT");
    // An empty default stays empty; a directory is no language file.
    EXPECT_EQ(ini.lookup("GLOBAL", "Refresh", ""), QByteArray());
    EXPECT_EQ(Look(LangIni(dir.path()), "GLOBAL", "Title"), "DEFAULT");
}

TEST(LangIni, namesCompareCaseInsensitively_valuesKeepTheirCase) {
    const LangIni ini =
        LangIni::FromBytes("[global]\nTITLE=Mixed Case\n[Ap]\nadvance setting=More\n");
    EXPECT_EQ(Look(ini, "GLOBAL", "Title"), "Mixed Case");
    EXPECT_EQ(Look(ini, "gLoBaL", "tItLe"), "Mixed Case");
    EXPECT_EQ(Look(ini, "AP", "Advance Setting"), "More");
    // Folding is ASCII only: a byte above 0x7F matches only itself.
    const LangIni high = LangIni::FromBytes("[S]\n\xC4=upper\n");
    EXPECT_EQ(Look(high, "s", "\xC4"), "upper");
    EXPECT_EQ(Look(high, "s", "\xE4"), "DEFAULT");
}

TEST(LangIni, blanksTrimmed_oneMatchingQuotePairStripped) {
    const LangIni ini = LangIni::FromBytes(
        "  [ 8021x ]  \n"
        "\t chk8021x \t=  \" Enable 802.1X\"  \n"
        "single=' Port '\n"
        "plain =  Length  \n"
        "unmatched=\"half\n"
        "mixed=\"odd'\n"
        "nested=\"\"x\"\"\n"
        "lone=\"\n"
        "empty=\"\"\n"
        "inner=a \"b\" c\n");
    EXPECT_EQ(Look(ini, "8021x", "chk8021x"), " Enable 802.1X");
    EXPECT_EQ(Look(ini, "8021x", "single"), " Port ");
    EXPECT_EQ(Look(ini, "8021x", "plain"), "Length");
    EXPECT_EQ(Look(ini, "8021x", "unmatched"), "\"half");
    EXPECT_EQ(Look(ini, "8021x", "mixed"), "\"odd'");
    EXPECT_EQ(Look(ini, "8021x", "nested"), "\"x\"");
    EXPECT_EQ(Look(ini, "8021x", "lone"), "\"");
    EXPECT_EQ(Look(ini, "8021x", "empty"), "");
    EXPECT_EQ(Look(ini, "8021x", "inner"), "a \"b\" c");
}

TEST(LangIni, lineEndsBomCommentsAndMalformedLines) {
    const LangIni crlf = LangIni::FromBytes("[A]\r\none=1\r\ntwo=2\r\n\r\n[B]\rthree=3\r");
    EXPECT_EQ(Look(crlf, "A", "one"), "1");
    EXPECT_EQ(Look(crlf, "A", "two"), "2");
    EXPECT_EQ(Look(crlf, "B", "three"), "3");

    const LangIni bom = LangIni::FromBytes("\xEF\xBB\xBF[GLOBAL]\r\nTitle=T\r\n");
    EXPECT_EQ(Look(bom, "GLOBAL", "Title"), "T");

    const LangIni odd = LangIni::FromBytes(
        "before=none\n"  // no section yet
        "[S]\n"
        "; key=comment\n"
        "  ;also=comment\n"
        "no equals sign\n"
        "=no key\n"
        "[broken\n"  // not a header: still in [S]
        "after=yes\n"
        "eq=a=b\n");
    EXPECT_EQ(Look(odd, "S", "before"), "DEFAULT");
    EXPECT_EQ(Look(odd, "S", "; key"), "DEFAULT");
    EXPECT_EQ(Look(odd, "S", ";also"), "DEFAULT");
    EXPECT_EQ(Look(odd, "S", "no equals sign"), "DEFAULT");
    EXPECT_EQ(Look(odd, "S", ""), "DEFAULT");
    EXPECT_EQ(Look(odd, "S", "after"), "yes");
    EXPECT_EQ(Look(odd, "S", "eq"), "a=b");
    EXPECT_EQ(Look(odd, "broken", "after"), "DEFAULT");
}

TEST(LangIni, firstKeyAndFirstSectionBlockWin) {
    const LangIni ini = LangIni::FromBytes(
        "[S]\nk=first\nK=second\n[T]\nx=1\n[s]\nk=third\nlate=only in the second block\n");
    EXPECT_EQ(Look(ini, "S", "k"), "first");
    EXPECT_EQ(Look(ini, "S", "late"), "DEFAULT");
    EXPECT_EQ(Look(ini, "T", "x"), "1");
}

TEST(LangIni, valuesAreBytesUnchanged_cutAt2047) {
    const QByteArray shift_jis = "\x90\xDD\x92\xE8";  // Shift_JIS "settings"
    const QByteArray big5_mark = "Setting Error\xA1\x49";
    const LangIni ini = LangIni::FromBytes("[S]\nsj=" + shift_jis + "\nmark=" + big5_mark +
                                           "\nlong=" + QByteArray(5000, 'x') + "\nq=\"" +
                                           QByteArray(3000, 'y') + "\"\n");
    EXPECT_EQ(Look(ini, "S", "sj"), shift_jis);
    EXPECT_EQ(Look(ini, "S", "mark"), big5_mark);
    EXPECT_EQ(Look(ini, "S", "long"), QByteArray(2047, 'x'));
    EXPECT_EQ(Look(ini, "S", "q"), QByteArray(2047, 'y'));
    EXPECT_EQ(ini.lookup("S", "none", QByteArray(3000, 'd')), QByteArray(2047, 'd'));
    EXPECT_EQ(ini.lookup("S", "none", big5_mark), big5_mark);
}

TEST(LangIni, fileRemovedEditedOrRestoredWhileRunning_followsTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("eng.ini"));
    ASSERT_TRUE(WriteFile(path, "[GLOBAL]\r\nTitle=Before\r\n"));

    const LangIni ini(path);
    EXPECT_EQ(ini.path(), path);
    EXPECT_EQ(Look(ini, "GLOBAL", "Title"), "Before");

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(Look(ini, "GLOBAL", "Title"), "DEFAULT");

    ASSERT_TRUE(WriteFile(path, "[GLOBAL]\r\nTitle=Restored again\r\n"));
    EXPECT_EQ(Look(ini, "GLOBAL", "Title"), "Restored again");

    ASSERT_TRUE(WriteFile(path, "[GLOBAL]\r\nRefresh=R\r\n"));
    EXPECT_EQ(Look(ini, "GLOBAL", "Title"), "DEFAULT");
    EXPECT_EQ(Look(ini, "GLOBAL", "Refresh"), "R");
}

TEST(LangIni, unreadableFile_yieldsDefaults) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("locked.ini"));
    ASSERT_TRUE(WriteFile(path, "[GLOBAL]\nTitle=Secret\n"));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly)) GTEST_SKIP() << "permissions not enforced (root?)";
    EXPECT_EQ(Look(LangIni(path), "GLOBAL", "Title"), "DEFAULT");
}

}  // namespace
}  // namespace tern::text
