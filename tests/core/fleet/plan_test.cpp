// The plan of one AP: its desired settings typed into the form of its own
// record, built and checked as a single-AP apply; the diff that decides
// whether anything is sent, and the read-back comparison.
#include "core/fleet/plan.h"

#include <gtest/gtest.h>

#include "core/record/net_types.h"
#include "sim/ap_simulator.h"

namespace tern::fleet {
namespace {

DesiredSetting Want(const char* name, const char* value) {
    return {QString::fromLatin1(name), QString::fromLatin1(value),
            IsSecretSetting(QString::fromLatin1(name)), 0};
}

const SettingChange* Find(const QList<SettingChange>& changes, const char* name) {
    for (const SettingChange& c : changes) {
        if (c.name == QLatin1String(name)) return &c;
    }
    return nullptr;
}

TEST(Plan, nothingDesired_changesNothing_onEveryKindOfAp) {
    // Kept keys, pass phrases, bridges, DHCP clients, 802.1X: a plan that
    // asks for nothing must never find a difference of its own making, or
    // every run would send to every AP.
    for (const sim::SimulatedAp& ap : sim::GenerateAps(16)) {
        const ApPlan plan = PlanSettings(ap.record, {});
        EXPECT_EQ(plan.verdict, ApPlan::Verdict::InState)
            << plan.mac.toStdString() << " "
            << (plan.changes.isEmpty() ? "" : plan.changes[0].name.toStdString());
    }
}

TEST(Plan, aValueTheApHoldsAlready_isNoChange_anotherIs) {
    const record::ApConfigRecord ap = sim::GenerateAps(1)[0].record;
    EXPECT_EQ(PlanSettings(ap, {Want("beacon_interval", "100"), Want("ssid", "tern-0001")}).verdict,
              ApPlan::Verdict::InState);
    const ApPlan plan = PlanSettings(ap, {Want("beacon_interval", "150"), Want("channel", "6")});
    ASSERT_EQ(plan.verdict, ApPlan::Verdict::ToChange);
    ASSERT_EQ(plan.changes.size(), 2);
    ASSERT_NE(Find(plan.changes, "channel"), nullptr);
    EXPECT_EQ(Find(plan.changes, "channel")->before.toInt(), 1);
    EXPECT_EQ(Find(plan.changes, "channel")->after.toInt(), 6);
    EXPECT_EQ(Find(plan.changes, "beacon_interval")->after.toInt(), 150);
    EXPECT_EQ(plan.desired.beacon_interval(), 150);
    EXPECT_EQ(plan.current.beacon_interval(), 100);
}

TEST(Plan, secrets_areNamedAsSetNamesThem_andMarkedSecret) {
    const record::ApConfigRecord wpa = sim::GenerateAps(4)[3].record;  // WPA-PSK
    const ApPlan plan = PlanSettings(wpa, {Want("wpa_passphrase", "a longer pass phrase")});
    ASSERT_EQ(plan.verdict, ApPlan::Verdict::ToChange);
    const SettingChange* c = Find(plan.changes, "wpa_passphrase");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->secret);
    EXPECT_EQ(ShownValue(c->after, c->secret, false), QStringLiteral("***"));
    EXPECT_EQ(ShownValue(c->after, c->secret, true), QStringLiteral("a longer pass phrase"));
    // The window switches 802.1X on for WPA-PSK; the plan says so for this AP.
    EXPECT_NE(Find(plan.changes, "dot1x"), nullptr);
    ASSERT_EQ(plan.notes.size(), 1);
    EXPECT_TRUE(plan.notes[0].startsWith(plan.mac));

