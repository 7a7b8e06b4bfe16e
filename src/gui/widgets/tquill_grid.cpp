#include "gui/widgets/tquill_grid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <functional>
#include <vector>

namespace tern::gui {

// Row r of the grid is row r - 1 of the model; row 0 is the header.
class QuillGridModel : public QAbstractTableModel {
  public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : std::max(0, rows_ - 1);
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : cols_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
            return {};
        }
        return cell(index.column(), index.row() + 1);
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole) {
            return false;
        }
        setCell(index.column(), index.row() + 1, value.toString());
        if (onEdited) {
            onEdited(index.column(), index.row() + 1, value.toString());
        }
        return true;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) {
            return {};
        }
        if (orientation == Qt::Horizontal) {
            return cell(section, 0);
        }
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        // Fixed columns are shown, never chosen or edited.
        if (index.column() < fixedCols) {
            return Qt::ItemIsEnabled;
        }
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (std::find(editable.begin(), editable.end(), index.column()) != editable.end()) {
            f |= Qt::ItemIsEditable;
        }
        return f;
    }

    QString cell(int col, int row) const {
        if (col < 0 || row < 0 || col >= cols_ || row >= rows_) {
            return {};
        }
        return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    }
    void setCell(int col, int row, const QString& text) {
        if (col < 0 || row < 0 || col >= cols_ || row >= rows_) {
            return;
        }
        cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
        if (row == 0) {
            Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
        } else {
            const QModelIndex i = index(row - 1, col);
            Q_EMIT dataChanged(i, i);
        }
    }
    void setRows(int firstRow, const QList<QStringList>& rows) {
        // Rows that would fall on the header or below the last are not set.
        const int from = std::max(1, firstRow);
        const int lastRow = std::min(rows_ - 1, firstRow + static_cast<int>(rows.size()) - 1);
        if (lastRow < from || cols_ == 0) {
            return;
        }
        for (int r = from; r <= lastRow; ++r) {
            const QStringList& texts = rows[r - firstRow];
            auto& row = cells_[static_cast<std::size_t>(r)];
            for (int c = 0; c < cols_; ++c) {
                row[static_cast<std::size_t>(c)] = c < texts.size() ? texts[c] : QString();
            }
        }
        Q_EMIT dataChanged(index(from - 1, 0), index(lastRow - 1, cols_ - 1));
    }
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    void resize(int cols, int rows) {
        beginResetModel();
        cols_ = std::max(0, cols);
        rows_ = std::max(1, rows);
        cells_.resize(static_cast<std::size_t>(rows_));
        for (auto& r : cells_) {
            r.resize(static_cast<std::size_t>(cols_));
        }
        endResetModel();
    }
    // Grid rows count the header as row 0; these are not the model's own
    // insertRows/removeRows, which Qt calls with model rows.
    void deleteGridRows(int index, int count) {
        if (count <= 0 || index < 1 || index >= rows_) {
            return;
        }
        count = std::min(count, rows_ - index);
        beginRemoveRows({}, index - 1, index - 1 + count - 1);
        cells_.erase(cells_.begin() + index, cells_.begin() + index + count);
        rows_ -= count;
        endRemoveRows();
    }
    void insertGridRows(int index, int count) {
        if (count <= 0) {
            return;
        }
        index = std::clamp(index, 1, rows_);
        beginInsertRows({}, index - 1, index - 1 + count - 1);
        cells_.insert(cells_.begin() + index, static_cast<std::size_t>(count),
                      std::vector<QString>(static_cast<std::size_t>(cols_)));
        rows_ += count;
        endInsertRows();
    }

    std::vector<int> editable;
    int fixedCols = 0;
    std::function<void(int, int, const QString&)> onEdited;

  private:
    int cols_ = 5;
    int rows_ = 2;
    std::vector<std::vector<QString>> cells_ =
        std::vector<std::vector<QString>>(2, std::vector<QString>(5));
};

