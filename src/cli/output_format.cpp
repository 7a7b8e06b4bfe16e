#include "cli/output_format.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "core/fleet/plan.h"
#include "core/text/screen_text.h"

namespace tern::cli {

namespace {

// scan's columns, as `scan --json` names them.
const QStringList kScanColumns = {
    QStringLiteral("mac"),        QStringLiteral("name"),      QStringLiteral("ssid"),
    QStringLiteral("wep"),        QStringLiteral("ip"),        QStringLiteral("channel"),
    QStringLiteral("encryption"), QStringLiteral("interface"),
};

struct Group {
    const char* title;
    QStringList names;
};

// The pages' order; every name `show --json` gives, flattened.
const QList<Group>& Groups() {
    static const QList<Group> groups = {
        {"Status",
         {QStringLiteral("mac"), QStringLiteral("current_ip"), QStringLiteral("encryption"),
          QStringLiteral("reg_domain"), QStringLiteral("interface")}},
        {"AP",
         {QStringLiteral("ap_name"), QStringLiteral("ssid"), QStringLiteral("channel"),
          QStringLiteral("op_mode"), QStringLiteral("remote_mac")}},
        {"IP",
         {QStringLiteral("ip_mode"), QStringLiteral("ip_address"), QStringLiteral("subnet_mask"),
          QStringLiteral("gateway"), QStringLiteral("dhcp_server.enabled"),
          QStringLiteral("dhcp_server.start"), QStringLiteral("dhcp_server.end_last_octet"),
          QStringLiteral("dhcp_server.pool_size"), QStringLiteral("dhcp_server.dns")}},
        {"WEP/WPA",
         {QStringLiteral("auth_type"), QStringLiteral("wep_key_length"),
          QStringLiteral("wep_key_format"), QStringLiteral("wep_default_key"),
          QStringLiteral("wep_keys.1"), QStringLiteral("wep_keys.2"), QStringLiteral("wep_keys.3"),
          QStringLiteral("wep_keys.4"), QStringLiteral("wpa_passphrase")}},
        {"802.1X",
         {QStringLiteral("dot1x"), QStringLiteral("dot1x_key_length"),
          QStringLiteral("dot1x_key_lifetime"), QStringLiteral("radius_servers.1.ip"),
          QStringLiteral("radius_servers.1.port"), QStringLiteral("radius_servers.1.shared_secret"),
          QStringLiteral("radius_servers.2.ip"), QStringLiteral("radius_servers.2.port"),
          QStringLiteral("radius_servers.2.shared_secret")}},
        {"Advanced",
         {QStringLiteral("beacon_interval"), QStringLiteral("rts_threshold"),
          QStringLiteral("frag_threshold"), QStringLiteral("dtim_period"),
          QStringLiteral("ssid_broadcast"), QStringLiteral("tx_rate"), QStringLiteral("tx_power"),
          QStringLiteral("g_only"), QStringLiteral("super_g"), QStringLiteral("extended_mode"),
          QStringLiteral("wds")}},
    };
    return groups;
}

QStringList ShowColumns() {
    QStringList names;
    for (const Group& g : Groups()) names += g.names;
    return names;
}

QHash<QString, QJsonValue> Flat(const QJsonObject& shown) {
    QHash<QString, QJsonValue> flat;
    for (const auto& [name, value] : fleet::FlattenDecoded(shown, true)) {
        flat.insert(name, fleet::CodedText(value));
    }
    return flat;
}

// A value for people: booleans as on/off, the 802.1X lists with the words
// the window's lists give them beside the number `set` takes.
QString TextOf(const QString& name, const QJsonValue& v) {
    if (v.isBool()) return v.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    if (name == u"wds") return v.toInt() != 0 ? QStringLiteral("on") : QStringLiteral("off");
    if (name == u"dot1x_key_length") {
        const int n = v.toInt();
        return n == 5    ? QStringLiteral("5 (64 bits)")
               : n == 13 ? QStringLiteral("13 (128 bits)")
                         : QString::number(n);
    }
    if (name == u"dot1x_key_lifetime") {
        static const QHash<int, QString> kWords = {
            {86400, QStringLiteral("1 day")},    {28800, QStringLiteral("8 hours")},
            {3600, QStringLiteral("1 hour")},    {1800, QStringLiteral("30 minutes")},
            {900, QStringLiteral("15 minutes")}, {300, QStringLiteral("5 minutes")}};
        const int n = v.toInt();
        return kWords.contains(n) ? QString::number(n) + QStringLiteral(" s (") + kWords[n] + u')'
                                  : QString::number(n) + QStringLiteral(" s");
    }
    return text::VisibleText(CsvField(v));
}

// Whether a row says nothing about this AP; `flat` holds the values with
// secrets shown, so an empty key is told from a masked one.
bool Idle(const QString& name, const QJsonValue& value, const QHash<QString, QJsonValue>& flat) {
    if (value.isUndefined() || (value.isString() && value.toString().isEmpty())) return true;
    if (name == u"remote_mac")
        return flat.value(QStringLiteral("op_mode")).toString() == u"Access Point";
    if (name == u"wpa_passphrase")
        return flat.value(QStringLiteral("auth_type")).toString() != u"WPA-PSK";
    if (name.startsWith(u"wep_")) return flat.value(QStringLiteral("wep_key_length")).toInt() == 0;
    if (name.startsWith(u"dhcp_server.") && name != u"dhcp_server.enabled") {
        return !flat.value(QStringLiteral("dhcp_server.enabled")).toBool();
    }
    if (name.startsWith(u"radius_servers.") || name.startsWith(u"dot1x_")) {
        if (!flat.value(QStringLiteral("dot1x")).toBool()) return true;
        const QString server = name.section(u'.', 0, 1);
        return name.startsWith(u"radius_servers.2") &&
               flat.value(server + QStringLiteral(".ip")).toString() == u"0.0.0.0";
    }
    return false;
}

}  // namespace

QByteArray CsvRecord(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        // What an AP sent reaches a spreadsheet or a terminal as readable
        // text: a line break in a name never starts a forged row.
        const QString f = text::VisibleText(field);
        const bool quote = f.contains(u',') || f.contains(u'"');
        quoted << (quote ? u'"' + QString(f).replace(u'"', QStringLiteral("\"\"")) + u'"' : f);
    }
    return quoted.join(u',').toUtf8() + "\r\n";
}

