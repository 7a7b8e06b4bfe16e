#include "core/form/form_model.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/form/control_state.h"
#include "core/form/record_view.h"
#include "core/record/ap_config_record.h"
#include "core/record/code_tables.h"
#include "core/record/net_types.h"
#include "core/rules/key_text.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "core/text/screen_text.h"

namespace tern::form {

namespace {

constexpr std::array<std::uint8_t, 3> kDot1xKeyLengths = {5, 13, 29};
constexpr std::array<std::uint32_t, 6> kDot1xLifetimes = {86400, 28800, 3600, 1800, 900, 300};

std::array<QString, 4> Octets(const record::Ipv4Address& a) {
    return {QString::number(a[0]), QString::number(a[1]), QString::number(a[2]),
            QString::number(a[3])};
}

int IndexOf(auto list, auto value) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == value) return static_cast<int>(i);
    }
    return -1;
}

// ---------------------------------------------------------------- values

std::optional<bool> Bool(const QString& v) {
    const QString t = v.toLower();
    if (t == u"1" || t == u"true" || t == u"on" || t == u"yes") return true;
    if (t == u"0" || t == u"false" || t == u"off" || t == u"no") return false;
    return std::nullopt;
}

std::optional<int> Number(const QString& v, int min, int max) {
    const std::optional<qint64> n = rules::DecimalValue(v);
    if (!n || *n < min || *n > max) return std::nullopt;
    return static_cast<int>(*n);
}

SetResult Refused(const QString& name, const QString& value, const QString& wants) {
    return {SetRule::WrongForm, name, value, wants, {}, {}};
}

// A field rule in words: `part` is what the rule read ("octet 2 (300)", or
// the whole value); min and max are the field's limits.
QString FieldWords(const rules::FieldCheck& c, const QString& part, qint64 min, qint64 max) {
    // "octet 2 (300)" is short; a typed value may be any length.
    const QString what = text::Abbreviated(part);
    switch (c.rule) {
        case rules::CheckRule::OutOfRange:
            return what + QStringLiteral(" is not from %1 to %2").arg(min).arg(max);
        case rules::CheckRule::OddFragment:
            return what + QStringLiteral(" is odd; the threshold must be even");
        case rules::CheckRule::ReservedFirstOctet:
            return what + QStringLiteral(" is reserved (127 loopback, 224 multicast)");
        case rules::CheckRule::MaskOctet:
            return what + QStringLiteral(
                              " is not a mask octet (0, 128, 192, 224, 240, 248, 252, 254 or 255)");
        default:
            return what + QStringLiteral(" is refused");
    }
}

SetResult FieldRefused(const QString& name, const QString& value, const rules::FieldCheck& check,
                       const QString& words) {
    return {SetRule::FieldRule, name, value, {}, check, words};
}

SetResult Unknown(const QString& name) { return {SetRule::UnknownName, name, {}, {}, {}, {}}; }

// Four octets typed into a row of the form's numeric fields, each taken as
// leaving that field takes it (range, mask octet).
SetResult SetAddress(std::array<QString, 4>& row, const QString& fieldStem, const QString& name,
                     const QString& value) {
    const QStringList parts = value.split(u'.');
    if (parts.size() != 4) return Refused(name, value, QStringLiteral("four octets a.b.c.d"));
    std::array<QString, 4> octets;
    for (int i = 0; i < 4; ++i) {
        const QString field = fieldStem + QString::number(i + 1);
        const rules::NumericField* f = rules::FindNumericField(field);
        const QString& text = parts[i];
        if (text.isEmpty() || !rules::DecimalValue(text)) {
            return Refused(name, value, QStringLiteral("decimal octets"));
        }
        if (f != nullptr) {
            const QString part = QStringLiteral("octet %1 (%2)").arg(i + 1).arg(text);
            if (const rules::FieldCheck c = rules::CheckNumericField(field, text, f->max, f->min);
                !c.passed()) {
                return FieldRefused(name, value, c, FieldWords(c, part, f->min, f->max));
            }
            if (f->maskOctet) {
                if (const rules::FieldCheck c = rules::CheckMaskOctet(field, text); !c.passed()) {
                    return FieldRefused(name, value, c, FieldWords(c, part, 0, 255));
                }
            }
        }
        octets[static_cast<std::size_t>(i)] = text;
    }
    row = octets;
    return {};
}

