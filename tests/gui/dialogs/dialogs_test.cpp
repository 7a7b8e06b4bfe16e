#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <functional>

#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/tap_more_fm.h"
#include "gui/dialogs/tmul_usr_pass_fm.h"
#include "gui/dialogs/tusr_pass_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "tests/gui/mainwindow/main_window_support.h"

namespace tern::test {
namespace {

template <typename T = QWidget>
T* child(const QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QKeyEvent Key(int key, const QString& text = {}) {
    return QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text);
}

// ------------------------------------------------------------ advanced dialog

// The dialog over a language file that names every message by its key, so a
// test can tell which check spoke.
class AdvancedDialog : public ::testing::Test {
  protected:
    AdvancedDialog()
        : language(text::LangIni::FromBytes("[ErrRangMsg]\r\n"
                                            "Err_e_beacon=text beacon\r\n"
                                            "Err_e_rts=text rts\r\n"
                                            "Err_e_frag_rang=text frag range\r\n"
                                            "Err_e_frag_even=text frag even\r\n"
                                            "Err_e_dtim=text dtim\r\n"
                                            "[ErrMsgCap]\r\n"
                                            "Err_e_beacon=cap beacon\r\n"
                                            "Err_e_frag_even=cap frag even\r\n"),
                   text::TextEncoding::Windows1252) {}

    std::unique_ptr<gui::TAP_MoreFm> make(int lock = 0) {
        const gui::MoreValues values{rate,   bcast, only11g, superg, txpower, wds,
                                     beacon, rts,   frag,    dtim,   lock};
        return std::make_unique<gui::TAP_MoreFm>(values, language, dialogs);
    }

    // Types `text` into the field and leaves it.
    void leave(gui::TAP_MoreFm& dlg, const char* field, const QString& text) {
        QLineEdit* e = child<QLineEdit>(dlg, field);
        e->setText(text);
        dlg.e_beaconExit(e);
    }

    int rate = 4, bcast = 1, only11g = 1, superg = 2, txpower = 3, wds = 1;
    QString beacon = QStringLiteral("200"), rts = QStringLiteral("2000"),
            frag = QStringLiteral("2000"), dtim = QStringLiteral("7");
    text::LanguageText language;
    RecordingDialogSeam dialogs;
};

struct RangeCase {
    const char* field;
    const char* typed;
    const char* text;     // expected message text; nullptr for none
    const char* caption;  // expected caption
    const char* after;    // field text afterwards
};

TEST_F(AdvancedDialog, leavingANumericField_checksItsRangeAndResets) {
    const RangeCase cases[] = {
        {"e_beacon", "20", nullptr, nullptr, "20"},
        {"e_beacon", "1000", nullptr, nullptr, "1000"},
        {"e_beacon", "19", "text beacon", "cap beacon", "100"},
        {"e_beacon", "1001", "text beacon", "cap beacon", "100"},
        {"e_rts", "256", nullptr, nullptr, "256"},
        {"e_rts", "2432", nullptr, nullptr, "2432"},
        {"e_rts", "255", "text rts", "Message", "2432"},
        {"e_rts", "2433", "text rts", "Message", "2432"},
        {"e_frag", "1500", nullptr, nullptr, "1500"},
        {"e_frag", "2346", nullptr, nullptr, "2346"},
        {"e_frag", "1498", "text frag range", "Message", "2346"},
        {"e_frag", "1499", "text frag range", "Message", "2346"},
        {"e_frag", "2347", "text frag range", "Message", "2346"},  // range before evenness
        {"e_frag", "2348", "text frag range", "Message", "2346"},
        {"e_frag", "2345", "text frag even", "cap frag even", "2346"},
        {"e_frag", "1501", "text frag even", "cap frag even", "2346"},
        {"e_dtim", "1", nullptr, nullptr, "1"},
        {"e_dtim", "255", nullptr, nullptr, "255"},
        {"e_dtim", "0", "text dtim", "Message", "3"},
        {"e_dtim", "256", "text dtim", "Message", "3"},
        {"e_beacon", "", nullptr, nullptr, ""},
        {"e_dtim", "", nullptr, nullptr, ""},
        {"e_rts", "12a", "text rts", "Message", "2432"},  // only pasting gets a letter in
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = '" + c.typed + "'");
        auto dlg = make();
        dialogs.messages.clear();
        leave(*dlg, c.field, QString::fromLatin1(c.typed));
        if (c.text == nullptr) {
            EXPECT_TRUE(dialogs.messages.empty());
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].text, QString::fromLatin1(c.text));
            EXPECT_EQ(dialogs.messages[0].caption, QString::fromLatin1(c.caption));
            EXPECT_EQ(dialogs.messages[0].icon, gui::DialogSeam::Icon::Information);
            EXPECT_EQ(dialogs.messages[0].buttons, gui::DialogSeam::Buttons::Ok);
        }
        EXPECT_EQ(child<QLineEdit>(*dlg, c.field)->text(), QString::fromLatin1(c.after));
    }
}

