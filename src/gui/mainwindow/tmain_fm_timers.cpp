// The refresh button and the two timers that settle searches and applies.
#include <QCoreApplication>
#include <QtDebug>

#include "core/net/udp_socket_control.h"
#include "core/record/net_types.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "core/text/screen_text.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_tmain_fm.h"

namespace tern::gui {

void TMainFm::b_refreshClick() {
    // Pending events run here, a receive event among them; a timer tick or
    // a second refresh arriving inside would start a search of its own in
    // the middle of this one.
    if (pumping_) {
        return;
    }
    setWaitCursor(true);
    pumping_ = true;
    QCoreApplication::processEvents();
    pumping_ = false;
    refresh_skip = true;
    StartSearch();
    Timer.start();
    MaskSecretFields();
}

void TMainFm::reEnableWindow() {
    ui_->b_apply->setEnabled(ui_->b_Ternapply->isEnabled());
    ui_->b_close->setEnabled(true);
    ui_->b_refresh->setEnabled(true);
    for (QLabel* nav : navLabels_) {
        nav->setEnabled(ui_->b_refresh->isEnabled());
    }
}

void TMainFm::TimerTimer() {
    if (pumping_) {
        return;  // the refresh under way arms the timer again
    }
    ListPendingRows();  // none outside a batch; the list must be whole here
    TQuillGrid* grid = ui_->l_title;
    const bool listEmpty = grid->Cells(1, 1).isEmpty();

    const engine::TimerTick tick = engine_.Tick();
    if (tick == engine::TimerTick::Settled) {
        reportLostReplies();
        // the search is settled; an apply ending here did not hear from
        // every AP it was sent to
        const QString unconfirmed = takeUnconfirmedReport();
        Timer.stop();
        ShowPendingRecord();
        l_statusClick(ui_->l_status);
        ui_->PageControl1->setCurrentIndex(0);
        // a refusal report still pending keeps the apply it belongs to open
        ui_->b_Ternapply->setEnabled(!listEmpty && !Timer_refresh.isActive());
        // The AP listed last that the filter leaves in view; with none in
        // view no AP is shown, as with an empty list.
        const int last = listEmpty ? grid->RowCount() - 1 : rowInView(true);
        if (listEmpty || last == 0) {
            ResetForm();
        }
        if (last > 0) {
            makeRowCurrent(last, true);
        }
        l_titleMouseDown();
        reEnableWindow();
        engine_.SettleDone();
        setWaitCursor(false);
        if (refresh_skip) {
            refresh_skip = false;
        } else {
            StartSearch();
        }
        showUnconfirmedReport(unconfirmed);
        return;
    }

    // following an apply
    if (tick == engine::TimerTick::Concluded) {
        Timer.stop();
        l_statusClick(ui_->l_status);
        ui_->PageControl1->setCurrentIndex(0);
        Timer_refresh.start();
    } else if (tick == engine::TimerTick::TimedOut) {
        const QString unconfirmed = takeUnconfirmedReport();
        Timer.stop();
        b_refreshClick();
        reply_count = 0;
        l_statusClick(ui_->l_status);
        ui_->PageControl1->setCurrentIndex(0);
        // The first AP in view (the filter holds across searches).
        const int first = rowInView(false);
        makeRowCurrent(first > 0 ? first : 1, first > 0);
        l_titleMouseDown();
        ui_->b_Ternapply->setEnabled(!grid->Cells(1, 1).isEmpty());
        reEnableWindow();
        tick_count = 0;
        busy = false;
        setWaitCursor(false);
        showUnconfirmedReport(unconfirmed);
    }
}

void TMainFm::Timer_refreshTimer() {
    if (pumping_) {
        return;
    }
    if (!engine_.RefreshTick()) {
        return;
    }
    Timer_refresh.stop();
    // An AP still missing here is reported with the refusals, never as done.
    showUnconfirmedReport(takeUnconfirmedReport());
    if (!failed_macs.isEmpty()) {
        const text::LanguageText& lang = language();
        const QString caption = text::LookupMessage(lang, text::kMsgErrApply).caption;
        const QString macText = text::LookupMessage(lang, text::kMsgMac).text;
        const QString apText = text::LookupMessage(lang, text::kMsgAp).text;
        const QString idText = text::LookupMessage(lang, text::kMsgErrId).text;
        const QString appText = text::LookupMessage(lang, text::kMsgErrApp).text;
        QString text;
        for (const QByteArray& failed : failed_macs) {
            QString mac;
            QString name;
            if (expected_replies == 1) {
                mac = record::MacText(record::MacFromBytes(failed_macs.front()));
                name = apply_name;
            } else {
                mac = record::MacText(record::MacFromBytes(failed));
                name = NameForMac(mac);
            }
            text += macText + QStringLiteral("  ") + mac + QStringLiteral(" --- ") + apText +
                    QStringLiteral("  ") + text::VisibleText(name) + QStringLiteral("\r\n");
        }
        if (!text.isEmpty()) {
            text += idText + QStringLiteral("\r\n") + appText;
            DialogSeam::Message message;
            message.text = text;
            message.caption = caption;
            message.icon = DialogSeam::Icon::Information;
            message.buttons = DialogSeam::Buttons::Ok;
            dialogs_.showMessage(this, message);
        }
        failed_macs.clear();
    }
    b_refreshClick();
    ui_->b_Ternapply->setEnabled(!ui_->l_title->Cells(1, 1).isEmpty());
    reEnableWindow();
    tick_count = 0;
    setWaitCursor(false);
}

void TMainFm::reportLostReplies() {
    const qint64 lost = UDPSocket ? UDPSocket->lostCount() - lostAtSearch_ : 0;
    if (lost > 0) {
        lostAtSearch_ += lost;
        qWarning().noquote() << UDPSocket->lostText(lost);
    }
}

}  // namespace tern::gui
