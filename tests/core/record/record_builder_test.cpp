#include "core/record/record_builder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core/net/protocol.h"
#include "core/text/screen_text.h"

namespace tern::record {
namespace {

using Bytes = net::RecordBytes;

QString T(const char* text) { return QString::fromLatin1(text); }

std::array<QString, 4> Row(const char* a, const char* b, const char* c, const char* d) {
    return {T(a), T(b), T(c), T(d)};
}

// Every byte non-zero, neighbours different; `seed` tells two APs apart.
Bytes Pattern(int seed = 0) {
    Bytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] =
            static_cast<std::uint8_t>((i * 7 + 3 + static_cast<std::size_t>(seed) * 13) % 251 + 1);
    }
    return bytes;
}

void Put(Bytes& bytes, std::size_t offset, std::initializer_list<int> values) {
    for (int v : values) bytes[offset++] = static_cast<std::uint8_t>(v);
}

// Text plus zeros up to `area` bytes.
void PutText(Bytes& bytes, std::size_t offset, const char* text, std::size_t area) {
    const std::string s(text);
    for (std::size_t i = 0; i < area; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(i < s.size() ? s[i] : 0);
    }
}

QByteArray At(const ApConfigRecord& r, std::size_t offset, int size) {
    return r.toByteArray().mid(static_cast<qsizetype>(offset), size);
}

QString HexOf(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex().toUpper());
}

// A form touching every page, every value different from the source's.
FormSettings FullForm() {
    FormSettings f;
    f.i_r_dhcp = false;
    f.e_ip = Row("10", "1", "2", "3");
    f.e_submask = Row("255", "255", "0", "0");
    f.e_gateway = Row("10", "1", "0", "254");
    f.chB_dhcp_srv = true;
    f.e_dhcp_from = Row("10", "1", "2", "100");
    f.e_dhcp_to = Row("10", "1", "2", "150");
    f.e_dns = Row("8", "8", "4", "4");
    f.s_ch = 9;
    f.e_apname = T("Lab AP");
    f.e_essid = T("TernNet");
    f.r_apmode = 2;
    f.e_rm_mac = T("00-1A-2B-3C-4D-5E");
    f.s_extended = 0;
    f.w_rb_key = 2;
    f.chb_encry = true;
    f.s_wep_1 = 1;
    f.w_r_hex = true;
    f.e_key = {T("**************************"), T("00 11 22 33 44 55 66 77 88 99 AA BB CC"),
               QString(), QString()};
    f.key_hint = {T("0102030405060708090A0B0C0D"), T("0102030405060708090A0B0C0D"), QString(),
                  QString()};
    f.key_edited = {false, true, false, false};
    f.s_auth = 1;
    f.wpa_m_p = T("ignored unless WPA-PSK");
    f.more_rate = 12;
    f.flag_word_state = 1;
    f.more_bcast = 1;
    f.more_wds = 0;
    f.more_beacon = T("100");
    f.more_rts = T("2432");
    f.more_frag = T("2346");
    f.more_dtim = T("3");
    f.more_11g_only = 1;
    f.more_txpower = 2;
    f.more_superg = 2;
    f.Chk_8021x = true;
    f.c_8_keylength = 1;
    f.c_8_lifetime = 2;
    f.e_8_port = {T("1812"), T("1813")};
    f.e_8_shared = {T("alpha"), T("beta")};
    f.e_8_ip = Row("10", "1", "2", "10");
    f.e_8_ipS = Row("10", "1", "2", "11");
    return f;
}

ApConfigRecord Built(BuildMode mode, const ApConfigRecord& source, const FormSettings& form) {
    const BuildResult result = BuildRecord(mode, source, form);
    EXPECT_TRUE(result.ok()) << (result.ok() ? std::string()
                                             : result.failure().field.toStdString());
    return result.ok() ? result.record() : source;
}

ApConfigRecord Single(const FormSettings& form,
                      const ApConfigRecord& source = ApConfigRecord(Pattern())) {
    return Built(BuildMode::Single, source, form);
}

// ---------------------------------------------------------------- whole record

