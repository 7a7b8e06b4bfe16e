// tern-ap-utility run as a program: where it may start, which language
// files it finds from where it lies, what it refuses on its command line,
// and when a second start ends.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

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

// Someone's private runtime folder and temporary folder, so that a window
// started here meets no copy of the machine's users.
struct UserFolders {
    UserFolders() {
        QDir().mkdir(runtime());
        QDir().mkdir(temp());
        ::chmod(QFile::encodeName(runtime()).constData(), 0700);
        ::chmod(QFile::encodeName(temp()).constData(), 0700);
    }
    QString runtime() const { return tmp.filePath(QStringLiteral("run")); }
    QString temp() const { return tmp.filePath(QStringLiteral("tmp")); }
    QString fallback() const {
        return temp() + QStringLiteral("/tern-ap-utility-") + QString::number(::getuid());
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment e = Offscreen();
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        e.insert(QStringLiteral("TMPDIR"), temp());
        return e;
    }
    QTemporaryDir tmp;
};

bool HasSocket(const QString& folder) {
    return !QDir(folder).entryList({QStringLiteral("tern-window-*")}, QDir::System).isEmpty();
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QThread::msleep(50);
    return done();
}

// A window of the demo that runs until the test ends it.
class RunningWindow {
  public:
    explicit RunningWindow(const QProcessEnvironment& environment) {
        test::EnsureCoreApp();
        process_.setProcessEnvironment(environment);
        process_.start(kProgram, {QStringLiteral("--demo"), QStringLiteral("1")});
        process_.waitForStarted(10000);
    }
    ~RunningWindow() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    bool running() { return !process_.waitForFinished(0) && process_.state() == QProcess::Running; }
    QString err() {
        process_.waitForReadyRead(100);
        return QString::fromUtf8(process_.readAllStandardError());
    }

  private:
    QProcess process_;
};

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

TEST(LanguageFiles, checkWithAFileThatCannotBeRead_exit1_namingTheFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads a file of any mode";
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ASSERT_TRUE(CopyProgram(tmp.path()));
    const QString language = tmp.filePath(QStringLiteral("bin/language"));
    ASSERT_TRUE(CopyLanguage(language, {QStringLiteral("eng.ini")}));
    ASSERT_TRUE(QFile::setPermissions(language + QStringLiteral("/eng.ini"), {}));
    const auto run =
        RunProgram(tmp.filePath(QStringLiteral("bin/tern-ap-utility")), kCheck, 30000, Offscreen());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot read the language file ") + language +
                                 QStringLiteral("/eng.ini")))
        << qPrintable(run.err);
    EXPECT_FALSE(run.out.contains("window title"));
}

TEST(CommandLine, versionIsPrintedWithoutADisplay) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("--version")},
          QStringList{QStringLiteral("--demo"), QStringLiteral("--version")}}) {
        const auto run = RunProgram(kProgram, args, 20000, WithoutDisplay());
        EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
        EXPECT_EQ(run.out, QByteArray("tern-ap-utility " TERN_VERSION "\n"));
        EXPECT_TRUE(run.err.isEmpty()) << qPrintable(run.err);
    }
    const auto help = RunProgram(kProgram, {QStringLiteral("--help")}, 20000, WithoutDisplay());
    EXPECT_TRUE(help.out.contains("--version")) << help.out.constData();
}

TEST(CommandLine, refusedValues_exit2_beforeAWindowOrAPicture) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString shots = tmp.filePath(QStringLiteral("shots"));
    const struct {
        QStringList args;
        QString says;
    } cases[] = {
        {{QStringLiteral("--demo"), QStringLiteral("3"), QStringLiteral("4")},
         QStringLiteral("'4' is not taken")},
        {{QStringLiteral("--demo"), QStringLiteral("0")},
         QStringLiteral("the --demo count must be 1..5000, not '0'")},
        {{QStringLiteral("--demo"), QStringLiteral("--screenshots"), shots,
          QStringLiteral("--screenshots-size"), QStringLiteral("40000x40000")},
         QStringLiteral("--screenshots-size '40000x40000' is out of range")},
        {{QStringLiteral("--demo"), QStringLiteral("--screenshots"), shots,
          QStringLiteral("--screenshots-size"), QStringLiteral("axb")},
         QStringLiteral("--screenshots-size 'axb' is not a size")},
    };
    for (const auto& c : cases) {
        const auto run = RunProgram(kProgram, c.args, 20000, Offscreen());
        EXPECT_EQ(run.exitCode, 2) << qPrintable(c.args.join(u' '));
        // Qt may have its say first.
        EXPECT_TRUE(run.err.contains(QStringLiteral("tern-ap-utility: ") + c.says))
            << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(shots));
}

TEST(SecondStart, ofTheSameUser_endsSilently_butNotForASocketInAFolderOpenToOthers) {
    UserFolders user;
    ASSERT_TRUE(user.tmp.isValid());
    RunningWindow first(user.environment());
    ASSERT_TRUE(WaitUntil([&] { return HasSocket(user.runtime()); }, 30000))
        << qPrintable(first.err());

    const auto second = RunProgram(kProgram, {QStringLiteral("--demo"), QStringLiteral("1")}, 20000,
                                   user.environment());
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_TRUE(second.err.isEmpty()) << qPrintable(second.err);

    // The first copy's socket is still there, but anyone could have put it
    // there: the start carries on with a private folder of its own.
    ASSERT_EQ(::chmod(QFile::encodeName(user.runtime()).constData(), 0777), 0);
    RunningWindow third(user.environment());
    EXPECT_TRUE(WaitUntil([&] { return HasSocket(user.fallback()); }, 30000));
    EXPECT_TRUE(third.running()) << qPrintable(third.err());

    // With no private folder at all it starts without looking, and says so.
    UserFolders open;
    ASSERT_EQ(::chmod(QFile::encodeName(open.runtime()).constData(), 0755), 0);
    ASSERT_TRUE(QDir().mkdir(open.fallback()));
    ASSERT_EQ(::chmod(QFile::encodeName(open.fallback()).constData(), 0755), 0);
    RunningWindow fourth(open.environment());
    QString said;
    EXPECT_TRUE(WaitUntil(
        [&] {
            said += fourth.err();
            return said.contains(QStringLiteral("no private folder"));
        },
        30000))
        << qPrintable(said);
    QThread::msleep(1000);
    EXPECT_TRUE(fourth.running()) << qPrintable(said);
}
