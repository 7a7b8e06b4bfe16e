#include "core/rules/validation.h"

#include <QList>
#include <limits>

#include "core/text/language_text.h"
#include "core/text/messages.h"

namespace tern::rules {

namespace {

constexpr int kMinPassphrase = 8;
constexpr qint64 kHuge = std::numeric_limits<qint64>::max();

constexpr NumericField kNumericFields[] = {
    {u"e_ip_1", 223, 1, 3, kIpPage, false},         {u"e_ip_2", 255, 0, 3, kIpPage, false},
    {u"e_ip_3", 255, 0, 3, kIpPage, false},         {u"e_ip_4", 254, 1, 3, kIpPage, false},
    {u"e_submask_1", 255, 0, 3, kIpPage, true},     {u"e_submask_2", 255, 0, 3, kIpPage, true},
    {u"e_submask_3", 255, 0, 3, kIpPage, true},     {u"e_submask_4", 255, 0, 3, kIpPage, true},
    {u"e_gateway_1", 255, 0, 3, kIpPage, false},    {u"e_gateway_2", 255, 0, 3, kIpPage, false},
    {u"e_gateway_3", 255, 0, 3, kIpPage, false},    {u"e_gateway_4", 254, 0, 3, kIpPage, false},
    {u"e_dhcp_from_1", 223, 1, 3, kIpPage, false},  {u"e_dhcp_from_2", 255, 0, 3, kIpPage, false},
    {u"e_dhcp_from_3", 255, 0, 3, kIpPage, false},  {u"e_dhcp_from_4", 254, 1, 3, kIpPage, false},
    {u"e_dhcp_to_1", 223, 1, 3, kIpPage, false},    {u"e_dhcp_to_2", 255, 0, 3, kIpPage, false},
    {u"e_dhcp_to_3", 255, 0, 3, kIpPage, false},    {u"e_dhcp_to_4", 254, 1, 3, kIpPage, false},
    {u"e_dns_1", 223, 0, 3, kIpPage, false},        {u"e_dns_2", 255, 0, 3, kIpPage, false},
    {u"e_dns_3", 255, 0, 3, kIpPage, false},        {u"e_dns_4", 254, 1, 3, kIpPage, false},
    {u"e_8_ip1", 223, 1, 3, kDot1xPage, false},     {u"e_8_ip2", 255, 0, 3, kDot1xPage, false},
    {u"e_8_ip3", 255, 0, 3, kDot1xPage, false},     {u"e_8_ip4", 254, 1, 3, kDot1xPage, false},
    {u"e_8_ipS1", 223, 1, 3, kDot1xPage, false},    {u"e_8_ipS2", 255, 0, 3, kDot1xPage, false},
    {u"e_8_ipS3", 255, 0, 3, kDot1xPage, false},    {u"e_8_ipS4", 254, 0, 3, kDot1xPage, false},
    {u"e_8_port1", 65535, 0, 5, kDot1xPage, false}, {u"e_8_port2", 65535, 0, 5, kDot1xPage, false},
};

constexpr QStringView kIp1Fields[] = {u"e_ip_1",        u"e_8_ip1",     u"e_8_ipS1",
                                      u"e_dhcp_from_1", u"e_dhcp_to_1", u"e_dns_1"};
constexpr QStringView kIp4Fields[] = {u"e_ip_4",        u"e_8_ip4",     u"e_8_ipS4",
                                      u"e_dhcp_from_4", u"e_dhcp_to_4", u"e_dns_4"};

constexpr int kMaskOctets[] = {0, 128, 192, 224, 240, 248, 252, 254, 255};

// An octet field's value as the builder takes it (low eight bits); empty
// counts as 0 only where the check says so.
std::optional<int> OctetValue(QStringView text, bool emptyIsZero) {
    if (text.isEmpty()) {
        return emptyIsZero ? std::optional<int>(0) : std::nullopt;
    }
    const std::optional<qint64> v = DecimalValue(text);
    if (!v) {
        return std::nullopt;
    }
    return static_cast<int>(*v & 0xFF);
}

// A number text with its leading zeros gone, so that "00" compares as "0";
// anything else stays as it is.
QString Normalised(const QString& text) {
    const std::optional<qint64> v = DecimalValue(text);
    return v ? QString::number(*v) : text;
}

QString AndBits(const QString& a, const QString& b) {
    QString out(a.size(), u'0');
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] == u'1' && b[i] == u'1') out[i] = u'1';
    }
    return out;
}