TEST(RecordBuilder, singleAp_everyFieldAtItsOffset_everyOtherByteAsReceived) {
    const ApConfigRecord source(Pattern());
    const ApConfigRecord built = Single(FullForm(), source);

    Bytes e = Pattern();
    PutText(e, 4, "Lab AP", 32);
    Put(e, 108, {8, 8, 4, 4});
    Put(e, 120, {1});
    Put(e, 124, {10, 1, 2, 100});
    Put(e, 130, {51, 0});
    Put(e, 454, {1, 13, 0x10, 0x0E, 0, 0});   // 802.1X on, 13, 3600
    Put(e, 460, {10, 1, 2, 10, 0x14, 0x07});  // server 1, port 1812
    PutText(e, 466, "alpha", 32);
    Put(e, 500, {10, 1, 2, 11, 0x15, 0x07});  // server 2, port 1813
    PutText(e, 506, "beta", 32);
    Put(e, 540, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 8, 2, 0xF2, 0x50, 0});
    Put(e, 812, {10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 0, 254});
    Put(e, 828, {1, 9});
    Put(e, 832, {108});
    PutText(e, 833, "TernNet", 33);
    Put(e, 950 + 13,
        {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC});
    Put(e, 1066, {13, 0, 2, 1, 2});  // key len, hex, key 3, WEP on, turbo 2
    Put(e, 1073, {2, 100, 0, 3, 0, 0x2A, 0x09, 0x80, 0x09, 0});
    Put(e, 1091, {1, 0, 0, 2, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E});
    Put(e, 1109, {1});
    Put(e, 1112, {0xBF, 0});
    Put(e, 1120, {0, 0});
    Put(e, 1128, {1});

    for (std::size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(built.bytes()[i], e[i]) << "offset " << i;
    }
}

// ---------------------------------------------------------------- several APs

TEST(RecordBuilder, multi_eachApKeepsItsOwnAddressingChannelIdentityAndUneditedKeys) {
    ApConfigRecord a(Pattern(1));
    ApConfigRecord b(Pattern(2));
    b.set_ip_addr({10, 0, 0, 5});

    // The form shows AP a: its ASCII keys kept as hints, key 4 retyped.
    FormSettings f = FullForm();
    f.e_ip = Row("x", "168", "9", "9");  // not even read
    f.e_dhcp_to[3] = T("?");
    f.s_wep_1 = 0;
    f.w_r_hex = false;
    for (int k = 0; k < 4; ++k) {
        f.key_hint[static_cast<std::size_t>(k)] = HexOf(a.wep64_key(k));
        f.e_key[static_cast<std::size_t>(k)] = T("*****");
    }
    f.e_key[2].clear();  // left empty: still unedited
    f.e_key[3] = T("abcde");
    f.key_edited = {false, false, false, true};

    for (const ApConfigRecord& source : {a, b}) {
        const ApConfigRecord built = Built(BuildMode::Multi, source, f);
        EXPECT_EQ(built.ip_addr(), source.ip_addr());
        EXPECT_EQ(built.ip_mode(), source.ip_mode());
        EXPECT_EQ(built.subnet_mask(), source.subnet_mask());
        EXPECT_EQ(built.gateway(), source.gateway());
        EXPECT_EQ(built.dhcp_server_on(), source.dhcp_server_on());
        EXPECT_EQ(built.dhcp_pool_start(), source.dhcp_pool_start());
        EXPECT_EQ(built.dhcp_pool_size(), source.dhcp_pool_size());
        EXPECT_EQ(built.dns_server(), source.dns_server());
        EXPECT_EQ(built.channel(), source.channel());
        EXPECT_EQ(built.mac_addr(), source.mac_addr());
        EXPECT_EQ(built.current_ip(), source.current_ip());
        EXPECT_EQ(built.reg_domain(), source.reg_domain());
        for (int k = 0; k < 4; ++k) EXPECT_EQ(built.wep_wide_key(k), source.wep_wide_key(k));
        for (int k = 0; k < 3; ++k) EXPECT_EQ(built.wep64_key(k), source.wep64_key(k)) << k;
        EXPECT_EQ(built.wep64_key(3), QByteArrayLiteral("abcde"));
        EXPECT_EQ(built.ap_name(), QByteArrayLiteral("Lab AP"));
        EXPECT_EQ(built.ssid(), QByteArrayLiteral("TernNet"));
    }
    EXPECT_EQ(Built(BuildMode::Multi, b, f).ip_addr(), (Ipv4Address{10, 0, 0, 5}));
}

