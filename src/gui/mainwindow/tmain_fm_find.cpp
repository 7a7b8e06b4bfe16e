// Finding an AP in a long list: type-ahead on the list, a filter field
// (Ctrl+F) that leaves out the rows that do not match, and sorting by a
// column header. Rows move with their stored packets, so each row always
// shows, applies to and backs up its own AP.
#include <QCollator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <algorithm>
#include <numeric>

#include "core/engine/ap_engine.h"
#include "core/record/ap_config_record.h"
#include "core/text/caption_tables.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_tmain_fm.h"

namespace tern::gui {

namespace {

constexpr int kNameColumn = 0;
constexpr int kMacColumn = 1;
constexpr int kListColumns = 4;  // name, MAC, SSID, WEP
constexpr int kCellColumns = 5;  // and the interface
// The columns a filter looks in: name, MAC, SSID, interface.
constexpr std::array<int, 4> kFilterColumns = {0, 1, 2, 4};
// The filter field sits at the right of the list's title line.
constexpr int kFilterLeft = 150;
constexpr int kFilterRightGap = 20;

// A MAC as typed or shown, for comparing: upper case, without separators.
QString MacDigits(QString text) {
    text = text.toUpper();
    text.remove(u'-');
    text.remove(u':');
    return text;
}

}  // namespace

void TMainFm::connectFindHandlers() {
    TQuillGrid* grid = ui_->l_title;
    grid->setTypeAhead(true);
    connect(grid, &TQuillGrid::TypeAhead, this,
            [this](const QString& typed) { l_titleTypeAhead(typed); });
    connect(grid, &TQuillGrid::EnterPressed, this, [this](int row) { l_titleEnter(row); });
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { l_titleHeaderClick(col); });

    filter_ = new QLineEdit(ui_->Panel5);
    filter_->setObjectName(QStringLiteral("e_filter"));
    filter_->setClearButtonEnabled(true);
    filter_->setVisible(false);
    filter_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] { OpenFilter(); });
    placeFilterField();
}

void TMainFm::placeFilterField() {
    if (filter_ == nullptr) {
        return;
    }
    const QRect title = ui_->l_aplist->geometry();
    filter_->setGeometry(kFilterLeft, title.y(),
                         std::max(60, ui_->Panel5->width() - kFilterLeft - kFilterRightGap),
                         title.height() + 1);
}

// ---------------------------------------------------------------- type-ahead

void TMainFm::l_titleTypeAhead(const QString& typed) {
    TQuillGrid* grid = ui_->l_title;
    const QString digits = MacDigits(typed);
    for (int row = 1; row <= row_packets.size() && row < grid->RowCount(); ++row) {
        if (grid->isGridRowHidden(row)) {
            continue;
        }
        const bool byName = grid->Cells(kNameColumn, row).startsWith(typed, Qt::CaseInsensitive);
        const bool byMac =
            !digits.isEmpty() && MacDigits(grid->Cells(kMacColumn, row)).startsWith(digits);
        if (byName || byMac) {
            if (row != grid->Row()) {
                makeRowCurrent(row, true);  // shows the AP, as a click on it would
            }
            grid->scrollTo(grid->currentIndex());
            l_titleMouseDown();
            return;
        }
    }
}

void TMainFm::l_titleEnter(int row) {
    if (PacketOfRow(row).isEmpty()) {
        return;
    }
    makeRowCurrent(row, false);
    bool canSelect = true;
    l_titleSelectCell(0, row, canSelect);
    l_titleMouseDown();
}

// ---------------------------------------------------------------- filter

void TMainFm::OpenFilter() {
    placeFilterField();
    filter_->setVisible(true);
    filter_->raise();
    filter_->setFocus(Qt::ShortcutFocusReason);
    filter_->selectAll();
}

void TMainFm::CloseFilter() {
    filter_->clear();  // every row shown again
    filter_->setVisible(false);
    ui_->l_title->setFocus(Qt::OtherFocusReason);
}

QString TMainFm::filterText() const {
    return filter_ != nullptr ? filter_->text().trimmed() : QString();
}

bool TMainFm::rowMatchesFilter(int row, const QString& text) const {
    if (text.isEmpty()) {
        return true;
    }
    const TQuillGrid* grid = ui_->l_title;
    return std::any_of(kFilterColumns.begin(), kFilterColumns.end(), [&](int col) {
        return grid->Cells(col, row).contains(text, Qt::CaseInsensitive);
    });
}

void TMainFm::applyFilter() {
    TQuillGrid* grid = ui_->l_title;
    const QString text = filterText();
    for (int row = 1; row < grid->RowCount(); ++row) {
        // The empty row of an empty list is never left out.
        const bool listed = row <= row_packets.size() && !PacketOfRow(row).isEmpty();
        grid->setGridRowHidden(row, listed && !rowMatchesFilter(row, text));
    }
    l_titleMouseDown();
}

bool TMainFm::filterKeyPress(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            CloseFilter();
            return true;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // On to the list: the first row shown, unless the current one is.
            TQuillGrid* grid = ui_->l_title;
            if (grid->isGridRowHidden(grid->Row()) || PacketOfRow(grid->Row()).isEmpty()) {
                for (int row = 1; row <= row_packets.size(); ++row) {
                    if (!grid->isGridRowHidden(row)) {
                        makeRowCurrent(row, true);
                        l_titleMouseDown();
                        break;
                    }
                }
            }
            grid->setFocus(Qt::OtherFocusReason);
            grid->scrollTo(grid->currentIndex());
            return true;
        }
        default:
            return false;
    }
}

