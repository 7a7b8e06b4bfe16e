// The main window on a host with two segments (in memory): the list names
// each AP's interface, and an apply goes out only where its AP answered.
#include "tests/gui/mainwindow/apply_support.h"

namespace tern::test::apply_fixture {
namespace {

class WindowOnTwoSegments : public Apply {
  protected:
    void startOn(const QList<net::NetInterface>& segments) {
        socket->setSegments(segments);
        first = std::make_unique<sim::InMemorySimulator>(
            network, sim::ApSimulator(sim::GenerateAps(2)), net::kDefaultPort, 1);
        if (segments.size() > 1) {
            second = std::make_unique<sim::InMemorySimulator>(
                network, sim::ApSimulator(sim::GenerateAps(2, 2)), net::kDefaultPort, 2);
        }
        network.attach(&onFirst, net::kDefaultPort, 1);
        network.attach(&onSecond, net::kDefaultPort, 2);
        form->FormActivate();
        network.deliverPending();
        form->ShowPendingRecord();
        form->TimerTimer();
        grid = w<TQuillGrid>("l_title");
        dialogs.onDialog = [this](QDialog& d) { return login(d); };
    }
    void TearDown() override {
        network.detach(&onFirst);
        network.detach(&onSecond);
        Apply::TearDown();
    }
    int rowOf(const QString& mac) const {
        for (int r = 1; r < grid->RowCount(); ++r) {
            if (grid->Cells(1, r) == mac) return r;
        }
        return 0;
    }
    static QStringList SetMacs(const Recorder& r) {
        QStringList macs;
        for (const QByteArray& set : r.sets())
            macs << tern::record::MacText(RecordOfSet(set).mac_addr());
        return macs;
    }

    std::unique_ptr<sim::InMemorySimulator> first, second;
    Recorder onFirst, onSecond;
};

const QList<net::NetInterface> kTwo = {{1, QStringLiteral("eth0")}, {2, QStringLiteral("wlan0")}};

TEST_F(WindowOnTwoSegments, theFifthColumnNamesEachApsInterface) {
    startOn(kTwo);
    ASSERT_EQ(grid->RowCount(), 5);
    for (int i = 0; i < 4; ++i) {
        const int row = rowOf(Mac(i));
        ASSERT_GT(row, 0) << i;
        EXPECT_EQ(grid->Cells(4, row), i < 2 ? QStringLiteral("eth0") : QStringLiteral("wlan0"));
    }
}

TEST_F(WindowOnTwoSegments, oneInterface_theFifthColumnStaysEmpty) {
    startOn({{1, QStringLiteral("eth0")}});
    ASSERT_EQ(grid->RowCount(), 3);
    EXPECT_TRUE(grid->Cells(4, 1).isEmpty());
    EXPECT_TRUE(grid->Cells(4, 2).isEmpty());
}

TEST_F(WindowOnTwoSegments, singleApply_toAnApOfTheSecondSegment_goesOutOnlyThere) {
    startOn(kTwo);
    const int row = rowOf(Mac(3));
    select(row, row);
    edit("e_essid")->setText(QStringLiteral("moved"));
    form->b_TernapplyClick();
    network.deliverPending();
    EXPECT_EQ(SetMacs(onSecond), QStringList{Mac(3)});
    EXPECT_TRUE(SetMacs(onFirst).isEmpty());
    EXPECT_EQ(second->simulator().setsAccepted(), 1);
    EXPECT_EQ(first->simulator().setsAccepted(), 0);
}

TEST_F(WindowOnTwoSegments, multiApply_eachApsRequestThroughItsOwnInterface) {
    startOn(kTwo);
    select(1, 4);
    edit("e_essid")->setText(QStringLiteral("everywhere"));
    form->b_TernapplyClick();
    network.deliverPending();
    tickApply();
    QStringList firstMacs = SetMacs(onFirst), secondMacs = SetMacs(onSecond);
    firstMacs.sort();
    secondMacs.sort();
    EXPECT_EQ(firstMacs, (QStringList{Mac(0), Mac(1)}));
    EXPECT_EQ(secondMacs, (QStringList{Mac(2), Mac(3)}));
    EXPECT_EQ(first->simulator().setsAccepted(), 2);
    EXPECT_EQ(second->simulator().setsAccepted(), 2);
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace tern::test::apply_fixture
