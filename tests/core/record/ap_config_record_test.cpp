#include "core/record/ap_config_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Failure messages show byte texts as text rather than as character lists.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}

namespace tern::record {
namespace {

using Bytes = std::vector<std::uint8_t>;
using R = ApConfigRecord;

// Every byte non-zero and neighbours different, so a stray write shows up.
net::RecordBytes Pattern() {
    net::RecordBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + 3) % 251 + 1);
    }
    return bytes;
}

QByteArray Repeat(char c, int n) { return QByteArray(n, c); }

// One write and the bytes it must leave at `offset`; every other byte of the
// record must keep its value.
struct FieldCase {
    std::string name;
    std::size_t offset;
    Bytes expected;
    std::function<void(R&)> write;
    std::function<void(const R&)> verify;
};

// Host order is little-endian whatever the CPU.
template <typename T>
FieldCase Number(std::string name, std::size_t offset, T value, void (R::*set)(T),
                 T (R::*get)() const) {
    Bytes expected;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        expected.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
    return {name, offset, expected, [=](R& r) { (r.*set)(value); },
            [=](const R& r) { EXPECT_EQ((r.*get)(), value); }};
}

FieldCase Flag(std::string name, std::size_t offset, bool value, void (R::*set)(bool),
               bool (R::*get)() const) {
    return {name,
            offset,
            {static_cast<std::uint8_t>(value ? 1 : 0)},
            [=](R& r) { (r.*set)(value); },
            [=](const R& r) { EXPECT_EQ((r.*get)(), value); }};
}

template <typename A>
FieldCase Address(std::string name, std::size_t offset, A value, void (R::*set)(const A&),
                  A (R::*get)() const) {
    return {name, offset, Bytes(value.begin(), value.end()), [=](R& r) { (r.*set)(value); },
            [=](const R& r) { EXPECT_EQ((r.*get)(), value); }};
}

// `area`: the text bytes the setter zero-fills behind the text.
FieldCase Text(std::string name, std::size_t offset, std::size_t area,
               void (R::*set)(QByteArrayView), QByteArray (R::*get)() const) {
    const QByteArray value = QByteArray::fromStdString(name).toUpper();
    Bytes expected(value.begin(), value.end());
    expected.resize(area, 0);
    return {name, offset, expected, [=](R& r) { (r.*set)(value); },
            [=](const R& r) { EXPECT_EQ((r.*get)(), value); }};
}

FieldCase Radius(int entry) {
    const std::size_t base = 460 + 40 * static_cast<std::size_t>(entry);
    Bytes expected{10, 0, 0, static_cast<std::uint8_t>(entry), 0x14, 0x07, 's', 'e', 'c'};
    expected.resize(38, 0);
    return {"radius_" + std::to_string(entry), base, expected,
            [=](R& r) {
                r.set_radius_ip(entry, {10, 0, 0, static_cast<std::uint8_t>(entry)});
                r.set_radius_port(entry, 1812);
                r.set_radius_secret(entry, "sec");
            },
            [=](const R& r) {
                EXPECT_EQ(r.radius_ip(entry),
                          (Ipv4Address{10, 0, 0, static_cast<std::uint8_t>(entry)}));
                EXPECT_EQ(r.radius_port(entry), 1812);
                EXPECT_EQ(r.radius_secret(entry), "sec");
            }};
}

// Key k of a key set: slot bytes k+1, k+2, ... written and read whole.
FieldCase Key(std::string name, std::size_t base, int size, int k,
              void (R::*set)(int, QByteArrayView), QByteArray (R::*get)(int) const) {
    QByteArray value;
    for (int i = 0; i < size; ++i) value.append(static_cast<char>(k + 1 + i));
    return {name + "_" + std::to_string(k), base + static_cast<std::size_t>(size * k),
            Bytes(value.begin(), value.end()), [=](R& r) { (r.*set)(k, value); },
            [=](const R& r) { EXPECT_EQ((r.*get)(k), value); }};
}

