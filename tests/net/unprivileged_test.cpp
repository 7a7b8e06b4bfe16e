// The real-socket tests run the front ends as nobody where they can, from a
// copy nobody may read. A build below a folder nobody cannot enter (a clone
// in root's home) must still be run, as nobody or, failing that, as the
// test's own user with the reason given. Only demo runs here: no socket.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

#include "tests/support/unprivileged_programs.h"

using tern::test::CliProgram;
using tern::test::ProgramRun;
using tern::test::UnprivilegedPrograms;
using tern::test::WindowProgram;

namespace {

bool CanSwitchUser() {
    return ::geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}

// A copy of the build's two front ends, with or without the window's
// language files, below a private folder (QTemporaryDir makes it 0700).
class PrivateBuild {
  public:
    explicit PrivateBuild(bool withLanguageFiles) {
        const QDir root(home_.path());
        root.mkpath(QStringLiteral("project/build"));
        build_ = QDir(root.filePath(QStringLiteral("project/build")));
        QFile::copy(QStringLiteral(TERN_AP_CLI_PATH), cli());
        QFile::copy(QStringLiteral(TERN_AP_UTILITY_PATH), window());
        if (withLanguageFiles) {
            const QDir language(QFileInfo(QStringLiteral(TERN_AP_UTILITY_PATH))
                                    .dir()
                                    .filePath(QStringLiteral("language")));
            build_.mkdir(QStringLiteral("language"));
            for (const QString& name : language.entryList(QDir::Files)) {
                QFile::copy(language.filePath(name),
                            build_.filePath(QStringLiteral("language/") + name));
            }
        }
    }
    bool isPrivate() const {
        return (QFileInfo(home_.path()).permissions() & QFileDevice::ExeOther) == 0;
    }
    QString cli() const { return build_.filePath(QStringLiteral("tern-ap-cli")); }
    QString window() const { return build_.filePath(QStringLiteral("tern-ap-utility")); }

  private:
    QTemporaryDir home_;
    QDir build_;
};

TEST(UnprivilegedRuns, aBuildBelowAPrivateFolder_stillRunsBothFrontEnds_asNobodyWhereTheTestCan) {
    const PrivateBuild build(true);
    ASSERT_TRUE(build.isPrivate());
    const UnprivilegedPrograms programs({CliProgram(build.cli()), WindowProgram(build.window())},
                                        QProcessEnvironment::systemEnvironment());
    std::printf("front ends run %s\n", qPrintable(programs.who()));
    EXPECT_EQ(programs.asNobody(), CanSwitchUser()) << programs.who().toStdString();

    const ProgramRun scan = programs.run(
        0, {QStringLiteral("--demo=2"), QStringLiteral("--json"), QStringLiteral("scan")}, 30000);
    EXPECT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    EXPECT_EQ(scan.out.count("\"mac\""), 2) << scan.out.toStdString();

    const ProgramRun window = programs.run(
        1, {QStringLiteral("--demo"), QStringLiteral("2"), QStringLiteral("--quit-after-start")},
        30000);
    EXPECT_EQ(window.exitCode, 0) << window.err.toStdString();
    EXPECT_TRUE(window.out.contains("APs listed: 2")) << window.out.toStdString();
}

TEST(UnprivilegedRuns, aFrontEndThatCannotRunAsNobody_fallsBackToTheTestsUser_andSaysWhy) {
    if (!CanSwitchUser()) GTEST_SKIP() << "not root with setpriv: nothing to fall back from";
    // The window without its language files fails as anyone; the probe must
    // catch it rather than let the tests run as nobody and fail there.
    const PrivateBuild build(false);
    const UnprivilegedPrograms programs({CliProgram(build.cli()), WindowProgram(build.window())},
                                        QProcessEnvironment::systemEnvironment());
    EXPECT_FALSE(programs.asNobody());
    EXPECT_TRUE(programs.who().contains(QStringLiteral("tern-ap-utility")))
        << programs.who().toStdString();
    EXPECT_TRUE(programs.who().contains(QStringLiteral("no language file")))
        << programs.who().toStdString();

    // The CLI still runs, from where it is, as this test's user.
    const ProgramRun scan =
        programs.run(0, {QStringLiteral("--demo=1"), QStringLiteral("scan")}, 30000);
    EXPECT_EQ(scan.exitCode, 0) << scan.err.toStdString();
}

}  // namespace
