// The search, the receive handler and the AP list of the main window.
#include <QTimer>
#include <algorithm>

#include "core/form/record_view.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/mainwindow/url_opener.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_ap_page.h"
#include "ui_ip_page.h"
#include "ui_status_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

constexpr int kListColumns = 4;      // name, MAC, SSID, WEP
constexpr int kInterfaceColumn = 4;  // named only when several were searched

UrlOpener& DefaultUrlOpener() {
    static DesktopUrlOpener opener;
    return opener;
}

}  // namespace

void TMainFm::connectDiscoveryHandlers() {
    if (UDPSocket) {
        connect(UDPSocket.get(), &net::UdpSocketControl::OnRecv, this,
                [this](const QByteArray& datagram, uint via) {
                    inReceiveBatch_ = true;
                    UDPSocketRecv(datagram, via);
                });
        connect(UDPSocket.get(), &net::UdpSocketControl::OnRecvDone, this, [this] {
            inReceiveBatch_ = false;
            ListPendingRows();
        });
    }
    TQuillGrid* grid = ui_->l_title;
    connect(grid, &TQuillGrid::SelectCell, this, [this](int col, int row) {
        if (silentSelect_) {
            return;
        }
        bool canSelect = true;
        l_titleSelectCell(col, row, canSelect);
    });
    connect(grid, &TQuillGrid::MouseDown, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, int, int) { l_titleMouseDown(); });
    connect(grid, &TQuillGrid::DblClick, this, [this] { l_titleDblClick(); });
}

// ---------------------------------------------------------------- search

void TMainFm::StartSearch() {
    key_edited.fill(false);

    ui_->b_Ternapply->setEnabled(false);
    ui_->b_apply->setEnabled(ui_->b_Ternapply->isEnabled());
    ui_->b_close->setEnabled(false);
    ui_->b_refresh->setEnabled(false);
    for (QLabel* nav : navLabels_) {
        nav->setEnabled(ui_->b_Ternapply->isEnabled());
    }

    // Emptying the list moves the current row; that is no selection.
    showPending_ = false;
    silentSelect_ = true;
    ClearApList();
    silentSelect_ = false;
    row_packets.clear();
    pendingAps_.clear();  // the previous search's

    const QByteArray request = engine_.StartSearch();
    if (UDPSocket) {
        lostAtSearch_ = UDPSocket->lostCount();
        UDPSocket->BroadcastData(request);
    }
}

// ---------------------------------------------------------------- receive

void TMainFm::UDPSocketRecv(QByteArrayView datagram, uint interfaceIndex) {
    const engine::Received r = applySession_.receive(datagram, interfaceIndex);
    switch (r.kind) {
        case engine::Received::Kind::OldFirmware:
            if (r.firstOldFirmware) {
                // Opened once this handler has returned: a box opened here
                // would hold up every datagram behind this one (the socket
                // raises no receive event while its handler runs) until it
                // is closed, and a search would settle on what came first.
                QTimer::singleShot(0, this, [this] { showOldFirmwareWarning(); });
            }
            break;
        case engine::Received::Kind::NewAp:
            listAp(r.packet, r.interfaceIndex);
            break;
        default:
            break;
    }
}

void TMainFm::showOldFirmwareWarning() {
    if (pumping_) {
        // Not inside the refresh's or the multi-AP apply's waits: the box
        // would hold them up. It comes once they are over.
        QTimer::singleShot(0, this, [this] { showOldFirmwareWarning(); });
        return;
    }
    const text::MessageText first = text::LookupMessage(language(), text::kMsgOldFirmware);
    const text::MessageText second = text::LookupMessage(language(), text::kMsgOldFirmware1);
    DialogSeam::Message message;
    message.caption = first.caption;
    message.text = first.text + QStringLiteral("\r\n") + second.text;
    message.icon = DialogSeam::Icon::Information;
    message.buttons = DialogSeam::Buttons::Ok;
    dialogs_.showMessage(this, message);
}