TQuillGrid::TQuillGrid(QWidget* parent)
    : QTableView(parent), model_(std::make_unique<QuillGridModel>()) {
    setModel(model_.get());
    model_->onEdited = [this](int col, int row, const QString& text) {
        Q_EMIT cellEdited(col, row, text);
    };
    verticalHeader()->hide();
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(4);
    setWordWrap(false);
    setDefaultRowHeight(20);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (fixedCols_ > 0 && value != 0) {
            horizontalScrollBar()->setValue(0);
        }
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid()) {
                    Q_EMIT SelectCell(current.column(), current.row() + 1);
                }
            });
}

TQuillGrid::~TQuillGrid() = default;

int TQuillGrid::ColCount() const { return model_->cols(); }

void TQuillGrid::setColCount(int count) {
    QList<int> widths;
    for (int c = 0; c < ColCount(); ++c) {
        widths << columnWidth(c);
    }
    model_->resize(count, RowCount());
    for (int c = 0; c < std::min<int>(count, static_cast<int>(widths.size())); ++c) {
        setColumnWidth(c, widths[c]);
    }
}

int TQuillGrid::RowCount() const { return model_->rows(); }

void TQuillGrid::setRowCount(int count) {
    count = std::max(1, count);
    if (count < RowCount()) {
        model_->deleteGridRows(count, RowCount() - count);
    } else if (count > RowCount()) {
        model_->insertGridRows(RowCount(), count - RowCount());
    }
}

void TQuillGrid::setFixedCols(int count) {
    fixedCols_ = std::max(0, count);
    model_->fixedCols = fixedCols_;
    if (fixedCols_ > 0) {
        // Fixed columns stay in view: the grid does not scroll sideways.
        horizontalScrollBar()->setValue(0);
    }
}

int TQuillGrid::DefaultRowHeight() const { return verticalHeader()->defaultSectionSize(); }

void TQuillGrid::setDefaultRowHeight(int pixels) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(pixels);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setFixedHeight(pixels);
}

QString TQuillGrid::Cells(int col, int row) const { return model_->cell(col, row); }

void TQuillGrid::setCell(int col, int row, const QString& text) { model_->setCell(col, row, text); }

void TQuillGrid::setRows(int firstRow, const QList<QStringList>& rows) {
    model_->setRows(firstRow, rows);
}

int TQuillGrid::ColWidths(int col) const { return columnWidth(col); }

void TQuillGrid::setColWidths(int col, int pixels) { setColumnWidth(col, pixels); }

void TQuillGrid::setHeaderCol(const QStringList& entries) {
    headerCol_ = entries;
    applyHeaderCol();
    viewport()->update();
}

void TQuillGrid::setHeaderRow(const QStringList& entries) {
    headerRow_ = entries;
    applyHeaderRow();
    viewport()->update();
}

bool TQuillGrid::setColWidth(const QStringList& entries) {
    colWidth_ = entries;
    const bool ok = applyColWidth();
    viewport()->update();
    return ok;
}

void TQuillGrid::applyHeaderCol() {
    for (int c = 0; c < ColCount(); ++c) {
        setCell(c, 0, c < headerCol_.size() ? headerCol_[c] : QString());
    }
}

void TQuillGrid::applyHeaderRow() {
    for (int r = 0; r + 1 < RowCount(); ++r) {
        setCell(0, r + 1, r < headerRow_.size() ? headerRow_[r] : QString());
    }
}

bool TQuillGrid::applyColWidth() {
    bool allNumbers = true;
    for (int c = 0; c < ColCount() && c < colWidth_.size(); ++c) {
        bool ok = false;
        const int width = colWidth_[c].trimmed().toInt(&ok);
        if (ok && width >= 0) {
            setColumnWidth(c, width);
        } else {
            allNumbers = false;
        }
    }
    return allNumbers;
}

void TQuillGrid::DeleteRows(int index, int count) { model_->deleteGridRows(index, count); }

void TQuillGrid::InsertRows(int index, int count) { model_->insertGridRows(index, count); }

TQuillGrid::GridRect TQuillGrid::Selection() const {
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    if (rows.isEmpty()) {
        const QModelIndex cur = currentIndex();
        if (!cur.isValid()) {
            return {0, -1, 0, -1};
        }
        return {cur.column(), cur.row() + 1, cur.column(), cur.row() + 1};
    }
    GridRect r{ColCount(), RowCount(), -1, -1};
    for (const QModelIndex& i : rows) {
        r.Left = std::min(r.Left, i.column());
        r.Right = std::max(r.Right, i.column());
        r.Top = std::min(r.Top, i.row() + 1);
        r.Bottom = std::max(r.Bottom, i.row() + 1);
    }
    return r;
}