// One of the advanced settings, checked as the advanced dialog checks it.
SetResult SetAdvanced(QString& target, QStringView field, int min, int max, const QString& name,
                      const QString& value) {
    if (!rules::DecimalValue(value)) return Refused(name, value, QStringLiteral("a whole number"));
    if (const rules::FieldCheck c = rules::CheckNumericField(field, value, max, min); !c.passed()) {
        return FieldRefused(name, value, c, FieldWords(c, value, min, max));
    }
    target = value;
    return {};
}

// A list entry by its number or, case aside, its English text.
std::optional<int> Entry(const QString& value, std::initializer_list<const char*> texts) {
    int i = 0;
    for (const char* t : texts) {
        if (value.compare(QLatin1StringView(t), Qt::CaseInsensitive) == 0) return i;
        ++i;
    }
    return Number(value, 0, static_cast<int>(texts.size()) - 1);
}

void EmptyKeys(record::FormSettings& f) {
    f.e_key = {};
    f.key_edited.fill(true);
    f.key_starred.fill(false);
}

// A click on the encryption box: the hex representation, keys flagged; off
// also chooses the first authentication type.
void SwitchEncryption(record::FormSettings& f, bool on) {
    if (on == f.chb_encry) return;
    f.chb_encry = on;
    if (!f.w_r_hex) EmptyKeys(f);
    f.w_r_hex = true;
    f.key_edited.fill(true);
    if (!on) f.s_auth = 0;
}

}  // namespace

// ---------------------------------------------------------------- the shown form

