#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace tern::cli {

// One record of RFC 4180 CSV: each field quoted where it holds a comma, a
// quote, a CR or a LF (quotes doubled), the record ended by CRLF.
QByteArray CsvRecord(const QStringList& fields);

// A JSON value as one CSV field: a text as itself, true/false, a number as
// JSON writes it, null as empty, a coded value by its text.
QString CsvField(const QJsonValue& value);

// One compact JSON object per line.
QByteArray JsonLines(const QList<QJsonObject>& objects);

// scan's entries (ScanEntry plus interface) as CSV with a header row.
QByteArray ScanCsv(const QList<QJsonObject>& entries);

// show's objects (DecodeSettings plus interface), flattened to the names
// `set` takes ("dhcp_server.start", "wep_keys.2"), as CSV with a header
// row; the columns in the order the pages show them.
QByteArray ShowCsv(const QList<QJsonObject>& shown);

// show for people: grouped as the window's pages (status, AP, IP, WEP/WPA,
// 802.1X, advanced), one setting a line under the name `set` takes, list
// values by their words, booleans as on/off; rows that say nothing for this
// AP (an empty key, the remote MAC of an access point, an unused second
// RADIUS server) are left out. `revealed` are the same objects with secrets
// shown: they tell an empty key from a masked one. Texts from the AP lose
// their control characters, so a name cannot move the terminal's cursor or
// fake a row.
QByteArray ShowText(const QList<QJsonObject>& shown, const QList<QJsonObject>& revealed);

}  // namespace tern::cli
