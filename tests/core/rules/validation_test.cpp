#include "core/rules/validation.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "core/rules/key_text.h"
#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"

namespace tern::rules {
namespace {

using K = NumberKind;

// The message a range check shows; nullptr when the value passes.
const text::ErrorMessage* Range(NumberKind kind, qint64 value, qint64 max, qint64 min) {
    const FieldCheck c = CheckRange(kind, value, max, min);
    EXPECT_EQ(c.passed(), c.message.empty());  // a refusal always has a message
    return c.message.error;
}
// The same over a field's text.
const text::ErrorMessage* Key(NumberKind kind, const char16_t* text, qint64 max, qint64 min) {
    const FieldCheck c = CheckRange(kind, QStringView(text), max, min);
    EXPECT_EQ(c.passed(), c.message.empty());
    return c.message.error;
}

// ---------------------------------------------------------------- range check

TEST(CheckRange, boundsOfEachKind) {
    EXPECT_EQ(Range(K::Ip1, 1, 223, 1), nullptr);
    EXPECT_EQ(Range(K::Ip1, 223, 223, 1), nullptr);
    EXPECT_EQ(Range(K::Ip1, 0, 223, 1), &text::kMsgErrIp1Rang);
    EXPECT_EQ(Range(K::Ip1, 224, 223, 1), &text::kMsgErrIp1Rang);
    EXPECT_EQ(Range(K::Ip, 256, 255, 0), &text::kMsgErrIp);
    EXPECT_EQ(Range(K::Ip4, 255, 254, 1), &text::kMsgErrIp4Rang);
    const FieldCheck ipS4 = CheckNumericField(u"e_8_ipS4", u"255", 254, 0);
    EXPECT_EQ(ipS4.message.error, &text::kMsgErrIp4Rang);
    EXPECT_EQ(ipS4.field, QStringLiteral("e_8_ipS4"));
    EXPECT_EQ(Range(K::Gateway4, 254, 254, 0), nullptr);
    EXPECT_EQ(Range(K::Gateway4, 255, 254, 0), &text::kMsgErrGateway4Rang);
    EXPECT_EQ(Range(K::Port, 65535, 65535, 0), nullptr);
    EXPECT_EQ(Range(K::Port, 65536, 65535, 0), &text::kMsgErrPortRang);
    EXPECT_EQ(Range(K::Beacon, 0, 1000, 20), &text::kMsgErrEBeacon);
    EXPECT_EQ(Range(K::Rts, 3000, 2432, 256), &text::kMsgErrERts);
    EXPECT_EQ(Range(K::Dtim, 0, 255, 1), &text::kMsgErrEDtim);
}

TEST(CheckRange, everyKindRefusesAValueOutOfRange_andAnUnknownFieldIsAnOctet) {
    // A kind without its own message once let every value through.
    for (const NumberKind kind :
         {K::Ip, K::Ip1, K::Ip4, K::Gateway4, K::Port, K::Beacon, K::Rts, K::Frag, K::Dtim}) {
        const FieldCheck c = CheckRange(kind, 10, 5, 0);
        EXPECT_EQ(c.rule, CheckRule::OutOfRange) << static_cast<int>(kind);
        ASSERT_NE(c.message.error, nullptr) << static_cast<int>(kind);
        bool listed = false;
        for (const text::ErrorMessage& m : text::ErrorMessages())
            listed = listed || m.key == c.message.error->key;
        EXPECT_TRUE(listed) << static_cast<int>(kind);
        EXPECT_EQ(c.message.error->text_default, text::kSettingError);
        EXPECT_EQ(c.message.error->caption_default, text::kMessageCaption);
    }
    const FieldCheck unknown = CheckNumericField(u"something", u"9999", 1, 0);
    EXPECT_EQ(unknown.rule, CheckRule::OutOfRange);
    EXPECT_EQ(unknown.message.error, &text::kMsgErrIp);
    EXPECT_EQ(unknown.field, QStringLiteral("something"));
}

TEST(CheckRange, forbiddenFirstOctetAndOddFragment) {
    EXPECT_EQ(Range(K::Ip1, 127, 223, 1), &text::kMsgErrFixIp1);
    EXPECT_EQ(CheckRange(K::Ip1, 224, 255, 1).rule, CheckRule::ReservedFirstOctet);
    EXPECT_EQ(Range(K::Ip, 127, 255, 0), nullptr);
    EXPECT_EQ(Range(K::Frag, 2347, 2346, 256), &text::kMsgErrEFragRang);
    EXPECT_EQ(Range(K::Frag, 257, 2346, 256), &text::kMsgErrEFragEven);
    EXPECT_EQ(CheckRange(K::Frag, 257, 2346, 256).rule, CheckRule::OddFragment);
    EXPECT_EQ(Range(K::Frag, 2346, 2346, 256), nullptr);
}

TEST(CheckRange, eachNamedFieldIsNamedInItsRefusal_andAPassNamesNone) {
    const FieldCheck frag = CheckNumericField(u"e_frag", u"257", 2346, 256);
    EXPECT_EQ(frag.rule, CheckRule::OddFragment);
    EXPECT_EQ(frag.field, QStringLiteral("e_frag"));
    const FieldCheck first = CheckNumericField(u"e_dhcp_from_1", u"127", 223, 1);
    EXPECT_EQ(first.rule, CheckRule::ReservedFirstOctet);
    EXPECT_EQ(first.field, QStringLiteral("e_dhcp_from_1"));
    const FieldCheck port = CheckNumericField(u"e_8_port2", u"x", 65535, 0);
    EXPECT_EQ(port.message.error, &text::kMsgErrPortRang);
    EXPECT_EQ(port.field, QStringLiteral("e_8_port2"));
    const FieldCheck fine = CheckNumericField(u"e_beacon", u"100", 1000, 20);
    EXPECT_TRUE(fine.passed());
    EXPECT_TRUE(fine.field.isEmpty());
}

TEST(CheckRange, textForms_emptyZeroLeadingZerosGarbageAndHugeNumbers) {
    EXPECT_EQ(Key(K::Ip, u"", 255, 0), nullptr);                 // empty counts as 0
    EXPECT_EQ(Key(K::Ip1, u"", 223, 1), &text::kMsgErrIp1Rang);  // ... which is below 1
    EXPECT_EQ(Key(K::Ip, u"007", 255, 0), nullptr);
    EXPECT_EQ(Key(K::Ip1, u"000000000000000000000000000127", 223, 1), &text::kMsgErrFixIp1);
    EXPECT_EQ(Key(K::Ip, u"12a", 255, 0), &text::kMsgErrIp);
    EXPECT_EQ(Key(K::Ip, u" 12", 255, 0), &text::kMsgErrIp);
    EXPECT_EQ(Key(K::Port, u"-1", 65535, 0), &text::kMsgErrPortRang);
    // never wraps round to a small value
    EXPECT_EQ(Key(K::Port, u"18446744073709551617", 65535, 0), &text::kMsgErrPortRang);
    EXPECT_EQ(Key(K::Ip, u"99999999999999999999999999999999999999", 255, 0), &text::kMsgErrIp);
    EXPECT_EQ(DecimalValue(u"9223372036854775807"), std::numeric_limits<qint64>::max());
    EXPECT_FALSE(DecimalValue(u"99999999999999999999x"));
}

TEST(CheckRange, textThatIsNoNumber_isOutOfRangeForEveryPairOfLimits) {
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    constexpr qint64 highest = std::numeric_limits<qint64>::max();
    // The widest limits the signature allows have no value outside them to
    // stand for the text; the text is still refused, and nothing overflows.
    for (const auto& [max, min] :
         {std::pair{highest, lowest}, std::pair{highest, qint64{0}}, std::pair{qint64{255}, lowest},
          std::pair{qint64{0}, qint64{0}}, std::pair{lowest, highest}}) {
        EXPECT_EQ(Key(K::Ip, u"abc", max, min), &text::kMsgErrIp) << max << " " << min;
        EXPECT_EQ(Key(K::Frag, u"1x", max, min), &text::kMsgErrEFragRang);
        EXPECT_EQ(Key(K::Port, u"-", max, min), &text::kMsgErrPortRang);
    }
    EXPECT_EQ(Key(K::Ip, u"12", highest, lowest), nullptr);
    EXPECT_EQ(Key(K::Ip4, u"99999999999999999999", highest, lowest), nullptr);
}

TEST(NumericFields, kindsAndLimitsByName) {
    EXPECT_EQ(NumberKindOfField(u"e_dns_1"), K::Ip1);
    EXPECT_EQ(NumberKindOfField(u"e_8_ipS4"), K::Ip4);
    EXPECT_EQ(NumberKindOfField(u"e_gateway_4"), K::Gateway4);
    EXPECT_EQ(NumberKindOfField(u"e_8_port2"), K::Port);
    EXPECT_EQ(NumberKindOfField(u"e_submask_1"), K::Ip);
    EXPECT_EQ(NumberKindOfField(u"e_beacon"), K::Beacon);
    EXPECT_EQ(NumericFields().size(), 34u);
    const NumericField* dns1 = FindNumericField(u"e_dns_1");
    ASSERT_NE(dns1, nullptr);
    EXPECT_EQ(dns1->max, 223);
    EXPECT_EQ(dns1->min, 0);
    EXPECT_TRUE(FindNumericField(u"e_submask_3")->maskOctet);
    EXPECT_EQ(FindNumericField(u"e_8_port1")->maxLength, 5);
    EXPECT_EQ(FindNumericField(u"e_8_ipS4")->min, 0);
    EXPECT_EQ(FindNumericField(u"e_key1"), nullptr);
}

TEST(NumericFields, keystrokes_digitsOnly_completingDigitAppended) {
    using A = NumericKey::Action;
    EXPECT_EQ(ClassifyNumericKey(u'a', u"", 0, 3).action, A::Drop);
    EXPECT_EQ(ClassifyNumericKey(u'.', u"1", 0, 3).action, A::Drop);
    EXPECT_EQ(ClassifyNumericKey(u'\b', u"12", 0, 3).action, A::Pass);
    EXPECT_EQ(ClassifyNumericKey(u'\r', u"12", 0, 3).action, A::Enter);
    EXPECT_EQ(ClassifyNumericKey(u'2', u"2", 0, 3).action, A::Pass);
    const NumericKey third = ClassifyNumericKey(u'4', u"22", 0, 3);
    EXPECT_EQ(third.action, A::Complete);
    EXPECT_EQ(third.completed, QStringLiteral("224"));
    EXPECT_EQ(ClassifyNumericKey(u'1', u"255", 3, 3).action, A::Pass);  // replaces the selection
    EXPECT_EQ(ClassifyNumericKey(u'6', u"6553", 0, 5).completed, QStringLiteral("65536"));
}

TEST(NumericFields, exitRules) {
    EXPECT_EQ(TextAfterRangeError(u"e_ip_1"), QStringLiteral("223"));
    EXPECT_TRUE(TextAfterRangeError(u"e_ip_2").isEmpty());
    EXPECT_EQ(EmptyMaskTextOnExit(u"e_submask_4"), QStringLiteral("0"));
    EXPECT_EQ(EmptyMaskTextOnExit(u"e_submask_2"), QStringLiteral("255"));
    for (const char16_t* ok :
         {u"0", u"128", u"192", u"224", u"240", u"248", u"252", u"254", u"255", u"0255"}) {
        EXPECT_TRUE(IsMaskOctet(ok)) << QString::fromUtf16(ok).toStdString();
    }
    for (const char16_t* bad : {u"250", u"1", u"256", u"511", u"", u"x"}) {
        EXPECT_FALSE(IsMaskOctet(bad)) << QString::fromUtf16(bad).toStdString();
    }
    // the fourth mask octet takes any number; the others only a mask octet
    EXPECT_TRUE(CheckMaskOctet(u"e_submask_4", u"250").passed());
    EXPECT_TRUE(CheckMaskOctet(u"e_submask_2", u"252").passed());
    const FieldCheck mask = CheckMaskOctet(u"e_submask_1", u"250");
    EXPECT_EQ(mask.rule, CheckRule::MaskOctet);
    EXPECT_EQ(mask.message.error, &text::kMsgErrSubnet);
    EXPECT_EQ(mask.field, QStringLiteral("e_submask_1"));
}

// ---------------------------------------------------------------- text rules

TEST(TextRules, stripBlanksAndOctetBits) {
    EXPECT_EQ(StripBlanks(u"AA BB\u3000CC"), QStringLiteral("AABBCC"));
    EXPECT_EQ(OctetBits(0), QStringLiteral("00000000"));
    EXPECT_EQ(OctetBits(192), QStringLiteral("11000000"));
    EXPECT_EQ(OctetBits(5), QStringLiteral("00000101"));
}

TEST(KeyText, significantTextOfHexAndAscii) {
    EXPECT_EQ(SignificantKeyText(u"    ", true), QString());
    EXPECT_EQ(SignificantKeyText(u"AA BB __ ", true), QStringLiteral("AABB"));
    EXPECT_EQ(SignificantKeyText(u"a b ", false), QStringLiteral("a b "));
}

TEST(KeyText, filter_hexUpperCasesAndDrops_asciiPassesAll) {
    EXPECT_EQ(FilterWepKeyChar(u'a', true), QChar(u'A'));
    EXPECT_EQ(FilterWepKeyChar(u'F', true), QChar(u'F'));
    EXPECT_EQ(FilterWepKeyChar(u'7', true), QChar(u'7'));
    EXPECT_EQ(FilterWepKeyChar(u'\b', true), QChar(u'\b'));
    EXPECT_EQ(FilterWepKeyChar(u'\r', true), QChar(u'\r'));
    EXPECT_EQ(FilterWepKeyChar(u'g', true), std::nullopt);
    EXPECT_EQ(FilterWepKeyChar(u' ', true), std::nullopt);
    EXPECT_EQ(FilterWepKeyChar(u'g', false), QChar(u'g'));
    EXPECT_EQ(FilterWepKeyChar(u'a', false), QChar(u'a'));
}

TEST(KeyText, hexBytesRoundTripAndAsciiFromPairs) {
    EXPECT_EQ(HexTextToBytes(u"0A ff 10"), QByteArray("\x0A\xFF\x10", 3));
    EXPECT_FALSE(HexTextToBytes(u"0A1"));
    EXPECT_FALSE(HexTextToBytes(u"0G"));
    EXPECT_EQ(BytesToHexText(QByteArray("\x0A\xFF\x10", 3)), QStringLiteral("0AFF10"));
    EXPECT_EQ(AsciiKeyFromHexPairs(u"6162636465", 5), QStringLiteral("abcde"));
    EXPECT_EQ(AsciiKeyFromHexPairs(u"6162006465", 5), QStringLiteral("ab"));  // cut at zero
    EXPECT_FALSE(AsciiKeyFromHexPairs(u"6162", 5));                           // too short
}

TEST(KeyText, effectiveSecret_keptValueOnlyWhileUneditedAndStarred) {
    EXPECT_EQ(EffectiveSecret(u"********", u"secret12", false), QStringLiteral("secret12"));
    EXPECT_EQ(EffectiveSecret(u"********", u"secret12", true), QStringLiteral("********"));
    EXPECT_EQ(EffectiveSecret(u"newpass1", u"secret12", false), QStringLiteral("newpass1"));
    EXPECT_EQ(EffectiveSecret(u"***", u"secret12", false), QStringLiteral("***"));
    EXPECT_EQ(EffectiveSecret(u"", u"", false), QString());
    EXPECT_TRUE(IsStarRow(u"**"));
    EXPECT_FALSE(IsStarRow(u""));
    EXPECT_FALSE(IsStarRow(u"*a"));
}

// ---------------------------------------------------------------- sub-checks

TEST(RemoteMac, pairsBlanksAndAllZero) {
    EXPECT_TRUE(CheckRemoteMac(u"00-11-22-AA-bb-FF", true).passed());
    EXPECT_TRUE(CheckRemoteMac(u"00-11-22-AA-bb-FF", true).message.empty());
    const FieldCheck letter = CheckRemoteMac(u"00-11-2G-33-44-55", true);
    EXPECT_EQ(letter.rule, CheckRule::RemoteMacPair);
    EXPECT_EQ(letter.caret, 0);
    EXPECT_EQ(letter.message.error, &text::kMsgErrMacValue);
    EXPECT_EQ(letter.field, QStringLiteral("e_rm_mac"));
    EXPECT_EQ(CheckRemoteMac(u"00-11-2 -33-44-55", true).caret, 7);
    EXPECT_EQ(CheckRemoteMac(u"00-11- 2-33-44-55", true).caret, 6);
    EXPECT_EQ(CheckRemoteMac(u"  -  -  -  -  -  ", true).caret, 0);
    const FieldCheck zero = CheckRemoteMac(u"00-00-00-00-00-00", true);
    EXPECT_EQ(zero.rule, CheckRule::RemoteMacZero);
    EXPECT_EQ(zero.caret, 0);
    EXPECT_EQ(zero.message.error, &text::kMsgErrMacValue);
    EXPECT_TRUE(CheckRemoteMac(u"00-00-00-00-00-00", false).passed());
}

TEST(SubnetAndAddress, maskShapes) {
    using M = std::array<QString, 4>;
    const auto m = [](const char* a, const char* b, const char* c, const char* d) {
        return M{QString::fromLatin1(a), QString::fromLatin1(b), QString::fromLatin1(c),
                 QString::fromLatin1(d)};
    };
    constexpr CheckRule kMask = CheckRule::SubnetMaskShape;
    EXPECT_TRUE(CheckSubnetMask(m("255", "255", "255", "0")).passed());
    EXPECT_TRUE(CheckSubnetMask(m("255", "0", "0", "0")).passed());
    EXPECT_TRUE(CheckSubnetMask(m("255", "255", "0", "0")).passed());
    EXPECT_EQ(CheckSubnetMask(m("255", "255", "255", "254")).rule, kMask);
    EXPECT_EQ(CheckSubnetMask(m("255", "255", "255", "255")).rule, kMask);
    EXPECT_EQ(CheckSubnetMask(m("0", "0", "0", "0")).rule, kMask);
    EXPECT_EQ(CheckSubnetMask(m("00", "0", "0", "0")).rule, kMask);  // leading zeros are the same 0
    EXPECT_EQ(CheckSubnetMask(m("255", "0", "255", "0")).rule, kMask);
    EXPECT_EQ(CheckSubnetMask(m("255", "255", "0", "255")).rule, kMask);

    constexpr CheckRule kIp = CheckRule::IpAddressShape;
    EXPECT_EQ(CheckIpAddress(m("192", "168", "1", "0")).rule, kIp);
    EXPECT_EQ(CheckIpAddress(m("192", "168", "1", "255")).rule, kIp);
    EXPECT_EQ(CheckIpAddress(m("", "168", "1", "5")).rule, kIp);
    EXPECT_EQ(CheckIpAddress(m("00", "168", "1", "5")).rule,
              kIp);  // first octet 0, however written
    EXPECT_TRUE(CheckIpAddress(m("255", "1", "1", "1")).passed());
    EXPECT_TRUE(CheckIpAddress(m("192", "168", "1", "250")).passed());
}

// ---------------------------------------------------------------- the whole form

// A form that passes every check: fixed address 192.168.1.250/24, gateway
// 192.168.1.1, DHCP server 192.168.1.100..150, WEP 64-bit hex key 1.
FormValues ValidForm() {
    FormValues v;
    v.op_mode[0] = true;
    v.remote_mac = QStringLiteral("  -  -  -  -  -  ");
    v.encryption = true;
    v.auth = 0;
    v.hex = true;
    v.key_selected = {true, false, false, false};
    v.key_text = {QStringLiteral("0102030405"), QString(), QString(), QString()};
    v.key_bytes = {5, 5, 5, 5};
    v.fixed_ip = true;
    v.ip = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
            QStringLiteral("250")};
    v.mask = {QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("255"),
              QStringLiteral("0")};
    v.gateway = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
                 QStringLiteral("1")};
    v.dhcp_from = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
                   QStringLiteral("100")};
    v.dhcp_to = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
                 QStringLiteral("150")};
    v.dhcp_start = QStringLiteral("192.168.1.100.");
    v.dhcp_server_on = true;
    v.dot1x = true;
    v.shared1 = QStringLiteral("radius");
    v.port1 = QStringLiteral("1812");
    v.radius_ip = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
                   QStringLiteral("2")};
    return v;
}

