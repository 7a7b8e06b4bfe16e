// The apply on the main window: target rows, login, set requests, the
// replies counted and the conclusion by the timers, against simulated APs on
// an in-memory network.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include "tests/gui/mainwindow/apply_support.h"

using namespace tern::test::apply_fixture;

// ---------------------------------------------------------------- targets and login

TEST_F(Apply, oneRow_singleLoginAndOneSetRequestForThatAp) {
    start(sim::GenerateAps(3));
    select(2, 2);
    edit("e_essid")->setText(QStringLiteral("renamed"));
    form->b_TernapplyClick();
    EXPECT_EQ(singleLogins, 1);
    EXPECT_EQ(multiLogins, 0);
    const auto requests = sets();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].size(), 1164);
    const ApConfigRecord sent = RecordOfSet(requests[0]);
    EXPECT_EQ(tern::record::MacText(sent.mac_addr()), Mac(1));
    EXPECT_EQ(sent.ssid(), "renamed");
    EXPECT_EQ(sent.mgmt_user(), "admin");
    EXPECT_EQ(form->apply_name, QStringLiteral("TernAP-0002"));
    EXPECT_EQ(form->expected_replies, 1);
    EXPECT_TRUE(form->Timer.isActive());
}

TEST_F(Apply, threeRows_oneMultiLoginAndThreeRequestsInRowOrder) {
    start(ThreeAps());
    select(1, 3);
    changeASetting();  // on every AP: each is sent to
    form->b_TernapplyClick();
    EXPECT_EQ(multiLogins, 1);
    EXPECT_EQ(singleLogins, 0);
    EXPECT_EQ(multiRows,
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    const auto requests = sets();
    ASSERT_EQ(requests.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(
            tern::record::MacText(RecordOfSet(requests[static_cast<std::size_t>(i)]).mac_addr()),
            Mac(i));
    }
    // every request under a marker of its own
    EXPECT_NE(requests[0].mid(6, 8), requests[1].mid(6, 8));
    EXPECT_NE(requests[1].mid(6, 8), requests[2].mid(6, 8));
}

TEST_F(Apply, emptyList_asksForASelectionAndSendsNothing) {
    start({});
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Please select an apply AP."));
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Message"));
    EXPECT_EQ(dialogs.dialogsShown, 0);
    EXPECT_TRUE(sets().empty());
}

TEST_F(Apply, cancelledLogin_singleOrMulti_sendsNothingAndShowsNothing) {
    start(ThreeAps());
    cancelLogin = true;
    select(2, 2);
    changeASetting();
    form->b_TernapplyClick();
    select(1, 3);
    form->b_TernapplyClick();
    EXPECT_EQ(dialogs.dialogsShown, 2);
    EXPECT_TRUE(sets().empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(form->Timer.isActive());
}

TEST_F(Apply, unconvertibleSetting_isReportedAndNothingIsSent) {
    start(sim::GenerateAps(2));
    select(1, 1);
    form->more_rts = QStringLiteral("12x");
    form->b_TernapplyClick();
    select(1, 2);
    form->more_rts = QStringLiteral("12x");
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Error"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("more_rts = \"12x\"")));
    EXPECT_EQ(dialogs.dialogsShown, 0);  // not even the login is asked
    EXPECT_TRUE(sets().empty());
}

TEST_F(Apply, aControlCharacterInATypedText_isRefusedShownEscaped_andNothingIsSent) {
    start(sim::GenerateAps(1));
    select(1, 1);
    // As pasted: a line edit takes control characters whole.
    edit("e_essid")->setText(QStringLiteral("lobby\x1b]0;x\a"));
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Error"));
    EXPECT_TRUE(
        dialogs.messages[0].text.contains(QStringLiteral("e_essid = \"lobby\\x1b]0;x\\x07\"")))
        << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(sets().empty());
}

// ---------------------------------------------------------------- conclusion

TEST_F(Apply, ackWithinATick_statusPageThenRefreshAfterFiveTicks_noMessage) {
    start(sim::GenerateAps(2));
    select(2, 2);
    edit("e_essid")->setText(QStringLiteral("new-ssid"));
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_TRUE(form->replies_done);
    form->TimerTimer();
    EXPECT_FALSE(form->Timer.isActive());
    EXPECT_TRUE(form->Timer_refresh.isActive());
    EXPECT_EQ(page(), 0);
    for (int i = 0; i < 4; ++i) form->Timer_refreshTimer();
    EXPECT_EQ(searches(), 0);
    form->Timer_refreshTimer();
    EXPECT_EQ(searches(), 1);
    EXPECT_FALSE(form->Timer_refresh.isActive());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(ap(1).record.ssid(), "new-ssid");
    EXPECT_EQ(ap(0).record.ssid(), "tern-0001");
}

