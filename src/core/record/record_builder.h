#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <variant>

#include "core/record/ap_config_record.h"

namespace tern::record {

// Everything the record builder reads from the main window, as plain values
// taken from the controls. Members are named after their controls; texts are
// exactly what the controls hold (Qt text(), input-mask separators and
// trailing blanks included), list indexes count from 0 with -1 for no
// selection, radio groups give the index of the first checked button or -1.
//
// The AP's name, SSID, pass phrase and RADIUS secrets go through the two
// text functions below, the same the window used to show them; a text still
// as it was shown keeps the AP's bytes exactly, even bytes the code page
// cannot show. WEP keys typed as characters go through the same code page.
struct FormSettings {
    // Record bytes to screen text and back; unset means Latin-1. The way back
    // gives nothing for a text the code page cannot hold.
    std::function<QString(QByteArrayView)> text_from_record;
    std::function<std::optional<QByteArray>(const QString&)> text_to_record;

    // ---- IP page (read only when one AP is built)
    bool i_r_dhcp = false;               // the AP takes its address by DHCP
    std::array<QString, 4> e_ip;         // e_ip_1 .. e_ip_4
    std::array<QString, 4> e_submask;    // e_submask_1 .. 4
    std::array<QString, 4> e_gateway;    // e_gateway_1 .. 4
    bool chB_dhcp_srv = false;           // checked, even while disabled
    std::array<QString, 4> e_dhcp_from;  // e_dhcp_from_1 .. 4
    std::array<QString, 4> e_dhcp_to;    // e_dhcp_to_1 .. 4 (only _4 is read)
    std::array<QString, 4> e_dns;        // e_dns_1 .. 4

    // ---- AP page
    std::optional<int> s_ch;  // channel number of the selected entry; nullopt: none
    QString e_apname;
    QString e_essid;
    int r_apmode = -1;  // r_apmode1 .. r_apmode5 -> 0..4
    QString e_rm_mac;   // six pairs joined by '-'
    int s_extended = -1;

    // ---- WEP / WPA page
    int w_rb_key = -1;  // w_rb_key1 .. w_rb_key4 -> 0..3
    bool chb_encry = false;
    int s_wep_1 = -1;                 // 0: 64 bits, 1: 128 bits
    bool w_r_hex = true;              // false: w_r_ascii
    std::array<QString, 4> e_key;     // e_key1 .. e_key4, the field texts
    std::array<QString, 4> key_hint;  // the key each field keeps (hex pairs)
    std::array<bool, 4> key_edited{};
    // The field still shows the row of '*' a shown record put there for the
    // AP's key, untouched since: it stands for that key, flagged or not. A
    // row of '*' the user typed is a key like any other.
    std::array<bool, 4> key_starred{};
    int s_auth = -1;
    // The EFFECTIVE pass phrase: the text the user typed, or, while the field
    // is unedited and shows its row of '*', the kept hint. Filling this with
    // the real value is the form's job; see also wpa_m_p_hint.
    QString wpa_m_p;
    QString wpa_m_p_hint;

    // ---- kept values of the advanced settings
    int more_rate = 0;
    int more_bcast = 0;
    int more_11g_only = 0;
    int more_superg = 0;
    int more_txpower = 0;
    int more_wds = 0;
    QString more_beacon;
    QString more_rts;
    QString more_frag;
    QString more_dtim;
    int flag_word_state = 0;

    // ---- 802.1X page (RADIUS fields are written even while disabled)
    bool Chk_8021x = false;
    int c_8_keylength = -1;
    int c_8_lifetime = -1;
    std::array<QString, 2> e_8_port;    // e_8_port1, e_8_port2
    std::array<QString, 2> e_8_shared;  // e_8_shared1, e_8_shared2
    std::array<QString, 4> e_8_ip;      // server 1: e_8_ip1 .. 4
    std::array<QString, 4> e_8_ipS;     // server 2: e_8_ipS1 .. 4
};

// The main window's settings after its defaults are applied at start-up.
// The RADIUS fields are empty there, so building from these settings as they
// are fails at the RADIUS port until the ports are filled in.
FormSettings DefaultFormSettings();

enum class BuildMode {
    Single,  // one AP: its addressing and channel come from the form
    Multi,   // several APs: each keeps its own addressing and channel
};

// Where a build gave up.
enum class BuildStep {
    AddressMode,       // fixed address octets
    SubnetAndGateway,  // mask and gateway octets
    DhcpServer,        // pool start, pool end, DNS octets
    RemoteMac,         // the bridge partner's MAC
    AdvancedNumbers,   // beacon, RTS, fragmentation, DTIM
    RadiusPort,
    RadiusAddress,
    Text,  // a text the code page cannot hold, or too long for its field
};

struct BuildFailure {
    BuildStep step;
    QString field;  // control or kept value, e.g. "e_ip_3", "more_rts", "e_8_port2"
    QString text;   // what it held
};

// The built record, or the reason there is none.
class BuildResult {
  public:
    BuildResult(ApConfigRecord record) : value_(std::move(record)) {}
    BuildResult(BuildFailure failure) : value_(std::move(failure)) {}

    bool ok() const { return std::holds_alternative<ApConfigRecord>(value_); }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const ApConfigRecord& record() const { return std::get<ApConfigRecord>(value_); }
    // Only when !ok().
    const BuildFailure& failure() const { return std::get<BuildFailure>(value_); }

  private:
    std::variant<ApConfigRecord, BuildFailure> value_;
};

// A fresh record: `source` (an AP's received record, host order) with the
// form's settings written over it. Every byte the form does not control
// comes back as the AP sent it.
//
// Where this goes beyond a plain copy of the form:
//   - A WEP key whose key_edited flag is clear keeps the AP's own bytes, in
//     hex and ASCII alike; so does a key field whose key_starred is set,
//     even when flagged (a click on the representation already in force
//     flags all four keys without touching them). A typed ASCII key shorter than its slot is
//     zero-filled to the slot's end.
//   - An all-'*' pass phrase is never written while a hint is kept: the
//     hint is written instead.
//   - In Multi mode nothing but the form's shared settings reaches the
//     record: addressing, DHCP server, channel (unless the static turbo mode
//     forces 6), MAC, current address, domain, wide keys and every unedited
//     key stay the AP's own.
BuildResult BuildRecord(BuildMode mode, const ApConfigRecord& source, const FormSettings& form);

// `record` with the management login written in: the first 15 characters of
// each, zero-filled, at bytes 36..50 and 52..66; bytes 51 and 67 keep their
// values.
ApConfigRecord WithLogin(const ApConfigRecord& record, QByteArrayView user, QByteArrayView pass);

}  // namespace tern::record