const text::ErrorMessage* OnlyError(const ApplyCheckResult& r) {
    EXPECT_EQ(r.messages.size(), 1u);
    return r.messages.empty() ? nullptr : r.messages.back().error;
}

TEST(ApplyChecks, validForm_passesWithNoMessage) {
    const ApplyCheckResult r = RunApplyChecks(ValidForm());
    EXPECT_TRUE(r.passed());
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.page, -1);
}

TEST(ApplyChecks, preconditions_inOrderWithTheirMessages) {
    FormValues v = ValidForm();
    v.auth = 3;
    v.passphrase = QStringLiteral("1234567");
    v.confirmation = QStringLiteral("1234567");
    ApplyCheckResult r = RunApplyChecks(v);
    EXPECT_EQ(r.failed, ApplyCheck::PassphraseLength);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].paired, &text::kMsgNoSelect1);

    v.auth = 0;  // a short pass phrase matters only for WPA-PSK
    EXPECT_TRUE(RunApplyChecks(v).passed());

    v.auth = 3;
    v.dot1x = false;
    v.passphrase = v.confirmation = QStringLiteral("12345678");
    r = RunApplyChecks(v);
    EXPECT_TRUE(r.passed());  // 802.1X is switched on and the apply goes on
    EXPECT_TRUE(r.check_dot1x);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].paired, &text::kMsgNoSelect3);

    v.auth = 2;
    r = RunApplyChecks(v);
    EXPECT_EQ(r.failed, ApplyCheck::WpaNeedsDot1x);
    EXPECT_EQ(r.page, kDot1xPage);
    EXPECT_TRUE(r.check_dot1x);
    EXPECT_EQ(r.messages.back().paired, &text::kMsgNoSelect4);

    v.dot1x = true;
    v.confirmation = QStringLiteral("12345679");
    r = RunApplyChecks(v);
    EXPECT_EQ(r.failed, ApplyCheck::PassphraseMismatch);
    EXPECT_EQ(r.messages.back().paired, &text::kMsgNoSelect2);
}

