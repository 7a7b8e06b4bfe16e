#include "core/record/net_types.h"

namespace tern::record {

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

}  // namespace

int HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

MacAddress MacFromBytes(QByteArrayView bytes) {
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size() && static_cast<qsizetype>(i) < bytes.size(); ++i) {
        mac[i] = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(i)]);
    }
    return mac;
}

QByteArray MacBytes(const MacAddress& mac) {
    return QByteArray(reinterpret_cast<const char*>(mac.data()),
                      static_cast<qsizetype>(mac.size()));
}

QString MacText(const MacAddress& mac) {
    QString text;
    text.reserve(17);
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i > 0) text.append(u'-');
        text.append(QLatin1Char(kUpperHexDigits[mac[i] >> 4]));
        text.append(QLatin1Char(kUpperHexDigits[mac[i] & 0x0F]));
    }
    return text;
}

std::optional<MacAddress> ParseMacText(QStringView text) {
    if (text.size() != 17) return std::nullopt;
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const qsizetype at = static_cast<qsizetype>(i) * 3;
        if (i > 0 && text[at - 1] != u'-') return std::nullopt;
        const int high = HexDigitValue(text[at]);
        const int low = HexDigitValue(text[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

QString Ipv4Text(const Ipv4Address& address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address[0])
        .arg(address[1])
        .arg(address[2])
        .arg(address[3]);
}

std::optional<Ipv4Address> ParseIpv4(QStringView text) {
    Ipv4Address address{};
    std::size_t octet = 0;
    int value = 0;
    int digits = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'.') {
            if (digits == 0 || value > 255 || octet >= address.size()) return std::nullopt;
            address[octet++] = static_cast<std::uint8_t>(value);
            value = 0;
            digits = 0;
            continue;
        }
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9' || digits == 3) return std::nullopt;
        value = value * 10 + (u - u'0');
        ++digits;
    }
    if (octet != address.size()) return std::nullopt;
    return address;
}

}  // namespace tern::record