// ---------------------------------------------------------------- IP page, channel

TEST(RecordBuilder, octets_decimalModulo256_emptyIsZero) {
    FormSettings f = FullForm();
    f.e_ip = Row("300", "", "0", "255");
    EXPECT_EQ(Single(f).ip_addr(), (Ipv4Address{44, 0, 0, 255}));
}

TEST(RecordBuilder, dhcpClient_clearsAddressAndModeButTheCheckBoxDecidesTheServer) {
    FormSettings f = FullForm();
    f.i_r_dhcp = true;
    ApConfigRecord r = Single(f);
    EXPECT_FALSE(r.ip_mode());
    EXPECT_EQ(r.ip_addr(), (Ipv4Address{0, 0, 0, 0}));
    EXPECT_TRUE(r.dhcp_server_on());
    f.chB_dhcp_srv = false;
    EXPECT_FALSE(Single(f).dhcp_server_on());
}

TEST(RecordBuilder, dhcpPoolSize_fromEndAboveStart_elseAsReceived) {
    ApConfigRecord source(Pattern());
    source.set_dhcp_pool_size(7);
    FormSettings f = FullForm();
    f.e_dhcp_from = Row("192", "168", "1", "100");
    f.e_dhcp_to = Row("192", "168", "1", "150");
    EXPECT_EQ(Single(f, source).dhcp_pool_size(), 51);
    f.e_dhcp_from[3] = T("150");
    EXPECT_EQ(Single(f, source).dhcp_pool_size(), 7);
    f.e_dhcp_to[3] = T("149");
    EXPECT_EQ(Single(f, source).dhcp_pool_size(), 7);
}

TEST(RecordBuilder, channel_selectedEntry_noneWritesZero_staticTurboForcesSix) {
    ApConfigRecord source(Pattern());
    source.set_reg_domain(0x32);
    FormSettings f = FullForm();
    f.s_ch = 12;
    EXPECT_EQ(Single(f, source).channel(), 12);
    f.s_ch.reset();
    EXPECT_EQ(Single(f, source).channel(), 0);

    f.s_ch = 11;
    f.more_superg = 3;
    const ApConfigRecord turbo = Single(f, source);
    EXPECT_EQ(turbo.channel(), 6);
    EXPECT_EQ(turbo.turbo_mode(), 1);
    EXPECT_EQ(turbo.mode_bits(), 0x003D);
    EXPECT_EQ(Built(BuildMode::Multi, source, f).channel(), 6);
}

// ---------------------------------------------------------------- WEP keys

TEST(RecordBuilder, hexKey_threePairsTyped_twoZeroBytesAndOtherSlotsAsReceived) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.s_wep_1 = 0;
    f.key_edited = {false, true, false, false};
    // As the masked field may hand it over: separators, then trailing blanks.
    for (const char* text : {"1A 2B 3C", "1A 2B 3C      ", "1A2B3C"}) {
        f.e_key[1] = T(text);
        const ApConfigRecord r = Single(f, source);
        EXPECT_EQ(r.wep64_key(1), QByteArray::fromHex("1A2B3C0000")) << text;
        EXPECT_EQ(r.wep_key_len(), 5);
        EXPECT_EQ(r.wep_key_format(), 0);
        for (int k : {0, 2, 3}) EXPECT_EQ(r.wep64_key(k), source.wep64_key(k));
        EXPECT_EQ(At(r, 950, 52), At(source, 950, 52));
    }
}

TEST(RecordBuilder, hexKey_blankOrNonHexPairGivesZero) {
    FormSettings f = FullForm();
    f.s_wep_1 = 0;
    f.key_edited = {true, false, false, false};
    f.e_key[0] = T("1A    G0 4D 5");
    EXPECT_EQ(Single(f).wep64_key(0), QByteArray::fromHex("1A00004D00"));
}

