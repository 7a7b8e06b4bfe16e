#include "core/service/fleet_outcome.h"

#include <algorithm>

namespace tern::service {

QString OutcomeText(FleetOutcome outcome) {
    switch (outcome) {
        case FleetOutcome::Unchanged:
            return QStringLiteral("unchanged");
        case FleetOutcome::ToChange:
            return QStringLiteral("to change");
        case FleetOutcome::Changed:
            return QStringLiteral("changed");
        case FleetOutcome::Refused:
            return QStringLiteral("refused");
        case FleetOutcome::NoAnswer:
            return QStringLiteral("no answer");
        case FleetOutcome::NotApplied:
            return QStringLiteral("not applied");
        case FleetOutcome::Missing:
            return QStringLiteral("missing");
        case FleetOutcome::Invalid:
            return QStringLiteral("invalid");
        case FleetOutcome::NotSent:
            return QStringLiteral("not sent");
    }
    return {};
}

int CountOutcome(const QList<ApReport>& aps, FleetOutcome outcome) {
    return static_cast<int>(std::count_if(
        aps.begin(), aps.end(), [outcome](const ApReport& a) { return a.outcome == outcome; }));
}

int FleetExitCode(const QList<ApReport>& aps, bool plan) {
    const auto any = [&aps](FleetOutcome o) { return CountOutcome(aps, o) > 0; };
    if (plan) {
        if (any(FleetOutcome::Invalid)) return kExitUsage;
        if (any(FleetOutcome::Missing)) return kExitUnconfirmed;
        return any(FleetOutcome::ToChange) ? kExitPlanChanges : kExitOk;
    }
    if (any(FleetOutcome::NotApplied)) return kExitNotApplied;
    if (any(FleetOutcome::NoAnswer) || any(FleetOutcome::Missing) || any(FleetOutcome::NotSent)) {
        return kExitUnconfirmed;
    }
    if (any(FleetOutcome::Refused)) return kExitRefused;
    if (any(FleetOutcome::Invalid)) return kExitUsage;
    return kExitOk;
}

}  // namespace tern::service
