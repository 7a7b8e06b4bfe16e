#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "core/text/screen_text.h"

namespace tern::rules {

// A message of a check: one of the vocabulary's messages, or the WEP key
// length message composed around the key number.
struct CheckMessage {
    const text::ErrorMessage* error = nullptr;
    const text::PairedMessage* paired = nullptr;
    int wep_key = 0;  // 1..4: the composed key-length message
    QString detail;   // shown on a line of its own after the text
    bool empty() const { return error == nullptr && paired == nullptr && wep_key == 0; }
};
text::MessageText CheckMessageText(const text::LanguageText& language, const CheckMessage& message);

// ---------------------------------------------------------------- numbers

// Pages of the main window, by index.
inline constexpr int kStatusPage = 0;
inline constexpr int kApPage = 1;
inline constexpr int kIpPage = 2;
inline constexpr int kWepPage = 3;
inline constexpr int kDot1xPage = 4;

// A decimal number made of digits only. Empty for an empty text or any other
// character (signs and blanks included). A number too long for 64 bits comes
// back as the largest 64-bit value, so it is never mistaken for a small one.
std::optional<qint64> DecimalValue(QStringView text);

// Which range message a numeric field gets, and which extra rule applies to it.
enum class NumberKind { Ip, Ip1, Ip4, Gateway4, Port, Beacon, Rts, Frag, Dtim };

// The kind of a numeric field, by name: the main window's (e_ip_1 ...) and the
// advanced settings' (e_beacon, e_rts, e_frag, e_dtim). Any other name is Ip.
NumberKind NumberKindOfField(QStringView fieldName);

// The rule a check found broken; None when the value passed.
enum class CheckRule {
    None,
    // a numeric field as it is left
    OutOfRange,          // below its minimum, above its maximum, or not a number
    OddFragment,         // e_frag: the threshold must be even
    ReservedFirstOctet,  // a first octet of 127 or 224
    MaskOctet,           // a mask octet other than 0, 128, 192, ... 255
    // the apply's checks of single fields and rows
    RemoteMacPair,    // a pair that is not two hex digits
    RemoteMacZero,    // 00-00-00-00-00-00 for a bridge
    WepKeyEmpty,      // the selected key is empty
    WepKeyLength,     // a key that is not its length's bytes
    SubnetMaskShape,  // not a mask of leading ones
    IpAddressShape,   // first octet empty or 0, last 0 or 255, or all 255
    NotANumber,       // an octet field that holds no number
    DhcpEndOutsideSubnet,
    DhcpEndBelowStart,
    GatewayOutsideSubnet,
};

// One check's verdict: the rule broken, the control at fault and what to show.
// It is read through passed() only: there is no conversion to bool, since
// `if (CheckSubnetMask(mask))` could be read either way round.
struct FieldCheck {
    CheckRule rule = CheckRule::None;
    QString field;  // the control at fault ("e_gateway_2"); empty when the rule reads a whole row
    CheckMessage message;  // empty exactly when passed()
    int caret = -1;        // where in `field` the fault is (the remote MAC), else -1
    bool passed() const { return rule == CheckRule::None; }
};

// The one range check of numeric fields, shared by the main window, the
// advanced settings and tern-ap-cli. Over a text, an empty one counts as 0 and
// one that is not a number is out of range whatever the limits.
FieldCheck CheckRange(NumberKind kind, qint64 value, qint64 max, qint64 min);
FieldCheck CheckRange(NumberKind kind, QStringView text, qint64 max, qint64 min);
// CheckRange on the kind of `fieldName`, which the verdict then names.
FieldCheck CheckNumericField(QStringView fieldName, QStringView text, qint64 max, qint64 min);

// A numeric field of the main window and the limits it carries.
struct NumericField {
    QStringView name;
    int max;  // kept as the field's Hint
    int min;  // kept as the field's Tag
    int maxLength;
    int page;
    bool maskOctet;  // a subnet-mask field (its own exit rule)
};
std::span<const NumericField> NumericFields();
const NumericField* FindNumericField(QStringView name);

// What a keystroke does to a numeric field.
struct NumericKey {
    enum class Action {
        Drop,      // discarded silently
        Pass,      // goes into the field as usual
        Enter,     // Enter: check the field (unless empty) and move on
        Complete,  // a digit that completes the field: check `completed`
    };
    Action action = Action::Drop;
    QString completed;  // the text with the digit appended (Complete only)
};
NumericKey ClassifyNumericKey(QChar key, QStringView text, qsizetype selectionLength,
                              int maxLength);

// The text a field gets after a range error: "223" for e_ip_1, else empty.
QString TextAfterRangeError(QStringView fieldName);

// Leaving a numeric field: what an empty one becomes ("1").
inline constexpr QStringView kEmptyNumberOnExit = u"1";
// Leaving a subnet-mask field: what an empty one becomes ("0" for the
// fourth, "255" for the others).
QString EmptyMaskTextOnExit(QStringView fieldName);
// Whether a mask field's text is one of the allowed octets 0, 128, 192,
// 224, 240, 248, 252, 254, 255.
bool IsMaskOctet(QStringView text);
// A subnet-mask octet as it is left: e_submask_4 takes any number, the others
// only an allowed mask octet.
FieldCheck CheckMaskOctet(QStringView fieldName, QStringView text);

// ---------------------------------------------------------------- text rules

// Removes every blank and full-width blank (U+3000).
QString StripBlanks(QStringView text);
// The low eight bits of a value as "0"/"1" characters, most significant first.
QString OctetBits(int value);

// ---------------------------------------------------------------- the form

// A text that goes into the AP's record (name, SSID, pass phrase, RADIUS
// secret), with where it is edited and how many bytes its field holds.
struct RecordTextField {
    QString field;  // control name
    int page = -1;
    QString text;
    int max_bytes = 0;
    bool as_shown = false;  // still the AP's text as shown: its bytes go back as they came
};

// The values the apply checks read, taken from the controls by the form.
struct FormValues {
    // AP settings
    std::array<bool, 5> op_mode{};  // r_apmode1 .. r_apmode5 checked
    QString remote_mac;             // six pairs joined by '-', blanks as ' '
    // WEP / WPA
    bool encryption = false;  // chb_encry
    int auth = -1;            // list index of s_auth
    bool hex = true;          // w_r_hex checked (else ASCII)
    std::array<bool, 4> key_selected{};
    std::array<QString, 4> key_text{};  // the keys' significant texts
    std::array<int, 4> key_bytes{};     // the fields' Tag
    std::array<bool, 4> key_kept{};     // key_text is the AP's kept key, one character a byte
    QString passphrase;                 // wpa_m_p (the kept value while unedited)
    QString confirmation;               // wpa_m_c (likewise)
    // IP settings
    bool fixed_ip = true;  // i_r_ip
    std::array<QString, 4> ip{}, mask{}, gateway{}, dhcp_from{}, dhcp_to{};
    // 802.1X
    bool dot1x = false;  // Chk_8021x
    QString shared1;
    QString port1;
    std::array<QString, 4> radius_ip{};
    // texts written into the record, and their code page
    std::vector<RecordTextField> record_texts;
    text::TextEncoding record_encoding = text::TextEncoding::Windows1252;
    // supplied by the apply
    bool multi = false;
    QString dhcp_start;  // four octets each followed by '.'
    bool dhcp_server_on = false;
};

enum class ApplyCheck {
    None,
    RemoteMac,
    PassphraseLength,
    PassphraseNeedsDot1x,  // not a failure: 802.1X is switched on
    WpaNeedsDot1x,
    PassphraseMismatch,
    WepKeyEmpty,
    WepKeyLength,
    SubnetMask,
    IpAddress,
    DhcpRange,
    GatewaySubnet,
    RadiusServer,
    GatewayLastOctet,
    TextCodePage,  // a text the AP's code page cannot hold
    TextTooLong,   // a text longer, in bytes, than its field in the record
};

struct ApplyCheckResult {
    ApplyCheck failed = ApplyCheck::None;
    std::vector<CheckMessage> messages;  // in the order they are shown
    int page = -1;                       // the page to show; -1 leaves it
    QString focus;                       // the control to focus, by name
    int caret = -1;                      // caret position in `focus`
    bool clear_focus = false;            // the focused field is emptied
    bool check_dot1x = false;            // Chk_8021x becomes checked
    bool zero_empty_radius = false;      // empty e_8_ip1..4 become "0"
    bool passed() const { return failed == ApplyCheck::None; }
};

// The remote MAC address; a refusal names e_rm_mac and puts the caret on the
// first blank of the bad pair (0 when it has none, and for the all-zero MAC).
FieldCheck CheckRemoteMac(QStringView text, bool bridgeMode);
// The four keys; a refusal names the key at fault (e_key1 .. e_key4).
FieldCheck CheckWepKeys(const FormValues& values);
FieldCheck CheckSubnetMask(const std::array<QString, 4>& mask);
FieldCheck CheckIpAddress(const std::array<QString, 4>& ip);
// Whether the address ("a.b.c.d.") lies in the subnet of ip/mask. An octet
// that is not a number lies outside.
bool InSubnet(QStringView address, const std::array<QString, 4>& ip,
              const std::array<QString, 4>& mask);
// The DHCP range's end: in the subnet and not below its start.
FieldCheck CheckDhcpRange(const FormValues& values);
// Passed in DHCP mode, for gateway 0 and for a gateway in the fixed
// address's subnet. A refusal names the field that holds no number, if any.
FieldCheck GatewayInSubnet(const FormValues& values);

// The texts the record would get (and typed ASCII keys): each must be
// writable in the code page and fit its field. Texts left as shown pass.
ApplyCheckResult CheckRecordTexts(const FormValues& values);

// The apply's checks before the list selection: remote MAC, pass phrase
// length, 802.1X coupling, confirmation, then the record's texts.
ApplyCheckResult CheckApplyPreconditions(const FormValues& values);
// The whole-form check after the selection.
ApplyCheckResult ValidateSettings(const FormValues& values);
// Both, in order, as one apply runs them (the 802.1X switched on by the
// first counts for the second).
ApplyCheckResult RunApplyChecks(const FormValues& values);

}  // namespace tern::rules