TEST_F(AdvancedDialog, rangeMessageWithoutLanguageFile_showsTheBuiltInTexts) {
    text::LanguageText none(text::LangIni::FromBytes({}), text::TextEncoding::Windows1252);
    const gui::MoreValues values{rate,   bcast, only11g, superg, txpower, wds,
                                 beacon, rts,   frag,    dtim,   0};
    gui::TAP_MoreFm dlg(values, none, dialogs);
    leave(dlg, "e_beacon", QStringLiteral("19"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, none.screenText(text::kSettingError));
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("Setting Error")));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Message"));
}

TEST_F(AdvancedDialog, numericEdits_carryTheirLimitsAndLengths) {
    auto dlg = make();
    const struct {
        const char* name;
        int min;
        const char* max;
        int length;
    } limits[] = {{"e_beacon", 20, "1000", 4},
                  {"e_rts", 256, "2432", 4},
                  {"e_frag", 1500, "2346", 4},
                  {"e_dtim", 1, "255", 3}};
    for (const auto& l : limits) {
        QLineEdit* e = child<QLineEdit>(*dlg, l.name);
        EXPECT_EQ(e->property("Tag").toInt(), l.min) << l.name;
        EXPECT_EQ(e->property("Hint").toString(), QString::fromLatin1(l.max)) << l.name;
        EXPECT_EQ(e->maxLength(), l.length) << l.name;
    }
}

TEST_F(AdvancedDialog, creation_fillsEachListOnceAndShowsTheKeptValues) {
    auto dlg = make();
    const struct {
        const char* name;
        int count;
        int chosen;
    } lists[] = {{"s_bcast", 2, 1},      {"s_rate", 13, 4},   {"s_11g_only", 2, 1},
                 {"s_11g_SuperG", 4, 2}, {"s_txPower", 5, 3}, {"s_wds", 2, 1}};
    for (const auto& l : lists) {
        QComboBox* list = child<QComboBox>(*dlg, l.name);
        EXPECT_EQ(list->count(), l.count) << l.name;
        EXPECT_EQ(list->currentIndex(), l.chosen) << l.name;
    }
    EXPECT_EQ(child<QComboBox>(*dlg, "s_txPower")->itemText(4), QStringLiteral("txPower_MINIMUN"));
    EXPECT_EQ(child<QComboBox>(*dlg, "s_rate")->itemText(0), QStringLiteral("AP Settings"));
    EXPECT_EQ(child<QLabel>(*dlg, "l_11g_only")->text(), QStringLiteral("11G Only Mode"));
    EXPECT_EQ(child<QLineEdit>(*dlg, "e_beacon")->text(), QStringLiteral("200"));
    EXPECT_EQ(child<QLineEdit>(*dlg, "e_dtim")->text(), QStringLiteral("7"));
    EXPECT_TRUE(child<QComboBox>(*dlg, "s_11g_SuperG")->isEnabled());
    EXPECT_TRUE(child<QComboBox>(*dlg, "s_bcast")->isEnabled());
}

TEST_F(AdvancedDialog, extendedLock_showsFirstItemsLockedAndOkStoresZero) {
    auto dlg = make(1);
    EXPECT_FALSE(child<QComboBox>(*dlg, "s_11g_SuperG")->isEnabled());
    EXPECT_FALSE(child<QComboBox>(*dlg, "s_bcast")->isEnabled());
    EXPECT_EQ(child<QComboBox>(*dlg, "s_11g_SuperG")->currentIndex(), 0);
    dlg->b_okClick();
    EXPECT_EQ(superg, 0);
    EXPECT_EQ(bcast, 0);
    EXPECT_EQ(txpower, 3);
}

