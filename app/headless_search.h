#pragma once

#include "link/discovery_search.h"

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

ApListLine ListLineFor(const link::DiscoverySearch::Found& ap);
QString FormatApTable(const std::vector<ApListLine>& lines);

}  // namespace tern::app
