#include "cli/cli_runner.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "cli/headless_search.h"
#include "cli/output_format.h"
#include "core/fleet/plan.h"
#include "core/fleet/state_file.h"
#include "core/form/ap_settings.h"
#include "core/form/backup_file.h"
#include "core/form/form_model.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "core/rules/validation.h"
#include "core/service/fleet_inputs.h"
#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"

namespace tern::cli {

namespace {

// The AP texts of the command line are in the code page of the English
// language file, the one an administrator's shell meets first.
constexpr text::TextEncoding kEncoding = text::TextEncoding::Windows1252;
// Several APs: each request after the previous AP's answer, or after 4 x
// 100 ms without one; then the engine's ticks until every AP has answered
// or the engine has a verdict.
constexpr engine::ApplySession::Options kPacing{
    .waitForReplies = true, .sliceMs = 100, .maxSlices = 4, .follow = true, .tickMs = 2000};

// The built-in English texts are in kEncoding, the code page of the AP texts.
const text::LanguageText& English() { return text::BuiltInEnglish(); }

record::ApConfigRecord RecordOf(const engine::SearchSession::Found& ap) {
    return record::ApConfigRecord(ap.record);
}

QString NameOf(const record::ApConfigRecord& record) {
    return text::RecordTextToScreen(record.ap_name(), kEncoding);
}

// The firmware identifier the reply's header leads with ("MX9000AP-QA1-Z00
// -01"), its padding folded.
QString FirmwareText(const QByteArray& payload) {
    QString text;
    for (const char c : payload.left(24))
        text += (c >= 0x20 && c < 0x7f) ? QLatin1Char(c) : QLatin1Char(' ');
    return text.simplified();
}

// The APs of the last scan, for the shell's completion of TARGETs: a line
// "MAC<TAB>name" each, in the user's cache. Best effort: completion only
// misses the names when it cannot be written.
void RememberForCompletion(const QList<QJsonObject>& entries) {
    QString dir = qEnvironmentVariable("XDG_CACHE_HOME");
    if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.cache");
    dir += QStringLiteral("/tern-ap-utility");
    if (!QDir().mkpath(dir)) return;
    QByteArray lines;
    for (const QJsonObject& e : entries) {
        // A tab or line break inside a name would break the lines apart.
        QString name = e.value(u"name").toString();
        name.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
        lines += e.value(u"mac").toString().toUtf8() + '\t' + name.toUtf8() + '\n';
    }
    QSaveFile file(dir + QStringLiteral("/last-scan"));
    if (file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size()) file.commit();
}

}  // namespace

CliRunner::CliRunner(net::UdpSocketControl& socket, CliOptions options, CliLogin login,
                     QObject* parent)
    : QObject(parent),
      socket_(socket),
      o_(std::move(options)),
      login_(std::move(login)),
      fleet_(socket,
             [&] {
                 engine::FleetSession::Options s;
                 s.searchWindowMs = o_.timeoutMs;
                 s.searchSpacingMs = std::min(200, o_.timeoutMs / 4);
                 return s;
             }()),
      search_(socket) {
    connect(&search_, &engine::SearchSession::finished, this, &CliRunner::searched);
    connect(&fleet_, &service::FleetService::searched, this, &CliRunner::searched);
    // After the search the apply's answers go to the same engine.
    connect(&socket_, &net::UdpSocketControl::OnRecv, this, [this](const QByteArray& d, uint via) {
        if (applying_) apply_.receive(d, via);
    });
    connect(&apply_, &engine::ApplySession::aboutToSend, this, [this](int index, int count) {
        progress(QStringLiteral("applying %1/%2").arg(index + 1).arg(count));
    });
    connect(&apply_, &engine::ApplySession::ended, this, &CliRunner::finishApply);
}

bool CliRunner::appliesOne() const { return o_.command == u"set" || o_.command == u"restore"; }

const std::vector<engine::SearchSession::Found>& CliRunner::found() const {
    return appliesOne() ? search_.found() : fleet_.found();
}

bool CliRunner::checkBeforeSearch() {
    if (o_.command == u"set") {
        const std::optional<QString> refused =
            RefusedAssignment(o_.args.mid(FirstAssignment(o_.args)), false, o_.showSecrets);
        if (refused) message(*refused + QStringLiteral("; nothing sent"));
        return !refused;
    }
    auto saved = service::LoadBackups({o_.args.value(0)});
    if (const QString* error = std::get_if<QString>(&saved)) {
        message(*error);
        return false;
    }
    saved_ = std::get<QMap<QString, record::ApConfigRecord>>(saved).first();
    return true;
}

void CliRunner::start() {
    if (appliesOne()) {
        if (!checkBeforeSearch()) {
            finish(kExitUsage);
            return;
        }
        if (loginSource_) {
            std::optional<CliLogin> login = loginSource_();
            if (!login) {
                finish(kExitUsage);
                return;
            }
            login_ = std::move(*login);
        }
        if (const std::optional<QString> problem =
                fleet::LoginProblem(login_.user, login_.password, kEncoding)) {
            message(QStringLiteral("the login: ") + *problem + QStringLiteral("; nothing sent"));
            finish(kExitUsage);
            return;
        }
    }
    // A command for one AP named by its MAC needs to listen only until that
    // AP has answered: a script that loops over many APs then costs a round
    // trip per AP, not a whole search window.
    const fleet::ApMatch target =
        fleet::ParseApMatch(o_.command == u"restore" ? o_.args.value(1) : o_.args.value(0));
    const std::optional<record::MacAddress> mac =
        o_.command == u"scan" || o_.all || target.kind != fleet::ApMatch::Kind::Mac
            ? std::nullopt
            : record::ParseMacText(target.mac);
    progress(QStringLiteral("searching for %1 ms").arg(o_.timeoutMs));
    started_.start();
    if (!appliesOne()) {
        fleet_.search(mac ? QSet<QString>{record::MacText(*mac)} : QSet<QString>{});
        return;
    }
    if (mac) {
        connect(&search_, &engine::SearchSession::apFound, this, [this, mac = *mac](int index) {
            if (search_.found()[static_cast<std::size_t>(index)].mac == mac) {
                // From the event loop, never inside the receive handler.
                QTimer::singleShot(0, &search_, &engine::SearchSession::finish);
            }
        });
    }
    search_.start(o_.timeoutMs);
}

void CliRunner::message(const QString& text) { err_ += MessageLine(text); }

void CliRunner::progress(const QString& text) { ShowProgress(o_, text); }

void CliRunner::finish(int code) {
    if (finished_) return;
    finished_ = true;
    applying_ = false;
    apply_.stop();
    exitCode_ = code;
    Q_EMIT done(code);
}

int CliRunner::noMatch() {
    message(QStringLiteral("no AP answered as '") +
            (o_.all ? QStringLiteral("--all") : o_.args.value(0)) + u'\'');
    return kExitFailure;
}

std::vector<const engine::SearchSession::Found*> CliRunner::targets() const {
    std::vector<const engine::SearchSession::Found*> out;
    // A MAC (with '-' or ':'), an exact name or a pattern of names, as
    // every command reads a TARGET.
    const fleet::ApMatch match =
        fleet::ParseApMatch(o_.command == u"restore" ? o_.args.value(1) : o_.args.value(0));
    for (const auto& ap : found()) {
        const record::ApConfigRecord record = RecordOf(ap);
        if (o_.all || match.matches(record::MacText(record.mac_addr()), NameOf(record))) {
            out.push_back(&ap);
        }
    }
    return out;
}

void CliRunner::searched() {
    const qint64 lost = appliesOne() ? search_.counters().lost : fleet_.session().counters().lost;
    if (lost > 0) {
        // Not progress: said even with --quiet, since the list is short.
        message(socket_.lostText(lost));
    }
    int code = kExitFailure;
    if (o_.command == u"scan") {
        code = scan();
    } else if (o_.command == u"show") {
        code = show();
    } else if (o_.command == u"backup") {
        code = backup();
    } else if (o_.command == u"set" || o_.command == u"restore") {
        code = o_.command == u"set" ? prepareSet() : prepareRestore();
        if (code == kExitOk) {
            startApply();  // the apply's answers decide the exit code
            return;
        }
    }
    finish(code);
}

// ---------------------------------------------------------------- scan, show, backup

int CliRunner::scan() {
    QList<QJsonObject> entries;
    for (const auto& ap : found()) {
        QJsonObject entry = form::ScanEntry(RecordOf(ap), kEncoding);
        entry[QStringLiteral("interface")] = ap.interfaceName;
        entries.append(entry);
    }
    if (o_.output == u"json") {
        QJsonArray all;
        for (const QJsonObject& e : entries) all.append(e);
        out_ += QJsonDocument(all).toJson(QJsonDocument::Indented);
    } else if (o_.output == u"jsonl") {
        out_ += JsonLines(entries);
    } else if (o_.output == u"csv") {
        out_ += ScanCsv(entries);
    } else {
        std::vector<ApListLine> lines;
        for (const auto& ap : found()) lines.push_back(ListLineFor(ap));
        out_ += FormatApTable(lines, socket_.searchedInterfaces().size() > 1).toUtf8();
    }
    // The demo's APs are no AP of the network: completion keeps offering
    // the last real scan's.
    if (!o_.demo) RememberForCompletion(entries);
    if (!o_.prometheus.isEmpty()) {
        if (QString error; !WriteMetricsFile(o_.prometheus, Metrics(entries), &error)) {
            message(error);
            return kExitFailure;
        }
    }
    if (!o_.quiet) message(QString::number(found().size()) + QStringLiteral(" AP(s) found"));
    return kExitOk;
}

ScanMetrics CliRunner::Metrics(const QList<QJsonObject>& entries) const {
    // `entries` are scan's, one for each AP found, in the same order.
    ScanMetrics m;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject& e = entries[i];
        const auto& ap = found()[static_cast<std::size_t>(i)];
        const QJsonObject settings = form::DecodeSettings(RecordOf(ap), kEncoding, false);
        m.aps.append({e.value(u"mac").toString(), e.value(u"name").toString(), ap.interfaceName,
                      e.value(u"ssid").toString(),
                      e.value(u"channel").isDouble() ? e.value(u"channel").toInt() : -1,
                      e.value(u"encryption").toString(),
                      fleet::CodedText(settings.value(u"auth_type")).toVariant().toString(),
                      FirmwareText(ap.packet)});
    }
    m.durationSeconds = static_cast<double>(started_.elapsed()) / 1000.0;
    m.lostDatagrams = fleet_.session().counters().lost;
    m.timestamp = QDateTime::currentSecsSinceEpoch();
    return m;
}

