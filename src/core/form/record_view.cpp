#include "core/form/record_view.h"

#include <algorithm>

#include "core/record/ap_config_record.h"
#include "core/record/code_tables.h"
#include "core/record/net_types.h"
#include "core/rules/key_text.h"

namespace tern::form {

namespace {

// The SSID field: 32 text bytes and the byte after them.
constexpr std::size_t kSsidOffset = 833;
constexpr std::size_t kSsidField = 33;

}  // namespace

std::optional<QString> ChannelText(std::uint8_t channel) {
    const QString hex = QString::number(channel, 16).toUpper();
    const QChar first = hex.front();
    if (first >= u'A' && first <= u'E') {
        return QString::number(10 + (first.unicode() - u'A'));
    }
    if (first.isDigit()) {
        return hex;
    }
    return std::nullopt;
}

int DhcpPoolEnd(int startLastOctet, int poolSize) {
    const int end = startLastOctet + poolSize - 1;
    return std::clamp(end, 0, 254);
}

bool OpModeStopsShow(std::uint8_t value) {
    if (record::FindOpMode(value) != nullptr) {
        return false;
    }
    const QString hex = QString::number(value, 16);
    return std::any_of(hex.begin(), hex.end(), [](QChar c) { return c.isLetter(); });
}

bool WepInUse(int authIndex, bool wepOn) {
    if (!wepOn && (authIndex == 0 || authIndex == 1 || authIndex < 0)) {
        return false;
    }
    return authIndex != record::kAuthWpa && authIndex != record::kAuthWpaPsk;
}

QByteArray ListSsid(const record::ApConfigRecord& record) {
    const auto& bytes = record.bytes();
    const auto* begin = bytes.data() + kSsidOffset;
    const auto* end = begin + kSsidField;
    const auto* zero = std::find(begin, end, std::uint8_t{0});
    if (zero == end) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(begin), zero - begin);
}

ApListCells ListCellsOf(const record::ApConfigRecord& record, int authChoices) {
    ApListCells cells;
    cells.name = record.ap_name();
    cells.mac = record::MacText(record.mac_addr());
    cells.ssid = ListSsid(record);
    if (record.wep_default_key() <= 3) {
        const int auth = record.auth_type() < authChoices ? record.auth_type() : -1;
        cells.wep = WepInUse(auth, record.wep_on()) ? QStringLiteral("Yes") : QStringLiteral("No");
    }
    return cells;
}

QStringList ListCellTexts(const record::ApConfigRecord& record, text::TextEncoding encoding,
                          int authChoices) {
    const ApListCells cells = ListCellsOf(record, authChoices);
    return {text::RecordTextToScreen(cells.name, encoding), cells.mac,
            text::RecordTextToScreen(cells.ssid, encoding), cells.wep};
}

QString ListRowLine(const QStringList& cells) {
    QString line;
    for (qsizetype i = 0; i < std::min<qsizetype>(cells.size(), 4); ++i) {
        // The WEP cell is missing, not empty, when the show stopped before it.
        if (i == 3 && cells[i].isEmpty()) break;
        line += cells[i] + u'\t';
    }
    return line;
}

std::optional<std::array<QString, 4>> ShownKeyStars(const std::array<QString, 4>& kept, bool hex,
                                                    int keyBytes) {
    std::array<QString, 4> stars;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (hex) {
            stars[k] = rules::StarRow(kept[k].size());
            continue;
        }
        const std::optional<QString> text = rules::AsciiKeyFromHexPairs(kept[k], keyBytes);
        if (!text) {
            return std::nullopt;
        }
        // Only a key of a length the fields take is starred; one cut short
        // by a zero byte shows as an empty field.
        const qsizetype n = text->size();
        stars[k] = (n == 5 || n == 13 || n == 29) ? rules::StarRow(n) : QString();
    }
    return stars;
}

}  // namespace tern::form
