// Field validation on the main window: the numeric fields' keystroke and
// exit rules, the page-label highlight, and the checks an apply runs before
// anything is sent.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <optional>

#include "core/form/control_state.h"
#include "core/form/form_model.h"
#include "core/net/protocol.h"
#include "core/record/ap_config_record.h"
#include "core/rules/validation.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/field_focus.h"
#include "gui/mainwindow/nav_pictures.h"
#include "gui/mainwindow/tmain_fm.h"
#include "ui_ap_page.h"
#include "ui_dot1x_page.h"
#include "ui_ip_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

// Routes the keys, entries and exits of the numeric fields to the form.
// Which focus changes count as leaving a field is the form's business
// (LeaveNumericField), so the rule runs the same however the field is left.
class NumericFieldFilter : public QObject {
  public:
    explicit NumericFieldFilter(TMainFm& form) : QObject(&form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (field == nullptr) return false;
        switch (event->type()) {
            case QEvent::FocusOut:
                if (IsFieldFocusChange(event)) form_.numericFieldFocusOut(field);
                return false;
            case QEvent::FocusIn:
                if (IsFieldFocusChange(event)) form_.numericFieldTouched(field);
                return false;
            case QEvent::KeyPress: {
                form_.numericFieldEdited(field);
                auto* key = static_cast<QKeyEvent*>(event);
                const QString text = key->text();
                if (!form::KeyGoesThroughFilter(key->key(), text)) {
                    return false;
                }
                return form_.e_ip_1KeyPress(field, text.front()).isNull();
            }
            default:
                return false;
        }
    }

  private:
    TMainFm& form_;
};

}  // namespace

// ---------------------------------------------------------------- messages

void TMainFm::ShowInfoMessage(const text::MessageText& message) {
    DialogSeam::Message box;
    box.text = message.text;
    box.caption = message.caption;
    box.icon = DialogSeam::Icon::Information;
    box.buttons = DialogSeam::Buttons::Ok;
    dialogs_.showMessage(this, box);
}

void TMainFm::HighlightPageLabel() {
    for (int i = 0; i < kNavPageCount; ++i) {
        SetFontColour(navLabels_[static_cast<std::size_t>(i)], kGreyFont);
    }
    if (QLabel* active = NavLabel(activePage())) {
        SetFontColour(active, QColor(0, 0, 0));
    }
}

// ---------------------------------------------------------------- numeric fields

bool TMainFm::CheckNumberField(QLineEdit* field, const QString& text) {
    const QString name = field->objectName();
    const qint64 max = rules::DecimalValue(HintOf(field)).value_or(0);
    const rules::FieldCheck check = rules::CheckNumericField(name, text, max, TagOf(field));
    if (check.passed()) {
        return true;
    }
    ShowInfoMessage(rules::CheckMessageText(language(), check.message));
    field->setText(rules::TextAfterRangeError(name));
    field->setFocus(Qt::OtherFocusReason);
    HighlightPageLabel();
    return false;
}

QChar TMainFm::e_ip_1KeyPress(QLineEdit* field, QChar key) {
    const rules::NumericKey k = rules::ClassifyNumericKey(
        key, field->text(), field->selectedText().size(), field->maxLength());
    switch (k.action) {
        case rules::NumericKey::Action::Drop:
            return {};
        case rules::NumericKey::Action::Pass:
            return key;
        case rules::NumericKey::Action::Enter:
            if (field->text().isEmpty() || CheckNumberField(field, field->text())) {
                moveOnFromNumericField(field);
            }
            return {};
        case rules::NumericKey::Action::Complete:
            // The field gets exactly the text that was checked (the digit at
            // the end), whatever the caret and selection were.
            if (CheckNumberField(field, k.completed)) {
                if (k.completed.size() <= field->maxLength()) {
                    field->setText(k.completed);
                }
                moveOnFromNumericField(field);
            }
            return {};
    }
    return {};
}

bool TMainFm::e_ip_1Exit(QLineEdit* field) {
    if (field->text().isEmpty()) {
        field->setText(rules::kEmptyNumberOnExit.toString());
        return true;
    }
    return CheckNumberField(field, field->text());
}

