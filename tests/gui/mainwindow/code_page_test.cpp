// AP texts, keys and logins in the one code page of the AP's texts
// (windows-1252, or Shift_JIS with the Japanese file), through the window.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "core/rules/key_generator.h"
#include "tests/gui/mainwindow/apply_support.h"

using namespace tern::test::apply_fixture;

// ---------------------------------------------------------------- texts in the code page

namespace {

std::vector<sim::SimulatedAp> ApsWithTexts(const QByteArray& name, const QByteArray& ssid) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(1);
    ApConfigRecord& r = aps[0].record;
    r.set_ap_name(name);
    r.set_ssid(ssid);
    r.set_radius_secret(0, "s\x80\x96");
    r.set_auth_type(3);
    r.set_wpa_on(1);
    r.set_wpa_psk(1);
    r.set_wpa_passphrase("phrase \xFC\xE9\xE8 long");
    r.set_dot1x_on(true);  // a pass phrase without 802.1X would switch it on
    r.set_wep_on(true);    // as the form shows a WPA-PSK AP
    r.set_wep_key_len(5);
    return aps;
}

}  // namespace

TEST_F(Apply, westernTexts_shownInTheCodePage_comeBackByteForByte) {
    start(ApsWithTexts("Caf\xE9 \x93Lab\x94", "Net\x80\xA1I"));
    select(1, 1);
    EXPECT_EQ(edit("e_apname")->text(), QStringLiteral("Caf\u00E9 \u201CLab\u201D"));
    EXPECT_EQ(edit("e_essid")->text(), QStringLiteral("Net\u20AC\u00A1I"));
    EXPECT_EQ(grid->Cells(2, 1), QStringLiteral("Net\u20AC\u00A1I"));
    changeASetting();  // the texts go out along with another setting
    form->b_TernapplyClick();
    network.deliverPending();
    ApConfigRecord expected = original[0].record;
    expected.set_beacon_interval(static_cast<std::uint16_t>(form->more_beacon.toInt()));
    expected.set_wpa_word4(0x08070000);
    expected.set_wpa_cipher(0x0050F202);
    for (int i = 0; i < static_cast<int>(net::kRecordSize); ++i) {
        EXPECT_EQ(ap(0).record.bytes()[static_cast<std::size_t>(i)],
                  expected.bytes()[static_cast<std::size_t>(i)])
            << "byte " << i;
    }
}

TEST_F(Apply, japaneseTexts_shownAndTypedInShiftJis) {
    form->lang_file = dir.filePath(QStringLiteral("jap.ini"));
    start(ApsWithTexts("\x90\xDD\x92\xE8", "ssid"));
    select(1, 1);
    EXPECT_EQ(edit("e_apname")->text(), QStringLiteral("\u8A2D\u5B9A"));
    edit("e_essid")->setText(QStringLiteral("\u8A2D\u5B9A-2"));
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_EQ(ap(0).record.ap_name(), QByteArray("\x90\xDD\x92\xE8"));
    EXPECT_EQ(ap(0).record.ssid(), QByteArray("\x90\xDD\x92\xE8-2"));
}

// The form hands each hex pair over where it stands, a gap included.
TEST_F(Apply, hexKeyWithAGap_pairsKeepTheirPlaces) {
    start(ThreeAps());
    select(1, 1);
    QLineEdit* key = edit("e_key2");
    form->e_key1Enter(key);
    ASSERT_FALSE(key->inputMask().isEmpty());
    key->setText(QStringLiteral("1A  3C"));
    ASSERT_EQ(key->displayText(), QStringLiteral("1A __ 3C __ __"));
    const tern::record::FormSettings f = form->CollectFormSettings();
    EXPECT_EQ(f.e_key[1], QStringLiteral("1A    3C      "));
}

// ---------------------------------------------------------------- keys, logins, limits

