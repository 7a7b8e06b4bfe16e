#include "core/form/ap_settings.h"

#include <QJsonArray>

#include "core/form/record_view.h"
#include "core/record/ap_config_record.h"
#include "core/record/code_tables.h"
#include "core/record/net_types.h"
#include "core/rules/key_text.h"

namespace tern::form {

namespace {

const QString kHidden = QStringLiteral("***");

// The English texts of the lists, by the record's code or list index.
const char* const kAuthNames[] = {"Open System", "Shared Key", "WPA", "WPA-PSK"};
const char* const kTxPowerNames[] = {"Full", "Half", "Quarter", "Eighth", "Minimum"};
const char* const kTurboNames[] = {"Disabled", "SuperG without Turbo", "SuperG Dynamic Turbo",
                                   "SuperG Static Turbo"};

// A list value: its English text and its code.
QJsonObject Coded(const QString& text, qint64 code) {
    return QJsonObject{{QStringLiteral("text"), text}, {QStringLiteral("code"), code}};
}

QString Text(const QByteArray& bytes, text::TextEncoding encoding) {
    return text::RecordTextToScreen(bytes, encoding);
}

QString Secret(const QString& value, bool show) { return show ? value : kHidden; }

QJsonValue Channel(std::uint8_t channel) {
    const std::optional<QString> text = ChannelText(channel);
    bool ok = false;
    const int number = text ? text->toInt(&ok) : 0;
    return ok ? QJsonValue(number) : QJsonValue(QJsonValue::Null);
}

QJsonArray WepKeys(const record::ApConfigRecord& r, bool show) {
    QJsonArray keys;
    for (int k = 0; k < record::ApConfigRecord::kWepKeys; ++k) {
        QByteArray bytes;
        switch (r.wep_key_len()) {
            case record::kWepKeyLen64:
                bytes = r.wep64_key(k);
                break;
            case record::kWepKeyLen128:
                bytes = r.wep128_key(k);
                break;
            case record::kWepKeyLenWide:
                bytes = r.wep_wide_shown_key(k);
                break;
            default:
                break;
        }
        QString text;
        if (r.wep_keys_ascii()) {
            const qsizetype end = bytes.indexOf('\0');
            text = QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
        } else {
            text = rules::BytesToHexText(bytes);
        }
        keys.append(bytes.isEmpty() ? QString() : Secret(text, show));
    }
    return keys;
}

}  // namespace

QJsonObject ScanEntry(const record::ApConfigRecord& r, text::TextEncoding encoding) {
    // WEP by the rule of the AP list's WEP cell, so the table and this agree;
    // a bool also where the list leaves the cell empty (a default key past
    // the four).
    const int auth = r.auth_type() < record::kAuthTypeCount ? r.auth_type() : -1;
    const bool wep = WepInUse(auth, r.wep_on());
    return QJsonObject{
        {QStringLiteral("mac"), record::MacText(r.mac_addr())},
        {QStringLiteral("name"), Text(r.ap_name(), encoding)},
        {QStringLiteral("ssid"), Text(r.ssid(), encoding)},
        {QStringLiteral("wep"), wep},
        {QStringLiteral("ip"), record::Ipv4Text(r.ip_addr())},
        {QStringLiteral("channel"), Channel(r.channel())},
        {QStringLiteral("encryption"), QString::fromLatin1(record::EncryptionSummary(r))},
    };
}

QJsonObject DecodeSettings(const record::ApConfigRecord& r, text::TextEncoding encoding,
                           bool showSecrets) {
    QJsonObject s;
    s[QStringLiteral("mac")] = record::MacText(r.mac_addr());
    s[QStringLiteral("ap_name")] = Text(r.ap_name(), encoding);
    s[QStringLiteral("ssid")] = Text(r.ssid(), encoding);
    s[QStringLiteral("channel")] = Channel(r.channel());
    const record::RegDomain* domain = record::FindRegDomain(r.reg_domain());
    s[QStringLiteral("reg_domain")] =
        Coded(domain != nullptr ? QString(domain->label) : QString(), r.reg_domain());

    const record::OpModeInfo* mode = record::FindOpMode(r.op_mode());
    s[QStringLiteral("op_mode")] =
        Coded(mode != nullptr ? QString(mode->caption) : QString(), r.op_mode());
    s[QStringLiteral("remote_mac")] = record::MacText(r.remote_mac());

    s[QStringLiteral("ip_mode")] =
        Coded(r.ip_mode() ? QStringLiteral("Fixed IP") : QStringLiteral("DHCP client"),
              r.ip_mode() ? 1 : 0);
    s[QStringLiteral("ip_address")] = record::Ipv4Text(r.ip_addr());
    s[QStringLiteral("subnet_mask")] = record::Ipv4Text(r.subnet_mask());
    s[QStringLiteral("gateway")] = record::Ipv4Text(r.gateway());
    s[QStringLiteral("current_ip")] = record::Ipv4Text(r.current_ip());
    const int poolStart = r.dhcp_pool_start()[3];
    s[QStringLiteral("dhcp_server")] = QJsonObject{
        {QStringLiteral("enabled"), r.dhcp_server_on()},
        {QStringLiteral("start"), record::Ipv4Text(r.dhcp_pool_start())},
        {QStringLiteral("end_last_octet"), DhcpPoolEnd(poolStart, r.dhcp_pool_size())},
        {QStringLiteral("pool_size"), r.dhcp_pool_size()},
        {QStringLiteral("dns"), record::Ipv4Text(r.dns_server())},
    };

    s[QStringLiteral("encryption")] = QString::fromLatin1(record::EncryptionSummary(r));
    const int auth = r.auth_type();
    s[QStringLiteral("auth_type")] = Coded(
        auth < record::kAuthTypeCount ? QString::fromLatin1(kAuthNames[auth]) : QString(), auth);
    s[QStringLiteral("wep_key_length")] =
        r.wep_key_len() == record::kWepKeyLenNone
            ? 0
            : (r.wep_key_len() == record::kWepKeyLen64
                   ? 64
                   : (r.wep_key_len() == record::kWepKeyLen128 ? 128 : 256));
    s[QStringLiteral("wep_key_format")] =
        r.wep_keys_ascii() ? QStringLiteral("ascii") : QStringLiteral("hex");
    s[QStringLiteral("wep_default_key")] = r.wep_default_key() + 1;
    s[QStringLiteral("wep_keys")] = WepKeys(r, showSecrets);
    s[QStringLiteral("wpa_passphrase")] = Secret(Text(r.wpa_passphrase(), encoding), showSecrets);

    s[QStringLiteral("dot1x")] = r.dot1x_on();
    s[QStringLiteral("dot1x_key_length")] = r.dot1x_key_len();
    s[QStringLiteral("dot1x_key_lifetime")] = static_cast<qint64>(r.dot1x_key_lifetime());
    QJsonArray radius;
    for (int i = 0; i < record::ApConfigRecord::kRadiusEntries; ++i) {
        radius.append(QJsonObject{
            {QStringLiteral("ip"), record::Ipv4Text(r.radius_ip(i))},
            {QStringLiteral("port"), r.radius_port(i)},
            {QStringLiteral("shared_secret"),
             Secret(Text(r.radius_secret(i), encoding), showSecrets)},
        });
    }
    s[QStringLiteral("radius_servers")] = radius;

    s[QStringLiteral("tx_rate")] =
        Coded(r.tx_rate() == 0 ? QStringLiteral("Auto")
                               : QString::number(r.tx_rate() / 2.0) + QStringLiteral(" Mbit/s"),
              r.tx_rate());
    s[QStringLiteral("ssid_broadcast")] = !r.ssid_hidden();
    s[QStringLiteral("beacon_interval")] = r.beacon_interval();
    s[QStringLiteral("rts_threshold")] = r.rts_threshold();
    s[QStringLiteral("frag_threshold")] = r.frag_threshold();
    s[QStringLiteral("dtim_period")] = r.dtim_period();
    s[QStringLiteral("g_only")] = r.g_only() != 0;
    const int power = r.tx_power();
    s[QStringLiteral("tx_power")] =
        Coded(power < 5 ? QString::fromLatin1(kTxPowerNames[power]) : QString(), power);
    const int turbo = record::TurboIndex(r);
    s[QStringLiteral("super_g")] =
        Coded(turbo >= 0 ? QString::fromLatin1(kTurboNames[turbo]) : QString(), r.turbo_mode());
    s[QStringLiteral("extended_mode")] = record::IsExtendedMode(r.mode_bits());
    s[QStringLiteral("wds")] = r.wds();
    return s;
}

}  // namespace tern::form
