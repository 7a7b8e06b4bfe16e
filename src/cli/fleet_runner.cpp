#include "cli/fleet_runner.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <algorithm>

#include "core/form/backup_file.h"
#include "core/form/form_model.h"
#include "core/net/qt_udp_socket_control.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "core/text/language_text.h"

namespace tern::app {

namespace {

constexpr qint64 kMaxFileBytes = 1 << 20;

apply::FleetSession::Options SessionOptions(const CliOptions& o) {
    apply::FleetSession::Options s;
    s.searchWindowMs = o.timeoutMs;
    // The requests of one search close together, within its window.
    s.searchSpacingMs = std::min(200, o.timeoutMs / 4);
    s.retries = o.retries;
    s.parallel = o.parallel;
    return s;
}

std::optional<QByteArray> ReadWhole(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    QByteArray content = file.read(kMaxFileBytes + 1);
    if (content.size() > kMaxFileBytes) {
        *error = QStringLiteral("larger than 1 MiB");
        return std::nullopt;
    }
    return content;
}

// The default backup folder: one per apply, under the XDG state home.
QString DefaultBackupDir() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/tern-ap-utility/backups/") +
           QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

// Secrets written into a file others can read: said, not refused.
void WarnIfReadable(const QString& path, bool holdsSecrets, QByteArray& err) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return;
    if (const auto w = fleet::SecretFileWarning(path, st.st_mode, holdsSecrets)) {
        err += MessageLine(*w);
    }
}

}  // namespace

FleetRunner::FleetRunner(link::UdpSocketControl& socket, CliOptions options, CliLogin login,
                         QObject* parent)
    : QObject(parent),
      socket_(socket),
      o_(std::move(options)),
      login_(std::move(login)),
      fleet_(socket, SessionOptions(o_)) {
    connect(&fleet_, &apply::FleetSession::searched, this, &FleetRunner::searched);
    connect(&fleet_, &apply::FleetSession::sent, this, &FleetRunner::readBack);
    connect(&fleet_, &apply::FleetSession::progress, this, [this](int answered, int total) {
        if (answered == total || answered % 50 == 0)
            progress(QStringLiteral("answered %1/%2").arg(answered).arg(total));
    });
}

void FleetRunner::message(const QString& text) { err_ += MessageLine(text); }

void FleetRunner::progress(const QString& text) { ShowProgress(o_, text); }

void FleetRunner::finish(int code) {
    if (finished_) return;
    finished_ = true;
    stage_ = Stage::Done;
    fleet_.stop();
    exitCode_ = code;
    Q_EMIT done(code);
}

QString FleetRunner::nameOf(const apply::SearchSession::Found& ap) const {
    return ui::RecordTextToScreen(config::ApConfigRecord(ap.record).ap_name(),
                                  fleet::kPlanEncoding);
}

// ---------------------------------------------------------------- load

void FleetRunner::start() {
    if (!load()) {
        finish(kExitUsage);
        return;
    }
    stage_ = Stage::Search;
    progress(QStringLiteral("searching for %1 ms").arg(o_.timeoutMs));
    // A search may end as soon as the APs it waits for have answered only
    // when the state names every AP by MAC; defaults, names and patterns
    // are for whoever answers within the whole window.
    const bool onlyMacs = std::all_of(
        state_.entries.begin(), state_.entries.end(),
        [](const fleet::StateEntry& e) { return e.match.kind == fleet::ApMatch::Kind::Mac; });
    fleet_.search(onlyMacs ? wanted_ : QSet<QString>{});
}