TEST_F(Apply, refusal_reportedAsApplyFailWithTheExactLines) {
    startWithSecondApRefusing();
    select(2, 2);
    changeASetting();
    form->b_TernapplyClick();
    network.deliverPending();
    form->TimerTimer();
    tickRefresh();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    EXPECT_EQ(dialogs.messages[0].text, RefusalReport(Mac(1), QStringLiteral("TernAP-0002")));
    EXPECT_EQ(searches(), 1);
}

TEST_F(Apply, multiWithOneSilentAp_timeoutNamesIt_neverSuccess) {
    std::vector<sim::SimulatedAp> aps = ThreeAps();
    aps[1].silentOnSet = true;
    start(std::move(aps));
    select(1, 3);
    changeASetting();  // on every AP: each is sent to
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_EQ(form->reply_count, 2);
    EXPECT_FALSE(form->replies_done);
    for (int i = 0; i < 4; ++i) form->TimerTimer();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(searches(), 0);
    form->TimerTimer();  // the fifth: a new search and the report
    EXPECT_EQ(searches(), 1);
    EXPECT_FALSE(form->Timer_refresh.isActive());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply not confirmed"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("These access points did not confirm the settings:\r\n"
                             "MAC Addr.  ") +
                  Mac(1) + QStringLiteral(" --- AP Name  TernAP-0002\r\n"));
}

TEST_F(Apply, multiWithOneSilentAndOneRefusing_reportListsBoth) {
    std::vector<sim::SimulatedAp> aps = ThreeAps();
    aps[0].silentOnSet = true;
    aps[2].password = "other";
    start(std::move(aps));
    select(1, 3);
    changeASetting();  // on every AP: each is sent to
    form->b_TernapplyClick();
    network.deliverPending();
    tickApply();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const QString text = dialogs.messages[0].text;
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("These access points did not confirm the settings:\r\n"
                                       "MAC Addr.  ") +
                        Mac(0) + QStringLiteral(" --- AP Name  TernAP-0001\r\n")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("These access points refused the settings:\r\nMAC Addr.  ") +
                      Mac(2) + QStringLiteral(" --- AP Name  TernAP-0003\r\n")));
    EXPECT_TRUE(form->failed_macs.isEmpty());
}

TEST_F(Apply, singleWithNoReply_settledLikeASearchButReported) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    aps[0].silentOnSet = true;
    start(std::move(aps));
    select(1, 1);
    changeASetting();
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_EQ(form->datagram_count, 1);  // its own echo only
    form->TimerTimer();
    EXPECT_FALSE(form->Timer.isActive());
    EXPECT_EQ(searches(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("These access points did not confirm the settings:\r\nMAC Addr.  ") +
                  Mac(0) + QStringLiteral(" --- AP Name  TernAP-0001\r\n"));
}

TEST_F(Apply, ackWithoutMac_answersTheOldestRequest) {
    start(sim::GenerateAps(1));
    select(1, 1);
    aps_->simulator().aps()[0].silentOnSet = true;
    changeASetting();
    form->b_TernapplyClick();
    network.deliverPending();
    form->UDPSocketRecv(QByteArrayLiteral("kplack"));
    EXPECT_TRUE(form->replies_done);
    EXPECT_TRUE(form->unanswered_targets.isEmpty());
    form->TimerTimer();
    tickRefresh();
    EXPECT_TRUE(dialogs.messages.empty());
}

// ---------------------------------------------------------------- what is sent

TEST_F(Apply, multi_eachRecordKeepsItsOwnAddressMacAndKeys) {
    start(ThreeAps());
    select(1, 3);
    edit("e_essid")->setText(QStringLiteral("shared-ssid"));
    edit("e_apname")->setText(QStringLiteral("shared-name"));
    form->b_TernapplyClick();
    network.deliverPending();
    const auto requests = sets();
    ASSERT_EQ(requests.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const ApConfigRecord sent = RecordOfSet(requests[static_cast<std::size_t>(i)]);
        const ApConfigRecord& own = original[static_cast<std::size_t>(i)].record;
        EXPECT_EQ(sent.mac_addr(), own.mac_addr()) << i;
        EXPECT_EQ(sent.ip_addr(), own.ip_addr()) << i;
        EXPECT_EQ(sent.current_ip(), own.current_ip()) << i;
        EXPECT_EQ(sent.channel(), own.channel()) << i;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(sent.wep64_key(k), own.wep64_key(k)) << i << k;
        EXPECT_EQ(sent.ssid(), "shared-ssid");
        EXPECT_EQ(sent.ap_name(), "shared-name");
        EXPECT_EQ(ap(i).record.ssid(), "shared-ssid");
    }
}

