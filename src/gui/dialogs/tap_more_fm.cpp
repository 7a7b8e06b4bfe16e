#include "gui/dialogs/tap_more_fm.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "core/rules/validation.h"
#include "core/text/caption_tables.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_captions.h"
#include "gui/dialogs/dialog_seam.h"
#include "ui_tap_more_fm.h"

namespace tern::gui {

namespace {

struct NumericField {
    QLatin1StringView name;
    QLatin1StringView reset;  // after an error, and on OK when empty
};

constexpr NumericField kNumericFields[] = {
    {QLatin1StringView("e_beacon"), QLatin1StringView("100")},
    {QLatin1StringView("e_rts"), QLatin1StringView("2432")},
    {QLatin1StringView("e_frag"), QLatin1StringView("2346")},
    {QLatin1StringView("e_dtim"), QLatin1StringView("3")},
};

// The chosen item of a list. A list whose text can be typed counts as having
// no item chosen while its text matches none of its items.
int ChosenIndex(const QComboBox* list) {
    if (!list->isEditable()) {
        return list->currentIndex();
    }
    const QString text = list->currentText();
    if (list->currentIndex() >= 0 && list->itemText(list->currentIndex()) == text) {
        return list->currentIndex();
    }
    return list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

}  // namespace

TAP_MoreFm::TAP_MoreFm(const MoreValues& values, const text::LanguageText& language,
                       DialogSeam& dialogs, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::AP_MoreFm>()),
      values_(values),
      language_(language),
      dialogs_(dialogs) {
    ui_->setupUi(this);
    for (QLineEdit* e : {ui_->e_beacon, ui_->e_rts, ui_->e_frag, ui_->e_dtim}) {
        e->installEventFilter(this);
        // A new value, however it came, is checked afresh when left.
        connect(e, &QLineEdit::textEdited, this, [this, e] {
            if (checking_) return;
            if (exitDone_ == e) exitDone_ = nullptr;
            if (exitRefused_ == e) exitRefused_ = nullptr;
        });
    }
    connect(ui_->b_ok, &QPushButton::clicked, this, [this] { b_okClick(); });
    connect(ui_->b_cancel, &QPushButton::clicked, this, [this] { reject(); });
    FormCreate();
}

TAP_MoreFm::~TAP_MoreFm() = default;

QString TAP_MoreFm::ValueAfterError(QStringView fieldName) {
    for (const NumericField& f : kNumericFields) {
        if (fieldName == f.name) {
            return QString(f.reset);
        }
    }
    return {};
}

void TAP_MoreFm::FormCreate() {
    ApplyDialogCaptions(*this, text::AdvancedDialogCaptions(), language_);

    ui_->s_bcast->setCurrentIndex(values_.bcast);
    ui_->e_beacon->setText(values_.beacon);
    ui_->e_rts->setText(values_.rts);
    ui_->e_frag->setText(values_.frag);
    ui_->e_dtim->setText(values_.dtim);
    ui_->s_rate->setCurrentIndex(values_.rate);
    ui_->s_11g_only->setCurrentIndex(values_.only11g);
    ui_->s_11g_SuperG->setCurrentIndex(values_.superg);
    ui_->s_txPower->setCurrentIndex(values_.txpower);
    ui_->s_wds->setCurrentIndex(values_.wds);

    const bool locked = values_.extended_lock == 1;
    ui_->s_11g_SuperG->setEnabled(!locked);
    ui_->s_bcast->setEnabled(!locked);
    if (locked) {
        ui_->s_11g_SuperG->setCurrentIndex(0);
        ui_->s_bcast->setCurrentIndex(0);
    }
}

QLineEdit* TAP_MoreFm::numericField(QObject* object) const {
    for (QLineEdit* e : {ui_->e_beacon, ui_->e_rts, ui_->e_frag, ui_->e_dtim}) {
        if (object == e) {
            return e;
        }
    }
    return nullptr;
}

bool TAP_MoreFm::eventFilter(QObject* watched, QEvent* event) {
    QLineEdit* field = numericField(watched);
    if (field != nullptr) {
        // The window losing activation (a message box, another program)
        // neither leaves nor enters the field.
        const auto isFieldFocusChange = [event] {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        };
        if (event->type() == QEvent::KeyPress) {
            if (exitDone_ == field) exitDone_ = nullptr;
            if (exitRefused_ == field) exitRefused_ = nullptr;
            return e_beaconKeyPress(field, static_cast<const QKeyEvent&>(*event));
        }
        if (event->type() == QEvent::FocusIn && isFieldFocusChange() && exitDone_ == field &&
            !checking_) {
            exitDone_ = nullptr;
        }
        if (event->type() == QEvent::FocusOut && isFieldFocusChange()) {
            leaveField(field);
            if (exitDone_ == field) exitDone_ = nullptr;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TAP_MoreFm::e_beaconKeyPress(QLineEdit* field, const QKeyEvent& event) {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        // Enter leaves the field: its check runs now, and only a value it
        // accepts lets the focus move on.
        if (leaveField(field) && field->hasFocus()) {
            focusNextChild();
        }
        if (exitDone_ == field) exitDone_ = nullptr;
        return true;  // never reaches the dialog's default button
    }
    if (event.key() == Qt::Key_Backspace) {
        return false;
    }
    const QString text = event.text();
    if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9') {
        return false;
    }
    // Keys without a printable character (moving the caret, Delete, the
    // clipboard shortcuts) keep their usual meaning; pasted text is caught
    // by the check on leaving the field.
    if (text.isEmpty() || !text[0].isPrint()) {
        return false;
    }
    return true;
}

bool TAP_MoreFm::leaveField(QLineEdit* field) {
    if (checking_ || exitDone_ == field) {
        return true;
    }
    const bool left = e_beaconExit(field);
    if (left) {
        exitDone_ = field;
        if (exitRefused_ == field) exitRefused_ = nullptr;
    } else {
        exitRefused_ = field;
    }
    return left;
}

bool TAP_MoreFm::e_beaconExit(QLineEdit* field) {
    if (field == nullptr || checking_ || field->text().isEmpty()) {
        return true;
    }
    const QString name = field->objectName();
    const int min = field->property("Tag").toInt();
    const int max = field->property("Hint").toString().toInt();
    // Text that is not a number (only pasting gets it here) is the field's
    // range error.
    const rules::FieldCheck check = rules::CheckNumericField(name, field->text(), max, min);
    if (check.passed()) {
        return true;
    }

    checking_ = true;
    const text::MessageText text = rules::CheckMessageText(language_, check.message);
    dialogs_.showMessage(
        this, {text.text, text.caption, DialogSeam::Icon::Information, DialogSeam::Buttons::Ok});
    field->setText(ValueAfterError(name));
    field->setFocus(Qt::OtherFocusReason);
    // The focus change that ran this check is still under way; take the
    // focus back once it has finished.
    QTimer::singleShot(0, field, [field] { field->setFocus(Qt::OtherFocusReason); });
    checking_ = false;
    return false;
}

void TAP_MoreFm::b_okClick() {
    // OK leaves the field the user is in; a value refused on the way (by
    // this click's own focus change, or now) keeps the dialog open.
    if (QLineEdit* field = numericField(focusWidget())) {
        const bool refusedByThisClick = exitRefused_ == field;
        exitRefused_ = nullptr;
        if (refusedByThisClick || !leaveField(field)) {
            exitRefused_ = nullptr;
            return;
        }
    }
    values_.rate = ui_->s_rate->currentIndex();
    values_.bcast = ui_->s_bcast->currentIndex();
    values_.only11g = ui_->s_11g_only->currentIndex();
    values_.superg = ui_->s_11g_SuperG->currentIndex();
    values_.txpower = ui_->s_txPower->currentIndex();
    values_.wds = ChosenIndex(ui_->s_wds);

    const auto take = [](QLineEdit* field, QString& target) {
        if (field->text().isEmpty()) {
            field->setText(ValueAfterError(field->objectName()));
        }
        target = field->text();
    };
    take(ui_->e_beacon, values_.beacon);
    take(ui_->e_rts, values_.rts);
    take(ui_->e_frag, values_.frag);
    take(ui_->e_dtim, values_.dtim);
    accept();
}

}  // namespace tern::gui
