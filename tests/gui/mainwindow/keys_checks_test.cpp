#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/rules/validation.h"
#include "tests/gui/mainwindow/main_window_support.h"

namespace tern::test {
namespace {

using gui::HintOf;
using gui::SetHint;
using gui::TagOf;

void Press(QWidget* target, Qt::Key key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

void TypeText(QWidget* target, const QString& text) {
    for (QChar c : text) {
        Press(target, Qt::Key_unknown, QString(c));
    }
}

const QString kSettingError = QStringLiteral("Setting Error\uFF01");

// An activated form with WEP switched on, fixed address defaults, nothing
// edited.
class KeysChecks : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        activate();
    }
    void activate() {
        form->FormActivate();
        w<QCheckBox>("chb_encry")->setChecked(true);
        form->chb_encryClick();
        combo("s_auth")->setCurrentIndex(0);
        key(1)->setText(QStringLiteral("0102030405"));  // the selected key
        form->key_edited = {};
        dialogs.messages.clear();
    }
    // Shown and active, for tests that follow the focus.
    void showForm() {
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
    }
    QLineEdit* key(int n) const { return edit(qPrintable(QStringLiteral("e_key%1").arg(n))); }
    QString keyDigits(int n) const { return key(n)->text().remove(u' '); }
    // The form as a shown record leaves a hex key: kept in the hint, shown
    // as a row of '*' without a mask.
    void starKey(int n, const QString& digits) {
        QLineEdit* k = key(n);
        SetHint(k, digits);
        k->setInputMask(QString());
        k->setText(QString(digits.size(), u'*'));
        k->setEchoMode(QLineEdit::Password);
    }
    void starPassphrase(const QString& kept) {
        for (const char* name : {"wpa_m_p", "wpa_m_c"}) {
            SetHint(edit(name), kept);
            edit(name)->setText(QString(kept.size(), u'*'));
        }
    }
    const gui::DialogSeam::Message& lastMessage() const { return dialogs.messages.back(); }
};

// ---------------------------------------------------------------- key fields

TEST_F(KeysChecks, formatting_byLengthAndRepresentation) {
    EXPECT_EQ(key(1)->inputMask(), QStringLiteral(">HH HH HH HH HH;_"));
    EXPECT_EQ(TagOf(key(1)), 5);
    combo("s_wep_1")->setCurrentIndex(1);
    form->s_wep_1Change();
    EXPECT_EQ(TagOf(key(4)), 13);
    EXPECT_EQ(key(4)->inputMask().count(u'H'), 26);
    radio("w_r_ascii")->setChecked(true);
    form->w_r_hexClick(radio("w_r_ascii"));
    EXPECT_TRUE(key(4)->inputMask().isEmpty());
    EXPECT_EQ(key(4)->maxLength(), 13);
}

TEST_F(KeysChecks, keystrokes_hexUpperCasesAndDropsNonHex_asciiTakesBoth) {
    TypeText(key(2), QStringLiteral("a"));
    TypeText(key(2), QStringLiteral("g"));
    TypeText(key(2), QStringLiteral("0"));
    EXPECT_EQ(keyDigits(2), QStringLiteral("A0"));
    EXPECT_EQ(form->e_key1KeyPress(key(1), u'g'), QChar());
    EXPECT_EQ(form->e_key1KeyPress(key(1), u'b'), QChar(u'B'));

    radio("w_r_ascii")->setChecked(true);
    form->w_r_hexClick(radio("w_r_ascii"));
    EXPECT_TRUE(key(1)->text().isEmpty());  // a change of representation empties the keys
    TypeText(key(2), QStringLiteral("ag"));
    EXPECT_EQ(key(2)->text(), QStringLiteral("ag"));
}

TEST_F(KeysChecks, edited_downArrowInKey2MarksOnlyKey2) {
    Press(key(2), Qt::Key_Down);
    EXPECT_EQ(form->key_edited, (std::array<bool, 4>{false, true, false, false}));
    form->e_key1Exit(key(4));
    EXPECT_TRUE(form->key_edited[3]);
    EXPECT_FALSE(form->key_edited[2]);
}

TEST_F(KeysChecks, mouseDownInEmptyKey_marksItAndSelectsTheFirstPosition) {
    key(3)->setCursorPosition(6);
    form->e_key1MouseDown(key(3));
    EXPECT_TRUE(form->key_edited[2]);
    EXPECT_EQ(key(3)->selectionStart(), 0);
    EXPECT_TRUE(key(3)->hasSelectedText());
    EXPECT_TRUE(form->KeyFieldIsEmpty(key(3)));

    key(1)->setText(QStringLiteral("AABB"));
    key(1)->setCursorPosition(4);
    form->e_key1MouseDown(key(1));
    EXPECT_EQ(key(1)->cursorPosition(), 4);  // a field with a key keeps its caret
}

TEST_F(KeysChecks, starredKey_keptUntilEntered_emptiedOnEntry_editedOnLeaving) {
    starKey(2, QStringLiteral("0102030405"));
    EXPECT_EQ(form->EffectiveKeyText(2), QStringLiteral("0102030405"));

    form->e_key1Enter(key(2));
    EXPECT_TRUE(form->KeyFieldIsEmpty(key(2)));
    EXPECT_EQ(key(2)->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(key(2)->inputMask(), QStringLiteral(">HH HH HH HH HH;_"));
    EXPECT_FALSE(form->key_edited[1]);  // entering alone is no edit

    form->e_key1Exit(key(2));
    EXPECT_TRUE(form->key_edited[1]);
    EXPECT_TRUE(form->EffectiveKeyText(2).isEmpty());  // now taken from the form: empty

    // a field that is not starred is left alone on entry
    key(3)->setEchoMode(QLineEdit::Normal);
    key(3)->setText(QStringLiteral("AABBCCDDEE"));
    form->e_key1Enter(key(3));
    EXPECT_EQ(keyDigits(3), QStringLiteral("AABBCCDDEE"));
}

TEST_F(KeysChecks, focusThroughTheFields_entersAndLeavesThroughTheHandlers) {
    showForm();
    form->Img_WepSet_upClick();
    starKey(2, QStringLiteral("0102030405"));
    key(2)->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->KeyFieldIsEmpty(key(2)));
    EXPECT_FALSE(form->key_edited[1]);
    key(3)->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->key_edited[1]);
    EXPECT_FALSE(form->key_edited[0]);
}

