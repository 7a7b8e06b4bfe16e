// tern-ap-utility run as a program: where it may start, and which language
// files it finds from where it lies.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/display_check.h"
#include "tests/support/run_program.h"

using namespace tern;
using tern::test::RunProgram;

namespace {

const QString kProgram = QStringLiteral(TERN_AP_UTILITY_PATH);
const QString kBuiltLanguage = QStringLiteral(TERN_BUILT_LANGUAGE_DIR);

QProcessEnvironment WithoutDisplay() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        e.remove(QString::fromLatin1(name));
    }
    e.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    e.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    return e;
}

QProcessEnvironment Offscreen(const QString& locale = QStringLiteral("C.UTF-8")) {
    QProcessEnvironment e = WithoutDisplay();
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("LC_ALL"), locale);
    e.insert(QStringLiteral("LANG"), locale);
    return e;
}

const QStringList kCheck = {QStringLiteral("--demo"), QStringLiteral("--quit-after-start")};

// The language file the started window reports, or the whole output when it
// reports none.
QString LanguageFileOf(const test::ProgramRun& run) {
    for (const QByteArray& line : run.out.split('\n')) {
        if (line.startsWith("language file: ")) {
            return QString::fromUtf8(line.mid(15));
        }
    }
    return QStringLiteral("(none) ") + QString::fromUtf8(run.out) + run.err;
}

// A copy of the program in <root>/bin, as an install or an unpacked
// package lays it out.
bool CopyProgram(const QString& root) {
    return QDir().mkpath(root + QStringLiteral("/bin")) &&
           QFile::copy(kProgram, root + QStringLiteral("/bin/tern-ap-utility"));
}

bool CopyLanguage(const QString& folder, const QStringList& names) {
    if (!QDir().mkpath(folder)) return false;
    for (const QString& name : names) {
        if (!QFile::copy(kBuiltLanguage + u'/' + name, folder + u'/' + name)) return false;
    }
    return true;
}

}  // namespace

TEST(NoDisplay, neitherDisplayNorPlatform_oneClearLine_exit1) {
    const auto run = RunProgram(kProgram, {}, 20000, WithoutDisplay());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QString::fromLatin1(app::kNoDisplayMessage) + u'\n');
    EXPECT_FALSE(run.err.contains(QStringLiteral("reinstall")));
    EXPECT_TRUE(run.out.isEmpty());

    // The demo asks for a display as much as the real thing.
    const auto demo = RunProgram(kProgram, {QStringLiteral("--demo")}, 20000, WithoutDisplay());
    EXPECT_EQ(demo.exitCode, 1);
    EXPECT_EQ(demo.err, QString::fromLatin1(app::kNoDisplayMessage) + u'\n');
}

TEST(NoDisplay, aDisplayNobodyAnswersOn_oneClearLine_exit1) {
#ifndef TERN_HAVE_XCB
    GTEST_SKIP() << "built without xcb: the display is left to Qt";
#endif
    QProcessEnvironment e = WithoutDisplay();
    e.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));  // no server, no socket
    const auto run = RunProgram(kProgram, {QStringLiteral("--demo")}, 20000, e);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QString::fromLatin1(app::UnreachableDisplayMessage(":97")) + u'\n');
    EXPECT_FALSE(run.err.contains(QStringLiteral("reinstall")));
}

TEST(NoDisplay, helpIsStillShown) {
    const auto run = RunProgram(kProgram, {QStringLiteral("--help")}, 20000, WithoutDisplay());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("--quit-after-start")) << run.out.constData();
}

TEST(NoDisplay, aChosenPlatformIsLeftToQt) {
    app::DisplayEnvironment e;
    EXPECT_TRUE(app::NoDisplayFor(e));
    e.x11Display = ":0";
    EXPECT_FALSE(app::NoDisplayFor(e));
    e = {};
    e.waylandDisplay = "wayland-0";
    EXPECT_FALSE(app::NoDisplayFor(e));
    e = {};
    e.qtPlatform = "offscreen";
    EXPECT_FALSE(app::NoDisplayFor(e));
    e = {};
    e.platformArgument = true;
    EXPECT_FALSE(app::NoDisplayFor(e));

    // As a program: -platform on the command line instead of the variable.
    const auto run = RunProgram(kProgram,
                                {QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                 QStringLiteral("--demo"), QStringLiteral("--quit-after-start")},
                                30000, WithoutDisplay());
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains("window title: 108Mbps Wireless LAN Access Point"))
        << run.out.constData();
}

TEST(LanguageFiles, buildFolder_theFilesBesideTheProgram) {
    const auto run = RunProgram(kProgram, kCheck, 30000, Offscreen());
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(LanguageFileOf(run), QDir(kBuiltLanguage).filePath(QStringLiteral("eng.ini")));
    EXPECT_TRUE(run.out.contains("window title: 108Mbps Wireless LAN Access Point\n"));
    EXPECT_TRUE(run.out.contains("APs listed: 8\n")) << run.out.constData();
}

TEST(LanguageFiles, movedInstall_foundUnderShareRelativeToTheProgram_besideStillFirst) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString root = tmp.filePath(QStringLiteral("moved/usr"));
    const QString installed = root + QStringLiteral("/share/tern-ap-utility/language");
    ASSERT_TRUE(CopyProgram(root));
    ASSERT_TRUE(CopyLanguage(installed, {QStringLiteral("eng.ini"), QStringLiteral("gem.ini")}));
    const QString program = root + QStringLiteral("/bin/tern-ap-utility");

    auto run = RunProgram(program, kCheck, 30000, Offscreen());
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(LanguageFileOf(run), installed + QStringLiteral("/eng.ini"));
    run = RunProgram(program, kCheck, 30000, Offscreen(QStringLiteral("de_DE.UTF-8")));
    EXPECT_EQ(LanguageFileOf(run), installed + QStringLiteral("/gem.ini"));

    // English beside the program wins over English installed, but not over
    // the user's own language installed.
    ASSERT_TRUE(CopyLanguage(root + QStringLiteral("/bin/language"), {QStringLiteral("eng.ini")}));
    run = RunProgram(program, kCheck, 30000, Offscreen());
    EXPECT_EQ(LanguageFileOf(run), root + QStringLiteral("/bin/language/eng.ini"));
    run = RunProgram(program, kCheck, 30000, Offscreen(QStringLiteral("de_DE.UTF-8")));
    EXPECT_EQ(LanguageFileOf(run), installed + QStringLiteral("/gem.ini"));
}

TEST(LanguageFiles, noneAnywhere_theWarningAndExit1_neverAWindow) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(CopyProgram(tmp.path()));
    const auto run =
        RunProgram(tmp.filePath(QStringLiteral("bin/tern-ap-utility")), kCheck, 30000, Offscreen());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("Warning! The necessary file is not found. It is "
                                        "recommended that you reinstall the utility.")))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains("window title"));
}
