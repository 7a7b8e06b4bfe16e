#include "cli/cli_options.h"

#include <optional>
#include <variant>

#include "core/form/form_model.h"
#include "core/rules/validation.h"

namespace tern::app {

namespace {

// Digits only, within the limits: the number, else the error that names the
// option.
std::variant<int, QString> ParseNumber(const QString& option, const QString& text, int min,
                                       int max) {
    const std::optional<qint64> v = apply::DecimalValue(text);
    if (!v || *v < min || *v > max) {
        return QStringLiteral("%1 wants a whole number from %2 to %3, not '%4'")
            .arg(option)
            .arg(min)
            .arg(max)
            .arg(text);
    }
    return static_cast<int>(*v);
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
            const auto n = ParseNumber(QStringLiteral("--demo"), a.mid(7), 1, 5000);
            if (const QString* e = std::get_if<QString>(&n)) return *e;
            o.demoCount = std::get<int>(n);
        } else if (a == u"--json") {
            o.json = true;
        } else if (a == u"--quiet") {
            o.quiet = true;
        } else if (a == u"--show-secrets") {
            o.showSecrets = true;
        } else if (a == u"--all") {
            o.all = true;
        } else if (a == u"--all-fields") {
            o.allFields = true;
        } else if (const QString option = a.section(u'=', 0, 0);
                   option == u"--timeout-ms" || option == u"--user" || option == u"--password" ||
                   option == u"--password-file" || option == u"--interface") {
            QString value;
            if (a.contains(u'=')) {
                value = a.mid(a.indexOf(u'=') + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return option + QStringLiteral(" wants a value");
            }
            if (option == u"--timeout-ms") {
                const auto n = ParseNumber(option, value, 100, 600000);
                if (const QString* e = std::get_if<QString>(&n)) return *e;
                o.timeoutMs = std::get<int>(n);
            } else if (option == u"--user") {
                o.user = value;
            } else if (option == u"--interface") {
                if (value.isEmpty()) return QStringLiteral("--interface wants a NAME");
                o.interfaces << value;
            } else if (option == u"--password") {
                o.password = value;
                o.passwordGiven = true;
            } else {
                o.passwordFile = value;
            }
        } else if (a.startsWith(u'-') && a.size() > 1) {
            return QStringLiteral("unknown option '%1'").arg(a);
        } else {
            positional << a;
        }
    }
    if (o.help) return o;
    if (o.demo && !o.interfaces.isEmpty()) {
        return QStringLiteral("--interface is not taken with --demo (no network is used)");
    }
    if (positional.isEmpty()) {
        return QStringLiteral("a command is missing (scan, show, set, backup or restore)");
    }
    o.command = positional.takeFirst();
    o.args = positional;
    const qsizetype targets = o.all ? 1 : 0;
    if (o.command == u"scan") {
        if (!o.args.isEmpty() || o.all) {
            return QStringLiteral("scan takes no argument, not '") +
                   (o.all ? QStringLiteral("--all") : o.args.first()) + u'\'';
        }
    } else if (o.command == u"show") {
        if (o.args.size() + targets != 1) {
            return o.args.size() + targets > 1
                       ? QStringLiteral("show takes one TARGET, not also '") + o.args.last() + u'\''
                       : QStringLiteral(
                             "show wants one TARGET: a MAC address, an AP name, or --all");
        }
    } else if (o.command == u"set") {
        const QStringList assignments = o.all ? o.args : o.args.mid(1);
        if (o.args.size() + targets < 2) {
            return QStringLiteral("set wants a TARGET and at least one NAME=VALUE");
        }
        for (const QString& a : assignments) {
            if (a.indexOf(u'=') <= 0)
                return QStringLiteral("set wants NAME=VALUE, not '") + a + u'\'';
        }
    } else if (o.command == u"backup") {
        if (o.all || o.args.size() != 2) {
            return QStringLiteral("backup wants one TARGET and a FILE");
        }
    } else if (o.command == u"restore") {
        if (o.all || o.args.isEmpty() || o.args.size() > 2) {
            return QStringLiteral("restore wants a FILE and at most one TARGET");
        }
    } else {
        return QStringLiteral("unknown command '") + o.command +
               QStringLiteral("' (scan, show, set, backup or restore)");
    }
    if ((o.command == u"set" || o.command == u"restore") && o.user.isEmpty()) {
        return o.command + QStringLiteral(" wants the login: --user NAME");
    }
    return o;
}

QString CliUsage() {
    return QStringLiteral(
               "usage: tern-ap-cli [--demo[=N]] [--interface NAME]... [--json] [--timeout-ms MS] "
               "[--quiet]\n"
               "                   COMMAND [ARGS]\n"
               "  scan                          every AP that answers one search\n"
               "  show TARGET                   every setting of the AP(s), decoded\n"
               "  set TARGET NAME=VALUE...      change settings and apply them\n"
               "  backup TARGET FILE            save the AP's whole record\n"
               "  restore FILE [TARGET]         write a saved record back\n"
               "TARGET: a MAC address (02-54-45-00-00-00), an AP name, or --all\n"
               "login for set/restore: --user NAME and one of --password-file FILE, the\n"
               "  environment variable TERN_AP_PASSWORD, a prompt without echo on a terminal,\n"
               "  or --password TEXT (visible to other users of this machine)\n"
               "options (before or after the command):\n"
               "  --demo[=N]         N simulated APs in this process (default 8): no network "
               "traffic\n"
               "  --interface NAME   search only through this network interface (repeatable);\n"
               "                     default: every interface that is up and can broadcast\n"
               "  --json             machine-readable output\n"
               "  --timeout-ms MS    how long a search listens (100..600000, default 2000)\n"
               "  --show-secrets     show keys, pass phrases and RADIUS secrets (default ***)\n"
               "  --all-fields       restore onto another AP with the saved MAC, address and name\n"
               "  --quiet            no progress on stderr\n"
               "exit codes: 0 every target acknowledged (or nothing to apply);\n"
               "  1 no AP matched the target, the socket cannot be opened, a file cannot be "
               "written;\n"
               "  2 usage error or invalid value: nothing sent;\n"
               "  3 at least one AP refused (wrong login), the rest acknowledged;\n"
               "  4 at least one AP did not answer\n"
               "NAME for set:\n  ") +
           SettableNames().join(QStringLiteral(", ")) + u'\n';
}

}  // namespace tern::app