TEST(RecordBuilder, keyStillStarredForItsHint_keepsTheApKeyEvenWhenFlagged) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.key_edited = {true, true, true, true};
    f.e_key[1] = f.e_key[0];  // both starred, both with a hint
    f.key_starred = {true, true, false, false};
    f.e_key[2] = T("CC");
    const ApConfigRecord r = Single(f, source);
    EXPECT_EQ(r.wep128_key(0), source.wep128_key(0));
    EXPECT_EQ(r.wep128_key(1), source.wep128_key(1));
    EXPECT_EQ(r.wep128_key(2), QByteArray::fromHex("CC000000000000000000000000"));
}

TEST(RecordBuilder, asciiKeyTooLongForItsSlot_isCutBetweenCharacters) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.s_wep_1 = 0;
    f.w_r_hex = false;
    f.text_to_record = [](const QString& text) {
        return tern::text::ScreenTextToRecord(text, tern::text::TextEncoding::ShiftJis);
    };
    f.e_key = {QStringLiteral("ab\u8A2D\u5B9A"), QString(), QString(), QString()};  // 6 bytes for 5
    f.key_edited = {true, false, false, false};
    EXPECT_EQ(Single(f, source).wep64_key(0), QByteArray("ab\x90\xDD\0", 5));
}

TEST(RecordBuilder, aTypedControlCharacter_isRefused_whatTheApHeldGoesBackAsItCame) {
    ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.e_essid = QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
    BuildResult built = BuildRecord(BuildMode::Single, source, f);
    ASSERT_FALSE(built);
    EXPECT_EQ(built.failure().field, QStringLiteral("e_essid"));

    f = FullForm();
    f.s_wep_1 = 0;
    f.w_r_hex = false;
    f.e_key = {QStringLiteral("ab\x1b"), QString(), QString(), QString()};
    f.key_edited = {true, false, false, false};
    built = BuildRecord(BuildMode::Single, source, f);
    ASSERT_FALSE(built);
    EXPECT_EQ(built.failure().field, QStringLiteral("e_key1"));

    // An AP's own name, unedited, is never judged: its bytes go back.
    source.set_ap_name("odd\x07name");
    f = FullForm();
    f.e_apname = QString::fromLatin1("odd\x07name");
    ASSERT_TRUE(BuildRecord(BuildMode::Single, source, f));
    EXPECT_EQ(BuildRecord(BuildMode::Single, source, f).record().ap_name(),
              QByteArray("odd\x07name"));
}

TEST(RecordBuilder, asciiKeyTypedAsStars_isTheKey_evenWithAHintKept) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.s_wep_1 = 0;
    f.w_r_hex = false;
    f.key_hint = {T("0102030405"), T("0102030405"), QString(), QString()};
    f.e_key = {T("*****"), T("*****"), QString(), QString()};
    f.key_edited = {true, true, false, false};
    f.key_starred = {false, true, false, false};  // key 1 typed, key 2 as shown
    const ApConfigRecord r = Single(f, source);
    EXPECT_EQ(r.wep64_key(0), QByteArrayLiteral("*****"));
    EXPECT_EQ(r.wep64_key(1), source.wep64_key(1));
}

TEST(RecordBuilder, asciiKey_editedGivesItsCharacters_shorterIsZeroFilled_neverPastTheSlot) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.s_wep_1 = 0;
    f.w_r_hex = false;
    f.key_edited = {true, true, true, false};
    f.e_key = {T("Tern5"), T("ab"), T("longer than five"), QString()};
    const ApConfigRecord r = Single(f, source);
    EXPECT_EQ(r.wep64_key(0), QByteArrayLiteral("Tern5"));
    EXPECT_EQ(r.wep64_key(1), QByteArray("ab\0\0\0", 5));
    EXPECT_EQ(r.wep64_key(2), QByteArrayLiteral("longe"));
    EXPECT_EQ(r.wep64_key(3), source.wep64_key(3));
    EXPECT_EQ(r.wep_key_format(), 1);
    EXPECT_EQ(At(r, 950, 52), At(source, 950, 52));
}