TEST_F(AdvancedDialog, okClick_writesEveryValueAndFillsEmptyFields) {
    auto dlg = make();
    child<QComboBox>(*dlg, "s_rate")->setCurrentIndex(12);
    child<QComboBox>(*dlg, "s_bcast")->setCurrentIndex(0);
    child<QComboBox>(*dlg, "s_11g_only")->setCurrentIndex(0);
    child<QComboBox>(*dlg, "s_11g_SuperG")->setCurrentIndex(3);
    child<QComboBox>(*dlg, "s_txPower")->setCurrentIndex(0);
    child<QComboBox>(*dlg, "s_wds")->setCurrentIndex(0);
    for (const char* f : {"e_beacon", "e_rts", "e_frag", "e_dtim"}) {
        child<QLineEdit>(*dlg, f)->clear();
    }
    dlg->b_okClick();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(rate, 12);
    EXPECT_EQ(bcast, 0);
    EXPECT_EQ(only11g, 0);
    EXPECT_EQ(superg, 3);
    EXPECT_EQ(txpower, 0);
    EXPECT_EQ(wds, 0);
    EXPECT_EQ(beacon, QStringLiteral("100"));
    EXPECT_EQ(rts, QStringLiteral("2432"));
    EXPECT_EQ(frag, QStringLiteral("2346"));
    EXPECT_EQ(dtim, QStringLiteral("3"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(AdvancedDialog, typedWdsTextMatchingNoItem_storesNoItem) {
    auto dlg = make();
    child<QComboBox>(*dlg, "s_wds")->setEditText(QStringLiteral("something else"));
    dlg->b_okClick();
    EXPECT_EQ(wds, -1);
}

TEST_F(AdvancedDialog, keyFilter_dropsLettersPassesDigitsAndBackspace) {
    auto dlg = make();
    QLineEdit* e = child<QLineEdit>(*dlg, "e_rts");
    EXPECT_TRUE(dlg->e_beaconKeyPress(e, Key(Qt::Key_A, QStringLiteral("a"))));
    EXPECT_TRUE(dlg->e_beaconKeyPress(e, Key(Qt::Key_Minus, QStringLiteral("-"))));
    EXPECT_TRUE(dlg->e_beaconKeyPress(e, Key(Qt::Key_Space, QStringLiteral(" "))));
    EXPECT_FALSE(dlg->e_beaconKeyPress(e, Key(Qt::Key_7, QStringLiteral("7"))));
    EXPECT_FALSE(dlg->e_beaconKeyPress(e, Key(Qt::Key_Backspace, QStringLiteral("\b"))));
    EXPECT_TRUE(dlg->e_beaconKeyPress(e, Key(Qt::Key_Return, QStringLiteral("\r"))));

    // Delivered to the field, a letter never appears.
    e->setText(QStringLiteral("12"));
    e->setCursorPosition(2);
    QKeyEvent letter = Key(Qt::Key_X, QStringLiteral("x"));
    QCoreApplication::sendEvent(e, &letter);
    QKeyEvent digit = Key(Qt::Key_5, QStringLiteral("5"));
    QCoreApplication::sendEvent(e, &digit);
    EXPECT_EQ(e->text(), QStringLiteral("125"));
}

TEST_F(AdvancedDialog, focusLeavingABadField_reportsOnceAndTakesTheFocusBack) {
    auto dlg = make();
    dlg->show();
    dlg->activateWindow();
    QApplication::processEvents();
    QLineEdit* e = child<QLineEdit>(*dlg, "e_beacon");
    QLineEdit* next = child<QLineEdit>(*dlg, "e_rts");
    e->setFocus(Qt::TabFocusReason);
    e->setText(QStringLiteral("19"));
    next->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("text beacon"));
    EXPECT_EQ(e->text(), QStringLiteral("100"));
    EXPECT_TRUE(e->hasFocus());
}

// ------------------------------------------------------------ through the main window

class DialogsOfMainWindow : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->more_rate = 5;
        form->more_bcast = 1;
        form->more_11g_only = 1;
        form->more_superg = 1;
        form->more_txpower = 2;
        form->more_wds = 1;
        form->more_beacon = QStringLiteral("150");
        form->more_rts = QStringLiteral("2400");
        form->more_frag = QStringLiteral("2000");
        form->more_dtim = QStringLiteral("9");
    }

    // Rows 1.. of the AP list: name and MAC of each.
    void listAps(const QList<std::pair<QString, QString>>& aps) {
        auto* list = form->findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
        ASSERT_NE(list, nullptr);
        list->setRowCount(static_cast<int>(aps.size()) + 1);
        for (int i = 0; i < aps.size(); ++i) {
            list->setCell(0, i + 1, aps[i].first);
            list->setCell(1, i + 1, aps[i].second);
        }
    }

    void listFiveAps() {
        listAps({{QStringLiteral("ap-one"), QStringLiteral("00-11-22-33-44-01")},
                 {QStringLiteral("ap-two"), QStringLiteral("00-11-22-33-44-02")},
                 {QStringLiteral("ap-three"), QStringLiteral("00-11-22-33-44-03")},
                 {QStringLiteral("ap-four"), QStringLiteral("00-11-22-33-44-04")},
                 {QStringLiteral("ap-five"), QStringLiteral("00-11-22-33-44-05")}});
    }

    // Runs the multi login; `fill` acts on the dialog, whose result is returned.
    bool multiLogin(const QStringList& rows, const std::function<void(gui::TMulUsrPassFm&)>& fill) {
        dialogs.onDialog = [&fill](QDialog& d) {
            auto* dlg = dynamic_cast<gui::TMulUsrPassFm*>(&d);
            EXPECT_NE(dlg, nullptr);
            if (dlg != nullptr) {
                fill(*dlg);
            }
            return d.result();
        };
        return form->LoginMulti(rows);
    }
};

