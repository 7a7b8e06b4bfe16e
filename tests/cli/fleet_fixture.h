// A segment of simulated APs on the in-memory network and tern-ap-cli's
// fleet commands run against it in this process, so the APs' records can be
// read afterwards. Searches are short here; timers are real.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include "cli/fleet_runner.h"
#include "core/net/in_memory_network.h"
#include "core/record/net_types.h"
#include "sim/in_memory_simulator.h"
#include "tests/support/core_app.h"

namespace tern::cli::test_fleet {

// Counts the requests that go out, by kind.
class Requests : public net::InMemoryNetwork::Endpoint {
  public:
    void deliver(const QByteArray& datagram, int) override {
        sets += datagram.startsWith("kplset") ? 1 : 0;
        searches += datagram.startsWith("kplsearch") ? 1 : 0;
    }
    int sets = 0;
    int searches = 0;
};

class Fleet : public ::testing::Test {
  protected:
    void SetUp() override {
        test::EnsureCoreApp();
        ASSERT_TRUE(net::OpenOnProgramPort(socket));
        network.attach(&requests, net::kDefaultPort);
    }
    void TearDown() override { network.detach(&requests); }
    void segment(std::vector<sim::SimulatedAp> aps, sim::SimOptions options = {}) {
        simulator.reset();
        simulator = std::make_unique<sim::InMemorySimulator>(
            network, sim::ApSimulator(std::move(aps), options));
    }
    QString file(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return path;
    }
    // Runs one command (arguments as on the command line) to its end.
    int run(QStringList args) {
        args += {QStringLiteral("--timeout-ms"), QStringLiteral("300"), QStringLiteral("--user"),
                 QStringLiteral("admin")};
        if (!args.contains(QStringLiteral("--backup-dir"))) {
            args += {QStringLiteral("--backup-dir"), dir.filePath(QStringLiteral("backups"))};
        }
        const auto parsed = ParseCliOptions(args);
        if (const QString* e = std::get_if<QString>(&parsed)) {
            err = e->toUtf8();
            return kExitUsage;
        }
        FleetRunner runner(socket, std::get<CliOptions>(parsed),
                           {QStringLiteral("admin"), QStringLiteral("admin")});
        QEventLoop loop;
        QObject::connect(&runner, &FleetRunner::done, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        QTimer::singleShot(0, &runner, &FleetRunner::start);
        loop.exec();
        out = runner.out();
        err = runner.err();
        reports = runner.reports();
        counters = runner.session().counters();
        return runner.exitCode();
    }
    const sim::SimulatedAp& ap(int i) const {
        return simulator->simulator().aps()[static_cast<std::size_t>(i)];
    }
    QString mac(int i) const { return record::MacText(ap(i).record.mac_addr()); }
    int count(FleetOutcome o) const {
        return static_cast<int>(std::count_if(reports.begin(), reports.end(),
                                              [o](const ApReport& r) { return r.outcome == o; }));
    }

    net::InMemoryNetwork network;
    net::InMemorySocketControl socket{network};
    std::unique_ptr<sim::InMemorySimulator> simulator;
    Requests requests;
    QTemporaryDir dir;
    QByteArray out, err;
    QList<ApReport> reports;
    engine::FleetSession::Counters counters;
};

}  // namespace tern::cli::test_fleet
