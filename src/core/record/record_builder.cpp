#include "core/record/record_builder.h"

#include <QByteArray>
#include <QList>
#include <QStringView>
#include <algorithm>
#include <cstdint>

#include "core/record/code_tables.h"
#include "core/record/net_types.h"
#include "core/text/screen_text.h"

namespace tern::record {

namespace {

using Failure = std::optional<BuildFailure>;

constexpr std::array<std::uint8_t, 3> kDot1xKeyLengths = {5, 13, 29};
constexpr std::array<std::uint32_t, 6> kDot1xLifetimes = {86400, 28800, 3600, 1800, 900, 300};

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Digits only, taken modulo `modulus`; the text may be of any length.
std::optional<std::uint32_t> DigitsModulo(QStringView text, std::uint32_t modulus) {
    if (text.isEmpty()) return std::nullopt;
    std::uint32_t value = 0;
    for (QChar c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = (value * 10 + static_cast<std::uint32_t>(c.unicode() - u'0')) % modulus;
    }
    return value;
}

// An address octet: empty is 0, otherwise the decimal value modulo 256.
std::optional<std::uint8_t> Octet(QStringView text) {
    if (text.isEmpty()) return std::uint8_t{0};
    const auto value = DigitsModulo(text, 256);
    if (!value) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

// A 16-bit number field: the decimal value's low 16 bits; empty is no number.
std::optional<std::uint16_t> Number16(QStringView text) {
    const auto value = DigitsModulo(text, 65536);
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// A whole number for comparisons, empty counting as 0; saturates rather
// than overflowing.
std::optional<std::int64_t> PlainNumber(QStringView text) {
    std::int64_t value = 0;
    for (QChar c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = std::min<std::int64_t>(value * 10 + (c.unicode() - u'0'), std::int64_t{1} << 40);
    }
    return value;
}

QString FieldName(const char* stem, int number) {
    return QLatin1StringView(stem) + QString::number(number);
}

// The four octets of a row of address fields named `stem`1..4.
Failure ReadAddress(const std::array<QString, 4>& fields, BuildStep step, const char* stem,
                    Ipv4Address& out) {
    for (std::size_t c = 0; c < fields.size(); ++c) {
        const auto octet = Octet(fields[c]);
        if (!octet) return BuildFailure{step, FieldName(stem, static_cast<int>(c) + 1), fields[c]};
        out[c] = *octet;
    }
    return std::nullopt;
}

bool IsFiller(QChar c) { return c == u' ' || c == u'_' || c == QChar(0x3000); }

// Whether a pass-phrase text is still the row of '*' the show step puts in
// place of the value it keeps aside.
bool IsStarPlaceholder(QStringView text, QStringView hint) {
    return !hint.isEmpty() && !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c == u'*'; });
}

// The bytes of a hex key field. The field shows pairs one character apart
// ("1A 2B 3C", maybe with trailing blanks), so byte j is read at characters
// 3j and 3j+1; a text of bare digits ("1A2B3C") is read pair after pair. A
// pair that is missing, blank or not hexadecimal gives 0.
QByteArray HexKeyBytes(QStringView text, int n) {
    QStringView digits = text;
    while (!digits.isEmpty() && IsFiller(digits.back())) digits.chop(1);
    const bool bare = digits.size() > 2 && std::all_of(digits.begin(), digits.end(), [](QChar c) {
                          return HexDigitValue(c) >= 0;
                      });
    const qsizetype stride = bare ? 2 : 3;
    QByteArray bytes(n, '\0');
    for (int j = 0; j < n; ++j) {
        const qsizetype at = stride * j;
        if (at + 1 >= text.size()) continue;
        const int high = HexDigitValue(text[at]);
        const int low = HexDigitValue(text[at + 1]);
        if (high >= 0 && low >= 0) bytes[j] = static_cast<char>(high * 16 + low);
    }
    return bytes;
}

void WriteKey(ApConfigRecord& record, int n, int k, QByteArrayView key) {
    if (n == ApConfigRecord::kWep64KeyBytes) {
        record.set_wep64_key(k, key);
    } else {
        record.set_wep128_key(k, key);
    }
}

// One remote-MAC part: blanks around it are ignored, an empty part is 00.
std::optional<std::uint8_t> MacPart(QStringView part) {
    const QStringView digits = part.trimmed();
    if (digits.size() > 2) return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        const int v = HexDigitValue(c);
        if (v < 0) return std::nullopt;
        value = value * 16 + v;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<MacAddress> RemoteMac(QStringView text) {
    const auto parts = text.split(u'-');
    MacAddress mac{};
    if (parts.size() != static_cast<qsizetype>(mac.size())) return std::nullopt;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const auto byte = MacPart(parts[static_cast<qsizetype>(i)]);
        if (!byte) return std::nullopt;
        mac[i] = *byte;
    }
    return mac;
}

// ---------------------------------------------------------------- steps

Failure BuildAddressing(ApConfigRecord& r, const FormSettings& f) {
    if (f.i_r_dhcp) {
        r.set_ip_mode(false);
        r.set_dhcp_server_on(false);
        r.set_ip_addr({0, 0, 0, 0});
    } else {
        Ipv4Address ip{};
        if (auto e = ReadAddress(f.e_ip, BuildStep::AddressMode, "e_ip_", ip)) return e;
        r.set_ip_mode(true);
        r.set_ip_addr(ip);
    }
    Ipv4Address mask{};
    Ipv4Address gateway{};
    if (auto e = ReadAddress(f.e_submask, BuildStep::SubnetAndGateway, "e_submask_", mask)) {
        return e;
    }
    if (auto e = ReadAddress(f.e_gateway, BuildStep::SubnetAndGateway, "e_gateway_", gateway)) {
        return e;
    }
    r.set_subnet_mask(mask);
    r.set_gateway(gateway);
    return std::nullopt;
}

Failure BuildDhcpServer(ApConfigRecord& r, const FormSettings& f) {
    r.set_dhcp_server_on(f.chB_dhcp_srv);
    Ipv4Address start{};
    Ipv4Address dns{};
    if (auto e = ReadAddress(f.e_dhcp_from, BuildStep::DhcpServer, "e_dhcp_from_", start)) {
        return e;
    }
    if (auto e = ReadAddress(f.e_dns, BuildStep::DhcpServer, "e_dns_", dns)) return e;
    const auto from = PlainNumber(f.e_dhcp_from[3]);
    const auto to = PlainNumber(f.e_dhcp_to[3]);
    if (!from)
        return BuildFailure{BuildStep::DhcpServer, QStringLiteral("e_dhcp_from_4"),
                            f.e_dhcp_from[3]};
    if (!to)
        return BuildFailure{BuildStep::DhcpServer, QStringLiteral("e_dhcp_to_4"), f.e_dhcp_to[3]};
    r.set_dhcp_pool_start(start);
    r.set_dns_server(dns);
    if (*from < *to) r.set_dhcp_pool_size(static_cast<std::uint16_t>(*to - *from + 1));
    return std::nullopt;
}

// What a text field puts into the record: the AP's own bytes while the field
// still says what they showed, else the field's text in the code page. A
// text the code page cannot hold, or too long for its field, is a failure:
// it is never written as something else or cut short.
Failure RecordText(QByteArrayView current, const QString& text, const FormSettings& f,
                   qsizetype maxBytes, const QString& field, QByteArray& out) {
    const QString shown =
        f.text_from_record ? f.text_from_record(current) : QString::fromLatin1(current);
    if (shown == text) {
        out = current.toByteArray();
        return std::nullopt;
    }
    // The AP keeps texts as C strings: a NUL would end one early, and any
    // control character would act on the terminals it is shown on.
    if (text::FirstControlCharacter(text)) return BuildFailure{BuildStep::Text, field, text};
    std::optional<QByteArray> bytes;
    if (f.text_to_record) {
        bytes = f.text_to_record(text);
    } else if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; })) {
        bytes = text.toLatin1();
    }
    if (!bytes || bytes->size() > maxBytes) {
        return BuildFailure{BuildStep::Text, field, text};
    }
    out = *bytes;
    return std::nullopt;
}