TEST(RecordBuilder, asciiKey_unedited_keepsTheApBytesWhateverTheHint) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.s_wep_1 = 1;
    f.w_r_hex = false;
    f.key_edited = {};
    f.key_hint = {QString(), T("41424344454647484950515253"), QString(), QString()};
    f.e_key = {QString(), T("*************"), QString(), QString()};
    const ApConfigRecord r = Single(f, source);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(r.wep128_key(k), source.wep128_key(k)) << k;
}

TEST(RecordBuilder, wepOff_keyLengthZero_keysAndFormatAsReceived) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.chb_encry = false;
    f.w_r_hex = false;
    const ApConfigRecord r = Single(f, source);
    EXPECT_FALSE(r.wep_on());
    EXPECT_EQ(r.wep_key_len(), 0);
    EXPECT_EQ(r.wep_key_format(), source.wep_key_format());
    EXPECT_EQ(At(r, 930, 72), At(source, 930, 72));
}

// ---------------------------------------------------------------- WPA

TEST(RecordBuilder, wpaPsk_passPhraseAndZeroPadding_wpaKeepsTheField) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.s_auth = 3;
    f.wpa_m_p = T("0123456789");
    ApConfigRecord r = Single(f, source);
    EXPECT_EQ(At(r, 560, 64), QByteArrayLiteral("0123456789") + QByteArray(54, '\0'));
    EXPECT_EQ(r.wpa_on(), 1u);
    EXPECT_EQ(r.wpa_psk(), 1u);
    EXPECT_EQ(r.auth_type(), 3);

    f.s_auth = 2;
    r = Single(f, source);
    EXPECT_EQ(At(r, 560, 64), At(source, 560, 64));
    EXPECT_EQ(r.wpa_on(), 1u);
    EXPECT_EQ(r.wpa_psk(), 0u);

    f.s_auth = -1;
    EXPECT_EQ(Single(f, source).auth_type(), 255);
}

TEST(RecordBuilder, wpaPsk_starredPassPhraseWithHint_writesTheHint) {
    FormSettings f = FullForm();
    f.s_auth = 3;
    f.wpa_m_p = T("**********");
    f.wpa_m_p_hint = T("kept phrase");
    EXPECT_EQ(Single(f).wpa_passphrase(), QByteArrayLiteral("kept phrase"));
    f.wpa_m_p_hint.clear();
    EXPECT_EQ(Single(f).wpa_passphrase(), QByteArrayLiteral("**********"));
}

// ---------------------------------------------------------------- advanced values

TEST(RecordBuilder, extendedMode_rateZeroBitSetSsidBroadcastWhateverBcast) {
    FormSettings f = FullForm();
    f.s_extended = 1;
    f.more_bcast = 1;
    f.more_superg = 1;
    const ApConfigRecord r = Single(f);
    EXPECT_FALSE(r.ssid_hidden());
    EXPECT_EQ(r.tx_rate(), 0);
    EXPECT_EQ(r.mode_bits(), 0x003C | 0x40);
}

TEST(RecordBuilder, wdsOne_isBytes0100BeforeAndAfterTheWireOrder) {
    FormSettings f = FullForm();
    f.more_wds = 1;
    const ApConfigRecord r = Single(f);
    EXPECT_EQ(At(r, 1120, 2), QByteArray("\x01\x00", 2));
    const Bytes wire = net::SwapRecordOrder(r.bytes());
    EXPECT_EQ(wire[1120], 1);
    EXPECT_EQ(wire[1121], 0);
}

