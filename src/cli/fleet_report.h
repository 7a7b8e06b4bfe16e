#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/fleet/plan.h"
#include "core/service/fleet_outcome.h"

namespace tern::cli {

using service::ApReport;
using service::FleetOutcome;
using service::OutcomeText;

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

}  // namespace tern::cli
