#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

#include "core/record/ap_config_record.h"
#include "core/record/code_tables.h"
#include "core/text/screen_text.h"

namespace tern::form {

// The widget-free rules by which a received record is shown: what the
// channel, the DHCP pool end and the AP list's cells look like, and where
// showing a record gives up.

// The channel as the status page shows it and the channel list selects it,
// from the record's channel byte written as upper-case hexadecimal: a
// leading A..E stands for channel 10..14, a leading digit is taken as the
// whole text ("1".."9", "0", "10" for 0x10 ...); empty for a leading F.
std::optional<QString> ChannelText(std::uint8_t channel);

// The last octet of the DHCP pool: start + size - 1, at most 254 and never
// below 0.
int DhcpPoolEnd(int startLastOctet, int poolSize);

// An operating-mode value outside 0..4 whose hexadecimal text has a letter
// makes the show give up; one with digits only is ignored.
bool OpModeStopsShow(std::uint8_t value);

// "Yes" when the list shows WEP in use for this authentication-list index
// (-1: no selection) and WEP switch.
bool WepInUse(int authIndex, bool wepOn);

// The four cells of an AP's list row, as showing its record leaves them:
// name and SSID as record bytes (the caller makes screen text of them),
// the MAC text, and "Yes"/"No" for WEP. The SSID cell is empty when the
// SSID field has no terminator; the WEP cell is empty when the record's
// default key is out of range, because the show stops before it.
// `authChoices` is how many types the authentication list offers; a type
// past them is no selection, as in the window's list before its captions
// are loaded (it is empty until then).
struct ApListCells {
    QByteArray name;
    QString mac;
    QByteArray ssid;
    QString wep;
};
ApListCells ListCellsOf(const record::ApConfigRecord& record,
                        int authChoices = record::kAuthTypeCount);

// The same cells as the AP list and tern-ap-cli's table show them, in the
// list's column order: name, MAC, SSID, WEP; name and SSID in `encoding`.
QStringList ListCellTexts(const record::ApConfigRecord& record, text::TextEncoding encoding,
                          int authChoices = record::kAuthTypeCount);

// The window's record of the row it listed last: the first four cells, each
// followed by a tab, an empty WEP cell left out. Later cells (the interface)
// are not part of it.
QString ListRowLine(const QStringList& cells);

// The key fields' texts as showing a WEP record leaves them, from the keys
// the fields keep (hex pairs), the representation, and the key length in
// bytes the fields are tagged with. Hex: a '*' per kept character.
// Characters: a '*' per character for a key of 5, 13 or 29 characters, an
// empty field for any other. Nothing when a kept key does not hold
// `keyBytes` pairs: the show gives up there, before the keys are written.
std::optional<std::array<QString, 4>> ShownKeyStars(const std::array<QString, 4>& kept, bool hex,
                                                    int keyBytes);

// The SSID as the list shows it (see above).
QByteArray ListSsid(const record::ApConfigRecord& record);

}  // namespace tern::form