std::vector<FieldCase> FieldCases() {
    const Ipv4Address ip{192, 168, 1, 250};
    const MacAddress mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    using U8 = std::uint8_t;
    using U16 = std::uint16_t;
    using U32 = std::uint32_t;
    // clang-format off
    std::vector<FieldCase> cases = {
        Text("ap_name", 4, 32, &R::set_ap_name, &R::ap_name),
        Text("mgmt_user", 36, 15, &R::set_mgmt_user, &R::mgmt_user),
        Text("mgmt_pass", 52, 15, &R::set_mgmt_pass, &R::mgmt_pass),
        Address("dns_server", 108, ip, &R::set_dns_server, &R::dns_server),
        Flag("dhcp_server_on", 120, true, &R::set_dhcp_server_on, &R::dhcp_server_on),
        Flag("dhcp_server_off", 120, false, &R::set_dhcp_server_on, &R::dhcp_server_on),
        Address("dhcp_pool_start", 124, ip, &R::set_dhcp_pool_start, &R::dhcp_pool_start),
        Number<U16>("dhcp_pool_size", 130, 0x1234, &R::set_dhcp_pool_size, &R::dhcp_pool_size),
        Flag("dot1x_on", 454, true, &R::set_dot1x_on, &R::dot1x_on),
        Flag("dot1x_off", 454, false, &R::set_dot1x_on, &R::dot1x_on),
        Number<U8>("dot1x_key_len", 455, 29, &R::set_dot1x_key_len, &R::dot1x_key_len),
        Number<U32>("dot1x_key_lifetime", 456, 86400, &R::set_dot1x_key_lifetime, &R::dot1x_key_lifetime),
        Radius(0),
        Radius(1),
        Number<U32>("wpa_on", 540, 1, &R::set_wpa_on, &R::wpa_on),
        Number<U32>("wpa_psk", 544, 1, &R::set_wpa_psk, &R::wpa_psk),
        Number<U32>("wpa_word3", 548, 0, &R::set_wpa_word3, &R::wpa_word3),
        Number<U32>("wpa_word4", 552, 0x08070000, &R::set_wpa_word4, &R::wpa_word4),
        Number<U32>("wpa_cipher", 556, 0x0050F202, &R::set_wpa_cipher, &R::wpa_cipher),
        Text("wpa_passphrase", 560, 64, &R::set_wpa_passphrase, &R::wpa_passphrase),
        Address("ip_addr", 812, ip, &R::set_ip_addr, &R::ip_addr),
        Address("subnet_mask", 816, Ipv4Address{255, 255, 255, 0}, &R::set_subnet_mask, &R::subnet_mask),
        Address("gateway", 820, ip, &R::set_gateway, &R::gateway),
        Number<U8>("auth_type", 828, 3, &R::set_auth_type, &R::auth_type),
        Number<U8>("channel", 829, 11, &R::set_channel, &R::channel),
        Number<U16>("reg_domain", 830, 0x0041, &R::set_reg_domain, &R::reg_domain),
        Number<U8>("tx_rate", 832, 108, &R::set_tx_rate, &R::tx_rate),
        Text("ssid", 833, 33, &R::set_ssid, &R::ssid),
        Key("wep64", 930, 5, 0, &R::set_wep64_key, &R::wep64_key),
        Key("wep64", 930, 5, 3, &R::set_wep64_key, &R::wep64_key),
        Key("wep128", 950, 13, 0, &R::set_wep128_key, &R::wep128_key),
        Key("wep128", 950, 13, 3, &R::set_wep128_key, &R::wep128_key),
        Key("wep_wide", 1002, 16, 0, &R::set_wep_wide_key, &R::wep_wide_key),
        Key("wep_wide", 1002, 16, 3, &R::set_wep_wide_key, &R::wep_wide_key),
        Number<U8>("wep_key_len", 1066, 13, &R::set_wep_key_len, &R::wep_key_len),
        Flag("wep_key_format_ascii", 1067, true, &R::set_wep_key_format, &R::wep_keys_ascii),
        Flag("wep_key_format_hex", 1067, false, &R::set_wep_key_format, &R::wep_keys_ascii),
        Number<U8>("wep_default_key", 1068, 2, &R::set_wep_default_key, &R::wep_default_key),
        Flag("wep_on", 1069, true, &R::set_wep_on, &R::wep_on),
        Number<U8>("turbo_mode", 1070, 2, &R::set_turbo_mode, &R::turbo_mode),
        Number<U8>("tx_power", 1073, 4, &R::set_tx_power, &R::tx_power),
        Number<U16>("beacon_interval", 1074, 100, &R::set_beacon_interval, &R::beacon_interval),
        Number<U16>("dtim_period", 1076, 3, &R::set_dtim_period, &R::dtim_period),
        Number<U16>("frag_threshold", 1078, 2346, &R::set_frag_threshold, &R::frag_threshold),
        Number<U16>("rts_threshold", 1080, 2347, &R::set_rts_threshold, &R::rts_threshold),
        Number<U8>("cleared_byte", 1082, 0, &R::set_cleared_byte, &R::cleared_byte),
        Number<U8>("g_only", 1091, 1, &R::set_g_only, &R::g_only),
        Number<U16>("flag_word", 1092, 1, &R::set_flag_word, &R::flag_word),
        Number<U8>("op_mode", 1094, 2, &R::set_op_mode, &R::op_mode),
        Address("remote_mac", 1095, mac, &R::set_remote_mac, &R::remote_mac),
        Flag("ssid_hidden", 1109, true, &R::set_ssid_hidden, &R::ssid_hidden),
        Number<U16>("mode_bits", 1112, 0x007C, &R::set_mode_bits, &R::mode_bits),
        Number<U16>("wds", 1120, 1, &R::set_wds, &R::wds),
        Flag("ip_mode_fixed", 1128, true, &R::set_ip_mode, &R::ip_mode),
        Flag("ip_mode_dhcp", 1128, false, &R::set_ip_mode, &R::ip_mode),
        Address("mac_addr", 1130, mac, &R::set_mac_addr, &R::mac_addr),
        Address("current_ip", 1136, ip, &R::set_current_ip, &R::current_ip),
    };
    // clang-format on
    return cases;
}

