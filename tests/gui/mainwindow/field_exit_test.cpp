// Leaving a numeric field, however it is left: the rule that runs on leaving
// (range, mask octet, empty field) runs exactly once, in the main window and
// in the advanced settings, driven by real key and mouse events.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "gui/dialogs/tap_more_fm.h"
#include "tests/gui/mainwindow/main_window_support.h"

namespace tern::test {
namespace {

const QString kSettingError = QStringLiteral("Setting Error\uFF01");

class FieldExit : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->FormActivate();
        dialogs.messages.clear();
    }
    // Shown and active, so that focus changes reach the fields as they
    // would on a desktop.
    void showActive() {
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
        ASSERT_TRUE(form->isActiveWindow());
    }
    void openPage(const char* navLabel) {
        if (form->isVisible()) {
            QTest::mouseClick(label(navLabel), Qt::LeftButton);
            QCoreApplication::processEvents();
        } else {
            form->l_statusClick(label(navLabel));
        }
    }
    // The field emptied and focused, then `digits` typed into it.
    QLineEdit* typeInto(const char* name, const QString& digits) {
        QLineEdit* field = edit(name);
        field->setFocus(Qt::MouseFocusReason);
        field->clear();
        QTest::keyClicks(field, digits);
        return field;
    }
    int page() const { return w<QStackedWidget>("PageControl1")->currentIndex(); }
};

TEST_F(FieldExit, completingDigitOfAMaskOctet_runsTheMaskRuleOnce_activeOrNot) {
    for (const bool active : {false, true}) {
        SCOPED_TRACE(active ? "active window" : "window not active");
        dialogs.messages.clear();
        if (active) showActive();
        openPage("l_ipSet");
        QLineEdit* field = typeInto("e_submask_3", QStringLiteral("250"));
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, kSettingError);
        EXPECT_EQ(field->text(), QStringLiteral("255"));
        if (active) {
            EXPECT_EQ(form->focusWidget(), edit("e_submask_4"));
        }
        // what an apply would read: never 250
        EXPECT_EQ(ip("e_submask_"), QStringLiteral("255.255.255.0"));
    }
}

