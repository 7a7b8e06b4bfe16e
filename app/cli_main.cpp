// tern-ap-cli: the command-line front end over the core, without widgets:
// one search, then the list of APs that answered.
#include "app/headless_search.h"
#include "link/in_memory_network.h"
#include "link/qt_udp_socket_control.h"
#include "tools/simulator/in_memory_simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace tern;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tern-ap-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Finds the wireless access points on the LAN segment and lists them.\n"
        "--demo [N] runs against N simulated APs in this process: no network traffic."));
    parser.addHelpOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Search simulated APs in memory (no sockets)."));
    const QCommandLineOption window(QStringLiteral("window-ms"),
                                    QStringLiteral("Length of the search window (default 2000)."),
                                    QStringLiteral("MS"), QStringLiteral("2000"));
    parser.addOption(demo);
    parser.addOption(window);
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("Number of simulated APs with --demo (default 8)."),
                                 QStringLiteral("[N]"));
    parser.process(app);

    bool ok = false;
    const int windowMs = parser.value(window).toInt(&ok);
    if (!ok || windowMs < 1 || windowMs > 60000) {
        std::fprintf(stderr, "tern-ap-cli: --window-ms wants 1..60000\n");
        return 2;
    }
    int demoCount = 8;
    if (!parser.positionalArguments().isEmpty()) {
        demoCount = parser.positionalArguments().first().toInt(&ok);
        if (!parser.isSet(demo) || !ok || demoCount < 1 || demoCount > 5000) {
            std::fprintf(stderr, "tern-ap-cli: N (1..5000) is taken with --demo only\n");
            return 2;
        }
    }

    link::InMemoryNetwork network;
    std::unique_ptr<sim::InMemorySimulator> simulator;
    std::unique_ptr<link::UdpSocketControl> socket;
    if (parser.isSet(demo)) {
        simulator = std::make_unique<sim::InMemorySimulator>(
            network, sim::ApSimulator(sim::DemoAps(demoCount)));
        socket = std::make_unique<link::InMemorySocketControl>(network);
    } else {
        socket = std::make_unique<link::QtUdpSocketControl>();
    }
    socket->lclPort = link::kDefaultPort;
    socket->rmtPort = link::kDefaultPort;
    socket->RmtAddr = QString::fromLatin1(link::kBroadcastAddress);
    if (!socket->OpenSocket()) {
        std::fprintf(stderr, "tern-ap-cli: UDP port %d cannot be opened\n", link::kDefaultPort);
        return 1;
    }

    apply::SearchSession search(*socket);
    QObject::connect(&search, &apply::SearchSession::finished, &app, [&] {
        std::vector<app::ApListLine> lines;
        for (const auto& ap : search.found()) {
            lines.push_back(app::ListLineFor(ap));
        }
        std::fputs(qPrintable(app::FormatApTable(lines)), stdout);
        const auto& c = search.counters();
        std::printf("%zu AP(s) found; %d datagram(s) received, %d duplicate(s), %d old "
                    "firmware, %d other\n",
                    lines.size(), c.datagrams, c.duplicates, c.oldFirmware, c.other);
        socket->CloseSocket();
        QCoreApplication::quit();
    });
    QTimer::singleShot(0, &app, [&] { search.start(windowMs); });
    return QCoreApplication::exec();
}