TEST(ApplyChecks, remoteMac_messageFirst_pageAndCaretLast) {
    FormValues v = ValidForm();
    v.op_mode = {false, false, true, false, false};
    v.remote_mac = QStringLiteral("00-11-2 -33-44-55");
    ApplyCheckResult r = RunApplyChecks(v);
    EXPECT_EQ(r.failed, ApplyCheck::RemoteMac);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrMacValue);
    EXPECT_EQ(r.page, kApPage);
    EXPECT_EQ(r.focus, QStringLiteral("e_rm_mac"));
    EXPECT_EQ(r.caret, 7);

    // a later precondition that fails ends the apply first, after the MAC message
    v.confirmation = QStringLiteral("other");
    r = RunApplyChecks(v);
    EXPECT_EQ(r.failed, ApplyCheck::PassphraseMismatch);
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[0].error, &text::kMsgErrMacValue);
}

TEST(ApplyChecks, wepKeys_emptySelectedLengthAndBlanks) {
    FormValues v = ValidForm();
    v.key_text[0].clear();
    ApplyCheckResult r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::WepKeyEmpty);
    EXPECT_EQ(OnlyError(r), &text::kMsgChkNull);
    EXPECT_EQ(r.page, kWepPage);

    v = ValidForm();
    v.key_text[2] = QStringLiteral("010203040");  // nine digits
    r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::WepKeyLength);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].wep_key, 3);

    v.key_text[2] = QStringLiteral("   ");  // blanks only
    FieldCheck keys = CheckWepKeys(v);
    EXPECT_EQ(keys.rule, CheckRule::WepKeyLength);
    EXPECT_EQ(keys.field, QStringLiteral("e_key3"));
    EXPECT_EQ(keys.message.wep_key, 3);
    v.key_text[2] = QStringLiteral("01 02 03 04 05");
    EXPECT_TRUE(CheckWepKeys(v).passed());

    v.hex = false;
    v.key_bytes = {13, 13, 13, 13};
    v.key_text = {QStringLiteral("abcdefghijklm"), QStringLiteral("abcdefghijkl"), QString(),
                  QString()};
    keys = CheckWepKeys(v);
    EXPECT_EQ(keys.rule, CheckRule::WepKeyLength);
    EXPECT_EQ(keys.field, QStringLiteral("e_key2"));
    EXPECT_EQ(keys.message.wep_key, 2);
    v.key_text[1].clear();
    EXPECT_TRUE(CheckWepKeys(v).passed());

    v.key_text[0].clear();  // the selected key
    keys = CheckWepKeys(v);
    EXPECT_EQ(keys.rule, CheckRule::WepKeyEmpty);
    EXPECT_EQ(keys.field, QStringLiteral("e_key1"));
    EXPECT_EQ(keys.message.error, &text::kMsgChkNull);

    // keys are not looked at without WEP
    v.key_text[0].clear();
    v.auth = 2;
    EXPECT_NE(ValidateSettings(v).failed, ApplyCheck::WepKeyEmpty);
}

