// The form without widgets: what an apply through it writes back of the
// settings nobody named. Each case was found by the record-path fuzz
// target, as an apply that, repeated without edits, wrote a different
// record again.
#include "core/form/form_model.h"

#include <gtest/gtest.h>

#include "core/record/code_tables.h"
#include "core/record/record_builder.h"
#include "sim/ap_simulator.h"

namespace tern::app {
namespace {

constexpr auto kLatin = ui::TextEncoding::Windows1252;

// Shows `record`, types `edits` into the form and builds it as one AP's
// apply does.
config::ApConfigRecord Applied(
    const config::ApConfigRecord& record,
    std::initializer_list<std::pair<const char*, const char*>> edits = {}) {
    config::FormSettings form = ShownForm(record, kLatin);
    for (const auto& [name, value] : edits) {
        const std::optional<QString> refused =
            SetNamed(form, record, QString::fromLatin1(name), QString::fromLatin1(value), false);
        EXPECT_FALSE(refused.has_value())
            << name << ": " << refused.value_or(QString()).toStdString();
    }
    const config::BuildResult built = config::BuildRecord(config::BuildMode::Single, record, form);
    EXPECT_TRUE(built.ok());
    return built ? built.record() : record;
}

config::ApConfigRecord WpaPskAp() {
    config::ApConfigRecord r = sim::GenerateAps(4)[3].record;  // WPA-PSK
    EXPECT_EQ(r.auth_type(), config::kAuthWpaPsk);
    return r;
}

TEST(FormApply, wpaAp_theWepKeyLengthAndKeysItKeepsGoBackAsTheyWere) {
    for (const std::uint8_t length : {config::kWepKeyLen64, config::kWepKeyLen128}) {
        config::ApConfigRecord ap = WpaPskAp();
        ap.set_wep_on(true);
        ap.set_wep_key_len(length);
        ap.set_wep128_key(0, "thirteen-byte");
        ap.set_wep64_key(0, "five!");
        const config::ApConfigRecord built = Applied(ap, {{"ssid", "renamed"}});
        EXPECT_EQ(built.ssid(), "renamed");
        EXPECT_EQ(built.wep_key_len(), length);
        EXPECT_EQ(built.wep128_key(0), ap.wep128_key(0));
        EXPECT_EQ(built.wep64_key(0), ap.wep64_key(0));
        EXPECT_EQ(Applied(built), built) << "a second apply without edits changed the record";
    }
    // A length the list does not offer stays too.
    config::ApConfigRecord wide = WpaPskAp();
    wide.set_wep_key_len(config::kWepKeyLenWide);
    EXPECT_EQ(Applied(wide).wep_key_len(), config::kWepKeyLenWide);
}

TEST(FormApply, extendedModeAp_keepsItsTurboMode_andAnUnknownPatternStaysUntouched) {
    config::ApConfigRecord extended = sim::GenerateAps(1)[0].record;
    extended.set_turbo_mode(1);
    extended.set_mode_bits(0x003D | config::kExtendedModeBit);  // static turbo
    extended.set_channel(6);
    const config::ApConfigRecord built = Applied(extended, {{"ap_name", "Yard"}});
    EXPECT_EQ(built.turbo_mode(), 1);
    EXPECT_EQ(built.mode_bits(), 0x003D | config::kExtendedModeBit);
    EXPECT_EQ(built.channel(), 6);
    EXPECT_EQ(Applied(built), built);

    config::ApConfigRecord unknown = sim::GenerateAps(1)[0].record;
    unknown.set_turbo_mode(9);
    unknown.set_mode_bits(0x0123);
    const config::ApConfigRecord kept = Applied(unknown, {{"ap_name", "Yard"}});
    EXPECT_EQ(kept.turbo_mode(), 9);
    EXPECT_EQ(kept.mode_bits(), 0x0123);

    // Named, the turbo mode is written as before.
    const config::ApConfigRecord chosen = Applied(unknown, {{"super_g", "1"}});
    EXPECT_EQ(chosen.turbo_mode(), 0);
    EXPECT_EQ(chosen.mode_bits(), 0x003C);
}

TEST(FormApply, wpaChosenWhileEncryptionIsOff_switchesEncryptionOn_asTheWindowShowsSuchAnAp) {
    const config::ApConfigRecord open = sim::GenerateAps(1)[0].record;
    ASSERT_FALSE(open.wep_on());
    for (const char* type : {"WPA-PSK", "3", "WPA"}) {
        const config::ApConfigRecord built =
            Applied(open, {{"auth_type", type}, {"wpa_passphrase", "correct horse"}});
        EXPECT_TRUE(built.wep_on()) << type;
        EXPECT_EQ(built.wpa_on(), 1u) << type;
        EXPECT_EQ(Applied(built), built) << type << ": a second apply without edits changed it";
    }
    // Open and shared key leave the box as it is: WEP stays off.
    const config::ApConfigRecord shared = Applied(open, {{"auth_type", "Shared Key"}});
    EXPECT_EQ(shared.auth_type(), 1);
    EXPECT_FALSE(shared.wep_on());
    EXPECT_EQ(Applied(shared), shared);
}

}  // namespace
}  // namespace tern::app