int CliRunner::show() {
    const auto found = targets();
    if (found.empty()) return noMatch();
    const bool table = o_.output.isEmpty() || o_.output == u"table";
    QList<QJsonObject> shown;
    QList<QJsonObject> revealed;  // the table's: tells an empty key from a masked one
    for (const auto* ap : found) {
        QJsonObject settings = form::DecodeSettings(RecordOf(*ap), kEncoding, o_.showSecrets);
        settings[QStringLiteral("interface")] = ap->interfaceName;
        shown.append(settings);
        if (table) revealed.append(form::DecodeSettings(RecordOf(*ap), kEncoding, true));
    }
    if (o_.output == u"json") {
        QJsonArray all;
        for (const QJsonObject& s : shown) all.append(s);
        out_ += shown.size() == 1 ? QJsonDocument(shown[0]).toJson(QJsonDocument::Indented)
                                  : QJsonDocument(all).toJson(QJsonDocument::Indented);
    } else if (o_.output == u"jsonl") {
        out_ += JsonLines(shown);
    } else if (o_.output == u"csv") {
        out_ += ShowCsv(shown);
    } else {
        out_ += ShowText(shown, revealed);
    }
    return kExitOk;
}

int CliRunner::backup() {
    const auto found = targets();
    if (found.size() != 1) {
        message(found.empty() ? QStringLiteral("no AP answered as '") + o_.args.value(0) + u'\''
                              : QStringLiteral("backup saves one AP; the target names ") +
                                    QString::number(found.size()));
        return found.empty() ? kExitFailure : kExitUsage;
    }
    const record::ApConfigRecord record = RecordOf(*found.front());
    if (QString error; !form::WriteBackupFile(o_.args.value(1), record, kEncoding,
                                              QDateTime::currentDateTimeUtc(), &error)) {
        message(QStringLiteral("cannot write '") + o_.args.value(1) + QStringLiteral("': ") +
                error);
        return kExitFailure;
    }
    if (!o_.quiet) message(QStringLiteral("saved ") + record::MacText(record.mac_addr()));
    return kExitOk;
}