QString FieldName(const char16_t* prefix, int n) {
    return QString::fromUtf16(prefix) + QString::number(n);
}

void Fail(ApplyCheckResult& r, ApplyCheck check, CheckMessage message, int page) {
    r.failed = check;
    r.messages.push_back(message);
    r.page = page;
}

CheckMessage Error(const text::ErrorMessage& m) { return CheckMessage{&m, nullptr, 0, {}}; }
CheckMessage Paired(const text::PairedMessage& m) { return CheckMessage{nullptr, &m, 0, {}}; }

}  // namespace

// ---------------------------------------------------------------- numbers

std::optional<qint64> DecimalValue(QStringView text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c.unicode() - u'0';
        if (value > (kHuge - digit) / 10) {
            value = kHuge;  // keep reading: a later non-digit still fails
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

namespace {

// The message of a value below the minimum or above the maximum. Every kind
// is named and there is no default, so a kind added later without its
// message is a compiler warning instead of a value that passes.
const text::ErrorMessage& OutOfRangeMessage(NumberKind kind) {
    switch (kind) {
        case NumberKind::Ip:
            return text::kMsgErrIp;
        case NumberKind::Ip1:
            return text::kMsgErrIp1Rang;
        case NumberKind::Ip4:
            return text::kMsgErrIp4Rang;
        case NumberKind::Gateway4:
            return text::kMsgErrGateway4Rang;
        case NumberKind::Port:
            return text::kMsgErrPortRang;
        case NumberKind::Beacon:
            return text::kMsgErrEBeacon;
        case NumberKind::Rts:
            return text::kMsgErrERts;
        case NumberKind::Frag:
            return text::kMsgErrEFragRang;
        case NumberKind::Dtim:
            return text::kMsgErrEDtim;
    }
    return text::kMsgErrIp;  // not reached
}

FieldCheck OutOfRange(NumberKind kind) {
    return {CheckRule::OutOfRange, {}, Error(OutOfRangeMessage(kind))};
}

}  // namespace

FieldCheck CheckRange(NumberKind kind, qint64 value, qint64 max, qint64 min) {
    if (value < min || value > max) {
        return OutOfRange(kind);
    }
    if (kind == NumberKind::Frag && value % 2 != 0) {
        return {CheckRule::OddFragment, {}, Error(text::kMsgErrEFragEven)};
    }
    if (kind == NumberKind::Ip1 && (value == 127 || value == 224)) {
        return {CheckRule::ReservedFirstOctet, {}, Error(text::kMsgErrFixIp1)};
    }
    return {};
}

FieldCheck CheckRange(NumberKind kind, QStringView text, qint64 max, qint64 min) {
    if (text.isEmpty()) {
        return CheckRange(kind, qint64{0}, max, min);
    }
    const std::optional<qint64> value = DecimalValue(text);
    if (!value) {
        // Not a number: out of range whatever the limits are. No value is
        // made up for it, since min - 1 or max + 1 does not exist for every
        // pair of limits.
        return OutOfRange(kind);
    }
    return CheckRange(kind, *value, max, min);
}

FieldCheck CheckNumericField(QStringView fieldName, QStringView text, qint64 max, qint64 min) {
    FieldCheck check = CheckRange(NumberKindOfField(fieldName), text, max, min);
    if (!check.passed()) check.field = fieldName.toString();
    return check;
}

NumberKind NumberKindOfField(QStringView name) {
    if (name == u"e_beacon") return NumberKind::Beacon;
    if (name == u"e_rts") return NumberKind::Rts;
    if (name == u"e_frag") return NumberKind::Frag;
    if (name == u"e_dtim") return NumberKind::Dtim;
    if (name == u"e_gateway_4") return NumberKind::Gateway4;
    if (name == u"e_8_port1" || name == u"e_8_port2") return NumberKind::Port;
    for (QStringView f : kIp1Fields) {
        if (name == f) return NumberKind::Ip1;
    }
    for (QStringView f : kIp4Fields) {
        if (name == f) return NumberKind::Ip4;
    }
    return NumberKind::Ip;
}

std::span<const NumericField> NumericFields() { return kNumericFields; }

const NumericField* FindNumericField(QStringView name) {
    for (const NumericField& f : kNumericFields) {
        if (f.name == name) return &f;
    }
    return nullptr;
}

NumericKey ClassifyNumericKey(QChar key, QStringView text, qsizetype selectionLength,
                              int maxLength) {
    if (key == u'\r') return {NumericKey::Action::Enter, {}};
    if (key == u'\b') return {NumericKey::Action::Pass, {}};
    if (key < u'0' || key > u'9') return {NumericKey::Action::Drop, {}};
    if (text.size() - selectionLength >= maxLength - 1) {
        return {NumericKey::Action::Complete, text.toString() + key};
    }
    return {NumericKey::Action::Pass, {}};
}

QString TextAfterRangeError(QStringView fieldName) {
    return fieldName == u"e_ip_1" ? QStringLiteral("223") : QString();
}

QString EmptyMaskTextOnExit(QStringView fieldName) {
    return fieldName == u"e_submask_4" ? QStringLiteral("0") : QStringLiteral("255");
}

bool IsMaskOctet(QStringView text) {
    const std::optional<qint64> v = DecimalValue(text);
    if (!v) return false;
    for (int octet : kMaskOctets) {
        if (*v == octet) return true;
    }
    return false;
}

FieldCheck CheckMaskOctet(QStringView fieldName, QStringView text) {
    if (fieldName == u"e_submask_4" || IsMaskOctet(text)) return {};
    return {CheckRule::MaskOctet, fieldName.toString(), Error(text::kMsgErrSubnet)};
}

// ---------------------------------------------------------------- text rules

QString StripBlanks(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c != u' ' && c != u'\u3000') out.append(c);
    }
    return out;
}

