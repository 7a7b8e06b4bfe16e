#include "core/form/control_state.h"

#include <array>

namespace tern::form {

bool KeyGoesThroughFilter(int key, QStringView text) {
    if (text.size() != 1 || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        return false;
    }
    const QChar c = text.front();
    return c.isPrint() || c == u'\b' || c == u'\r';
}

namespace {

constexpr int kSmallScreenWidth = 700;
constexpr int kSmallScreenHeight = 500;
constexpr int kShortWindow = 500;

constexpr std::array<int, 3> kKeyBytes = {5, 13, 29};

}  // namespace

LayoutMetrics MetricsOf(SizeLayout layout) {
    if (layout == SizeLayout::Compact) {
        return {61, 397, 405};
    }
    return {87, 447, 469};
}

std::optional<SizeLayout> LayoutOnResize(int newHeight, int currentHeight, QSize screen) {
    if (newHeight < kShortWindow &&
        (screen.width() < kSmallScreenWidth || screen.height() < kSmallScreenHeight)) {
        return SizeLayout::Compact;
    }
    if (currentHeight < kShortWindow &&
        (screen.width() > kSmallScreenWidth || screen.height() > kSmallScreenHeight)) {
        return SizeLayout::Tall;
    }
    return std::nullopt;
}

SizeLayout LayoutOnSettingChange(QSize screen) {
    if (screen.width() >= kSmallScreenWidth && screen.height() >= kSmallScreenHeight) {
        return SizeLayout::Tall;
    }
    return SizeLayout::Compact;
}

RemoteFields RemoteFieldsForModeButton(QStringView buttonName) {
    if (buttonName == u"r_apmode3") {
        return {"RemoteBridgeMAC", true, false, true};
    }
    if (buttonName == u"r_apmode2" || buttonName == u"r_apmode5") {
        return {"RemoteAPssid", true, true, false};
    }
    return {"RemoteAPMAC", false, false, false};
}

std::optional<AuthControls> AuthControlsFor(int listIndex) {
    switch (listIndex) {
        case 0:
        case 1:
            return AuthControls{true, false, false, true};
        case 2:
            return AuthControls{false, false, true, false};
        case 3:
            return AuthControls{false, true, true, false};
        default:
            return std::nullopt;
    }
}

std::optional<int> KeyBytesForLength(int listIndex) {
    if (listIndex < 0 || listIndex >= static_cast<int>(kKeyBytes.size())) {
        return std::nullopt;
    }
    return kKeyBytes[static_cast<std::size_t>(listIndex)];
}

std::optional<int> HexDigitsForLength(int listIndex) {
    const std::optional<int> bytes = KeyBytesForLength(listIndex);
    if (!bytes) return std::nullopt;
    return 2 * *bytes;
}

QString HexKeyMask(int bytes) {
    if (bytes <= 0) {
        return {};
    }
    QString mask = QStringLiteral(">");
    for (int i = 0; i < bytes; ++i) {
        mask += i + 1 < bytes ? QStringLiteral("HH ") : QStringLiteral("HH");
    }
    return mask + QStringLiteral(";_");
}

std::optional<QChar> FilterRemoteMacKey(QChar key) {
    const char16_t c = key.unicode();
    if (c >= u'a' && c <= u'f') {
        return QChar(static_cast<char16_t>(c - u'a' + u'A'));
    }
    if (c == u'\b' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) {
        return key;
    }
    return std::nullopt;
}

}  // namespace tern::form