TEST_F(KeysChecks, starredFieldsAfterAnApply_emptiedWhenEntered) {
    key(1)->setText(QStringLiteral("AABBCCDDEE"));
    edit("e_pass")->setText(QStringLiteral("phrase"));
    form->MaskSecretFields();
    form->e_key1Enter(key(1));
    form->e_key1Enter(edit("e_pass"));
    EXPECT_TRUE(form->KeyFieldIsEmpty(key(1)));
    EXPECT_TRUE(edit("e_pass")->text().isEmpty());
    EXPECT_EQ(edit("e_pass")->echoMode(), QLineEdit::Normal);
}

TEST_F(KeysChecks, starredAsciiKey_standsForTheDecodedKeptKey) {
    radio("w_r_ascii")->setChecked(true);
    form->w_r_hexClick(radio("w_r_ascii"));
    form->key_edited = {};
    SetHint(key(1), QStringLiteral("6162636465"));
    key(1)->setText(QStringLiteral("*****"));
    EXPECT_EQ(form->EffectiveKeyText(1), QStringLiteral("abcde"));
    SetHint(key(1), QStringLiteral("6162006465"));  // shows nothing, stands for nothing
    EXPECT_TRUE(form->EffectiveKeyText(1).isEmpty());
}

TEST_F(KeysChecks, generator64_knownKeysForOneCharacter_allMarkedEdited) {
    w("e_pass")->setEnabled(true);
    edit("e_pass")->setText(QStringLiteral("a"));
    radio("w_rb_key3")->setChecked(true);
    starKey(4, QStringLiteral("0102030405"));
    form->w_b_genClick();
    EXPECT_EQ(key(1)->text(), QStringLiteral("63 CA CE 42 D9"));
    EXPECT_EQ(keyDigits(2), QStringLiteral("F201F42A09"));
    EXPECT_EQ(keyDigits(3), QStringLiteral("D275059AF9"));
    EXPECT_EQ(keyDigits(4), QStringLiteral("B4721C60FD"));
    EXPECT_EQ(key(4)->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(radio("w_rb_key1")->isChecked());
    EXPECT_TRUE(radio("w_r_hex")->isChecked());
    EXPECT_EQ(TagOf(key(1)), 5);
    EXPECT_EQ(form->key_edited, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(form->EffectiveKeyText(4), QStringLiteral("B4721C60FD"));
}

TEST_F(KeysChecks, generator128_md5OfTheRepeatedPhrase_andEmptyPhraseDoesNothing) {
    combo("s_wep_1")->setCurrentIndex(1);
    form->s_wep_1Change();
    form->key_edited = {};
    key(1)->setText(QStringLiteral("00"));
    form->w_b_genClick();  // no pass phrase
    EXPECT_EQ(keyDigits(1), QStringLiteral("00"));
    EXPECT_EQ(form->key_edited, (std::array<bool, 4>{}));

    edit("e_pass")->setText(QStringLiteral("tern"));
    form->w_b_genClick();
    EXPECT_EQ(keyDigits(1), QStringLiteral("2D7BF63F5F22BA96BF62F7BADF"));
    EXPECT_EQ(keyDigits(2), QStringLiteral("81FB9EB1DA34AFF6E3D375E98D"));
    EXPECT_EQ(keyDigits(4), QStringLiteral("6E1B1D667930E5D7CE5EB38EA0"));
    EXPECT_EQ(TagOf(key(2)), 13);
}

// ---------------------------------------------------------------- numeric fields

TEST_F(KeysChecks, numericFields_carryTheirLimits) {
    EXPECT_EQ(HintOf(edit("e_ip_1")), QStringLiteral("223"));
    EXPECT_EQ(TagOf(edit("e_ip_1")), 1);
    EXPECT_EQ(HintOf(edit("e_8_port1")), QStringLiteral("65535"));
    EXPECT_EQ(edit("e_8_port1")->maxLength(), 5);
    EXPECT_EQ(TagOf(edit("e_8_ipS4")), 0);
}

TEST_F(KeysChecks, ip1_typing224_rangeMessage_fieldBackTo223) {
    QLineEdit* ip1 = edit("e_ip_1");
    ip1->clear();
    TypeText(ip1, QStringLiteral("224"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, kSettingError);
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Message"));
    EXPECT_EQ(lastMessage().icon, gui::DialogSeam::Icon::Information);
    EXPECT_EQ(lastMessage().buttons, gui::DialogSeam::Buttons::Ok);
    EXPECT_EQ(ip1->text(), QStringLiteral("223"));
}

TEST_F(KeysChecks, numericMessages_lookedUpUnderTheKeyOfTheRange) {
    useLanguageFile(
        "[ErrRangMsg]\r\nErr_fixIP_1=no loopback\r\nErr_IP=zero to 255\r\nErr_subnet=bad mask\r\n"
        "[ErrMsgCap]\r\nErr_fixIP_1=First octet\r\nErr_Port_rang=Port\r\n");
    form.reset();
    makeForm();
    useLanguageFile(
        "[ErrRangMsg]\r\nErr_fixIP_1=no loopback\r\nErr_IP=zero to 255\r\nErr_subnet=bad mask\r\n"
        "[ErrMsgCap]\r\nErr_fixIP_1=First octet\r\nErr_Port_rang=Port\r\n");
    activate();

    edit("e_ip_1")->clear();
    TypeText(edit("e_ip_1"), QStringLiteral("127"));
    EXPECT_EQ(lastMessage().text, QStringLiteral("no loopback"));
    EXPECT_EQ(lastMessage().caption, QStringLiteral("First octet"));

    edit("e_gateway_2")->setText(QStringLiteral("300"));
    form->e_ip_1Exit(edit("e_gateway_2"));
    EXPECT_EQ(lastMessage().text, QStringLiteral("zero to 255"));
    EXPECT_TRUE(edit("e_gateway_2")->text().isEmpty());

    edit("e_8_port1")->setText(QStringLiteral("6553"));
    TypeText(edit("e_8_port1"), QStringLiteral("6"));
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Port"));
    EXPECT_EQ(lastMessage().text, kSettingError);

    edit("e_submask_3")->setText(QStringLiteral("250"));
    form->e_submask_1Exit(edit("e_submask_3"));
    EXPECT_EQ(lastMessage().text, QStringLiteral("bad mask"));
    EXPECT_EQ(edit("e_submask_3")->text(), QStringLiteral("255"));
}

TEST_F(KeysChecks, numericKeys_lettersDroppedSilently_completedTextIsWhatWasChecked) {
    QLineEdit* ip2 = edit("e_ip_2");
    ip2->clear();
    TypeText(ip2, QStringLiteral("1x."));
    EXPECT_EQ(ip2->text(), QStringLiteral("1"));
    ip2->setText(QStringLiteral("25"));
    ip2->setCursorPosition(0);
    TypeText(ip2, QStringLiteral("3"));
    EXPECT_EQ(ip2->text(), QStringLiteral("253"));  // appended, not put at the caret
    EXPECT_TRUE(dialogs.messages.empty());
}

// Delete arrives with the text "\x7F" on X11: it must still delete, in
// every filtered field.
TEST_F(KeysChecks, deleteKey_worksInNumericKeyAndRemoteMacFields) {
    const QString del(QChar(0x7F));
    QLineEdit* ip2 = edit("e_ip_2");
    ip2->setText(QStringLiteral("12"));
    ip2->setCursorPosition(0);
    Press(ip2, Qt::Key_Delete, del);
    EXPECT_EQ(ip2->text(), QStringLiteral("2"));

    QLineEdit* k1 = key(1);
    k1->setText(QStringLiteral("0102030405"));
    k1->setCursorPosition(0);
    Press(k1, Qt::Key_Delete, del);
    EXPECT_NE(k1->text(), QStringLiteral("0102030405"));

    QLineEdit* mac = edit("e_rm_mac");
    mac->setEnabled(true);  // as a bridge mode leaves it
    mac->setText(QStringLiteral("AABBCCDDEEFF"));
    mac->setCursorPosition(0);
    Press(mac, Qt::Key_Delete, del);
    EXPECT_NE(mac->text(), QStringLiteral("AA-BB-CC-DD-EE-FF"));
    // and a typed letter is still filtered
    Press(ip2, Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(ip2->text(), QStringLiteral("2"));
}

TEST_F(KeysChecks, numericKeys_completingAValidNumberMovesTheFocusOn) {
    showForm();
    form->Img_IpSet_upClick();
    QLineEdit* ip1 = edit("e_ip_1");
    ip1->clear();
    ip1->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    TypeText(ip1, QStringLiteral("10"));
    EXPECT_EQ(QApplication::focusWidget(), ip1);
    TypeText(ip1, QStringLiteral("0"));
    EXPECT_EQ(ip1->text(), QStringLiteral("100"));
    EXPECT_NE(QApplication::focusWidget(), ip1);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(KeysChecks, leavingNumericFields_emptyValuesAndMaskOctets) {
    edit("e_ip_3")->clear();
    form->e_ip_1Exit(edit("e_ip_3"));
    EXPECT_EQ(edit("e_ip_3")->text(), QStringLiteral("1"));
    edit("e_submask_2")->clear();
    form->e_submask_1Exit(edit("e_submask_2"));
    EXPECT_EQ(edit("e_submask_2")->text(), QStringLiteral("255"));
    edit("e_submask_4")->clear();
    form->e_submask_1Exit(edit("e_submask_4"));
    EXPECT_EQ(edit("e_submask_4")->text(), QStringLiteral("0"));
    edit("e_submask_4")->setText(QStringLiteral("250"));
    form->e_submask_1Exit(edit("e_submask_4"));
    EXPECT_TRUE(dialogs.messages.empty());
    edit("e_submask_1")->setText(QStringLiteral("250"));
    form->e_submask_1Exit(edit("e_submask_1"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, kSettingError);
    EXPECT_EQ(edit("e_submask_1")->text(), QStringLiteral("255"));
}

TEST_F(KeysChecks, highlightPageLabel_activeBlackOthersGrey) {
    form->Img_WepSet_upClick();
    gui::SetFontColour(label("l_status"), QColor(255, 0, 0));
    form->HighlightPageLabel();
    EXPECT_EQ(gui::FontColour(label("l_wepSet")), QColor(0, 0, 0));
    EXPECT_EQ(gui::FontColour(label("l_status")), gui::kGreyFont);
    EXPECT_EQ(gui::FontColour(label("l_802")), gui::kGreyFont);
}

// ---------------------------------------------------------------- the apply checks

TEST_F(KeysChecks, applyChecks_defaultsPass) {
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_TRUE(r.passed());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(KeysChecks, applyChecks_emptySelectedKey_wepPageAndItsMessage) {
    key(1)->clear();
    form->Img_IpSet_upClick();
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_EQ(r.failed, rules::ApplyCheck::WepKeyEmpty);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, QStringLiteral("The selected wep key can not be empty!"));
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Wep key error"));
    EXPECT_EQ(form->activePage(), rules::kWepPage);
    EXPECT_EQ(gui::FontColour(label("l_wepSet")), QColor(0, 0, 0));
    EXPECT_EQ(gui::FontColour(label("l_ipSet")), gui::kGreyFont);
    // the page comes forward; the navigation marker stays where it was
    EXPECT_EQ(gui::HintOf(label("l_ipSet")), QStringLiteral("1"));
    EXPECT_TRUE(gui::HintOf(label("l_wepSet")).isEmpty());
}

TEST_F(KeysChecks, applyChecks_wpaWithout8021x_messageFirstThenItsPageThroughTheLabel) {
    combo("s_auth")->setCurrentIndex(2);
    int pageDuringMessage = -1;
    bool checkedDuringMessage = true;
    dialogs.onMessage = [&](const gui::DialogSeam::Message&) {
        pageDuringMessage = form->activePage();
        checkedDuringMessage = w<QCheckBox>("Chk_8021x")->isChecked();
    };
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_EQ(r.failed, rules::ApplyCheck::WpaNeedsDot1x);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, QStringLiteral("Please enable 802.1x first."));
    EXPECT_EQ(pageDuringMessage, 0);
    EXPECT_FALSE(checkedDuringMessage);
    EXPECT_EQ(form->activePage(), rules::kDot1xPage);
    EXPECT_TRUE(w<QCheckBox>("Chk_8021x")->isChecked());
    EXPECT_EQ(gui::HintOf(label("l_802")), QStringLiteral("1"));
}

TEST_F(KeysChecks, applyChecks_shortKeyNamesItsNumber) {
    key(3)->setText(QStringLiteral("010203040"));
    form->RunApplyChecks();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, QStringLiteral("Wep Key Error\uFF013 "));
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Message"));
}

TEST_F(KeysChecks, applyChecks_unEditedStarredKeyPassesTheLengthCheck) {
    starKey(1, QStringLiteral("0102030405"));
    EXPECT_TRUE(form->RunApplyChecks().passed());
}

TEST_F(KeysChecks, applyChecks_starredPassphraseComparedByItsKeptValue) {
    combo("s_auth")->setCurrentIndex(3);
    w<QCheckBox>("Chk_8021x")->setChecked(true);
    starPassphrase(QStringLiteral("kept-secret"));
    EXPECT_EQ(form->EffectivePassphrase(), QStringLiteral("kept-secret"));
    EXPECT_TRUE(form->RunApplyChecks().passed());

    // the pass phrase retyped as the kept value, the confirmation untouched
    edit("wpa_m_p")->setText(QStringLiteral("kept-secret"));
    edit("wpa_m_p")->setModified(true);
    EXPECT_TRUE(form->RunApplyChecks().passed());

    edit("wpa_m_p")->setText(QStringLiteral("other-secret"));
    edit("wpa_m_p")->setModified(true);
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_EQ(r.failed, rules::ApplyCheck::PassphraseMismatch);
    EXPECT_EQ(lastMessage().text,
              QStringLiteral("The Confirmed Passphrase does not match the Passphrase."));
}

TEST_F(KeysChecks, enteringAStarredPassphrase_selectsTheRowSoTypingReplacesIt) {
    starPassphrase(QStringLiteral("kept-secret"));
    form->wpa_m_pEnter(edit("wpa_m_p"));
    QCoreApplication::processEvents();
    EXPECT_EQ(edit("wpa_m_p")->selectedText().size(), 11);
}

TEST_F(KeysChecks, applyChecks_passphraseWithout8021x_switchesItOnAndGoesOn) {
    combo("s_auth")->setCurrentIndex(3);
    edit("wpa_m_p")->setText(QStringLiteral("12345678"));
    edit("wpa_m_c")->setText(QStringLiteral("12345678"));
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_TRUE(r.passed());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, QStringLiteral("802.1x has been enabled."));
    EXPECT_TRUE(w<QCheckBox>("Chk_8021x")->isChecked());
    EXPECT_TRUE(w("e_8_port1")->isEnabled());
}

TEST_F(KeysChecks, applyChecks_emptyGatewayOctet_domainMessageAndFocusOnIt) {
    showForm();
    edit("e_gateway_1")->setText(QStringLiteral("192"));
    edit("e_gateway_2")->clear();
    edit("e_gateway_4")->setText(QStringLiteral("1"));
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_EQ(r.failed, rules::ApplyCheck::GatewaySubnet);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(lastMessage().text, QStringLiteral("Domain different\uFF01"));
    EXPECT_EQ(lastMessage().caption, QStringLiteral("domain error"));
    EXPECT_EQ(form->activePage(), rules::kIpPage);
    EXPECT_EQ(QApplication::focusWidget(), edit("e_gateway_2"));
}

TEST_F(KeysChecks, applyChecks_radiusWithoutPort_messageAndEmptyOctetsZeroed) {
    w<QCheckBox>("Chk_8021x")->setChecked(true);
    form->Chk_8021xClick();
    edit("e_8_shared1")->setText(QStringLiteral("secret"));
    edit("e_8_port1")->clear();
    for (const char* n : {"e_8_ip1", "e_8_ip2", "e_8_ip3", "e_8_ip4"})
        edit(n)->setText(QStringLiteral("5"));
    edit("e_8_ip3")->clear();
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_EQ(r.failed, rules::ApplyCheck::RadiusServer);
    EXPECT_EQ(lastMessage().text,
              QStringLiteral("RADIUS Server1: IP, Port, or Shared Secret is empty."));
    EXPECT_EQ(lastMessage().caption, QStringLiteral("RADIUS Server1 setting Error"));
    EXPECT_EQ(edit("e_8_ip3")->text(), QStringLiteral("0"));
    EXPECT_EQ(form->activePage(), rules::kDot1xPage);
}

TEST_F(KeysChecks, applyChecks_gatewayLastOctetZero_emptiedAndFocused) {
    showForm();
    edit("e_gateway_1")->setText(QStringLiteral("192"));
    edit("e_gateway_2")->setText(QStringLiteral("168"));
    edit("e_gateway_3")->setText(QStringLiteral("1"));
    edit("e_gateway_4")->setText(QStringLiteral("0"));
    form->RunApplyChecks();
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Gateway IP setting Error"));
    EXPECT_TRUE(edit("e_gateway_4")->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), edit("e_gateway_4"));
}

TEST_F(KeysChecks, applyChecks_bridgeWithUnreadableMac_apPageCaretAtTheBlank) {
    showForm();
    radio("r_apmode3")->setChecked(true);
    form->r_apmode1Click(radio("r_apmode3"));
    edit("e_rm_mac")->setText(QStringLiteral("001122334455"));
    edit("e_rm_mac")
        ->setText(edit("e_rm_mac")->text().left(7));  // "00-11-2": the third pair half typed
    const rules::ApplyCheckResult r = form->RunApplyChecks();
    EXPECT_EQ(r.failed, rules::ApplyCheck::RemoteMac);
    EXPECT_EQ(lastMessage().text, QStringLiteral("Remote Mac Address Error\uFF01"));
    EXPECT_EQ(form->activePage(), rules::kApPage);
    EXPECT_EQ(edit("e_rm_mac")->cursorPosition(), 7);
}

}  // namespace
}  // namespace tern::test