namespace {

// One AP with ASCII WEP 64 keys of its own.
std::vector<sim::SimulatedAp> AsciiKeyAp() {
    std::vector<sim::SimulatedAp> aps = ThreeAps();
    aps.resize(1);
    ApConfigRecord& r = aps[0].record;
    r.set_wep_key_format(true);
    const char* keys[] = {"abcde", "fghij", "klmno", "pqrst"};
    for (int k = 0; k < 4; ++k) r.set_wep64_key(k, keys[k]);
    return aps;
}

const QString kSetting = QStringLiteral("\u8A2D");  // one character, two bytes in Shift_JIS

// Key events typing `text`, a character each; QTest's own helpers know
// only ASCII.
void TypeText(QWidget* target, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &release);
    }
}

}  // namespace

TEST_F(Apply, asciiKeyOfFiveJapaneseCharacters_isTenBytes_refusedByTheLengthCheck) {
    form->lang_file = dir.filePath(QStringLiteral("jap.ini"));
    start(ThreeAps());
    select(1, 1);
    radio("w_r_ascii")->setChecked(true);
    form->w_r_hexClick(radio("w_r_ascii"));
    TypeText(edit("e_key1"), QStringLiteral("\u30A2\u30A4\u30A6\u30A8\u30AA"));
    ASSERT_EQ(edit("e_key1")->text().size(), 5);
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Wep Key Error\uFF011 "));
    EXPECT_TRUE(sets().empty());

    // a key of five single-byte characters is what the length means
    dialogs.messages.clear();
    edit("e_key1")->setText(QStringLiteral("abcde"));
    form->b_TernapplyClick();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(sets().size(), 1u);
    EXPECT_EQ(RecordOfSet(sets()[0]).wep64_key(0), QByteArray("abcde"));
}

TEST_F(Apply, textTheCodePageCannotHold_isRefusedWithItsText_nothingIsSent) {
    start(sim::GenerateAps(1));
    select(1, 1);
    edit("e_essid")->setText(QStringLiteral("Caf\u00E9 ") + kSetting);
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Text Error"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("This text has characters that cannot be stored on the access "
                             "point:\r\nCaf\u00E9 ") +
                  kSetting);
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(singleLogins, 0);
    EXPECT_TRUE(sets().empty());
}

TEST_F(Apply, textLongerInBytesThanItsField_isRefused) {
    form->lang_file = dir.filePath(QStringLiteral("jap.ini"));
    start(sim::GenerateAps(1));
    select(1, 1);
    edit("e_essid")->setText(QString(17, kSetting.front()));  // 17 characters, 34 bytes
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Text Error"));
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("This text is too long to be stored on the access point:")));
    EXPECT_TRUE(sets().empty());
    // sixteen fit exactly
    dialogs.messages.clear();
    edit("e_essid")->setText(QString(16, kSetting.front()));
    form->b_TernapplyClick();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(sets().size(), 1u);
    EXPECT_EQ(RecordOfSet(sets()[0]).ssid().size(), 32);
}

TEST_F(Apply, loginOutsideTheCodePage_isRefused_nothingIsSent) {
    start(sim::GenerateAps(1));
    select(1, 1);
    answerSingleLogin(kSetting, QStringLiteral("admin"));
    changeASetting();
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("This text has characters that cannot be stored on the access "
                             "point:\r\n") +
                  kSetting);
    EXPECT_TRUE(sets().empty());
    EXPECT_FALSE(form->applyOutstanding());
}

TEST_F(Apply, loginLongerThanTheRecordOrWithAControlCharacter_isRefused_neverCut) {
    start(sim::GenerateAps(1));
    // A cut password would log in as its first 15 characters.
    select(1, 1);
    answerSingleLogin(QStringLiteral("admin"), QStringLiteral("abcdefghijklmnoWRONG"));
    changeASetting();
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("This text is too long to be stored on the access point:")));
    EXPECT_FALSE(dialogs.messages[0].text.contains(QStringLiteral("WRONG")));
    EXPECT_TRUE(sets().empty());

    // The user is named, its control character shown as an escape.
    answerSingleLogin(QStringLiteral("ad\x1bmin"), QStringLiteral("admin"));
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text,
              QStringLiteral("This text has characters that cannot be stored on the access "
                             "point:\r\nad\\x1bmin"));
    EXPECT_TRUE(sets().empty());
    EXPECT_FALSE(form->applyOutstanding());
}

