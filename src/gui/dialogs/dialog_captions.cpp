#include "gui/dialogs/dialog_captions.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "core/text/caption_tables.h"
#include "core/text/language_text.h"
#include "gui/widgets/tquill_grid.h"

namespace tern::gui {

void ApplyDialogCaptions(QWidget& form, std::span<const text::CaptionEntry> table,
                         const text::LanguageText& language) {
    for (const text::CaptionEntry& row : table) {
        const QString text = text::CaptionScreenText(language, row);
        const QString target(row.target);
        QObject* control = target == form.objectName() ? static_cast<QObject*>(&form)
                                                       : form.findChild<QObject*>(target);
        if (control == nullptr) {
            continue;
        }
        if (row.kind == text::CaptionKind::WindowTitle) {
            form.setWindowTitle(text);
        } else if (row.kind == text::CaptionKind::ListItem) {
            if (auto* list = qobject_cast<QComboBox*>(control)) {
                while (list->count() <= row.index) {
                    list->addItem(QString());
                }
                list->setItemText(row.index, text);
            }
        } else if (row.kind == text::CaptionKind::GridHeader) {
            if (auto* grid = qobject_cast<TQuillGrid*>(control)) {
                grid->setCell(row.index, 0, text);
            }
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            button->setText(text);
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setTitle(text);
        }
    }
}

QString CaptionText(std::span<const text::CaptionEntry> table, QByteArrayView section,
                    QByteArrayView key, const text::LanguageText& language) {
    const text::CaptionEntry* entry = text::FindCaption(table, section, key);
    return entry != nullptr ? text::CaptionScreenText(language, *entry) : QString();
}

}  // namespace tern::gui
