#pragma once

#include <QJsonObject>

#include "core/record/ap_config_record.h"
#include "core/text/screen_text.h"

namespace tern::form {

// An AP as one search lists it, for scripts: mac, name, ssid, wep (bool, as
// the AP list's WEP cell says it), ip, channel, encryption. Texts are the AP's own, decoded from
// its code page; nothing in them is ever read as a pattern.
QJsonObject ScanEntry(const record::ApConfigRecord& record, text::TextEncoding encoding);

// Every setting the window shows, under stable snake_case names, as a
// person reads them on the form: list entries by their English text with
// the record's code beside them where that helps. Keys, pass phrases and
// RADIUS secrets are "***" unless `showSecrets`.
QJsonObject DecodeSettings(const record::ApConfigRecord& record, text::TextEncoding encoding,
                           bool showSecrets);

}  // namespace tern::form
