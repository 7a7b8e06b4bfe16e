#include "app/window_options.h"

#include <QRegularExpression>

namespace tern::app {

namespace {

const QString kDemo = QStringLiteral("demo");
const QString kOldFirmware = QStringLiteral("old-firmware");
const QString kScreenshots = QStringLiteral("screenshots");
const QString kScreenshotsSize = QStringLiteral("screenshots-size");
const QString kInterface = QStringLiteral("interface");
const QString kQuitAfterStart = QStringLiteral("quit-after-start");
const QString kVersion = QStringLiteral("version");

// Looks for one of `options` among the arguments, up to a "--" after which
// everything is a positional argument.
bool HasOption(const QStringList& arguments, std::initializer_list<const char*> options) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--") return false;
        for (const char* option : options) {
            if (arguments[i] == QLatin1StringView(option)) return true;
        }
    }
    return false;
}

}  // namespace

void AddWindowOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Finds the wireless access points on the LAN segment, shows and edits their settings.\n"
        "--demo [N] runs against N simulated APs inside the program: no network traffic."));
    parser.addHelpOption();
    parser.addOption({kVersion, QStringLiteral("Prints the program's version and quits.")});
    parser.addOption({kDemo, QStringLiteral("Simulated APs in memory instead of the network.")});
    parser.addOption({kOldFirmware, QStringLiteral("With --demo: add one AP with old firmware.")});
    parser.addOption(
        {kScreenshots,
         QStringLiteral(
             "Save a picture of each page to DIR once the first search is over, then quit."),
         QStringLiteral("DIR")});
    parser.addOption({kScreenshotsSize,
                      QStringLiteral("With --screenshots: the window's size, WIDTHxHEIGHT, each "
                                     "side %1..%2 (at least the window's default).")
                          .arg(kScreenshotSideMin)
                          .arg(kScreenshotSideMax),
                      QStringLiteral("WxH")});
    parser.addOption(
        {kInterface,
         QStringLiteral(
             "Search only through this network interface (repeatable); by default every\n"
             "interface that is up and can broadcast is searched."),
         QStringLiteral("NAME")});
    parser.addOption(
        {kQuitAfterStart,
         QStringLiteral(
             "Check an installation: start (a running copy is no reason to stop), let the\n"
             "first search run, print the language file, the window title and the number\n"
             "of APs listed, and quit. Boxes are printed instead of shown.")});
    parser.addPositionalArgument(
        QStringLiteral("N"),
        QStringLiteral("Number of simulated APs with --demo, 1..%1 (default %2).")
            .arg(kDemoMaxAps)
            .arg(kDemoDefaultAps),
        QStringLiteral("[N]"));
}

std::variant<WindowOptions, QString> WindowOptionsFrom(const QCommandLineParser& parser) {
    WindowOptions o;
    o.demo = parser.isSet(kDemo);
    o.oldFirmware = parser.isSet(kOldFirmware);
    o.quitAfterStart = parser.isSet(kQuitAfterStart);
    o.interfaces = parser.values(kInterface);

    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        const QString& count = positional.first();
        if (!o.demo) {
            return QStringLiteral("'%1': a number of APs is taken with --demo only").arg(count);
        }
        bool ok = false;
        o.demoCount = count.toInt(&ok);
        // toInt takes a sign and blanks; a count is digits.
        if (!ok || !QRegularExpression(QStringLiteral("^[0-9]+$")).match(count).hasMatch() ||
            o.demoCount < 1 || o.demoCount > kDemoMaxAps) {
            return QStringLiteral("the --demo count must be 1..%1, not '%2'")
                .arg(kDemoMaxAps)
                .arg(count);
        }
    }
    if (positional.size() > 1) {
        return QStringLiteral("'%1' is not taken: --demo takes one number of APs")
            .arg(positional.at(1));
    }
    if (!o.interfaces.isEmpty() && o.demo) {
        return QStringLiteral("--interface is not taken with --demo");
    }
    if (parser.isSet(kScreenshots)) {
        o.screenshotsDir = parser.value(kScreenshots);
    }
    if (parser.isSet(kScreenshotsSize)) {
        auto size = ParseScreenshotsSize(parser.value(kScreenshotsSize));
        if (const QString* error = std::get_if<QString>(&size)) {
            return *error;
        }
        o.screenshotsSize = std::get<QSize>(size);
    }
    return o;
}

std::variant<QSize, QString> ParseScreenshotsSize(const QString& value) {
    const QString takes = QStringLiteral("it takes WIDTHxHEIGHT, each side %1..%2")
                              .arg(kScreenshotSideMin)
                              .arg(kScreenshotSideMax);
    static const QRegularExpression shape(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
    const QRegularExpressionMatch match = shape.match(value);
    if (!match.hasMatch()) {
        return QStringLiteral("--screenshots-size '%1' is not a size: %2").arg(value, takes);
    }
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    for (const int side : {size.width(), size.height()}) {
        if (side < kScreenshotSideMin || side > kScreenshotSideMax) {
            return QStringLiteral("--screenshots-size '%1' is out of range: %2").arg(value, takes);
        }
    }
    return size;
}

bool AsksForHelp(const QStringList& arguments) {
    return HasOption(arguments, {"-h", "--help", "-?", "--help-all"});
}

bool AsksForVersion(const QStringList& arguments) { return HasOption(arguments, {"--version"}); }

}  // namespace tern::app
