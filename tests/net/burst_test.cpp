// 5000 simulated APs answering one search over real UDP, with the receive
// buffer held to a stock desktop's limit (212 992 bytes, what an
// unprivileged process gets): both front ends must list every one. Runs
// only inside tools/isolated-net; as an unprivileged user where the test can
// switch to one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/net_test_support.h"
#include "tests/support/run_program.h"
#include "tests/support/unprivileged_programs.h"

using namespace tern;
using tern::test::ProgramRun;
using tern::test::RunProgram;
using tern::test::SimProcess;
using tern::test::UnprivilegedPrograms;

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
    enum Program : std::size_t { kCli, kWindow };

    void SetUp() override {
        IsolatedNetworkTest::SetUp();
        if (HasFatalFailure()) return;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TERN_AP_RCVBUF"), QStringLiteral("212992"));
        programs_ = std::make_unique<UnprivilegedPrograms>(
            std::vector<tern::test::ProgramToRun>{
                tern::test::CliProgram(QStringLiteral(TERN_AP_CLI_PATH)),
                tern::test::WindowProgram(QStringLiteral(TERN_AP_UTILITY_PATH))},
            environment);
        std::printf("front ends run %s\n", qPrintable(programs_->who()));
    }

    ProgramRun run(Program program, QStringList args) const {
        return programs_->run(program, std::move(args), 60000);
    }

    // Searches with a fresh simulator until a front end lists every AP,
    // trying again only after a loss the program itself reported.
    void expectAllListed(const char* frontEnd, const std::function<int(const ProgramRun&)>& listed,
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
            ASSERT_TRUE(lossReported) << frontEnd << " lost replies without saying so:\n"
                                      << result.err.toStdString();
        }
        ADD_FAILURE() << frontEnd << " did not list all " << kAps << " APs in " << kAttempts
                      << " searches";
    }

  private:
    std::unique_ptr<UnprivilegedPrograms> programs_;
};

TEST_F(Burst, cliScan_listsEveryOneOf5000Aps_atTheStockReceiveBuffer) {
    expectAllListed(
        "tern-ap-cli scan",
        [](const ProgramRun& r) { return static_cast<int>(r.out.count("\"mac\"")); },
        [this] {
            return run(kCli, {QStringLiteral("--json"), QStringLiteral("--quiet"),
                              QStringLiteral("scan")});
        });
}

TEST_F(Burst, window_listsEveryOneOf5000Aps_atTheStockReceiveBuffer) {
    expectAllListed(
        "tern-ap-utility",
        [](const ProgramRun& r) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("APs listed: (\\d+)"))
                    .match(QString::fromUtf8(r.out));
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        },
        [this] { return run(kWindow, {QStringLiteral("--quit-after-start")}); });
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