TEST_F(Apply, unchangedRecord_comesBackAsItWasExceptTheEditedField) {
    start(sim::GenerateAps(2));
    select(2, 2);
    edit("e_essid")->setText(QStringLiteral("only-this"));
    form->b_TernapplyClick();
    network.deliverPending();
    ApConfigRecord expected = original[1].record;
    expected.set_ssid("only-this");
    expected.set_wpa_word4(0x08070000);  // the WPA words are always written
    expected.set_wpa_cipher(0x0050F202);
    const ApConfigRecord& kept = ap(1).record;
    for (int i = 0; i < static_cast<int>(net::kRecordSize); ++i) {
        EXPECT_EQ(kept.bytes()[static_cast<std::size_t>(i)],
                  expected.bytes()[static_cast<std::size_t>(i)])
            << "byte " << i;
    }
}

TEST_F(Apply, uneditedPassphrase_neverSentAsStars_single) {
    start(sim::GenerateAps(4));  // the fourth uses WPA-PSK
    select(4, 4);
    ASSERT_TRUE(edit("wpa_m_p")->text().startsWith(u'*'));
    form->b_TernapplyClick();
    network.deliverPending();
    ASSERT_EQ(sets().size(), 1u);
    EXPECT_EQ(RecordOfSet(sets()[0]).wpa_passphrase(), "correct horse battery");
    EXPECT_EQ(ap(3).record.wpa_passphrase(), "correct horse battery");
}

TEST_F(Apply, uneditedPassphrase_multi_eachApKeepsItsOwn_editedOneGoesToAll) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    for (sim::SimulatedAp& a : aps) {
        a.record.set_auth_type(3);
        a.record.set_wpa_on(1);
        a.record.set_wpa_psk(1);
    }
    aps[0].record.set_wpa_passphrase("first-phrase");
    aps[1].record.set_wpa_passphrase("second-phrase");
    start(std::move(aps));
    select(1, 2);
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_EQ(ap(0).record.wpa_passphrase(), "first-phrase");
    EXPECT_EQ(ap(1).record.wpa_passphrase(), "second-phrase");

    tickApply();
    tickRefresh();
    settleRefresh();

    // a new phrase typed into both fields goes to every AP
    select(1, 2);
    for (const char* name : {"wpa_m_p", "wpa_m_c"}) {
        QLineEdit* e = edit(name);
        e->setText(QStringLiteral("common-phrase"));
        e->setModified(true);
    }
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_EQ(ap(0).record.wpa_passphrase(), "common-phrase");
    EXPECT_EQ(ap(1).record.wpa_passphrase(), "common-phrase");
}

TEST_F(Apply, clickOrRefreshDuringTheMultiWait_doesNothing) {
    std::vector<sim::SimulatedAp> aps = ThreeAps();
    for (sim::SimulatedAp& a : aps) a.silentOnSet = true;  // every wait runs its full 300 ms
    start(std::move(aps));
    select(1, 3);
    int nested = 0;
    QTimer::singleShot(50, form.get(), [&] {
        ++nested;
        form->b_TernapplyClick();
        form->b_refreshClick();
    });
    changeASetting();  // on every AP: each is sent to
    form->b_TernapplyClick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(multiLogins, 1);
    EXPECT_EQ(sets().size(), 3u);
    network.deliverPending();
    EXPECT_EQ(searches(), 0);
}

TEST_F(Apply, afterTheApply_secretFieldsAreMasked) {
    start(sim::GenerateAps(2));
    edit("e_key1")->setEchoMode(QLineEdit::Normal);
    edit("e_pass")->setEchoMode(QLineEdit::Normal);
    select(1, 2);
    form->b_TernapplyClick();
    EXPECT_EQ(edit("e_key1")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("e_pass")->echoMode(), QLineEdit::Password);
}

// ---------------------------------------------------------------- the demo segment

