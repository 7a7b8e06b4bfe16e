// 5000 simulated APs answering one search over real UDP, with the receive
// buffer held to a stock desktop's limit (212 992 bytes, what an
// unprivileged process gets): both front ends must list every one. Runs
// only inside tools/isolated-net; as an unprivileged user where the test can
// switch to one.
#include "tests/support/net_test_support.h"
#include "tests/support/run_program.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <functional>

using namespace tern;
using tern::test::ProgramRun;
using tern::test::RunProgram;
using tern::test::SimProcess;

namespace {

#ifdef TERN_SANITIZED_BUILD
// Under the sanitizers every program runs several times slower: the reader
// and the window are exercised with a burst such a build can keep up with.
constexpr int kAps = 1000;
#else
constexpr int kAps = 5000;
#endif
// The kernel may still drop some when this machine is busy with other
// work (the simulator shares its processors); the program then says so,
// and the search is tried again, a few times at most. A loss it does not
// report fails at once.
constexpr int kAttempts = 3;

class Burst : public tern::test::IsolatedNetworkTest {
protected:
    void SetUp() override {
        IsolatedNetworkTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(home_.isValid());
        // Somewhere the unprivileged user may write (Qt's runtime folder).
        QFile::setPermissions(home_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther);
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert(QStringLiteral("TERN_AP_RCVBUF"), QStringLiteral("212992"));
        environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment_.insert(QStringLiteral("HOME"), home_.path());
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path());
        unprivileged_ = CanRunAsNobody();
        std::printf("front ends run %s\n",
                    unprivileged_ ? "as the unprivileged user nobody"
                                  : "as this test's own user: it cannot switch to an "
                                    "unprivileged one (not root, no setpriv, or the build "
                                    "is not readable by others)");
    }

    // The program, as nobody where possible.
    ProgramRun run(const QString& program, QStringList args) const {
        QString path = program;
        if (unprivileged_) {
            args = QStringList{QStringLiteral("--reuid"), QStringLiteral("65534"),
                               QStringLiteral("--regid"), QStringLiteral("65534"),
                               QStringLiteral("--clear-groups"), program} +
                   args;
            path = QStringLiteral("setpriv");
        }
        return RunProgram(path, args, 60000, environment_);
    }

    // Searches with a fresh simulator until a front end lists every AP,
    // trying again only after a loss the program itself reported.
    void expectAllListed(const char* frontEnd,
                         const std::function<int(const ProgramRun&)>& listed,
                         const std::function<ProgramRun()>& search) {
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            SimProcess sim({QStringLiteral("--count"), QString::number(kAps),
                            QStringLiteral("--max-requests"), QStringLiteral("1")});
            ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
            const ProgramRun result = search();
            ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
            const int count = listed(result);
            const bool lossReported = result.err.contains(QStringLiteral("datagram(s) lost"));
            std::printf("%s, attempt %d: %d of %d listed%s\n", frontEnd, attempt, count, kAps,
                        lossReported ? " (the kernel dropped some; the program said so)" : "");
            if (count == kAps) {
                EXPECT_FALSE(lossReported) << result.err.toStdString();
                return;
            }
            ASSERT_TRUE(lossReported)
                << frontEnd << " lost replies without saying so:\n" << result.err.toStdString();
        }
        ADD_FAILURE() << frontEnd << " did not list all " << kAps << " APs in " << kAttempts
                      << " searches";
    }

private:
    bool CanRunAsNobody() const {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
            return false;
        }
        const ProgramRun probe =
            RunProgram(QStringLiteral("setpriv"),
                       {QStringLiteral("--reuid"), QStringLiteral("65534"), QStringLiteral("--regid"),
                        QStringLiteral("65534"), QStringLiteral("--clear-groups"),
                        QStringLiteral(TERN_AP_CLI_PATH), QStringLiteral("--demo=1"),
                        QStringLiteral("--quiet"), QStringLiteral("scan")},
                       20000, environment_);
        return probe.exitCode == 0;
    }

    QTemporaryDir home_;
    QProcessEnvironment environment_;
    bool unprivileged_ = false;
};

TEST_F(Burst, cliScan_listsEveryOneOf5000Aps_atTheStockReceiveBuffer) {
    expectAllListed(
        "tern-ap-cli scan",
        [](const ProgramRun& r) {
            return static_cast<int>(r.out.count("\"mac\""));
        },
        [this] {
            return run(QStringLiteral(TERN_AP_CLI_PATH),
                       {QStringLiteral("--json"), QStringLiteral("--quiet"), QStringLiteral("scan")});
        });
}

TEST_F(Burst, window_listsEveryOneOf5000Aps_atTheStockReceiveBuffer) {
    expectAllListed(
        "tern-ap-utility",
        [](const ProgramRun& r) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("APs listed: (\\d+)")).match(QString::fromUtf8(r.out));
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        },
        [this] { return run(QStringLiteral(TERN_AP_UTILITY_PATH), {QStringLiteral("--quit-after-start")}); });
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