TEST(RecordBuilder, outOfRangeKeptValues_leaveTheirFields) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.more_rate = 13;
    f.flag_word_state = 2;
    f.more_bcast = 2;
    f.more_wds = -1;
    f.more_superg = 4;
    f.r_apmode = -1;
    f.w_rb_key = -1;
    f.c_8_keylength = -1;
    f.c_8_lifetime = 6;
    const ApConfigRecord r = Single(f, source);
    EXPECT_EQ(r.tx_rate(), source.tx_rate());
    EXPECT_EQ(r.flag_word(), source.flag_word());
    EXPECT_EQ(r.ssid_hidden(), source.ssid_hidden());
    EXPECT_EQ(r.wds(), source.wds());
    EXPECT_EQ(r.turbo_mode(), source.turbo_mode());
    EXPECT_EQ(r.mode_bits(), source.mode_bits());
    EXPECT_EQ(r.op_mode(), source.op_mode());
    EXPECT_EQ(r.remote_mac(), source.remote_mac());
    EXPECT_EQ(r.wep_default_key(), source.wep_default_key());
    EXPECT_EQ(r.dot1x_key_len(), source.dot1x_key_len());
    EXPECT_EQ(r.dot1x_key_lifetime(), source.dot1x_key_lifetime());
    EXPECT_EQ(r.cleared_byte(), 0);
}

TEST(RecordBuilder, remoteMac_blankPairIsZero_onlyForTheBridgeMode) {
    const ApConfigRecord source(Pattern());
    FormSettings f = FullForm();
    f.e_rm_mac = T("00-1A-  -3C-4D-5e");
    EXPECT_EQ(Single(f, source).remote_mac(), (MacAddress{0x00, 0x1A, 0, 0x3C, 0x4D, 0x5E}));
    f.r_apmode = 1;
    f.e_rm_mac = T("not a mac");
    const ApConfigRecord client = Single(f, source);
    EXPECT_EQ(client.op_mode(), 1);
    EXPECT_EQ(client.remote_mac(), source.remote_mac());
}

// ---------------------------------------------------------------- failures

TEST(RecordBuilder, conversionFailure_namesTheStepAndField) {
    struct Case {
        const char* name;
        void (*spoil)(FormSettings&);
        BuildStep step;
        const char* field;
    };
    const Case cases[] = {
        {"ip octet", [](FormSettings& f) { f.e_ip[1] = T("1x"); }, BuildStep::AddressMode,
         "e_ip_2"},
        {"mask octet", [](FormSettings& f) { f.e_submask[3] = T(" 0"); },
         BuildStep::SubnetAndGateway, "e_submask_4"},
        {"gateway octet", [](FormSettings& f) { f.e_gateway[0] = T("-1"); },
         BuildStep::SubnetAndGateway, "e_gateway_1"},
        {"pool end", [](FormSettings& f) { f.e_dhcp_to[3] = T("2a"); }, BuildStep::DhcpServer,
         "e_dhcp_to_4"},
        {"dns octet", [](FormSettings& f) { f.e_dns[2] = T("."); }, BuildStep::DhcpServer,
         "e_dns_3"},
        {"remote mac", [](FormSettings& f) { f.e_rm_mac = T("00-1A-ZZ-3C-4D-5E"); },
         BuildStep::RemoteMac, "e_rm_mac"},
        {"remote mac parts", [](FormSettings& f) { f.e_rm_mac = T("00-1A-2B-3C-4D"); },
         BuildStep::RemoteMac, "e_rm_mac"},
        {"advanced empty", [](FormSettings& f) { f.more_rts.clear(); }, BuildStep::AdvancedNumbers,
         "more_rts"},
        {"advanced text", [](FormSettings& f) { f.more_dtim = T("three"); },
         BuildStep::AdvancedNumbers, "more_dtim"},
        {"port", [](FormSettings& f) { f.e_8_port[1] = T("18 12"); }, BuildStep::RadiusPort,
         "e_8_port2"},
        {"radius octet", [](FormSettings& f) { f.e_8_ipS[2] = T("a"); }, BuildStep::RadiusAddress,
         "e_8_ipS3"},
    };
    for (const Case& c : cases) {
        FormSettings f = FullForm();
        c.spoil(f);
        const BuildResult result = BuildRecord(BuildMode::Single, ApConfigRecord(Pattern()), f);
        ASSERT_FALSE(result.ok()) << c.name;
        EXPECT_EQ(result.failure().step, c.step) << c.name;
        EXPECT_EQ(result.failure().field, T(c.field)) << c.name;
    }
}