// What a person does in the demo: rename one AP with the right login and see
// the new SSID after the refresh, then try the AP whose password was changed.
TEST_F(Apply, demoSegment_renameThenRefresh_andTheChangedPasswordIsRefused) {
    start(sim::DemoAps(8));
    ASSERT_EQ(grid->RowCount(), 9);
    ASSERT_EQ(grid->Cells(0, 1), QStringLiteral("Lobby"));
    select(1, 1);
    edit("e_essid")->setText(QStringLiteral("lobby-renamed"));
    form->b_TernapplyClick();
    network.deliverPending();
    tickApply();
    tickRefresh();
    EXPECT_TRUE(dialogs.messages.empty());
    settleRefresh();
    ASSERT_EQ(grid->RowCount(), 9);
    const int row = rowNamed(QStringLiteral("Lobby"));
    ASSERT_NE(row, 0);
    EXPECT_EQ(grid->Cells(2, row), QStringLiteral("lobby-renamed"));

    const int warehouse = rowNamed(QStringLiteral("Warehouse"));
    ASSERT_NE(warehouse, 0);
    const QString mac = grid->Cells(1, warehouse);
    select(warehouse, warehouse);
    edit("e_essid")->setText(QStringLiteral("never-applied"));
    form->b_TernapplyClick();
    network.deliverPending();
    tickApply();
    tickRefresh();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("MAC Addr.  ") + mac +
                                                    QStringLiteral(" --- AP Name  Warehouse\r\n")));
    EXPECT_NE(ap(4).record.ssid(), "never-applied");
}

// A second apply while the first is followed or its refusals still wait for
// their report would reset the counts and lose that report.
TEST_F(Apply, secondApplyWhileTheFirstIsUnderWay_isNotStartedAndTheReportSurvives) {
    startWithSecondApRefusing();
    select(2, 2);
    changeASetting();
    form->b_TernapplyClick();
    EXPECT_FALSE(w<QPushButton>("b_Ternapply")->isEnabled());
    form->b_TernapplyClick();  // waiting for the reply
    EXPECT_EQ(singleLogins, 1);
    network.deliverPending();
    form->TimerTimer();
    ASSERT_TRUE(form->Timer_refresh.isActive());
    EXPECT_FALSE(w<QPushButton>("b_Ternapply")->isEnabled());
    select(1, 1);
    form->b_TernapplyClick();  // the refusal report is still pending
    EXPECT_EQ(singleLogins, 1);
    EXPECT_EQ(sets().size(), 1u);
    EXPECT_FALSE(form->Timer.isActive());
    tickRefresh();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(Mac(1)));
    settleRefresh();
    EXPECT_TRUE(w<QPushButton>("b_Ternapply")->isEnabled());
    select(1, 1);
    changeASetting();
    form->b_TernapplyClick();
    EXPECT_EQ(singleLogins, 2);
}

TEST_F(Apply, refreshWhileTheRefusalReportIsPending_theReportStillComes) {
    startWithSecondApRefusing();
    select(2, 2);
    changeASetting();
    form->b_TernapplyClick();
    network.deliverPending();
    form->TimerTimer();
    ASSERT_TRUE(form->Timer_refresh.isActive());
    form->b_refreshClick();
    settleRefresh();
    EXPECT_FALSE(w<QPushButton>("b_Ternapply")->isEnabled());
    select(1, 1);
    form->b_TernapplyClick();
    EXPECT_EQ(singleLogins, 1);
    tickRefresh();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(Mac(1)));
}

// ---------------------------------------------------------------- selecting by hand

namespace {

void Press(QWidget* target, QPoint at, Qt::KeyboardModifiers modifiers) {
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

}  // namespace

// The apply goes to every row from the top to the bottom of the selection, so
// the list must never hold a selection with a gap the user cannot see.
TEST_F(Apply, ctrlClickingTwoRows_selectsTheWholeBlockTheApplyWillUse) {
    start(ThreeAps());
    const auto rowPoint = [this](int row) {
        return grid->visualRect(grid->model()->index(row - 1, 0)).center();
    };
    Press(grid->viewport(), rowPoint(1), Qt::NoModifier);
    Press(grid->viewport(), rowPoint(3), Qt::ControlModifier);
    const TQuillGrid::GridRect selection = grid->Selection();
    const int selectedRows = static_cast<int>(grid->selectionModel()->selectedRows().size());
    EXPECT_EQ(selectedRows, selection.Bottom - selection.Top + 1);
    changeASetting();  // on every AP: each is sent to
    form->b_TernapplyClick();
    EXPECT_EQ(sets().size(), static_cast<std::size_t>(selectedRows));
}

// The form shows the current row's AP; a single apply must go to that AP.
TEST_F(Apply, ctrlDownMovesTheRow_theApplyGoesToTheApTheFormShows) {
    start(ThreeAps());
    select(1, 1);
    grid->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ControlModifier);
    QCoreApplication::sendEvent(grid, &down);
    ASSERT_EQ(grid->Row(), 2);
    EXPECT_EQ(label("l_mac")->text(), Mac(1));
    changeASetting();
    form->b_TernapplyClick();
    const auto requests = sets();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(tern::record::MacText(RecordOfSet(requests[0]).mac_addr()), Mac(1));
    EXPECT_EQ(form->apply_name, grid->Cells(0, 2));
}
