// tern-ap-sim refuses a bad command line before it does anything else (no
// socket is opened): strict numbers, no stray arguments, and an error that
// names the option and the value.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

namespace {

struct Outcome {
    int exitCode = -1;
    QString error;
};

Outcome RunSim(const QStringList& args) {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "tools_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    QProcess sim;
    sim.start(QStringLiteral(TERN_AP_SIM_PATH), args);
    if (!sim.waitForFinished(10000)) {
        sim.kill();
        sim.waitForFinished(2000);
        return {};
    }
    return {sim.exitCode(), QString::fromUtf8(sim.readAllStandardError())};
}

TEST(SimArguments, numbersAreDigitsOnly_theErrorNamesOptionAndValue) {
    const struct {
        const char* option;
        const char* value;
    } cases[] = {{"--count", "+3"}, {"--count", " 7"},     {"--count", "1e3"},
                 {"--count", "0x10"}, {"--delay", "-1"},   {"--port", "70000"},
                 {"--count", ""},   {"--seed", "9999999999"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " '" + c.value + "'");
        const Outcome out =
            RunSim({QString::fromLatin1(c.option), QString::fromLatin1(c.value)});
        EXPECT_EQ(out.exitCode, 2);
        EXPECT_TRUE(out.error.contains(QString::fromLatin1(c.option))) << out.error.toStdString();
        EXPECT_TRUE(out.error.contains(QStringLiteral("'") + QString::fromLatin1(c.value) +
                                       QStringLiteral("'")))
            << out.error.toStdString();
    }
}

TEST(SimArguments, strayArgumentsAndMoreOldApsThanApsAreErrors) {
    Outcome out = RunSim({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("5")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.error.contains(QStringLiteral("'5'"))) << out.error.toStdString();

    out = RunSim({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--old-firmware"),
                  QStringLiteral("4")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.error.contains(QStringLiteral("--old-firmware"))) << out.error.toStdString();

    out = RunSim({QStringLiteral("--ap-login"), QStringLiteral("9:root:x")});
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(out.error.contains(QStringLiteral("'9'"))) << out.error.toStdString();
}

}  // namespace