TEST(ApplyChecks, addressChecks_onlyForASingleFixedAddress) {
    FormValues v = ValidForm();
    v.mask[3] = QStringLiteral("254");
    ApplyCheckResult r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::SubnetMask);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrSubnet);
    EXPECT_EQ(r.page, kIpPage);

    v.multi = true;
    v.dhcp_start.clear();
    v.dhcp_server_on = false;
    EXPECT_NE(ValidateSettings(v).failed, ApplyCheck::SubnetMask);

    v = ValidForm();
    v.ip[3] = QStringLiteral("255");
    r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::IpAddress);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrIp1IpCheck);

    v.fixed_ip = false;
    EXPECT_TRUE(ValidateSettings(v).passed());
}

TEST(ApplyChecks, dhcpRange_endInSubnetAndNotBelowStart_startInSubnet) {
    FormValues v = ValidForm();
    v.dhcp_to[3] = v.dhcp_from[3];
    EXPECT_TRUE(ValidateSettings(v).passed());

    v.dhcp_to[3] = QStringLiteral("99");
    ApplyCheckResult r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::DhcpRange);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrIp1DhcpRange);
    const FieldCheck below = CheckDhcpRange(v);
    EXPECT_EQ(below.rule, CheckRule::DhcpEndBelowStart);
    EXPECT_EQ(below.field, QStringLiteral("e_dhcp_to_4"));
    v.dhcp_to[2] = QStringLiteral("2");
    EXPECT_EQ(CheckDhcpRange(v).rule, CheckRule::DhcpEndOutsideSubnet);
    EXPECT_FALSE(InSubnet(u"192.168.2.150.", v.ip, v.mask));
    EXPECT_TRUE(InSubnet(u"192.168.1.7.", v.ip, v.mask));
    EXPECT_FALSE(InSubnet(u"192.168.x.7.", v.ip, v.mask));  // not a number: outside

    v = ValidForm();
    v.dhcp_start = QStringLiteral("10.0.0.100.");
    r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::DhcpRange);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrIpDomainDhcpRange);

    v.dhcp_server_on = false;
    EXPECT_TRUE(ValidateSettings(v).passed());
}