ShownRecord ShownRecordOf(const record::ApConfigRecord& r, text::TextEncoding encoding,
                          int authChoices) {
    ShownRecord shown;
    record::FormSettings& f = shown.form;
    f = record::DefaultFormSettings();
    f.text_from_record = [encoding](QByteArrayView bytes) {
        return text::RecordTextToScreen(bytes, encoding);
    };
    f.text_to_record = [encoding](const QString& text) {
        return text::ScreenTextToRecord(text, encoding);
    };
    const auto text = [encoding](const QByteArray& b) {
        return text::RecordTextToScreen(b, encoding);
    };

    f.Chk_8021x = r.dot1x_on();
    f.c_8_keylength = IndexOf(kDot1xKeyLengths, r.dot1x_key_len());
    f.c_8_lifetime = IndexOf(kDot1xLifetimes, r.dot1x_key_lifetime());
    f.e_8_port = {QString::number(r.radius_port(0)), QString::number(r.radius_port(1))};
    f.e_8_shared = {text(r.radius_secret(0)), text(r.radius_secret(1))};
    f.e_8_ip = Octets(r.radius_ip(0));
    f.e_8_ipS = Octets(r.radius_ip(1));

    f.i_r_dhcp = !r.ip_mode();
    f.e_ip = Octets(r.ip_addr());
    f.e_submask = Octets(r.subnet_mask());
    f.e_gateway = Octets(r.gateway());
    f.chB_dhcp_srv = r.dhcp_server_on();
    const record::Ipv4Address start = r.dhcp_pool_start();
    f.e_dhcp_from = Octets(start);
    f.e_dhcp_to = Octets(start);
    f.e_dhcp_to[3] = QString::number(DhcpPoolEnd(start[3], r.dhcp_pool_size()));
    f.e_dns = Octets(r.dns_server());

    shown.status_ip = f.i_r_dhcp ? record::Ipv4Text(r.current_ip())
                                 : QStringList(f.e_ip.begin(), f.e_ip.end()).join(u'.');

    f.e_apname = text(r.ap_name());
    f.e_essid = text(r.ssid());
    shown.mac = record::MacText(r.mac_addr());
    shown.list_cells = ListCellTexts(r, encoding, authChoices);
    f.s_ch.reset();
    const record::RegDomain* domain = record::FindRegDomain(r.reg_domain());
    shown.domain = domain;
    shown.channel_text = ChannelText(r.channel());
    if (const std::optional<QString>& channel = shown.channel_text; channel && domain) {
        bool ok = false;
        const int c = channel->toInt(&ok);
        if (ok && c >= domain->first_channel && c <= domain->last_channel) f.s_ch = c;
    }
    if (r.wep_default_key() > 3) shown.stop = ShowStop::BeforeDefaultKey;

    const int auth = r.auth_type();
    f.s_auth = auth < authChoices ? auth : -1;
    f.wpa_m_p = text(r.wpa_passphrase());
    f.wpa_m_p_hint.clear();
    const bool wpa = f.s_auth == record::kAuthWpa || f.s_auth == record::kAuthWpaPsk;
    shown.wep_in_use = WepInUse(f.s_auth, r.wep_on());
    f.chb_encry = shown.wep_in_use || wpa;
    f.w_rb_key = r.wep_default_key() <= 3 ? r.wep_default_key() : -1;
    f.w_r_hex = r.wep_key_format() == 0;
    f.s_wep_1 = 0;
    f.key_hint = {};
    f.e_key = {};
    f.key_edited = {};
    f.key_starred = {};
    if (f.chb_encry && !WepInUse(f.s_auth, r.wep_on())) {
        // WPA: the window's length list keeps whatever the AP shown before
        // left in it; here it is this AP's own, so an apply that changes
        // something else writes the key length back as it was.
        f.s_wep_1 = r.wep_key_len() == record::kWepKeyLen64    ? 0
                    : r.wep_key_len() == record::kWepKeyLen128 ? 1
                                                               : -1;
    }
    shown.wep_length_known = r.wep_key_len() == record::kWepKeyLen64 ||
                             r.wep_key_len() == record::kWepKeyLen128 ||
                             r.wep_key_len() == record::kWepKeyLenWide;
    if (!shown.wep_in_use) {
        shown.status_wep = f.s_auth == record::kAuthWpa      ? QStringLiteral("WPA")
                           : f.s_auth == record::kAuthWpaPsk ? QStringLiteral("WPA-PSK")
                                                             : QStringLiteral("Disable");
    } else if (r.wep_key_len() == record::kWepKeyLen64) {
        shown.status_wep = QStringLiteral("64 bits");
    } else if (r.wep_key_len() == record::kWepKeyLen128) {
        shown.status_wep = QStringLiteral("128 bits");
    } else if (r.wep_key_len() == record::kWepKeyLenWide) {
        shown.status_wep = QStringLiteral("256 bits");
    }
    if (shown.wep_in_use) {
        for (int k = 0; k < 4; ++k) {
            QByteArray key;
            switch (r.wep_key_len()) {
                case record::kWepKeyLen64:
                    f.s_wep_1 = 0;
                    key = r.wep64_key(k);
                    break;
                case record::kWepKeyLen128:
                    f.s_wep_1 = 1;
                    key = r.wep128_key(k);
                    break;
                case record::kWepKeyLenWide:
                    f.s_wep_1 = 2;
                    key = r.wep_wide_shown_key(k);
                    break;
                default:
                    break;
            }
            const auto i = static_cast<std::size_t>(k);
            f.key_hint[i] = rules::BytesToHexText(key);
            f.e_key[i] = rules::StarRow(f.key_hint[i].size());
            f.key_starred[i] = !f.e_key[i].isEmpty();
        }
    }

    f.r_apmode = record::FindOpMode(r.op_mode()) != nullptr ? r.op_mode() : -1;
    if (shown.stop == ShowStop::None && OpModeStopsShow(r.op_mode())) {
        shown.stop = ShowStop::BeforeRemoteMac;
    }
    f.e_rm_mac = record::MacText(r.remote_mac());

    const int extended = record::IsExtendedMode(r.mode_bits()) ? 1 : 0;
    f.s_extended = extended;
    const int rate = record::TxRateIndex(r.tx_rate());
    shown.tx_rate_known = rate >= 0;
    if (shown.tx_rate_known) f.more_rate = rate;
    if (extended == 1) f.more_rate = 0;
    f.flag_word_state = r.flag_word() == 0 ? 1 : 0;
    f.more_wds = r.wds() != 0 ? 1 : 0;
    f.more_bcast = r.ssid_hidden() ? 1 : 0;
    f.more_txpower = r.tx_power();
    f.more_11g_only = r.g_only();
    f.more_beacon = QString::number(r.beacon_interval());
    f.more_rts = QString::number(r.rts_threshold());
    f.more_frag = QString::number(r.frag_threshold());
    f.more_dtim = QString::number(r.dtim_period());
    // The window leaves its turbo choice as it was while the extended mode
    // hides the AP's; here there is nothing before, so it is the AP's own
    // even then, and no choice at all for a pattern the list does not know:
    // an apply writes the AP's turbo mode back unchanged.
    f.more_superg = record::TurboIndex(r);
    shown.turbo_listed = extended == 0 && f.more_superg >= 0;
    return shown;
}

