// Key entry on the WEP page: the keystroke filter of the four key fields,
// the per-key edited bookkeeping, starred secrets and the key generator.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/form/control_state.h"
#include "core/rules/key_generator.h"
#include "core/rules/key_text.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/mainwindow/field_focus.h"
#include "gui/mainwindow/tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

// Routes the events of the key fields, e_pass and the pass-phrase fields to
// the form's handlers.
class KeyFieldFilter : public QObject {
  public:
    KeyFieldFilter(TMainFm& form, std::array<QLineEdit*, 4> keys, QLineEdit* pass,
                   std::array<QLineEdit*, 2> passphrases)
        : QObject(&form), form_(form), keys_(keys), pass_(pass), passphrases_(passphrases) {
        for (QLineEdit* e : keys_) e->installEventFilter(this);
        pass_->installEventFilter(this);
        for (QLineEdit* e : passphrases_) e->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (forwarding_) return false;
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (field == nullptr) return false;
        const bool isKey = std::find(keys_.begin(), keys_.end(), field) != keys_.end();
        switch (event->type()) {
            case QEvent::FocusIn:
                if (!IsFieldFocusChange(event)) break;
                if (isKey || field == pass_) {
                    form_.e_key1Enter(field);
                } else {
                    form_.wpa_m_pEnter(field);
                }
                break;
            case QEvent::FocusOut:
                if (isKey && IsFieldFocusChange(event)) form_.e_key1Exit(field);
                break;
            case QEvent::MouseButtonPress:
                if (isKey) {
                    form_.e_key1MouseDown(field);
                    // The caret was put at the start of an empty key: keep it
                    // there instead of where the click landed.
                    return form_.KeyFieldIsEmpty(field);
                }
                break;
            case QEvent::KeyPress:
                if (isKey) return keyPress(field, static_cast<QKeyEvent*>(event));
                break;
            default:
                break;
        }
        return false;
    }

  private:
    bool keyPress(QLineEdit* field, QKeyEvent* key) {
        form_.e_key1KeyDown(field);
        const QString text = key->text();
        // Only keys that type a character go through the filter; arrows,
        // Delete and focus keys pass as they are.
        if (!form::KeyGoesThroughFilter(key->key(), text)) {
            return false;
        }
        const QChar passed = form_.e_key1KeyPress(field, text.front());
        if (passed.isNull()) return true;
        if (passed == u'\r') return true;  // the focus has moved on
        if (passed != text.front()) {
            QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), QString(passed),
                               key->isAutoRepeat(), key->count());
            forwarding_ = true;
            QCoreApplication::sendEvent(field, &replaced);
            forwarding_ = false;
            return true;
        }
        return false;
    }

    TMainFm& form_;
    std::array<QLineEdit*, 4> keys_;
    QLineEdit* pass_;
    std::array<QLineEdit*, 2> passphrases_;
    bool forwarding_ = false;
};

}  // namespace

int TMainFm::keyIndexOf(const QLineEdit* field) const {
    for (int n = 1; n <= 4; ++n) {
        if (keyField(n) == field) return n;
    }
    return 0;
}

void TMainFm::markKeyEdited(const QLineEdit* field) {
    if (const int n = keyIndexOf(field); n > 0) {
        key_edited[static_cast<std::size_t>(n - 1)] = true;
    }
}

