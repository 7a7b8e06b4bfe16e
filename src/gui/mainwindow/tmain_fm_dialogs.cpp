// The main window's side of the advanced-settings and login dialogs: each
// opening creates the dialog afresh, shows it modally through the dialog
// seam and destroys it; the dialogs write their results into this window.
#include <QPushButton>

#include "gui/dialogs/dialog_seam.h"
#include "gui/dialogs/tap_more_fm.h"
#include "gui/dialogs/tmul_usr_pass_fm.h"
#include "gui/dialogs/tusr_pass_fm.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"

namespace tern::gui {

void TMainFm::connectDialogHandlers() {
    if (auto* more = findChild<QPushButton*>(QStringLiteral("a_b_more"))) {
        connect(more, &QPushButton::clicked, this, [this] { a_b_moreClick(); });
    }
}

void TMainFm::a_b_moreClick() {
    const MoreValues values{more_rate,    more_bcast, more_11g_only, more_superg,
                            more_txpower, more_wds,   more_beacon,   more_rts,
                            more_frag,    more_dtim,  extended_lock};
    TAP_MoreFm dialog(values, language(), dialogs_, this);
    dialogs_.execDialog(dialog);
}

bool TMainFm::LoginSingle() {
    TUsrPassFm dialog(login_user, login_pass, language(), this);
    return dialogs_.execDialog(dialog) == QDialog::Accepted;
}

bool TMainFm::LoginMulti(const QStringList& row_list) {
    login_list.clear();
    const auto* list = findChild<TQuillGrid*>(QStringLiteral("l_title"));
    if (list == nullptr) {
        return false;
    }
    TMulUsrPassFm dialog(*list, login_list, language(), this);
    dialog.row_list = row_list;
    dialog.FormShow();
    return dialogs_.execDialog(dialog) == QDialog::Accepted;
}

}  // namespace tern::gui
