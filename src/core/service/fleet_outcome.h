#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/fleet/plan.h"

namespace tern::service {

// The exit codes of every command for many APs, as tern-ap-cli's --help and
// the README give them; the window and a long-running service read the
// same outcomes.
inline constexpr int kExitOk = 0;             // every target answered (or the command needed none)
inline constexpr int kExitFailure = 1;        // no AP matched, the socket cannot be opened, ...
inline constexpr int kExitUsage = 2;          // a usage error or an invalid value: nothing sent
inline constexpr int kExitRefused = 3;        // at least one AP refused, the rest acknowledged
inline constexpr int kExitUnconfirmed = 4;    // at least one AP did not answer, or is missing
inline constexpr int kExitPlanChanges = 5;    // plan: something would change
inline constexpr int kExitNotApplied = 6;     // an AP acknowledged but does not hold the settings
inline constexpr int kExitInterrupted = 130;  // stopped by SIGINT (SIGTERM: 143)

// What became of one AP in a plan or an apply.
enum class FleetOutcome {
    Unchanged,   // already holds the desired values: nothing sent
    ToChange,    // plan: would be changed
    Changed,     // read back holding the desired values
    Refused,     // answered with a refusal (wrong login)
    NoAnswer,    // no answer to any send, and not read back holding the values
    NotApplied,  // read back without the desired values, acknowledged or not
    Missing,     // named by the state, not heard by the search
    Invalid,     // the desired values would be refused: nothing sent to it
    NotSent,     // would have been changed, but the run was stopped first
};

// Every outcome, in the order reports count them.
inline constexpr FleetOutcome kAllOutcomes[] = {
    FleetOutcome::ToChange, FleetOutcome::Changed,  FleetOutcome::Unchanged,
    FleetOutcome::Refused,  FleetOutcome::NoAnswer, FleetOutcome::NotApplied,
    FleetOutcome::Missing,  FleetOutcome::Invalid,  FleetOutcome::NotSent,
};

// "unchanged", "to change", "changed", "refused", "no answer", "not
// applied", "missing", "invalid", "not sent".
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

int CountOutcome(const QList<ApReport>& aps, FleetOutcome outcome);

// The exit code: with `plan`, 0 or 5 (2 invalid, 4 missing before them);
// otherwise the first of 6, 4, 3, 2 that applies, else 0. An AP not sent
// to because the run was stopped is unconfirmed (4).
int FleetExitCode(const QList<ApReport>& aps, bool plan);

}  // namespace tern::service