void TMainFm::focusNextAfter(QWidget* field) {
    for (QWidget* next = field->nextInFocusChain(); next != nullptr && next != field;
         next = next->nextInFocusChain()) {
        if (next->isEnabled() && next->isVisibleTo(this) && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool TMainFm::KeyFieldIsEmpty(const QLineEdit* field) const {
    return rules::SignificantKeyText(field->text(), wep_->w_r_hex->isChecked()).isEmpty();
}

QChar TMainFm::e_key1KeyPress(QLineEdit* field, QChar key) {
    if (key == u'\r') {
        focusNextAfter(field);
    }
    return rules::FilterWepKeyChar(key, wep_->w_r_hex->isChecked()).value_or(QChar());
}

void TMainFm::e_key1KeyDown(QLineEdit* field) { markKeyEdited(field); }

void TMainFm::e_key1Exit(QLineEdit* field) { markKeyEdited(field); }

void TMainFm::e_key1MouseDown(QLineEdit* field) {
    markKeyEdited(field);
    if (KeyFieldIsEmpty(field)) {
        field->setCursorPosition(0);
        field->setSelection(0, 1);
    }
}

void TMainFm::e_key1Enter(QLineEdit* field) {
    if (field->echoMode() != QLineEdit::Password) {
        return;
    }
    if (keyIndexOf(field) > 0) {
        // Emptied without the mask, so that no separator is left behind. A
        // field starred by a shown record carries no mask (it would refuse
        // the '*'): it gets the one of its key length back.
        QString mask = field->inputMask();
        field->setInputMask(QString());
        field->clear();
        const int bytes = TagOf(field);
        if (mask.isEmpty() && wep_->w_r_hex->isChecked() && bytes > 0) {
            mask = form::HexKeyMask(bytes);
        } else if (mask.isEmpty() && bytes > 0) {
            field->setMaxLength(bytes);
        }
        field->setInputMask(mask);
    } else {
        field->clear();
    }
    field->setEchoMode(QLineEdit::Normal);
}

void TMainFm::wpa_m_pEnter(QLineEdit* field) {
    // A field still showing the row of '*' for its kept pass phrase: what
    // is typed replaces the row instead of being added to it.
    if (!field->isModified() && !HintOf(field).isEmpty() && rules::IsStarRow(field->text())) {
        QMetaObject::invokeMethod(field, &QLineEdit::selectAll, Qt::QueuedConnection);
    }
}

void TMainFm::w_b_genClick() {
    const QString p = wep_->e_pass->text();
    if (p.isEmpty()) {
        return;
    }
    // The pass phrase is read in the code page of the AP's texts, as an
    // administrator's other tools would type it; one it cannot hold would
    // make keys from something else.
    const std::optional<QByteArray> phrase = language().recordBytes(p);
    if (!phrase) {
        ShowInfoMessage(text::LookupMessage(language(), text::kMsgErrCharset));
        return;
    }
    for (int k = 1; k <= 4; ++k) {
        QLineEdit* e = keyField(k);
        clearKeyField(e);
        SetTag(e, 0);
    }
    wep_->w_rb_key1->setChecked(true);
    wep_->w_r_hex->setChecked(true);
    std::optional<rules::GeneratedKeys> keys;
    switch (wep_->s_wep_1->currentIndex()) {
        case 0:
            keys = rules::GenerateKeys64(*phrase);
            break;
        case 1:
            keys = rules::GenerateKeys128(*phrase);
            break;
        case 2:
            keys = rules::GenerateKeys256(*phrase);
            break;
        default:
            break;
    }
    FormatKeyFields();
    if (!keys) {
        return;
    }
    for (int k = 1; k <= 4; ++k) {
        keyField(k)->setText(QString::fromLatin1((*keys)[static_cast<std::size_t>(k - 1)]));
    }
    // Generated keys are meant to be sent: without the flags the record
    // would keep the AP's old keys while the form shows the new ones.
    key_edited.fill(true);
}

QString TMainFm::EffectiveKeyText(int n) const {
    // What the checks read for the key, in the one place that decides it.
    if (n < 1 || n > 4) {
        return {};
    }
    return CollectFormValues(false).key_text[static_cast<std::size_t>(n - 1)];
}

QString TMainFm::EffectivePassphrase() const {
    return rules::EffectiveSecret(wep_->wpa_m_p->text(), HintOf(wep_->wpa_m_p),
                                  wep_->wpa_m_p->isModified());
}

QString TMainFm::EffectiveConfirmation() const {
    return rules::EffectiveSecret(wep_->wpa_m_c->text(), HintOf(wep_->wpa_m_c),
                                  wep_->wpa_m_c->isModified());
}

void TMainFm::connectKeyHandlers() {
    for (int n = 1; n <= 4; ++n) {
        QLineEdit* key = keyField(n);
        // Whatever changes the text (entering, typing, emptying, the
        // generator) ends its standing for the AP's kept key.
        connect(key, &QLineEdit::textChanged, this, [key] { SetKeyShowsStars(key, false); });
    }
    new KeyFieldFilter(*this, {wep_->e_key1, wep_->e_key2, wep_->e_key3, wep_->e_key4},
                       wep_->e_pass, {wep_->wpa_m_p, wep_->wpa_m_c});
    connect(wep_->w_b_gen, &QPushButton::clicked, this, [this] { w_b_genClick(); });
}

}  // namespace tern::gui
