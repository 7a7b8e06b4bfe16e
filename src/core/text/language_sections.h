#pragma once

#include <QByteArrayView>

namespace tern::text {

// Section names of the language file.
inline constexpr QByteArrayView kSectionGlobal("GLOBAL");
inline constexpr QByteArrayView kSectionStatus("Status");
inline constexpr QByteArrayView kSectionAp("AP");
inline constexpr QByteArrayView kSectionIp("IP");
inline constexpr QByteArrayView kSectionWep("WEP");
inline constexpr QByteArrayView kSection8021x("8021x");
inline constexpr QByteArrayView kSectionUsrPass("UsrPass");
inline constexpr QByteArrayView kSectionMulUsrPass("MulUsrPass");
inline constexpr QByteArrayView kSectionErrorText("ErrRangMsg");
inline constexpr QByteArrayView kSectionErrorCaption("ErrMsgCap");
inline constexpr QByteArrayView kSectionApplyMsg("ApplyMsg");
// What the window adds to its AP list (filter, context menu, backups) and
// the review of an apply's changes.
inline constexpr QByteArrayView kSectionListTools("ListTools");
inline constexpr QByteArrayView kSectionReview("Review");

}  // namespace tern::text