TEST(ApplyChecks, gateway_subnetAndLastOctet) {
    FormValues v = ValidForm();
    v.gateway = {QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"),
                 QStringLiteral("1")};
    ApplyCheckResult r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::GatewaySubnet);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrDomain);
    EXPECT_EQ(r.page, kIpPage);
    const FieldCheck outside = GatewayInSubnet(v);
    EXPECT_EQ(outside.rule, CheckRule::GatewayOutsideSubnet);
    EXPECT_TRUE(outside.field.isEmpty());  // the whole row is at fault

    v.fixed_ip = false;  // the same gateway with DHCP passes
    EXPECT_TRUE(ValidateSettings(v).passed());

    v = ValidForm();
    v.gateway = {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                 QStringLiteral("000")};
    EXPECT_TRUE(ValidateSettings(v).passed());

    v.gateway = {QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("1"),
                 QStringLiteral("0")};
    r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::GatewayLastOctet);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrGateway);
    EXPECT_EQ(r.focus, QStringLiteral("e_gateway_4"));
    EXPECT_TRUE(r.clear_focus);
}

TEST(ApplyChecks, radiusServer1_keyByWhatIsMissing) {
    FormValues v = ValidForm();
    v.shared1.clear();
    ApplyCheckResult r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::RadiusServer);
    EXPECT_EQ(OnlyError(r), &text::kMsgErrRadius1);
    EXPECT_EQ(r.page, kDot1xPage);
    EXPECT_TRUE(r.zero_empty_radius);

    v = ValidForm();
    v.radius_ip[3].clear();
    EXPECT_EQ(OnlyError(ValidateSettings(v)), &text::kMsgErrIp1Radius);

    v.auth = 3;  // WPA-PSK needs no RADIUS server
    v.passphrase = v.confirmation = QStringLiteral("12345678");
    EXPECT_TRUE(ValidateSettings(v).passed());
}