TEST(ApConfigRecord, eachSetter_writesOnlyItsFieldAndReadsBack) {
    const net::RecordBytes before = Pattern();
    for (const FieldCase& c : FieldCases()) {
        SCOPED_TRACE(c.name);
        ApConfigRecord record(before);
        c.write(record);
        c.verify(record);
        const net::RecordBytes& after = record.bytes();
        const std::size_t end = c.offset + c.expected.size();
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (i >= c.offset && i < end) {
                ASSERT_EQ(after[i], c.expected[i - c.offset]) << "field byte " << i;
            } else {
                ASSERT_EQ(after[i], before[i]) << "foreign byte " << i;
            }
        }
    }
}

TEST(ApConfigRecord, construction_zeroDefaultAndExactSizeOnly) {
    ApConfigRecord zero;
    for (std::uint8_t b : zero.bytes()) ASSERT_EQ(b, 0);

    const ApConfigRecord patterned(Pattern());
    const QByteArray bytes = patterned.toByteArray();
    ASSERT_EQ(bytes.size(), 1148);
    const auto again = ApConfigRecord::FromBytes(bytes);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(*again, patterned);

    EXPECT_FALSE(ApConfigRecord::FromBytes(bytes.left(1147)).has_value());
    EXPECT_FALSE(ApConfigRecord::FromBytes(bytes + '\0').has_value());
    EXPECT_FALSE(ApConfigRecord::FromBytes(QByteArrayView()).has_value());
}

TEST(ApConfigRecord, numbers_readLittleEndianHostBytes) {
    net::RecordBytes bytes{};
    bytes[830] = 0x41;  // reg_domain
    bytes[831] = 0x00;
    bytes[456] = 0x80;  // dot1x_key_lifetime 86400
    bytes[457] = 0x51;
    bytes[458] = 0x01;
    bytes[1112] = 0x40;  // mode_bits
    bytes[1113] = 0x01;
    const ApConfigRecord record(bytes);
    EXPECT_EQ(record.reg_domain(), 0x0041);
    EXPECT_EQ(record.dot1x_key_lifetime(), 86400u);
    EXPECT_EQ(record.mode_bits(), 0x0140);
}

TEST(ApConfigRecord, wdsAndFlagWordOne_areHostBytes0100) {
    ApConfigRecord record;
    record.set_wds(1);
    record.set_flag_word(1);
    EXPECT_EQ(record.bytes()[1120], 0x01);
    EXPECT_EQ(record.bytes()[1121], 0x00);
    EXPECT_EQ(record.bytes()[1092], 0x01);
    EXPECT_EQ(record.bytes()[1093], 0x00);
}

