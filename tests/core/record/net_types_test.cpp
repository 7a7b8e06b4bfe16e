#include "core/record/net_types.h"

#include <gtest/gtest.h>

namespace tern::record {
namespace {

TEST(NetTypes, macText_upperCaseDashedAndRoundTrips) {
    const MacAddress mac{0x00, 0x1A, 0x2B, 0xC3, 0xD4, 0xFF};
    EXPECT_EQ(MacText(mac), QStringLiteral("00-1A-2B-C3-D4-FF"));
    EXPECT_EQ(ParseMacText(MacText(mac)), mac);
    EXPECT_EQ(ParseMacText(u"00-1a-2b-c3-d4-ff"), mac);
    EXPECT_EQ(MacText(MacAddress{}), QStringLiteral("00-00-00-00-00-00"));
}

TEST(NetTypes, parseMacText_rejectsOtherForms) {
    EXPECT_FALSE(ParseMacText(u"").has_value());
    EXPECT_FALSE(ParseMacText(u"00-1A-2B-C3-D4-F").has_value());
    EXPECT_FALSE(ParseMacText(u"00-1A-2B-C3-D4-FF0").has_value());
    EXPECT_FALSE(ParseMacText(u"00:1A:2B:C3:D4:FF").has_value());
    EXPECT_FALSE(ParseMacText(u"00-1A-2B-C3-D4-FG").has_value());
    EXPECT_FALSE(ParseMacText(u" 0-1A-2B-C3-D4-FF").has_value());
    EXPECT_FALSE(ParseMacText(u"001A-2B-C3-D4-FF-").has_value());
}

TEST(NetTypes, ipv4_dottedDecimalRoundTrips) {
    const Ipv4Address address{192, 168, 1, 250};
    EXPECT_EQ(Ipv4Text(address), QStringLiteral("192.168.1.250"));
    EXPECT_EQ(ParseIpv4(u"192.168.1.250"), address);
    EXPECT_EQ(ParseIpv4(u"0.0.0.0"), (Ipv4Address{0, 0, 0, 0}));
    EXPECT_EQ(ParseIpv4(u"255.255.255.255"), (Ipv4Address{255, 255, 255, 255}));
    EXPECT_EQ(ParseIpv4(u"010.0.0.1"), (Ipv4Address{10, 0, 0, 1}));
}

TEST(NetTypes, parseIpv4_rejectsMalformedText) {
    for (const char16_t* text :
         {u"", u"1.2.3", u"1.2.3.4.5", u"256.1.1.1", u"1..2.3", u"1.2.3.4 ", u" 1.2.3.4",
          u"-1.2.3.4", u"+1.2.3.4", u"0001.2.3.4", u"1.2.3.", u"a.b.c.d", u"1.2.3.999"}) {
        EXPECT_FALSE(ParseIpv4(QStringView(text)).has_value())
            << QStringView(text).toString().toStdString();
    }
}

}  // namespace
}  // namespace tern::record
