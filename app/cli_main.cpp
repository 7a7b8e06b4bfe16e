// tern-ap-cli: the command-line front end over the same engine as the
// window: scan lists the APs that answer one search, show decodes their
// settings. Data goes to stdout, messages to stderr.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "app/ap_settings.h"
#include "app/cli_options.h"
#include "app/headless_search.h"
#include "apply/search_session.h"
#include "config/ap_config_record.h"
#include "config/net_types.h"
#include "link/in_memory_network.h"
#include "link/qt_udp_socket_control.h"
#include "tools/simulator/in_memory_simulator.h"

using namespace tern;

namespace {

void Error(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("tern-ap-cli: ") + text + u'\n'), stderr);
}

void Out(const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout); }

// The APs a TARGET names: a MAC address, an AP name, or every AP.
std::vector<const apply::SearchSession::Found*> Targets(const apply::SearchSession& search,
                                                        const app::CliOptions& o) {
    std::vector<const apply::SearchSession::Found*> out;
    const QString target = o.args.value(0);
    const std::optional<config::MacAddress> mac = config::ParseMacText(target);
    for (const auto& ap : search.found()) {
        const config::ApConfigRecord record(ap.record);
        const QString name = ui::RecordTextToScreen(record.ap_name(), ui::TextEncoding::Windows1252);
        if (o.all || (mac && record.mac_addr() == *mac) || (!mac && name == target)) {
            out.push_back(&ap);
        }
    }
    return out;
}

int Report(const apply::SearchSession& search, const app::CliOptions& o) {
    const ui::TextEncoding encoding = ui::TextEncoding::Windows1252;
    if (o.command == u"scan") {
        if (o.json) {
            QJsonArray all;
            for (const auto& ap : search.found()) {
                all.append(app::ScanEntry(config::ApConfigRecord(ap.record), encoding));
            }
            Out(QJsonDocument(all).toJson(QJsonDocument::Indented));
        } else {
            std::vector<app::ApListLine> lines;
            for (const auto& ap : search.found()) lines.push_back(app::ListLineFor(ap));
            Out(app::FormatApTable(lines).toUtf8());
        }
        if (!o.quiet) {
            Error(QStringLiteral("%1 AP(s) found").arg(search.found().size()));
        }
        return app::kExitOk;
    }
    // show
    const auto targets = Targets(search, o);
    if (targets.empty()) {
        Error(QStringLiteral("no AP answered as '%1'").arg(o.all ? QStringLiteral("--all") : o.args.value(0)));
        return app::kExitFailure;
    }
    QJsonArray shown;
    for (const auto* ap : targets) {
        shown.append(app::DecodeSettings(config::ApConfigRecord(ap->record), encoding, o.showSecrets));
    }
    if (o.json) {
        Out(shown.size() == 1 ? QJsonDocument(shown[0].toObject()).toJson(QJsonDocument::Indented)
                              : QJsonDocument(shown).toJson(QJsonDocument::Indented));
    } else {
        for (const QJsonValue& ap : shown) {
            const QJsonObject o2 = ap.toObject();
            for (auto it = o2.begin(); it != o2.end(); ++it) {
                const QJsonValue v = it.value();
                const QByteArray value =
                    v.isString() ? v.toString().toUtf8()
                                 : QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
                Out(it.key().toUtf8().leftJustified(20) + ' ' + value + '\n');
            }
            Out("\n");
        }
    }
    return app::kExitOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tern-ap-cli"));

    const auto parsed = app::ParseCliOptions(app.arguments().mid(1));
    if (const QString* error = std::get_if<QString>(&parsed)) {
        Error(*error + QStringLiteral("; see --help"));
        return app::kExitUsage;
    }
    const app::CliOptions o = std::get<app::CliOptions>(parsed);
    if (o.help) {
        Out(app::CliUsage().toUtf8());
        return app::kExitOk;
    }

    link::InMemoryNetwork network;
    std::unique_ptr<sim::InMemorySimulator> simulator;
    std::unique_ptr<link::UdpSocketControl> socket;
    if (o.demo) {
        simulator = std::make_unique<sim::InMemorySimulator>(
            network, sim::ApSimulator(sim::DemoAps(o.demoCount)));
        socket = std::make_unique<link::InMemorySocketControl>(network);
    } else {
        socket = std::make_unique<link::QtUdpSocketControl>();
    }
    socket->lclPort = link::kDefaultPort;
    socket->rmtPort = link::kDefaultPort;
    socket->RmtAddr = QString::fromLatin1(link::kBroadcastAddress);
    if (!socket->OpenSocket()) {
        Error(QStringLiteral("UDP port %1 cannot be opened").arg(link::kDefaultPort));
        return app::kExitFailure;
    }
    if (!o.quiet && isatty(STDERR_FILENO)) {
        Error(QStringLiteral("searching for %1 ms ...").arg(o.timeoutMs));
    }

    int rc = app::kExitFailure;
    apply::SearchSession search(*socket);
    QObject::connect(&search, &apply::SearchSession::finished, &app, [&] {
        rc = Report(search, o);
        socket->CloseSocket();
        QCoreApplication::quit();
    });
    QTimer::singleShot(0, &app, [&] { search.start(o.timeoutMs); });
    QCoreApplication::exec();
    return rc;
}
