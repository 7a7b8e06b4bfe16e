#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <array>
#include <cstdint>

namespace tern::record {

class ApConfigRecord;

// --- regulatory domains (reg_domain)

struct RegDomain {
    std::uint16_t code;
    QLatin1StringView label;  // as the status page shows it
    std::uint8_t first_channel;
    std::uint8_t last_channel;
};

inline constexpr std::array<RegDomain, 7> kRegDomains = {{
    {0x10, QLatin1StringView("FCC"), 1, 11},
    {0x20, QLatin1StringView("Canada"), 1, 11},
    {0x30, QLatin1StringView("ETSI"), 1, 13},
    {0x31, QLatin1StringView("Spain"), 10, 11},
    {0x32, QLatin1StringView("France"), 10, 13},
    {0x40, QLatin1StringView("Japan"), 14, 14},
    {0x41, QLatin1StringView("Japan(All)"), 1, 14},
}};

// nullptr for a code that is not in the table.
const RegDomain* FindRegDomain(std::uint16_t code);

// --- transmit rate (tx_rate): codes in 500 kbit/s units by rate-list index

inline constexpr std::array<std::uint8_t, 13> kTxRateCodes = {0,  2,  4,  11, 12, 18, 22,
                                                              24, 36, 48, 72, 96, 108};

// The code for a rate-list index 0..12; -1 outside that range.
int TxRateCode(int index);
// The rate-list index of a code; -1 for a code that is not in the table.
int TxRateIndex(std::uint8_t code);

// --- operating modes (op_mode)

enum class OpMode : std::uint8_t {
    AccessPoint = 0,
    AccessPointClient = 1,
    WirelessBridge = 2,
    MultipleBridge = 3,
    RepeatMode = 4,
};

// Which remote field a mode uses.
enum class RemoteField { None, RemoteSsid, RemoteMac };

struct OpModeInfo {
    OpMode mode;
    QLatin1StringView button;        // radio button name
    QLatin1StringView language_key;  // caption key in the language file
    QLatin1StringView caption;       // English caption
    RemoteField remote;
};

inline constexpr std::array<OpModeInfo, 5> kOpModes = {{
    {OpMode::AccessPoint, QLatin1StringView("r_apmode1"), QLatin1StringView("APMode1"),
     QLatin1StringView("Access Point"), RemoteField::None},
    {OpMode::AccessPointClient, QLatin1StringView("r_apmode2"), QLatin1StringView("APMode2"),
     QLatin1StringView("Access Point Client"), RemoteField::RemoteSsid},
    {OpMode::WirelessBridge, QLatin1StringView("r_apmode3"), QLatin1StringView("APMode3"),
     QLatin1StringView("Wireless Bridge"), RemoteField::RemoteMac},
    {OpMode::MultipleBridge, QLatin1StringView("r_apmode4"), QLatin1StringView("APMode4"),
     QLatin1StringView("Multiple Bridge"), RemoteField::None},
    {OpMode::RepeatMode, QLatin1StringView("r_apmode5"), QLatin1StringView("APMode5"),
     QLatin1StringView("Repeat Mode"), RemoteField::RemoteSsid},
}};

// nullptr for a value outside 0..4.
const OpModeInfo* FindOpMode(std::uint8_t value);

// --- transmit power (tx_power): power-list index 0..4 and its language key

inline constexpr std::array<QLatin1StringView, 5> kTxPowerKeys = {
    QLatin1StringView("txPower_FULL"),    QLatin1StringView("txPower_HALF"),
    QLatin1StringView("txPower_QUARTER"), QLatin1StringView("txPower_EIGHTER"),
    QLatin1StringView("txPower_MINIMUN"),
};

// --- turbo mode: (turbo_mode, mode_bits) by turbo-list index

// Bit of mode_bits that switches the extended mode on; it is not part of the
// turbo pattern.
inline constexpr std::uint16_t kExtendedModeBit = 0x40;

struct TurboPattern {
    std::uint8_t turbo_mode;
    std::uint16_t mode_bits;      // without kExtendedModeBit
    std::uint8_t forced_channel;  // 0: the pattern leaves the channel alone
    QLatin1StringView language_key;
};

inline constexpr std::array<TurboPattern, 4> kTurboPatterns = {{
    {0, 0x0000, 0, QLatin1StringView("11g_SuperG_DISABLE")},
    {0, 0x003C, 0, QLatin1StringView("11g_SuperG_NoTURBO")},
    {2, 0x00BF, 0, QLatin1StringView("11g_SuperG_DynamicTURBO")},
    {1, 0x003D, 6, QLatin1StringView("11g_SuperG_StaticTURBO")},
}};

inline bool IsExtendedMode(std::uint16_t mode_bits) { return (mode_bits & kExtendedModeBit) != 0; }

// The turbo-list index 0..3 of a pair, -1 when no row matches. The extended
// bit is masked off before matching; whether the pattern means anything while
// the extended mode is on is the caller's decision. This overload does not
// know the channel, so it does not check pattern 3's channel condition.
int TurboIndex(std::uint8_t turbo_mode, std::uint16_t mode_bits);
// The same for a record, where pattern 3 also needs channel 6.
int TurboIndex(const ApConfigRecord& record);
// nullptr for an index outside 0..3.
const TurboPattern* TurboPatternFor(int index);

// --- authentication (auth_type): 0 and 1 use the WEP keys

inline constexpr std::uint8_t kAuthWpa = 2;
inline constexpr std::uint8_t kAuthWpaPsk = 3;
inline constexpr int kAuthTypeCount = 4;

// --- WEP key lengths (wep_key_len)

inline constexpr std::uint8_t kWepKeyLenNone = 0;
inline constexpr std::uint8_t kWepKeyLen64 = 5;
inline constexpr std::uint8_t kWepKeyLen128 = 13;
inline constexpr std::uint8_t kWepKeyLenWide = 15;

// The encryption as the status page names it: "WPA", "WPA-PSK", "Disable",
// "64 bits", "128 bits" or "256 bits". An auth_type above 3 counts as one of
// the WEP types. With WEP on and a key length that is none of 5, 13, 15 the
// record does not say; the result is empty and the caller keeps what it
// showed before.
QByteArray EncryptionSummary(const ApConfigRecord& record);

}  // namespace tern::record
