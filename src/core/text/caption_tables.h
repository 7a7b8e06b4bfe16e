#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <cstdint>
#include <span>

namespace tern::text {

class LanguageText;

// How a looked-up caption reaches its control.
enum class CaptionKind : std::uint8_t {
    Caption,          // the control's caption or text
    WindowTitle,      // the form's window title; target is the form's object name
    PageCaption,      // a page of the main window's page control (Tab1..Tab4)
    ListItem,         // item `index` of a fixed list; items come in index order
    GridHeader,       // header cell (column `index`, row 0) of a grid
    ApplyButton,      // the caption of the target, then copied to kApplyCopyTarget
    IndentedCaption,  // the caption preceded by two blanks (see CaptionScreenText)
    LinkCaption,      // the caption, then the label's font turns blue
    // The caption of the remote-address label in the operating modes that
    // use it. The mode handler sets it; loading the form's captions may
    // leave these rows out (the RemoteAPMAC row gives the initial caption).
    ModeCaption,
};

struct CaptionEntry {
    QByteArrayView section;
    QByteArrayView key;
    QByteArrayView default_text;  // exact bytes
    QLatin1StringView target;     // objectName of the control (or form)
    CaptionKind kind;
    int index;  // list item or grid column; -1 for every other kind
};

// The hidden apply button that carries the same caption as b_Ternapply.
inline constexpr QLatin1StringView kApplyCopyTarget("b_apply");

// Object names of the forms, the targets of their WindowTitle rows.
inline constexpr QLatin1StringView kMainWindowName("MainFm");
inline constexpr QLatin1StringView kAdvancedDialogName("AP_MoreFm");
inline constexpr QLatin1StringView kLoginDialogName("UsrPassFm");
inline constexpr QLatin1StringView kMultiLoginDialogName("MulUsrPassFm");
inline constexpr QLatin1StringView kReviewDialogName("ReviewFm");

// Each form's captions, in the order the form applies them: the main window
// section by section (GLOBAL, Status, AP, IP, WEP, 8021x), each dialog top to
// bottom. The items of one list are contiguous and numbered from 0.
//
// The quit question (GLOBAL QuitAsk / QuitASKTitle) is a message, not a
// caption: see kQuitQuestion in messages.h.
std::span<const CaptionEntry> MainWindowCaptions();
std::span<const CaptionEntry> AdvancedDialogCaptions();
std::span<const CaptionEntry> LoginDialogCaptions();
std::span<const CaptionEntry> MultiLoginDialogCaptions();
// The AP list's filter field, context menu and backup texts (section
// ListTools; rows without a target are texts of messages and file
// choosers), and the review dialog shown before an apply (section Review).
std::span<const CaptionEntry> ListToolCaptions();
std::span<const CaptionEntry> ReviewDialogCaptions();

// The row of `table` for (section, key), names compared exactly; nullptr if
// there is none.
const CaptionEntry* FindCaption(std::span<const CaptionEntry> table, QByteArrayView section,
                                QByteArrayView key);

// The screen text of a row: the looked-up text, with the two blanks of an
// IndentedCaption in front. Nothing else is added or removed.
QString CaptionScreenText(const LanguageText& language, const CaptionEntry& entry);

}  // namespace tern::text