TEST(ApConfigRecord, flags_readAsTheFieldTableSays) {
    net::RecordBytes bytes{};
    bytes[454] = 2;   // dot1x: only 1 means on
    bytes[120] = 2;   // dhcp server: any non-zero
    bytes[1069] = 7;  // wep_on
    bytes[1109] = 9;  // ssid_hidden
    bytes[1128] = 3;  // ip_mode
    bytes[1067] = 5;  // key format
    ApConfigRecord record(bytes);
    EXPECT_FALSE(record.dot1x_on());
    EXPECT_TRUE(record.dhcp_server_on());
    EXPECT_TRUE(record.wep_on());
    EXPECT_TRUE(record.ssid_hidden());
    EXPECT_TRUE(record.ip_mode());
    EXPECT_EQ(record.wep_key_format(), 5);
    EXPECT_TRUE(record.wep_keys_ascii());

    record.set_wep_on(true);
    EXPECT_EQ(record.bytes()[1069], 1);
}

TEST(ApConfigRecord, setSsid32Chars_terminatorAt865) {
    ApConfigRecord record(Pattern());
    const QByteArray ssid = Repeat('S', 32);
    record.set_ssid(ssid);
    for (std::size_t i = 833; i <= 864; ++i) ASSERT_EQ(record.bytes()[i], 'S') << i;
    EXPECT_EQ(record.bytes()[865], 0);
    EXPECT_EQ(record.ssid(), ssid);
}

TEST(ApConfigRecord, setApName31Chars_terminatorAt35) {
    ApConfigRecord record(Pattern());
    const QByteArray name = Repeat('N', 31);
    record.set_ap_name(name);
    EXPECT_EQ(record.bytes()[34], 'N');
    EXPECT_EQ(record.bytes()[35], 0);
    EXPECT_EQ(record.ap_name(), name);
}

TEST(ApConfigRecord, setMgmtUser15Chars_fills36To50AndKeepsByte51) {
    const net::RecordBytes before = Pattern();
    ApConfigRecord record(before);
    record.set_mgmt_user("fifteen-chars!!");
    record.set_mgmt_pass("PASSWORD1234567");
    for (std::size_t i = 36; i <= 50; ++i) ASSERT_NE(record.bytes()[i], 0) << i;
    EXPECT_EQ(record.bytes()[51], before[51]);
    EXPECT_EQ(record.bytes()[67], before[67]);
    // Byte 51 is not a terminator here, yet the name stops at its 15 bytes.
    EXPECT_EQ(record.mgmt_user(), "fifteen-chars!!");
    EXPECT_EQ(record.mgmt_pass(), "PASSWORD1234567");

    record.set_mgmt_user("ab");
    EXPECT_EQ(record.mgmt_user(), "ab");
    for (std::size_t i = 38; i <= 50; ++i) ASSERT_EQ(record.bytes()[i], 0) << i;
    EXPECT_EQ(record.bytes()[51], before[51]);
}

TEST(ApConfigRecord, radiusSecret_terminatorOnReservedByteOnlyWhenFull) {
    const net::RecordBytes before = Pattern();
    ApConfigRecord record(before);
    record.set_radius_secret(1, "short");
    EXPECT_EQ(record.bytes()[500 + 38], before[500 + 38]);
    EXPECT_EQ(record.bytes()[500 + 39], before[500 + 39]);

    const QByteArray full = Repeat('r', 32);
    record.set_radius_secret(0, full);
    EXPECT_EQ(record.bytes()[460 + 37], 'r');
    EXPECT_EQ(record.bytes()[460 + 38], 0);
    EXPECT_EQ(record.bytes()[460 + 39], before[460 + 39]);
    EXPECT_EQ(record.radius_secret(0), full);
    EXPECT_EQ(record.radius_secret(1), "short");
}

