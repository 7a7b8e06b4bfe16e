#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/fleet/state_file.h"
#include "core/record/ap_config_record.h"
#include "core/rules/validation.h"
#include "core/text/screen_text.h"

namespace tern::fleet {

// The AP texts of plans are in the code page of the English language file,
// as tern-ap-cli's are.
inline constexpr text::TextEncoding kPlanEncoding = text::TextEncoding::Windows1252;

// One setting that differs, under the name `set` takes.
struct SettingChange {
    QString name;
    QJsonValue before;
    QJsonValue after;
    bool secret = false;  // shown as *** unless asked
};

// The settings of a record as `show --json` decodes them, flattened to the
// names `set` takes ("dhcp_server.start", "radius_servers.1.ip"); a coded
// value ({"text", "code"}) is its text. The MAC and the current address are
// left out: they say who and where the AP is, not what it should hold.
QList<std::pair<QString, QJsonValue>> FlatSettings(const record::ApConfigRecord& record);

// The same over settings already decoded (`show --json`'s object); with
// `withStatus` the MAC, the current address and the pool size stay in.
QList<std::pair<QString, QJsonValue>> FlattenDecoded(const QJsonObject& decoded, bool withStatus);

// A coded value ({"text", "code"}) as its text, or its code where it has no
// text; any other value as it is.
QJsonValue CodedText(const QJsonValue& value);

// The setting, under `set`'s name, that a control of the form stands for
// ("e_gateway_2" -> "gateway").
QString SettingOfControl(const QString& control);

// How messages name an AP: "MAC (name)".
QString ApLabel(const QString& mac, const QString& name);

// A whole-form rule the checks found broken, in words: the settings at
// fault with their values (secrets as ***), the reason, then the window's
// own message in quotes.
// `typed`, where given, is what the form held: the DHCP range's end as it
// was typed, not as the record's start and size give it back.
QString CheckInWords(const rules::ApplyCheckResult& result, const record::ApConfigRecord& built,
                     const rules::FormValues* typed = nullptr);

// A text the record builder could not write, in words: the setting, its
// value (*** for a secret unless `showSecrets`) and whether a character or
// the length is at fault. `control` is the form's control.
QString BuildFailureWords(const QString& control, const QString& text, bool showSecrets);

// What the checks switch on by themselves, in words (802.1X for WPA-PSK).
QString Dot1xSwitchedOnWords(const QString& apLabel);

// Every setting whose decoded value differs between the two records, in
// the order `show --json` has them.
QList<SettingChange> DiffRecords(const record::ApConfigRecord& from,
                                 const record::ApConfigRecord& to);

// What one AP should get.
struct ApPlan {
    enum class Verdict {
        InState,   // holds every desired value: nothing is sent
        ToChange,  // `desired` differs from `current` in `changes`
        Invalid,   // the desired settings would be refused: `problems` says why
    };
    Verdict verdict = Verdict::InState;
    QString mac;   // MAC text
    QString name;  // the AP's name
    record::ApConfigRecord current;
    record::ApConfigRecord desired;  // the record to send (no login yet)
    QList<SettingChange> changes;
    // Each names the AP, the setting, the value and the reason in words.
    QStringList problems;
    // Something the checks change by themselves (802.1X switched on).
    QStringList notes;
};

// The desired settings typed into the form as the AP's record shows it,
// with the window's field rules, built and checked as a single-AP apply of
// that AP: nothing goes out that the window would refuse.
ApPlan PlanSettings(const record::ApConfigRecord& current, const QList<DesiredSetting>& settings);

// A saved record written back onto `current`: another AP keeps its own
// identity and addressing unless `allFields`. Checked like any apply where
// the settings differ; `desired` is the record to write in every case.
ApPlan PlanRestore(const record::ApConfigRecord& current, const record::ApConfigRecord& saved,
                   bool allFields);

// The planned changes `readBack` does not hold: empty when the AP took
// everything.
QList<SettingChange> Unheld(const ApPlan& plan, const record::ApConfigRecord& readBack);

// A value for people: "***" for a secret unless `showSecrets`, a text as
// itself (its control characters shown as \xHH), anything else as compact
// JSON.
QString ShownValue(const QJsonValue& value, bool secret, bool showSecrets);

}  // namespace tern::fleet
