#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/net/protocol.h"
#include "core/record/net_types.h"

namespace tern::record {

// One AP's 1148-byte configuration record in host byte order, that is after
// the wire-order conversion. Numbers of two or four bytes are kept
// little-endian, byte by byte, whatever the CPU, so reversing them for the
// wire gives big-endian: reg_domain 0x0041 is host bytes 41 00, wire 00 41.
// `wds` is the one two-byte number the wire conversion leaves alone; its
// host bytes travel as they are (1 is 01 00 on the wire too).
//
// Every setter writes only the bytes of its own field; a record taken from
// an AP and edited field by field sends every other byte back unchanged.
//
// Text fields. A getter returns the bytes up to the first zero byte, but
// never more than the field's maximum length, so a field without terminator
// never reads into its neighbour. A setter cuts the text to the maximum,
// writes it, and fills the rest of the field's text bytes with zeros (this
// is also the terminator where there is room). Exceptions:
//   - mgmt_user / mgmt_pass: the text occupies bytes 36..50 / 52..66 only;
//     bytes 51 and 67 are never touched.
//   - radius secret: text bytes are entry offsets 6..37; a 32-character
//     secret gets its terminator at entry offset 38; otherwise offsets 38
//     and 39 are never touched.
//   - wpa_passphrase: a 64-character value fills the field, no terminator.
//
// WEP keys are raw bytes in fixed slots; a setter cuts the value to the slot
// and fills the rest of the slot with zeros, so no byte of an earlier,
// longer key survives behind a shorter one.
//
// Indexed accessors (RADIUS entry 0..1, WEP key 0..3) with an index out of
// range read as zero / empty and write nothing.
class ApConfigRecord {
  public:
    static constexpr std::size_t kSize = net::kRecordSize;

    static constexpr int kApNameMax = 31;
    static constexpr int kLoginTextMax = 15;  // mgmt_user, mgmt_pass
    static constexpr int kRadiusSecretMax = 32;
    static constexpr int kWpaPassphraseMax = 64;
    static constexpr int kSsidMax = 32;
    static constexpr int kRadiusEntries = 2;
    static constexpr int kWepKeys = 4;
    static constexpr int kWep64KeyBytes = 5;
    static constexpr int kWep128KeyBytes = 13;
    static constexpr int kWepWideSlotBytes = 16;
    static constexpr int kWepWideShownBytes = 15;
    // Offset of mac_addr: discovery reads the MAC here before anything else.
    static constexpr std::size_t kMacAddrOffset = 1130;

    // All bytes zero.
    ApConfigRecord();
    explicit ApConfigRecord(const net::RecordBytes& hostOrderBytes);
    // Exactly kSize bytes, else nullopt.
    static std::optional<ApConfigRecord> FromBytes(QByteArrayView hostOrderBytes);

    const net::RecordBytes& bytes() const { return bytes_; }
    QByteArray toByteArray() const;

    bool operator==(const ApConfigRecord&) const = default;

    // --- identity and management login
    QByteArray ap_name() const;
    void set_ap_name(QByteArrayView name);
    QByteArray mgmt_user() const;
    void set_mgmt_user(QByteArrayView user);
    QByteArray mgmt_pass() const;
    void set_mgmt_pass(QByteArrayView pass);

    // --- the AP's DHCP server
    Ipv4Address dns_server() const;
    void set_dns_server(const Ipv4Address& address);
    bool dhcp_server_on() const;  // any non-zero byte
    void set_dhcp_server_on(bool on);
    Ipv4Address dhcp_pool_start() const;
    void set_dhcp_pool_start(const Ipv4Address& address);
    std::uint16_t dhcp_pool_size() const;
    void set_dhcp_pool_size(std::uint16_t size);

    // --- 802.1X and RADIUS
    bool dot1x_on() const;  // only the byte value 1 means on
    void set_dot1x_on(bool on);
    std::uint8_t dot1x_key_len() const;
    void set_dot1x_key_len(std::uint8_t length);
    std::uint32_t dot1x_key_lifetime() const;
    void set_dot1x_key_lifetime(std::uint32_t seconds);
    Ipv4Address radius_ip(int entry) const;
    void set_radius_ip(int entry, const Ipv4Address& address);
    std::uint16_t radius_port(int entry) const;
    void set_radius_port(int entry, std::uint16_t port);
    QByteArray radius_secret(int entry) const;
    void set_radius_secret(int entry, QByteArrayView secret);

    // --- WPA
    std::uint32_t wpa_on() const;
    void set_wpa_on(std::uint32_t value);
    std::uint32_t wpa_psk() const;
    void set_wpa_psk(std::uint32_t value);
    std::uint32_t wpa_word3() const;
    void set_wpa_word3(std::uint32_t value);
    std::uint32_t wpa_word4() const;
    void set_wpa_word4(std::uint32_t value);
    std::uint32_t wpa_cipher() const;
    void set_wpa_cipher(std::uint32_t value);
    QByteArray wpa_passphrase() const;
    void set_wpa_passphrase(QByteArrayView passphrase);

