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
            auto* multi = dynamic_cast<ui::TMulUsrPassFm*>(&d);
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
            const QString mac = tern::config::MacText(sent.mac_addr());
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

}  // namespace
}  // namespace tern::test::apply_fixture