TEST_F(Apply, japaneseLogin_writtenInShiftJis_theApAcceptsIt) {
    form->lang_file = dir.filePath(QStringLiteral("jap.ini"));
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(1);
    aps[0].user = "\x90\xDD";
    start(std::move(aps));
    select(1, 1);
    answerSingleLogin(kSetting, QStringLiteral("admin"));
    changeASetting();
    form->b_TernapplyClick();
    ASSERT_EQ(sets().size(), 1u);
    EXPECT_EQ(RecordOfSet(sets()[0]).mgmt_user(), QByteArray("\x90\xDD"));
    network.deliverPending();
    EXPECT_EQ(aps_->simulator().setsAccepted(), 1);
}

TEST_F(Apply, keyGenerator_readsThePassPhraseInTheCodePage) {
    form->lang_file = dir.filePath(QStringLiteral("jap.ini"));
    start(ThreeAps());
    select(1, 1);
    edit("e_pass")->setText(QStringLiteral("\u8A2D\u5B9A"));
    form->w_b_genClick();
    const auto expected = tern::rules::GenerateKeys64(QByteArray("\x90\xDD\x92\xE8"));
    ASSERT_TRUE(expected);
    EXPECT_EQ(edit("e_key1")->text().remove(u' '), QString::fromLatin1((*expected)[0]));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Apply, keyGenerator_aPassPhraseTheCodePageLacks_isRefused_keysUntouched) {
    start(ThreeAps());
    select(1, 1);
    const QString before = edit("e_key2")->text();
    edit("e_pass")->setText(kSetting);
    form->w_b_genClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Text Error"));
    EXPECT_EQ(edit("e_key2")->text(), before);
}

// ---------------------------------------------------------------- starred keys

TEST_F(Apply, asciiKeyRetypedAsStars_isSentAsTyped_theOthersStayTheAps) {
    start(AsciiKeyAp());
    select(1, 1);
    form->show();
    QApplication::setActiveWindow(form.get());
    QCoreApplication::processEvents();
    form->l_statusClick(label("l_wepSet"));
    QCoreApplication::processEvents();
    QLineEdit* key1 = edit("e_key1");
    ASSERT_EQ(key1->text(), QStringLiteral("*****"));
    EXPECT_TRUE(key1->isEnabled());           // an AP shown with WEP: its keys can be typed
    QTest::mouseClick(key1, Qt::LeftButton);  // entering the starred field empties it
    ASSERT_TRUE(key1->text().isEmpty());
    QTest::keyClicks(key1, QStringLiteral("*****"));
    form->b_TernapplyClick();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(sets().size(), 1u);
    const ApConfigRecord sent = RecordOfSet(sets()[0]);
    EXPECT_EQ(sent.wep64_key(0), QByteArray("*****"));
    EXPECT_EQ(sent.wep64_key(1), QByteArray("fghij"));
}

TEST_F(Apply, representationClickedAgain_flagsTheKeysButTheStarsStillStandForThem) {
    start(AsciiKeyAp());
    select(1, 1);
    radio("w_r_ascii")->click();  // the representation already in force
    form->w_r_hexClick(radio("w_r_ascii"));
    EXPECT_EQ(form->key_edited, (std::array<bool, 4>{true, true, true, true}));
    changeASetting();
    form->b_TernapplyClick();
    ASSERT_EQ(sets().size(), 1u);
    const ApConfigRecord sent = RecordOfSet(sets()[0]);
    EXPECT_EQ(sent.wep64_key(0), QByteArray("abcde"));
    EXPECT_EQ(sent.wep64_key(3), QByteArray("pqrst"));
}