bool FleetRunner::load() {
    if (o_.command == u"plan" || o_.command == u"apply") {
        if (!loadState()) return false;
    } else if (o_.command == u"set") {
        // set TARGET... NAME=VALUE...: one entry per target, the same settings.
        const qsizetype first = FirstAssignment(o_.args);
        QList<fleet::DesiredSetting> settings;
        for (const QString& a : o_.args.mid(first)) {
            const qsizetype eq = a.indexOf(u'=');
            const QString name = a.left(eq);
            // Several APs never get one address, one DHCP range or one
            // channel from the command line: each keeps its own.
            config::FormSettings scratch;
            if (const SetResult r = SetNamed(scratch, {}, name, a.mid(eq + 1), true);
                r.rule == SetRule::PerApSetting || r.rule == SetRule::UnknownName) {
                message(RefusalText(r));
                return false;
            }
            settings.append({name, a.mid(eq + 1), fleet::IsSecretSetting(name), 0});
        }
        const QStringList targets = o_.all ? QStringList{} : o_.args.first(first);
        if (o_.all) state_.entries.append({fleet::ApMatch{}, settings, 0});
        for (const QString& t : targets) {
            state_.entries.append({fleet::ParseApMatch(t), settings, 0});
        }
    } else if (o_.command == u"restore") {
        if (!loadRestores()) return false;
    } else if (o_.command == u"backup") {
        const QStringList targets = o_.all ? QStringList{} : o_.args.first(o_.args.size() - 1);
        if (o_.all) state_.entries.append({fleet::ApMatch{}, {}, 0});
        for (const QString& t : targets) state_.entries.append({fleet::ParseApMatch(t), {}, 0});
    }
    for (const fleet::StateEntry& e : state_.entries) {
        if (e.match.kind == fleet::ApMatch::Kind::Mac) wanted_.insert(e.match.mac);
    }
    for (auto it = restores_.begin(); it != restores_.end(); ++it) wanted_.insert(it.key());
    return loadLogins();
}

bool FleetRunner::loadState() {
    const QString path = o_.args.value(0);
    QString why;
    const std::optional<QByteArray> content = ReadWhole(path, &why);
    if (!content) {
        message(QStringLiteral("cannot read '") + path + QStringLiteral("': ") + why);
        return false;
    }
    auto read = fleet::ReadStateFile(*content, path, fleet::SecretSources::System());
    if (const auto* e = std::get_if<fleet::FileError>(&read)) {
        message(e->text());
        return false;
    }
    state_ = std::get<fleet::DesiredState>(std::move(read));
    // One address for every AP, or for whichever APs a pattern matches, is
    // never meant: it belongs under an entry for one AP.
    for (const fleet::StateEntry& e : state_.entries) {
        if (e.match.kind != fleet::ApMatch::Kind::All && e.match.kind != fleet::ApMatch::Kind::Glob)
            continue;
        for (const fleet::DesiredSetting& d : e.settings) {
            if (d.name == u"ip_address") {
                message(fleet::FileError{path, d.line, d.name,
                                         QStringLiteral("each AP has its own: give it under an "
                                                        "entry that names one AP")}
                            .text());
                return false;
            }
        }
    }
    WarnIfReadable(path, state_.holdsSecrets, err_);
    return true;
}

bool FleetRunner::loadLogins() {
    if (o_.logins.isEmpty()) return true;
    QString why;
    const std::optional<QByteArray> content = ReadWhole(o_.logins, &why);
    if (!content) {
        message(QStringLiteral("cannot read '") + o_.logins + QStringLiteral("': ") + why);
        return false;
    }
    auto read = fleet::ReadLoginsFile(*content, o_.logins, fleet::SecretSources::System());
    if (const auto* e = std::get_if<fleet::FileError>(&read)) {
        message(e->text());
        return false;
    }
    logins_ = std::get<fleet::LoginsFile>(std::move(read));
    WarnIfReadable(o_.logins, logins_->holdsSecrets, err_);
    return true;
}

bool FleetRunner::loadRestores() {
    QStringList files;
    for (const QString& arg : o_.args) {
        if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& f :
                 dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
                files << dir.filePath(f);
            }
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        message(QStringLiteral("no backup file (*.json) in '") + o_.args.join(u' ') + u'\'');
        return false;
    }
    for (const QString& path : files) {
        QString why;
        const std::optional<QByteArray> content = ReadWhole(path, &why);
        const std::optional<config::ApConfigRecord> record =
            content ? ReadBackupFile(*content) : std::nullopt;
        if (!record) {
            message(QStringLiteral("'") + path +
                    (content ? QStringLiteral(
                                   "' is not a backup of an AP made by tern-ap-cli, or it is "
                                   "damaged")
                             : QStringLiteral("' cannot be read: ") + why));
            return false;
        }
        const QString mac = config::MacText(record->mac_addr());
        if (restores_.contains(mac)) {
            message(QStringLiteral("two backups of ") + mac + QStringLiteral(" are given; '") +
                    path + QStringLiteral("' is one of them"));
            return false;
        }
        restores_.insert(mac, *record);
    }
    return true;
}

std::optional<CliLogin> FleetRunner::loginFor(const QString& mac, const QString& name) const {
    if (logins_) {
        if (const auto l = fleet::LoginFor(*logins_, mac, name))
            return CliLogin{l->user, l->password};
    }
    if (!o_.user.isEmpty()) return login_;
    return std::nullopt;
}

