#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "core/record/code_tables.h"
#include "core/record/record_builder.h"
#include "core/rules/validation.h"
#include "core/text/screen_text.h"

namespace tern::form {

// The main window's form without widgets, for the window and tern-ap-cli:
// what the form holds once an AP's record is shown, a setting typed into it
// by name (as the form's own field rules take it), and the values its checks
// read. The record builder and the checks are the window's own.

// Where showing a record gives up, from the record alone: every later
// control keeps what it held. (Keys shown as characters can make it give
// up too, depending on the form's key length: ShownKeyStars.)
enum class ShowStop {
    None,
    BeforeDefaultKey,  // a default key out of range: after the SSID
    BeforeRemoteMac,   // an operating mode outside the list with a hex letter
};

// Showing a record without widgets: the form it leaves and what the window
// shows beside it, for the window to write into its controls. The window
// writes a value only where its show gets to (`stop`) and the flags below
// say the record has one; every other control keeps what it held.
struct ShownRecord {
    record::FormSettings form;  // ShownForm's result
    ShowStop stop = ShowStop::None;
    // The domain's label and channel list; none: both stay as they are.
    const record::RegDomain* domain = nullptr;
    // The channel entry to select and the status text; none: no selection.
    std::optional<QString> channel_text;
    QString mac;        // the status page's MAC text
    QString status_ip;  // the current address of a DHCP client, else the form's
    // WEP keys are in use (not WPA, not off): the keys are shown.
    bool wep_in_use = false;
    // A key length of 64, 128 or 256 bits: the length list, the status text
    // and the kept keys are set; any other leaves them as they were.
    bool wep_length_known = false;
    // "WPA", "WPA-PSK", "Disable", or the key length; empty: stays.
    QString status_wep;
    // A rate the list holds; any other leaves the kept rate as it was.
    bool tx_rate_known = false;
    // Not in the extended mode and a pattern of the turbo list; otherwise
    // the kept turbo choice stays.
    bool turbo_listed = false;
    QStringList list_cells;  // ListCellTexts
};

// `authChoices`: how many types the form's authentication list offers (see
// ListCellsOf); a type past them is no selection.
ShownRecord ShownRecordOf(const record::ApConfigRecord& record, text::TextEncoding encoding,
                          int authChoices = record::kAuthTypeCount);

// The form as showing `record` leaves it: keys and pass phrase stand for
// the AP's own, nothing is edited.
record::FormSettings ShownForm(const record::ApConfigRecord& record, text::TextEncoding encoding);

// What the apply's checks read from that form. `shown` is the AP's record
// (a text still as it showed is written back as it came).
rules::FormValues FormValuesOf(const record::FormSettings& form,
                               const record::ApConfigRecord& shown, text::TextEncoding encoding,
                               bool multi);

// What a single-AP apply hands the checks about the AP's DHCP server, from
// the record built for it: the range start (each octet followed by ".") and
// whether the server byte is 1.
void TakeDhcpServer(rules::FormValues& values, const record::ApConfigRecord& built);

// The names `set` takes, as `show --json` names them (nested ones dotted:
// "dhcp_server.start", "wep_keys.2", "radius_servers.1.ip").
QStringList SettableNames();

// The settable name nearest to a mistyped `name` (two edits at most, one
// for short names), for "did you mean channel?"; empty when none is near.
QString NearestSetting(const QString& name);

// Why a setting typed in by name was not taken; None when it was.
enum class SetRule {
    None,
    UnknownName,       // no such setting
    PerApSetting,      // several APs are named, and each keeps this one for itself
    WrongForm,         // not the form of value the setting takes (see `wants`)
    FieldRule,         // refused by the form's own field rule (see `check`)
    ControlCharacter,  // holds a control character (C0, DEL, C1) at `position`
};

// What became of a setting typed in by name. It is read through passed().
struct SetResult {
    SetRule rule = SetRule::None;
    QString name;             // the setting as named ("radius_servers.1.port")
    QString value;            // as typed
    QString wants;            // WrongForm: what it takes, in English ("decimal octets")
    rules::FieldCheck check;  // FieldRule: the control, the rule and the form's message
    QString words;            // FieldRule: the rule in words, with the field's limits
    qsizetype position = -1;  // ControlCharacter: where, from 0
    QChar character{};        // ControlCharacter: which (kept when `value` is masked)
    bool passed() const { return rule == SetRule::None; }
};

// The refusal as tern-ap-cli prints it: the setting, the value (its first
// 40 characters and its length when longer) and the reason; a field rule's
// own message follows in quotes, in English.
QString RefusalText(const SetResult& result);

// "holds the control character U+001B at position 3; ...", for `c` found
// at `at` (from 0).
QString ControlCharacterWords(QChar c, qsizetype at);

// Types `value` into the form's field for `name`; the form's field rule
// runs as on leaving the field, and a value it refuses is not taken. In a
// multi-AP apply the settings each AP keeps for itself (addressing, DHCP
// server, channel) are refused. No setting takes a control character: an
// AP keeps its texts as C strings, so a NUL would silently end one there.
SetResult SetNamed(record::FormSettings& form, const record::ApConfigRecord& shown,
                   const QString& name, const QString& value, bool multi);

}  // namespace tern::form