void TMainFm::e_submask_1Exit(QLineEdit* field) {
    const QString name = field->objectName();
    if (field->text().isEmpty()) {
        field->setText(rules::EmptyMaskTextOnExit(name));
        return;
    }
    if (const rules::FieldCheck mask = rules::CheckMaskOctet(name, field->text()); !mask.passed()) {
        ShowInfoMessage(rules::CheckMessageText(language(), mask.message));
        field->setText(QStringLiteral("255"));
    }
}

bool TMainFm::LeaveNumericField(QLineEdit* field) {
    const rules::NumericField* numeric = rules::FindNumericField(field->objectName());
    // A focus change made by another field's rule (the focus put back where
    // a value was refused) is not the user leaving this field; nor is a
    // second notice of a leaving whose rule already ran.
    if (numeric == nullptr || numericExitRunning_ || numericExitDone_ == field) {
        return true;
    }
    numericExitRunning_ = true;
    bool left = true;
    if (numeric->maskOctet) {
        e_submask_1Exit(field);
    } else {
        left = e_ip_1Exit(field);
    }
    numericExitRunning_ = false;
    if (left) {
        numericExitDone_ = field;
        if (numericExitRefused_ == field) numericExitRefused_ = nullptr;
    } else {
        numericExitRefused_ = field;
    }
    return left;
}

void TMainFm::numericFieldFocusOut(QLineEdit* field) {
    LeaveNumericField(field);
    if (numericExitDone_ == field) numericExitDone_ = nullptr;
}

void TMainFm::numericFieldTouched(QLineEdit* field) {
    // Back in the field: leaving it again runs the rule again.
    if (numericExitDone_ == field && !numericExitRunning_) numericExitDone_ = nullptr;
}

void TMainFm::numericFieldEdited(QLineEdit* field) {
    // A new value (typed, pasted by any means) is left afresh, and a
    // refusal of the old one no longer stands.
    if (numericExitRunning_) return;
    if (numericExitDone_ == field) numericExitDone_ = nullptr;
    if (numericExitRefused_ == field) numericExitRefused_ = nullptr;
}

void TMainFm::moveOnFromNumericField(QLineEdit* field) {
    // The rule runs here, not when the focus change below reaches the field:
    // that change may never arrive while the window is not active.
    if (LeaveNumericField(field)) {
        focusNextAfter(field);
    }
    if (numericExitDone_ == field) numericExitDone_ = nullptr;
}

bool TMainFm::CommitFocusedNumericField() {
    auto* field = qobject_cast<QLineEdit*>(focusWidget());
    if (field == nullptr || rules::FindNumericField(field->objectName()) == nullptr) {
        numericExitRefused_ = nullptr;
        return true;
    }
    if (numericExitRefused_ == field) {
        // The click that brought us here left the field, and its value was
        // refused: the message is up, the field has the focus back.
        numericExitRefused_ = nullptr;
        return false;
    }
    const bool left = LeaveNumericField(field);
    numericExitRefused_ = nullptr;
    return left;
}

// ---------------------------------------------------------------- the apply

rules::FormValues TMainFm::CollectFormValues(bool multi) const {
    // The form as the record builder reads it, and the same reading of it
    // as tern-ap-cli's (one place decides what the checks see).
    const std::optional<record::ApConfigRecord> shown =
        engine::PacketRecord(PacketOfRow(ui_->l_title->Row()));
    rules::FormValues v =
        form::FormValuesOf(CollectFormSettings(), shown.value_or(record::ApConfigRecord()),
                           language().recordEncoding(), multi);
    if (!shown) {
        // Nothing was shown: no text stands for an AP's own bytes.
        for (rules::RecordTextField& t : v.record_texts) t.as_shown = false;
    }
    v.confirmation = EffectiveConfirmation();
    if (!multi) {
        for (const QString& octet : v.dhcp_from) {
            v.dhcp_start += (octet.isEmpty() ? QStringLiteral("0") : octet) + u'.';
        }
        v.dhcp_server_on = ip_->chB_dhcp_srv->isChecked();
    }
    return v;
}

