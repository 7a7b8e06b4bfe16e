#include "cli/cli_options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <variant>

#include "core/fleet/state_file.h"
#include "core/form/form_model.h"
#include "core/rules/validation.h"
#include "core/text/screen_text.h"

namespace tern::cli {

namespace {

// Digits only, within the limits: the number, else the error that names the
// option.
std::variant<int, QString> ParseNumber(const QString& option, const QString& text, int min,
                                       int max) {
    const std::optional<qint64> v = rules::DecimalValue(text);
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
        } else if (a == u"--version") {
            o.version = true;
        } else if (a == u"--demo") {
            o.demo = true;
            // --demo 20, as the window takes it: a count follows as digits.
            if (i + 1 < arguments.size() && !arguments[i + 1].isEmpty() &&
                std::all_of(arguments[i + 1].begin(), arguments[i + 1].end(),
                            [](QChar c) { return c.isDigit(); })) {
                const auto n = ParseNumber(QStringLiteral("--demo"), arguments[++i], 1, 5000);
                if (const QString* e = std::get_if<QString>(&n)) return *e;
                o.demoCount = std::get<int>(n);
            }
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
        } else if (a == u"--keep-going") {
            o.keepGoing = true;
        } else if (a == u"--no-backup") {
            o.noBackup = true;
        } else if (const QString option = a.section(u'=', 0, 0);
                   option == u"--timeout-ms" || option == u"--user" || option == u"--password" ||
                   option == u"--password-file" || option == u"--interface" ||
                   option == u"--logins" || option == u"--backup-dir" || option == u"--retries" ||
                   option == u"--parallel" || option == u"--output" || option == u"--prometheus") {
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
            } else if (option == u"--retries") {
                const auto n = ParseNumber(option, value, 0, 10);
                if (const QString* e = std::get_if<QString>(&n)) return *e;
                o.retries = std::get<int>(n);
            } else if (option == u"--parallel") {
                const auto n = ParseNumber(option, value, 1, 256);
                if (const QString* e = std::get_if<QString>(&n)) return *e;
                o.parallel = std::get<int>(n);
            } else if (option == u"--logins" || option == u"--backup-dir" ||
                       option == u"--prometheus") {
                if (value.isEmpty()) return option + QStringLiteral(" wants a path");
                (option == u"--logins"       ? o.logins
                 : option == u"--backup-dir" ? o.backupDir
                                             : o.prometheus) = value;
            } else if (option == u"--output") {
                static const QStringList kOutputs = {
                    QStringLiteral("table"), QStringLiteral("json"), QStringLiteral("jsonl"),
                    QStringLiteral("csv")};
                if (!kOutputs.contains(value)) {
                    return QStringLiteral("--output wants table, json, jsonl or csv, not '") +
                           value + u'\'';
                }
                if (!o.output.isEmpty() && o.output != value) {
                    return QStringLiteral("--output is given twice ('") + o.output +
                           QStringLiteral("' and '") + value + QStringLiteral("')");
                }
                o.output = value;
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
    if (o.help || o.version) return o;
    if (o.json) {
        if (!o.output.isEmpty() && o.output != u"json") {
            return QStringLiteral("--json is --output json, not also --output ") + o.output;
        }
        o.output = QStringLiteral("json");
    }
    o.json = o.output == u"json";
    if (o.demo && !o.interfaces.isEmpty()) {
        return QStringLiteral("--interface is not taken with --demo (no network is used)");
    }
    if (positional.isEmpty()) {
        return QStringLiteral(
            "a command is missing (scan, show, set, backup, restore, plan or apply)");
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
        const qsizetype first = FirstAssignment(o.args);
        if (first + targets < 1 || first == o.args.size()) {
            return QStringLiteral("set wants a TARGET and at least one NAME=VALUE");
        }
        if (o.all && first > 0) {
            return QStringLiteral("set takes --all or TARGETs, not both ('") + o.args.first() +
                   u'\'' + u')';
        }
        for (const QString& a : o.args.mid(first)) {
            if (a.indexOf(u'=') <= 0)
                return QStringLiteral("set wants NAME=VALUE, not '") + a + u'\'';
        }
    } else if (o.command == u"backup") {
        if (o.args.size() + targets < 2) {
            return QStringLiteral(
                "backup wants a TARGET and a FILE, or TARGETs (or --all) and a "
                "FOLDER");
        }
        if (o.all && o.args.size() != 1) {
            return QStringLiteral("backup --all wants one FOLDER");
        }
    } else if (o.command == u"restore") {
        if (o.all || o.args.isEmpty()) {
            return QStringLiteral(
                "restore wants a FILE and at most one TARGET, or FILEs and "
                "FOLDERs");
        }
    } else if (o.command == u"plan" || o.command == u"apply") {
        if (o.all || o.args.size() != 1) {
            return o.command + QStringLiteral(" wants one STATE file");
        }
    } else {
        return QStringLiteral("unknown command '") + text::VisibleText(o.command) +
               QStringLiteral("' (scan, show, set, backup, restore, plan or apply)");
    }
    const bool tabular = o.command == u"scan" || o.command == u"show" || o.command == u"plan";
    if (!tabular && (o.output == u"jsonl" || o.output == u"csv")) {
        return QStringLiteral("--output ") + o.output +
               QStringLiteral(" is for scan, show and plan; ") + o.command +
               QStringLiteral(" takes table or json");
    }
    if (!o.prometheus.isEmpty() && o.command != u"scan") {
        return QStringLiteral("--prometheus is for scan, not ") + o.command;
    }
    if ((o.command == u"set" || o.command == u"restore" || o.command == u"apply") &&
        o.user.isEmpty() && o.logins.isEmpty()) {
        return o.command + QStringLiteral(" wants the login: --user NAME (or --logins FILE)");
    }
    return o;
}

qsizetype FirstAssignment(const QStringList& args) {
    qsizetype first = 0;
    while (first < args.size() && args[first].indexOf(u'=') <= 0) ++first;
    return first;
}

std::optional<QString> RefusedAssignment(const QStringList& assignments, bool multi,
                                         bool showSecrets) {
    for (const QString& a : assignments) {
        const qsizetype eq = a.indexOf(u'=');
        record::FormSettings scratch;
        form::SetResult set = form::SetNamed(scratch, {}, a.left(eq), a.mid(eq + 1), multi);
        if (set.rule != form::SetRule::UnknownName && set.rule != form::SetRule::PerApSetting &&
            set.rule != form::SetRule::ControlCharacter) {
            continue;
        }
        if (fleet::IsSecretSetting(set.name) && !showSecrets) set.value = QStringLiteral("***");
        return form::RefusalText(set);
    }
    return std::nullopt;
}

bool IsFleetCommand(const CliOptions& o, bool (*isDirectory)(const QString&),
                    bool (*exists)(const QString&)) {
    if (o.command == u"plan" || o.command == u"apply") return true;
    const auto pattern = [](const QString& t) {
        return t.contains(u'*') || t.contains(u'?') || t.contains(u'[');
    };
    if (o.command == u"set") {
        const qsizetype first = FirstAssignment(o.args);
        // Logins per AP come only through the fleet engine.
        return o.all || first > 1 || (first == 1 && pattern(o.args.first())) || !o.logins.isEmpty();
    }
    if (o.command == u"backup") {
        return o.all || o.args.size() > 2 || pattern(o.args.first()) ||
               isDirectory(o.args.last()) || o.args.last().endsWith(u'/');
    }
    if (o.command == u"restore") {
        // restore FILE TARGET writes one file onto one AP; a second argument
        // that is a path to a backup (FILE.json, or a path with a '/') makes
        // it several files. A bare word is a TARGET even where a file of
        // that name happens to lie in the working folder.
        const auto isPath = [&](const QString& a) {
            return (a.endsWith(QStringLiteral(".json")) || a.contains(u'/')) && exists(a);
        };
        return o.args.size() > 2 || isDirectory(o.args.first()) ||
               (o.args.size() == 2 && isPath(o.args[1])) ||
               (o.args.size() == 1 && !o.logins.isEmpty());
    }
    return false;
}

QByteArray MessageLine(const QString& text) {
    return QStringLiteral("tern-ap-cli: ").toUtf8() + text.toUtf8() + '\n';
}

void ShowProgress(const CliOptions& o, const QString& text) {
    if (!o.quiet && isatty(STDERR_FILENO)) std::fputs(MessageLine(text).constData(), stderr);
}

QString CliUsage() {
    return QStringLiteral(
               "usage: tern-ap-cli [--demo[=N]] [--interface NAME]... [--json] [--timeout-ms MS] "
               "[--quiet]\n"
               "                   COMMAND [ARGS]\n"
               "  scan                          every AP that answers one search\n"
               "  show TARGET                   every setting of the AP(s), decoded\n"
               "  set TARGET... NAME=VALUE...   change settings and apply them\n"
               "  backup TARGET FILE            save the AP's whole record\n"
               "  backup TARGET... FOLDER       save each AP as FOLDER/MAC.json (--all: every AP)\n"
               "  restore FILE [TARGET]         write a saved record back\n"
               "  restore FILE|FOLDER...        write each saved record back onto its own AP\n"
               "  plan STATE                    what applying the state file would change\n"
               "  apply STATE                   change every AP that differs from the state file,\n"
               "                                backed up first, then read back\n"
               "TARGET: a MAC address (02-54-45-00-00-00), an AP name, a pattern of names\n"
               "  (Lab-*), or --all\n"
               "login for set/restore/apply: --user NAME and one of --password-file FILE, the\n"
               "  environment variable TERN_AP_PASSWORD, a prompt without echo on a terminal,\n"
               "  or --password TEXT (visible to other users of this machine); and/or\n"
               "  --logins FILE for APs with logins of their own\n"
               "options (before or after the command):\n"
               "  --demo[=N]         N simulated APs in this process (default 8): no network "
               "traffic\n"
               "  --interface NAME   search only through this network interface (repeatable);\n"
               "                     default: every interface that is up and can broadcast\n"
               "  --output FORMAT    table (default), json; for scan, show and plan also\n"
               "                     jsonl (one AP a line) or csv (RFC 4180, a header row)\n"
               "  --json             --output json\n"
               "  --prometheus FILE  scan: also write the APs as Prometheus metrics into FILE\n"
               "                     (node exporter's textfile collector), atomically\n"
               "  --timeout-ms MS    how long a search listens (100..600000, default 2000)\n"
               "  --show-secrets     show keys, pass phrases and RADIUS secrets (default ***)\n"
               "  --all-fields       restore onto another AP with the saved MAC, address and name\n"
               "  --retries N        sends of an unanswered set request after the first (0..10,\n"
               "                     default 3), each after a longer wait\n"
               "  --parallel N       set requests outstanding at once (1..256, default 64)\n"
               "  --keep-going       apply: skip the APs the state makes invalid, change the rest\n"
               "  --backup-dir DIR   apply: where the APs are backed up first (default\n"
               "                     $XDG_STATE_HOME/tern-ap-utility/backups/UTC-TIME/)\n"
               "  --no-backup        apply: no backup\n"
               "  --quiet            no progress on stderr\n"
               "  --version          print \"tern-ap-cli VERSION\" and end\n"
               "exit codes: 0 every target acknowledged, every AP in the state (or nothing to "
               "do);\n"
               "  1 no AP matched the target, the socket cannot be opened, a file cannot be "
               "written;\n"
               "  2 usage error, invalid value or invalid state: nothing sent;\n"
               "  3 at least one AP refused (wrong login), the rest acknowledged;\n"
               "  4 at least one AP did not answer, or an AP the state names is missing;\n"
               "  5 plan: something would change;\n"
               "  6 an AP acknowledged but does not hold the settings when read back;\n"
               "  130, 143 stopped by SIGINT or SIGTERM: the APs already sent to are read\n"
               "  back and the report names every AP, \"not sent\" those never sent to\n"
               "  (several at once: the first of 6, 4, 3, 2 in that order)\n"
               "NAME for set and state files:\n  ") +
           form::SettableNames().join(QStringLiteral(", ")) + u'\n';
}

}  // namespace tern::cli