// ---------------------------------------------------------------- set, restore

bool CliRunner::passesChecks(const record::FormSettings& form, const record::ApConfigRecord& shown,
                             const record::ApConfigRecord& built, bool multi) {
    rules::FormValues values = form::FormValuesOf(form, shown, kEncoding, multi);
    if (!multi) form::TakeDhcpServer(values, built);
    const rules::ApplyCheckResult checked = rules::RunApplyChecks(values);
    for (const rules::CheckMessage& m : checked.messages) {
        message(rules::CheckMessageText(English(), m).text);
    }
    // The window's message names no setting: say which AP, which setting,
    // which value and why.
    if (!checked.passed()) {
        message(fleet::ApLabel(record::MacText(shown.mac_addr()), NameOf(shown)) +
                QStringLiteral(": ") + fleet::CheckInWords(checked, built, &values));
    }
    return checked.passed();
}

int CliRunner::prepareSet() {
    const auto found = targets();
    if (found.empty()) return noMatch();
    const bool multi = found.size() > 1;
    const QStringList assignments = o_.all ? o_.args : o_.args.mid(1);
    for (const auto* ap : found) {
        const record::ApConfigRecord shown = RecordOf(*ap);
        record::FormSettings form = form::ShownForm(shown, kEncoding);
        const QString label = fleet::ApLabel(record::MacText(shown.mac_addr()), NameOf(shown));
        for (const QString& a : assignments) {
            const qsizetype eq = a.indexOf(u'=');
            if (form::SetResult set = form::SetNamed(form, shown, a.left(eq), a.mid(eq + 1), multi);
                !set.passed()) {
                if (fleet::IsSecretSetting(set.name) && !o_.showSecrets) {
                    set.value = QStringLiteral("***");
                }
                message(label + QStringLiteral(": ") + form::RefusalText(set));
                return kExitUsage;
            }
        }
        // WPA-PSK without 802.1X switches it on, as the window's check does
        // before the record is built. WPA without it is refused there (the
        // box is ticked, the apply stops), so it is refused by the checks
        // below, never switched on and sent.
        const rules::ApplyCheckResult pre =
            rules::CheckApplyPreconditions(form::FormValuesOf(form, shown, kEncoding, multi));
        if (pre.passed() && pre.check_dot1x) {
            form.Chk_8021x = true;
            message(text::LookupMessage(English(), text::kMsgNoSelect3).text);
            message(fleet::Dot1xSwitchedOnWords(label));
        }
        const record::BuildResult built = record::BuildRecord(
            multi ? record::BuildMode::Multi : record::BuildMode::Single, shown, form);
        if (!built) {
            message(text::LookupMessage(English(), text::kMsgErrBuild).text);
            message(label + QStringLiteral(": ") +
                    fleet::BuildFailureWords(built.failure().field, built.failure().text,
                                             o_.showSecrets));
            return kExitUsage;
        }
        if (!passesChecks(form, shown, built.record(), multi)) return kExitUsage;
        const QString mac = record::MacText(shown.mac_addr());
        jobs_.push_back({built.record(), {mac, NameOf(shown)}});
    }
    return kExitOk;
}