void TMainFm::ShowApplyCheckResult(const rules::ApplyCheckResult& r) {
    const bool failureMessage =
        !r.passed() && r.failed != rules::ApplyCheck::RemoteMac && !r.messages.empty();
    // "Please enable 802.1x first" is read before the page it asks for comes
    // forward; every other failure brings its page forward first.
    const bool messageFirst = failureMessage && r.failed == rules::ApplyCheck::WpaNeedsDot1x;
    const std::size_t notices = r.messages.size() - (failureMessage && !messageFirst ? 1 : 0);
    for (std::size_t i = 0; i < notices; ++i) {
        ShowInfoMessage(rules::CheckMessageText(language(), r.messages[i]));
    }
    if (messageFirst) {
        l_statusClick(ui_->l_802);
    }
    if (r.check_dot1x && !dot1x_->Chk_8021x->isChecked()) {
        dot1x_->Chk_8021x->setChecked(true);
        Chk_8021xClick();
    }
    if (r.zero_empty_radius) {
        for (QLineEdit* e : {dot1x_->e_8_ip1, dot1x_->e_8_ip2, dot1x_->e_8_ip3, dot1x_->e_8_ip4}) {
            if (e->text().isEmpty()) e->setText(QStringLiteral("0"));
        }
    }
    if (r.page >= 0 && !messageFirst) {
        // The page comes forward without moving the navigation marker.
        ui_->PageControl1->setCurrentIndex(r.page);
        HighlightPageLabel();
    }
    if (failureMessage && !messageFirst) {
        ShowInfoMessage(rules::CheckMessageText(language(), r.messages.back()));
    }
    if (!r.focus.isEmpty()) {
        if (auto* field = findChild<QLineEdit*>(r.focus)) {
            if (r.clear_focus) field->clear();
            field->setFocus(Qt::OtherFocusReason);
            if (r.caret >= 0) field->setCursorPosition(r.caret);
        }
    }
}

rules::ApplyCheckResult TMainFm::RunApplyPreconditions() {
    const rules::ApplyCheckResult r = rules::CheckApplyPreconditions(CollectFormValues(false));
    ShowApplyCheckResult(r);
    return r;
}

rules::ApplyCheckResult TMainFm::RunValidateSettings(bool multi, const QString& dhcpStart,
                                                     bool dhcpServerOn) {
    rules::FormValues v = CollectFormValues(multi);
    v.dhcp_start = dhcpStart;
    v.dhcp_server_on = dhcpServerOn;
    const rules::ApplyCheckResult r = rules::ValidateSettings(v);
    ShowApplyCheckResult(r);
    return r;
}

rules::ApplyCheckResult TMainFm::RunApplyChecks(bool multi) {
    rules::ApplyCheckResult pre = RunApplyPreconditions();
    if (!pre.passed()) {
        return pre;
    }
    const rules::FormValues v = CollectFormValues(multi);
    rules::ApplyCheckResult r = RunValidateSettings(multi, v.dhcp_start, v.dhcp_server_on);
    r.messages.insert(r.messages.begin(), pre.messages.begin(), pre.messages.end());
    r.check_dot1x = pre.check_dot1x;
    return r;
}

// ---------------------------------------------------------------- wiring

void TMainFm::connectCheckHandlers() {
    auto* filter = new NumericFieldFilter(*this);
    for (const rules::NumericField& f : rules::NumericFields()) {
        auto* field = findChild<QLineEdit*>(f.name.toString());
        if (field == nullptr) continue;
        SetHint(field, QString::number(f.max));
        SetTag(field, f.min);
        field->setMaxLength(f.maxLength);
        field->installEventFilter(filter);
        connect(field, &QLineEdit::textEdited, this, [this, field] { numericFieldEdited(field); });
    }
}

void TMainFm::connectKeysChecksHandlers() {
    connectKeyHandlers();
    connectCheckHandlers();
}

}  // namespace tern::gui
