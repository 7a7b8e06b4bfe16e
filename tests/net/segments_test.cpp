// A host with two network segments, the default route on the first only,
// and a simulator with APs of its own on each (tools/isolated-net
// --segments 2 --sim ... --sim-count 3): both front ends find every AP on
// the interface it is behind, an apply reaches only the AP's segment, and
// --interface limits the search.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <functional>

#include "core/net/net_interfaces.h"
#include "core/net/qt_udp_socket_control.h"
#include "core/record/net_types.h"
#include "gui/dialogs/tusr_pass_fm.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "tests/support/net_test_support.h"
#include "tests/support/recording_dialog_seam.h"
#include "tests/support/run_program.h"
#include "tests/support/window_over_udp.h"

using namespace tern;
using tern::test::RunProgram;

namespace {

constexpr int kPerSegment = 3;

// AP number `index` (from 0) as the simulators number them: the first three
// are behind seg1, the next three behind seg2.
QString MacOf(int index) {
    return record::MacText(sim::GenerateAps(1, index)[0].record.mac_addr());
}

QString SegmentOf(int index) { return index < kPerSegment ? u"seg1"_qs : u"seg2"_qs; }

int SetRequestsHeard(const QString& segment) {
    QFile log(qEnvironmentVariable("TERN_SEGMENT_LOGS") + u'/' + segment + QStringLiteral(".log"));
    if (!log.open(QIODevice::ReadOnly)) return -1;
    return static_cast<int>(log.readAll().count("set request received"));
}

using test::FixedScreen;
using test::PumpUntil;

// MAC -> interface of every AP a scan --json listed.
QMap<QString, QString> ScanInterfaces(const QStringList& extra = {}) {
    const test::ProgramRun run =
        RunProgram(QStringLiteral(TERN_AP_CLI_PATH),
                   extra + QStringList{u"scan"_qs, u"--json"_qs, u"--timeout-ms"_qs, u"800"_qs});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QMap<QString, QString> found;
    for (const QJsonValue& ap : QJsonDocument::fromJson(run.out).array()) {
        EXPECT_FALSE(found.contains(ap[u"mac"_qs].toString())) << "listed twice";
        found.insert(ap[u"mac"_qs].toString(), ap[u"interface"_qs].toString());
    }
    return found;
}

class Segments : public test::IsolatedNetworkTest {
  protected:
    void SetUp() override {
        test::IsolatedNetworkTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(qEnvironmentVariable("TERN_SEGMENTS"), u"seg1 seg2"_qs)
            << "run through tools/isolated-net --segments 2 --sim tern-ap-sim";
    }
};

TEST_F(Segments, cliScan_findsTheApsOfBothSegments_eachOnItsInterface) {
    const QMap<QString, QString> found = ScanInterfaces();
    ASSERT_EQ(found.size(), 2 * kPerSegment);
    for (int i = 0; i < 2 * kPerSegment; ++i) {
        EXPECT_EQ(found.value(MacOf(i)), SegmentOf(i)) << MacOf(i).toStdString();
    }
}

TEST_F(Segments, cliInterfaceOption_searchesOnlyThatSegment) {
    const QMap<QString, QString> second = ScanInterfaces({u"--interface"_qs, u"seg2"_qs});
    ASSERT_EQ(second.size(), kPerSegment);
    for (int i = kPerSegment; i < 2 * kPerSegment; ++i) {
        EXPECT_EQ(second.value(MacOf(i)), u"seg2"_qs);
    }
    // Both named (one of them twice): both searched, each once.
    EXPECT_EQ(ScanInterfaces({u"--interface=seg1"_qs, u"--interface"_qs, u"seg2"_qs,
                              u"--interface"_qs, u"seg1"_qs})
                  .size(),
              2 * kPerSegment);
}

TEST_F(Segments, cliUnknownOrLoopbackInterface_isAnErrorBeforeAnythingIsSent) {
    const int heard = SetRequestsHeard(u"seg1"_qs);
    const test::ProgramRun unknown =
        RunProgram(QStringLiteral(TERN_AP_CLI_PATH),
                   {u"--interface"_qs, u"seg9"_qs, u"set"_qs, MacOf(0), u"ssid=x"_qs, u"--user"_qs,
                    u"admin"_qs, u"--password-file"_qs, u"/dev/null"_qs});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(u"no network interface 'seg9'"_qs))
        << unknown.err.toStdString();
    EXPECT_TRUE(unknown.err.contains(u"seg1, seg2"_qs)) << unknown.err.toStdString();
    const test::ProgramRun loopback =
        RunProgram(QStringLiteral(TERN_AP_CLI_PATH), {u"--interface"_qs, u"lo"_qs, u"scan"_qs});
    EXPECT_EQ(loopback.exitCode, 2);
    EXPECT_TRUE(loopback.err.contains(u"'lo' cannot broadcast"_qs)) << loopback.err.toStdString();
    EXPECT_EQ(SetRequestsHeard(u"seg1"_qs), heard);
}

