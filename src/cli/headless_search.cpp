#include "cli/headless_search.h"

#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "core/text/screen_text.h"

namespace tern::app {

ApListLine ListLineFor(const apply::SearchSession::Found& ap) {
    const config::ApConfigRecord record(ap.record);
    // WEP counts as in use only for the two authentication types that use
    // the WEP keys; WPA and WPA-PSK list "No".
    const bool wep = record.auth_type() < 2 && record.wep_on();
    // The window's code page when no Japanese language file is in use.
    const auto text = [](const QByteArray& bytes) {
        return ui::RecordTextToScreen(bytes, ui::TextEncoding::Windows1252);
    };
    return {config::MacText(record.mac_addr()), text(record.ap_name()), text(record.ssid()),
            wep ? QStringLiteral("Yes") : QStringLiteral("No"), ap.interfaceName};
}

QString FormatApTable(const std::vector<ApListLine>& lines, bool withInterface) {
    // Each text goes in as it is: an AP name such as "Lab%4" is data, never
    // a pattern to fill in.
    const auto row = [withInterface](const QString& mac, const QString& name, const QString& ssid,
                                     const QString& wep, const QString& iface) {
        QString line = mac.leftJustified(17) + QStringLiteral("  ") + name.leftJustified(31) +
                       QStringLiteral("  ") + ssid.leftJustified(32) + QStringLiteral("  ");
        line += withInterface ? wep.leftJustified(3) + QStringLiteral("  ") + iface : wep;
        return line + u'\n';
    };
    QString out = row(QStringLiteral("MAC address"), QStringLiteral("AP name"),
                      QStringLiteral("SSID"), QStringLiteral("WEP"), QStringLiteral("Interface"));
    for (const ApListLine& l : lines) {
        out += row(l.mac, l.name, l.ssid, l.wep, l.interfaceName);
    }
    return out;
}

}  // namespace tern::app