QList<int> TMainFm::ShownSelectedRows() const {
    const TQuillGrid* grid = ui_->l_title;
    QList<int> rows;
    if (grid->RowCount() == 2 && RowIsEmpty(1, kListColumns - 1)) {
        return rows;  // an empty list
    }
    const TQuillGrid::GridRect selection = grid->Selection();
    if (selection.Top < 1) {
        return rows;
    }
    for (int row = selection.Top; row <= selection.Bottom; ++row) {
        if (!grid->isGridRowHidden(row)) {
            rows << row;
        }
    }
    return rows;
}

// ---------------------------------------------------------------- sort

void TMainFm::l_titleHeaderClick(int col) {
    if (col < 0 || col >= kCellColumns) {
        return;
    }
    sortOrder_ = col == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                        : Qt::AscendingOrder;
    sortColumn_ = col;
    QHeaderView* header = ui_->l_title->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(col, sortOrder_);
    sortList();
}

void TMainFm::sortList() {
    TQuillGrid* grid = ui_->l_title;
    const int count =
        static_cast<int>(std::min<qsizetype>(row_packets.size(), grid->RowCount() - 1));
    if (sortColumn_ < 0 || count < 2) {
        return;
    }
    const int current = grid->Row();
    const QByteArray currentPacket = PacketOfRow(current);

    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 1);
    if (sortColumn_ == kMacColumn) {
        // By the address's bytes, as the AP's record holds them.
        std::vector<record::MacAddress> macs(static_cast<std::size_t>(count) + 1);
        for (int row = 1; row <= count; ++row) {
            macs[static_cast<std::size_t>(row)] = engine::PacketRecord(PacketOfRow(row))
                                                      .value_or(record::ApConfigRecord())
                                                      .mac_addr();
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const auto& x = macs[static_cast<std::size_t>(a)];
            const auto& y = macs[static_cast<std::size_t>(b)];
            return sortOrder_ == Qt::AscendingOrder ? x < y : y < x;
        });
    } else {
        // Names as people read them: case aside, numbers by their value.
        QCollator collator;
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(static_cast<std::size_t>(count) + 1);
        keys.push_back(collator.sortKey(QString()));
        for (int row = 1; row <= count; ++row) {
            keys.push_back(collator.sortKey(grid->Cells(sortColumn_, row)));
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const int c =
                keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
            return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
        });
    }

    QList<QStringList> cells;
    QList<QByteArray> packets;
    cells.reserve(count);
    packets.reserve(count);
    int newCurrent = 0;
    for (int i = 0; i < count; ++i) {
        const int from = order[static_cast<std::size_t>(i)];
        QStringList row;
        for (int col = 0; col < kCellColumns; ++col) {
            row << grid->Cells(col, from);
        }
        cells << row;
        packets << row_packets[from - 1];
        if (from == current) {
            newCurrent = i + 1;
        }
    }
    grid->setRows(1, cells);
    for (int i = 0; i < count; ++i) {
        row_packets[i] = packets[i];
    }
    applyFilter();
    // The AP the form shows stays the current one, now in its new place.
    if (newCurrent > 0 && PacketOfRow(newCurrent) == currentPacket) {
        makeRowCurrent(newCurrent, false);
        grid->scrollTo(grid->currentIndex());
    }
    l_titleMouseDown();
    grid->viewport()->update();
}

void TMainFm::afterRowsListed() {
    if (applying_) {
        // An apply's dialogs and requests refer to its targets' rows; a
        // reply arriving meanwhile must not move them.
        listOrderStale_ = true;
        return;
    }
    listOrderStale_ = false;
    if (sortColumn_ >= 0) {
        sortList();
    } else if (!filterText().isEmpty()) {
        applyFilter();
    }
}

int TMainFm::rowOfMac(const QString& mac) const {
    const TQuillGrid* grid = ui_->l_title;
    for (int row = 1; row <= row_packets.size() && row < grid->RowCount(); ++row) {
        if (!PacketOfRow(row).isEmpty() && grid->Cells(kMacColumn, row) == mac) {
            return row;
        }
    }
    return 0;
}

int TMainFm::rowInView(bool last) const {
    const TQuillGrid* grid = ui_->l_title;
    const int count =
        static_cast<int>(std::min<qsizetype>(row_packets.size(), grid->RowCount() - 1));
    for (int i = 1; i <= count; ++i) {
        const int row = last ? count + 1 - i : i;
        if (!grid->isGridRowHidden(row) && !PacketOfRow(row).isEmpty()) {
            return row;
        }
    }
    return 0;
}

TMainFm::ApplyUnderWay::ApplyUnderWay(TMainFm& form) : form_(form), before_(form.applying_) {
    form_.applying_ = true;
}

TMainFm::ApplyUnderWay::~ApplyUnderWay() {
    form_.applying_ = before_;
    if (!before_ && form_.listOrderStale_) {
        form_.afterRowsListed();
    }
}

}  // namespace tern::gui
