#include "gui/widgets/tquill_grid.h"

#include <gtest/gtest.h>

#include <QApplication>

using tern::gui::TQuillGrid;

namespace {

QStringList Row(const TQuillGrid& g, int row) {
    QStringList out;
    for (int c = 0; c < g.ColCount(); ++c) {
        out << g.Cells(c, row);
    }
    return out;
}

class Grid : public ::testing::Test {
  protected:
    void SetUp() override {
        grid.setColCount(5);
        grid.setRowCount(2);
    }
    TQuillGrid grid;
};

}  // namespace

TEST_F(Grid, headerCol_fillsRowZeroAndBlanksTheRest) {
    grid.setCell(3, 0, QStringLiteral("old"));
    grid.setHeaderCol({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(Row(grid, 0), (QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                         QStringLiteral("c"), QString(), QString()}));
    grid.setHeaderCol({});
    EXPECT_EQ(Row(grid, 0), QStringList(5, QString()));
}

TEST_F(Grid, headerRow_fillsColumnZeroBelowTheHeaderOnly) {
    grid.setCell(0, 0, QStringLiteral("corner"));
    grid.setHeaderRow({QStringLiteral("r1"), QStringLiteral("r2"), QStringLiteral("r3")});
    EXPECT_EQ(grid.Cells(0, 0), QStringLiteral("corner"));
    EXPECT_EQ(grid.Cells(0, 1), QStringLiteral("r1"));
    EXPECT_EQ(grid.RowCount(), 2);  // entries beyond the rows are ignored
}

TEST_F(Grid, colWidth_setsListedColumnsOnly) {
    const int before = grid.ColWidths(2);
    EXPECT_TRUE(grid.setColWidth({QStringLiteral("110"), QStringLiteral("60")}));
    EXPECT_EQ(grid.ColWidths(0), 110);
    EXPECT_EQ(grid.ColWidths(1), 60);
    EXPECT_EQ(grid.ColWidths(2), before);
    EXPECT_TRUE(
        grid.setColWidth({QStringLiteral("110"), QStringLiteral("110"), QStringLiteral("50"),
                          QStringLiteral("40"), QStringLiteral("2000"), QStringLiteral("7")}));
    EXPECT_EQ(grid.ColWidths(2), 50);
    EXPECT_EQ(grid.ColWidths(3), 40);
    EXPECT_EQ(grid.ColWidths(4), 2000);
}

TEST_F(Grid, colWidth_notANumber_keepsThatColumnAndReportsIt) {
    grid.setColWidth({QStringLiteral("110")});
    EXPECT_FALSE(grid.setColWidth({QStringLiteral("wide"), QStringLiteral("70")}));
    EXPECT_EQ(grid.ColWidths(0), 110);
    EXPECT_EQ(grid.ColWidths(1), 70);
}

TEST_F(Grid, deleteRows_lastRowOfFour_leavesTheOthers) {
    grid.setRowCount(4);
    for (int r = 0; r < 4; ++r) {
        grid.setCell(0, r, QString::number(r));
    }
    grid.DeleteRows(3, 1);
    ASSERT_EQ(grid.RowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(grid.Cells(0, r), QString::number(r));
    }
    grid.DeleteRows(1, 1);  // a middle row: the ones below move up
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(0, 1), QStringLiteral("2"));
}

TEST_F(Grid, insertRows_appendsEmptyRows) {
    grid.setCell(1, 1, QStringLiteral("kept"));
    grid.InsertRows(grid.RowCount() + 1, 1);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cells(1, 1), QStringLiteral("kept"));
    EXPECT_EQ(Row(grid, 2), QStringList(5, QString()));
}

TEST_F(Grid, cellsOutsideTheGrid_readEmptyAndIgnoreWrites) {
    grid.setCell(9, 9, QStringLiteral("x"));
    grid.setCell(-1, 0, QStringLiteral("x"));
    EXPECT_EQ(grid.Cells(9, 9), QString());
    EXPECT_EQ(grid.Cells(-1, 0), QString());
}

TEST_F(Grid, rowRangeSelection_reportsTopAndBottomRows) {
    grid.setRowCount(6);
    grid.setRowSelect(true);
    grid.setRangeSelect(true);
    grid.setSelection({0, 2, 4, 4});
    const auto sel = grid.Selection();
    EXPECT_EQ(sel.Top, 2);
    EXPECT_EQ(sel.Bottom, 4);
    EXPECT_EQ(grid.Row(), 2);
}

TEST_F(Grid, selectCell_reportsGridCoordinates) {
    grid.setRowCount(3);
    int col = -1, row = -1;
    QObject::connect(&grid, &TQuillGrid::SelectCell, &grid, [&](int c, int r) {
        col = c;
        row = r;
    });
    grid.setSelection({2, 2, 2, 2});
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 2);
}

TEST_F(Grid, editableColumn_reportsTheEditedCell) {
    grid.setEditableColumns({2});
    EXPECT_TRUE(grid.isColumnEditable(2));
    EXPECT_FALSE(grid.isColumnEditable(1));
    QString edited;
    QObject::connect(&grid, &TQuillGrid::cellEdited, &grid, [&](int c, int r, const QString& t) {
        edited = QStringLiteral("%1,%2:%3").arg(c).arg(r).arg(t);
    });
    grid.model()->setData(grid.model()->index(0, 2), QStringLiteral("admin"));
    EXPECT_EQ(edited, QStringLiteral("2,1:admin"));
    EXPECT_EQ(grid.Cells(2, 1), QStringLiteral("admin"));
}
