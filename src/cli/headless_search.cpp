#include "cli/headless_search.h"

#include "core/form/record_view.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "core/text/screen_text.h"

namespace tern::cli {

ApListLine ListLineFor(const engine::SearchSession::Found& ap) {
    // The window's own cells, in its code page when no Japanese language
    // file is in use: the table says what the AP list says.
    const QStringList cells =
        form::ListCellTexts(record::ApConfigRecord(ap.record), text::TextEncoding::Windows1252);
    return {cells[1], cells[0], cells[2], cells[3], ap.interfaceName};
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
        // The AP's own texts may hold anything: nothing reaches the
        // terminal that could move its cursor or start a line.
        out += row(l.mac, text::VisibleText(l.name), text::VisibleText(l.ssid), l.wep,
                   l.interfaceName);
    }
    return out;
}

}  // namespace tern::cli