// ---------------------------------------------------------------- search

void FleetRunner::searched() {
    auto& into = stage_ == Stage::ReadBack ? readBack_ : found_;
    for (const apply::SearchSession::Found& ap : fleet_.found()) {
        into.try_emplace(config::MacText(ap.mac), ap);
    }
    if (const qint64 lost = fleet_.counters().lost - lostSaid_; lost > 0) {
        lostSaid_ += lost;
        message(link::QtUdpSocketControl::LostMessage(lost));
    }
    if (stage_ == Stage::ReadBack) {
        conclude();
        return;
    }
    // An AP named outright that did not answer is looked for once more
    // before it is called missing.
    QSet<QString> unheard;
    for (const QString& mac : wanted_) {
        if (found_.find(mac) == found_.end()) unheard.insert(mac);
    }
    if (stage_ == Stage::Search && !unheard.isEmpty()) {
        stage_ = Stage::Research;
        progress(QStringLiteral("searching again for %1 AP(s) not heard").arg(unheard.size()));
        fleet_.search(unheard);
        return;
    }
    if (o_.command == u"backup") {
        finish(backupFolder());
        return;
    }
    plan();
}

// ---------------------------------------------------------------- plan

void FleetRunner::plan() {
    QSet<int> matchedAny;
    for (auto& [mac, ap] : found_) {
        const QString name = nameOf(ap);
        const config::ApConfigRecord current(ap.record);
        Planned p;
        if (o_.command == u"restore") {
            if (!restores_.contains(mac)) continue;
            p.plan = fleet::PlanRestore(current, restores_.value(mac), false);
        } else {
            QList<int> matched;
            const QList<fleet::DesiredSetting> settings =
                fleet::SettingsFor(state_, mac, name, &matched);
            if (matched.isEmpty()) continue;  // the state says nothing of this AP
            matchedAny.unite(QSet<int>(matched.begin(), matched.end()));
            p.plan = fleet::PlanSettings(current, settings);
        }
        p.ap = &ap;
        p.report.mac = mac;
        p.report.name = name;
        p.report.interfaceName = ap.interfaceName;
        p.report.changes = p.plan.changes;
        p.report.problems = p.plan.problems;
        p.report.notes = p.plan.notes;
        switch (p.plan.verdict) {
            case fleet::ApPlan::Verdict::InState:
                p.report.outcome = FleetOutcome::Unchanged;
                break;
            case fleet::ApPlan::Verdict::ToChange:
                p.report.outcome = FleetOutcome::ToChange;
                break;
            case fleet::ApPlan::Verdict::Invalid:
                p.report.outcome = FleetOutcome::Invalid;
                break;
        }
        if (p.report.outcome == FleetOutcome::ToChange && o_.command != u"plan" &&
            !loginFor(mac, name)) {
            p.report.outcome = FleetOutcome::Invalid;
            p.report.problems << mac + QStringLiteral(" (") + name +
                                     QStringLiteral(
                                         "): no login for this AP: give --user, or "
                                         "an entry of --logins that matches it");
        }
        for (const QString& n : p.plan.notes) message(n);
        planned_.push_back(std::move(p));
    }
    noteUnmatched(matchedAny);
    for (auto it = restores_.begin(); it != restores_.end(); ++it) {
        if (found_.find(it.key()) != found_.end()) continue;
        ApReport r;
        r.mac = it.key();
        r.name = ui::RecordTextToScreen(it.value().ap_name(), fleet::kPlanEncoding);
        r.outcome = FleetOutcome::Missing;
        missing_.append(r);
    }
    if (planned_.empty() && missing_.isEmpty() && o_.command != u"plan" && o_.command != u"apply") {
        message(QStringLiteral("no AP answered as '") +
                (o_.all ? QStringLiteral("--all") : o_.args.value(0)) + u'\'');
        finish(kExitFailure);
        return;
    }
    bool invalid = false;
    for (const Planned& p : planned_) {
        if (p.report.outcome == FleetOutcome::Invalid) {
            invalid = true;
            for (const QString& problem : p.report.problems) message(problem);
        }
        if (p.report.outcome == FleetOutcome::ToChange) {
            sending_.push_back(static_cast<std::size_t>(&p - planned_.data()));
        }
    }
    if (o_.command == u"plan" || sending_.empty() || (invalid && !o_.keepGoing)) {
        if (invalid && !o_.keepGoing && o_.command != u"plan" && !sending_.empty()) {
            message(
                QStringLiteral("nothing sent: the state is invalid for the AP(s) above "
                               "(--keep-going changes the others)"));
            sending_.clear();
        }
        conclude();
        return;
    }
    sendChanges();
}

