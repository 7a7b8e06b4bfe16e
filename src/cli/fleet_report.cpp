#include "cli/fleet_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "cli/cli_options.h"
#include "cli/output_format.h"
#include "core/text/screen_text.h"

namespace tern::cli {

namespace {

QJsonValue JsonValue(const QJsonValue& v, bool secret, bool showSecrets, bool changed) {
    if (!secret || showSecrets) return v;
    return changed ? QStringLiteral("*** (changed)") : QStringLiteral("***");
}

QJsonObject Changes(const QList<fleet::SettingChange>& changes, bool showSecrets) {
    QJsonObject out;
    for (const fleet::SettingChange& c : changes) {
        out[c.name] = QJsonObject{
            {QStringLiteral("before"), JsonValue(c.before, c.secret, showSecrets, false)},
            {QStringLiteral("after"), JsonValue(c.after, c.secret, showSecrets, true)},
        };
    }
    return out;
}

QString ChangeLine(const fleet::SettingChange& c, bool showSecrets) {
    const QString after = c.secret && !showSecrets
                              ? QStringLiteral("*** (changed)")
                              : fleet::ShownValue(c.after, c.secret, showSecrets);
    return QStringLiteral("    ") + c.name + QStringLiteral(": ") +
           fleet::ShownValue(c.before, c.secret, showSecrets) + QStringLiteral(" -> ") + after;
}

int Count(const QList<ApReport>& aps, FleetOutcome o) { return service::CountOutcome(aps, o); }

}  // namespace

QByteArray FleetReportText(const QList<ApReport>& aps, bool showSecrets, bool plan) {
    QString out;
    for (const ApReport& ap : aps) {
        if (ap.outcome == FleetOutcome::Unchanged) continue;
        out += (ap.mac.isEmpty() ? QStringLiteral("-") : ap.mac) + QStringLiteral("  ") +
               text::VisibleText(ap.name) + QStringLiteral("  ") + OutcomeText(ap.outcome);
        if (!ap.interfaceName.isEmpty()) out += QStringLiteral("  (") + ap.interfaceName + u')';
        out += u'\n';
        const bool unheld = ap.outcome == FleetOutcome::NotApplied;
        for (const fleet::SettingChange& c : unheld ? ap.unheld : ap.changes) {
            out += ChangeLine(c, showSecrets);
            if (unheld) out += QStringLiteral("  (wanted; the AP holds the first)");
            out += u'\n';
        }
        for (const QString& p : ap.problems) out += QStringLiteral("    ") + p + u'\n';
    }
    QStringList counts;
    for (const FleetOutcome o : service::kAllOutcomes) {
        // A plan sends nothing, so only what it can say is counted.
        const bool sentOnly = o == FleetOutcome::Changed || o == FleetOutcome::Refused ||
                              o == FleetOutcome::NoAnswer || o == FleetOutcome::NotApplied;
        if (plan ? sentOnly : o == FleetOutcome::ToChange) continue;
        // Only a run that was stopped leaves APs not sent to.
        if (o == FleetOutcome::NotSent && Count(aps, o) == 0) continue;
        counts << QString::number(Count(aps, o)) + u' ' + OutcomeText(o);
    }
    out += QStringLiteral("summary: ") + counts.join(QStringLiteral(", ")) + u'\n';
    return out.toUtf8();
}

namespace {

QJsonObject ApEntry(const ApReport& ap, bool showSecrets) {
    QJsonObject entry{
        {QStringLiteral("mac"), ap.mac},
        {QStringLiteral("name"), ap.name},
        {QStringLiteral("interface"), ap.interfaceName},
        {QStringLiteral("outcome"), OutcomeText(ap.outcome)},
        {QStringLiteral("changes"), Changes(ap.changes, showSecrets)},
    };
    if (!ap.unheld.isEmpty()) entry[QStringLiteral("unheld")] = Changes(ap.unheld, showSecrets);
    if (!ap.problems.isEmpty())
        entry[QStringLiteral("problems")] = QJsonArray::fromStringList(ap.problems);
    if (!ap.notes.isEmpty()) entry[QStringLiteral("notes")] = QJsonArray::fromStringList(ap.notes);
    return entry;
}

}  // namespace

QByteArray FleetReportJson(const QList<ApReport>& aps, bool showSecrets, bool listOnly) {
    QJsonArray list;
    for (const ApReport& ap : aps) list.append(ApEntry(ap, showSecrets));
    if (listOnly) return QJsonDocument(list).toJson(QJsonDocument::Indented);
    QJsonObject summary;
    for (const FleetOutcome o : service::kAllOutcomes) {
        summary[OutcomeText(o).replace(u' ', u'_')] = Count(aps, o);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("aps"), list},
                                     {QStringLiteral("summary"), summary},
                                     {QStringLiteral("version"), QStringLiteral(TERN_VERSION)}})
        .toJson(QJsonDocument::Indented);
}

QByteArray FleetReportJsonLines(const QList<ApReport>& aps, bool showSecrets) {
    QList<QJsonObject> lines;
    for (const ApReport& ap : aps) lines.append(ApEntry(ap, showSecrets));
    return JsonLines(lines);
}

QByteArray FleetReportCsv(const QList<ApReport>& aps, bool showSecrets) {
    QByteArray out =
        CsvRecord({QStringLiteral("mac"), QStringLiteral("name"), QStringLiteral("interface"),
                   QStringLiteral("outcome"), QStringLiteral("setting"), QStringLiteral("before"),
                   QStringLiteral("after"), QStringLiteral("problem")});
    for (const ApReport& ap : aps) {
        const QStringList who = {ap.mac, ap.name, ap.interfaceName, OutcomeText(ap.outcome)};
        const bool unheld = ap.outcome == FleetOutcome::NotApplied;
        const QList<fleet::SettingChange>& changes = unheld ? ap.unheld : ap.changes;
        for (const fleet::SettingChange& c : changes) {
            out += CsvRecord(
                who +
                QStringList{c.name, CsvField(JsonValue(c.before, c.secret, showSecrets, false)),
                            CsvField(JsonValue(c.after, c.secret, showSecrets, true)), QString()});
        }
        for (const QString& p : ap.problems) {
            out += CsvRecord(who + QStringList{QString(), QString(), QString(), p});
        }
        if (changes.isEmpty() && ap.problems.isEmpty()) {
            out += CsvRecord(who + QStringList{QString(), QString(), QString(), QString()});
        }
    }
    return out;
}

}  // namespace tern::cli
