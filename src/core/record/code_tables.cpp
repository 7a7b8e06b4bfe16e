#include "core/record/code_tables.h"

#include "core/record/ap_config_record.h"

namespace tern::record {

const RegDomain* FindRegDomain(std::uint16_t code) {
    for (const RegDomain& domain : kRegDomains) {
        if (domain.code == code) return &domain;
    }
    return nullptr;
}

int TxRateCode(int index) {
    if (index < 0 || index >= static_cast<int>(kTxRateCodes.size())) return -1;
    return kTxRateCodes[static_cast<std::size_t>(index)];
}

int TxRateIndex(std::uint8_t code) {
    for (std::size_t i = 0; i < kTxRateCodes.size(); ++i) {
        if (kTxRateCodes[i] == code) return static_cast<int>(i);
    }
    return -1;
}

const OpModeInfo* FindOpMode(std::uint8_t value) {
    if (value >= kOpModes.size()) return nullptr;
    return &kOpModes[value];
}

int TurboIndex(std::uint8_t turbo_mode, std::uint16_t mode_bits) {
    const auto pattern_bits = static_cast<std::uint16_t>(mode_bits & ~kExtendedModeBit);
    for (std::size_t i = 0; i < kTurboPatterns.size(); ++i) {
        if (kTurboPatterns[i].turbo_mode == turbo_mode &&
            kTurboPatterns[i].mode_bits == pattern_bits) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TurboIndex(const ApConfigRecord& record) {
    const int index = TurboIndex(record.turbo_mode(), record.mode_bits());
    if (index < 0) return -1;
    const std::uint8_t forced = kTurboPatterns[static_cast<std::size_t>(index)].forced_channel;
    if (forced != 0 && record.channel() != forced) return -1;
    return index;
}

const TurboPattern* TurboPatternFor(int index) {
    if (index < 0 || index >= static_cast<int>(kTurboPatterns.size())) return nullptr;
    return &kTurboPatterns[static_cast<std::size_t>(index)];
}

QByteArray EncryptionSummary(const ApConfigRecord& record) {
    switch (record.auth_type()) {
        case kAuthWpa:
            return QByteArrayLiteral("WPA");
        case kAuthWpaPsk:
            return QByteArrayLiteral("WPA-PSK");
        default:
            break;
    }
    if (!record.wep_on()) return QByteArrayLiteral("Disable");
    switch (record.wep_key_len()) {
        case kWepKeyLen64:
            return QByteArrayLiteral("64 bits");
        case kWepKeyLen128:
            return QByteArrayLiteral("128 bits");
        case kWepKeyLenWide:
            return QByteArrayLiteral("256 bits");
        default:
            return QByteArray();
    }
}

}  // namespace tern::record
