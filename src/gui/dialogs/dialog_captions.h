#pragma once

#include <QByteArrayView>
#include <QString>
#include <span>

#include "core/text/caption_tables.h"
#include "core/text/language_text.h"

class QWidget;

namespace tern::gui {

// Puts every caption of `table` on the form's controls, found by object
// name (the form itself for its window title). List items are set by index,
// so a list never grows past its table rows, however often this runs.
void ApplyDialogCaptions(QWidget& form, std::span<const text::CaptionEntry> table,
                         const text::LanguageText& language);

// The screen text of the row (section, key) of `table`: the language file's
// text, else the row's English default. Empty for a row the table lacks.
QString CaptionText(std::span<const text::CaptionEntry> table, QByteArrayView section,
                    QByteArrayView key, const text::LanguageText& language);

}  // namespace tern::gui