TEST_F(DialogsOfMainWindow, moreButton_opensTheDialogAfreshEachTime) {
    std::vector<QDialog*> seen;
    dialogs.onDialog = [&seen](QDialog& d) {
        seen.push_back(&d);
        EXPECT_NE(dynamic_cast<gui::TAP_MoreFm*>(&d), nullptr);
        EXPECT_EQ(child<QComboBox>(d, "s_rate")->count(), 13);
        return int(QDialog::Rejected);
    };
    child<QPushButton>(*form, "a_b_more")->click();
    form->a_b_moreClick();
    EXPECT_EQ(dialogs.dialogsShown, 2);
    EXPECT_EQ(form->findChildren<gui::TAP_MoreFm*>().size(), 0);  // destroyed after
}

TEST_F(DialogsOfMainWindow, moreOk_writesTheKeptValues) {
    dialogs.onDialog = [](QDialog& d) {
        auto& dlg = dynamic_cast<gui::TAP_MoreFm&>(d);
        EXPECT_EQ(child<QLineEdit>(d, "e_rts")->text(), QStringLiteral("2400"));
        EXPECT_EQ(child<QComboBox>(d, "s_rate")->currentIndex(), 5);
        child<QComboBox>(d, "s_rate")->setCurrentIndex(7);
        child<QLineEdit>(d, "e_rts")->clear();
        child<QLineEdit>(d, "e_dtim")->setText(QStringLiteral("42"));
        dlg.b_okClick();
        return d.result();
    };
    form->a_b_moreClick();
    EXPECT_EQ(form->more_rate, 7);
    EXPECT_EQ(form->more_rts, QStringLiteral("2432"));
    EXPECT_EQ(form->more_dtim, QStringLiteral("42"));
    EXPECT_EQ(form->more_beacon, QStringLiteral("150"));
    EXPECT_EQ(form->more_txpower, 2);
}

TEST_F(DialogsOfMainWindow, moreCancelAfterEdits_leavesEveryValue) {
    dialogs.onDialog = [](QDialog& d) {
        child<QComboBox>(d, "s_rate")->setCurrentIndex(0);
        child<QComboBox>(d, "s_wds")->setCurrentIndex(0);
        child<QLineEdit>(d, "e_beacon")->setText(QStringLiteral("500"));
        child<QPushButton>(d, "b_cancel")->click();
        return d.result();
    };
    form->a_b_moreClick();
    EXPECT_EQ(form->more_rate, 5);
    EXPECT_EQ(form->more_wds, 1);
    EXPECT_EQ(form->more_beacon, QStringLiteral("150"));
}