TEST_F(Segments, cliSetToAnApBehindTheSecondSegment_reachesOnlyThatSegment) {
    const int first = SetRequestsHeard(u"seg1"_qs);
    const int second = SetRequestsHeard(u"seg2"_qs);
    ASSERT_GE(first, 0);
    QFile password(qEnvironmentVariable("TERN_SEGMENT_LOGS") + u"/password"_qs);
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("admin\n");
    password.close();
    const test::ProgramRun set =
        RunProgram(QStringLiteral(TERN_AP_CLI_PATH),
                   {u"set"_qs, MacOf(4), u"ssid=moved"_qs, u"--user"_qs, u"admin"_qs,
                    u"--password-file"_qs, password.fileName(), u"--timeout-ms"_qs, u"800"_qs});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_TRUE(PumpUntil([&] { return SetRequestsHeard(u"seg2"_qs) == second + 1; }, 2000));
    EXPECT_EQ(SetRequestsHeard(u"seg1"_qs), first);

    const test::ProgramRun show =
        RunProgram(QStringLiteral(TERN_AP_CLI_PATH), {u"show"_qs, MacOf(4), u"--json"_qs});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const QJsonObject shown = QJsonDocument::fromJson(show.out).object();
    EXPECT_EQ(shown[u"ssid"_qs].toString(), u"moved"_qs);
    EXPECT_EQ(shown[u"interface"_qs].toString(), u"seg2"_qs);
}

// ---------------------------------------------------------------- the window

class WindowOnSegments : public Segments {
  protected:
    void open(std::unique_ptr<net::QtUdpSocketControl> socket, int count) {
        dialogs.onDialog = [](QDialog& d) {
            if (auto* login = dynamic_cast<gui::TUsrPassFm*>(&d)) {
                d.findChild<QLineEdit*>(u"mng_e_name"_qs)->setText(u"admin"_qs);
                d.findChild<QLineEdit*>(u"mng_e_pass"_qs)->setText(u"admin"_qs);
                login->b_okClick();
            }
            return d.result();
        };
        form = std::make_unique<gui::TMainFm>(std::move(socket), dialogs, screen);
        form->lang_file = u"absent.ini"_qs;
        form->show();
        form->FormActivate();
        ASSERT_TRUE(form->UDPSocket->isOpen());
        grid = form->findChild<gui::TQuillGrid*>(u"l_title"_qs);
        ASSERT_TRUE(PumpUntil([&] { return !form->Timer.isActive() && listed() == count; }, 10000))
            << listed() << " listed";
    }
    void TearDown() override {
        if (form) form->FormDestroy();
    }
    int listed() const { return test::ListedAps(*grid); }
    int rowOf(const QString& mac) const { return test::RowOfMac(*grid, mac); }

    test::RecordingDialogSeam dialogs;
    FixedScreen screen;
    std::unique_ptr<gui::TMainFm> form;
    gui::TQuillGrid* grid = nullptr;
};

TEST_F(WindowOnSegments, listsBothSegments_theFifthColumnNamesTheInterface_applyStaysOnItsSegment) {
    open(std::make_unique<net::QtUdpSocketControl>(), 2 * kPerSegment);
    for (int i = 0; i < 2 * kPerSegment; ++i) {
        const int row = rowOf(MacOf(i));
        ASSERT_GT(row, 0) << MacOf(i).toStdString();
        EXPECT_EQ(grid->Cells(4, row), SegmentOf(i));
    }

    const int first = SetRequestsHeard(u"seg1"_qs);
    const int second = SetRequestsHeard(u"seg2"_qs);
    const int row = rowOf(MacOf(5));
    grid->setSelection({0, row, grid->ColCount() - 1, row});
    form->findChild<QLineEdit*>(u"e_essid"_qs)->setText(u"window-set"_qs);
    form->b_TernapplyClick();
    ASSERT_TRUE(PumpUntil(
        [&] {
            return !form->Timer.isActive() && !form->applyOutstanding() &&
                   listed() == 2 * kPerSegment;
        },
        20000));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(grid->Cells(2, rowOf(MacOf(5))), u"window-set"_qs);
    EXPECT_EQ(SetRequestsHeard(u"seg2"_qs), second + 1);
    EXPECT_EQ(SetRequestsHeard(u"seg1"_qs), first);
}

TEST_F(WindowOnSegments, oneInterfaceChosen_onlyItsApsListed_theFifthColumnStaysEmpty) {
    auto socket = std::make_unique<net::QtUdpSocketControl>();
    const auto chosen = net::ChooseInterfaces(net::SystemInterfaces(), {u"seg1"_qs});
    ASSERT_TRUE(std::holds_alternative<QList<net::NetInterface>>(chosen));
    socket->restrictTo(std::get<QList<net::NetInterface>>(chosen));
    open(std::move(socket), kPerSegment);
    PumpUntil([] { return false; }, 500);  // anything from seg2 would have come by now
    EXPECT_EQ(listed(), kPerSegment);
    for (int i = 0; i < kPerSegment; ++i) {
        const int row = rowOf(MacOf(i));
        ASSERT_GT(row, 0);
        EXPECT_TRUE(grid->Cells(4, row).isEmpty());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
