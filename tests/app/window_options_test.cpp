// The window's command line as the program reads it: what it runs with, and
// each value it refuses with the line that says why.
#include "app/window_options.h"

#include <gtest/gtest.h>

#include <QCommandLineParser>

using namespace tern::app;

namespace {

std::variant<WindowOptions, QString> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    AddWindowOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("tern-ap-utility")} + arguments)) {
        return QStringLiteral("parser: ") + parser.errorText();
    }
    return WindowOptionsFrom(parser);
}

WindowOptions Taken(const QStringList& arguments) {
    const auto parsed = Parse(arguments);
    if (const QString* error = std::get_if<QString>(&parsed)) {
        ADD_FAILURE() << qPrintable(arguments.join(u' ')) << ": " << qPrintable(*error);
        return {};
    }
    return std::get<WindowOptions>(parsed);
}

QString Refusal(const QStringList& arguments) {
    const auto parsed = Parse(arguments);
    if (const QString* error = std::get_if<QString>(&parsed)) return *error;
    ADD_FAILURE() << qPrintable(arguments.join(u' ')) << " was taken";
    return {};
}

}  // namespace

TEST(WindowOptions, demoCount_defaultsTo8_andIsTakenUpTo5000) {
    EXPECT_FALSE(Taken({}).demo);
    EXPECT_EQ(Taken({QStringLiteral("--demo")}).demoCount, 8);
    EXPECT_EQ(Taken({QStringLiteral("--demo"), QStringLiteral("1")}).demoCount, 1);
    EXPECT_EQ(Taken({QStringLiteral("--demo"), QStringLiteral("5000")}).demoCount, 5000);
    EXPECT_EQ(Taken({QStringLiteral("3"), QStringLiteral("--demo")}).demoCount, 3);
}

TEST(WindowOptions, demoCountOutsideTheRange_namesTheCountAndTheRange) {
    for (const char* count : {"0", "5001", "abc", "+3", "3.0", "99999999999"}) {
        const QString error = Refusal({QStringLiteral("--demo"), QString::fromLatin1(count)});
        EXPECT_TRUE(error.contains(QStringLiteral("the --demo count must be 1..5000")))
            << qPrintable(error);
        EXPECT_TRUE(error.contains(u'\'' + QString::fromLatin1(count) + u'\''))
            << qPrintable(error);
    }
}

TEST(WindowOptions, argumentsTheWindowDoesNotTake_areRefused) {
    QString error = Refusal({QStringLiteral("--demo"), QStringLiteral("3"), QStringLiteral("4")});
    EXPECT_TRUE(error.contains(QStringLiteral("'4'"))) << qPrintable(error);
    error = Refusal(
        {QStringLiteral("--demo"), QStringLiteral("--"), QStringLiteral("3"), QStringLiteral("x")});
    EXPECT_TRUE(error.contains(QStringLiteral("'x'"))) << qPrintable(error);

    error = Refusal({QStringLiteral("20")});
    EXPECT_TRUE(error.contains(QStringLiteral("'20'"))) << qPrintable(error);
    EXPECT_TRUE(error.contains(QStringLiteral("with --demo only"))) << qPrintable(error);

    error =
        Refusal({QStringLiteral("--demo"), QStringLiteral("--interface"), QStringLiteral("eth0")});
    EXPECT_TRUE(error.contains(QStringLiteral("--interface"))) << qPrintable(error);
}

TEST(WindowOptions, theRestIsPassedOn) {
    const WindowOptions o =
        Taken({QStringLiteral("--interface"), QStringLiteral("eth0"), QStringLiteral("--interface"),
               QStringLiteral("eth1"), QStringLiteral("--quit-after-start"),
               QStringLiteral("--screenshots"), QStringLiteral("shots"),
               QStringLiteral("--screenshots-size"), QStringLiteral("860x700")});
    EXPECT_EQ(o.interfaces, (QStringList{QStringLiteral("eth0"), QStringLiteral("eth1")}));
    EXPECT_TRUE(o.quitAfterStart);
    EXPECT_EQ(o.screenshotsDir, QStringLiteral("shots"));
    EXPECT_EQ(o.screenshotsSize, QSize(860, 700));
    EXPECT_FALSE(Taken({}).screenshotsDir.has_value());
    EXPECT_FALSE(Taken({}).screenshotsSize.has_value());
    EXPECT_TRUE(Taken({QStringLiteral("--demo"), QStringLiteral("--old-firmware")}).oldFirmware);
}

TEST(ScreenshotsSize, eachSideFrom16To8192_isTaken) {
    for (const auto& [text, size] :
         std::initializer_list<std::pair<const char*, QSize>>{{"860x700", {860, 700}},
                                                              {"16x16", {16, 16}},
                                                              {"8192x8192", {8192, 8192}},
                                                              {"16x8192", {16, 8192}},
                                                              {"0860x0700", {860, 700}}}) {
        const auto parsed = ParseScreenshotsSize(QString::fromLatin1(text));
        ASSERT_TRUE(std::holds_alternative<QSize>(parsed)) << text;
        EXPECT_EQ(std::get<QSize>(parsed), size) << text;
    }
}

TEST(ScreenshotsSize, malformedOrOutOfRange_isRefused_namingOptionValueAndRange) {
    for (const char* text : {"40000x40000",
                             "8193x700",
                             "860x8193",
                             "15x700",
                             "860x15",
                             "0x0",
                             "axb",
                             "860x",
                             "x700",
                             "860",
                             "860x700x2",
                             "-16x16",
                             "+860x700",
                             " 860x700",
                             "860x700 ",
                             "860X700",
                             "860*700",
                             "",
                             "99999999999x700",
                             "1e3x700"}) {
        const QString value = QString::fromLatin1(text);
        const auto parsed = ParseScreenshotsSize(value);
        ASSERT_TRUE(std::holds_alternative<QString>(parsed)) << '"' << text << '"';
        const QString error = std::get<QString>(parsed);
        EXPECT_TRUE(error.contains(QStringLiteral("--screenshots-size '") + value + u'\''))
            << qPrintable(error);
        EXPECT_TRUE(error.contains(QStringLiteral("16..8192"))) << qPrintable(error);
    }
    // As the command line gives it.
    const QString error =
        Refusal({QStringLiteral("--screenshots-size"), QStringLiteral("40000x40000")});
    EXPECT_TRUE(error.contains(QStringLiteral("'40000x40000'"))) << qPrintable(error);
}

TEST(EarlyOptions, versionAndHelp_areFoundAnywhereBeforeADoubleDash) {
    const QString program = QStringLiteral("tern-ap-utility");
    EXPECT_TRUE(AsksForVersion({program, QStringLiteral("--version")}));
    EXPECT_TRUE(AsksForVersion({program, QStringLiteral("--demo"), QStringLiteral("--version")}));
    EXPECT_FALSE(AsksForVersion({program}));
    EXPECT_FALSE(AsksForVersion({QStringLiteral("--version")}));  // the program's own name
    EXPECT_FALSE(AsksForVersion({program, QStringLiteral("--"), QStringLiteral("--version")}));
    EXPECT_FALSE(AsksForVersion({program, QStringLiteral("--versions")}));

    for (const char* help : {"-h", "--help", "-?", "--help-all"}) {
        EXPECT_TRUE(AsksForHelp({program, QStringLiteral("--demo"), QString::fromLatin1(help)}))
            << help;
    }
    EXPECT_FALSE(AsksForHelp({program, QStringLiteral("--demo")}));
    EXPECT_FALSE(AsksForHelp({program, QStringLiteral("--"), QStringLiteral("--help")}));
}
