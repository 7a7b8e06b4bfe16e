#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <span>

#include "core/text/language_sections.h"

namespace tern::text {

class LangIni;
class LanguageText;

// A message box keyed once for both halves: the text is key `key` in
// section ErrRangMsg, the caption the same key in section ErrMsgCap.
// A half the program does not read from the file (has_text / has_caption
// false) is supplied by the program: `text_default` then holds that fixed
// text, or is empty where the caller composes the text itself.
struct ErrorMessage {
    QByteArrayView key;
    bool has_text;
    QByteArrayView text_default;
    bool has_caption;
    QByteArrayView caption_default;
};

// A message box with separate keys for text and caption in one section.
struct PairedMessage {
    QByteArrayView section;
    QByteArrayView text_key;
    QByteArrayView text_default;
    QByteArrayView caption_key;
    QByteArrayView caption_default;
};

// Several built-in texts end in A1 49, a Big5 full-width "!" (ToScreenText
// shows it as U+FF01).
inline constexpr QByteArrayView kSettingError("Setting Error\xA1\x49");
inline constexpr QByteArrayView kMessageCaption("Message");

// --- ErrRangMsg / ErrMsgCap. One constant per check; a key shared by
// several checks has one constant for each, with that check's defaults.

// Range errors (CheckRange): advanced-settings fields.
inline constexpr ErrorMessage kMsgErrEBeacon{"Err_e_beacon", true, kSettingError, true,
                                             kMessageCaption};
inline constexpr ErrorMessage kMsgErrERts{"Err_e_rts", true, kSettingError, true, kMessageCaption};
inline constexpr ErrorMessage kMsgErrEFragRang{"Err_e_frag_rang", true, kSettingError, true,
                                               kMessageCaption};
inline constexpr ErrorMessage kMsgErrEFragEven{"Err_e_frag_even", true, kSettingError, true,
                                               kMessageCaption};
inline constexpr ErrorMessage kMsgErrEDtim{"Err_e_dtim", true, kSettingError, true,
                                           kMessageCaption};
// Range errors (CheckRange): main-window numeric fields.
inline constexpr ErrorMessage kMsgErrIp{"Err_IP", true, kSettingError, true, kMessageCaption};
inline constexpr ErrorMessage kMsgErrIp1Rang{"Err_IP1_rang", true, kSettingError, true,
                                             kMessageCaption};
inline constexpr ErrorMessage kMsgErrIp4Rang{"Err_IP4_rang", true, kSettingError, true,
                                             kMessageCaption};
inline constexpr ErrorMessage kMsgErrGateway4Rang{"Err_Gateway4_rang", true, kSettingError, true,
                                                  kMessageCaption};
inline constexpr ErrorMessage kMsgErrPortRang{"Err_Port_rang", true, kSettingError, true,
                                              kMessageCaption};
inline constexpr ErrorMessage kMsgErrFixIp1{"Err_fixIP_1", true, kSettingError, true,
                                            kMessageCaption};
// Field and apply checks.
inline constexpr ErrorMessage kMsgErrSubnet{"Err_subnet", true, kSettingError, true,
                                            kMessageCaption};
inline constexpr ErrorMessage kMsgErrGateway{
    "Err_gateway", true, "The last set of Gateway's IP Adresse can't be set to zero!", true,
    "Gateway IP setting Error"};
inline constexpr ErrorMessage kMsgErrDomain{"Err_domain", true, "Domain different\xA1\x49", true,
                                            "domain error"};
inline constexpr ErrorMessage kMsgErrMacValue{
    "Err_Mac_value", true, "Remote Mac Address Error\xA1\x49", true, kMessageCaption};
// Err_IP_1 as the IP address check reads it.
inline constexpr ErrorMessage kMsgErrIp1IpCheck{"Err_IP_1", true, "IP Settings have Error\xA1\x49",
                                                true, kMessageCaption};
// The DHCP range check: caption only, under Err_IP_1 (range wrong) or
// Err_IP_Domain (start address outside the subnet); its text is fixed.
inline constexpr QByteArrayView kDhcpRangeErrorText("DHCP IP range Settings have Error\xA1\x49");
inline constexpr ErrorMessage kMsgErrIp1DhcpRange{"Err_IP_1", false, kDhcpRangeErrorText, true,
                                                  kMessageCaption};
inline constexpr ErrorMessage kMsgErrIpDomainDhcpRange{"Err_IP_Domain", false, kDhcpRangeErrorText,
                                                       true, kMessageCaption};
// RADIUS server 1 check: Err_Radius1, or Err_IP_1 when an address octet is 0.
inline constexpr QByteArrayView kRadiusEmptyText(
    "RADIUS Server1: IP, Port, or Shared Secret is empty.");
inline constexpr QByteArrayView kRadiusErrorCaption("RADIUS Server1 setting Error");
inline constexpr ErrorMessage kMsgErrRadius1{"Err_Radius1", true, kRadiusEmptyText, true,
                                             kRadiusErrorCaption};
inline constexpr ErrorMessage kMsgErrIp1Radius{"Err_IP_1", true, kRadiusEmptyText, true,
                                               kRadiusErrorCaption};
// WEP keys. The length message's text is Err_wep_keyStr1, the key number,
// a blank and Err_wep_keyStr2; its caption is Err_wep_key.
inline constexpr ErrorMessage kMsgChkNull{
    "chk_null", true, "The selected wep key can not be empty!", true, "Wep key error"};
inline constexpr ErrorMessage kMsgErrWepKey{"Err_wep_key", false, "", true, kMessageCaption};
inline constexpr ErrorMessage kMsgErrWepKeyStr1{"Err_wep_keyStr1", true, "Wep Key Error\xA1\x49",
                                                false, ""};
inline constexpr ErrorMessage kMsgErrWepKeyStr2{"Err_wep_keyStr2", true, "", false, ""};
// Old firmware found by a search: text oldfirmware, CR LF, oldfirmware1.
inline constexpr ErrorMessage kMsgOldFirmware{"oldfirmware", true, "Detect old firmware!", true,
                                              "Detect old firmware"};
inline constexpr ErrorMessage kMsgOldFirmware1{"oldfirmware1", true, "Detect old firmware!", false,
                                               ""};
// The refusal report after an apply: caption Err_Apply; lines built from
// MAC and AP, closed by Err_ID and Err_App.
inline constexpr ErrorMessage kMsgErrApply{"Err_Apply", false, "", true, "Apply Fail!"};
inline constexpr ErrorMessage kMsgMac{"MAC", true, "MAC Addr.", false, ""};
inline constexpr ErrorMessage kMsgAp{"AP", true, "AP Name", false, ""};
inline constexpr ErrorMessage kMsgErrId{"Err_ID", true, "ID or Password Error!", false, ""};
inline constexpr ErrorMessage kMsgErrApp{"Err_App", true, "The Apply Settings is not accept!",
                                         false, ""};
// An apply that ends without every target's answer: Err_NoReply heads the
// APs that did not answer, Err_Refused the refusals that did arrive.
inline constexpr ErrorMessage kMsgErrNoReply{
    "Err_NoReply", true, "These access points did not confirm the settings:", true,
    "Apply not confirmed"};
// ... or, where some answers could not be told apart, no AP is named:
// Err_Missing and Err_Unmatched are each followed by a count.
inline constexpr ErrorMessage kMsgErrMissing{"Err_Missing", true,
                                             "Expected answers that did not come:", false, ""};
inline constexpr ErrorMessage kMsgErrUnmatched{
    "Err_Unmatched", true, "Answers that could not be matched to an access point:", false, ""};
inline constexpr ErrorMessage kMsgErrRefused{
    "Err_Refused", true, "These access points refused the settings:", false, ""};
// A text for the record that the AP's code page cannot hold, or that is too
// long for its field; the text follows on a line of its own.
inline constexpr ErrorMessage kMsgErrCharset{
    "Err_Charset", true,
    "This text has characters that cannot be stored on the access point:", true, "Text Error"};
inline constexpr ErrorMessage kMsgErrTextLength{
    "Err_TextLength", true, "This text is too long to be stored on the access point:", true,
    "Text Error"};
// The form's settings cannot be turned into a record; the field follows.
inline constexpr ErrorMessage kMsgErrBuild{
    "Err_Build", true, "A setting could not be converted, so nothing was sent:", true,
    "Apply Error"};

// Every row above, in the order of the list.
std::span<const ErrorMessage> ErrorMessages();
// The message of one of CheckRange's keys ("Err_IP", "Err_e_frag_even",
// ...); nullptr for every other key.
const ErrorMessage* FindRangeErrorMessage(QByteArrayView key);

// --- ApplyMsg
inline constexpr PairedMessage kMsgNoSelect{
    kSectionApplyMsg, "noselect", "Please select an apply AP.", "mescap", kMessageCaption};
inline constexpr PairedMessage kMsgNoSelect1{
    kSectionApplyMsg, "noselect1", "The length of Passphrase must be at least 8 characters.",
    "mescap1", kMessageCaption};
inline constexpr PairedMessage kMsgNoSelect2{
    kSectionApplyMsg, "noselect2", "The Confirmed Passphrase does not match the Passphrase.",
    "mescap2", kMessageCaption};
inline constexpr PairedMessage kMsgNoSelect3{
    kSectionApplyMsg, "noselect3", "802.1x has been enabled.", "mescap3", kMessageCaption};
inline constexpr PairedMessage kMsgNoSelect4{
    kSectionApplyMsg, "noselect4", "Please enable 802.1x first.", "mescap4", kMessageCaption};
inline constexpr PairedMessage kMsgUpdateMsg{kSectionApplyMsg, "updatemsg", "Apply Update",
                                             "mescap", kMessageCaption};
inline constexpr PairedMessage kMsgUpdateFail{kSectionApplyMsg, "updatefail", "Apply fail",
                                              "mescap", kMessageCaption};

// --- GLOBAL: the quit question (its box text is CR LF, then this text).
inline constexpr PairedMessage kQuitQuestion{kSectionGlobal, "QuitAsk", "Scan", "QuitASKTitle",
                                             "Scan"};

// Every PairedMessage above: the ApplyMsg rows in table order, then the
// quit question.
std::span<const PairedMessage> PairedMessages();

// --- Not from the language file: shown when no language file is found.
inline constexpr QLatin1StringView kStartupWarningText(
    "The necessary file is not found. It is recommended that you reinstall the utility.");
inline constexpr QLatin1StringView kStartupWarningCaption("Warning!");

// Looked-up bytes of a message. A half not read from the file holds the
// program's fixed text (possibly empty).
struct MessageBytes {
    QByteArray text;
    QByteArray caption;
};

// The same as screen text.
struct MessageText {
    QString text;
    QString caption;
};

MessageBytes LookupMessage(const LangIni& ini, const ErrorMessage& message);
MessageBytes LookupMessage(const LangIni& ini, const PairedMessage& message);
MessageText LookupMessage(const LanguageText& language, const ErrorMessage& message);
MessageText LookupMessage(const LanguageText& language, const PairedMessage& message);

}  // namespace tern::text
