// The main window's apply over real UDP against tern-ap-sim, timers running
// for real. Runs only inside tools/isolated-net; the first check refuses any
// other network.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <cstring>
#include <functional>

#include "core/net/network_guard.h"
#include "core/net/protocol.h"
#include "core/net/qt_udp_socket_control.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "gui/dialogs/tmul_usr_pass_fm.h"
#include "gui/dialogs/tusr_pass_fm.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "tests/support/net_test_support.h"
#include "tests/support/recording_dialog_seam.h"
#include "tests/support/window_over_udp.h"

using namespace tern;
using tern::test::SimProcess;

namespace {

using test::FixedScreen;
using test::PumpUntil;

class ApplyOverUdp : public tern::test::IsolatedNetworkTest {
  protected:
    void SetUp() override {
        tern::test::IsolatedNetworkTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        dialogs.onDialog = [](QDialog& d) {
            if (auto* single = dynamic_cast<gui::TUsrPassFm*>(&d)) {
                d.findChild<QLineEdit*>(QStringLiteral("mng_e_name"))
                    ->setText(QStringLiteral("admin"));
                d.findChild<QLineEdit*>(QStringLiteral("mng_e_pass"))
                    ->setText(QStringLiteral("admin"));
                single->b_okClick();
            } else if (auto* multi = dynamic_cast<gui::TMulUsrPassFm*>(&d)) {
                gui::TQuillGrid* g = multi->grid();
                for (int r = 1; r < g->RowCount(); ++r) {
                    g->setCell(2, r, QStringLiteral("admin"));
                    g->setCell(5, r, QStringLiteral("admin"));
                }
                multi->b_okClick();
            }
            return d.result();
        };
    }

    // The window, its first search settled with `count` APs listed.
    void open(int count) {
        form = std::make_unique<gui::TMainFm>(std::make_unique<net::QtUdpSocketControl>(), dialogs,
                                              screen);
        form->lang_file = QStringLiteral("absent.ini");
        form->show();
        form->FormActivate();
        ASSERT_TRUE(form->UDPSocket->isOpen());
        grid = form->findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
        ASSERT_TRUE(PumpUntil([&] { return !form->Timer.isActive(); }, 10000));
        ASSERT_EQ(listed(), count);
    }
    void TearDown() override {
        if (form) form->FormDestroy();
    }

    int listed() const { return test::ListedAps(*grid); }
    int rowOf(const QString& mac) const { return test::RowOfMac(*grid, mac); }
    void apply(int top, int bottom, const QString& ssid) {
        grid->setSelection({0, top, grid->ColCount() - 1, bottom});
        form->findChild<QLineEdit*>(QStringLiteral("e_essid"))->setText(ssid);
        form->b_TernapplyClick();
    }
    // The apply's conclusion and the search after it, with every AP back.
    bool concluded(int count) {
        return PumpUntil(
            [&] {
                return !form->Timer.isActive() && !form->Timer_refresh.isActive() &&
                       !form->applyOutstanding() && listed() == count;
            },
            30000);
    }

    test::RecordingDialogSeam dialogs;
    FixedScreen screen;
    std::unique_ptr<gui::TMainFm> form;
    gui::TQuillGrid* grid = nullptr;
};

QString MacOf(int index) {
    return record::MacText(
        sim::GenerateAps(index + 1)[static_cast<std::size_t>(index)].record.mac_addr());
}

}  // namespace

TEST_F(ApplyOverUdp, multiApply_twoAcceptOneRefuses_refusalReportedAndListRefreshed) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--ap-login"),
                    QStringLiteral("3:root:other")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    open(3);
    apply(1, 3, QStringLiteral("net-new"));
    ASSERT_TRUE(concluded(3));

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("MAC Addr.  ") + MacOf(2) +
                                            QStringLiteral(" --- AP Name  TernAP-0003\r\n"
                                                           "ID or Password Error!\r\n"
                                                           "The Apply Settings is not accept!"));
    EXPECT_EQ(grid->Cells(2, rowOf(MacOf(0))), QStringLiteral("net-new"));
    EXPECT_EQ(grid->Cells(2, rowOf(MacOf(1))), QStringLiteral("net-new"));
    EXPECT_EQ(grid->Cells(2, rowOf(MacOf(2))), QStringLiteral("tern-0003"));
}

TEST_F(ApplyOverUdp, multiApply_oneSilentAp_endsByTimeoutAndReportsIt) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("3"),
                    QStringLiteral("--silent-on-set"), QStringLiteral("1")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    open(3);
    QElapsedTimer clock;
    clock.start();
    apply(1, 3, QStringLiteral("net-new"));
    ASSERT_TRUE(concluded(3));
    EXPECT_GE(clock.elapsed(), 9000);  // five ticks of Timer

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply not confirmed"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("These access points did not confirm the settings:\r\nMAC Addr.  ") +
                  MacOf(0) + QStringLiteral(" --- AP Name  TernAP-0001\r\n"));
    EXPECT_EQ(grid->Cells(2, rowOf(MacOf(0))), QStringLiteral("tern-0001"));
    EXPECT_EQ(grid->Cells(2, rowOf(MacOf(1))), QStringLiteral("net-new"));
}

TEST_F(ApplyOverUdp, singleApply_recordRoundTripsExceptTheEditedField) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("3")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    open(3);
    const int row = rowOf(MacOf(1));
    ASSERT_GT(row, 0);
    const QByteArray before = form->PacketOfRow(row);
    apply(row, row, QStringLiteral("round-trip"));
    ASSERT_TRUE(concluded(3));
    EXPECT_TRUE(dialogs.messages.empty());

    const QByteArray after = form->PacketOfRow(rowOf(MacOf(1)));
    ASSERT_EQ(after.size(), before.size());
    net::RecordBytes bytes{};
    std::memcpy(bytes.data(), before.constData() + net::kReplyHeaderSize, bytes.size());
    record::ApConfigRecord expected(bytes);
    expected.set_ssid("round-trip");
    expected.set_wpa_word4(0x08070000);  // written by every build
    expected.set_wpa_cipher(0x0050F202);
    const QByteArray want = before.left(net::kReplyHeaderSize) + expected.toByteArray();
    for (qsizetype i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i], want[i]) << "packet byte " << i;
    }
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