TEST(RecordBuilder, defaults_buildOnceThePortsAreFilled) {
    FormSettings f = DefaultFormSettings();
    EXPECT_EQ(BuildRecord(BuildMode::Single, ApConfigRecord(), f).failure().step,
              BuildStep::RadiusPort);
    f.e_8_port = {T("0"), T("0")};
    const ApConfigRecord r = Single(f, ApConfigRecord());
    EXPECT_EQ(r.ip_addr(), (Ipv4Address{192, 168, 1, 250}));
    EXPECT_EQ(r.subnet_mask(), (Ipv4Address{255, 255, 255, 0}));
    EXPECT_EQ(r.ssid(), QByteArrayLiteral("Wireless"));
    EXPECT_EQ(r.ap_name(), QByteArrayLiteral("Access Point"));
    EXPECT_EQ(r.tx_rate(), 2);
    EXPECT_EQ(r.beacon_interval(), 100);
}

// ---------------------------------------------------------------- login

TEST(RecordBuilder, withLogin_fifteenCharactersZeroPadded_bytes51And67Kept) {
    const ApConfigRecord source(Pattern());
    const ApConfigRecord r =
        WithLogin(source, QByteArrayLiteral("administrator-of-all"), QByteArrayLiteral("pw"));
    EXPECT_EQ(At(r, 36, 15), QByteArrayLiteral("administrator-o"));
    EXPECT_EQ(At(r, 52, 15), QByteArrayLiteral("pw") + QByteArray(13, '\0'));
    EXPECT_EQ(r.bytes()[51], source.bytes()[51]);
    EXPECT_EQ(r.bytes()[67], source.bytes()[67]);
    EXPECT_EQ(At(r, 68, 1080), At(source, 68, 1080));
    EXPECT_EQ(At(r, 0, 36), At(source, 0, 36));
}

}  // namespace
}  // namespace tern::record

namespace tern::record {
namespace {

// A code page of this test's own: bytes above 0x7F show as "#", which is what
// a code page does with bytes it cannot show, and "#" goes back as "?".
FormSettings WithLossyCodePage(FormSettings f) {
    f.text_from_record = [](QByteArrayView bytes) {
        QString s;
        for (const char c : bytes)
            s += static_cast<unsigned char>(c) > 0x7F ? QChar(u'#') : QChar::fromLatin1(c);
        return s;
    };
    f.text_to_record = [](const QString& text) {
        QByteArray b;
        for (const QChar c : text) b += c == u'#' ? '?' : static_cast<char>(c.unicode());
        return b;
    };
    return f;
}

TEST(RecordBuilder, textsStillAsShown_keepTheApsBytes_editedOnesGoThroughTheCodePage) {
    ApConfigRecord source(Pattern());
    source.set_ap_name("Caf\xE9");
    source.set_ssid("Net\x93\x94");
    source.set_radius_secret(0, "s\x80");
    source.set_radius_secret(1, "plain");
    source.set_wpa_passphrase("phrase \xFC\xFC\xFC");

    FormSettings f = WithLossyCodePage(FullForm());
    f.e_apname = T("Caf#");   // as shown
    f.e_essid = T("Net##x");  // edited
    f.e_8_shared = {T("s#"), T("other")};
    f.s_auth = 3;
    f.wpa_m_p = T("phrase ###");
    const ApConfigRecord r = Single(f, source);
    EXPECT_EQ(r.ap_name(), QByteArray("Caf\xE9"));
    EXPECT_EQ(r.ssid(), QByteArray("Net??x"));
    EXPECT_EQ(r.radius_secret(0), QByteArray("s\x80"));
    EXPECT_EQ(r.radius_secret(1), QByteArray("other"));
    EXPECT_EQ(r.wpa_passphrase(), QByteArray("phrase \xFC\xFC\xFC"));

    // without a code page the texts are Latin-1 both ways
    FormSettings latin = FullForm();
    latin.e_apname = QStringLiteral("Caf\u00E9");
    EXPECT_EQ(Single(latin, source).ap_name(), QByteArray("Caf\xE9"));
}

}  // namespace
}  // namespace tern::record
