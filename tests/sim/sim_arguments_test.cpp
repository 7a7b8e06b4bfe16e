// tern-ap-sim refuses a bad command line before it does anything else (no
// socket is opened): strict numbers, no stray arguments, and an error that
// names the option and the value.
#include <gtest/gtest.h>

#include <QStringList>

#include "core/net/network_guard.h"
#include "tests/support/run_program.h"

namespace {

using Outcome = tern::test::ProgramRun;

Outcome RunSim(const QStringList& args) {
    return tern::test::RunProgram(QStringLiteral(TERN_AP_SIM_PATH), args, 10000);
}

TEST(SimArguments, numbersAreDigitsOnly_theErrorNamesOptionAndValue) {
    const struct {
        const char* option;
        const char* value;
    } cases[] = {{"--count", "+3"},   {"--count", " 7"},       {"--count", "1e3"},
                 {"--count", "0x10"}, {"--delay", "-1"},       {"--port", "70000"},
                 {"--count", ""},     {"--seed", "9999999999"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " '" + c.value + "'");
        const Outcome out = RunSim({QString::fromLatin1(c.option), QString::fromLatin1(c.value)});
        EXPECT_EQ(out.exitCode, 2);
        EXPECT_TRUE(out.err.contains(QString::fromLatin1(c.option))) << out.err.toStdString();
        EXPECT_TRUE(out.err.contains(QStringLiteral("'") + QString::fromLatin1(c.value) +
                                     QStringLiteral("'")))
            << out.err.toStdString();
    }
}

TEST(SimArguments, strayArgumentsAndMoreOldApsThanApsAreErrors) {
    Outcome out = RunSim({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("5")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.err.contains(QStringLiteral("'5'"))) << out.err.toStdString();

    out = RunSim({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--old-firmware"),
                  QStringLiteral("4")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.err.contains(QStringLiteral("--old-firmware"))) << out.err.toStdString();

    out = RunSim({QStringLiteral("--ap-login"), QStringLiteral("9:root:x")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.err.contains(QStringLiteral("'9'"))) << out.err.toStdString();
}

TEST(SimArguments, inTheNamespaceTheSessionStartedIn_itRefusesToRun) {
    QString why;
    if (tern::net::InPrivateNetworkNamespace(&why)) {
        GTEST_SKIP() << "this test runs in a private namespace: the simulator may run here";
    }
    // A first AP number no other option needs: the refusal comes after the
    // command line is accepted, and before any socket.
    const Outcome out =
        RunSim({QStringLiteral("--count"), QStringLiteral("1"), QStringLiteral("--first"),
                QStringLiteral("7"), QStringLiteral("--duration"), QStringLiteral("1")});
    EXPECT_EQ(out.exitCode, 3);
    EXPECT_TRUE(out.err.contains(QStringLiteral("refusing to run: ") + why))
        << out.err.toStdString();
    EXPECT_FALSE(out.err.contains(QStringLiteral("listening"))) << out.err.toStdString();
}

TEST(SimArguments, lossChancesArePercentsFrom0To100) {
    for (const char* option : {"--drop", "--drop-acks", "--drop-sets"}) {
        for (const char* value : {"-1", "101", "5%"}) {
            SCOPED_TRACE(std::string(option) + " '" + value + "'");
            const Outcome out = RunSim({QString::fromLatin1(option), QString::fromLatin1(value)});
            EXPECT_EQ(out.exitCode, 2);
            EXPECT_TRUE(out.err.contains(QString::fromLatin1(option) + QStringLiteral(" wants")))
                << out.err.toStdString();
            EXPECT_TRUE(out.err.contains(QStringLiteral("'") + QString::fromLatin1(value) +
                                         QStringLiteral("'")))
                << out.err.toStdString();
        }
    }
}

TEST(SimArguments, lossChancesAtTheirBoundsAreAccepted) {
    QString why;
    if (tern::net::InPrivateNetworkNamespace(&why)) {
        GTEST_SKIP() << "this test runs in a private namespace: the simulator would run here";
    }
    // Accepted, so it goes on to the namespace check and refuses there.
    const Outcome out =
        RunSim({QStringLiteral("--drop"), QStringLiteral("0"), QStringLiteral("--drop-acks"),
                QStringLiteral("100"), QStringLiteral("--drop-sets"), QStringLiteral("0"),
                QStringLiteral("--duration"), QStringLiteral("1")});
    EXPECT_EQ(out.exitCode, 3) << out.err.toStdString();
}

TEST(SimArguments, firstApNumberIsChecked) {
    const Outcome out = RunSim({QStringLiteral("--first"), QStringLiteral("0")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.err.contains(QStringLiteral("--first"))) << out.err.toStdString();
}

}  // namespace
