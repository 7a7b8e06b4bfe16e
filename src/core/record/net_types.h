#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>

namespace tern::record {

// Six bytes in transmission order.
using MacAddress = std::array<std::uint8_t, 6>;
// Four bytes, first octet first: 192.168.1.250 is C0 A8 01 FA.
using Ipv4Address = std::array<std::uint8_t, 4>;

// "00-1A-2B-3C-4D-5E": two upper-case hexadecimal digits per byte joined by
// "-", always 17 characters. This text is the key by which APs are told apart.
QString MacText(const MacAddress& mac);

// The address in the first six bytes (the engine keeps a refusing AP's
// MAC as such bytes); missing ones are 0. MacBytes is the inverse.
MacAddress MacFromBytes(QByteArrayView bytes);
QByteArray MacBytes(const MacAddress& mac);

// The value of a hexadecimal digit (0-9, A-F, a-f): 0..15, or -1 for any
// other character.
int HexDigitValue(QChar c);

// Accepts exactly the MacText form (hexadecimal digits in either case);
// anything else, surrounding blanks included, gives nullopt.
std::optional<MacAddress> ParseMacText(QStringView text);

// Dotted decimal, "192.168.1.250".
QString Ipv4Text(const Ipv4Address& address);

// Four decimal octets 0..255 of one to three digits each, joined by ".".
// Leading zeros are read as decimal ("010" is 10). No signs, blanks or
// empty octets.
std::optional<Ipv4Address> ParseIpv4(QStringView text);

}  // namespace tern::record