TEST(ApConfigRecord, overLongTexts_areCutAtTheFieldMaximum) {
    const net::RecordBytes before = Pattern();
    ApConfigRecord record(before);
    record.set_ap_name(Repeat('a', 40));
    record.set_ssid(Repeat('s', 40));
    record.set_mgmt_user(Repeat('u', 20));
    record.set_radius_secret(1, Repeat('r', 40));
    record.set_wpa_passphrase(Repeat('p', 70));

    EXPECT_EQ(record.ap_name(), Repeat('a', 31));
    EXPECT_EQ(record.bytes()[35], 0);
    EXPECT_EQ(record.bytes()[36], 'u');  // mgmt_user, not the name's overflow
    EXPECT_EQ(record.ssid(), Repeat('s', 32));
    EXPECT_EQ(record.bytes()[865], 0);
    EXPECT_EQ(record.bytes()[866], before[866]);
    EXPECT_EQ(record.mgmt_user(), Repeat('u', 15));
    EXPECT_EQ(record.bytes()[51], before[51]);
    EXPECT_EQ(record.radius_secret(1), Repeat('r', 32));
    EXPECT_EQ(record.bytes()[500 + 38], 0);
    EXPECT_EQ(record.bytes()[500 + 39], before[500 + 39]);
    // A full pass phrase has no terminator and must not spill into 624.
    EXPECT_EQ(record.wpa_passphrase(), Repeat('p', 64));
    EXPECT_EQ(record.bytes()[624], before[624]);
}

TEST(ApConfigRecord, textWithoutTerminator_neverReadsPastItsField) {
    net::RecordBytes bytes{};
    bytes.fill('x');
    const ApConfigRecord record(bytes);
    EXPECT_EQ(record.ap_name(), Repeat('x', 31));
    EXPECT_EQ(record.mgmt_user(), Repeat('x', 15));
    EXPECT_EQ(record.mgmt_pass(), Repeat('x', 15));
    EXPECT_EQ(record.radius_secret(0), Repeat('x', 32));
    EXPECT_EQ(record.radius_secret(1), Repeat('x', 32));
    EXPECT_EQ(record.wpa_passphrase(), Repeat('x', 64));
    EXPECT_EQ(record.ssid(), Repeat('x', 32));
}

TEST(ApConfigRecord, textGetters_stopAtFirstZero) {
    ApConfigRecord record(Pattern());
    record.set_ssid(QByteArrayView("ab\0cd", 5));
    EXPECT_EQ(record.ssid(), "ab");
    record.set_ap_name("");
    EXPECT_EQ(record.ap_name(), "");
    EXPECT_EQ(record.bytes()[4], 0);
}

TEST(ApConfigRecord, wepKeySetters_padWithZerosAndCutToTheSlot) {
    const net::RecordBytes before = Pattern();
    ApConfigRecord record(before);
    record.set_wep64_key(1, "\xAA\xBB\xCC");
    EXPECT_EQ(record.wep64_key(1), QByteArray("\xAA\xBB\xCC\x00\x00", 5));

    record.set_wep64_key(2, "0123456789");
    EXPECT_EQ(record.wep64_key(2), "01234");
    EXPECT_EQ(record.bytes()[930 + 15], before[930 + 15]);  // key 3 untouched

    record.set_wep128_key(1, Repeat('k', 20));
    EXPECT_EQ(record.wep128_key(1), Repeat('k', 13));
    EXPECT_EQ(record.bytes()[950 + 26], before[950 + 26]);

    record.set_wep_wide_key(0, "short");
    EXPECT_EQ(record.wep_wide_key(0), QByteArray("short").leftJustified(16, '\0'));
    EXPECT_EQ(record.wep_wide_key(0).size(), 16);
}

TEST(ApConfigRecord, outOfRangeIndexes_readEmptyAndWriteNothing) {
    const net::RecordBytes before = Pattern();
    ApConfigRecord record(before);
    record.set_wep64_key(4, "abcde");
    record.set_wep128_key(-1, "abcde");
    record.set_wep_wide_key(4, "abcde");
    record.set_radius_ip(2, {1, 2, 3, 4});
    record.set_radius_port(-1, 1);
    record.set_radius_secret(2, "x");
    EXPECT_EQ(record.bytes(), before);
    EXPECT_TRUE(record.wep64_key(4).isEmpty());
    EXPECT_TRUE(record.wep128_key(-1).isEmpty());
    EXPECT_TRUE(record.radius_secret(2).isEmpty());
    EXPECT_EQ(record.radius_port(5), 0);
    EXPECT_EQ(record.radius_ip(2), (Ipv4Address{0, 0, 0, 0}));
}

}  // namespace
}  // namespace tern::record