record::FormSettings ShownForm(const record::ApConfigRecord& r, text::TextEncoding encoding) {
    return ShownRecordOf(r, encoding).form;
}

rules::FormValues FormValuesOf(const record::FormSettings& f, const record::ApConfigRecord& shown,
                               text::TextEncoding encoding, bool multi) {
    rules::FormValues v;
    for (std::size_t i = 0; i < v.op_mode.size(); ++i)
        v.op_mode[i] = f.r_apmode == static_cast<int>(i);
    v.remote_mac = f.e_rm_mac;
    v.encryption = f.chb_encry;
    v.auth = f.s_auth;
    v.hex = f.w_r_hex;
    // No length: every key that is not empty fails its length check.
    const int bytes = KeyBytesForLength(f.s_wep_1).value_or(0);
    for (std::size_t i = 0; i < 4; ++i) {
        v.key_selected[i] = f.w_rb_key == static_cast<int>(i);
        v.key_bytes[i] = bytes;
        const bool kept = (!f.key_edited[i] || f.key_starred[i]) && !f.key_hint[i].isEmpty();
        v.key_kept[i] = kept;
        if (kept && f.w_r_hex) {
            v.key_text[i] = rules::SignificantKeyText(f.key_hint[i], true);
        } else if (kept) {
            const std::optional<QString> ascii = rules::AsciiKeyFromHexPairs(f.key_hint[i], bytes);
            const qsizetype n = ascii ? ascii->size() : 0;
            v.key_text[i] = (n == 5 || n == 13 || n == 29) ? *ascii : QString();
        } else {
            v.key_text[i] = rules::SignificantKeyText(f.e_key[i], f.w_r_hex);
        }
    }
    v.passphrase = f.wpa_m_p;
    v.confirmation = f.wpa_m_p;
    v.fixed_ip = !f.i_r_dhcp;
    v.ip = f.e_ip;
    v.mask = f.e_submask;
    v.gateway = f.e_gateway;
    v.dhcp_from = f.e_dhcp_from;
    v.dhcp_to = f.e_dhcp_to;
    v.dot1x = f.Chk_8021x;
    v.shared1 = f.e_8_shared[0];
    v.port1 = f.e_8_port[0];
    v.radius_ip = f.e_8_ip;

    using Record = record::ApConfigRecord;
    v.record_encoding = encoding;
    const auto add = [&](const char* field, int page, const QString& text, int max,
                         const QByteArray& current) {
        const bool asShown = text::RecordTextToScreen(current, encoding) == text;
        v.record_texts.push_back({QString::fromLatin1(field), page, text, max, asShown});
    };
    add("e_apname", rules::kApPage, f.e_apname, Record::kApNameMax, shown.ap_name());
    add("e_essid", rules::kApPage, f.e_essid, Record::kSsidMax, shown.ssid());
    if (f.s_auth == 3) {
        add("wpa_m_p", rules::kWepPage, f.wpa_m_p, Record::kWpaPassphraseMax,
            shown.wpa_passphrase());
    }
    add("e_8_shared1", rules::kDot1xPage, f.e_8_shared[0], Record::kRadiusSecretMax,
        shown.radius_secret(0));
    add("e_8_shared2", rules::kDot1xPage, f.e_8_shared[1], Record::kRadiusSecretMax,
        shown.radius_secret(1));
    v.multi = multi;
    return v;
}

void TakeDhcpServer(rules::FormValues& values, const record::ApConfigRecord& built) {
    constexpr qsizetype kDhcpServerOnOffset = 120;
    values.dhcp_start.clear();
    for (const std::uint8_t octet : built.dhcp_pool_start()) {
        values.dhcp_start += QString::number(octet) + u'.';
    }
    values.dhcp_server_on = built.bytes()[kDhcpServerOnOffset] == 1;
}

