#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QTimer>
#include <vector>

#include "cli/cli_options.h"
#include "cli/prometheus_file.h"
#include "core/engine/apply_session.h"
#include "core/engine/search_session.h"
#include "core/record/ap_config_record.h"
#include "core/record/record_builder.h"
#include "core/service/fleet_service.h"

namespace tern::cli {

// The management login of set and restore, however it was given.
struct CliLogin {
    QString user;
    QString password;
};

// One tern-ap-cli command run over a socket, without widgets: a search,
// then scan, show, set, backup or restore on what answered. Scan, show and
// backup search through the fleet service (asked again while APs still
// answer for the first time, or until the AP named by MAC has answered).
// Data goes to out, messages to err; done() carries the exit code. The
// program's main() and the tests drive it alike.
class CliRunner : public QObject {
    Q_OBJECT
  public:
    CliRunner(net::UdpSocketControl& socket, CliOptions options, CliLogin login = {},
              QObject* parent = nullptr);

    void start();
    // Where set's and restore's login comes from (a prompt, say), asked once
    // their settings and backup file have been checked, before the search.
    // Without one, the login given at construction.
    void setLoginSource(std::function<std::optional<CliLogin>()> source) {
        loginSource_ = std::move(source);
    }
    int exitCode() const { return exitCode_; }
    const QByteArray& out() const { return out_; }
    const QByteArray& err() const { return err_; }

  Q_SIGNALS:
    void done(int exitCode);

  private:
    struct Job {
        record::ApConfigRecord record;  // what goes out (login added when sent)
        engine::ApplyTarget target;
    };

    void searched();
    int scan();
    ScanMetrics Metrics(const QList<QJsonObject>& entries) const;
    int show();
    int prepareSet();
    int backup();
    int prepareRestore();
    void startApply();
    void finishApply();
    void finish(int code);
    void message(const QString& text);
    void progress(const QString& text);
    std::vector<const engine::SearchSession::Found*> targets() const;
    // What the search heard: the fleet service's repeated search, or for
    // set and restore the engine's that their apply is credited by.
    const std::vector<engine::SearchSession::Found>& found() const;
    bool appliesOne() const;
    int noMatch();
    // What set and restore can refuse without an AP; false when refused.
    bool checkBeforeSearch();
    // The window's whole-form checks over the form; their messages when
    // they refuse.
    bool passesChecks(const record::FormSettings& form, const record::ApConfigRecord& shown,
                      const record::ApConfigRecord& built, bool multi);

    net::UdpSocketControl& socket_;
    CliOptions o_;
    CliLogin login_;
    std::function<std::optional<CliLogin>()> loginSource_;
    std::optional<record::ApConfigRecord> saved_;  // restore: the backup file's record
    service::FleetService fleet_;
    engine::SearchSession search_;
    std::vector<Job> jobs_;
    engine::ApplySession apply_{search_.engine()};
    bool applying_ = false;
    bool finished_ = false;
    QElapsedTimer started_;
    QByteArray out_;
    QByteArray err_;
    int exitCode_ = kExitFailure;
};

}  // namespace tern::cli