// Entries that found nothing: a MAC or a name is missing, a pattern that
// matches nothing is only said.
void FleetRunner::noteUnmatched(const QSet<int>& matchedAny) {
    for (qsizetype i = 0; i < state_.entries.size(); ++i) {
        const fleet::StateEntry& e = state_.entries[i];
        if (matchedAny.contains(static_cast<int>(i)) || e.match.kind == fleet::ApMatch::Kind::All) {
            continue;
        }
        if (e.match.kind == fleet::ApMatch::Kind::Glob) {
            message(QStringLiteral("warning: no AP answered matches '") + e.match.text + u'\'' +
                    (e.line > 0 ? QStringLiteral(" (line %1)").arg(e.line) : QString()));
            continue;
        }
        ApReport r;
        r.mac = e.match.kind == fleet::ApMatch::Kind::Mac ? e.match.mac : QString();
        r.name = e.match.kind == fleet::ApMatch::Kind::Name ? e.match.text : QString();
        r.outcome = FleetOutcome::Missing;
        missing_.append(r);
    }
}

// ---------------------------------------------------------------- send

bool FleetRunner::backUp(const std::vector<std::size_t>& which) {
    QString dir = o_.backupDir;
    if (dir.isEmpty()) {
        // One folder per apply: two in the same second never share one.
        const QString base = DefaultBackupDir();
        dir = base;
        for (int n = 2; QFileInfo::exists(dir) && n < 1000; ++n) {
            dir = base + u'-' + QString::number(n);
        }
    }
    // Only a folder this run makes is made private: a folder the user
    // names keeps its mode (the files are private anyway).
    const bool made = !QFileInfo(dir).isDir();
    if (!QDir().mkpath(dir) ||
        (made && !QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner))) {
        message(QStringLiteral("cannot make the backup folder '") + dir + u'\'');
        return false;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const std::size_t i : which) {
        const Planned& p = planned_[i];
        const QString file = QDir(dir).filePath(p.report.mac + QStringLiteral(".json"));
        if (QString why; !WriteBackupFile(file, p.plan.current, fleet::kPlanEncoding, now, &why)) {
            message(QStringLiteral("cannot write '") + file + QStringLiteral("': ") + why +
                    QStringLiteral("; nothing sent"));
            return false;
        }
    }
    QString back = QStringLiteral("tern-ap-cli restore ") + dir;
    for (const QString& i : o_.interfaces) back += QStringLiteral(" --interface ") + i;
    if (!o_.user.isEmpty()) back += QStringLiteral(" --user ") + o_.user;
    if (!o_.logins.isEmpty()) back += QStringLiteral(" --logins ") + o_.logins;
    message(QStringLiteral("backed up %1 AP(s) to %2; to go back: %3")
                .arg(which.size())
                .arg(dir, back));
    return true;
}

int FleetRunner::backupFolder() {
    const QString dir = o_.args.last();
    std::vector<std::size_t> which;
    QSet<int> matchedAny;
    for (auto& [mac, ap] : found_) {
        QList<int> matched;
        fleet::SettingsFor(state_, mac, nameOf(ap), &matched);
        if (matched.isEmpty()) continue;
        matchedAny.unite(QSet<int>(matched.begin(), matched.end()));
        Planned p;
        p.plan.current = config::ApConfigRecord(ap.record);
        p.report.mac = mac;
        planned_.push_back(std::move(p));
        which.push_back(planned_.size() - 1);
    }
    noteUnmatched(matchedAny);
    for (const ApReport& r : missing_) {
        message(QStringLiteral("no AP answered as '") + (r.mac.isEmpty() ? r.name : r.mac) +
                QStringLiteral("': not backed up"));
    }
    if (which.empty()) {
        if (missing_.isEmpty()) {
            message(QStringLiteral("no AP answered as '") +
                    (o_.all ? QStringLiteral("--all") : o_.args.value(0)) + u'\'');
        }
        return kExitFailure;
    }
    o_.backupDir = dir;
    if (!backUp(which)) return kExitFailure;
    for (const std::size_t i : which) out_ += (planned_[i].report.mac + u'\n').toUtf8();
    return missing_.isEmpty() ? kExitOk : kExitUnconfirmed;
}

