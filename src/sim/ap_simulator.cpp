#include "sim/ap_simulator.h"

#include <algorithm>
#include <cstring>

#include "core/record/code_tables.h"

namespace tern::sim {

namespace {

constexpr std::uint8_t kMacPrefix[3] = {0x02, 0x54, 0x45};

record::Ipv4Address Ip(int a, int b, int c, int d) {
    return {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
            static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(d)};
}

QByteArray Numbered(const char* prefix, int n) {
    return QByteArray(prefix) + QByteArray::number(n).rightJustified(4, '0');
}

// Settings every AP has, so a record shows sensibly on every page.
void FillCommon(record::ApConfigRecord& r, int index) {
    const int n = index + 1;
    r.set_ap_name(Numbered("TernAP-", n));
    r.set_ssid(Numbered("tern-", n));
    r.set_mac_addr({kMacPrefix[0], kMacPrefix[1], kMacPrefix[2],
                    static_cast<std::uint8_t>((index >> 16) & 0xFF),
                    static_cast<std::uint8_t>((index >> 8) & 0xFF),
                    static_cast<std::uint8_t>(index & 0xFF)});
    r.set_reg_domain(0x10);
    r.set_channel(static_cast<std::uint8_t>(1 + index % 11));
    r.set_ip_mode(true);
    const auto ip = Ip(192, 168, static_cast<int>(1 + (index / 200) % 200), 10 + index % 200);
    r.set_ip_addr(ip);
    r.set_current_ip(ip);
    r.set_subnet_mask(Ip(255, 255, 255, 0));
    r.set_gateway(Ip(192, 168, 1, 1));
    r.set_dns_server(Ip(192, 168, 1, 1));
    r.set_dhcp_pool_start(Ip(192, 168, 1, 100));
    r.set_dhcp_pool_size(50);
    r.set_tx_rate(0);
    r.set_tx_power(0);
    r.set_beacon_interval(100);
    r.set_dtim_period(1);
    r.set_frag_threshold(2346);
    r.set_rts_threshold(2347);
    r.set_dot1x_key_len(5);
    r.set_dot1x_key_lifetime(3600);
    r.set_radius_port(0, 1812);
    r.set_radius_port(1, 1812);
}

// Variation by index, so a list of APs exercises every page's states.
void FillVariant(record::ApConfigRecord& r, int index) {
    switch (index % 8) {
        case 0:  // open AP
            break;
        case 1:  // WEP 64, hex keys
            r.set_wep_on(true);
            r.set_wep_key_len(5);
            r.set_wep64_key(0, QByteArray::fromHex("1a2b3c4d5e"));
            r.set_wep64_key(1, QByteArray::fromHex("0102030405"));
            break;
        case 2:  // WEP 128, ASCII keys, key 2 transmits
            r.set_wep_on(true);
            r.set_wep_key_len(13);
            r.set_wep_key_format(true);
            r.set_wep128_key(0, "tern-wep-key1");
            r.set_wep128_key(1, "tern-wep-key2");
            r.set_wep_default_key(1);
            break;
        case 3:  // WPA-PSK
            r.set_auth_type(3);
            r.set_wpa_on(1);
            r.set_wpa_psk(1);
            r.set_wpa_passphrase("correct horse battery");
            break;
        case 4:  // DHCP client, access point client mode
            r.set_ip_mode(false);
            r.set_ip_addr(Ip(0, 0, 0, 0));
            r.set_op_mode(1);
            break;
        case 5:  // 802.1X with a RADIUS server
            r.set_dot1x_on(true);
            r.set_dot1x_key_len(13);
            r.set_auth_type(2);
            r.set_wpa_on(1);
            r.set_radius_ip(0, Ip(192, 168, 1, 5));
            r.set_radius_secret(0, "radius-secret");
            break;
        case 6:  // wireless bridge with a remote MAC, own DHCP server
            r.set_op_mode(2);
            r.set_remote_mac({0x02, 0x54, 0x45, 0xAA, 0xBB, 0xCC});
            r.set_dhcp_server_on(true);
            break;
        case 7:  // repeater, hidden SSID, European domain
            r.set_op_mode(4);
            r.set_ssid_hidden(true);
            r.set_reg_domain(0x30);
            r.set_channel(13);
            break;
    }
}

}  // namespace

ApSimulator::ApSimulator(std::vector<SimulatedAp> aps, SimOptions options)
    : aps_(std::move(aps)), options_(options), random_(options.seed) {}

// A chance of 0 draws nothing, so a run without losses keeps the delays
// it had before any loss was asked for.
bool ApSimulator::lost(int percent) {
    if (percent <= 0) {
        return false;
    }
    return std::uniform_int_distribution<int>(0, 99)(random_) < percent;
}

int ApSimulator::apsChanged() const {
    return static_cast<int>(std::count_if(aps_.begin(), aps_.end(),
                                          [](const SimulatedAp& ap) { return ap.setsTaken > 0; }));
}

int ApSimulator::delay() {
    if (options_.maxDelayMs <= 0) {
        return 0;
    }
    return std::uniform_int_distribution<int>(0, options_.maxDelayMs)(random_);
}

QByteArray ApSimulator::DiscoveryPayload(const SimulatedAp& ap) {
    QByteArray payload;
    payload.reserve(net::kDiscoveryPacketSize);
    payload.append(net::kFirmwareModel);
    payload.append(kVariant);
    payload.append(net::kFirmwareSuffix);
    payload.append(QByteArray(8, '\0'));
    // Nobody's login travels in a search reply.
    record::ApConfigRecord shown = ap.record;
    shown.set_mgmt_user({});
    shown.set_mgmt_pass({});
    const net::RecordBytes wire = net::SwapRecordOrder(shown.bytes());
    payload.append(reinterpret_cast<const char*>(wire.data()), net::kRecordSize);
    return payload;
}

std::vector<SimReply> ApSimulator::handle(QByteArrayView datagram) {
    const QByteArrayView search(net::kSearchText);
    if (datagram.size() == static_cast<qsizetype>(net::kSearchRequestSize) &&
        datagram.startsWith(search)) {
        net::RequestMarker marker{};
        std::memcpy(marker.data(), datagram.data() + search.size(), marker.size());
        return answerSearch(marker);
    }
    if (datagram.size() == static_cast<qsizetype>(net::kSetRequestSize) &&
        datagram.startsWith(QByteArrayView(net::kTagSet))) {
        return answerSet(datagram);
    }
    return {};
}

std::vector<SimReply> ApSimulator::answerSearch(const net::RequestMarker& marker) {
    ++searches_;
    const net::LinkKey key = net::DeriveLinkKey(marker);
    std::vector<SimReply> replies;
    replies.reserve(aps_.size());
    for (const SimulatedAp& ap : aps_) {
        if (ap.silentOnSearch) {
            continue;
        }
        if (lost(options_.dropPercent)) {
            ++searchRepliesDropped_;
            continue;
        }
        QByteArray payload;
        if (ap.oldFirmware) {
            payload = QByteArray(net::kOldFirmwareId) + QByteArray(8, '\0');
        } else {
            payload = DiscoveryPayload(ap);
        }
        QByteArray datagram;
        if (options_.plainReplies) {
            datagram = payload;
        } else {
            datagram.reserve(payload.size() + net::kEncipheredPrefixSize);
            datagram.append(reinterpret_cast<const char*>(marker.data()), marker.size());
            datagram.append(static_cast<char>((payload.size() >> 8) & 0xFF));
            datagram.append(static_cast<char>(payload.size() & 0xFF));
            datagram.append(net::CipherRun(key, payload));
        }
        replies.push_back({std::move(datagram), delay()});
    }
    return replies;
}

std::vector<SimReply> ApSimulator::answerSet(QByteArrayView datagram) {
    net::RequestMarker marker{};
    std::memcpy(marker.data(), datagram.data() + 6, marker.size());
    const auto length =
        (static_cast<std::uint8_t>(datagram[14]) << 8) | static_cast<std::uint8_t>(datagram[15]);
    if (length != static_cast<int>(net::kRecordSize)) {
        return {};
    }
    ++setRequestsSeen_;
    const QByteArray plain =
        net::CipherRun(net::DeriveLinkKey(marker), datagram.sliced(16, net::kRecordSize));
    net::RecordBytes wire{};
    std::memcpy(wire.data(), plain.constData(), wire.size());
    const record::ApConfigRecord received(net::SwapRecordOrder(wire));

    for (SimulatedAp& ap : aps_) {
        if (ap.record.mac_addr() != received.mac_addr()) {
            continue;
        }
        if (lost(options_.setDropPercent)) {
            ++setRequestsLost_;
            return {};
        }
        ++setRequestsReachingAps_;
        if (ap.silentOnSet) {
            return {};
        }
        const auto mac = ap.record.mac_addr();
        QByteArray reply;
        if (received.mgmt_user() == ap.user && received.mgmt_pass() == ap.password) {
            if (!ap.acksWithoutTaking) {
                ap.record = received;
                ap.record.set_mgmt_user({});
                ap.record.set_mgmt_pass({});
                ++ap.setsTaken;
                ++accepted_;
            }
            reply = QByteArray(net::kTagAck);
        } else {
            ++refused_;
            reply = QByteArray(net::kTagError);
        }
        // The AP has acted on the request already: losing its answer on the
        // way back leaves the settings taken, as on a real segment.
        if (lost(options_.ackDropPercent)) {
            ++answersDropped_;
            return {};
        }
        reply.append('\0');
        reply.append(reinterpret_cast<const char*>(mac.data()), static_cast<qsizetype>(mac.size()));
        return {{reply, delay()}};
    }
    return {};
}

std::vector<SimulatedAp> GenerateAps(int count, int first) {
    std::vector<SimulatedAp> aps;
    aps.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = first; i < first + count; ++i) {
        SimulatedAp ap;
        FillCommon(ap.record, i);
        FillVariant(ap.record, i);
        aps.push_back(std::move(ap));
    }
    return aps;
}

std::vector<SimulatedAp> DemoAps(int count, bool withOldFirmware) {
    std::vector<SimulatedAp> aps = GenerateAps(count);
    static const char* const kNames[] = {"Lobby",       "Office-WEP64", "Lab-WEP128",
                                         "Guest-WPA",   "Warehouse",    "Secure-1X",
                                         "Bridge-East", "Repeater-Yard"};
    for (std::size_t i = 0; i < aps.size(); ++i) {
        if (i < std::size(kNames)) {
            aps[i].record.set_ap_name(kNames[i]);
        }
    }
    // One AP whose administrator changed the password: a login with the
    // default credentials is refused.
    if (aps.size() > 4) {
        aps[4].password = "secret";
    }
    if (withOldFirmware) {
        SimulatedAp old;
        FillCommon(old.record, count);
        old.record.set_ap_name("Old-Firmware");
        old.oldFirmware = true;
        aps.push_back(std::move(old));
    }
    return aps;
}

}  // namespace tern::sim
