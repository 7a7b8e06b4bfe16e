#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTableView>
#include <memory>

namespace tern::gui {

class QuillGridModel;

// The program's string grid: cells of text addressed as (column, row), with
// fixed header rows and columns, user column sizing and an in-place editor,
// plus three lists that fill the header row, fill the header column and set
// the column widths. Row 0 is the header row: it is drawn as the view's
// header, so it never scrolls away.
class TQuillGrid : public QTableView {
    Q_OBJECT
  public:
    void keyboardSearch(const QString& search) override;

    struct GridRect {
        int Left = 0;
        int Top = 0;
        int Right = 0;
        int Bottom = 0;
    };

    explicit TQuillGrid(QWidget* parent = nullptr);
    ~TQuillGrid() override;

    int ColCount() const;
    void setColCount(int count);
    int RowCount() const;
    void setRowCount(int count);
    int FixedRows() const { return 1; }
    int FixedCols() const { return fixedCols_; }
    void setFixedCols(int count);
    int DefaultRowHeight() const;
    void setDefaultRowHeight(int pixels);

    QString Cells(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // Rows of cells from firstRow down (row 0, the header, is never set),
    // as one change: a burst of rows costs one repaint, not one per cell.
    void setRows(int firstRow, const QList<QStringList>& rows);
    int ColWidths(int col) const;
    void setColWidths(int col, int pixels);

    QStringList HeaderCol() const { return headerCol_; }
    void setHeaderCol(const QStringList& entries);
    QStringList HeaderRow() const { return headerRow_; }
    void setHeaderRow(const QStringList& entries);
    QStringList ColWidth() const { return colWidth_; }
    // Entries that are not decimal integers leave their column's width as it
    // was; returns false when there was one.
    bool setColWidth(const QStringList& entries);

    void DeleteRows(int index, int count);
    void InsertRows(int index, int count);

    // Selection in grid coordinates (row 0 is the header and never selected).
    GridRect Selection() const;
    void setSelection(const GridRect& rect);
    int Row() const;
    int Col() const;
    void setRowSelect(bool wholeRows);
    void setRangeSelect(bool ranges);
    // Columns whose cells the user may edit in place.
    void setEditableColumns(const QList<int>& columns);
    bool isColumnEditable(int col) const;
    // Rows left out of view (a filter); they keep their cells and place.
    void setGridRowHidden(int row, bool hidden);
    bool isGridRowHidden(int row) const;
    // Typing on the grid asks for a row (TypeAhead) instead of the view's own
    // search of the current column.
    void setTypeAhead(bool on) { typeAhead_ = on; }

  Q_SIGNALS:
    // The user (or setSelection) made (col, row) the current cell.
    void SelectCell(int col, int row);
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int col, int row);
    void DblClick();
    void cellEdited(int col, int row, const QString& text);
    // What was typed in quick succession, while setTypeAhead is on.
    void TypeAhead(const QString& typed);
    // Enter or Return on the current row.
    void EnterPressed(int row);

  protected:
    // The view's own selection by pixel rectangle stays as it is; the public
    // setSelection above speaks in cells.
    using QTableView::setSelection;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void applyHeaderCol();
    void applyHeaderRow();
    bool applyColWidth();

    std::unique_ptr<QuillGridModel> model_;
    QStringList headerCol_;
    QStringList headerRow_;
    QStringList colWidth_;
    int fixedCols_ = 0;
    bool rangeSelect_ = false;
    bool typeAhead_ = false;
    QString typed_;
    QElapsedTimer sinceTyped_;
};

}  // namespace tern::gui