Failure BuildWep(ApConfigRecord& r, const FormSettings& f) {
    if (!f.chb_encry) {
        r.set_wep_on(false);
        r.set_wep_key_len(kWepKeyLenNone);
        return std::nullopt;
    }
    r.set_wep_on(true);
    int n = 0;
    if (f.s_wep_1 == 0) n = kWepKeyLen64;
    if (f.s_wep_1 == 1) n = kWepKeyLen128;
    if (n != 0) r.set_wep_key_len(static_cast<std::uint8_t>(n));
    r.set_wep_key_format(!f.w_r_hex);
    if (n == 0) return std::nullopt;
    for (int k = 0; k < ApConfigRecord::kWepKeys; ++k) {
        const auto i = static_cast<std::size_t>(k);
        // A key the user left alone is the AP's own. The hint would say the
        // same for the AP last shown, but it is that AP's key, not
        // necessarily this one's.
        if (!f.key_edited[i] || f.key_starred[i]) continue;
        if (f.w_r_hex) {
            WriteKey(r, n, k, HexKeyBytes(f.e_key[i], n));
            continue;
        }
        if (text::FirstControlCharacter(f.e_key[i])) {
            return BuildFailure{BuildStep::Text, FieldName("e_key", k + 1), f.e_key[i]};
        }
        // Typed characters are bytes of the code page, like every text.
        std::optional<QByteArray> bytes;
        if (f.text_to_record) {
            bytes = f.text_to_record(f.e_key[i]);
        } else if (std::all_of(f.e_key[i].begin(), f.e_key[i].end(),
                               [](QChar c) { return c.unicode() <= 0xFF; })) {
            bytes = f.e_key[i].toLatin1();
        }
        if (!bytes) return BuildFailure{BuildStep::Text, FieldName("e_key", k + 1), f.e_key[i]};
        // A key longer than its slot is cut, but never inside a character.
        for (qsizetype chars = f.e_key[i].size(); bytes->size() > n && chars > 0;) {
            --chars;
            if (chars > 0 && f.e_key[i][chars].isLowSurrogate()) --chars;
            bytes = f.text_to_record ? f.text_to_record(f.e_key[i].left(chars))
                                     : f.e_key[i].left(chars).toLatin1();
            if (!bytes) return BuildFailure{BuildStep::Text, FieldName("e_key", k + 1), f.e_key[i]};
        }
        WriteKey(r, n, k, *bytes);
    }
    return std::nullopt;
}

