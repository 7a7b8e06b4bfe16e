// The program's main window over real UDP against tern-ap-sim. Runs only
// inside tools/isolated-net; the first check refuses any other network.
#include "tests/support/net_test_support.h"
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <map>

#include "app/record_view.h"
#include "app/tmain_fm.h"
#include "app/tquill_grid.h"
#include "config/ap_config_record.h"
#include "config/net_types.h"
#include "link/network_guard.h"
#include "link/qt_udp_socket_control.h"
#include "tests/support/recording_dialog_seam.h"
#include "tools/simulator/ap_simulator.h"

using namespace tern;
using tern::test::SimProcess;

namespace {

class FixedScreen : public app::ScreenInfo {
  public:
    QSize screenSize() const override { return {1280, 1024}; }
};

using WindowOverUdp = tern::test::IsolatedNetworkTest;

}  // namespace

TEST_F(WindowOverUdp, thousandSimulatedAps_eachListedOnceWithItsCells) {
    constexpr int kCount = 1000;
    SimProcess sim({QStringLiteral("--count"), QString::number(kCount),
                    QStringLiteral("--max-requests"), QStringLiteral("1")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();

    test::RecordingDialogSeam dialogs;
    FixedScreen screen;
    app::TMainFm form(std::make_unique<link::QtUdpSocketControl>(), dialogs, screen);
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

    std::map<QString, config::ApConfigRecord> expected;
    for (const sim::SimulatedAp& ap : sim::GenerateAps(kCount)) {
        expected.emplace(config::MacText(ap.record.mac_addr()), ap.record);
    }
    auto* grid = form.findChild<app::TQuillGrid*>(QStringLiteral("l_title"));
    ASSERT_EQ(grid->RowCount() - 1, kCount);
    EXPECT_EQ(form.found_macs.size(), kCount);
    std::set<QString> seen;
    for (int r = 1; r <= kCount; ++r) {
        const QString mac = grid->Cells(1, r);
        ASSERT_TRUE(expected.count(mac)) << r << " " << mac.toStdString();
        EXPECT_TRUE(seen.insert(mac).second) << mac.toStdString();
        const app::ApListCells cells = app::ListCellsOf(expected.at(mac));
        EXPECT_EQ(grid->Cells(0, r), QString::fromLatin1(cells.name)) << r;
        EXPECT_EQ(grid->Cells(2, r), QString::fromLatin1(cells.ssid)) << r;
        EXPECT_EQ(grid->Cells(3, r), cells.wep) << r;
        EXPECT_EQ(form.PacketOfRow(r).size(), 1180) << r;
    }
    EXPECT_TRUE(dialogs.messages.empty());
    form.FormDestroy();
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