int CliRunner::prepareRestore() {
    // Read and checked before the search.
    const std::optional<record::ApConfigRecord>& record = saved_;
    const record::MacAddress savedMac = record->mac_addr();
    // The AP the TARGET names, else the one the file was saved from.
    const engine::SearchSession::Found* target = nullptr;
    if (o_.args.size() > 1) {
        const auto named = targets();
        if (named.size() > 1) {
            message(QStringLiteral("restore writes one AP; '") + o_.args.value(1) +
                    QStringLiteral("' names ") + QString::number(named.size()));
            return kExitUsage;
        }
        if (!named.empty()) target = named.front();
    } else {
        for (const auto& ap : search_.found()) {
            if (RecordOf(ap).mac_addr() == savedMac) target = &ap;
        }
    }
    if (target == nullptr) {
        message(QStringLiteral("no AP answered as '") +
                (o_.args.size() > 1 ? o_.args.value(1) : record::MacText(savedMac)) + u'\'');
        return kExitFailure;
    }
    const record::ApConfigRecord own = RecordOf(*target);
    // The same checks as set, over the form the record would show; another
    // AP keeps who and where it is.
    const fleet::ApPlan plan = fleet::PlanRestore(own, *record, o_.allFields);
    if (plan.verdict == fleet::ApPlan::Verdict::Invalid) {
        for (const QString& p : plan.problems) message(p);
        return kExitUsage;
    }
    const record::ApConfigRecord& out = plan.desired;
    // Written back even where the settings already agree (its other bytes
    // may not), and so checked then too.
    if (plan.verdict == fleet::ApPlan::Verdict::InState &&
        !passesChecks(form::ShownForm(out, kEncoding), out, out, false)) {
        return kExitUsage;
    }
    jobs_.push_back({out, {record::MacText(out.mac_addr()), NameOf(own)}});
    return kExitOk;
}

