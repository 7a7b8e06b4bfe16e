#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "core/record/record_builder.h"
#include "core/rules/validation.h"
#include "core/text/screen_text.h"

namespace tern::app {

// The main window's form without widgets, for tern-ap-cli: what the form
// holds once an AP's record is shown, a setting typed into it by name (as
// the form's own field rules take it), and the values its checks read. The
// record builder and the checks are the window's own.

// The form as showing `record` leaves it: keys and pass phrase stand for
// the AP's own, nothing is edited.
config::FormSettings ShownForm(const config::ApConfigRecord& record, ui::TextEncoding encoding);

// What the apply's checks read from that form. `shown` is the AP's record
// (a text still as it showed is written back as it came).
apply::FormValues FormValuesOf(const config::FormSettings& form,
                               const config::ApConfigRecord& shown, ui::TextEncoding encoding,
                               bool multi);

// What a single-AP apply hands the checks about the AP's DHCP server, from
// the record built for it: the range start (each octet followed by ".") and
// whether the server byte is 1.
void TakeDhcpServer(apply::FormValues& values, const config::ApConfigRecord& built);

// The names `set` takes, as `show --json` names them (nested ones dotted:
// "dhcp_server.start", "wep_keys.2", "radius_servers.1.ip").
QStringList SettableNames();

// Types `value` into the form's field for `name`; the form's field rule
// runs as on leaving the field. The refusal's text (the form's own message
// in English) when the value is not taken. In a multi-AP apply the settings
// each AP keeps for itself (addressing, DHCP server, channel) are refused.
std::optional<QString> SetNamed(config::FormSettings& form, const config::ApConfigRecord& shown,
                                const QString& name, const QString& value, bool multi);

}  // namespace tern::app