TEST(ApplyChecks, fieldsWithoutANumber_failTheirCheckInsteadOfPassing) {
    FormValues v = ValidForm();
    v.gateway[1].clear();
    ApplyCheckResult r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::GatewaySubnet);
    EXPECT_EQ(r.focus, QStringLiteral("e_gateway_2"));
    const FieldCheck gateway = GatewayInSubnet(v);
    EXPECT_EQ(gateway.rule, CheckRule::NotANumber);
    EXPECT_EQ(gateway.field, QStringLiteral("e_gateway_2"));

    v = ValidForm();
    v.mask[2] = QStringLiteral("x");
    v.mask[3] = QStringLiteral("0");
    v.dhcp_server_on = false;
    r = ValidateSettings(v);
    EXPECT_FALSE(r.passed());

    v = ValidForm();
    v.port1.clear();  // a shared secret but no port
    EXPECT_EQ(OnlyError(ValidateSettings(v)), &text::kMsgErrRadius1);
    v.port1 = QStringLiteral("abc");
    EXPECT_EQ(OnlyError(ValidateSettings(v)), &text::kMsgErrRadius1);

    v = ValidForm();
    v.fixed_ip = false;
    v.gateway = {QString(), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    r = ValidateSettings(v);
    EXPECT_EQ(r.failed, ApplyCheck::GatewayLastOctet);
}

