#pragma once

#include <QByteArrayView>
#include <QString>
#include <span>

class QWidget;

namespace tern::ui {

struct CaptionEntry;
class LanguageText;

// Puts every caption of `table` on the form's controls, found by object
// name (the form itself for its window title). List items are set by index,
// so a list never grows past its table rows, however often this runs.
void ApplyDialogCaptions(QWidget& form, std::span<const CaptionEntry> table,
                         const LanguageText& language);

// The screen text of the row (section, key) of `table`: the language file's
// text, else the row's English default. Empty for a row the table lacks.
QString CaptionText(std::span<const CaptionEntry> table, QByteArrayView section, QByteArrayView key,
                    const LanguageText& language);

}  // namespace tern::ui