// ---------------------------------------------------------------- setting by name

QStringList SettableNames() {
    return {QStringLiteral("ap_name"),
            QStringLiteral("ssid"),
            QStringLiteral("channel"),
            QStringLiteral("op_mode"),
            QStringLiteral("remote_mac"),
            QStringLiteral("ip_mode"),
            QStringLiteral("ip_address"),
            QStringLiteral("subnet_mask"),
            QStringLiteral("gateway"),
            QStringLiteral("dhcp_server.enabled"),
            QStringLiteral("dhcp_server.start"),
            QStringLiteral("dhcp_server.end_last_octet"),
            QStringLiteral("dhcp_server.dns"),
            QStringLiteral("encryption"),
            QStringLiteral("auth_type"),
            QStringLiteral("wep_key_length"),
            QStringLiteral("wep_key_format"),
            QStringLiteral("wep_default_key"),
            QStringLiteral("wep_keys.1"),
            QStringLiteral("wep_keys.2"),
            QStringLiteral("wep_keys.3"),
            QStringLiteral("wep_keys.4"),
            QStringLiteral("wpa_passphrase"),
            QStringLiteral("dot1x"),
            QStringLiteral("dot1x_key_length"),
            QStringLiteral("dot1x_key_lifetime"),
            QStringLiteral("radius_servers.1.ip"),
            QStringLiteral("radius_servers.1.port"),
            QStringLiteral("radius_servers.1.shared_secret"),
            QStringLiteral("radius_servers.2.ip"),
            QStringLiteral("radius_servers.2.port"),
            QStringLiteral("radius_servers.2.shared_secret"),
            QStringLiteral("beacon_interval"),
            QStringLiteral("rts_threshold"),
            QStringLiteral("frag_threshold"),
            QStringLiteral("dtim_period"),
            QStringLiteral("ssid_broadcast"),
            QStringLiteral("tx_rate"),
            QStringLiteral("tx_power"),
            QStringLiteral("g_only"),
            QStringLiteral("super_g"),
            QStringLiteral("wds"),
            QStringLiteral("extended_mode")};
}

