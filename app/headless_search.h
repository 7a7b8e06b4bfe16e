#pragma once

#include "apply/search_session.h"

#include <QString>
#include <QStringList>

namespace tern::app {

// One line per AP found: MAC text, name, SSID and whether WEP is in use,
// as the AP list shows them.
struct ApListLine {
    QString mac;
    QString name;
    QString ssid;
    QString wep;  // "Yes" or "No"
};

ApListLine ListLineFor(const apply::SearchSession::Found& ap);
QString FormatApTable(const std::vector<ApListLine>& lines);

}  // namespace tern::app
