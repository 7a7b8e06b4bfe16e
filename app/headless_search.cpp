#include "app/headless_search.h"

#include "config/ap_config_record.h"
#include "config/net_types.h"
#include "ui/screen_text.h"

namespace tern::app {

ApListLine ListLineFor(const link::DiscoverySearch::Found& ap) {
    const config::ApConfigRecord record(ap.record);
    // WEP counts as in use only for the two authentication types that use
    // the WEP keys; WPA and WPA-PSK list "No".
    const bool wep = record.auth_type() < 2 && record.wep_on();
    // The window's code page when no Japanese language file is in use.
    const auto text = [](const QByteArray& bytes) {
        return ui::RecordTextToScreen(bytes, ui::TextEncoding::Windows1252);
    };
    return {config::MacText(record.mac_addr()), text(record.ap_name()), text(record.ssid()),
            wep ? QStringLiteral("Yes") : QStringLiteral("No")};
}

QString FormatApTable(const std::vector<ApListLine>& lines) {
    QString out = QStringLiteral("%1  %2  %3  %4\n")
                      .arg(QStringLiteral("MAC address"), -17)
                      .arg(QStringLiteral("AP name"), -31)
                      .arg(QStringLiteral("SSID"), -32)
                      .arg(QStringLiteral("WEP"));
    for (const ApListLine& l : lines) {
        out += QStringLiteral("%1  %2  %3  %4\n")
                   .arg(l.mac, -17)
                   .arg(l.name, -31)
                   .arg(l.ssid, -32)
                   .arg(l.wep);
    }
    return out;
}

}  // namespace tern::app
