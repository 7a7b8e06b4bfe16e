#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QSet>
#include <map>
#include <optional>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_runner.h"
#include "cli/fleet_report.h"
#include "core/engine/fleet_session.h"
#include "core/fleet/plan.h"
#include "core/fleet/state_file.h"

namespace tern::app {

// tern-ap-cli's commands for many APs, without widgets: plan and apply of a
// state file, set with several targets or a pattern, backup into a folder,
// restore of several saved APs. Each AP is planned and checked on its own
// (its own record plus its desired settings, as a single-AP apply of that
// AP); nothing is sent while any AP is invalid (unless --keep-going); the
// APs that differ are backed up, sent to in parallel with retries, and read
// back. Data goes to out, messages to err; done() carries the exit code.
class FleetRunner : public QObject {
    Q_OBJECT
  public:
    FleetRunner(link::UdpSocketControl& socket, CliOptions options, CliLogin login = {},
                QObject* parent = nullptr);

    void start();
    int exitCode() const { return exitCode_; }
    const QByteArray& out() const { return out_; }
    const QByteArray& err() const { return err_; }
    const QList<ApReport>& reports() const { return reports_; }
    const apply::FleetSession& session() const { return fleet_; }

  Q_SIGNALS:
    void done(int exitCode);

  private:
    enum class Stage { Load, Search, Research, Send, ReadBack, Done };
    struct Planned {
        fleet::ApPlan plan;
        const apply::SearchSession::Found* ap = nullptr;
        ApReport report;
    };

    bool load();
    bool loadState();
    bool loadRestores();
    bool loadLogins();
    void searched();
    void plan();
    void noteUnmatched(const QSet<int>& matchedAny);
    int backupFolder();
    bool backUp(const std::vector<std::size_t>& which);
    void sendChanges();
    void readBack();
    void conclude();
    void finish(int code);
    void message(const QString& text);
    void progress(const QString& text);
    QString nameOf(const apply::SearchSession::Found& ap) const;
    std::optional<CliLogin> loginFor(const QString& mac, const QString& name) const;

    link::UdpSocketControl& socket_;
    CliOptions o_;
    CliLogin login_;
    apply::FleetSession fleet_;
    Stage stage_ = Stage::Load;

    fleet::DesiredState state_;
    std::optional<fleet::LoginsFile> logins_;
    QMap<QString, config::ApConfigRecord> restores_;  // MAC text -> saved record
    QSet<QString> wanted_;                            // MACs named outright

    // Everything heard, by MAC text (sorted, so every report is in one order).
    std::map<QString, apply::SearchSession::Found> found_;
    std::map<QString, apply::SearchSession::Found> readBack_;  // the search after sending
    std::vector<Planned> planned_;
    QList<ApReport> missing_;
    std::vector<std::size_t> sending_;  // indexes into planned_
    QList<ApReport> reports_;
    QByteArray out_;
    QByteArray err_;
    int exitCode_ = kExitFailure;
    bool finished_ = false;
    qint64 lostSaid_ = 0;  // lost datagrams already said
};

}  // namespace tern::app
