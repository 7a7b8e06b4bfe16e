// Which AP an acknowledgement or refusal is credited to, what the reports
// then say, and timer ticks that arrive while the apply's dialogs are open.
#include <QCoreApplication>
#include <QLineEdit>
#include <functional>

#include "tests/gui/mainwindow/apply_support.h"

using namespace tern::test::apply_fixture;

namespace {

// Answers the program's set requests as a test wants: request n (from 0)
// gets the datagrams answers(n) gives.
class Responder : public net::InMemoryNetwork::Endpoint {
  public:
    Responder(net::InMemoryNetwork& network, std::function<std::vector<QByteArray>(int)> answers)
        : network_(network), answers_(std::move(answers)) {
        network_.attach(this, net::kDefaultPort);
    }
    ~Responder() override { network_.detach(this); }
    void deliver(const QByteArray& datagram, int) override {
        if (!datagram.startsWith("kplset")) return;
        for (const QByteArray& answer : answers_(requests_++)) {
            network_.send(answer, net::kDefaultPort);
        }
    }

  private:
    net::InMemoryNetwork& network_;
    std::function<std::vector<QByteArray>(int)> answers_;
    int requests_ = 0;
};

QByteArray Answer(const char* tag, const QString& mac) {
    QByteArray datagram(tag);
    datagram += '\0';
    const auto bytes = tern::record::ParseMacText(mac);
    datagram.append(reinterpret_cast<const char*>(bytes->data()), 6);
    return datagram;
}

std::vector<sim::SimulatedAp> SilentAps(int count) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(count);
    for (sim::SimulatedAp& ap : aps) ap.silentOnSet = true;
    return aps;
}

// Runs the event loop until the multi-AP apply has sent all its requests.
void SettleDelivery(net::InMemoryNetwork& network) {
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        network.deliverPending();
    }
}

const QString kForeignMac = QStringLiteral("02-99-99-99-99-99");

class ApplyReplies : public Apply {
  protected:
    // An apply to rows 1..count, every request sent and every answer in.
    void applyToAll(int count) {
        select(1, count);
        changeASetting();
        form->b_TernapplyClick();
        SettleDelivery(network);
    }
};

}  // namespace

TEST_F(ApplyReplies, acksWithoutMac_firstOfThreeSilent_theReportNamesTheSilentOne) {
    start(SilentAps(3));
    Responder responder(network, [](int n) {
        return n == 0 ? std::vector<QByteArray>{} : std::vector<QByteArray>{"kplack"};
    });
    applyToAll(3);
    EXPECT_EQ(form->reply_count, 2);
    tickApply();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply not confirmed"));
    EXPECT_EQ(dialogs.messages[0].text, UnconfirmedReport(Mac(0), QStringLiteral("TernAP-0001")));
}

TEST_F(ApplyReplies, everyReplyCame_oneNamingAnotherMac_noUnconfirmed_theRefusalReport) {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
    aps[1].silentOnSet = true;
    start(std::move(aps));
    Responder responder(network, [](int n) {
        return n == 1 ? std::vector<QByteArray>{Answer("kplerr", kForeignMac)}
                      : std::vector<QByteArray>{};
    });
    applyToAll(2);
    EXPECT_EQ(form->reply_count, 2);
    EXPECT_TRUE(form->replies_done);
    form->TimerTimer();
    ASSERT_TRUE(form->Timer_refresh.isActive());
    tickRefresh();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    // credited to the request it answered: the second AP's
    EXPECT_EQ(dialogs.messages[0].text, RefusalReport(Mac(1), QStringLiteral("TernAP-0002")));
}