void TMainFm::listAp(const QByteArray& packet, uint interfaceIndex) {
    if (!showEachArrival_) {
        pendingAps_.push_back({packet, interfaceIndex});
        if (!inReceiveBatch_) {
            ListPendingRows();
        } else if (pendingAps_.size() == 1) {
            // The batch's end lists them; should it never be said (the
            // socket closed inside a handler), the next turn does.
            QTimer::singleShot(0, this, [this] { ListPendingRows(); });
        }
        return;
    }
    if (ShowRecord(packet)) {
        QStringList cells = list_row.split(u'\t');
        cells.resize(kInterfaceColumn + 1);
        cells[kInterfaceColumn] = interfaceCell(interfaceIndex);
        appendRows({{cells, packet}});
    }
    enableAfterListing();
    bool canSelect = true;
    l_titleSelectCell(0, ui_->l_title->Row(), canSelect);
    setWaitCursor(false);
    key_edited.fill(false);
}

QString TMainFm::interfaceCell(uint interfaceIndex) const {
    // Where the AP is matters only on a host with several segments.
    const bool severalSearched = UDPSocket && UDPSocket->searchedInterfaces().size() > 1;
    return severalSearched ? UDPSocket->interfaceName(interfaceIndex) : QString();
}

void TMainFm::ListPendingRows() {
    if (pendingAps_.empty()) {
        return;
    }
    std::vector<PendingAp> aps;
    aps.swap(pendingAps_);
    // The row's cells come straight from the record; the form shows the AP
    // listed last once the burst is over.
    std::vector<NewRow> rows;
    rows.reserve(aps.size());
    for (const PendingAp& ap : aps) {
        QStringList row =
            form::ListCellTexts(engine::PacketRecord(ap.packet).value_or(record::ApConfigRecord()),
                                language().recordEncoding());
        row.resize(kInterfaceColumn + 1);
        row[kInterfaceColumn] = interfaceCell(ap.interfaceIndex);
        rows.push_back({row, ap.packet});
    }
    list_row = form::ListRowLine(rows.back().cells);
    appendRows(rows);
    enableAfterListing();
    if (!showPending_) {
        showPending_ = true;
        QTimer::singleShot(0, this, [this] { ShowPendingRecord(); });
    }
}

void TMainFm::appendRows(const std::vector<NewRow>& rows) {
    TQuillGrid* grid = ui_->l_title;
    // Where each row goes, as if added one by one: below the last, except
    // that an empty list's one empty row is taken by the next AP.
    int rowCount = grid->RowCount();
    bool firstRowEmpty = RowIsEmpty(1, kListColumns - 1);
    int firstRow = -1;
    QList<QStringList> cells;
    QList<QByteArray> packets;
    for (const NewRow& row : rows) {
        if (!firstRowEmpty) {
            ++rowCount;
        }
        const int at = rowCount - 1;
        if (firstRow < 0) {
            firstRow = at;
        }
        if (firstRow + cells.size() > at) {  // the same row again: the later AP holds it
            cells.removeLast();
            packets.removeLast();
        }
        cells << row.cells;
        packets << row.packet;
        if (at == 1) {
            firstRowEmpty = std::all_of(row.cells.begin(), row.cells.begin() + kListColumns,
                                        [](const QString& c) { return c.isEmpty(); });
        }
    }
    grid->setRowCount(rowCount);
    grid->setRows(firstRow, cells);
    if (row_packets.size() < rowCount - 1) {
        row_packets.resize(rowCount - 1);
    }
    for (qsizetype i = 0; i < packets.size(); ++i) {
        row_packets[firstRow - 1 + i] = packets[i];
    }
    makeRowCurrent(rowCount - 1, false);
    afterRowsListed();
    grid->viewport()->update();
}

void TMainFm::ShowPendingRecord() {
    if (!showPending_) {
        return;
    }
    showPending_ = false;
    TQuillGrid* grid = ui_->l_title;
    int row = grid->Row();
    if (grid->isGridRowHidden(row)) {
        // The AP listed last is one the filter leaves out: the form shows
        // the last one in view instead, or none.
        row = rowInView(true);
        if (row > 0) {
            makeRowCurrent(row, false);
        }
    }
    bool canSelect = true;
    l_titleSelectCell(0, row, canSelect);
    grid->scrollTo(grid->currentIndex());
    setWaitCursor(false);
    key_edited.fill(false);
}

void TMainFm::enableAfterListing() {
    // An AP listed while an apply is under way does not open Apply early.
    ui_->b_Ternapply->setEnabled(!engine_.applyOutstanding() && !Timer_refresh.isActive());
    ui_->b_apply->setEnabled(ui_->b_Ternapply->isEnabled());
    ui_->b_close->setEnabled(true);
    ui_->b_refresh->setEnabled(true);
    for (QLabel* nav : navLabels_) {
        nav->setEnabled(true);
    }
}

