// The form without widgets: what an apply through it writes back of the
// settings nobody named. Each such case was found by the record-path fuzz
// target, as an apply that, repeated without edits, wrote a different
// record again. Then how a setting typed in by name is refused.
#include "core/form/form_model.h"

#include <gtest/gtest.h>

#include "core/record/code_tables.h"
#include "core/record/record_builder.h"
#include "core/text/messages.h"
#include "sim/ap_simulator.h"

namespace tern::form {
namespace {

constexpr auto kLatin = text::TextEncoding::Windows1252;

// Shows `record`, types `edits` into the form and builds it as one AP's
// apply does.
record::ApConfigRecord Applied(
    const record::ApConfigRecord& record,
    std::initializer_list<std::pair<const char*, const char*>> edits = {}) {
    record::FormSettings form = ShownForm(record, kLatin);
    for (const auto& [name, value] : edits) {
        const SetResult set =
            SetNamed(form, record, QString::fromLatin1(name), QString::fromLatin1(value), false);
        EXPECT_TRUE(set.passed()) << name << ": " << RefusalText(set).toStdString();
    }
    const record::BuildResult built = record::BuildRecord(record::BuildMode::Single, record, form);
    EXPECT_TRUE(built.ok());
    return built ? built.record() : record;
}

record::ApConfigRecord WpaPskAp() {
    record::ApConfigRecord r = sim::GenerateAps(4)[3].record;  // WPA-PSK
    EXPECT_EQ(r.auth_type(), record::kAuthWpaPsk);
    return r;
}

TEST(FormApply, wpaAp_theWepKeyLengthAndKeysItKeepsGoBackAsTheyWere) {
    for (const std::uint8_t length : {record::kWepKeyLen64, record::kWepKeyLen128}) {
        record::ApConfigRecord ap = WpaPskAp();
        ap.set_wep_on(true);
        ap.set_wep_key_len(length);
        ap.set_wep128_key(0, "thirteen-byte");
        ap.set_wep64_key(0, "five!");
        const record::ApConfigRecord built = Applied(ap, {{"ssid", "renamed"}});
        EXPECT_EQ(built.ssid(), "renamed");
        EXPECT_EQ(built.wep_key_len(), length);
        EXPECT_EQ(built.wep128_key(0), ap.wep128_key(0));
        EXPECT_EQ(built.wep64_key(0), ap.wep64_key(0));
        EXPECT_EQ(Applied(built), built) << "a second apply without edits changed the record";
    }
    // A length the list does not offer stays too.
    record::ApConfigRecord wide = WpaPskAp();
    wide.set_wep_key_len(record::kWepKeyLenWide);
    EXPECT_EQ(Applied(wide).wep_key_len(), record::kWepKeyLenWide);
}

TEST(FormApply, extendedModeAp_keepsItsTurboMode_andAnUnknownPatternStaysUntouched) {
    record::ApConfigRecord extended = sim::GenerateAps(1)[0].record;
    extended.set_turbo_mode(1);
    extended.set_mode_bits(0x003D | record::kExtendedModeBit);  // static turbo
    extended.set_channel(6);
    const record::ApConfigRecord built = Applied(extended, {{"ap_name", "Yard"}});
    EXPECT_EQ(built.turbo_mode(), 1);
    EXPECT_EQ(built.mode_bits(), 0x003D | record::kExtendedModeBit);
    EXPECT_EQ(built.channel(), 6);
    EXPECT_EQ(Applied(built), built);

    record::ApConfigRecord unknown = sim::GenerateAps(1)[0].record;
    unknown.set_turbo_mode(9);
    unknown.set_mode_bits(0x0123);
    const record::ApConfigRecord kept = Applied(unknown, {{"ap_name", "Yard"}});
    EXPECT_EQ(kept.turbo_mode(), 9);
    EXPECT_EQ(kept.mode_bits(), 0x0123);

    // Named, the turbo mode is written as before.
    const record::ApConfigRecord chosen = Applied(unknown, {{"super_g", "1"}});
    EXPECT_EQ(chosen.turbo_mode(), 0);
    EXPECT_EQ(chosen.mode_bits(), 0x003C);
}

TEST(FormApply, wpaChosenWhileEncryptionIsOff_switchesEncryptionOn_asTheWindowShowsSuchAnAp) {
    const record::ApConfigRecord open = sim::GenerateAps(1)[0].record;
    ASSERT_FALSE(open.wep_on());
    for (const char* type : {"WPA-PSK", "3", "WPA"}) {
        const record::ApConfigRecord built =
            Applied(open, {{"auth_type", type}, {"wpa_passphrase", "correct horse"}});
        EXPECT_TRUE(built.wep_on()) << type;
        EXPECT_EQ(built.wpa_on(), 1u) << type;
        EXPECT_EQ(Applied(built), built) << type << ": a second apply without edits changed it";
    }
    // Open and shared key leave the box as it is: WEP stays off.
    const record::ApConfigRecord shared = Applied(open, {{"auth_type", "Shared Key"}});
    EXPECT_EQ(shared.auth_type(), 1);
    EXPECT_FALSE(shared.wep_on());
    EXPECT_EQ(Applied(shared), shared);
}

// ---------------------------------------------------------------- setting by name

// One setting typed into the form of a shown AP.

SetResult Set(const char* name, const char* value, bool multi = false) {
    const record::ApConfigRecord shown = sim::GenerateAps(1)[0].record;
    record::FormSettings form = ShownForm(shown, kLatin);
    return SetNamed(form, shown, QString::fromLatin1(name), QString::fromLatin1(value), multi);
}

TEST(SetNamed, refusalsNameTheirRule_andAFieldRuleItsControl) {
    const SetResult mask = Set("subnet_mask", "255.255.250.0");
    EXPECT_EQ(mask.rule, SetRule::FieldRule);
    EXPECT_EQ(mask.check.rule, rules::CheckRule::MaskOctet);
    EXPECT_EQ(mask.check.field, QStringLiteral("e_submask_3"));
    EXPECT_EQ(mask.check.message.error, &text::kMsgErrSubnet);
    // The setting, the value, the octet at fault and the rule in words.
    EXPECT_TRUE(RefusalText(mask).startsWith(
        u"subnet_mask '255.255.250.0': octet 3 (250) is not a mask octet (0, 128,"))
        << RefusalText(mask).toStdString();

    const SetResult port = Set("radius_servers.2.port", "65536");
    EXPECT_EQ(port.rule, SetRule::FieldRule);
    EXPECT_EQ(port.check.rule, rules::CheckRule::OutOfRange);
    EXPECT_EQ(port.check.field, QStringLiteral("e_8_port2"));

    const SetResult gateway = Set("gateway", "192.168.1.255");
    EXPECT_EQ(gateway.check.message.error, &text::kMsgErrGateway4Rang);
    EXPECT_EQ(gateway.check.field, QStringLiteral("e_gateway_4"));

    const SetResult frag = Set("frag_threshold", "1501");
    EXPECT_EQ(frag.check.rule, rules::CheckRule::OddFragment);
    EXPECT_EQ(frag.check.field, QStringLiteral("e_frag"));

    const SetResult unknown = Set("no_such_setting", "1");
    EXPECT_EQ(unknown.rule, SetRule::UnknownName);
    EXPECT_EQ(RefusalText(unknown),
              QStringLiteral("no_such_setting is not a setting; see show --json"));
    EXPECT_EQ(Set("wep_keys.5", "00").rule, SetRule::UnknownName);

    const SetResult perAp = Set("ip_address", "192.168.1.20", true);
    EXPECT_EQ(perAp.rule, SetRule::PerApSetting);
    EXPECT_TRUE(Set("ip_address", "192.168.1.20").passed());

    const SetResult form = Set("dot1x", "maybe");
    EXPECT_EQ(form.rule, SetRule::WrongForm);
    EXPECT_EQ(form.wants, QStringLiteral("true or false"));
    EXPECT_EQ(RefusalText(form), QStringLiteral("dot1x wants true or false, not 'maybe'"));
}

TEST(SetNamed, aRefusedValueLeavesTheFormAsItWas) {
    const record::ApConfigRecord shown = sim::GenerateAps(1)[0].record;
    record::FormSettings form = ShownForm(shown, kLatin);
    const std::array<QString, 4> before = form.e_ip;
    EXPECT_FALSE(
        SetNamed(form, shown, QStringLiteral("ip_address"), QStringLiteral("127.0.0.1"), false)
            .passed());
    EXPECT_EQ(form.e_ip, before);
    EXPECT_FALSE(
        SetNamed(form, shown, QStringLiteral("beacon_interval"), QStringLiteral("5"), false)
            .passed());
    EXPECT_EQ(form.more_beacon, ShownForm(shown, kLatin).more_beacon);
}

TEST(SetNamed, noSettingTakesAControlCharacter_theRefusalSaysWhere) {
    const record::ApConfigRecord shown;
    for (const char* name : {"ap_name", "ssid", "wpa_passphrase", "wep_keys.2", "remote_mac",
                             "radius_servers.1.shared_secret", "beacon_interval"}) {
        for (const char16_t c : {u'\0', u'\t', u'\n', u'\x1b', u'\x7f', u'\x85', u'\x9f'}) {
            record::FormSettings form;
            const SetResult r = SetNamed(form, shown, QString::fromLatin1(name),
                                         QStringLiteral("ab") + QChar(c), false);
            EXPECT_EQ(r.rule, SetRule::ControlCharacter) << name << " " << int(c);
            EXPECT_EQ(r.position, 2);
            const QString said = RefusalText(r);
            EXPECT_TRUE(said.contains(QStringLiteral("at position 3"))) << said.toStdString();
            EXPECT_FALSE(said.contains(QChar(c)));
        }
    }
}

TEST(SetNamed, aPassPhraseOf64IsHexOnly_aMistypedNameGetsASuggestion) {
    const record::ApConfigRecord shown;
    record::FormSettings form;
    EXPECT_EQ(
        SetNamed(form, shown, QStringLiteral("wpa_passphrase"), QString(64, u'g'), false).rule,
        SetRule::WrongForm);
    EXPECT_EQ(
        SetNamed(form, shown, QStringLiteral("wpa_passphrase"), QString(65, u'a'), false).rule,
        SetRule::WrongForm);
    EXPECT_TRUE(
        SetNamed(form, shown, QStringLiteral("wpa_passphrase"), QString(64, u'F'), false).passed());
    EXPECT_TRUE(
        SetNamed(form, shown, QStringLiteral("wpa_passphrase"), QString(63, u'g'), false).passed());

    // A remote MAC by '-' or ':', six whole pairs.
    EXPECT_TRUE(SetNamed(form, shown, QStringLiteral("remote_mac"),
                         QStringLiteral("00:11:22:aa:44:55"), false)
                    .passed());
    EXPECT_EQ(form.e_rm_mac, QStringLiteral("00-11-22-AA-44-55"));
    for (const char* bad : {"00-11-22-33-44-5", "00:11-22:33-44:55", "0011.2233.4455", ""}) {
        EXPECT_EQ(
            SetNamed(form, shown, QStringLiteral("remote_mac"), QString::fromLatin1(bad), false)
                .rule,
            SetRule::WrongForm)
            << bad;
    }

    const SetResult typo =
        SetNamed(form, shown, QStringLiteral("chanel"), QStringLiteral("3"), false);
    EXPECT_EQ(RefusalText(typo), QStringLiteral("chanel is not a setting; did you mean channel?"));
    EXPECT_EQ(NearestSetting(QStringLiteral("beacon_intervall")),
              QStringLiteral("beacon_interval"));
    EXPECT_EQ(NearestSetting(QStringLiteral("sisd")), QStringLiteral("ssid"));
    EXPECT_EQ(NearestSetting(QStringLiteral("colour")), QString());
}

}  // namespace
}  // namespace tern::form
