// The old-firmware warning never holds up reception: it opens once the
// receive handler has returned, and while it is up the window goes on
// reading, a flood of hostile datagrams included.
#include <QCoreApplication>

#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "tests/gui/mainwindow/main_window_support.h"
#include "tests/support/hostile_datagrams.h"

namespace tern::test {
namespace {

namespace sim = tern::sim;

QByteArray OldFirmwareReply() {
    return QByteArrayLiteral("MX9000AP-QA1-Z00     -01") + QByteArray(100, 'x');
}

class OldFirmwareWarning : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->FormActivate();
        network.deliverPending();  // the search's own echo
        grid = w<gui::TQuillGrid>("l_title");
        aps = sim::GenerateAps(6);
    }
    void sendAp(int i) {
        network.send(sim::ApSimulator::DiscoveryPayload(aps[static_cast<std::size_t>(i)]),
                     net::kDefaultPort);
    }
    // What a modal box's own event loop would do while it is up.
    void runEventLoop() {
        for (int i = 0; i < 50; ++i) {
            QCoreApplication::processEvents();
            network.deliverPending();
        }
    }
    int listed() const { return grid->Cells(1, 1).isEmpty() ? 0 : grid->RowCount() - 1; }

    gui::TQuillGrid* grid = nullptr;
    std::vector<sim::SimulatedAp> aps;
};

TEST_F(OldFirmwareWarning, oldReplyFirstInABurst_theRestIsListedBeforeTheWarningOpens) {
    int listedAtWarning = -1;
    dialogs.onMessage = [&](const gui::DialogSeam::Message&) { listedAtWarning = listed(); };
    network.send(OldFirmwareReply(), net::kDefaultPort);
    for (int i = 0; i < 3; ++i) sendAp(i);
    runEventLoop();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Detect old firmware"));
    EXPECT_EQ(listedAtWarning, 3);
    // a search that heard from APs settles as a search
    EXPECT_FALSE(form->busy);
}

TEST_F(OldFirmwareWarning, whileItIsUp_aFloodOfHostileDatagrams_theWindowKeepsReading) {
    int listedDuringWarning = -1;
    dialogs.onMessage = [&](const gui::DialogSeam::Message&) {
        // the box is up: more answers, a flood, another old AP
        sendAp(3);
        for (const QByteArray& d : HostileDatagrams(20000)) network.send(d, net::kDefaultPort);
        network.send(OldFirmwareReply(), net::kDefaultPort);
        sendAp(4);
        runEventLoop();
        listedDuringWarning = listed();
    };
    network.send(OldFirmwareReply(), net::kDefaultPort);
    sendAp(0);
    runEventLoop();
    ASSERT_EQ(dialogs.messages.size(), 1u);  // once, however many old APs answer
    EXPECT_EQ(listedDuringWarning, 3);
    sendAp(5);
    runEventLoop();
    EXPECT_EQ(listed(), 4);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace tern::test