QString OctetBits(int value) {
    QString bits(8, u'0');
    for (int i = 0; i < 8; ++i) {
        if ((value >> (7 - i)) & 1) bits[i] = u'1';
    }
    return bits;
}

// ---------------------------------------------------------------- messages

text::MessageText CheckMessageText(const text::LanguageText& language,
                                   const CheckMessage& message) {
    if (message.wep_key > 0) {
        const text::MessageText first = text::LookupMessage(language, text::kMsgErrWepKeyStr1);
        const text::MessageText second = text::LookupMessage(language, text::kMsgErrWepKeyStr2);
        const text::MessageText caption = text::LookupMessage(language, text::kMsgErrWepKey);
        return text::MessageText{first.text + QString::number(message.wep_key) + u' ' + second.text,
                                 caption.caption};
    }
    text::MessageText text;
    if (message.error != nullptr) text = text::LookupMessage(language, *message.error);
    if (message.paired != nullptr) text = text::LookupMessage(language, *message.paired);
    if (!message.detail.isEmpty()) text.text += QStringLiteral("\r\n") + message.detail;
    return text;
}

// ---------------------------------------------------------------- sub-checks

FieldCheck CheckRemoteMac(QStringView text, bool bridgeMode) {
    const auto refused = [](CheckRule rule, int caret) {
        return FieldCheck{rule, QStringLiteral("e_rm_mac"), Error(text::kMsgErrMacValue), caret};
    };
    QString work = text.toString() + u'-';
    for (int pair = 0; pair < 6; ++pair) {
        const qsizetype dash = work.indexOf(u'-');
        const QString part = dash < 0 ? work : work.left(dash);
        bool ok = !part.isEmpty();
        for (QChar c : part) {
            ok = ok &&
                 ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'));
        }
        if (!ok) {
            const qsizetype blank = part.indexOf(u' ');
            return refused(CheckRule::RemoteMacPair,
                           blank < 0 ? 0 : 3 * pair + static_cast<int>(blank));
        }
        work = dash < 0 ? QString() : work.mid(dash + 1);
    }
    if (text == u"00-00-00-00-00-00" && bridgeMode) {
        return refused(CheckRule::RemoteMacZero, 0);
    }
    return {};
}

