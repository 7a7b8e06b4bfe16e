// Real UDP between the program's socket and tern-ap-sim. Runs only inside
// tools/isolated-net; the first check refuses any other network.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <memory>
#include <set>

#include "core/engine/search_session.h"
#include "core/net/network_guard.h"
#include "core/net/qt_udp_socket_control.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "tests/support/net_test_support.h"
#include "tests/support/run_program.h"

using namespace tern;
using tern::test::SimProcess;

namespace {

std::unique_ptr<net::QtUdpSocketControl> OpenProgramSocket() {
    auto socket = std::make_unique<net::QtUdpSocketControl>();
    socket->lclPort = net::kDefaultPort;
    socket->rmtPort = net::kDefaultPort;
    socket->RmtAddr = QStringLiteral("255.255.255.255");
    return socket->OpenSocket() ? std::move(socket) : nullptr;
}

void RunSearch(engine::SearchSession& search, int windowMs) {
    QEventLoop loop;
    QObject::connect(&search, &engine::SearchSession::finished, &loop, &QEventLoop::quit);
    search.start(windowMs);
    loop.exec();
}

using UdpDiscovery = tern::test::IsolatedNetworkTest;

}  // namespace

TEST_F(UdpDiscovery, thousandSimulatedAps_eachListedOnce) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("1000"),
                    QStringLiteral("--max-requests"), QStringLiteral("1")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    auto socket = OpenProgramSocket();
    ASSERT_TRUE(socket);
    EXPECT_GE(socket->receiveBufferSize(), 4 * 1024 * 1024)
        << "receive buffer too small for a burst of 1000 replies";

    engine::SearchSession search(*socket);
    RunSearch(search, 2000);

    ASSERT_EQ(search.found().size(), 1000u);
    std::set<QString> macs;
    for (const auto& ap : search.found()) {
        const record::ApConfigRecord r(ap.record);
        macs.insert(record::MacText(r.mac_addr()));
        EXPECT_TRUE(r.ap_name().startsWith("TernAP-"));
        EXPECT_TRUE(ap.enciphered);
    }
    EXPECT_EQ(macs.size(), 1000u);
    EXPECT_EQ(search.counters().ownEchoes, 1);
    EXPECT_EQ(search.counters().duplicates, 0);
}

TEST_F(UdpDiscovery, plainRepliesAndOldFirmware_overRealSockets) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("5"), QStringLiteral("--plain"),
                    QStringLiteral("--old-firmware"), QStringLiteral("1")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    auto socket = OpenProgramSocket();
    ASSERT_TRUE(socket);
    engine::SearchSession search(*socket);
    RunSearch(search, 800);
    ASSERT_EQ(search.found().size(), 4u);
    EXPECT_EQ(record::MacText(record::ApConfigRecord(search.found()[0].record).mac_addr()),
              QStringLiteral("02-54-45-00-00-00"));
    EXPECT_FALSE(search.found()[0].enciphered);
    EXPECT_EQ(search.counters().oldFirmware, 1);
}

TEST_F(UdpDiscovery, setRequest_acknowledgedOrRefusedByTheAddressedAp) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--ap-login"),
                    QStringLiteral("3:root:other")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    auto socket = OpenProgramSocket();
    ASSERT_TRUE(socket);
    net::LinkState linkState;
    engine::SearchSession search(*socket);
    RunSearch(search, 800);
    ASSERT_EQ(search.found().size(), 3u);

    std::vector<net::ClassifiedDatagram> replies;
    QObject::connect(socket.get(), &net::UdpSocketControl::OnRecv, socket.get(),
                     [&](const QByteArray& d) {
                         auto c = net::ClassifyDatagram(d, linkState);
                         if (c.kind == net::DatagramKind::Acknowledgement ||
                             c.kind == net::DatagramKind::ErrorReply) {
                             replies.push_back(c);
                         }
                     });
    auto send = [&](int index) {
        record::ApConfigRecord r(search.found()[static_cast<std::size_t>(index)].record);
        r.set_ssid("applied");
        r.set_mgmt_user("admin");
        r.set_mgmt_pass("admin");
        linkState.NewRequest();
        socket->SendData(
            net::BuildSetRequest(linkState.request_marker(), linkState.link_key(), r.bytes()));
        QElapsedTimer t;
        t.start();
        const auto before = replies.size();
        while (replies.size() == before && t.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return r.mac_addr();
    };
    send(0);
    const auto refusedMac = send(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].kind, net::DatagramKind::Acknowledgement);
    EXPECT_EQ(replies[1].kind, net::DatagramKind::ErrorReply);
    EXPECT_EQ(net::ErrorReplyMac(replies[1]), refusedMac);

    engine::SearchSession again(*socket);
    RunSearch(again, 800);
    ASSERT_EQ(again.found().size(), 3u);
    EXPECT_EQ(record::ApConfigRecord(again.found()[0].record).ssid(), QByteArray("applied"));
    EXPECT_EQ(record::ApConfigRecord(again.found()[2].record).ssid(), QByteArray("tern-0003"));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// tern-ap-cli over real UDP: a set, then the next scan shows the new SSID.
TEST_F(UdpDiscovery, cliSetThenScan_showsTheNewSsid) {
    SimProcess sim({QStringLiteral("--count"), QStringLiteral("3"),
                    QStringLiteral("--max-requests"), QStringLiteral("10")});
    ASSERT_TRUE(sim.listening()) << sim.log().toStdString();
    qputenv("TERN_AP_PASSWORD", "admin");
    const QString mac = QStringLiteral("02-54-45-00-00-01");  // the second simulated AP
    const tern::test::ProgramRun set = tern::test::RunProgram(
        QStringLiteral(TERN_AP_CLI_PATH),
        {QStringLiteral("set"), mac, QStringLiteral("ssid=over-udp"), QStringLiteral("--user"),
         QStringLiteral("admin"), QStringLiteral("--timeout-ms"), QStringLiteral("800")});
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_TRUE(set.out.contains("acknowledged"));
    const tern::test::ProgramRun scan = tern::test::RunProgram(
        QStringLiteral(TERN_AP_CLI_PATH), {QStringLiteral("scan"), QStringLiteral("--json"),
                                           QStringLiteral("--timeout-ms"), QStringLiteral("800")});
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    EXPECT_TRUE(scan.out.contains("\"over-udp\"")) << scan.out.toStdString();
}
