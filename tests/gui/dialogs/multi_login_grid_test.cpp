// The multi-AP login grid as a user types into it: the caret stays where
// the user types, and the AP name and MAC columns stay fixed in view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "gui/dialogs/tmul_usr_pass_fm.h"
#include "gui/widgets/tquill_grid.h"

namespace tern::test {
namespace {

class MultiLoginGrid : public ::testing::Test {
  protected:
    void SetUp() override {
        apList.setColCount(5);
        apList.setRowCount(4);
        for (int r = 1; r <= 3; ++r) {
            apList.setCell(0, r, QStringLiteral("ap-%1").arg(r));
            apList.setCell(1, r, QStringLiteral("00-11-22-33-44-0%1").arg(r));
        }
        dlg = std::make_unique<gui::TMulUsrPassFm>(apList, loginList, language);
        dlg->row_list = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        QCoreApplication::processEvents();
        grid = dlg->grid();
    }
    // The in-place editor of the user-name cell of `row`, opened.
    QLineEdit* openUserCell(int row) {
        grid->setSelection({2, row, 2, row});
        grid->edit(grid->model()->index(row - 1, 2));
        QCoreApplication::processEvents();
        return grid->viewport()->findChild<QLineEdit*>();
    }
    QPoint centreOf(int col, int row) const {
        return grid->visualRect(grid->model()->index(row - 1, col)).center();
    }

    gui::TQuillGrid apList;
    QStringList loginList;
    text::LanguageText language{text::LangIni::FromBytes({}), text::TextEncoding::Windows1252};
    std::unique_ptr<gui::TMulUsrPassFm> dlg;
    gui::TQuillGrid* grid = nullptr;
};

TEST_F(MultiLoginGrid, typingInTheMiddleOfAUserName_keepsTheCaretWhereTheUserTypes) {
    QLineEdit* editor = openUserCell(1);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("admn"));
    QTest::keyClick(editor, Qt::Key_Left);  // the caret after "adm"
    QTest::keyClicks(editor, QStringLiteral("iX"));
    EXPECT_EQ(editor->text(), QStringLiteral("admiXn"));
    EXPECT_EQ(editor->cursorPosition(), 5);
    EXPECT_EQ(grid->Cells(2, 1), QStringLiteral("admiXn"));
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(grid->Cells(2, 1), QStringLiteral("admin"));
    dlg->b_okClick();
    EXPECT_EQ(loginList.value(0), QStringLiteral("00-11-22-33-44-01\tap-1\tadmin\t\t"));
}

TEST_F(MultiLoginGrid, nameAndMacColumns_cannotBeChosenByMouseOrKeys) {
    grid->setSelection({2, 2, 2, 2});
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(0, 1));
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Row(), 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centreOf(1, 3));
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Selection().Left, 2);

    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Home);
    EXPECT_EQ(grid->Col(), 2);
    grid->setSelection({0, 1, 0, 1});  // asked for a fixed column: the first other one
    EXPECT_EQ(grid->Col(), 2);
}

TEST_F(MultiLoginGrid, nameAndMacColumns_neverScrollOutOfView) {
    grid->setFocus();
    grid->setSelection({3, 1, 3, 1});
    for (int i = 0; i < 3; ++i) QTest::keyClick(grid, Qt::Key_Right);  // into the wide columns
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(grid->viewport()->rect().contains(centreOf(0, 1)));
    EXPECT_TRUE(grid->viewport()->rect().contains(centreOf(1, 1)));
}

}  // namespace
}  // namespace tern::test
