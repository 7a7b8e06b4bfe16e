#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QSize>
#include <QString>
#include <QStringView>
#include <optional>

namespace tern::form {

// The widget-free rules behind the main window's control state: which
// layout fits the screen, which remote field an operating mode uses, which
// WEP-page controls an authentication type shows, and the key-field formats.

// ---- key filters
// Whether a key press with Qt key code `key` and typed text `text` goes
// through a field's character filter. Only a printable character, Backspace
// and Enter do; focus keys, Delete, Escape and the clipboard shortcuts keep
// their usual meaning (what they bring in is checked when the field is left).
bool KeyGoesThroughFilter(int key, QStringView text);

// ---- size layouts
enum class SizeLayout { Tall, Compact };

struct LayoutMetrics {
    int gridHeight;    // l_title
    int panel1Height;  // Panel1
    int buttonsY;      // b_Ternapply, b_refresh, b_close
};

LayoutMetrics MetricsOf(SizeLayout layout);

// The window is about to get the outer height `newHeight`; it has
// `currentHeight` now. Empty: leave the layout as it is.
std::optional<SizeLayout> LayoutOnResize(int newHeight, int currentHeight, QSize screen);
// The system settings changed (screen size, work area).
SizeLayout LayoutOnSettingChange(QSize screen);

// ---- operating mode and the remote field
struct RemoteFields {
    QByteArrayView captionKey;  // section "AP"
    bool labelShown;
    bool ssidShown;
    bool macShown;
};

// By the object name of the mode button (r_apmode1 .. r_apmode5).
RemoteFields RemoteFieldsForModeButton(QStringView buttonName);

// ---- authentication type and the WEP page
struct AuthControls {
    bool wepKeys;     // key fields, their selectors, length and format
    bool passphrase;  // the two pass-phrase fields and their labels
    bool wpaHeading;  // wpa_l_h
    bool keyHeading;  // w_l_key
};

// Empty for an index that is not a list entry (no selection).
std::optional<AuthControls> AuthControlsFor(int listIndex);

// ---- WEP key formats, by list index of the key-length list
// Key bytes 5 / 13 / 29, or hex digits twice that; nothing for an index that
// is not a length.
std::optional<int> KeyBytesForLength(int listIndex);
std::optional<int> HexDigitsForLength(int listIndex);

// The input mask of a hex key of `bytes` bytes: upper case, pairs of hex
// digits with a blank between two pairs, '_' for an empty position.
QString HexKeyMask(int bytes);

// The input mask of the remote MAC field: six upper-case pairs joined by '-'.
inline constexpr QStringView kRemoteMacMask = u">HH-HH-HH-HH-HH-HH;_";

// The remote MAC field's key filter: a-f become A-F; Backspace, 0-9 and A-F
// pass; anything else is dropped (empty).
std::optional<QChar> FilterRemoteMacKey(QChar key);

}  // namespace tern::form