TEST_F(DialogsOfMainWindow, moreWithExtendedLock_storesFirstItems) {
    form->extended_lock = 1;
    dialogs.onDialog = [](QDialog& d) {
        child<QPushButton>(d, "b_ok")->click();
        return d.result();
    };
    form->a_b_moreClick();
    EXPECT_EQ(form->more_superg, 0);
    EXPECT_EQ(form->more_bcast, 0);
}

TEST_F(DialogsOfMainWindow, singleLogin_okWritesTheEntries) {
    dialogs.onDialog = [](QDialog& d) {
        EXPECT_EQ(d.size(), QSize(321, 283));
        EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Management Login"));
        QLineEdit* name = child<QLineEdit>(d, "mng_e_name");
        QLineEdit* pass = child<QLineEdit>(d, "mng_e_pass");
        EXPECT_EQ(name->maxLength(), 16);
        EXPECT_EQ(pass->maxLength(), 16);
        EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
        name->setText(QStringLiteral("admin"));
        pass->setText(QStringLiteral("s3cret"));
        auto& dlg = dynamic_cast<gui::TUsrPassFm&>(d);
        EXPECT_TRUE(dlg.mng_e_nameKeyPress(name, Key(Qt::Key_Return, QStringLiteral("\r"))));
        EXPECT_FALSE(dlg.mng_e_nameKeyPress(name, Key(Qt::Key_A, QStringLiteral("a"))));
        child<QPushButton>(d, "b_ok")->click();
        return d.result();
    };
    EXPECT_TRUE(form->LoginSingle());
    EXPECT_EQ(form->login_user, QStringLiteral("admin"));
    EXPECT_EQ(form->login_pass, QStringLiteral("s3cret"));
}

TEST_F(DialogsOfMainWindow, singleLogin_cancelLeavesTheEntriesAndEveryOpeningStartsEmpty) {
    form->login_user = QStringLiteral("old");
    form->login_pass = QStringLiteral("oldpass");
    dialogs.onDialog = [](QDialog& d) {
        EXPECT_TRUE(child<QLineEdit>(d, "mng_e_name")->text().isEmpty());
        child<QLineEdit>(d, "mng_e_name")->setText(QStringLiteral("new"));
        child<QPushButton>(d, "b_cancel")->click();
        return d.result();
    };
    EXPECT_FALSE(form->LoginSingle());
    EXPECT_FALSE(form->LoginSingle());
    EXPECT_EQ(form->login_user, QStringLiteral("old"));
    EXPECT_EQ(form->login_pass, QStringLiteral("oldpass"));
}

TEST_F(DialogsOfMainWindow, multiLogin_gridLayoutAndHeader) {
    listFiveAps();
    multiLogin({QStringLiteral("1")}, [](gui::TMulUsrPassFm& dlg) {
        gui::TQuillGrid* g = dlg.grid();
        EXPECT_EQ(g->size(), QSize(545, 67));
        EXPECT_EQ(g->ColCount(), 6);
        const int widths[] = {110, 110, 150, 150, 2000, 2000};
        for (int c = 0; c < 6; ++c) {
            EXPECT_EQ(g->ColWidths(c), widths[c]) << c;
        }
        EXPECT_EQ(g->FixedCols(), 2);
        EXPECT_EQ(g->Cells(0, 0), QStringLiteral("AP Name"));
        EXPECT_EQ(g->Cells(1, 0), QStringLiteral("Mac Address"));
        EXPECT_EQ(g->Cells(2, 0), QStringLiteral("UserName"));
        EXPECT_EQ(g->Cells(3, 0), QStringLiteral("Password"));
        EXPECT_TRUE(g->isColumnEditable(2));
        EXPECT_FALSE(g->isColumnEditable(0));
        EXPECT_FALSE(g->isColumnEditable(1));
        EXPECT_FALSE(g->isColumnEditable(3));
        EXPECT_EQ(dlg.size(), QSize(614, 217));
    });
}

