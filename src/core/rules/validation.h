#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "core/text/screen_text.h"

namespace tern::ui {
struct ErrorMessage;
struct PairedMessage;
struct MessageText;
class LanguageText;
}  // namespace tern::ui

namespace tern::apply {

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

// The one range check of numeric fields, shared with the advanced settings:
// "0" when the value is acceptable, otherwise the message key. The kind is
// "IP", "IP1", "IP4", "Gateway4", "Port" for the main window, the field name
// ("e_beacon", "e_rts", "e_frag", "e_dtim") for the advanced settings.
QByteArray RangeErrorKey(QByteArrayView kind, qint64 value, qint64 max, qint64 min);
// The same over a field's text: an empty text counts as 0; a text that is
// not a number is out of range.
QByteArray RangeErrorKey(QByteArrayView kind, QStringView text, qint64 max, qint64 min);

// The kind of a main-window numeric field, from its name.
QByteArray NumberKindOfField(QStringView fieldName);

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
    ui::TextEncoding record_encoding = ui::TextEncoding::Windows1252;
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

// A message of a check: one of the vocabulary's messages, or the WEP key
// length message composed around the key number.
struct CheckMessage {
    const ui::ErrorMessage* error = nullptr;
    const ui::PairedMessage* paired = nullptr;
    int wep_key = 0;  // 1..4: the composed key-length message
    QString detail;   // shown on a line of its own after the text
};
ui::MessageText CheckMessageText(const ui::LanguageText& language, const CheckMessage& message);

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

// The remote MAC address: 100 when acceptable, otherwise the caret position;
// `messages` tells how many times its message is shown.
struct RemoteMacCheck {
    int result = 0;
    int messages = 0;
};
RemoteMacCheck CheckRemoteMac(QStringView text, bool bridgeMode);

// The key number (1..4) in error, 5 for an empty selected key, or nothing.
std::optional<int> CheckWepKeys(const FormValues& values);
// true on error
bool CheckSubnetMask(const std::array<QString, 4>& mask);
bool CheckIpAddress(const std::array<QString, 4>& ip);
// true when the address ("a.b.c.d.") lies outside the subnet of ip/mask; an
// octet that is not a number lies outside.
bool SameSubnet(QStringView address, const std::array<QString, 4>& ip,
                const std::array<QString, 4>& mask);
bool CheckDhcpRange(const FormValues& values);
// Whether the gateway lies in the fixed address's subnet. `badField` names
// a field that holds no number (then the result is false).
bool GatewayInSubnet(const FormValues& values, QString* badField = nullptr);

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

}  // namespace tern::apply
