#include "app/cli_options.h"

#include <optional>

#include "apply/validation.h"

namespace tern::app {

namespace {

// Digits only, within the limits; else the error that names the option.
std::optional<QString> ParseNumber(const QString& option, const QString& text, int min, int max,
                                   int* value) {
    const std::optional<qint64> v = apply::DecimalValue(text);
    if (!v || *v < min || *v > max) {
        return QStringLiteral("%1 wants a whole number from %2 to %3, not '%4'")
            .arg(option)
            .arg(min)
            .arg(max)
            .arg(text);
    }
    *value = static_cast<int>(*v);
    return std::nullopt;
}

}  // namespace

std::variant<CliOptions, QString> ParseCliOptions(const QStringList& arguments) {
    CliOptions o;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--help" || a == u"-h") {
            o.help = true;
        } else if (a == u"--demo") {
            o.demo = true;
        } else if (a.startsWith(u"--demo=")) {
            o.demo = true;
            if (auto e = ParseNumber(QStringLiteral("--demo"), a.mid(7), 1, 5000, &o.demoCount)) {
                return *e;
            }
        } else if (a == u"--json") {
            o.json = true;
        } else if (a == u"--quiet") {
            o.quiet = true;
        } else if (a == u"--show-secrets") {
            o.showSecrets = true;
        } else if (a == u"--all") {
            o.all = true;
        } else if (a == u"--timeout-ms" || a.startsWith(u"--timeout-ms=")) {
            QString value;
            if (a.contains(u'=')) {
                value = a.mid(a.indexOf(u'=') + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return QStringLiteral("--timeout-ms wants a value");
            }
            if (auto e = ParseNumber(QStringLiteral("--timeout-ms"), value, 100, 600000,
                                     &o.timeoutMs)) {
                return *e;
            }
        } else if (a.startsWith(u'-') && a.size() > 1) {
            return QStringLiteral("unknown option '%1'").arg(a);
        } else {
            positional << a;
        }
    }
    if (o.help) return o;
    if (positional.isEmpty()) {
        return QStringLiteral("a command is missing (scan or show)");
    }
    o.command = positional.takeFirst();
    o.args = positional;
    if (o.command == u"scan") {
        if (!o.args.isEmpty() || o.all) {
            return QStringLiteral("scan takes no argument, not '%1'")
                .arg(o.all ? QStringLiteral("--all") : o.args.first());
        }
    } else if (o.command == u"show") {
        if (o.all == !o.args.isEmpty() || o.args.size() > 1) {
            return o.args.size() > 1
                       ? QStringLiteral("show takes one TARGET, not also '%1'").arg(o.args[1])
                       : QStringLiteral("show wants one TARGET: a MAC address, an AP name, or --all");
        }
    } else {
        return QStringLiteral("unknown command '%1' (scan or show)").arg(o.command);
    }
    return o;
}

QString CliUsage() {
    return QStringLiteral(
        "usage: tern-ap-cli [--demo[=N]] [--json] [--timeout-ms MS] [--quiet] COMMAND [ARGS]\n"
        "  scan               every AP that answers one search\n"
        "  show TARGET        every setting of the AP(s), decoded\n"
        "TARGET: a MAC address (02-54-45-00-00-00), an AP name, or --all\n"
        "options (before or after the command):\n"
        "  --demo[=N]         N simulated APs in this process (default 8): no network traffic\n"
        "  --json             machine-readable output\n"
        "  --timeout-ms MS    how long a search listens (100..600000, default 2000)\n"
        "  --show-secrets     show keys, pass phrases and RADIUS secrets (default ***)\n"
        "  --quiet            no progress on stderr\n"
        "exit codes: 0 done; 1 no AP matched, or the socket cannot be opened;\n"
        "  2 usage error or invalid value (nothing sent)\n");
}

}  // namespace tern::app
