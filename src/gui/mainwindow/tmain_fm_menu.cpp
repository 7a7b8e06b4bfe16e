// The AP list's context menu: copy an AP's MAC or name, back the selected
// APs up into the files tern-ap-cli restores, restore such a file onto the
// AP the form shows (checked, reviewed and logged in like an apply).
#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>

#include "core/engine/ap_engine.h"
#include "core/fleet/plan.h"
#include "core/form/backup_file.h"
#include "core/record/net_types.h"
#include "core/service/fleet_inputs.h"
#include "core/text/caption_tables.h"
#include "core/text/language_sections.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_captions.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_tmain_fm.h"

namespace tern::gui {

namespace {

constexpr int kNameColumn = 0;
constexpr int kMacColumn = 1;
// A backup is a few kilobytes; a larger file is no backup of ours.
constexpr qint64 kBackupFileLimit = 1 << 20;
const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

QString TMainFm::ToolText(QByteArrayView key) const {
    return CaptionText(text::ListToolCaptions(), text::kSectionListTools, key, language());
}

void TMainFm::connectMenuHandlers() {
    listMenu_ = new QMenu(this);
    listMenu_->setObjectName(QStringLiteral("m_list"));
    const auto add = [this](const char* name, const char* textKey, void (TMainFm::*handler)()) {
        QAction* action = listMenu_->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        action->setProperty("TextKey", QByteArray(textKey));
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    add("a_copy_mac", "CopyMac", &TMainFm::CopyMacClick);
    add("a_copy_name", "CopyName", &TMainFm::CopyNameClick);
    listMenu_->addSeparator();
    add("a_backup", "Backup", &TMainFm::BackupClick);
    add("a_restore", "Restore", &TMainFm::RestoreClick);
    LoadListToolCaptions();

    TQuillGrid* grid = ui_->l_title;
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { l_titleContextMenu(at); });
}

void TMainFm::LoadListToolCaptions() {
    for (QAction* action : listMenu_->actions()) {
        if (!action->isSeparator()) {
            action->setText(ToolText(action->property("TextKey").toByteArray()));
        }
    }
    if (filter_ != nullptr) {
        filter_->setPlaceholderText(ToolText("Filter"));
        filter_->setAccessibleName(ToolText("Filter"));
    }
    ui_->l_title->setAccessibleName(ToolText("List"));
}

QMenu* TMainFm::ListMenu() const { return listMenu_; }

void TMainFm::l_titleContextMenu(const QPoint& at) {
    TQuillGrid* grid = ui_->l_title;
    const QModelIndex index = grid->indexAt(at);
    if (!index.isValid() || PacketOfRow(index.row() + 1).isEmpty()) {
        return;  // not on a listed AP
    }
    // A row outside the selection is chosen first, as a click on it would.
    if (!ShownSelectedRows().contains(index.row() + 1)) {
        makeRowCurrent(index.row() + 1, true);
        l_titleMouseDown();
    }
    const bool idle =
        !applying_ && !pumping_ && !engine_.applyOutstanding() && !Timer_refresh.isActive();
    for (QAction* action : listMenu_->actions()) {
        if (action->objectName() == QStringLiteral("a_restore")) {
            action->setEnabled(idle && ui_->b_Ternapply->isEnabled());
        }
    }
    listMenu_->popup(grid->viewport()->mapToGlobal(at));
}

// ---------------------------------------------------------------- copy

QStringList TMainFm::selectedCells(int col) const {
    QStringList cells;
    for (const int row : ShownSelectedRows()) {
        if (!PacketOfRow(row).isEmpty()) {
            cells << ui_->l_title->Cells(col, row);
        }
    }
    return cells;
}

void TMainFm::CopyMacClick() {
    const QStringList macs = selectedCells(kMacColumn);
    if (!macs.isEmpty()) {
        QGuiApplication::clipboard()->setText(macs.join(u'\n'));
    }
}

void TMainFm::CopyNameClick() {
    const QStringList names = selectedCells(kNameColumn);
    if (!names.isEmpty()) {
        QGuiApplication::clipboard()->setText(names.join(u'\n'));
    }
}

// ---------------------------------------------------------------- backup

void TMainFm::BackupClick() {
    // What is written is taken now: the list may move while the chooser is
    // open (a reply sorted in), and each file must hold the AP it is named
    // for.
    struct Saved {
        QString mac;
        QByteArray packet;
    };
    QList<Saved> aps;
    for (const int row : ShownSelectedRows()) {
        const QByteArray packet = PacketOfRow(row);
        if (!packet.isEmpty()) aps.push_back({ui_->l_title->Cells(kMacColumn, row), packet});
    }
    if (aps.isEmpty()) {
        ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
        return;
    }
    const QString caption = ToolText("BackupCap");
    // One AP into a file of the user's naming; several into a new folder
    // inside the one chosen, one MAC.json each (as tern-ap-cli backup
    // writes them).
    DialogSeam::PathQuestion question;
    question.caption = caption;
    question.filter = ToolText("Files");
    const auto fileName = [](const Saved& ap) { return ap.mac + QStringLiteral(".json"); };
    if (aps.size() == 1) {
        question.kind = DialogSeam::PathQuestion::Kind::SaveFile;
        question.directory = QDir::home().filePath(fileName(aps.first()));
    } else {
        question.kind = DialogSeam::PathQuestion::Kind::Folder;
        question.directory = QDir::homePath();
    }
    const QString chosen = dialogs_.askPath(this, question);
    if (chosen.isEmpty()) {
        return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString folder;
    if (aps.size() > 1) {
        // Named by the UTC time, as tern-ap-cli names an apply's backups,
        // so an earlier backup in the folder chosen is never replaced.
        folder = service::NewBackupFolder(chosen, now);
        if (folder.isEmpty()) {
            ShowInfoMessage({ToolText("BackupFail") + kCrLf + chosen, caption});
            return;
        }
    }
    QStringList written;
    for (const Saved& ap : aps) {
        const QString path = aps.size() == 1 ? chosen : QDir(folder).filePath(fileName(ap));
        const record::ApConfigRecord record =
            engine::PacketRecord(ap.packet).value_or(record::ApConfigRecord());
        QString error;
        if (!form::WriteBackupFile(path, record, language().recordEncoding(), now, &error)) {
            // What was written stays; the user learns which one failed and why.
            ShowInfoMessage({ToolText("BackupFail") + kCrLf + path + kCrLf + error, caption});
            return;
        }
        written << path;
    }
    ShowInfoMessage({ToolText("BackupDone") + kCrLf + written.join(kCrLf), caption});
}

// ---------------------------------------------------------------- restore

void TMainFm::RestoreClick() {
    // Like a click on Apply: never inside another apply or its report.
    if (applyBlocked()) {
        return;
    }
    if (!CommitFocusedNumericField()) {
        return;
    }
    const int row = ui_->l_title->Row();
    const QByteArray packet = PacketOfRow(row);
    if (packet.isEmpty() || ui_->l_title->isGridRowHidden(row)) {
        ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
        return;
    }
    // The AP as it is now: the list may move while the chooser is open.
    const QString name = ui_->l_title->Cells(kNameColumn, row);
    const QString caption = ToolText("RestoreCap");
    DialogSeam::PathQuestion question;
    question.kind = DialogSeam::PathQuestion::Kind::OpenFile;
    question.caption = caption;
    question.directory = QDir::homePath();
    question.filter = ToolText("Files");
    const QString path = dialogs_.askPath(this, question);
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    std::optional<record::ApConfigRecord> saved;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kBackupFileLimit) {
        saved = form::ReadBackupFile(file.read(kBackupFileLimit));
    }
    if (!saved) {
        ShowInfoMessage({ToolText("RestoreBad") + kCrLf + path, caption});
        return;
    }

    const ApplyUnderWay applying(*this);
    const record::ApConfigRecord current =
        engine::PacketRecord(packet).value_or(record::ApConfigRecord());
    // The plan tern-ap-cli's restore makes: another AP keeps its own MAC,
    // addresses and name; the same checks as an apply, in its words.
    const fleet::ApPlan plan = fleet::PlanRestore(current, *saved, false);
    if (plan.verdict == fleet::ApPlan::Verdict::Invalid) {
        ShowInfoMessage({plan.problems.join(kCrLf), caption});
        return;
    }
    if (!ReviewChanges({{current, plan.desired, name}})) {
        return;
    }
    engine_.BeginApply(1);
    if (!LoginSingle() || !loginWritable(login_user, login_pass)) {
        return;
    }
    apply_name = name;
    beginSending();
    SendSetRequest(plan.desired);
    ui_->b_Ternapply->setEnabled(false);
    ui_->b_apply->setEnabled(false);
}

}  // namespace tern::gui