void TQuillGrid::setSelection(const GridRect& rect) {
    const int top = std::max(1, rect.Top);
    const int bottom = std::min(RowCount() - 1, rect.Bottom);
    if (top > bottom) {
        selectionModel()->clearSelection();
        return;
    }
    const int left = std::clamp(std::max(rect.Left, fixedCols_), 0, std::max(0, ColCount() - 1));
    const int right = std::clamp(rect.Right, left, std::max(0, ColCount() - 1));
    const QItemSelection sel(model_->index(top - 1, left), model_->index(bottom - 1, right));
    selectionModel()->setCurrentIndex(model_->index(top - 1, left), QItemSelectionModel::NoUpdate);
    selectionModel()->select(
        sel, QItemSelectionModel::ClearAndSelect |
                 (selectionBehavior() == SelectRows ? QItemSelectionModel::Rows
                                                    : QItemSelectionModel::NoUpdate));
}

int TQuillGrid::Row() const {
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cur.row() + 1 : 0;
}

int TQuillGrid::Col() const {
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cur.column() : 0;
}

void TQuillGrid::setRowSelect(bool wholeRows) {
    setSelectionBehavior(wholeRows ? SelectRows : SelectItems);
}

void TQuillGrid::setRangeSelect(bool ranges) {
    rangeSelect_ = ranges;
    // One block of rows, never rows with gaps: a caller takes everything from
    // the top to the bottom of the selection.
    setSelectionMode(ranges ? ContiguousSelection : SingleSelection);
}

void TQuillGrid::setEditableColumns(const QList<int>& columns) {
    model_->editable.assign(columns.begin(), columns.end());
    setEditTriggers(columns.isEmpty() ? NoEditTriggers : AllEditTriggers);
}

bool TQuillGrid::isColumnEditable(int col) const {
    return std::find(model_->editable.begin(), model_->editable.end(), col) !=
           model_->editable.end();
}

void TQuillGrid::setGridRowHidden(int row, bool hidden) {
    if (row >= 1 && row < RowCount() && isRowHidden(row - 1) != hidden) {
        setRowHidden(row - 1, hidden);
    }
}

bool TQuillGrid::isGridRowHidden(int row) const {
    return row >= 1 && row < RowCount() && isRowHidden(row - 1);
}

void TQuillGrid::keyboardSearch(const QString& search) {
    if (!typeAhead_) {
        QTableView::keyboardSearch(search);
        return;
    }
    if (search.isEmpty()) {
        typed_.clear();
        return;
    }
    // Keys in quick succession make one word, as in the view's own search.
    if (!sinceTyped_.isValid() || sinceTyped_.elapsed() > QApplication::keyboardInputInterval()) {
        typed_.clear();
    }
    sinceTyped_.start();
    typed_ += search;
    Q_EMIT TypeAhead(typed_);
}

void TQuillGrid::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != EditingState && currentIndex().isValid()) {
        Q_EMIT EnterPressed(Row());
    }
    // The view's own handling goes on: Enter still reaches a dialog's
    // default button.
    QTableView::keyPressEvent(event);
}

QModelIndex TQuillGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    if (!next.isValid() || next.column() >= fixedCols_) {
        return next;
    }
    // Into a fixed column: the first column that is not fixed instead.
    return fixedCols_ < ColCount() ? model_->index(next.row(), fixedCols_) : currentIndex();
}

void TQuillGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    // A click on a fixed cell chooses nothing.
    if (!at.isValid() || at.column() >= fixedCols_) {
        QTableView::mousePressEvent(event);
    } else {
        event->accept();
    }
    Q_EMIT MouseDown(event->button(), event->modifiers(), at.isValid() ? at.column() : -1,
                     at.isValid() ? at.row() + 1 : -1);
}

void TQuillGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    Q_EMIT DblClick();
}

}  // namespace tern::gui
