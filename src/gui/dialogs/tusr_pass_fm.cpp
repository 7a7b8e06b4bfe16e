#include "gui/dialogs/tusr_pass_fm.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "core/text/caption_tables.h"
#include "core/text/language_text.h"
#include "gui/dialogs/dialog_captions.h"
#include "ui_tusr_pass_fm.h"

namespace tern::gui {

TUsrPassFm::TUsrPassFm(QString& loginUser, QString& loginPass, const text::LanguageText& language,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::UsrPassFm>()),
      loginUser_(loginUser),
      loginPass_(loginPass),
      language_(language) {
    ui_->setupUi(this);
    // Every typed character of the password shows as "*".
    ui_->mng_e_pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui_->mng_e_name->installEventFilter(this);
    ui_->mng_e_pass->installEventFilter(this);
    connect(ui_->b_ok, &QPushButton::clicked, this, [this] { b_okClick(); });
    connect(ui_->b_cancel, &QPushButton::clicked, this, [this] { reject(); });
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    FormCreate();
}

TUsrPassFm::~TUsrPassFm() = default;

void TUsrPassFm::FormCreate() {
    ApplyDialogCaptions(*this, text::LoginDialogCaptions(), language_);
}

bool TUsrPassFm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        if (watched == ui_->mng_e_name || watched == ui_->mng_e_pass) {
            return mng_e_nameKeyPress(static_cast<QLineEdit*>(watched),
                                      static_cast<const QKeyEvent&>(*event));
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TUsrPassFm::mng_e_nameKeyPress(QLineEdit* field, const QKeyEvent& event) {
    if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter) {
        return false;
    }
    if (field == ui_->mng_e_name) {
        ui_->mng_e_pass->setFocus(Qt::TabFocusReason);
    } else if (field == ui_->mng_e_pass) {
        ui_->b_ok->setFocus(Qt::TabFocusReason);
    }
    return true;
}

void TUsrPassFm::b_okClick() {
    loginUser_ = ui_->mng_e_name->text();
    loginPass_ = ui_->mng_e_pass->text();
    accept();
}

}  // namespace tern::gui
