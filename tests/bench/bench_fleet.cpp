// What planning a fleet costs before anything is sent: each AP's desired
// settings typed into its form, built and checked (PlanSettings), for a
// thousand simulated APs; and the decoded difference of two records
// (DiffRecords), which every plan and every read-back pays once per AP.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <vector>

#include "core/fleet/plan.h"
#include "core/record/net_types.h"
#include "sim/ap_simulator.h"

namespace tern::fleet {
namespace {

constexpr int kFleet = 1000;

struct FleetInput {
    std::vector<record::ApConfigRecord> records;
    std::vector<QList<DesiredSetting>> settings;
};

// Each AP gets a longer beacon interval and, when it has an address of its
// own, a gateway and a DHCP start inside its /24: what a state file for
// these APs says.
const FleetInput& Input() {
    static const FleetInput input = [] {
        FleetInput in;
        for (const sim::SimulatedAp& ap : sim::GenerateAps(kFleet)) {
            QList<DesiredSetting> s{
                {QStringLiteral("beacon_interval"), QStringLiteral("150"), false, 0}};
            const record::Ipv4Address ip = ap.record.ip_addr();
            if (ip != record::Ipv4Address{}) {
                const QString net = QStringLiteral("%1.%2.%3.").arg(ip[0]).arg(ip[1]).arg(ip[2]);
                s.append({QStringLiteral("gateway"), net + u'1', false, 0});
                s.append(
                    {QStringLiteral("dhcp_server.start"), net + QStringLiteral("100"), false, 0});
            }
            in.records.push_back(ap.record);
            in.settings.push_back(std::move(s));
        }
        return in;
    }();
    return input;
}

void BM_PlanThousandAps(benchmark::State& state) {
    const FleetInput& in = Input();
    for (auto _ : state) {
        int toChange = 0;
        for (std::size_t i = 0; i < in.records.size(); ++i) {
            const ApPlan plan = PlanSettings(in.records[i], in.settings[i]);
            toChange += plan.verdict == ApPlan::Verdict::ToChange ? 1 : 0;
        }
        if (toChange != kFleet) {
            state.SkipWithError("not every AP is planned to change: the input is wrong");
            break;
        }
        benchmark::DoNotOptimize(toChange);
    }
    state.SetItemsProcessed(state.iterations() * kFleet);
    state.SetLabel("per fleet of 1000");
}
BENCHMARK(BM_PlanThousandAps)->Unit(benchmark::kMillisecond);

void BM_DiffRecords(benchmark::State& state) {
    const FleetInput& in = Input();
    std::vector<std::pair<record::ApConfigRecord, record::ApConfigRecord>> pairs;
    for (std::size_t i = 0; i < in.records.size(); ++i) {
        pairs.emplace_back(in.records[i], PlanSettings(in.records[i], in.settings[i]).desired);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [from, to] = pairs[i];
        QList<SettingChange> changes = DiffRecords(from, to);
        if (changes.isEmpty()) {
            state.SkipWithError("two records that should differ do not");
            break;
        }
        benchmark::DoNotOptimize(changes);
        i = (i + 1) % pairs.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("per AP");
}
BENCHMARK(BM_DiffRecords)->Unit(benchmark::kMicrosecond);

// Which settings of a state are each AP's, when the state names every AP
// by its MAC: through the index the fleet service builds once (Arg 1), and
// every entry tried on every AP (Arg 0), as planning did before: the
// entries that match, counted the same way.
void BM_MatchStateNamingEveryAp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool indexed = state.range(1) != 0;
    const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(count);
    DesiredState desired;
    desired.entries.append(
        {ApMatch{}, {{QStringLiteral("beacon_interval"), QStringLiteral("150"), false, 0}}, 0});
    QStringList macs;
    for (const sim::SimulatedAp& ap : aps) {
        macs << record::MacText(ap.record.mac_addr());
        desired.entries.append(
            {ParseApMatch(macs.last()), {{QStringLiteral("ssid"), macs.last(), false, 0}}, 0});
    }
    desired.entries.append({ParseApMatch(QStringLiteral("Lab-*")), {}, 0});
    for (auto _ : state) {
        const MatchIndex index = indexed ? MatchIndexOf(desired) : MatchIndex();
        qsizetype settings = 0;
        for (const QString& mac : macs) {
            if (indexed) {
                settings += SettingsFor(desired, index, mac, QStringLiteral("TernAP")).size();
                continue;
            }
            for (const StateEntry& e : desired.entries) {
                if (e.match.matches(mac, QStringLiteral("TernAP"))) settings += e.settings.size();
            }
        }
        if (settings != 2 * count) {
            state.SkipWithError("each AP should get two settings");
            break;
        }
    }
}
BENCHMARK(BM_MatchStateNamingEveryAp)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({5000, 0})
    ->Args({5000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tern::fleet

BENCHMARK_MAIN();