    const record::ApConfigRecord radius = sim::GenerateAps(6)[5].record;
    const ApPlan r = PlanSettings(radius, {Want("radius_servers.1.shared_secret", "other")});
    ASSERT_NE(Find(r.changes, "radius_servers.1.shared_secret"), nullptr);
    EXPECT_TRUE(Find(r.changes, "radius_servers.1.shared_secret")->secret);
}

TEST(Plan, refusals_nameTheApTheSettingAndTheValue) {
    record::ApConfigRecord ap = sim::GenerateAps(1)[0].record;
    ap.set_gateway({10, 0, 0, 1});
    const ApPlan gateway = PlanSettings(ap, {Want("ssid", "x")});
    ASSERT_EQ(gateway.verdict, ApPlan::Verdict::Invalid);
    ASSERT_EQ(gateway.problems.size(), 1);
    EXPECT_TRUE(gateway.problems[0].contains(
        QStringLiteral("02-54-45-00-00-00 (TernAP-0001): gateway 10.0.0.1 lies outside the subnet "
                       "of ip_address 192.168.1.10 with subnet_mask 255.255.255.0")))
        << gateway.problems[0].toStdString();
    // Put right by the state itself, it passes.
    EXPECT_EQ(PlanSettings(ap, {Want("gateway", "192.168.1.1")}).verdict,
              ApPlan::Verdict::ToChange);

    const ApPlan range =
        PlanSettings(sim::GenerateAps(1)[0].record, {Want("beacon_interval", "5")});
    ASSERT_EQ(range.verdict, ApPlan::Verdict::Invalid);
    EXPECT_TRUE(range.problems[0].contains(QStringLiteral("beacon_interval")));
    EXPECT_TRUE(range.problems[0].contains(QStringLiteral("'5'")));

    const ApPlan secret =
        PlanSettings(sim::GenerateAps(4)[3].record, {Want("wpa_passphrase", "short")});
    ASSERT_EQ(secret.verdict, ApPlan::Verdict::Invalid);
    EXPECT_FALSE(secret.problems.join(u' ').contains(QStringLiteral("short")));
    EXPECT_TRUE(secret.problems[0].contains(QStringLiteral("wpa_passphrase")));
}

TEST(Plan, aWantedValueTheApLacks_isAChange_evenWhereTheChecksWouldSetItAnyway) {
    // The window switches 802.1X on for WPA-PSK by itself; asked for
    // outright, an AP without it does not hold what is wanted.
    const record::ApConfigRecord wpa = sim::GenerateAps(4)[3].record;
    ASSERT_FALSE(wpa.dot1x_on());
    EXPECT_EQ(PlanSettings(wpa, {}).verdict, ApPlan::Verdict::InState);
    EXPECT_EQ(PlanSettings(wpa, {Want("dot1x", "true")}).verdict, ApPlan::Verdict::ToChange);
}

TEST(Plan, anApHoldingEveryWantedValue_isInState_evenWhereItsOwnRecordWouldBeRefused) {
    record::ApConfigRecord ap = sim::GenerateAps(1)[0].record;
    ap.set_gateway({10, 0, 0, 1});  // outside its subnet: the checks refuse it
    EXPECT_EQ(PlanSettings(ap, {Want("beacon_interval", "100")}).verdict, ApPlan::Verdict::InState);
    EXPECT_EQ(PlanRestore(ap, ap, false).verdict, ApPlan::Verdict::InState);
}

TEST(Plan, aSecretThatCannotBeWritten_isRefusedWithoutShowingIt) {
    const record::ApConfigRecord radius = sim::GenerateAps(6)[5].record;
    const QString longSecret = QStringLiteral("a-shared-secret-far-longer-than-its-field-holds");
    const ApPlan plan = PlanSettings(
        radius, {{QStringLiteral("radius_servers.1.shared_secret"), longSecret, true, 0}});
    ASSERT_EQ(plan.verdict, ApPlan::Verdict::Invalid);
    const QString all = plan.problems.join(u'\n');
    EXPECT_FALSE(all.contains(longSecret)) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("radius_servers.1.shared_secret")))
        << all.toStdString();
    const ApPlan euro = PlanSettings(
        sim::GenerateAps(4)[3].record,
        {{QStringLiteral("wpa_passphrase"), QStringLiteral("pass \u20ac\u4e2d zebra"), true, 0}});
    ASSERT_EQ(euro.verdict, ApPlan::Verdict::Invalid);
    EXPECT_FALSE(euro.problems.join(u' ').contains(QStringLiteral("zebra")))
        << euro.problems.join(u' ').toStdString();
}

TEST(Plan, dhcpStartInANewSubnet_takesTheRangesEndAlong) {
    record::ApConfigRecord ap = sim::GenerateAps(7)[6].record;  // its own DHCP server
    const ApPlan plan =
        PlanSettings(ap, {Want("ip_address", "10.1.2.3"), Want("gateway", "10.1.2.1"),
                          Want("dhcp_server.start", "10.1.2.100")});
    ASSERT_EQ(plan.verdict, ApPlan::Verdict::ToChange) << plan.problems.join(u'\n').toStdString();
    EXPECT_EQ(record::Ipv4Text(plan.desired.dhcp_pool_start()), QStringLiteral("10.1.2.100"));
}

TEST(Plan, readBack_holdingTheWantedValues_isNothingUnheld) {
    const record::ApConfigRecord ap = sim::GenerateAps(1)[0].record;
    const ApPlan plan = PlanSettings(ap, {Want("beacon_interval", "150"), Want("ssid", "lobby")});
    EXPECT_TRUE(Unheld(plan, plan.desired).isEmpty());
    record::ApConfigRecord half = plan.desired;
    half.set_beacon_interval(100);
    half.set_current_ip({10, 9, 9, 9});  // status, not a setting
    const QList<SettingChange> unheld = Unheld(plan, half);
    ASSERT_EQ(unheld.size(), 1);
    EXPECT_EQ(unheld[0].name, QStringLiteral("beacon_interval"));
    EXPECT_EQ(unheld[0].before.toInt(), 100);
    EXPECT_EQ(unheld[0].after.toInt(), 150);
}

TEST(Plan, restoreOntoAnotherAp_keepsItsIdentity_ontoItselfGivesTheSavedRecord) {
    const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(3);
    const ApPlan other = PlanRestore(aps[1].record, aps[2].record, false);
    ASSERT_NE(other.verdict, ApPlan::Verdict::Invalid) << other.problems.join(u'\n').toStdString();
    EXPECT_EQ(other.desired.mac_addr(), aps[1].record.mac_addr());
    EXPECT_EQ(other.desired.ip_addr(), aps[1].record.ip_addr());
    EXPECT_EQ(other.desired.ap_name(), aps[1].record.ap_name());
    EXPECT_EQ(other.desired.ssid(), aps[2].record.ssid());

    record::ApConfigRecord changed = aps[0].record;
    changed.set_ssid("changed");
    const ApPlan back = PlanRestore(changed, aps[0].record, false);
    ASSERT_EQ(back.verdict, ApPlan::Verdict::ToChange);
    EXPECT_EQ(back.desired.bytes(), aps[0].record.bytes());
    EXPECT_EQ(PlanRestore(aps[0].record, aps[0].record, false).verdict, ApPlan::Verdict::InState);
}

}  // namespace
}  // namespace tern::fleet
