#include "core/service/fleet_service.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "core/form/backup_file.h"
#include "core/net/udp_socket_control.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "core/service/fleet_inputs.h"
#include "core/text/screen_text.h"

namespace tern::service {

namespace {

fleet::MatchIndex LoginIndex(const std::optional<fleet::LoginsFile>& logins) {
    QList<fleet::ApMatch> matches;
    if (logins) {
        for (const fleet::LoginEntry& e : logins->entries) matches.append(e.match);
    }
    return fleet::MatchIndex(matches);
}

}  // namespace

FleetService::FleetService(net::UdpSocketControl& socket,
                           const engine::FleetSession::Options& options, QObject* parent)
    : QObject(parent), session_(socket, options) {
    connect(&session_, &engine::FleetSession::searched, this, &FleetService::searchedOne);
    connect(&session_, &engine::FleetSession::sent, this, &FleetService::readBack);
    connect(&session_, &engine::FleetSession::progress, this, [this](int answered, int total) {
        if (answered == total || answered % 50 == 0)
            Q_EMIT progress(QStringLiteral("answered %1/%2").arg(answered).arg(total));
    });
}

void FleetService::finish(int code) {
    if (stage_ == Stage::Done) return;
    stage_ = Stage::Done;
    session_.stop();
    exitCode_ = code;
    Q_EMIT finished(code);
}

QString FleetService::nameOf(const Found& ap) const {
    return text::RecordTextToScreen(record::ApConfigRecord(ap.record).ap_name(),
                                    fleet::kPlanEncoding);
}

std::optional<Login> FleetService::loginFor(const QString& mac, const QString& name) const {
    if (r_.logins) {
        const QList<int> matched = loginIndex_.matching(mac, name);
        if (!matched.isEmpty()) {
            const fleet::LoginEntry& e = r_.logins->entries[matched.last()];
            return Login{e.user, e.password};
        }
    }
    return r_.login;
}

void FleetService::search(const QSet<QString>& wanted) {
    stage_ = Stage::Idle;
    cancelled_ = false;
    session_.search(wanted);
}

void FleetService::cancel() {
    if (cancelled_) return;
    cancelled_ = true;
    if (stage_ == Stage::Idle || stage_ == Stage::Done) {
        if (session_.busy()) session_.cancel();  // a bare search ends now
        return;
    }
    // The search ends with what it heard, the sending with the answers to
    // requests already out; the read-back runs its course.
    if (stage_ != Stage::ReadBack) session_.cancel();
}

// ---------------------------------------------------------------- run

void FleetService::run(FleetRequest request) {
    r_ = std::move(request);
    stage_ = Stage::Search;
    found_.clear();
    readBack_.clear();
    planned_.clear();
    missing_.clear();
    sending_.clear();
    reports_.clear();
    sent_ = false;
    wanted_.clear();
    stateIndex_ = fleet::MatchIndexOf(r_.state);
    loginIndex_ = LoginIndex(r_.logins);
    for (const fleet::StateEntry& e : r_.state.entries) {
        if (e.match.kind == fleet::ApMatch::Kind::Mac) wanted_.insert(e.match.mac);
    }
    for (auto it = r_.restores.begin(); it != r_.restores.end(); ++it) wanted_.insert(it.key());
    // A search may end as soon as the APs it waits for have answered only
    // when every AP is named by MAC; defaults, names and patterns are for
    // whoever answers within the whole window.
    const bool onlyMacs = std::all_of(
        r_.state.entries.begin(), r_.state.entries.end(),
        [](const fleet::StateEntry& e) { return e.match.kind == fleet::ApMatch::Kind::Mac; });
    if (cancelled_) {
        // Stopped before it began: nothing heard, nothing sent.
        conclude();
        return;
    }
    if (r_.kind == FleetRequest::Kind::Send) {
        planSends();
        return;
    }
    session_.search(onlyMacs ? wanted_ : QSet<QString>{});
}

void FleetService::searchedOne() {
    if (stage_ == Stage::Idle || stage_ == Stage::Done) {
        Q_EMIT searched();
        return;
    }
    auto& into = stage_ == Stage::ReadBack ? readBack_ : found_;
    for (const Found& ap : session_.found()) into.try_emplace(record::MacText(ap.mac), ap);
    if (const qint64 lost = session_.counters().lost - lostSaid_; lost > 0) {
        lostSaid_ += lost;
        Q_EMIT message(session_.socket().lostText(lost));
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
    if (stage_ == Stage::Search && !unheard.isEmpty() && !cancelled_) {
        stage_ = Stage::Research;
        Q_EMIT progress(
            QStringLiteral("searching again for %1 AP(s) not heard").arg(unheard.size()));
        session_.search(unheard);
        return;
    }
    if (r_.kind == FleetRequest::Kind::Backup) {
        finish(backupFolder());
        return;
    }
    plan();
}

// ---------------------------------------------------------------- plan

void FleetService::plan() {
    const bool restore = r_.kind == FleetRequest::Kind::Restore;
    const bool planOnly = r_.kind == FleetRequest::Kind::Plan;
    QSet<int> matchedAny;
    for (auto& [mac, ap] : found_) {
        const QString name = nameOf(ap);
        const record::ApConfigRecord current(ap.record);
        Planned p;
        if (restore) {
            const auto saved = r_.restores.constFind(mac);
            if (saved == r_.restores.cend()) continue;
            p.plan = fleet::PlanRestore(current, *saved, r_.allFields);
        } else {
            QList<int> matched;
            const QList<fleet::DesiredSetting> settings =
                fleet::SettingsFor(r_.state, stateIndex_, mac, name, &matched);
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
        if (p.report.outcome == FleetOutcome::ToChange && !planOnly && !loginFor(mac, name)) {
            p.report.outcome = FleetOutcome::Invalid;
            p.report.problems << fleet::ApLabel(mac, name) +
                                     QStringLiteral(
                                         ": no login for this AP: give --user, or "
                                         "an entry of --logins that matches it");
        }
        for (const QString& n : p.plan.notes) Q_EMIT message(n);
        planned_.push_back(std::move(p));
    }
    noteUnmatched(matchedAny);
    for (auto it = r_.restores.begin(); it != r_.restores.end(); ++it) {
        if (found_.find(it.key()) != found_.end()) continue;
        ApReport missing;
        missing.mac = it.key();
        missing.name = text::RecordTextToScreen(it.value().ap_name(), fleet::kPlanEncoding);
        missing.outcome = FleetOutcome::Missing;
        missing_.append(missing);
    }
    if (planned_.empty() && missing_.isEmpty() && r_.failWithoutMatch) {
        Q_EMIT message(QStringLiteral("no AP answered as '") + r_.noMatchLabel + u'\'');
        finish(kExitFailure);
        return;
    }
    bool invalid = false;
    for (const Planned& p : planned_) {
        if (p.report.outcome == FleetOutcome::Invalid) {
            invalid = true;
            for (const QString& problem : p.report.problems) Q_EMIT message(problem);
        }
        if (p.report.outcome == FleetOutcome::ToChange) {
            sending_.push_back(static_cast<std::size_t>(&p - planned_.data()));
        }
    }
    if (planOnly || sending_.empty() || (invalid && !r_.keepGoing) || cancelled_) {
        if (invalid && !r_.keepGoing && !planOnly && !sending_.empty()) {
            Q_EMIT message(
                QStringLiteral("nothing sent: the state is invalid for the AP(s) above "
                               "(--keep-going changes the others)"));
            sending_.clear();
        }
        conclude();
        return;
    }
    sendChanges();
}

// The records given, for the APs as they were heard.
void FleetService::planSends() {
    r_.noBackup = true;
    for (const FleetRequest::Send& s : r_.sends) {
        const QString mac = record::MacText(s.ap.mac);
        found_.insert_or_assign(mac, s.ap);
    }
    for (const FleetRequest::Send& s : r_.sends) {
        const QString mac = record::MacText(s.ap.mac);
        Planned p;
        p.ap = &found_.at(mac);
        p.plan.mac = mac;
        p.plan.name = s.name;
        p.plan.current = record::ApConfigRecord(s.ap.record);
        p.plan.desired = s.record;
        p.plan.changes = fleet::DiffRecords(p.plan.current, s.record);
        p.report.mac = mac;
        p.report.name = s.name;
        p.report.interfaceName = s.ap.interfaceName;
        p.report.changes = p.plan.changes;
        // Every record given is sent: the caller chose what to send (the
        // window leaves out an AP its review shows with nothing to change).
        p.plan.verdict = fleet::ApPlan::Verdict::ToChange;
        p.report.outcome = FleetOutcome::ToChange;
        sending_.push_back(planned_.size());
        planned_.push_back(std::move(p));
    }
    if (sending_.empty() || cancelled_) {
        conclude();
        return;
    }
    sendChanges();
}

// Entries that found nothing: a MAC or a name is missing, a pattern that
// matches nothing is only said.
void FleetService::noteUnmatched(const QSet<int>& matchedAny) {
    for (qsizetype i = 0; i < r_.state.entries.size(); ++i) {
        const fleet::StateEntry& e = r_.state.entries[i];
        if (matchedAny.contains(static_cast<int>(i)) || e.match.kind == fleet::ApMatch::Kind::All) {
            continue;
        }
        if (e.match.kind == fleet::ApMatch::Kind::Glob) {
            Q_EMIT message(QStringLiteral("warning: no AP answered matches '") + e.match.text +
                           u'\'' +
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

// ---------------------------------------------------------------- backups

bool FleetService::backUp(const std::vector<std::size_t>& which) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString dir = r_.backupDir;
    if (dir.isEmpty()) {
        // One private folder per apply: two in the same second never share one.
        dir = NewBackupFolder(DefaultBackupParent(), now);
        if (dir.isEmpty()) {
            Q_EMIT message(QStringLiteral("cannot make a backup folder in '") +
                           DefaultBackupParent() + QStringLiteral("'; nothing sent"));
            return false;
        }
    } else if (r_.kind != FleetRequest::Kind::Backup) {
        // A folder named for an apply's backups may hold an earlier apply's:
        // each apply writes a new folder inside it, so none is replaced.
        dir = NewBackupFolder(r_.backupDir, now);
        if (dir.isEmpty()) {
            Q_EMIT message(QStringLiteral("cannot make a backup folder in '") + r_.backupDir +
                           QStringLiteral("'; nothing sent"));
            return false;
        }
    } else if (!QDir().mkpath(dir)) {
        // A folder the user names keeps its mode (the files are private anyway).
        Q_EMIT message(QStringLiteral("cannot make the backup folder '") + dir + u'\'');
        return false;
    }
    for (const std::size_t i : which) {
        const Planned& p = planned_[i];
        const QString file = QDir(dir).filePath(p.report.mac + QStringLiteral(".json"));
        if (QString why;
            !form::WriteBackupFile(file, p.plan.current, fleet::kPlanEncoding, now, &why)) {
            Q_EMIT message(QStringLiteral("cannot write '") + file + QStringLiteral("': ") + why +
                           QStringLiteral("; nothing sent"));
            return false;
        }
    }
    Q_EMIT backedUp(dir, static_cast<int>(which.size()));
    return true;
}

int FleetService::backupFolder() {
    std::vector<std::size_t> which;
    QSet<int> matchedAny;
    for (auto& [mac, ap] : found_) {
        QList<int> matched;
        fleet::SettingsFor(r_.state, stateIndex_, mac, nameOf(ap), &matched);
        if (matched.isEmpty()) continue;
        matchedAny.unite(QSet<int>(matched.begin(), matched.end()));
        Planned p;
        p.plan.current = record::ApConfigRecord(ap.record);
        p.report.mac = mac;
        p.report.name = nameOf(ap);
        p.report.interfaceName = ap.interfaceName;
        planned_.push_back(std::move(p));
        which.push_back(planned_.size() - 1);
    }
    noteUnmatched(matchedAny);
    for (const ApReport& r : missing_) {
        Q_EMIT message(QStringLiteral("no AP answered as '") + (r.mac.isEmpty() ? r.name : r.mac) +
                       QStringLiteral("': not backed up"));
    }
    reports_.clear();
    if (which.empty()) {
        if (missing_.isEmpty()) {
            Q_EMIT message(QStringLiteral("no AP answered as '") + r_.noMatchLabel + u'\'');
        }
        reports_ = missing_;
        return kExitFailure;
    }
    if (!backUp(which)) return kExitFailure;
    for (const Planned& p : planned_) reports_.append(p.report);
    reports_ += missing_;
    return missing_.isEmpty() ? kExitOk : kExitUnconfirmed;
}

// ---------------------------------------------------------------- send

void FleetService::sendChanges() {
    if (!r_.noBackup && !backUp(sending_)) {
        finish(kExitFailure);
        return;
    }
    std::vector<engine::FleetSession::Job> jobs;
    const qsizetype max = record::ApConfigRecord::kLoginTextMax;
    for (const std::size_t i : sending_) {
        const Planned& p = planned_[i];
        if (r_.kind == FleetRequest::Kind::Send) {
            jobs.push_back({p.plan.desired, p.report.mac, p.ap->interfaceIndex});
            continue;
        }
        const Login login = *loginFor(p.report.mac, p.report.name);
        const auto user = text::ScreenTextToRecordWithin(login.user, fleet::kPlanEncoding, max);
        const auto password =
            text::ScreenTextToRecordWithin(login.password, fleet::kPlanEncoding, max);
        if (!user || !password) {
            Q_EMIT message(fleet::ApLabel(p.report.mac, p.report.name) +
                           QStringLiteral(": the login holds a character the AP's code page "
                                          "cannot hold; nothing sent"));
            finish(kExitUsage);
            return;
        }
        jobs.push_back({record::WithLogin(p.plan.desired, *user, *password), p.report.mac,
                        p.ap->interfaceIndex});
    }
    stage_ = Stage::Send;
    if (cancelled_) {
        // Stopped while the backups were written: none of it goes out.
        conclude();
        return;
    }
    sent_ = true;
    Q_EMIT progress(QStringLiteral("applying to %1 AP(s)").arg(jobs.size()));
    session_.send(std::move(jobs));
}

void FleetService::readBack() {
    QSet<QString> macs;
    for (const engine::FleetSession::Job& j : session_.jobs()) {
        if (j.answer != engine::FleetSession::Answer::Refused &&
            j.answer != engine::FleetSession::Answer::NotSent) {
            macs.insert(j.mac);
        }
    }
    stage_ = Stage::ReadBack;
    if (macs.isEmpty()) {
        conclude();
        return;
    }
    Q_EMIT progress(QStringLiteral("reading %1 AP(s) back").arg(macs.size()));
    session_.search(macs);
}

// ---------------------------------------------------------------- report

void FleetService::conclude() {
    const bool sent = stage_ == Stage::ReadBack;
    const auto& jobs = session_.jobs();
    for (std::size_t k = 0; sent && k < sending_.size() && k < jobs.size(); ++k) {
        Planned& p = planned_[sending_[k]];
        const engine::FleetSession::Answer answer = jobs[k].answer;
        if (answer == engine::FleetSession::Answer::Refused) {
            p.report.outcome = FleetOutcome::Refused;
            continue;
        }
        if (answer == engine::FleetSession::Answer::NotSent) {
            p.report.outcome = FleetOutcome::NotSent;
            continue;
        }
        const auto back = readBack_.find(p.report.mac);
        if (back == readBack_.end()) {
            // Not read back: an acknowledgement alone proves nothing.
            p.report.outcome = FleetOutcome::NoAnswer;
            if (answer == engine::FleetSession::Answer::Acknowledged) {
                p.report.problems << QStringLiteral(
                    "acknowledged, but did not answer the search that reads it back");
            }
            continue;
        }
        p.report.unheld = fleet::Unheld(p.plan, record::ApConfigRecord(back->second.record));
        if (p.report.unheld.isEmpty()) {
            // Holds what it should: changed, whether or not its answer came.
            p.report.outcome = FleetOutcome::Changed;
        } else {
            p.report.outcome = answer == engine::FleetSession::Answer::Acknowledged
                                   ? FleetOutcome::NotApplied
                                   : FleetOutcome::NoAnswer;
        }
    }
    const bool planOnly = r_.kind == FleetRequest::Kind::Plan;
    if (cancelled_ && !planOnly) {
        // Whatever was still to change was never sent.
        for (const std::size_t i : sending_) {
            if (planned_[i].report.outcome == FleetOutcome::ToChange)
                planned_[i].report.outcome = FleetOutcome::NotSent;
        }
    }
    reports_.clear();
    for (const Planned& p : planned_) reports_.append(p.report);
    reports_ += missing_;
    int code = FleetExitCode(reports_, planOnly);
    // An apply stopped by an invalid AP sent nothing: that is what it says.
    if (!planOnly && !sent && code == kExitOk &&
        std::any_of(reports_.begin(), reports_.end(),
                    [](const ApReport& r) { return r.outcome == FleetOutcome::ToChange; })) {
        code = kExitUsage;
    }
    finish(code);
}

}  // namespace tern::service