void FleetRunner::sendChanges() {
    if (o_.command == u"apply" && !o_.noBackup && !backUp(sending_)) {
        finish(kExitFailure);
        return;
    }
    std::vector<apply::FleetSession::Job> jobs;
    const qsizetype max = config::ApConfigRecord::kLoginTextMax;
    for (const std::size_t i : sending_) {
        const Planned& p = planned_[i];
        const CliLogin login = *loginFor(p.report.mac, p.report.name);
        const auto user = ui::ScreenTextToRecordWithin(login.user, fleet::kPlanEncoding, max);
        const auto password =
            ui::ScreenTextToRecordWithin(login.password, fleet::kPlanEncoding, max);
        if (!user || !password) {
            message(p.report.mac + QStringLiteral(": the login holds a character the AP's "
                                                  "code page cannot hold; nothing sent"));
            finish(kExitUsage);
            return;
        }
        jobs.push_back({config::WithLogin(p.plan.desired, *user, *password), p.report.mac,
                        p.ap->interfaceIndex});
    }
    stage_ = Stage::Send;
    progress(QStringLiteral("applying to %1 AP(s)").arg(jobs.size()));
    fleet_.send(std::move(jobs));
}

void FleetRunner::readBack() {
    QSet<QString> macs;
    for (const apply::FleetSession::Job& j : fleet_.jobs()) {
        if (j.answer != apply::FleetSession::Answer::Refused) macs.insert(j.mac);
    }
    stage_ = Stage::ReadBack;
    if (macs.isEmpty()) {
        conclude();
        return;
    }
    progress(QStringLiteral("reading %1 AP(s) back").arg(macs.size()));
    fleet_.search(macs);
}

// ---------------------------------------------------------------- report

void FleetRunner::conclude() {
    const bool sent = stage_ == Stage::ReadBack;
    const auto& jobs = fleet_.jobs();
    for (std::size_t k = 0; sent && k < sending_.size() && k < jobs.size(); ++k) {
        Planned& p = planned_[sending_[k]];
        const apply::FleetSession::Answer answer = jobs[k].answer;
        if (answer == apply::FleetSession::Answer::Refused) {
            p.report.outcome = FleetOutcome::Refused;
            continue;
        }
        const auto back = readBack_.find(p.report.mac);
        if (back == readBack_.end()) {
            // Not read back: an acknowledgement alone proves nothing.
            p.report.outcome = FleetOutcome::NoAnswer;
            if (answer == apply::FleetSession::Answer::Acknowledged) {
                p.report.problems << QStringLiteral(
                    "acknowledged, but did not answer the search that reads it back");
            }
            continue;
        }
        p.report.unheld = fleet::Unheld(p.plan, config::ApConfigRecord(back->second.record));
        if (p.report.unheld.isEmpty()) {
            // Holds what it should: changed, whether or not its answer came.
            p.report.outcome = FleetOutcome::Changed;
        } else {
            p.report.outcome = answer == apply::FleetSession::Answer::Acknowledged
                                   ? FleetOutcome::NotApplied
                                   : FleetOutcome::NoAnswer;
        }
    }
    reports_.clear();
    for (const Planned& p : planned_) reports_.append(p.report);
    reports_ += missing_;
    const bool plan = o_.command == u"plan";
    if (o_.output == u"jsonl") {
        out_ += FleetReportJsonLines(reports_, o_.showSecrets);
    } else if (o_.output == u"csv") {
        out_ += FleetReportCsv(reports_, o_.showSecrets);
    } else {
        out_ += o_.json ? FleetReportJson(reports_, o_.showSecrets, o_.command == u"set")
                        : FleetReportText(reports_, o_.showSecrets, plan || !sent);
    }
    if (sent) {
        const auto& c = fleet_.counters();
        if (!o_.quiet) {
            message(QStringLiteral("%1 set request(s), %2 sent again, %3 answer(s) not matched")
                        .arg(c.setRequests)
                        .arg(c.resends)
                        .arg(c.unmatchedAnswers));
        }
    }
    int code = FleetExitCode(reports_, plan);
    // An apply stopped by an invalid AP sent nothing: that is what it says.
    if (!plan && !sent && code == kExitOk &&
        std::any_of(reports_.begin(), reports_.end(),
                    [](const ApReport& r) { return r.outcome == FleetOutcome::ToChange; })) {
        code = kExitUsage;
    }
    finish(code);
}

}  // namespace tern::app