Failure BuildAuthentication(ApConfigRecord& r, const FormSettings& f) {
    const bool listed = f.s_auth >= 0 && f.s_auth < kAuthTypeCount;
    r.set_auth_type(listed ? static_cast<std::uint8_t>(f.s_auth) : std::uint8_t{255});
    const bool wpa = f.s_auth == kAuthWpa || f.s_auth == kAuthWpaPsk;
    r.set_wpa_on(wpa ? 1 : 0);
    r.set_wpa_psk(f.s_auth == kAuthWpaPsk ? 1 : 0);
    r.set_wpa_word3(0);
    r.set_wpa_word4(0x08070000);
    r.set_wpa_cipher(0x0050F202);
    if (f.s_auth != kAuthWpaPsk) return std::nullopt;
    const bool starred = IsStarPlaceholder(f.wpa_m_p, f.wpa_m_p_hint);
    const QString& phrase = starred ? f.wpa_m_p_hint : f.wpa_m_p;
    QByteArray bytes;
    if (auto e = RecordText(r.wpa_passphrase(), phrase, f, ApConfigRecord::kWpaPassphraseMax,
                            QStringLiteral("wpa_m_p"), bytes)) {
        return e;
    }
    r.set_wpa_passphrase(bytes);
    return std::nullopt;
}