namespace {

// Edits (insert, delete, replace, swap two neighbours) from `a` to `b`.
int EditDistance(QStringView a, QStringView b) {
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<std::vector<int>> d(static_cast<std::size_t>(n + 1),
                                    std::vector<int>(static_cast<std::size_t>(m + 1)));
    const auto at = [&d](qsizetype i, qsizetype j) -> int& {
        return d[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    };
    for (qsizetype i = 0; i <= n; ++i) at(i, 0) = static_cast<int>(i);
    for (qsizetype j = 0; j <= m; ++j) at(0, j) = static_cast<int>(j);
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(n, m);
}

}  // namespace

QString NearestSetting(const QString& name) {
    // Names are short; anything much longer is no typo of one.
    if (name.isEmpty() || name.size() > 64) return {};
    const QString lower = name.toLower();
    const int limit = lower.size() <= 4 ? 1 : 2;
    QString best;
    int bestDistance = limit + 1;
    for (const QString& candidate : SettableNames()) {
        const int d = EditDistance(lower, candidate);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best;
}

QString ControlCharacterWords(QChar c, qsizetype at) {
    const QString code = QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral(
               "holds the control character U+%1 at position %2; a setting takes "
               "printable text only")
        .arg(code)
        .arg(at + 1);
}

QString RefusalText(const SetResult& r) {
    switch (r.rule) {
        case SetRule::None:
            return {};
        case SetRule::UnknownName:
            if (const QString near = NearestSetting(r.name); !near.isEmpty()) {
                return text::VisibleText(r.name) +
                       QStringLiteral(" is not a setting; did you mean ") + near + u'?';
            }
            return text::VisibleText(r.name) + QStringLiteral(" is not a setting; see show --json");
        case SetRule::PerApSetting:
            return r.name + QStringLiteral(" is each AP's own; name one AP to change it");
        case SetRule::WrongForm:
            return r.name + QStringLiteral(" wants ") + r.wants + QStringLiteral(", not '") +
                   text::Abbreviated(r.value) + QStringLiteral("'");
        case SetRule::FieldRule:
            return r.name + QStringLiteral(" '") + text::Abbreviated(r.value) +
                   QStringLiteral("': ") + r.words + QStringLiteral(" (\"") +
                   rules::CheckMessageText(text::BuiltInEnglish(), r.check.message)
                       .text.simplified() +
                   QStringLiteral("\")");
        case SetRule::ControlCharacter:
            return r.name + u' ' + ControlCharacterWords(r.character, r.position);
    }
    return {};  // not reached
}

SetResult SetNamed(record::FormSettings& f, const record::ApConfigRecord& shown,
                   const QString& name, const QString& value, bool multi) {
    static const QStringList perAp = {QStringLiteral("channel"), QStringLiteral("ip_mode"),
                                      QStringLiteral("ip_address"), QStringLiteral("subnet_mask"),
                                      QStringLiteral("gateway")};
    if (multi && (perAp.contains(name) || name.startsWith(u"dhcp_server."))) {
        return {SetRule::PerApSetting, name, value, {}, {}, {}};
    }
    if (const std::optional<qsizetype> at = text::FirstControlCharacter(value)) {
        SetResult r{SetRule::ControlCharacter, name, value, {}, {}, {}};
        r.position = *at;
        r.character = value[*at];
        return r;
    }
    if (name == u"ap_name") {
        f.e_apname = value;
    } else if (name == u"ssid") {
        f.e_essid = value;
    } else if (name == u"channel") {
        const record::RegDomain* domain = record::FindRegDomain(shown.reg_domain());
        const std::optional<int> c =
            domain ? Number(value, domain->first_channel, domain->last_channel) : std::nullopt;
        if (!c) return Refused(name, value, QStringLiteral("a channel of the AP's domain"));
        f.s_ch = *c;
    } else if (name == u"op_mode") {
        const std::optional<int> m =
            Entry(value, {"Access Point", "Access Point Client", "Wireless Bridge",
                          "Multiple Bridge", "Repeat Mode"});
        if (!m) return Refused(name, value, QStringLiteral("0..4 or a mode's name"));
        f.r_apmode = *m;
    } else if (name == u"remote_mac") {
        // Six pairs, by '-' as shown or ':' as the rest of the world writes
        // them; a short pair is refused, never read as 0-padded.
        const QChar separator = value.contains(u':') ? u':' : u'-';
        const QStringList pairs = value.split(separator);
        const bool six =
            pairs.size() == 6 && std::all_of(pairs.begin(), pairs.end(), [](const QString& p) {
                return p.size() == 2 && rules::FilterWepKeyChar(p[0], true) &&
                       rules::FilterWepKeyChar(p[1], true);
            });
        if (!six) {
            return Refused(name, value,
                           QStringLiteral("six pairs of hexadecimal digits, as 00-11-22-33-44-55 "
                                          "or 00:11:22:33:44:55"));
        }
        f.e_rm_mac = pairs.join(u'-').toUpper();
    } else if (name == u"ip_mode") {
        const QString t = value.toLower();
        if (t == u"fixed" || t == u"fixed ip" || t == u"1") {
            f.i_r_dhcp = false;
        } else if (t == u"dhcp" || t == u"dhcp client" || t == u"0") {
            f.i_r_dhcp = true;
        } else {
            return Refused(name, value, QStringLiteral("fixed or dhcp"));
        }
    } else if (name == u"ip_address") {
        return SetAddress(f.e_ip, QStringLiteral("e_ip_"), name, value);
    } else if (name == u"subnet_mask") {
        return SetAddress(f.e_submask, QStringLiteral("e_submask_"), name, value);
    } else if (name == u"gateway") {
        return SetAddress(f.e_gateway, QStringLiteral("e_gateway_"), name, value);
    } else if (name == u"dhcp_server.enabled") {
        const std::optional<bool> b = Bool(value);
        if (!b) return Refused(name, value, QStringLiteral("true or false"));
        f.chB_dhcp_srv = *b;
    } else if (name == u"dhcp_server.start") {
        const SetResult r = SetAddress(f.e_dhcp_from, QStringLiteral("e_dhcp_from_"), name, value);
        // The record keeps a start and a size: the range's end shares the
        // start's first three octets, as showing a record puts them.
        if (r.passed()) std::copy_n(f.e_dhcp_from.begin(), 3, f.e_dhcp_to.begin());
        return r;
    } else if (name == u"dhcp_server.end_last_octet") {
        const rules::NumericField* field = rules::FindNumericField(u"e_dhcp_to_4");
        if (!rules::DecimalValue(value))
            return Refused(name, value, QStringLiteral("a whole number"));
        if (const rules::FieldCheck c =
                rules::CheckNumericField(field->name, value, field->max, field->min);
            !c.passed()) {
            return FieldRefused(name, value, c, FieldWords(c, value, field->min, field->max));
        }
        f.e_dhcp_to[3] = value;
    } else if (name == u"dhcp_server.dns") {
        return SetAddress(f.e_dns, QStringLiteral("e_dns_"), name, value);
    } else if (name == u"encryption") {
        const std::optional<bool> b = Bool(value);
        if (!b) return Refused(name, value, QStringLiteral("on or off"));
        SwitchEncryption(f, *b);
    } else if (name == u"auth_type") {
        const std::optional<int> a = Entry(value, {"Open System", "Shared Key", "WPA", "WPA-PSK"});
        if (!a) return Refused(name, value, QStringLiteral("0..3 or a type's name"));
        // The window offers the type only with encryption on, and shows an
        // AP with WPA as encrypted: WPA with encryption off would be sent as
        // a record the window never writes, read back as encrypted.
        if (*a == record::kAuthWpa || *a == record::kAuthWpaPsk) SwitchEncryption(f, true);
        f.s_auth = *a;
    } else if (name == u"wep_key_length") {
        const std::optional<int> bits = Number(value, 64, 128);
        if (!bits || (*bits != 64 && *bits != 128))
            return Refused(name, value, QStringLiteral("64 or 128"));
        const int index = *bits == 64 ? 0 : 1;
        if (index != f.s_wep_1) {
            f.s_wep_1 = index;  // a new length empties the four keys
            EmptyKeys(f);
        }
    } else if (name == u"wep_key_format") {
        const QString t = value.toLower();
        if (t != u"hex" && t != u"ascii")
            return Refused(name, value, QStringLiteral("hex or ascii"));
        if ((t == u"hex") != f.w_r_hex) {
            f.w_r_hex = t == u"hex";  // a change of representation empties the keys
            EmptyKeys(f);
        }
    } else if (name == u"wep_default_key") {
        const std::optional<int> k = Number(value, 1, 4);
        if (!k) return Refused(name, value, QStringLiteral("1..4"));
        f.w_rb_key = *k - 1;
    } else if (name.startsWith(u"wep_keys.")) {
        const std::optional<int> k = Number(name.mid(9), 1, 4);
        if (!k) return Unknown(name);
        const auto i = static_cast<std::size_t>(*k - 1);
        if (f.w_r_hex) {
            for (QChar c : value) {
                if (!rules::FilterWepKeyChar(c, true)) {
                    return Refused(name, value, QStringLiteral("hexadecimal digits"));
                }
            }
        }
        f.e_key[i] = f.w_r_hex ? value.toUpper() : value;
        f.key_edited[i] = true;
        f.key_starred[i] = false;
    } else if (name == u"wpa_passphrase") {
        // 64 characters are the key itself, which WPA takes only as hex.
        const bool hexKey = value.size() == 64 &&
                            std::all_of(value.begin(), value.end(),
                                        [](QChar c) { return rules::FilterWepKeyChar(c, true); });
        if (value.size() > 63 && !hexKey) {
            return Refused(name, value,
                           QStringLiteral("8 to 63 characters, or 64 hexadecimal digits"));
        }
        f.wpa_m_p = value;
    } else if (name == u"dot1x") {
        const std::optional<bool> b = Bool(value);
        if (!b) return Refused(name, value, QStringLiteral("true or false"));
        f.Chk_8021x = *b;
    } else if (name == u"dot1x_key_length") {
        const std::optional<int> n = Number(value, 0, 255);
        const int i = n ? IndexOf(kDot1xKeyLengths, static_cast<std::uint8_t>(*n)) : -1;
        if (i < 0) return Refused(name, value, QStringLiteral("5, 13 or 29"));
        f.c_8_keylength = i;
    } else if (name == u"dot1x_key_lifetime") {
        const std::optional<int> n = Number(value, 0, 86400);
        const int i = n ? IndexOf(kDot1xLifetimes, static_cast<std::uint32_t>(*n)) : -1;
        if (i < 0)
            return Refused(name, value, QStringLiteral("86400, 28800, 3600, 1800, 900 or 300"));
        f.c_8_lifetime = i;
    } else if (name.startsWith(u"radius_servers.")) {
        const QStringList parts = name.split(u'.');
        const std::optional<int> n = parts.size() == 3 ? Number(parts[1], 1, 2) : std::nullopt;
        if (!n) return Unknown(name);
        const auto i = static_cast<std::size_t>(*n - 1);
        if (parts[2] == u"ip") {
            return SetAddress(*n == 1 ? f.e_8_ip : f.e_8_ipS,
                              *n == 1 ? QStringLiteral("e_8_ip") : QStringLiteral("e_8_ipS"), name,
                              value);
        }
        if (parts[2] == u"port") {
            if (!rules::DecimalValue(value))
                return Refused(name, value, QStringLiteral("a whole number"));
            if (const rules::FieldCheck c =
                    rules::CheckNumericField(QStringLiteral("e_8_port%1").arg(*n), value, 65535, 0);
                !c.passed()) {
                return FieldRefused(name, value, c, FieldWords(c, value, 0, 65535));
            }
            f.e_8_port[i] = value;
        } else if (parts[2] == u"shared_secret") {
            f.e_8_shared[i] = value;
        } else {
            return Unknown(name);
        }
    } else if (name == u"beacon_interval") {
        return SetAdvanced(f.more_beacon, u"e_beacon", 20, 1000, name, value);
    } else if (name == u"rts_threshold") {
        return SetAdvanced(f.more_rts, u"e_rts", 256, 2432, name, value);
    } else if (name == u"frag_threshold") {
        return SetAdvanced(f.more_frag, u"e_frag", 1500, 2346, name, value);
    } else if (name == u"dtim_period") {
        return SetAdvanced(f.more_dtim, u"e_dtim", 1, 255, name, value);
    } else if (name == u"ssid_broadcast") {
        const std::optional<bool> b = Bool(value);
        if (!b) return Refused(name, value, QStringLiteral("true or false"));
        f.more_bcast = *b ? 0 : 1;
    } else if (name == u"tx_rate") {
        const std::optional<int> code = Number(value, 0, 255);
        const int index = code ? record::TxRateIndex(static_cast<std::uint8_t>(*code)) : -1;
        if (index < 0)
            return Refused(name, value, QStringLiteral("a rate code (0, 2, 4, 11, ..., 108)"));
        f.more_rate = index;
    } else if (name == u"tx_power") {
        const std::optional<int> p = Entry(value, {"Full", "Half", "Quarter", "Eighth", "Minimum"});
        if (!p)
            return Refused(name, value,
                           QStringLiteral("0..4 or Full, Half, Quarter, Eighth, Minimum"));
        f.more_txpower = *p;
    } else if (name == u"g_only") {
        const std::optional<bool> b = Bool(value);
        if (!b) return Refused(name, value, QStringLiteral("true or false"));
        f.more_11g_only = *b ? 1 : 0;
    } else if (name == u"super_g") {
        // The names show --json gives the entries, or their position.
        const std::optional<int> t = Entry(value, {"Disabled", "SuperG without Turbo",
                                                   "SuperG Dynamic Turbo", "SuperG Static Turbo"});
        if (!t) return Refused(name, value, QStringLiteral("0..3 or a turbo mode's name"));
        f.more_superg = *t;
    } else if (name == u"wds") {
        const std::optional<int> w = Number(value, 0, 1);
        if (!w) return Refused(name, value, QStringLiteral("0 or 1"));
        f.more_wds = *w;
    } else if (name == u"extended_mode") {
        const std::optional<bool> b = Bool(value);
        if (!b) return Refused(name, value, QStringLiteral("true or false"));
        f.s_extended = *b ? 1 : 0;
    } else {
        return Unknown(name);
    }
    return {};
}

}  // namespace tern::form
