#pragma once

#include <QString>
#include <QStringList>

#include "core/engine/search_session.h"

namespace tern::cli {

// One line per AP found: MAC text, name, SSID and whether WEP is in use,
// as the AP list shows them (ListCellTexts): an SSID without terminator is
// empty, and so is the WEP cell of a default key out of range.
struct ApListLine {
    QString mac;
    QString name;
    QString ssid;
    QString wep;  // "Yes", "No" or empty
    QString interfaceName;
};

ApListLine ListLineFor(const engine::SearchSession::Found& ap);
// With `withInterface`, a last column names the interface each AP answered
// on (worth showing only when more than one was searched).
QString FormatApTable(const std::vector<ApListLine>& lines, bool withInterface = false);

}  // namespace tern::cli