TEST_F(FieldExit, enterOnAnEmptyField_fillsItAsLeavingDoes) {
    showActive();
    openPage("l_ipSet");
    const struct {
        const char* name;
        const char* after;
        const char* next;
    } cases[] = {{"e_ip_3", "1", "e_ip_4"},
                 {"e_submask_2", "255", "e_submask_3"},
                 {"e_submask_4", "0", "e_gateway_1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QLineEdit* field = typeInto(c.name, QString());
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(field->text(), QString::fromLatin1(c.after));
        EXPECT_EQ(form->focusWidget(), edit(c.next));
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(FieldExit, enterAfterAnUnfinishedMaskOctet_runsTheMaskRuleOnce) {
    showActive();
    openPage("l_ipSet");
    QLineEdit* field = typeInto("e_submask_2", QStringLiteral("25"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(field->text(), QStringLiteral("255"));
    EXPECT_EQ(form->focusWidget(), edit("e_submask_3"));
}

TEST_F(FieldExit, clickingAnotherField_runsTheRuleOnce) {
    showActive();
    openPage("l_ipSet");
    QLineEdit* field = typeInto("e_submask_3", QStringLiteral("25"));
    QTest::mouseClick(edit("e_ip_1"), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(field->text(), QStringLiteral("255"));
    // the empty field's own rule
    typeInto("e_ip_2", QString());
    QTest::mouseClick(edit("e_ip_1"), Qt::LeftButton);
    EXPECT_EQ(edit("e_ip_2")->text(), QStringLiteral("1"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(FieldExit, changingThePage_leavesTheFieldFirst) {
    showActive();
    openPage("l_ipSet");
    QLineEdit* field = typeInto("e_submask_1", QStringLiteral("12"));
    openPage("l_apSet");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(field->text(), QStringLiteral("255"));
    EXPECT_EQ(page(), 1);
}

TEST_F(FieldExit, applyClick_aRefusedValueStopsTheApply_noSecondMessage) {
    showActive();
    openPage("l_ipSet");
    w<QPushButton>("b_Ternapply")->setEnabled(true);
    // 300 cannot be typed (the third digit is checked as it completes the
    // field); pasting gets it in.
    QLineEdit* octet = edit("e_ip_2");
    octet->setFocus(Qt::MouseFocusReason);
    octet->setText(QStringLiteral("300"));
    QTest::mouseClick(w<QPushButton>("b_Ternapply"), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);  // the range message, no apply message after it
    EXPECT_EQ(dialogs.messages[0].text, kSettingError);
    EXPECT_TRUE(octet->text().isEmpty());
    EXPECT_EQ(form->focusWidget(), octet);
    EXPECT_EQ(dialogs.dialogsShown, 0);
}

TEST_F(FieldExit, applyClick_anAcceptedValueIsLeftAndTheApplyGoesOn) {
    showActive();
    openPage("l_ipSet");
    w<QPushButton>("b_Ternapply")->setEnabled(true);
    QLineEdit* field = typeInto("e_submask_3", QStringLiteral("25"));
    QTest::mouseClick(w<QPushButton>("b_Ternapply"), Qt::LeftButton);
    QCoreApplication::processEvents();
    // the mask rule once, then the apply's own word (no AP is listed)
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, kSettingError);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Please select an apply AP."));
    EXPECT_EQ(field->text(), QStringLiteral("255"));
}

TEST_F(FieldExit, applyByKeyboard_withTheFocusStillInAField_leavesItFirst) {
    showActive();
    openPage("l_ipSet");
    QLineEdit* field = typeInto("e_submask_3", QStringLiteral("25"));
    form->b_TernapplyClick();  // no focus change: an accelerator, say
    ASSERT_GE(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, kSettingError);
    EXPECT_EQ(field->text(), QStringLiteral("255"));
}

TEST_F(FieldExit, aRefusalIsForgottenOnceTheFieldIsRetyped_theNextClickWorks) {
    showActive();
    openPage("l_ipSet");
    QLineEdit* octet = edit("e_ip_2");
    octet->setFocus(Qt::MouseFocusReason);
    octet->setText(QStringLiteral("300"));  // pasted
    QTest::keyClick(octet, Qt::Key_Tab);    // refused: message, emptied, focus back
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ASSERT_EQ(form->focusWidget(), octet);
    QTest::keyClicks(octet, QStringLiteral("10"));
    openPage("l_apSet");  // a label takes no focus: the field is left by the page change
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(octet->text(), QStringLiteral("10"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

// ------------------------------------------------------------ advanced dialog

class AdvancedFieldExit : public ::testing::Test {
  protected:
    AdvancedFieldExit()
        : language(text::LangIni::FromBytes("[ErrRangMsg]\r\nErr_e_beacon=beacon\r\n"
                                            "Err_e_frag_even=frag even\r\n"),
                   text::TextEncoding::Windows1252) {}
    void SetUp() override {
        const gui::MoreValues values{rate,   bcast, only11g, superg, txpower, wds,
                                     beacon, rts,   frag,    dtim,   0};
        dlg = std::make_unique<gui::TAP_MoreFm>(values, language, dialogs);
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        QCoreApplication::processEvents();
    }
    QLineEdit* field(const char* name) const {
        return dlg->findChild<QLineEdit*>(QString::fromLatin1(name));
    }

    int rate = 0, bcast = 0, only11g = 0, superg = 0, txpower = 0, wds = 0;
    QString beacon = QStringLiteral("100"), rts = QStringLiteral("2432"),
            frag = QStringLiteral("2346"), dtim = QStringLiteral("3");
    text::LanguageText language;
    RecordingDialogSeam dialogs;
    std::unique_ptr<gui::TAP_MoreFm> dlg;
};

TEST_F(AdvancedFieldExit, enterChecksOnce_aRefusedValueKeepsTheFocus) {
    QLineEdit* e = field("e_beacon");
    e->setFocus(Qt::MouseFocusReason);
    e->clear();
    QTest::keyClicks(e, QStringLiteral("19"));
    QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("beacon"));
    EXPECT_EQ(e->text(), QStringLiteral("100"));
    EXPECT_EQ(dlg->focusWidget(), e);

    QTest::keyClick(e, Qt::Key_Return);  // 100 is fine: on to the next field
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dlg->focusWidget(), field("e_rts"));
}

TEST_F(AdvancedFieldExit, okWithARefusedValue_staysOpenAndKeepsTheOldValue) {
    QLineEdit* e = field("e_frag");
    e->setFocus(Qt::MouseFocusReason);
    e->clear();
    QTest::keyClicks(e, QStringLiteral("2345"));
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("b_ok")), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("frag even"));
    EXPECT_NE(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(frag, QStringLiteral("2346"));

    // the reset value is accepted by the next OK
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("b_ok")), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(AdvancedFieldExit, okByKeyboardWithAnOddFragmentFocused_checksIt) {
    QLineEdit* e = field("e_frag");
    e->setFocus(Qt::MouseFocusReason);
    e->setText(QStringLiteral("2001"));
    dlg->b_okClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dlg->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tern::test
