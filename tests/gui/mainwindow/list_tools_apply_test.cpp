// An apply to several APs of a sorted list while replies still come in:
// each request carries its own AP's record and login, whatever the list
// does meanwhile; and an AP the review shows with nothing to change is not
// sent to.
#include "tests/gui/mainwindow/list_tools_support.h"

namespace tern::test::apply_fixture {
namespace {

class ListDuringApply : public ListTools {
  protected:
    // Three APs, each with a password of its own ("pw0".."pw2" by the last
    // byte of its MAC); the multi-AP login types, on each of its rows, the
    // password of the MAC that row shows.
    void startWithOwnPasswords() {
        std::vector<sim::SimulatedAp> aps = ThreeAps();
        for (std::size_t i = 0; i < aps.size(); ++i) {
            aps[i].password = "pw" + QByteArray::number(static_cast<int>(i));
        }
        start(std::move(aps));
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
        dialogs.onDialog = [this](QDialog& d) {
            auto* multi = dynamic_cast<gui::TMulUsrPassFm*>(&d);
            if (multi == nullptr) return login(d);
            ++multiLogins;
            TQuillGrid* g = multi->grid();
            for (int r = 1; r < g->RowCount(); ++r) {
                loginMacs << g->Cells(1, r);
                g->setCell(2, r, QStringLiteral("admin"));
                g->setCell(5, r, passwordOf(g->Cells(1, r)));
            }
            multi->b_okClick();
            return d.result();
        };
    }
    static QString passwordOf(const QString& mac) {
        return QStringLiteral("pw") + QString::number(mac.right(2).toInt(nullptr, 16));
    }
    // Each request went to one of the three APs with that AP's own record
    // (its unedited keys) and its own login.
    void expectEachRequestIsItsApsOwn(std::size_t count) {
        const std::vector<QByteArray> out = sets();
        ASSERT_EQ(out.size(), count);
        for (const QByteArray& set : out) {
            const ApConfigRecord sent = RecordOfSet(set);
            const QString mac = tern::record::MacText(sent.mac_addr());
            const int i = sent.mac_addr()[5];
            ASSERT_LT(i, 3) << mac.toStdString();
            const ApConfigRecord& own = original[static_cast<std::size_t>(i)].record;
            for (int k = 0; k < 4; ++k) EXPECT_EQ(sent.wep64_key(k), own.wep64_key(k)) << i << k;
            EXPECT_EQ(QString::fromLatin1(sent.mgmt_pass()), passwordOf(mac)) << i;
        }
    }
    QStringList loginMacs;
};

TEST_F(ListDuringApply, aReplyDuringTheReview_thatSortsFirst_movesNoTargetOfTheApply) {
    startWithOwnPasswords();
    clickHeader(0);  // by name: TernAP-0001, -0002, -0003
    select(1, 3);
    changeASetting();
    // The search is still taking replies: a new AP that sorts before the
    // targets answers while the review is open.
    dialogs.onReview = [this](QDialog&) {
        lateReply(3, "TernAP-0000");
        return QDialog::Accepted;
    };
    form->b_TernapplyClick();
    ASSERT_EQ(dialogs.reviewsShown, 1);
    EXPECT_EQ(loginMacs, (QStringList{Mac(0), Mac(1), Mac(2)}));
    expectEachRequestIsItsApsOwn(3);
    network.deliverPending();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ap(i).setsTaken, 1) << i;  // each took its own login
    // Once the requests are out, the new AP takes its place in the order.
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0000"));
    EXPECT_EQ(grid->RowCount(), 5);
    expectEveryRowKeepsItsAp();
}

TEST_F(ListDuringApply, aReplyDuringTheLogin_changesNeitherTheLoginsNorTheRecords) {
    startWithOwnPasswords();
    clickHeader(0);
    clickHeader(0);  // reversed: TernAP-0003, -0002, -0001
    select(1, 3);
    changeASetting();
    const auto typeLogins = dialogs.onDialog;
    dialogs.onDialog = [this, typeLogins](QDialog& d) {
        lateReply(3, "TernAP-0009");  // sorts first in this order
        return typeLogins(d);
    };
    form->b_TernapplyClick();
    EXPECT_EQ(loginMacs, (QStringList{Mac(2), Mac(1), Mac(0)}));
    expectEachRequestIsItsApsOwn(3);
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0009"));
    expectEveryRowKeepsItsAp();
}

// ---------------------------------------------------------------- per AP

// Three APs alike in every setting an apply to several writes (the name
// among them), their SSIDs aside ("same" unless given).
std::vector<sim::SimulatedAp> LookAlikeAps(const QList<QByteArray>& ssids = {}) {
    std::vector<sim::SimulatedAp> aps;
    for (int i = 0; i < 3; ++i) {
        sim::SimulatedAp ap = sim::GenerateAps(1).front();
        ap.record.set_mac_addr({0x02, 0x54, 0x45, 0x00, 0x00, static_cast<std::uint8_t>(i)});
        ap.record.set_ssid(ssids.value(i, "same"));
        aps.push_back(std::move(ap));
    }
    return aps;
}

TEST_F(ListTools, multiApply_anApWithNothingToChange_isReviewedButNeitherAskedNorSentTo) {
    start(LookAlikeAps({"one", "two", "three"}));
    readReviews();
    select(1, 3);
    edit("e_essid")->setText(QStringLiteral("two"));  // what the second AP holds
    form->b_TernapplyClick();
    ASSERT_EQ(reviews.size(), 1);
    EXPECT_TRUE(reviews[0].contains(QStringLiteral("  nothing to change")));
    // the login asks for the two that change, and only they are sent to
    EXPECT_EQ(multiRows.size(), 2);
    const std::vector<QByteArray> out = sets();
    ASSERT_EQ(out.size(), 2u);
    QStringList sentTo;
    for (const QByteArray& set : out) {
        const ApConfigRecord sent = RecordOfSet(set);
        sentTo << tern::record::MacText(sent.mac_addr());
        EXPECT_EQ(sent.ssid(), "two");
    }
    EXPECT_EQ(sentTo, (QStringList{Mac(0), Mac(2)}));
    network.deliverPending();
    EXPECT_EQ(ap(1).setsTaken, 0);
    // Two answers were expected, and both came: no AP is reported silent.
    tickApply();
    tickRefresh();
    settleRefresh();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(w<QPushButton>("b_Ternapply")->isEnabled());
}

TEST_F(ListTools, multiApply_nothingToChangeOnAnyAp_saysSo_sendsNothing) {
    start(LookAlikeAps());
    readReviews();
    select(1, 3);
    form->b_TernapplyClick();
    EXPECT_TRUE(reviews.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Nothing to change: the access points already hold these settings."));
    EXPECT_EQ(multiLogins, 0);
    EXPECT_TRUE(sets().empty());
    EXPECT_FALSE(form->Timer.isActive());
}

}  // namespace
}  // namespace tern::test::apply_fixture