FieldCheck CheckWepKeys(const FormValues& v) {
    const auto keyField = [](int k) { return QStringLiteral("e_key%1").arg(k + 1); };
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (v.key_selected[i] && v.key_text[i].isEmpty()) {
            return {CheckRule::WepKeyEmpty, keyField(k), Error(text::kMsgChkNull)};
        }
    }
    for (int k = 0; k < 4; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString& content = v.key_text[i];
        bool error = false;
        if (v.hex) {
            const QString s = StripBlanks(content);
            error = s.isEmpty() ? !content.isEmpty() : s.size() != 2 * v.key_bytes[i];
        } else if (!content.isEmpty()) {
            // Bytes, not characters: a typed key is written in the code page
            // (a Japanese character takes two), a kept key is its bytes.
            qsizetype bytes = content.size();
            if (!v.key_kept[i]) {
                const std::optional<QByteArray> encoded =
                    text::ScreenTextToRecord(content, v.record_encoding);
                bytes = encoded ? encoded->size() : -1;
            }
            error = bytes != v.key_bytes[i];
        }
        if (error) {
            return {CheckRule::WepKeyLength, keyField(k),
                    CheckMessage{nullptr, nullptr, k + 1, {}}};
        }
    }
    return {};
}

FieldCheck CheckSubnetMask(const std::array<QString, 4>& mask) {
    const QString m1 = Normalised(mask[0]), m2 = Normalised(mask[1]), m3 = Normalised(mask[2]),
                  m4 = Normalised(mask[3]);
    const QString all = QStringLiteral("255"), zero = QStringLiteral("0");
    bool valid = false;
    if (m1 == all && m2 == all && m3 == all) {
        valid = m4 != all && m4 != QStringLiteral("254");
    } else if (m1 == all && m2 == all) {
        valid = m4 == zero;
    } else if (m1 == all) {
        valid = m3 == zero && m4 == zero;
    } else if (m1 == zero) {
        valid = false;
    } else {
        valid = m2 == zero && m3 == zero && m4 == zero;
    }
    if (valid) return {};
    return {CheckRule::SubnetMaskShape, {}, Error(text::kMsgErrSubnet)};
}

FieldCheck CheckIpAddress(const std::array<QString, 4>& ip) {
    const QString i1 = Normalised(ip[0]), i2 = Normalised(ip[1]), i3 = Normalised(ip[2]),
                  i4 = Normalised(ip[3]);
    const QString all = QStringLiteral("255"), zero = QStringLiteral("0");
    const bool bad = i1.isEmpty() || i1 == zero ||
                     (i1 == all && i2 == all && i3 == all && i4 == all) || i4 == zero || i4 == all;
    if (!bad) return {};
    return {CheckRule::IpAddressShape, {}, Error(text::kMsgErrIp1IpCheck)};
}

bool InSubnet(QStringView address, const std::array<QString, 4>& ip,
              const std::array<QString, 4>& mask) {
    const QList<QStringView> parts = address.split(u'.');
    QString net1;
    QString masked;
    for (int n = 0; n < 4; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const std::optional<int> a =
            n < parts.size() ? OctetValue(parts[n], true) : std::optional<int>(0);
        const std::optional<int> p = OctetValue(ip[i], false);
        const std::optional<int> m = OctetValue(mask[i], false);
        if (!a || !p || !m) return false;
        const QString maskBits = OctetBits(*m);
        net1 += AndBits(OctetBits(*p), maskBits);
        masked += AndBits(OctetBits(*a), maskBits);
    }
    return net1 == masked;
}

FieldCheck CheckDhcpRange(const FormValues& v) {
    const CheckMessage message = Error(text::kMsgErrIp1DhcpRange);
    QString end;
    for (const QString& octet : v.dhcp_to) {
        end += (octet.isEmpty() ? QStringLiteral("0") : octet) + u'.';
    }
    if (!InSubnet(end, v.ip, v.mask)) return {CheckRule::DhcpEndOutsideSubnet, {}, message};
    const std::optional<int> from = OctetValue(v.dhcp_from[3], true);
    if (!from) return {CheckRule::NotANumber, QStringLiteral("e_dhcp_from_4"), message};
    const std::optional<int> to = OctetValue(v.dhcp_to[3], true);
    if (!to) return {CheckRule::NotANumber, QStringLiteral("e_dhcp_to_4"), message};
    if (*to < *from) return {CheckRule::DhcpEndBelowStart, QStringLiteral("e_dhcp_to_4"), message};
    return {};
}