TEST_F(ApplyReplies, acksThatCannotBeToldApart_theReportCountsAndNamesNoAp) {
    start(SilentAps(3));
    // two answers to the first request, none to the others: one of the two
    // may have come from the second or third AP
    Responder responder(network, [](int n) {
        return n == 0 ? std::vector<QByteArray>{"kplack", "kplack"} : std::vector<QByteArray>{};
    });
    applyToAll(3);
    EXPECT_EQ(form->reply_count, 2);
    tickApply();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const QString text = dialogs.messages[0].text;
    EXPECT_EQ(text, QStringLiteral("Expected answers that did not come: 1\r\n"
                                   "Answers that could not be matched to an access point: 1\r\n"));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(text.contains(Mac(i))) << i;
}

TEST_F(ApplyReplies, acksCarryingTheirMacs_creditedByMac_whateverTheirOrder) {
    start(SilentAps(3));
    // the third AP's answer comes with the second request, the second AP's
    // with the third
    Responder responder(network, [](int n) {
        if (n == 1) return std::vector<QByteArray>{Answer("kplack", Mac(2))};
        if (n == 2) return std::vector<QByteArray>{Answer("kplack", Mac(1))};
        return std::vector<QByteArray>{};
    });
    applyToAll(3);
    tickApply();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.toStdString(),
              UnconfirmedReport(Mac(0), QStringLiteral("TernAP-0001")).toStdString());
}

TEST_F(ApplyReplies, strayRefusalNamingNoTarget_isNeverReportedAsTheApsRefusal) {
    start(sim::GenerateAps(1));  // the AP accepts, with its MAC
    Responder responder(network,
                        [](int) { return std::vector<QByteArray>{Answer("kplerr", kForeignMac)}; });
    applyToAll(1);
    EXPECT_TRUE(form->failed_macs.isEmpty());
    form->TimerTimer();
    tickRefresh();
    EXPECT_TRUE(dialogs.messages.empty());
}

// ---------------------------------------------------------------- ticks during dialogs

TEST_F(Apply, tickWhileTheLoginIsOpen_theSearchSettles_andTheSilentApplyEndsWithANewSearch) {
    start(SilentAps(2));
    form->b_refreshClick();  // a search under way: its settling tick is still to come
    network.deliverPending();
    form->ShowPendingRecord();
    recorder.seen.clear();
    select(1, 1);
    changeASetting();
    int ticksInDialog = 0;
    bool settledInDialog = false;
    dialogs.onDialog = [&](QDialog& d) {
        form->TimerTimer();  // the 2-s tick arrives while the dialog is up
        ++ticksInDialog;
        settledInDialog = !form->Timer.isActive();
        return login(d);
    };
    form->b_TernapplyClick();
    EXPECT_EQ(ticksInDialog, 1);
    EXPECT_TRUE(settledInDialog);
    EXPECT_FALSE(form->refresh_skip);
    ASSERT_EQ(sets().size(), 1u);
    network.deliverPending();
    form->TimerTimer();  // no answer: settled like a search, and refreshed
    EXPECT_EQ(searches(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply not confirmed"));
}

TEST_F(Apply, applyRightAfterARefresh_theSilentApplyStillEndsWithANewSearch) {
    start(SilentAps(1));
    form->b_refreshClick();
    network.deliverPending();
    form->ShowPendingRecord();
    recorder.seen.clear();
    select(1, 1);
    changeASetting();
    form->b_TernapplyClick();  // before the search's settling tick
    ASSERT_EQ(sets().size(), 1u);
    network.deliverPending();
    form->TimerTimer();
    EXPECT_EQ(searches(), 1);
}

TEST_F(Apply, checksMessageOpenAcrossATick_theTickIsNotLost) {
    start(SilentAps(1));
    form->b_refreshClick();
    network.deliverPending();
    form->ShowPendingRecord();
    select(1, 1);
    edit("wpa_m_p")->setText(QStringLiteral("one"));  // confirmation differs: a message
    int ticks = 0;
    dialogs.onMessage = [this, &ticks](const tern::gui::DialogSeam::Message&) {
        if (ticks++ == 0) form->TimerTimer();
    };
    form->b_TernapplyClick();
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(form->Timer.isActive());  // the search settled in its time
    EXPECT_FALSE(form->refresh_skip);
}
