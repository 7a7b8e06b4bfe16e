#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <optional>

#include "core/record/ap_config_record.h"
#include "core/text/screen_text.h"

namespace tern::form {

// A backup of one AP as tern-ap-cli writes it: JSON with "format"
// "tern-ap-backup", "version" 1, the AP's "mac", the "date" (UTC), the
// decoded "settings" (secrets included) and the whole "record" (1148
// bytes, host order) as hexadecimal.
QByteArray BackupFileContent(const record::ApConfigRecord& record, text::TextEncoding encoding,
                             const QDateTime& when);

// Writes the backup of `record` to `path` whole or not at all, readable by
// its owner only (it holds the AP's keys and secrets). False with the
// reason in `error` when it could not.
bool WriteBackupFile(const QString& path, const record::ApConfigRecord& record,
                     text::TextEncoding encoding, const QDateTime& when, QString* error);

// The record of a backup; nothing for a file that is not one, or is
// damaged (wrong format or version, a record that is not exactly 1148
// bytes of hexadecimal, a MAC that is not the record's).
std::optional<record::ApConfigRecord> ReadBackupFile(QByteArrayView content);

}  // namespace tern::form
