// The review before an apply: for each target AP, what the apply would
// change, from the same comparison of records that `tern-ap-cli plan`
// makes, so the window and the command say the same words.
#include <QJsonValue>

#include "core/fleet/plan.h"
#include "core/record/net_types.h"
#include "core/text/caption_tables.h"
#include "core/text/language_sections.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "core/text/screen_text.h"
#include "gui/dialogs/dialog_captions.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/dialogs/treview_fm.h"
#include "gui/mainwindow/tmain_fm.h"

namespace tern::gui {

namespace {

// A value as the plan decodes it (the code page of tern-ap-cli) in the
// window's code page: the AP's texts read as the window's list reads them.
QJsonValue InWindowText(const QJsonValue& value, const text::LanguageText& language) {
    if (!value.isString() || language.recordEncoding() == fleet::kPlanEncoding) {
        return value;
    }
    const std::optional<QByteArray> bytes =
        text::ScreenTextToRecord(value.toString(), fleet::kPlanEncoding);
    return bytes ? QJsonValue(language.recordText(*bytes)) : value;
}

}  // namespace

QList<fleet::SettingChange> TMainFm::ChangesOf(const record::ApConfigRecord& current,
                                               const record::ApConfigRecord& toSend) const {
    QList<fleet::SettingChange> changes = fleet::DiffRecords(current, toSend);
    for (fleet::SettingChange& c : changes) {
        c.before = InWindowText(c.before, language());
        c.after = InWindowText(c.after, language());
    }
    return changes;
}

bool TMainFm::ReviewChanges(const QList<ReviewTarget>& targets, QList<qsizetype>* changing) {
    QList<ReviewedAp> aps;
    QList<qsizetype> changed;
    for (const ReviewTarget& target : targets) {
        ReviewedAp ap{record::MacText(target.current.mac_addr()), target.name,
                      ChangesOf(target.current, target.toSend)};
        if (!ap.changes.isEmpty()) {
            changed << aps.size();
        }
        aps << ap;
    }
    if (changing != nullptr) {
        *changing = changed;
    }
    if (changed.isEmpty()) {
        // Nothing would change anywhere: nothing is sent, and the user is
        // told why nothing happened.
        ShowInfoMessage(
            {CaptionText(text::ReviewDialogCaptions(), text::kSectionReview, "Nothing", language()),
             CaptionText(text::ReviewDialogCaptions(), text::kSectionReview, "Cap", language())});
        return false;
    }
    TReviewFm dialog(aps, language(), this);
    return dialogs_.execReview(dialog) == QDialog::Accepted;
}

}  // namespace tern::gui