    // --- addressing
    Ipv4Address ip_addr() const;
    void set_ip_addr(const Ipv4Address& address);
    Ipv4Address subnet_mask() const;
    void set_subnet_mask(const Ipv4Address& address);
    Ipv4Address gateway() const;
    void set_gateway(const Ipv4Address& address);
    bool ip_mode() const;  // true: fixed address, false: DHCP client
    void set_ip_mode(bool fixed_address);
    MacAddress mac_addr() const;
    void set_mac_addr(const MacAddress& mac);
    Ipv4Address current_ip() const;
    void set_current_ip(const Ipv4Address& address);

    // --- radio
    std::uint8_t auth_type() const;
    void set_auth_type(std::uint8_t type);
    std::uint8_t channel() const;
    void set_channel(std::uint8_t channel);
    std::uint16_t reg_domain() const;
    void set_reg_domain(std::uint16_t code);
    std::uint8_t tx_rate() const;
    void set_tx_rate(std::uint8_t code);
    QByteArray ssid() const;
    void set_ssid(QByteArrayView ssid);

    // --- WEP
    QByteArray wep64_key(int k) const;  // 5 bytes
    void set_wep64_key(int k, QByteArrayView key);
    QByteArray wep128_key(int k) const;  // 13 bytes
    void set_wep128_key(int k, QByteArrayView key);
    QByteArray wep_wide_key(int k) const;        // the whole 16-byte slot
    QByteArray wep_wide_shown_key(int k) const;  // its first 15 bytes
    void set_wep_wide_key(int k, QByteArrayView key);
    std::uint8_t wep_key_len() const;
    void set_wep_key_len(std::uint8_t length);
    std::uint8_t wep_key_format() const;  // raw: 0 hex, non-zero ASCII
    bool wep_keys_ascii() const;
    void set_wep_key_format(bool entered_as_ascii);  // writes 1 or 0
    std::uint8_t wep_default_key() const;
    void set_wep_default_key(std::uint8_t key);
    bool wep_on() const;  // any non-zero byte
    void set_wep_on(bool on);

    // --- advanced radio settings
    std::uint8_t turbo_mode() const;
    void set_turbo_mode(std::uint8_t mode);
    std::uint8_t tx_power() const;
    void set_tx_power(std::uint8_t power);
    std::uint16_t beacon_interval() const;
    void set_beacon_interval(std::uint16_t value);
    std::uint16_t dtim_period() const;
    void set_dtim_period(std::uint16_t value);
    std::uint16_t frag_threshold() const;
    void set_frag_threshold(std::uint16_t value);
    std::uint16_t rts_threshold() const;
    void set_rts_threshold(std::uint16_t value);
    std::uint8_t cleared_byte() const;
    void set_cleared_byte(std::uint8_t value);
    std::uint8_t g_only() const;
    void set_g_only(std::uint8_t value);
    std::uint16_t flag_word() const;
    void set_flag_word(std::uint16_t value);
    std::uint8_t op_mode() const;
    void set_op_mode(std::uint8_t mode);
    MacAddress remote_mac() const;
    void set_remote_mac(const MacAddress& mac);
    bool ssid_hidden() const;  // any non-zero byte
    void set_ssid_hidden(bool hidden);
    std::uint16_t mode_bits() const;
    void set_mode_bits(std::uint16_t bits);
    std::uint16_t wds() const;
    void set_wds(std::uint16_t value);

  private:
    std::uint8_t u8(std::size_t offset) const { return bytes_[offset]; }
    void set_u8(std::size_t offset, std::uint8_t value) { bytes_[offset] = value; }
    std::uint16_t u16(std::size_t offset) const;
    void set_u16(std::size_t offset, std::uint16_t value);
    std::uint32_t u32(std::size_t offset) const;
    void set_u32(std::size_t offset, std::uint32_t value);
    Ipv4Address ipv4(std::size_t offset) const;
    void set_ipv4(std::size_t offset, const Ipv4Address& address);
    MacAddress mac(std::size_t offset) const;
    void set_mac(std::size_t offset, const MacAddress& mac);
    QByteArray text(std::size_t offset, int max_length) const;
    // Writes at most `max_length` bytes of `value` and zeros up to `area`.
    void set_text(std::size_t offset, int max_length, int area, QByteArrayView value);
    QByteArray slot(std::size_t offset, int size) const;
    void set_slot(std::size_t offset, int size, QByteArrayView value);

    net::RecordBytes bytes_{};
};

}  // namespace tern::record