FieldCheck GatewayInSubnet(const FormValues& v) {
    // In DHCP mode the address fields are not in use: nothing to convert.
    if (!v.fixed_ip) return {};
    QString badField;
    quint32 ip = 0, gw = 0, mask = 0;
    const auto read = [&](const std::array<QString, 4>& row, const char16_t* prefix, quint32& out) {
        for (int n = 0; n < 4; ++n) {
            const std::optional<int> octet = OctetValue(row[static_cast<std::size_t>(n)], false);
            if (!octet) {
                badField = FieldName(prefix, n + 1);
                return false;
            }
            out = (out << 8) | static_cast<quint32>(*octet);
        }
        return true;
    };
    if (!read(v.ip, u"e_ip_", ip) || !read(v.mask, u"e_submask_", mask) ||
        !read(v.gateway, u"e_gateway_", gw)) {
        return {CheckRule::NotANumber, badField, Error(text::kMsgErrDomain)};
    }
    if (gw == 0 || (ip & mask) == (gw & mask)) return {};
    return {CheckRule::GatewayOutsideSubnet, {}, Error(text::kMsgErrDomain)};
}

// ---------------------------------------------------------------- the apply

ApplyCheckResult CheckApplyPreconditions(const FormValues& v) {
    ApplyCheckResult r;
    const bool plainMode = v.op_mode[0] || v.op_mode[1] || v.op_mode[3] || v.op_mode[4];
    FieldCheck mac;
    if (!plainMode) {
        mac = CheckRemoteMac(v.remote_mac, v.op_mode[2]);
        if (!mac.passed()) r.messages.push_back(mac.message);
    }
    if (v.auth == 3 &&
        (v.confirmation.size() < kMinPassphrase || v.passphrase.size() < kMinPassphrase)) {
        Fail(r, ApplyCheck::PassphraseLength, Paired(text::kMsgNoSelect1), -1);
        return r;
    }
    bool dot1x = v.dot1x;
    if (!dot1x && v.auth == 3) {
        r.messages.push_back(Paired(text::kMsgNoSelect3));
        r.check_dot1x = true;
        dot1x = true;
    }
    if (!dot1x && v.auth == 2) {
        Fail(r, ApplyCheck::WpaNeedsDot1x, Paired(text::kMsgNoSelect4), kDot1xPage);
        r.check_dot1x = true;
        return r;
    }
    if (v.passphrase != v.confirmation) {
        Fail(r, ApplyCheck::PassphraseMismatch, Paired(text::kMsgNoSelect2), -1);
        return r;
    }
    if (!mac.passed()) {
        r.failed = ApplyCheck::RemoteMac;
        r.page = kApPage;
        r.focus = mac.field;
        r.caret = mac.caret;
        return r;
    }
    ApplyCheckResult texts = CheckRecordTexts(v);
    if (!texts.passed()) {
        texts.messages.insert(texts.messages.begin(), r.messages.begin(), r.messages.end());
        texts.check_dot1x = r.check_dot1x;
        return texts;
    }
    return r;
}

ApplyCheckResult CheckRecordTexts(const FormValues& v) {
    ApplyCheckResult r;
    const auto fail = [&r](ApplyCheck check, const text::ErrorMessage& message, int page,
                           const QString& field, const QString& text) {
        CheckMessage m = Error(message);
        m.detail = text;
        Fail(r, check, m, page);
        r.focus = field;
    };
    for (const RecordTextField& t : v.record_texts) {
        if (t.as_shown) continue;
        const std::optional<QByteArray> bytes = text::ScreenTextToRecord(t.text, v.record_encoding);
        if (!bytes) {
            fail(ApplyCheck::TextCodePage, text::kMsgErrCharset, t.page, t.field, t.text);
            return r;
        }
        if (bytes->size() > t.max_bytes) {
            fail(ApplyCheck::TextTooLong, text::kMsgErrTextLength, t.page, t.field, t.text);
            return r;
        }
    }
    // Typed ASCII keys are checked for their length in bytes later; a
    // character the code page lacks has no length to check.
    if (v.encryption && (v.auth == 0 || v.auth == 1) && !v.hex) {
        for (int k = 0; k < 4; ++k) {
            const auto i = static_cast<std::size_t>(k);
            if (v.key_kept[i] || v.key_text[i].isEmpty()) continue;
            if (!text::ScreenTextToRecord(v.key_text[i], v.record_encoding)) {
                fail(ApplyCheck::TextCodePage, text::kMsgErrCharset, kWepPage,
                     QStringLiteral("e_key%1").arg(k + 1), v.key_text[i]);
                return r;
            }
        }
    }
    return r;
}

