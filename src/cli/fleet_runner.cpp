#include "cli/fleet_runner.h"

#include <QTimer>
#include <algorithm>

#include "core/form/ap_settings.h"
#include "core/form/form_model.h"
#include "core/service/fleet_inputs.h"

namespace tern::cli {

namespace {

engine::FleetSession::Options SessionOptions(const CliOptions& o) {
    engine::FleetSession::Options s;
    s.searchWindowMs = o.timeoutMs;
    // The requests of one search close together, within its window.
    s.searchSpacingMs = std::min(200, o.timeoutMs / 4);
    s.retries = o.retries;
    s.parallel = o.parallel;
    return s;
}

// The command that puts the APs back as they were.
QString GoBackCommand(const CliOptions& o, const QString& dir) {
    QString back = QStringLiteral("tern-ap-cli restore ") + fleet::ShellWord(dir);
    for (const QString& i : o.interfaces)
        back += QStringLiteral(" --interface ") + fleet::ShellWord(i);
    if (!o.user.isEmpty()) back += QStringLiteral(" --user ") + fleet::ShellWord(o.user);
    if (!o.logins.isEmpty()) back += QStringLiteral(" --logins ") + fleet::ShellWord(o.logins);
    return back;
}

}  // namespace

FleetRunner::FleetRunner(net::UdpSocketControl& socket, CliOptions options, CliLogin login,
                         QObject* parent)
    : QObject(parent),
      o_(std::move(options)),
      login_(std::move(login)),
      service_(socket, SessionOptions(o_)) {
    connect(&service_, &service::FleetService::message, this, &FleetRunner::message);
    connect(&service_, &service::FleetService::progress, this, &FleetRunner::progress);
    connect(&service_, &service::FleetService::finished, this, &FleetRunner::finished);
    connect(&service_, &service::FleetService::backedUp, this,
            [this](const QString& dir, int count) {
                message(QStringLiteral("backed up %1 AP(s) to %2; to go back: %3")
                            .arg(count)
                            .arg(dir, GoBackCommand(o_, dir)));
            });
}

void FleetRunner::message(const QString& text) {
    if (sink_) {
        sink_(MessageLine(text));
    } else {
        err_ += MessageLine(text);
    }
}

void FleetRunner::progress(const QString& text) { ShowProgress(o_, text); }

void FleetRunner::interrupt(int exitCode) {
    if (finished_) return;
    interrupted_ = exitCode;
    progress(QStringLiteral("stopping: answers to requests already out are awaited"));
    service_.cancel();
}

void FleetRunner::start() {
    std::optional<service::FleetRequest> r = request();
    if (!r) {
        finished_ = true;
        exitCode_ = kExitUsage;
        Q_EMIT done(exitCode_);
        return;
    }
    progress(QStringLiteral("searching for %1 ms").arg(o_.timeoutMs));
    if (interrupted_ != 0) service_.cancel();
    service_.run(std::move(*r));
}

std::optional<service::FleetRequest> FleetRunner::request() {
    using Kind = service::FleetRequest::Kind;
    service::FleetRequest r;
    r.noMatchLabel = o_.all ? QStringLiteral("--all") : o_.args.value(0);
    QStringList warnings;
    if (o_.command == u"plan" || o_.command == u"apply") {
        r.kind = o_.command == u"plan" ? Kind::Plan : Kind::Apply;
        auto state = service::LoadStateFile(o_.args.value(0), &warnings);
        if (const QString* e = std::get_if<QString>(&state)) {
            message(*e);
            return std::nullopt;
        }
        r.state = std::get<fleet::DesiredState>(std::move(state));
    } else if (o_.command == u"set") {
        // set TARGET... NAME=VALUE...: one entry per target, the same settings.
        r.kind = Kind::Apply;
        r.noBackup = true;
        r.failWithoutMatch = true;
        const qsizetype first = FirstAssignment(o_.args);
        // Several APs never get one address, one DHCP range or one
        // channel from the command line: each keeps its own.
        if (const std::optional<QString> refused =
                RefusedAssignment(o_.args.mid(first), true, o_.showSecrets)) {
            message(*refused);
            return std::nullopt;
        }
        QList<fleet::DesiredSetting> settings;
        for (const QString& a : o_.args.mid(first)) {
            const qsizetype eq = a.indexOf(u'=');
            settings.append({a.left(eq), a.mid(eq + 1), fleet::IsSecretSetting(a.left(eq)), 0});
        }
        if (o_.all) r.state.entries.append({fleet::ApMatch{}, settings, 0});
        for (const QString& t : o_.all ? QStringList{} : o_.args.first(first)) {
            r.state.entries.append({fleet::ParseApMatch(t), settings, 0});
        }
    } else if (o_.command == u"restore") {
        r.kind = Kind::Restore;
        r.noBackup = true;
        r.failWithoutMatch = true;
        r.allFields = o_.allFields;
        auto restores = service::LoadBackups(o_.args);
        if (const QString* e = std::get_if<QString>(&restores)) {
            message(*e);
            return std::nullopt;
        }
        r.restores = std::get<QMap<QString, record::ApConfigRecord>>(std::move(restores));
    } else if (o_.command == u"backup") {
        r.kind = Kind::Backup;
        r.backupDir = o_.args.last();
        const QStringList targets = o_.all ? QStringList{} : o_.args.first(o_.args.size() - 1);
        if (o_.all) r.state.entries.append({fleet::ApMatch{}, {}, 0});
        for (const QString& t : targets) r.state.entries.append({fleet::ParseApMatch(t), {}, 0});
    }
    if (r.kind == Kind::Apply && o_.command == u"apply") {
        r.backupDir = o_.backupDir;
        r.noBackup = o_.noBackup;
    }
    r.keepGoing = o_.keepGoing;
    if (!o_.logins.isEmpty()) {
        auto logins = service::LoadLoginsFile(o_.logins, &warnings);
        if (const QString* e = std::get_if<QString>(&logins)) {
            message(*e);
            return std::nullopt;
        }
        r.logins = std::get<fleet::LoginsFile>(std::move(logins));
    }
    for (const QString& w : warnings) message(w);
    if (loginSource_) {
        std::optional<CliLogin> login = loginSource_();
        if (!login) return std::nullopt;
        login_ = std::move(*login);
    }
    if (!o_.user.isEmpty()) r.login = service::Login{login_.user, login_.password};
    return r;
}

void FleetRunner::finished(int code) {
    if (finished_) return;
    finished_ = true;
    const QList<ApReport>& reports = service_.reports();
    if (code == kExitFailure && reports.isEmpty()) {
        // Nothing was planned: the message said why, there is no report.
    } else if (o_.command == u"backup") {
        for (const ApReport& r : reports) {
            if (r.outcome != FleetOutcome::Missing) out_ += (r.mac + u'\n').toUtf8();
        }
    } else if (o_.output == u"jsonl") {
        out_ += FleetReportJsonLines(reports, o_.showSecrets);
    } else if (o_.output == u"csv") {
        out_ += FleetReportCsv(reports, o_.showSecrets);
    } else {
        const bool plan = o_.command == u"plan";
        out_ += o_.json ? FleetReportJson(reports, o_.showSecrets, o_.command == u"set")
                        : FleetReportText(reports, o_.showSecrets, plan || !service_.sent());
    }
    if (service_.sent() && !o_.quiet) {
        const auto& c = service_.session().counters();
        message(QStringLiteral("%1 set request(s), %2 sent again, %3 answer(s) not matched")
                    .arg(c.setRequests)
                    .arg(c.resends)
                    .arg(c.unmatchedAnswers));
    }
    exitCode_ = interrupted_ != 0 ? interrupted_ : code;
    Q_EMIT done(exitCode_);
}

}  // namespace tern::cli