void CliRunner::startApply() {
    applying_ = true;
    search_.engine().BeginApply(static_cast<int>(jobs_.size()));
    const qsizetype max = record::ApConfigRecord::kLoginTextMax;
    const QByteArray user =
        text::ScreenTextToRecordWithin(login_.user, kEncoding, max).value_or(QByteArray());
    const QByteArray password =
        text::ScreenTextToRecordWithin(login_.password, kEncoding, max).value_or(QByteArray());
    std::vector<engine::ApplySession::Request> requests;
    for (const Job& job : jobs_) {
        requests.push_back({record::WithLogin(job.record, user, password), job.target});
    }
    engine::ApplySession::Options pacing = kPacing;
    pacing.waitForReplies = jobs_.size() > 1;
    if (!apply_.start(&socket_, std::move(requests), pacing)) {
        // Nothing went out, so no answer will end the apply.
        message(QStringLiteral("nothing to send"));
        finish(kExitFailure);
    }
}

void CliRunner::finishApply() {
    if (finished_) return;
    engine::ApEngine& engine = search_.engine();
    const QList<engine::ApplyTarget> silent = engine.unanswered_targets;
    QStringList refused;
    for (const QByteArray& mac : engine.failed_macs) {
        refused << record::MacText(record::MacFromBytes(mac));
    }
    QJsonArray outcomes;
    bool anySilent = false;
    bool anyRefused = false;
    for (const Job& job : jobs_) {
        QString outcome = QStringLiteral("acknowledged");
        if (std::any_of(silent.begin(), silent.end(),
                        [&](const engine::ApplyTarget& t) { return t.mac == job.target.mac; })) {
            outcome = QStringLiteral("no answer");
            anySilent = true;
        } else if (refused.contains(job.target.mac)) {
            outcome = QStringLiteral("refused");
            anyRefused = true;
        }
        if (o_.json) {
            outcomes.append(QJsonObject{{QStringLiteral("mac"), job.target.mac},
                                        {QStringLiteral("name"), job.target.name},
                                        {QStringLiteral("outcome"), outcome}});
        } else {
            out_ += job.target.mac.toUtf8() + "  " + text::VisibleText(job.target.name).toUtf8() +
                    "  " + outcome.toUtf8() + '\n';
        }
    }
    if (o_.json) out_ += QJsonDocument(outcomes).toJson(QJsonDocument::Indented);
    finish(anySilent ? kExitUnconfirmed : anyRefused ? kExitRefused : kExitOk);
}

}  // namespace tern::cli
