// The program's main window over real UDP against tern-ap-sim. Runs only
// inside tools/isolated-net; the first check refuses any other network.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QUdpSocket>
#include <functional>
#include <map>

#include "core/form/record_view.h"
#include "core/net/network_guard.h"
#include "core/net/qt_udp_socket_control.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "tests/support/hostile_datagrams.h"
#include "tests/support/net_test_support.h"
#include "tests/support/recording_dialog_seam.h"
#include "tests/support/window_over_udp.h"

using namespace tern;
using tern::test::SimProcess;

namespace {

using test::FixedScreen;

using WindowOverUdp = tern::test::IsolatedNetworkTest;

}  // namespace

TEST_F(WindowOverUdp, thousandSimulatedAps_eachListedOnceWithItsCells) {
    constexpr int kCount = 1000;
    SimProcess sim({QStringLiteral("--count"), QString::number(kCount),
                    QStringLiteral("--max-requests"), QStringLiteral("1")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();

    test::RecordingDialogSeam dialogs;
    FixedScreen screen;
    gui::TMainFm form(std::make_unique<net::QtUdpSocketControl>(), dialogs, screen);
    form.lang_file = QStringLiteral("absent.ini");
    form.show();
    form.FormActivate();  // opens the socket and sends the first search
    ASSERT_TRUE(form.UDPSocket->isOpen());

    // The 2-second tick settles the search; being a refresh, it starts no other.
    QElapsedTimer t;
    t.start();
    while (form.Timer.isActive() && t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_FALSE(form.Timer.isActive());
    EXPECT_FALSE(form.busy);

    std::map<QString, record::ApConfigRecord> expected;
    for (const sim::SimulatedAp& ap : sim::GenerateAps(kCount)) {
        expected.emplace(record::MacText(ap.record.mac_addr()), ap.record);
    }
    auto* grid = form.findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
    ASSERT_EQ(grid->RowCount() - 1, kCount);
    EXPECT_EQ(form.found_macs.size(), kCount);
    std::set<QString> seen;
    for (int r = 1; r <= kCount; ++r) {
        const QString mac = grid->Cells(1, r);
        ASSERT_TRUE(expected.count(mac)) << r << " " << mac.toStdString();
        EXPECT_TRUE(seen.insert(mac).second) << mac.toStdString();
        const form::ApListCells cells = form::ListCellsOf(expected.at(mac));
        EXPECT_EQ(grid->Cells(0, r), QString::fromLatin1(cells.name)) << r;
        EXPECT_EQ(grid->Cells(2, r), QString::fromLatin1(cells.ssid)) << r;
        EXPECT_EQ(grid->Cells(3, r), cells.wep) << r;
        EXPECT_EQ(form.PacketOfRow(r).size(), 1180) << r;
    }
    EXPECT_TRUE(dialogs.messages.empty());
    form.FormDestroy();
}

// The warning about an old AP is up (a modal box) while a flood of hostile
// datagrams arrives, and then more answers: the window keeps reading them,
// and the warning is shown once.
TEST_F(WindowOverUdp, oldFirmwareWarningUp_hostileFlood_theWindowKeepsReading) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("3"),
                    QStringLiteral("--old-firmware"), QStringLiteral("1"),
                    QStringLiteral("--max-requests"), QStringLiteral("1")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();

    test::RecordingDialogSeam dialogs;
    FixedScreen screen;
    gui::TMainFm form(std::make_unique<net::QtUdpSocketControl>(), dialogs, screen);
    form.lang_file = QStringLiteral("absent.ini");
    auto* grid = form.findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
    const auto listed = [grid] { return test::ListedAps(*grid); };

    // New APs, answering as plain replies once the flood is over.
    const std::vector<sim::SimulatedAp> more = sim::GenerateAps(8);
    int listedWhileUp = -1;
    dialogs.onMessage = [&](const gui::DialogSeam::Message&) {
        QUdpSocket sender;
        // IPv4 only: a dual-stack socket cannot send to the broadcast address.
        ASSERT_TRUE(sender.bind(QHostAddress::AnyIPv4, 0));
        // Bounded: 50,000 datagrams, then the box's event loop runs.
        for (const QByteArray& d : test::HostileDatagrams(50000)) {
            sender.writeDatagram(d, QHostAddress::Broadcast, net::kDefaultPort);
        }
        test::PumpUntil([] { return false; }, 500);
        for (std::size_t i = 3; i < more.size(); ++i) {
            sender.writeDatagram(sim::ApSimulator::DiscoveryPayload(more[i]),
                                 QHostAddress::Broadcast, net::kDefaultPort);
        }
        test::PumpUntil([&] { return listed() == 7; }, 5000);
        listedWhileUp = listed();
    };
    form.show();
    form.FormActivate();
    ASSERT_TRUE(form.UDPSocket->isOpen());
    ASSERT_TRUE(test::PumpUntil([&] { return !dialogs.messages.empty(); }, 5000));
    EXPECT_EQ(listedWhileUp, 7);  // two from the search, five while the box was up
    EXPECT_EQ(dialogs.messages.size(), 1u);
    form.FormDestroy();
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
