#include "core/record/code_tables.h"

#include <gtest/gtest.h>

#include <ostream>

#include "core/record/ap_config_record.h"

// Failure messages show byte texts as text rather than as character lists.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace tern::record {
namespace {

TEST(CodeTables, regDomains_labelsAndChannelRanges) {
    struct Expected {
        std::uint16_t code;
        const char* label;
        int first;
        int last;
    };
    const Expected expected[] = {
        {0x10, "FCC", 1, 11},        {0x20, "Canada", 1, 11},  {0x30, "ETSI", 1, 13},
        {0x31, "Spain", 10, 11},     {0x32, "France", 10, 13}, {0x40, "Japan", 14, 14},
        {0x41, "Japan(All)", 1, 14},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.label);
        const RegDomain* domain = FindRegDomain(e.code);
        ASSERT_NE(domain, nullptr);
        EXPECT_EQ(domain->label, QLatin1StringView(e.label));
        EXPECT_EQ(domain->first_channel, e.first);
        EXPECT_EQ(domain->last_channel, e.last);
    }
    EXPECT_EQ(FindRegDomain(0x00), nullptr);
    EXPECT_EQ(FindRegDomain(0x33), nullptr);
    EXPECT_EQ(FindRegDomain(0x4100), nullptr);  // byte-swapped 0x41
}

TEST(CodeTables, txRate_codeAndIndexRoundTrip) {
    for (int index = 0; index < 13; ++index) {
        const int code = TxRateCode(index);
        ASSERT_GE(code, 0) << index;
        EXPECT_EQ(TxRateIndex(static_cast<std::uint8_t>(code)), index);
    }
    EXPECT_EQ(TxRateCode(0), 0);
    EXPECT_EQ(TxRateCode(3), 11);  // 5.5 Mbit/s
    EXPECT_EQ(TxRateCode(12), 108);
    EXPECT_EQ(TxRateCode(-1), -1);
    EXPECT_EQ(TxRateCode(13), -1);
    EXPECT_EQ(TxRateIndex(1), -1);
    EXPECT_EQ(TxRateIndex(255), -1);
}

TEST(CodeTables, opModes_buttonsCaptionsAndRemoteField) {
    ASSERT_NE(FindOpMode(0), nullptr);
    EXPECT_EQ(FindOpMode(0)->caption, QLatin1StringView("Access Point"));
    EXPECT_EQ(FindOpMode(0)->remote, RemoteField::None);
    EXPECT_EQ(FindOpMode(1)->remote, RemoteField::RemoteSsid);
    EXPECT_EQ(FindOpMode(2)->caption, QLatin1StringView("Wireless Bridge"));
    EXPECT_EQ(FindOpMode(2)->button, QLatin1StringView("r_apmode3"));
    EXPECT_EQ(FindOpMode(2)->remote, RemoteField::RemoteMac);
    EXPECT_EQ(FindOpMode(3)->remote, RemoteField::None);
    EXPECT_EQ(FindOpMode(4)->caption, QLatin1StringView("Repeat Mode"));
    EXPECT_EQ(FindOpMode(4)->remote, RemoteField::RemoteSsid);
    EXPECT_EQ(FindOpMode(4)->mode, OpMode::RepeatMode);
    EXPECT_EQ(FindOpMode(5), nullptr);
    EXPECT_EQ(kTxPowerKeys[4], QLatin1StringView("txPower_MINIMUN"));
}

TEST(CodeTables, turbo_patternsRoundTripAndIgnoreExtendedBit) {
    for (int index = 0; index < 4; ++index) {
        const TurboPattern* p = TurboPatternFor(index);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(TurboIndex(p->turbo_mode, p->mode_bits), index);
        EXPECT_EQ(TurboIndex(p->turbo_mode, p->mode_bits | kExtendedModeBit), index);
    }
    EXPECT_EQ(TurboIndex(0, 0x0000), 0);
    EXPECT_EQ(TurboIndex(0, 0x003C), 1);
    EXPECT_EQ(TurboIndex(2, 0x00BF), 2);
    EXPECT_EQ(TurboIndex(1, 0x003D), 3);
    EXPECT_EQ(TurboIndex(0, 0x0040), 0);
    EXPECT_EQ(TurboIndex(1, 0x003C), -1);
    EXPECT_EQ(TurboIndex(0, 0x003D), -1);
    EXPECT_EQ(TurboPatternFor(3)->forced_channel, 6);
    EXPECT_EQ(TurboPatternFor(1)->forced_channel, 0);
    EXPECT_EQ(TurboPatternFor(-1), nullptr);
    EXPECT_EQ(TurboPatternFor(4), nullptr);
    EXPECT_TRUE(IsExtendedMode(0x0040));
    EXPECT_FALSE(IsExtendedMode(0x00BF));
}

TEST(CodeTables, turboOfRecord_staticTurboNeedsChannel6) {
    ApConfigRecord record;
    record.set_turbo_mode(1);
    record.set_mode_bits(0x003D);
    record.set_channel(6);
    EXPECT_EQ(TurboIndex(record), 3);
    record.set_channel(11);
    EXPECT_EQ(TurboIndex(record), -1);
    record.set_turbo_mode(2);
    record.set_mode_bits(0x00BF);
    EXPECT_EQ(TurboIndex(record), 2);
}

TEST(CodeTables, encryptionSummary_namesAsTheStatusPage) {
    ApConfigRecord record;
    record.set_wep_on(true);
    record.set_wep_key_len(13);

    record.set_auth_type(kAuthWpa);
    EXPECT_EQ(EncryptionSummary(record), "WPA");
    record.set_auth_type(kAuthWpaPsk);
    EXPECT_EQ(EncryptionSummary(record), "WPA-PSK");

    record.set_auth_type(1);
    EXPECT_EQ(EncryptionSummary(record), "128 bits");
    record.set_wep_key_len(5);
    EXPECT_EQ(EncryptionSummary(record), "64 bits");
    record.set_wep_key_len(15);
    EXPECT_EQ(EncryptionSummary(record), "256 bits");
    record.set_wep_key_len(7);
    EXPECT_EQ(EncryptionSummary(record), "");
    record.set_auth_type(9);  // unknown type counts as a WEP type
    record.set_wep_key_len(5);
    EXPECT_EQ(EncryptionSummary(record), "64 bits");

    record.set_wep_on(false);
    EXPECT_EQ(EncryptionSummary(record), "Disable");
    record.set_auth_type(0);
    EXPECT_EQ(EncryptionSummary(record), "Disable");
}

}  // namespace
}  // namespace tern::record