TEST_F(DialogsOfMainWindow, multiLogin_rowCountDecidesTheScrollBar) {
    listFiveAps();
    const struct {
        QStringList rows;
        int gridRows;
        bool barShown;
    } cases[] = {
        {{QStringLiteral("3")}, 2, true},
        {{QStringLiteral("1"), QStringLiteral("2")}, 3, true},
        {{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 4, false},
        {{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
          QStringLiteral("5")},
         6,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows.join(u',').toStdString());
        multiLogin(c.rows, [&c](gui::TMulUsrPassFm& dlg) {
            EXPECT_EQ(dlg.grid()->RowCount(), c.gridRows);
            EXPECT_EQ(!child<QWidget>(dlg, "ScrollBar1")->isHidden(), c.barShown);
            EXPECT_EQ(dlg.grid()->Row(), 1);
        });
    }
}

TEST_F(DialogsOfMainWindow, multiLogin_fillsNamesAndMacsInRowListOrder) {
    listFiveAps();
    multiLogin({QStringLiteral("4"), QStringLiteral("2")}, [](gui::TMulUsrPassFm& dlg) {
        EXPECT_EQ(dlg.grid()->Cells(0, 1), QStringLiteral("ap-four"));
        EXPECT_EQ(dlg.grid()->Cells(1, 1), QStringLiteral("00-11-22-33-44-04"));
        EXPECT_EQ(dlg.grid()->Cells(0, 2), QStringLiteral("ap-two"));
        EXPECT_EQ(dlg.grid()->Cells(1, 2), QStringLiteral("00-11-22-33-44-02"));
    });
}

TEST_F(DialogsOfMainWindow, multiLogin_passwordsMaskedInColumn3KeptInColumn5) {
    listFiveAps();
    const bool ok = multiLogin(
        {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
        [](gui::TMulUsrPassFm& dlg) {
            gui::TQuillGrid* g = dlg.grid();
            QLineEdit* overlay = dlg.passwordEdit();
            EXPECT_EQ(overlay->echoMode(), QLineEdit::Password);
            EXPECT_EQ(overlay->maxLength(), 16);
            EXPECT_TRUE(overlay->isHidden());

            g->setCell(2, 1, QStringLiteral("admin"));
            g->setSelection({3, 1, 3, 1});
            EXPECT_FALSE(overlay->isHidden());
            overlay->setText(QStringLiteral("secret"));
            g->setSelection({2, 2, 2, 2});  // the user-name cell of row 2
            EXPECT_TRUE(overlay->isHidden());
            EXPECT_EQ(g->Cells(3, 1), QStringLiteral("******"));
            EXPECT_EQ(g->Cells(5, 1), QStringLiteral("secret"));

            // From one password cell straight to the next: the first is stored
            // before the second is loaded.
            g->setCell(2, 2, QStringLiteral("root"));
            g->setSelection({3, 2, 3, 2});
            overlay->setText(QStringLiteral("pw2"));
            g->setSelection({3, 1, 3, 1});
            EXPECT_EQ(overlay->text(), QStringLiteral("secret"));
            EXPECT_EQ(g->Cells(5, 2), QStringLiteral("pw2"));
            EXPECT_EQ(g->Cells(3, 2), QStringLiteral("***"));

            // OK with the overlay open over row 3 stores what was typed there.
            g->setSelection({3, 3, 3, 3});
            overlay->setText(QStringLiteral("third"));
            EXPECT_EQ(dlg.last_col, 3);
            EXPECT_EQ(dlg.last_row, 3);

            // No drawn cell shows a password in clear.
            for (int r = 1; r < g->RowCount(); ++r) {
                for (int c = 0; c < 5; ++c) {
                    for (const char* pw : {"secret", "pw2", "third"}) {
                        EXPECT_NE(g->Cells(c, r), QString::fromLatin1(pw)) << c << "," << r;
                    }
                }
                auto* drawn = qobject_cast<QStyledItemDelegate*>(g->itemDelegateForColumn(5));
                ASSERT_NE(drawn, nullptr);
                EXPECT_TRUE(drawn->displayText(g->Cells(5, r), QLocale()).isEmpty());
            }
            child<QPushButton>(dlg, "b_ok")->click();
        });
    EXPECT_TRUE(ok);
    const QStringList expected = {
        QStringLiteral("00-11-22-33-44-01\tap-one\tadmin\tsecret\t"),
        QStringLiteral("00-11-22-33-44-02\tap-two\troot\tpw2\t"),
        QStringLiteral("00-11-22-33-44-03\tap-three\t\tthird\t"),
    };
    EXPECT_EQ(form->login_list, expected);
}

TEST_F(DialogsOfMainWindow, multiLogin_emptyEntriesKeepAllTabs) {
    listFiveAps();
    EXPECT_TRUE(
        multiLogin({QStringLiteral("5")}, [](gui::TMulUsrPassFm& dlg) { dlg.b_okClick(); }));
    EXPECT_EQ(form->login_list, QStringList{QStringLiteral("00-11-22-33-44-05\tap-five\t\t\t")});
}

TEST_F(DialogsOfMainWindow, multiLogin_cancelLeavesLoginListEmpty) {
    listFiveAps();
    form->login_list = {QStringLiteral("stale")};
    EXPECT_FALSE(
        multiLogin({QStringLiteral("1"), QStringLiteral("2")}, [](gui::TMulUsrPassFm& dlg) {
            dlg.grid()->setCell(2, 1, QStringLiteral("admin"));
            child<QPushButton>(dlg, "b_cancel")->click();
        }));
    EXPECT_TRUE(form->login_list.isEmpty());
}

TEST_F(DialogsOfMainWindow, multiLogin_rowNumberOutsideTheList_keepsLinesInStep) {
    listFiveAps();
    EXPECT_TRUE(multiLogin({QStringLiteral("0"), QStringLiteral("x"), QStringLiteral("2")},
                           [](gui::TMulUsrPassFm& dlg) { dlg.b_okClick(); }));
    ASSERT_EQ(form->login_list.size(), 3);
    EXPECT_EQ(form->login_list[0], QStringLiteral("\t\t\t\t"));  // never the header texts
    EXPECT_EQ(form->login_list[1], QStringLiteral("\t\t\t\t"));
    EXPECT_EQ(form->login_list[2], QStringLiteral("00-11-22-33-44-02\tap-two\t\t\t"));
}

TEST_F(DialogsOfMainWindow, multiLogin_fullUserName_takesNoMoreCharactersButCanShrink) {
    listFiveAps();
    multiLogin({QStringLiteral("1")}, [](gui::TMulUsrPassFm& dlg) {
        gui::TQuillGrid* g = dlg.grid();
        g->setSelection({2, 1, 2, 1});
        QLineEdit editor;
        editor.setText(QStringLiteral("abcdefghijklmnop"));  // 16
        EXPECT_TRUE(dlg.g_mul_mngeKeyPress(editor, Key(Qt::Key_Q, QStringLiteral("q"))));
        EXPECT_FALSE(dlg.g_mul_mngeKeyPress(editor, Key(Qt::Key_Backspace, QStringLiteral("\b"))));
        editor.selectAll();
        EXPECT_FALSE(dlg.g_mul_mngeKeyPress(editor, Key(Qt::Key_Q, QStringLiteral("q"))));
        editor.setText(QStringLiteral("abcdefghijklmno"));  // 15
        EXPECT_FALSE(dlg.g_mul_mngeKeyPress(editor, Key(Qt::Key_Q, QStringLiteral("q"))));
    });
}

TEST_F(DialogsOfMainWindow, multiLogin_userNameTypedInTheCellEditor) {
    listFiveAps();
    multiLogin({QStringLiteral("1")}, [](gui::TMulUsrPassFm& dlg) {
        dlg.show();
        QApplication::processEvents();
        gui::TQuillGrid* g = dlg.grid();
        g->setSelection({2, 1, 2, 1});
        g->edit(g->model()->index(0, 2));
        QApplication::processEvents();
        auto* editor = g->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->maxLength(), 16);
        for (QChar ch : QStringLiteral("abcdefghijklmnopq")) {  // 17 keys
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(editor, &key);
        }
        EXPECT_EQ(g->Cells(2, 1), QStringLiteral("abcdefghijklmnop"));
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
        QCoreApplication::sendEvent(editor, &back);
        EXPECT_EQ(g->Cells(2, 1), QStringLiteral("abcdefghijklmno"));
        dlg.b_okClick();
    });
    EXPECT_EQ(form->login_list,
              QStringList{QStringLiteral("00-11-22-33-44-01\tap-one\tabcdefghijklmno\t\t")});
}

TEST(MaskText, oneStarPerCharacter) {
    EXPECT_EQ(gui::TMulUsrPassFm::MaskText(QString()), QString());
    EXPECT_EQ(gui::TMulUsrPassFm::MaskText(QStringLiteral("p\u00e4ss")), QStringLiteral("****"));
}

}  // namespace
}  // namespace tern::test
