// The record path of an apply: an AP's 1148-byte record shown as the form
// shows it, edited by name as tern-ap-cli does, built back in single and
// multi mode.
//
// Input: the record (host order; a shorter input is zero-filled), one byte
// whose lowest bit picks the code page (windows-1252 or Shift_JIS), then
// NUL-separated NAME=VALUE edits.
//
// What must hold:
//   - the built record differs from the AP's only in the fields the builder
//     writes, and in multi mode never in the AP's own addressing;
//   - a form shown and left alone always builds, and gives the AP's texts,
//     keys and MAC back as they came;
//   - showing the built record and building it again changes nothing: an
//     apply repeated without edits does not drift.
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "core/form/form_model.h"
#include "core/record/ap_config_record.h"
#include "core/record/record_builder.h"
#include "tests/fuzz/fuzz_support.h"

using namespace tern;
using fuzz::Check;

namespace {

constexpr std::size_t kRecordSize = record::ApConfigRecord::kSize;

struct Span {
    std::size_t offset;
    std::size_t length;
};

// The record's layout, independently of the record class: what the builder
// may write in either mode.
constexpr Span kSharedFields[] = {
    {4, 32},    // AP name
    {454, 6},   // 802.1X switch, key length, key lifetime
    {460, 39},  // RADIUS entry 1: address, port, secret and its terminator
    {500, 39},  // RADIUS entry 2 (the 40th byte of an entry is never written)
    {540, 20},  // WPA words
    {560, 64},  // WPA pass phrase
    {828, 1},   // authentication
    {829, 1},   // channel: the static turbo mode forces one
    {832, 1},   // transmit rate
    {833, 33},  // SSID
    {930, 20},  // WEP 64 keys
    {950, 52},  // WEP 128 keys
    {1066, 1},  // WEP key length
    {1067, 1},  // WEP key format
    {1068, 1},  // WEP default key
    {1069, 1},  // WEP switch
    {1070, 1},  // turbo mode
    {1073, 1},  // transmit power
    {1074, 8},  // beacon, DTIM, fragmentation, RTS
    {1082, 1},  // the byte every build clears
    {1091, 1},  // 11g only
    {1092, 2},  // flag word
    {1094, 1},  // operating mode
    {1095, 6},  // remote MAC
    {1109, 1},  // SSID hidden
    {1112, 2},  // mode bits
    {1120, 2},  // WDS
};

// Only one AP's own settings: written in single mode alone.
constexpr Span kSingleFields[] = {
    {108, 4},   // DNS server
    {120, 1},   // DHCP server switch
    {124, 4},   // DHCP pool start
    {130, 2},   // DHCP pool size
    {812, 12},  // address, mask, gateway
    {829, 1},   // channel
    {1128, 1},  // address mode
};

std::array<bool, kRecordSize> Writable(bool single) {
    std::array<bool, kRecordSize> writable{};
    const auto mark = [&](const Span& s) {
        for (std::size_t i = s.offset; i < s.offset + s.length; ++i) writable[i] = true;
    };
    for (const Span& s : kSharedFields) mark(s);
    if (single) {
        for (const Span& s : kSingleFields) mark(s);
    }
    return writable;
}

void CheckOnlyWritableChanged(const record::ApConfigRecord& before,
                              const record::ApConfigRecord& after, bool single) {
    static const std::array<bool, kRecordSize> kSingle = Writable(true);
    static const std::array<bool, kRecordSize> kMulti = Writable(false);
    const auto& writable = single ? kSingle : kMulti;
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        if (!writable[i] && before.bytes()[i] != after.bytes()[i]) {
            std::fprintf(stderr, "byte %zu changed: %02X -> %02X\n", i, before.bytes()[i],
                         after.bytes()[i]);
            Check(false, "the build wrote outside the fields it owns");
        }
    }
}

void CheckUneditedBuild(const record::ApConfigRecord& ap, const record::ApConfigRecord& built) {
    Check(built.ap_name() == ap.ap_name(), "unedited name changed");
    Check(built.ssid() == ap.ssid(), "unedited SSID changed");
    Check(built.mac_addr() == ap.mac_addr(), "MAC changed");
    for (int i = 0; i < record::ApConfigRecord::kRadiusEntries; ++i) {
        Check(built.radius_secret(i) == ap.radius_secret(i), "unedited RADIUS secret changed");
    }
    for (int k = 0; k < record::ApConfigRecord::kWepKeys; ++k) {
        Check(built.wep64_key(k) == ap.wep64_key(k), "unedited WEP 64 key changed");
        Check(built.wep128_key(k) == ap.wep128_key(k), "unedited WEP 128 key changed");
    }
    if (ap.auth_type() == 3) {
        Check(built.wpa_passphrase() == ap.wpa_passphrase(), "unedited pass phrase changed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    net::RecordBytes bytes{};
    std::memcpy(bytes.data(), data, std::min(size, kRecordSize));
    const record::ApConfigRecord ap(bytes);
    const std::uint8_t control = size > kRecordSize ? data[kRecordSize] : 0;
    const text::TextEncoding encoding =
        (control & 1) != 0 ? text::TextEncoding::ShiftJis : text::TextEncoding::Windows1252;
    const QStringList edits =
        size > kRecordSize + 1
            ? fuzz::Strings(QByteArrayView(reinterpret_cast<const char*>(data + kRecordSize + 1),
                                           static_cast<qsizetype>(size - kRecordSize - 1)),
                            16)
            : QStringList();

    for (const bool multi : {false, true}) {
        const record::BuildMode mode = multi ? record::BuildMode::Multi : record::BuildMode::Single;
        record::FormSettings form = form::ShownForm(ap, encoding);
        bool edited = false;
        for (const QString& edit : edits) {
            const qsizetype eq = edit.indexOf(u'=');
            if (eq <= 0) continue;
            edited =
                form::SetNamed(form, ap, edit.left(eq), edit.mid(eq + 1), multi).passed() || edited;
        }
        (void)rules::RunApplyChecks(form::FormValuesOf(form, ap, encoding, multi));
        const record::BuildResult built = record::BuildRecord(mode, ap, form);
        Check(built.ok() || edited, "a form shown and left alone does not build");
        if (!built) continue;
        CheckOnlyWritableChanged(ap, built.record(), !multi);
        if (!edited) CheckUneditedBuild(ap, built.record());

        const record::BuildResult again =
            record::BuildRecord(mode, built.record(), form::ShownForm(built.record(), encoding));
        Check(again.ok(), "a built record shown again does not build");
        if (again.record() != built.record()) {
            for (std::size_t i = 0; i < kRecordSize; ++i) {
                if (again.record().bytes()[i] != built.record().bytes()[i]) {
                    std::fprintf(stderr, "byte %zu: %02X, then %02X\n", i,
                                 built.record().bytes()[i], again.record().bytes()[i]);
                }
            }
            Check(false, "building a built record again changed it");
        }
    }
    return 0;
}