TEST(ApplyChecks, anEarlierFailureHidesTheLaterOnes) {
    FormValues v = ValidForm();
    v.key_text[0].clear();               // WEP
    v.mask[3] = QStringLiteral("255");   // subnet
    v.ip[3] = QStringLiteral("0");       // address
    v.shared1.clear();                   // RADIUS
    v.gateway[3] = QStringLiteral("0");  // gateway last octet
    EXPECT_EQ(ValidateSettings(v).failed, ApplyCheck::WepKeyEmpty);
    v.key_text[0] = QStringLiteral("0102030405");
    EXPECT_EQ(ValidateSettings(v).failed, ApplyCheck::SubnetMask);
    v.mask[3] = QStringLiteral("0");
    EXPECT_EQ(ValidateSettings(v).failed, ApplyCheck::IpAddress);
    v.ip[3] = QStringLiteral("250");
    EXPECT_EQ(ValidateSettings(v).failed, ApplyCheck::RadiusServer);
    v.shared1 = QStringLiteral("s");
    EXPECT_EQ(ValidateSettings(v).failed, ApplyCheck::GatewayLastOctet);

    v = ValidForm();
    v.auth = 3;
    v.passphrase = v.confirmation = QStringLiteral("short");
    v.key_text[0].clear();
    EXPECT_EQ(RunApplyChecks(v).failed, ApplyCheck::PassphraseLength);
}

