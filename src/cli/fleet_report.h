#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/fleet/plan.h"

namespace tern::app {

// What became of one AP in a plan or an apply.
enum class FleetOutcome {
    Unchanged,   // already holds the desired values: nothing sent
    ToChange,    // plan: would be changed
    Changed,     // acknowledged and read back holding the desired values
    Refused,     // answered with a refusal (wrong login)
    NoAnswer,    // no answer to any send, and not read back holding the values
    NotApplied,  // read back without the desired values, acknowledged or not
    Missing,     // named by the state, not heard by the search
    Invalid,     // the desired values would be refused: nothing sent to it
};

// "unchanged", "to change", "changed", "refused", "no answer", "not
// applied", "missing", "invalid".
QString OutcomeText(FleetOutcome outcome);

struct ApReport {
    QString mac;   // empty for an entry no AP answered by name
    QString name;  // the AP's, or the entry's match when missing
    QString interfaceName;
    FleetOutcome outcome = FleetOutcome::Unchanged;
    QList<fleet::SettingChange> changes;  // planned (before -> after)
    QList<fleet::SettingChange> unheld;   // NotApplied: read back (before) vs wanted (after)
    QStringList problems;                 // Invalid: each in words
    QStringList notes;
};

// The report on stdout. Text: a line per AP that is not unchanged, its
// changes indented beneath, then a summary line. JSON: {"aps": [...],
// "summary": {...}} with every AP; for `set`, whose output was always a
// list, only the list.
QByteArray FleetReportText(const QList<ApReport>& aps, bool showSecrets, bool plan);
QByteArray FleetReportJson(const QList<ApReport>& aps, bool showSecrets, bool listOnly = false);

// One AP a line, each as in FleetReportJson's list.
QByteArray FleetReportJsonLines(const QList<ApReport>& aps, bool showSecrets);
// CSV with a header row (mac, name, interface, outcome, setting, before,
// after, problem): a row per change or problem, one for an AP with neither.
QByteArray FleetReportCsv(const QList<ApReport>& aps, bool showSecrets);

// The exit code: with `plan`, 0 or 5 (2 invalid, 4 missing before them);
// otherwise the first of 6, 4, 3, 2 that applies, else 0.
int FleetExitCode(const QList<ApReport>& aps, bool plan);

}  // namespace tern::app