ApplyCheckResult ValidateSettings(const FormValues& v) {
    ApplyCheckResult r;
    const FieldCheck gateway = GatewayInSubnet(v);
    const bool single = !v.multi;

    if (v.encryption && (v.auth == 0 || v.auth == 1)) {
        if (const FieldCheck keys = CheckWepKeys(v); !keys.passed()) {
            Fail(r,
                 keys.rule == CheckRule::WepKeyEmpty ? ApplyCheck::WepKeyEmpty
                                                     : ApplyCheck::WepKeyLength,
                 keys.message, kWepPage);
            return r;
        }
    }
    if (single && v.fixed_ip) {
        if (const FieldCheck c = CheckSubnetMask(v.mask); !c.passed()) {
            Fail(r, ApplyCheck::SubnetMask, c.message, kIpPage);
            return r;
        }
        if (const FieldCheck c = CheckIpAddress(v.ip); !c.passed()) {
            Fail(r, ApplyCheck::IpAddress, c.message, kIpPage);
            return r;
        }
    }
    if (single && v.fixed_ip && v.dhcp_server_on) {
        if (const FieldCheck c = CheckDhcpRange(v); !c.passed()) {
            Fail(r, ApplyCheck::DhcpRange, c.message, kIpPage);
            return r;
        }
        if (!InSubnet(v.dhcp_start, v.ip, v.mask)) {
            Fail(r, ApplyCheck::DhcpRange, Error(text::kMsgErrIpDomainDhcpRange), kIpPage);
            return r;
        }
    }
    if (!gateway.passed()) {
        Fail(r, ApplyCheck::GatewaySubnet, gateway.message, kIpPage);
        r.focus = gateway.field;  // empty for a gateway outside the subnet
        return r;
    }
    if (v.dot1x && v.auth != 3) {
        r.zero_empty_radius = true;
        const std::optional<qint64> port = DecimalValue(v.port1);
        const bool e1 = v.shared1.isEmpty() || !port || *port == 0;
        const auto radiusOctet = [](const QString& t) {
            return OctetValue(t, true).value_or(0);  // a non-number counts as missing
        };
        const bool e2 = radiusOctet(v.radius_ip[0]) == 0 || radiusOctet(v.radius_ip[3]) == 0;
        if (e1 || e2) {
            Fail(r, ApplyCheck::RadiusServer,
                 Error(e2 ? text::kMsgErrIp1Radius : text::kMsgErrRadius1), kDot1xPage);
            return r;
        }
    }
    const QString& g4 = v.gateway[3];
    if (g4 == u"0" || g4 == u"00" || g4 == u"000") {
        bool allZero = true;
        for (int n = 0; n < 3; ++n) {
            // A field that holds no number is not zero.
            const std::optional<qint64> g = DecimalValue(v.gateway[static_cast<std::size_t>(n)]);
            allZero = allZero && g && *g == 0;
        }
        if (!allZero) {
            Fail(r, ApplyCheck::GatewayLastOctet, Error(text::kMsgErrGateway), kIpPage);
            r.focus = QStringLiteral("e_gateway_4");
            r.clear_focus = true;
            return r;
        }
    }
    return r;
}

ApplyCheckResult RunApplyChecks(const FormValues& values) {
    ApplyCheckResult pre = CheckApplyPreconditions(values);
    if (!pre.passed()) return pre;
    FormValues next = values;
    next.dot1x = values.dot1x || pre.check_dot1x;
    ApplyCheckResult r = ValidateSettings(next);
    r.messages.insert(r.messages.begin(), pre.messages.begin(), pre.messages.end());
    r.check_dot1x = pre.check_dot1x;
    return r;
}

}  // namespace tern::rules