QString CsvField(const QJsonValue& value) {
    const QJsonValue v = fleet::CodedText(value);
    if (v.isString()) return v.toString();
    if (v.isBool()) return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (v.isNull() || v.isUndefined()) return {};
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

QByteArray JsonLines(const QList<QJsonObject>& objects) {
    QByteArray out;
    for (const QJsonObject& o : objects)
        out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    return out;
}

QByteArray ScanCsv(const QList<QJsonObject>& entries) {
    QByteArray out = CsvRecord(kScanColumns);
    for (const QJsonObject& e : entries) {
        QStringList row;
        for (const QString& c : kScanColumns) row << CsvField(e.value(c));
        out += CsvRecord(row);
    }
    return out;
}

QByteArray ShowCsv(const QList<QJsonObject>& shown) {
    const QStringList columns = ShowColumns();
    QByteArray out = CsvRecord(columns);
    for (const QJsonObject& s : shown) {
        const QHash<QString, QJsonValue> flat = Flat(s);
        QStringList row;
        for (const QString& c : columns) row << CsvField(flat.value(c));
        out += CsvRecord(row);
    }
    return out;
}

QByteArray ShowText(const QList<QJsonObject>& shown, const QList<QJsonObject>& revealed) {
    QString out;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!out.isEmpty()) out += u'\n';
        const QHash<QString, QJsonValue> flat = Flat(shown[i]);
        const QHash<QString, QJsonValue> plain = Flat(revealed.value(i, shown[i]));
        for (const Group& g : Groups()) {
            QString rows;
            for (const QString& name : g.names) {
                const QJsonValue v = flat.value(name, QJsonValue(QJsonValue::Undefined));
                if (Idle(name, plain.value(name, QJsonValue(QJsonValue::Undefined)), plain))
                    continue;
                rows += QStringLiteral("  ") + name.leftJustified(32) + TextOf(name, v) + u'\n';
            }
            if (!rows.isEmpty()) out += QString::fromLatin1(g.title) + u'\n' + rows;
        }
    }
    return out.toUtf8();
}

}  // namespace tern::cli