// ---------------------------------------------------------------- the list

bool TMainFm::RowIsEmpty(int row, int lastCol) const {
    for (int col = 0; col <= lastCol; ++col) {
        if (!ui_->l_title->Cells(col, row).isEmpty()) {
            return false;
        }
    }
    return true;
}

QByteArray TMainFm::PacketOfRow(int row) const {
    if (row < 1 || row > row_packets.size()) {
        return {};
    }
    return row_packets[row - 1];
}

void TMainFm::makeRowCurrent(int row, bool notify) {
    TQuillGrid* grid = ui_->l_title;
    silentSelect_ = !notify;
    grid->setSelection({0, row, grid->ColCount() - 1, row});
    silentSelect_ = false;
}

void TMainFm::l_titleSelectCell(int /*col*/, int row, bool& /*canSelect*/) {
    const QByteArray packet = PacketOfRow(row);
    if (packet.isEmpty()) {
        return;
    }
    ShowRecord(packet);
    l_statusClick(ui_->l_status);
}

void TMainFm::l_titleMouseDown() {
    // Rows a filter leaves out are not part of an apply, so they do not count.
    const qsizetype n = ShownSelectedRows().size();
    const bool single = n < 2;
    ap_->a_l_ch->setEnabled(single);
    ap_->s_ch->setEnabled(single);
    ip_->i_r_ip->setEnabled(single);
    ip_->i_r_dhcp->setEnabled(single);
    const bool fixed = single && ip_->i_r_ip->isChecked();
    for (QLabel* l : {ip_->i_l_ip, ip_->i_l_submask, ip_->i_l_gateway}) {
        l->setEnabled(fixed);
    }
    for (QLineEdit* e : {ip_->e_ip_1, ip_->e_ip_2, ip_->e_ip_3, ip_->e_ip_4, ip_->e_submask_1,
                         ip_->e_submask_2, ip_->e_submask_3, ip_->e_submask_4, ip_->e_gateway_1,
                         ip_->e_gateway_2, ip_->e_gateway_3, ip_->e_gateway_4}) {
        setEditEnabled(e, fixed);
    }
}

void TMainFm::l_titleDblClick() {
    const QString address = status_->l_ip->text();
    if (address.isEmpty() || address == QStringLiteral("0.0.0.0")) {
        return;  // no AP shown, or one without an address
    }
    UrlOpener& opener = urlOpener_ != nullptr ? *urlOpener_ : DefaultUrlOpener();
    opener.openUrl(QUrl(QStringLiteral("http://") + address));
}

// ---------------------------------------------------------------- form

void TMainFm::ResetForm() {
    for (QLabel* l : {status_->l_ap, status_->l_essid, status_->l_ip, status_->l_mac,
                      status_->l_domn, status_->l_ch, status_->l_wep, status_->l_fw}) {
        l->clear();
        l->setToolTip(QString());
    }
    ap_->e_essid->clear();
    ap_->s_ch->setCurrentIndex(0);
    ap_->s_extended->setCurrentIndex(0);
    ap_->e_apname->clear();

    ap_->r_apmode1->setChecked(true);
    r_apmode1Click(ap_->r_apmode1);
    ap_->e_rm_mac->clear();

    ip_->i_r_dhcp->setChecked(true);
    i_r_dhcpClick();

    wep_->chb_encry->setChecked(false);
    chb_encryClick();
    wep_->e_pass->clear();

    wep_->w_r_hex->setChecked(true);
    w_r_hexClick(wep_->w_r_hex);
    wep_->w_rb_key1->setChecked(true);

    wep_->s_wep_1->setCurrentIndex(0);
    s_wep_1Change();
    for (int k = 1; k <= 4; ++k) {
        keyField(k)->clear();
        SetHint(keyField(k), QString());
    }
}

QString TMainFm::NameForMac(const QString& mac) const {
    for (const QString& line : login_list) {
        const qsizetype first = line.indexOf(u'\t');
        if (first < 0 || line.left(first) != mac) {
            continue;
        }
        const qsizetype second = line.indexOf(u'\t', first + 1);
        return second < 0 ? QString() : line.mid(first + 1, second - first - 1);
    }
    return {};
}

void TMainFm::setWaitCursor(bool on) {
    if (on) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

}  // namespace tern::gui
