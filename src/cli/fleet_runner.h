#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

#include "cli/cli_options.h"
#include "cli/cli_runner.h"
#include "cli/fleet_report.h"
#include "core/service/fleet_service.h"

namespace tern::cli {

// tern-ap-cli's commands for many APs: plan and apply of a state file, set
// with several targets or a pattern, backup into a folder, restore of
// several saved APs. It reads the files the command names, asks the fleet
// service for the run and writes its report in the chosen format. Data
// goes to out, messages to err (or to the sink, as they come); done()
// carries the exit code.
class FleetRunner : public QObject {
    Q_OBJECT
  public:
    FleetRunner(net::UdpSocketControl& socket, CliOptions options, CliLogin login = {},
                QObject* parent = nullptr);

    void start();
    // The run is stopped as the service stops one, and ends with its report
    // and `exitCode` (130 for SIGINT, 143 for SIGTERM).
    void interrupt(int exitCode);
    // Messages written as they come (the backup folder before the first
    // request, say) rather than kept in err().
    void setMessageSink(std::function<void(const QByteArray&)> sink) { sink_ = std::move(sink); }
    // Where the login comes from (a prompt, say), asked once every file the
    // command names has been read and checked, before any request; nothing
    // stops the run. Without one, the login given at construction.
    void setLoginSource(std::function<std::optional<CliLogin>()> source) {
        loginSource_ = std::move(source);
    }

    int exitCode() const { return exitCode_; }
    const QByteArray& out() const { return out_; }
    const QByteArray& err() const { return err_; }
    const QList<ApReport>& reports() const { return service_.reports(); }
    const engine::FleetSession& session() const { return service_.session(); }

  Q_SIGNALS:
    void done(int exitCode);

  private:
    std::optional<service::FleetRequest> request();
    void finished(int code);
    void message(const QString& text);
    void progress(const QString& text);

    CliOptions o_;
    CliLogin login_;
    service::FleetService service_;
    std::function<void(const QByteArray&)> sink_;
    std::function<std::optional<CliLogin>()> loginSource_;
    QByteArray out_;
    QByteArray err_;
    int exitCode_ = kExitFailure;
    int interrupted_ = 0;  // the exit code of a stopped run
    bool finished_ = false;
};

}  // namespace tern::cli