TEST(ApplyChecks, messageTexts_defaultsAndTheComposedKeyMessage) {
    const text::LanguageText none(text::LangIni::FromBytes({}), text::TextEncoding::Windows1252);
    const text::MessageText key = CheckMessageText(none, CheckMessage{nullptr, nullptr, 3, {}});
    EXPECT_EQ(key.text, QStringLiteral("Wep Key Error\uFF013 "));
    EXPECT_EQ(key.caption, QStringLiteral("Message"));
    const text::MessageText empty =
        CheckMessageText(none, CheckMessage{&text::kMsgChkNull, nullptr, 0, {}});
    EXPECT_EQ(empty.text, QStringLiteral("The selected wep key can not be empty!"));
    EXPECT_EQ(empty.caption, QStringLiteral("Wep key error"));
    const text::MessageText dhcp =
        CheckMessageText(none, CheckMessage{&text::kMsgErrIpDomainDhcpRange, nullptr, 0, {}});
    EXPECT_EQ(dhcp.text, QStringLiteral("DHCP IP range Settings have Error\uFF01"));

    const text::LanguageText file(
        text::LangIni::FromBytes(
            "[ErrRangMsg]\r\nErr_wep_keyStr1=Key \r\nErr_wep_keyStr2=is wrong\r\n"
            "[ErrMsgCap]\r\nErr_wep_key=Keys\r\nErr_IP_Domain=Elsewhere\r\n"),
        text::TextEncoding::Windows1252);
    const text::MessageText fromFile =
        CheckMessageText(file, CheckMessage{nullptr, nullptr, 2, {}});
    EXPECT_EQ(fromFile.text, QStringLiteral("Key2 is wrong"));  // the file's blanks are trimmed
    EXPECT_EQ(fromFile.caption, QStringLiteral("Keys"));
    EXPECT_EQ(CheckMessageText(file, CheckMessage{&text::kMsgErrIpDomainDhcpRange, nullptr, 0, {}})
                  .caption,
              QStringLiteral("Elsewhere"));
}

}  // namespace
}  // namespace tern::rules
