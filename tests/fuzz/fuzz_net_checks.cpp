// The MAC and IPv4 text parsers and the form's field checks, given any
// strings. Input: NUL-separated UTF-8 strings; the first one's bytes also
// set the form's switches.
#include <QStringList>
#include <array>
#include <cstdint>
#include <limits>

#include "core/record/net_types.h"
#include "core/rules/validation.h"
#include "tests/fuzz/fuzz_support.h"

using namespace tern;
using fuzz::Check;

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The documented forms, read the plain way, to hold the parsers against.
std::optional<qint64> ReferenceDecimal(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    qint64 value = 0;
    for (QChar c : text) {
        if (!IsDigit(c)) return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) {
            value = std::numeric_limits<qint64>::max();
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

std::optional<record::Ipv4Address> ReferenceIpv4(const QString& text) {
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4) return std::nullopt;
    record::Ipv4Address address{};
    for (int i = 0; i < 4; ++i) {
        const QString& part = parts[i];
        if (part.isEmpty() || part.size() > 3) return std::nullopt;
        const std::optional<qint64> v = ReferenceDecimal(part);
        if (!v || *v > 255) return std::nullopt;
        address[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*v);
    }
    return address;
}

void CheckParsers(const QString& s) {
    Check(rules::DecimalValue(s) == ReferenceDecimal(s), "DecimalValue disagrees");

    const std::optional<record::Ipv4Address> ip = record::ParseIpv4(s);
    Check(ip == ReferenceIpv4(s), "ParseIpv4 disagrees");
    if (ip) Check(record::ParseIpv4(record::Ipv4Text(*ip)) == ip, "Ipv4Text does not read back");

    if (const std::optional<record::MacAddress> mac = record::ParseMacText(s)) {
        Check(record::MacText(*mac) == s.toUpper(), "a parsed MAC does not print as it was");
    }

    for (const rules::NumericField& field : rules::NumericFields()) {
        const rules::FieldCheck c = rules::CheckNumericField(field.name, s, field.max, field.min);
        Check(c.passed() == c.message.empty(), "a range error without a message");
        Check(c.passed() == c.field.isEmpty(), "a range error that names no field");
        if (c.passed()) {
            Check(s.isEmpty() || rules::DecimalValue(s).has_value(), "a non-number in range");
        }
    }
    for (const char16_t* name : {u"e_beacon", u"e_rts", u"e_frag", u"e_dtim"}) {
        const rules::FieldCheck c = rules::CheckNumericField(name, s, 2432, 1);
        Check(c.passed() == c.message.empty(), "a range error without a message");
    }
    (void)rules::IsMaskOctet(s);
    Check(!rules::StripBlanks(s).contains(u' '), "a blank left after stripping");

    const rules::FieldCheck mac = rules::CheckRemoteMac(s, true);
    Check(mac.passed() == mac.message.empty(), "remote MAC check counts its messages wrong");

    for (const QChar key : {QChar(u'7'), QChar(u'\r'), QChar(u'x')}) {
        const rules::NumericKey k = rules::ClassifyNumericKey(key, s, s.size() / 2, 3);
        if (k.action == rules::NumericKey::Action::Complete) {
            Check(k.completed == s + key, "a completing digit changed the text");
        }
    }
}

std::array<QString, 4> Row(const QStringList& parts, qsizetype& next) {
    std::array<QString, 4> row;
    for (QString& octet : row) octet = next < parts.size() ? parts[next++] : QString();
    return row;
}

QString Next(const QStringList& parts, qsizetype& next) {
    return next < parts.size() ? parts[next++] : QString();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::Bytes(data, size);
    const QStringList parts = fuzz::Strings(input);
    for (const QString& s : parts) CheckParsers(s);

    // Every whole-form check over a form holding the same strings.
    const auto bit = [&](std::size_t n) {
        return n / 8 < size && (data[n / 8] >> (n % 8) & 1) != 0;
    };
    rules::FormValues v;
    qsizetype next = 0;
    v.op_mode[static_cast<std::size_t>(size % 5)] = true;
    v.encryption = bit(0);
    v.auth = static_cast<int>(size % 6) - 1;
    v.hex = bit(1);
    v.fixed_ip = bit(2);
    v.dot1x = bit(3);
    v.multi = bit(4);
    v.dhcp_server_on = bit(5);
    v.record_encoding = bit(6) ? text::TextEncoding::ShiftJis : text::TextEncoding::Windows1252;
    v.ip = Row(parts, next);
    v.mask = Row(parts, next);
    v.gateway = Row(parts, next);
    v.dhcp_from = Row(parts, next);
    v.dhcp_to = Row(parts, next);
    v.radius_ip = Row(parts, next);
    v.key_text = Row(parts, next);
    for (std::size_t k = 0; k < 4; ++k) {
        v.key_selected[k] = bit(8 + k);
        v.key_kept[k] = bit(12 + k);
        v.key_bytes[k] = bit(16 + k) ? 13 : 5;
    }
    v.remote_mac = Next(parts, next);
    v.passphrase = Next(parts, next);
    v.confirmation = bit(7) ? v.passphrase : Next(parts, next);
    v.shared1 = Next(parts, next);
    v.port1 = Next(parts, next);
    v.dhcp_start = Next(parts, next);
    v.record_texts.push_back(
        {QStringLiteral("e_apname"), rules::kApPage, Next(parts, next), 31, bit(20)});
    v.record_texts.push_back(
        {QStringLiteral("e_essid"), rules::kApPage, Next(parts, next), 32, bit(21)});

    const rules::ApplyCheckResult r = rules::RunApplyChecks(v);
    Check(r.page >= -1 && r.page <= rules::kDot1xPage, "a check names no page");
    Check(r.passed() || !r.messages.empty() || r.failed == rules::ApplyCheck::RemoteMac,
          "a failed check without a message");
    (void)rules::GatewayInSubnet(v);
    (void)rules::InSubnet(v.dhcp_start, v.ip, v.mask);
    return 0;
}