Failure BuildOpMode(ApConfigRecord& r, const FormSettings& f) {
    if (f.r_apmode < 0 || f.r_apmode > static_cast<int>(OpMode::RepeatMode)) {
        return std::nullopt;
    }
    r.set_op_mode(static_cast<std::uint8_t>(f.r_apmode));
    if (f.r_apmode != static_cast<int>(OpMode::WirelessBridge)) return std::nullopt;
    const auto mac = RemoteMac(f.e_rm_mac);
    if (!mac) return BuildFailure{BuildStep::RemoteMac, QStringLiteral("e_rm_mac"), f.e_rm_mac};
    r.set_remote_mac(*mac);
    return std::nullopt;
}

Failure BuildAdvanced(ApConfigRecord& r, const FormSettings& f) {
    if (const int code = TxRateCode(f.more_rate); code >= 0) {
        r.set_tx_rate(static_cast<std::uint8_t>(code));
    }
    if (f.flag_word_state == 0) r.set_flag_word(1);
    if (f.flag_word_state == 1) r.set_flag_word(0);
    if (f.more_bcast == 0 || f.more_bcast == 1) r.set_ssid_hidden(f.more_bcast == 1);
    if (f.more_wds == 0 || f.more_wds == 1) r.set_wds(static_cast<std::uint16_t>(f.more_wds));

    struct NumberField {
        const char* name;
        const QString& text;
        void (ApConfigRecord::*set)(std::uint16_t);
    };
    const std::array<NumberField, 4> numbers = {{
        {"more_beacon", f.more_beacon, &ApConfigRecord::set_beacon_interval},
        {"more_rts", f.more_rts, &ApConfigRecord::set_rts_threshold},
        {"more_frag", f.more_frag, &ApConfigRecord::set_frag_threshold},
        {"more_dtim", f.more_dtim, &ApConfigRecord::set_dtim_period},
    }};
    for (const NumberField& field : numbers) {
        const auto value = Number16(field.text);
        if (!value) {
            return BuildFailure{BuildStep::AdvancedNumbers, QLatin1StringView(field.name),
                                field.text};
        }
        (r.*field.set)(*value);
    }

    r.set_cleared_byte(0);
    r.set_g_only(static_cast<std::uint8_t>(f.more_11g_only & 0xFF));
    r.set_tx_power(static_cast<std::uint8_t>(f.more_txpower & 0xFF));

    if (const TurboPattern* turbo = TurboPatternFor(f.more_superg)) {
        r.set_turbo_mode(turbo->turbo_mode);
        r.set_mode_bits(turbo->mode_bits);
        if (turbo->forced_channel != 0) r.set_channel(turbo->forced_channel);
    }
    if (f.s_extended == 1) {
        r.set_tx_rate(0);
        r.set_mode_bits(static_cast<std::uint16_t>(r.mode_bits() | kExtendedModeBit));
        r.set_ssid_hidden(false);
    }
    return std::nullopt;
}

