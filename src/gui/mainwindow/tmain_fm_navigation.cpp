// The main window's page navigation: the labels, the up images, hovering.
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/form/control_state.h"
#include "core/record/code_tables.h"
#include "core/text/caption_tables.h"
#include "core/text/language_sections.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/nav_pictures.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_ap_page.h"
#include "ui_dot1x_page.h"
#include "ui_ip_page.h"
#include "ui_status_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QString kMarker = QStringLiteral("1");

}  // namespace

// ---------------------------------------------------------------- navigation

QLabel* TMainFm::NavLabel(int page) const {
    if (page < 0 || page >= kNavPageCount) {
        return nullptr;
    }
    return navLabels_[static_cast<std::size_t>(page)];
}

int TMainFm::activePage() const { return ui_->PageControl1->currentIndex(); }

void TMainFm::l_statusClick(QLabel* label) {
    if (label == nullptr) {
        return;
    }
    if (QLabel* current = NavLabel(activePage())) {
        SetFontColour(current, kGreyFont);
        SetHint(current, QString());
    }
    SetFontColour(label, kBlack);
    SetHint(label, kMarker);
    ui_->PageControl1->setCurrentIndex(TagOf(label));
    UpdateNavImages();
}

void TMainFm::UpdateNavImages() {
    for (int i = 0; i < kNavPageCount; ++i) {
        upImages_[static_cast<std::size_t>(i)]->setVisible(true);
        downImages_[static_cast<std::size_t>(i)]->setVisible(false);
    }
    const int page = activePage();
    if (page >= 0 && page < kNavPageCount) {
        downImages_[static_cast<std::size_t>(page)]->setVisible(true);
        upImages_[static_cast<std::size_t>(page)]->setVisible(false);
    }
}

void TMainFm::upImageClick(int page) {
    upImages_[static_cast<std::size_t>(page)]->setVisible(false);
    downImages_[static_cast<std::size_t>(page)]->setVisible(true);
    l_statusClick(NavLabel(page));
}

void TMainFm::Img_LinkInfo_upClick() { upImageClick(0); }
void TMainFm::Img_ApSet_upClick() { upImageClick(1); }
void TMainFm::Img_IpSet_upClick() { upImageClick(2); }
void TMainFm::Img_WepSet_upClick() { upImageClick(3); }
void TMainFm::Img_1xSet_upClick() { upImageClick(4); }

void TMainFm::l_wepSetMouseEnter(QLabel* label) {
    if (label != nullptr && HintOf(label).isEmpty()) {
        SetFontColour(label, kRed);
    }
}

void TMainFm::l_wepSetMouseLeave(QLabel* label) {
    if (label != nullptr && HintOf(label).isEmpty()) {
        SetFontColour(label, kGreyFont);
    }
}

bool TMainFm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        return filterKeyPress(static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::KeyPress) {
        for (int i = 0; i < kNavPageCount; ++i) {
            if (watched == upImages_[static_cast<std::size_t>(i)]) {
                return navImageKey(i, static_cast<QKeyEvent*>(event));
            }
        }
    }
    if (watched == ap_->e_rm_mac && event->type() == QEvent::KeyPress && !forwardingKey_) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Only keys that type a character are filtered; navigation keys and
        // focus changes pass as they are.
        if (!form::KeyGoesThroughFilter(key->key(), text)) {
            return false;
        }
        const QChar passed = e_rm_macKeyPress(text.front());
        if (passed.isNull()) {
            return true;
        }
        if (passed != text.front()) {
            QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), QString(passed),
                               key->isAutoRepeat(), key->count());
            forwardingKey_ = true;
            QCoreApplication::sendEvent(ap_->e_rm_mac, &replaced);
            forwardingKey_ = false;
            return true;
        }
        return false;
    }
    for (int i = 0; i < kNavPageCount; ++i) {
        QLabel* nav = navLabels_[static_cast<std::size_t>(i)];
        if (watched == nav) {
            if (event->type() == QEvent::Enter) {
                l_wepSetMouseEnter(nav);
            } else if (event->type() == QEvent::Leave) {
                l_wepSetMouseLeave(nav);
            } else if (event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                       CommitFocusedNumericField()) {
                l_statusClick(nav);
            }
            return false;
        }
        if (watched == upImages_[static_cast<std::size_t>(i)] &&
            event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (CommitFocusedNumericField()) upImageClick(i);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tern::gui
