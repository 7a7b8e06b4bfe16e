#include "gui/dialogs/dialog_captions.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "core/text/caption_tables.h"
#include "core/text/language_text.h"
#include "gui/widgets/tquill_grid.h"

namespace tern::ui {

void ApplyDialogCaptions(QWidget& form, std::span<const CaptionEntry> table,
                         const LanguageText& language) {
    for (const CaptionEntry& row : table) {
        const QString text = CaptionScreenText(language, row);
        const QString target(row.target);
        QObject* control = target == form.objectName() ? static_cast<QObject*>(&form)
                                                       : form.findChild<QObject*>(target);
        if (control == nullptr) {
            continue;
        }
        if (row.kind == CaptionKind::WindowTitle) {
            form.setWindowTitle(text);
        } else if (row.kind == CaptionKind::ListItem) {
            if (auto* list = qobject_cast<QComboBox*>(control)) {
                while (list->count() <= row.index) {
                    list->addItem(QString());
                }
                list->setItemText(row.index, text);
            }
        } else if (row.kind == CaptionKind::GridHeader) {
            if (auto* grid = qobject_cast<app::TQuillGrid*>(control)) {
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

QString CaptionText(std::span<const CaptionEntry> table, QByteArrayView section, QByteArrayView key,
                    const LanguageText& language) {
    const CaptionEntry* entry = FindCaption(table, section, key);
    return entry != nullptr ? CaptionScreenText(language, *entry) : QString();
}

}  // namespace tern::ui