Failure BuildDot1x(ApConfigRecord& r, const FormSettings& f) {
    r.set_dot1x_on(f.Chk_8021x);
    if (f.c_8_keylength >= 0 && f.c_8_keylength < static_cast<int>(kDot1xKeyLengths.size())) {
        r.set_dot1x_key_len(kDot1xKeyLengths[static_cast<std::size_t>(f.c_8_keylength)]);
    }
    if (f.c_8_lifetime >= 0 && f.c_8_lifetime < static_cast<int>(kDot1xLifetimes.size())) {
        r.set_dot1x_key_lifetime(kDot1xLifetimes[static_cast<std::size_t>(f.c_8_lifetime)]);
    }
    for (int i = 0; i < ApConfigRecord::kRadiusEntries; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const auto port = Number16(f.e_8_port[n]);
        if (!port) {
            return BuildFailure{BuildStep::RadiusPort, FieldName("e_8_port", i + 1), f.e_8_port[n]};
        }
        r.set_radius_port(i, *port);
        QByteArray secret;
        if (auto e =
                RecordText(r.radius_secret(i), f.e_8_shared[n], f, ApConfigRecord::kRadiusSecretMax,
                           FieldName("e_8_shared", i + 1), secret)) {
            return e;
        }
        r.set_radius_secret(i, secret);
    }
    Ipv4Address server1{};
    Ipv4Address server2{};
    if (auto e = ReadAddress(f.e_8_ip, BuildStep::RadiusAddress, "e_8_ip", server1)) return e;
    if (auto e = ReadAddress(f.e_8_ipS, BuildStep::RadiusAddress, "e_8_ipS", server2)) return e;
    r.set_radius_ip(0, server1);
    r.set_radius_ip(1, server2);
    return std::nullopt;
}

}  // namespace

FormSettings DefaultFormSettings() {
    FormSettings f;
    f.e_essid = QStringLiteral("Wireless");
    f.e_apname = QStringLiteral("Access Point");
    f.s_extended = 0;
    f.r_apmode = 0;
    f.c_8_lifetime = 0;
    f.c_8_keylength = 0;
    f.more_rate = 1;
    f.flag_word_state = 0;
    f.more_bcast = 0;
    f.more_beacon = QStringLiteral("100");
    f.more_rts = QStringLiteral("2432");
    f.more_frag = QStringLiteral("2346");
    f.more_dtim = QStringLiteral("3");
    f.more_11g_only = 0;
    f.more_wds = 0;
    f.i_r_dhcp = false;
    f.e_ip = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
              QStringLiteral("250")};
    f.e_submask = {QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("255"),
                   QStringLiteral("0")};
    f.e_gateway = {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                   QStringLiteral("0")};
    f.s_wep_1 = 0;
    f.w_r_hex = true;
    f.chb_encry = false;
    // With encryption off the defaults leave the first authentication type
    // chosen.
    f.s_auth = 0;
    f.w_rb_key = 0;
    return f;
}

BuildResult BuildRecord(BuildMode mode, const ApConfigRecord& source, const FormSettings& form) {
    ApConfigRecord r = source;
    if (mode == BuildMode::Single) {
        if (auto e = BuildAddressing(r, form)) return *e;
        if (auto e = BuildDhcpServer(r, form)) return *e;
        r.set_channel(form.s_ch ? static_cast<std::uint8_t>(*form.s_ch & 0xFF) : std::uint8_t{0});
    }
    QByteArray text;
    if (auto e = RecordText(r.ap_name(), form.e_apname, form, ApConfigRecord::kApNameMax,
                            QStringLiteral("e_apname"), text)) {
        return *e;
    }
    r.set_ap_name(text);
    if (auto e = RecordText(r.ssid(), form.e_essid, form, ApConfigRecord::kSsidMax,
                            QStringLiteral("e_essid"), text)) {
        return *e;
    }
    r.set_ssid(text);
    if (form.w_rb_key >= 0 && form.w_rb_key < ApConfigRecord::kWepKeys) {
        r.set_wep_default_key(static_cast<std::uint8_t>(form.w_rb_key));
    }
    if (auto e = BuildWep(r, form)) return *e;
    if (auto e = BuildAuthentication(r, form)) return *e;
    if (auto e = BuildOpMode(r, form)) return *e;
    if (auto e = BuildAdvanced(r, form)) return *e;
    if (auto e = BuildDot1x(r, form)) return *e;
    return r;
}

ApConfigRecord WithLogin(const ApConfigRecord& record, QByteArrayView user, QByteArrayView pass) {
    ApConfigRecord out = record;
    out.set_mgmt_user(user);
    out.set_mgmt_pass(pass);
    return out;
}

}  // namespace tern::record
