#include "core/record/ap_config_record.h"

#include <algorithm>
#include <cstring>

namespace tern::record {

namespace {

// Field offsets in the record.
constexpr std::size_t kApName = 4;
constexpr std::size_t kMgmtUser = 36;
constexpr std::size_t kMgmtPass = 52;
constexpr std::size_t kDnsServer = 108;
constexpr std::size_t kDhcpServerOn = 120;
constexpr std::size_t kDhcpPoolStart = 124;
constexpr std::size_t kDhcpPoolSize = 130;
constexpr std::size_t kDot1xOn = 454;
constexpr std::size_t kDot1xKeyLen = 455;
constexpr std::size_t kDot1xKeyLifetime = 456;
constexpr std::size_t kRadius = 460;
constexpr std::size_t kRadiusEntrySize = 40;
constexpr std::size_t kRadiusIp = 0;
constexpr std::size_t kRadiusPort = 4;
constexpr std::size_t kRadiusSecret = 6;
constexpr std::size_t kRadiusSecretTerminator = 38;
constexpr std::size_t kWpaOn = 540;
constexpr std::size_t kWpaPsk = 544;
constexpr std::size_t kWpaWord3 = 548;
constexpr std::size_t kWpaWord4 = 552;
constexpr std::size_t kWpaCipher = 556;
constexpr std::size_t kWpaPassphrase = 560;
constexpr std::size_t kIpAddr = 812;
constexpr std::size_t kSubnetMask = 816;
constexpr std::size_t kGateway = 820;
constexpr std::size_t kAuthType = 828;
constexpr std::size_t kChannel = 829;
constexpr std::size_t kRegDomain = 830;
constexpr std::size_t kTxRate = 832;
constexpr std::size_t kSsid = 833;
constexpr int kSsidField = 33;
constexpr int kApNameField = 32;
constexpr std::size_t kWep64Keys = 930;
constexpr std::size_t kWep128Keys = 950;
constexpr std::size_t kWepWideKeys = 1002;
constexpr std::size_t kWepKeyLen = 1066;
constexpr std::size_t kWepKeyFormat = 1067;
constexpr std::size_t kWepDefaultKey = 1068;
constexpr std::size_t kWepOn = 1069;
constexpr std::size_t kTurboMode = 1070;
constexpr std::size_t kTxPower = 1073;
constexpr std::size_t kBeaconInterval = 1074;
constexpr std::size_t kDtimPeriod = 1076;
constexpr std::size_t kFragThreshold = 1078;
constexpr std::size_t kRtsThreshold = 1080;
constexpr std::size_t kClearedByte = 1082;
constexpr std::size_t kGOnly = 1091;
constexpr std::size_t kFlagWord = 1092;
constexpr std::size_t kOpMode = 1094;
constexpr std::size_t kRemoteMac = 1095;
constexpr std::size_t kSsidHidden = 1109;
constexpr std::size_t kModeBits = 1112;
constexpr std::size_t kWds = 1120;
constexpr std::size_t kIpMode = 1128;
constexpr std::size_t kMacAddr = ApConfigRecord::kMacAddrOffset;
constexpr std::size_t kCurrentIp = 1136;

bool ValidEntry(int entry) { return entry >= 0 && entry < ApConfigRecord::kRadiusEntries; }
bool ValidKey(int k) { return k >= 0 && k < ApConfigRecord::kWepKeys; }

std::size_t RadiusBase(int entry) {
    return kRadius + static_cast<std::size_t>(entry) * kRadiusEntrySize;
}

std::size_t KeySlot(std::size_t base, int k, int size) {
    return base + static_cast<std::size_t>(k) * static_cast<std::size_t>(size);
}

}  // namespace

ApConfigRecord::ApConfigRecord() = default;

ApConfigRecord::ApConfigRecord(const net::RecordBytes& hostOrderBytes) : bytes_(hostOrderBytes) {}

std::optional<ApConfigRecord> ApConfigRecord::FromBytes(QByteArrayView hostOrderBytes) {
    if (hostOrderBytes.size() != static_cast<qsizetype>(kSize)) return std::nullopt;
    ApConfigRecord record;
    std::memcpy(record.bytes_.data(), hostOrderBytes.data(), kSize);
    return record;
}

QByteArray ApConfigRecord::toByteArray() const {
    return QByteArray(reinterpret_cast<const char*>(bytes_.data()), static_cast<qsizetype>(kSize));
}

// --- private helpers

std::uint16_t ApConfigRecord::u16(std::size_t offset) const {
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

void ApConfigRecord::set_u16(std::size_t offset, std::uint16_t value) {
    bytes_[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint32_t ApConfigRecord::u32(std::size_t offset) const {
    return static_cast<std::uint32_t>(bytes_[offset]) |
           (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
}

void ApConfigRecord::set_u32(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes_[offset + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

Ipv4Address ApConfigRecord::ipv4(std::size_t offset) const {
    Ipv4Address address{};
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), address.size(),
                address.begin());
    return address;
}

void ApConfigRecord::set_ipv4(std::size_t offset, const Ipv4Address& address) {
    std::copy(address.begin(), address.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

MacAddress ApConfigRecord::mac(std::size_t offset) const {
    MacAddress value{};
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), value.size(), value.begin());
    return value;
}

void ApConfigRecord::set_mac(std::size_t offset, const MacAddress& value) {
    std::copy(value.begin(), value.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

QByteArray ApConfigRecord::text(std::size_t offset, int max_length) const {
    const auto* start = reinterpret_cast<const char*>(bytes_.data() + offset);
    const void* zero = std::memchr(start, 0, static_cast<std::size_t>(max_length));
    const qsizetype length =
        zero ? static_cast<const char*>(zero) - start : static_cast<qsizetype>(max_length);
    return QByteArray(start, length);
}

void ApConfigRecord::set_text(std::size_t offset, int max_length, int area, QByteArrayView value) {
    const qsizetype length = std::min<qsizetype>(value.size(), max_length);
    std::uint8_t* start = bytes_.data() + offset;
    if (length > 0) std::memcpy(start, value.data(), static_cast<std::size_t>(length));
    std::memset(start + length, 0, static_cast<std::size_t>(area - length));
}

QByteArray ApConfigRecord::slot(std::size_t offset, int size) const {
    return QByteArray(reinterpret_cast<const char*>(bytes_.data() + offset), size);
}

void ApConfigRecord::set_slot(std::size_t offset, int size, QByteArrayView value) {
    set_text(offset, size, size, value);
}

// --- identity and management login

QByteArray ApConfigRecord::ap_name() const { return text(kApName, kApNameMax); }
void ApConfigRecord::set_ap_name(QByteArrayView name) {
    set_text(kApName, kApNameMax, kApNameField, name);
}
QByteArray ApConfigRecord::mgmt_user() const { return text(kMgmtUser, kLoginTextMax); }
void ApConfigRecord::set_mgmt_user(QByteArrayView user) {
    set_text(kMgmtUser, kLoginTextMax, kLoginTextMax, user);
}
QByteArray ApConfigRecord::mgmt_pass() const { return text(kMgmtPass, kLoginTextMax); }
void ApConfigRecord::set_mgmt_pass(QByteArrayView pass) {
    set_text(kMgmtPass, kLoginTextMax, kLoginTextMax, pass);
}

// --- the AP's DHCP server

Ipv4Address ApConfigRecord::dns_server() const { return ipv4(kDnsServer); }
void ApConfigRecord::set_dns_server(const Ipv4Address& a) { set_ipv4(kDnsServer, a); }
bool ApConfigRecord::dhcp_server_on() const { return u8(kDhcpServerOn) != 0; }
void ApConfigRecord::set_dhcp_server_on(bool on) { set_u8(kDhcpServerOn, on ? 1 : 0); }
Ipv4Address ApConfigRecord::dhcp_pool_start() const { return ipv4(kDhcpPoolStart); }
void ApConfigRecord::set_dhcp_pool_start(const Ipv4Address& a) { set_ipv4(kDhcpPoolStart, a); }
std::uint16_t ApConfigRecord::dhcp_pool_size() const { return u16(kDhcpPoolSize); }
void ApConfigRecord::set_dhcp_pool_size(std::uint16_t size) { set_u16(kDhcpPoolSize, size); }

// --- 802.1X and RADIUS

bool ApConfigRecord::dot1x_on() const { return u8(kDot1xOn) == 1; }
void ApConfigRecord::set_dot1x_on(bool on) { set_u8(kDot1xOn, on ? 1 : 0); }
std::uint8_t ApConfigRecord::dot1x_key_len() const { return u8(kDot1xKeyLen); }
void ApConfigRecord::set_dot1x_key_len(std::uint8_t length) { set_u8(kDot1xKeyLen, length); }
std::uint32_t ApConfigRecord::dot1x_key_lifetime() const { return u32(kDot1xKeyLifetime); }
void ApConfigRecord::set_dot1x_key_lifetime(std::uint32_t seconds) {
    set_u32(kDot1xKeyLifetime, seconds);
}

Ipv4Address ApConfigRecord::radius_ip(int entry) const {
    return ValidEntry(entry) ? ipv4(RadiusBase(entry) + kRadiusIp) : Ipv4Address{};
}
void ApConfigRecord::set_radius_ip(int entry, const Ipv4Address& address) {
    if (ValidEntry(entry)) set_ipv4(RadiusBase(entry) + kRadiusIp, address);
}
std::uint16_t ApConfigRecord::radius_port(int entry) const {
    return ValidEntry(entry) ? u16(RadiusBase(entry) + kRadiusPort) : 0;
}
void ApConfigRecord::set_radius_port(int entry, std::uint16_t port) {
    if (ValidEntry(entry)) set_u16(RadiusBase(entry) + kRadiusPort, port);
}
QByteArray ApConfigRecord::radius_secret(int entry) const {
    return ValidEntry(entry) ? text(RadiusBase(entry) + kRadiusSecret, kRadiusSecretMax)
                             : QByteArray();
}
void ApConfigRecord::set_radius_secret(int entry, QByteArrayView secret) {
    if (!ValidEntry(entry)) return;
    const std::size_t base = RadiusBase(entry);
    set_text(base + kRadiusSecret, kRadiusSecretMax, kRadiusSecretMax, secret);
    // A full-length secret takes its terminator from the reserved pair that
    // follows; shorter ones leave that pair as the AP sent it.
    if (secret.size() >= kRadiusSecretMax) set_u8(base + kRadiusSecretTerminator, 0);
}

// --- WPA

std::uint32_t ApConfigRecord::wpa_on() const { return u32(kWpaOn); }
void ApConfigRecord::set_wpa_on(std::uint32_t value) { set_u32(kWpaOn, value); }
std::uint32_t ApConfigRecord::wpa_psk() const { return u32(kWpaPsk); }
void ApConfigRecord::set_wpa_psk(std::uint32_t value) { set_u32(kWpaPsk, value); }
std::uint32_t ApConfigRecord::wpa_word3() const { return u32(kWpaWord3); }
void ApConfigRecord::set_wpa_word3(std::uint32_t value) { set_u32(kWpaWord3, value); }
std::uint32_t ApConfigRecord::wpa_word4() const { return u32(kWpaWord4); }
void ApConfigRecord::set_wpa_word4(std::uint32_t value) { set_u32(kWpaWord4, value); }
std::uint32_t ApConfigRecord::wpa_cipher() const { return u32(kWpaCipher); }
void ApConfigRecord::set_wpa_cipher(std::uint32_t value) { set_u32(kWpaCipher, value); }
QByteArray ApConfigRecord::wpa_passphrase() const {
    return text(kWpaPassphrase, kWpaPassphraseMax);
}
void ApConfigRecord::set_wpa_passphrase(QByteArrayView passphrase) {
    set_text(kWpaPassphrase, kWpaPassphraseMax, kWpaPassphraseMax, passphrase);
}

// --- addressing

Ipv4Address ApConfigRecord::ip_addr() const { return ipv4(kIpAddr); }
void ApConfigRecord::set_ip_addr(const Ipv4Address& a) { set_ipv4(kIpAddr, a); }
Ipv4Address ApConfigRecord::subnet_mask() const { return ipv4(kSubnetMask); }
void ApConfigRecord::set_subnet_mask(const Ipv4Address& a) { set_ipv4(kSubnetMask, a); }
Ipv4Address ApConfigRecord::gateway() const { return ipv4(kGateway); }
void ApConfigRecord::set_gateway(const Ipv4Address& a) { set_ipv4(kGateway, a); }
bool ApConfigRecord::ip_mode() const { return u8(kIpMode) != 0; }
void ApConfigRecord::set_ip_mode(bool fixed_address) { set_u8(kIpMode, fixed_address ? 1 : 0); }
MacAddress ApConfigRecord::mac_addr() const { return mac(kMacAddr); }
void ApConfigRecord::set_mac_addr(const MacAddress& m) { set_mac(kMacAddr, m); }
Ipv4Address ApConfigRecord::current_ip() const { return ipv4(kCurrentIp); }
void ApConfigRecord::set_current_ip(const Ipv4Address& a) { set_ipv4(kCurrentIp, a); }

// --- radio

std::uint8_t ApConfigRecord::auth_type() const { return u8(kAuthType); }
void ApConfigRecord::set_auth_type(std::uint8_t type) { set_u8(kAuthType, type); }
std::uint8_t ApConfigRecord::channel() const { return u8(kChannel); }
void ApConfigRecord::set_channel(std::uint8_t channel) { set_u8(kChannel, channel); }
std::uint16_t ApConfigRecord::reg_domain() const { return u16(kRegDomain); }
void ApConfigRecord::set_reg_domain(std::uint16_t code) { set_u16(kRegDomain, code); }
std::uint8_t ApConfigRecord::tx_rate() const { return u8(kTxRate); }
void ApConfigRecord::set_tx_rate(std::uint8_t code) { set_u8(kTxRate, code); }
QByteArray ApConfigRecord::ssid() const { return text(kSsid, kSsidMax); }
void ApConfigRecord::set_ssid(QByteArrayView ssid) { set_text(kSsid, kSsidMax, kSsidField, ssid); }

// --- WEP

QByteArray ApConfigRecord::wep64_key(int k) const {
    return ValidKey(k) ? slot(KeySlot(kWep64Keys, k, kWep64KeyBytes), kWep64KeyBytes)
                       : QByteArray();
}
void ApConfigRecord::set_wep64_key(int k, QByteArrayView key) {
    if (ValidKey(k)) set_slot(KeySlot(kWep64Keys, k, kWep64KeyBytes), kWep64KeyBytes, key);
}
QByteArray ApConfigRecord::wep128_key(int k) const {
    return ValidKey(k) ? slot(KeySlot(kWep128Keys, k, kWep128KeyBytes), kWep128KeyBytes)
                       : QByteArray();
}
void ApConfigRecord::set_wep128_key(int k, QByteArrayView key) {
    if (ValidKey(k)) set_slot(KeySlot(kWep128Keys, k, kWep128KeyBytes), kWep128KeyBytes, key);
}
QByteArray ApConfigRecord::wep_wide_key(int k) const {
    return ValidKey(k) ? slot(KeySlot(kWepWideKeys, k, kWepWideSlotBytes), kWepWideSlotBytes)
                       : QByteArray();
}
QByteArray ApConfigRecord::wep_wide_shown_key(int k) const {
    return wep_wide_key(k).left(kWepWideShownBytes);
}
void ApConfigRecord::set_wep_wide_key(int k, QByteArrayView key) {
    if (ValidKey(k)) {
        set_slot(KeySlot(kWepWideKeys, k, kWepWideSlotBytes), kWepWideSlotBytes, key);
    }
}
std::uint8_t ApConfigRecord::wep_key_len() const { return u8(kWepKeyLen); }
void ApConfigRecord::set_wep_key_len(std::uint8_t length) { set_u8(kWepKeyLen, length); }
std::uint8_t ApConfigRecord::wep_key_format() const { return u8(kWepKeyFormat); }
bool ApConfigRecord::wep_keys_ascii() const { return u8(kWepKeyFormat) != 0; }
void ApConfigRecord::set_wep_key_format(bool entered_as_ascii) {
    set_u8(kWepKeyFormat, entered_as_ascii ? 1 : 0);
}
std::uint8_t ApConfigRecord::wep_default_key() const { return u8(kWepDefaultKey); }
void ApConfigRecord::set_wep_default_key(std::uint8_t key) { set_u8(kWepDefaultKey, key); }
bool ApConfigRecord::wep_on() const { return u8(kWepOn) != 0; }
void ApConfigRecord::set_wep_on(bool on) { set_u8(kWepOn, on ? 1 : 0); }

// --- advanced radio settings

std::uint8_t ApConfigRecord::turbo_mode() const { return u8(kTurboMode); }
void ApConfigRecord::set_turbo_mode(std::uint8_t mode) { set_u8(kTurboMode, mode); }
std::uint8_t ApConfigRecord::tx_power() const { return u8(kTxPower); }
void ApConfigRecord::set_tx_power(std::uint8_t power) { set_u8(kTxPower, power); }
std::uint16_t ApConfigRecord::beacon_interval() const { return u16(kBeaconInterval); }
void ApConfigRecord::set_beacon_interval(std::uint16_t v) { set_u16(kBeaconInterval, v); }
std::uint16_t ApConfigRecord::dtim_period() const { return u16(kDtimPeriod); }
void ApConfigRecord::set_dtim_period(std::uint16_t v) { set_u16(kDtimPeriod, v); }
std::uint16_t ApConfigRecord::frag_threshold() const { return u16(kFragThreshold); }
void ApConfigRecord::set_frag_threshold(std::uint16_t v) { set_u16(kFragThreshold, v); }
std::uint16_t ApConfigRecord::rts_threshold() const { return u16(kRtsThreshold); }
void ApConfigRecord::set_rts_threshold(std::uint16_t v) { set_u16(kRtsThreshold, v); }
std::uint8_t ApConfigRecord::cleared_byte() const { return u8(kClearedByte); }
void ApConfigRecord::set_cleared_byte(std::uint8_t v) { set_u8(kClearedByte, v); }
std::uint8_t ApConfigRecord::g_only() const { return u8(kGOnly); }
void ApConfigRecord::set_g_only(std::uint8_t v) { set_u8(kGOnly, v); }
std::uint16_t ApConfigRecord::flag_word() const { return u16(kFlagWord); }
void ApConfigRecord::set_flag_word(std::uint16_t v) { set_u16(kFlagWord, v); }
std::uint8_t ApConfigRecord::op_mode() const { return u8(kOpMode); }
void ApConfigRecord::set_op_mode(std::uint8_t mode) { set_u8(kOpMode, mode); }
MacAddress ApConfigRecord::remote_mac() const { return mac(kRemoteMac); }
void ApConfigRecord::set_remote_mac(const MacAddress& m) { set_mac(kRemoteMac, m); }
bool ApConfigRecord::ssid_hidden() const { return u8(kSsidHidden) != 0; }
void ApConfigRecord::set_ssid_hidden(bool hidden) { set_u8(kSsidHidden, hidden ? 1 : 0); }
std::uint16_t ApConfigRecord::mode_bits() const { return u16(kModeBits); }
void ApConfigRecord::set_mode_bits(std::uint16_t bits) { set_u16(kModeBits, bits); }
std::uint16_t ApConfigRecord::wds() const { return u16(kWds); }
void ApConfigRecord::set_wds(std::uint16_t value) { set_u16(kWds, value); }

}  // namespace tern::record
