#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <map>
#include <optional>
#include <vector>

#include "core/engine/fleet_session.h"
#include "core/fleet/plan.h"
#include "core/fleet/state_file.h"
#include "core/service/fleet_outcome.h"

namespace tern::service {

// The management login placed into an AP's set request.
struct Login {
    QString user;
    QString password;
};

// What one run over many APs is asked to do.
struct FleetRequest {
    enum class Kind {
        Plan,     // what an apply would change; nothing is sent
        Apply,    // check every AP, back up, send, read back
        Backup,   // one backup file per AP into `backupDir`
        Restore,  // `restores` written back onto the APs they were saved from
        Send,     // `sends` as they are, to the APs as they were last heard
    };
    // Send: a record built and checked elsewhere (from the window's form),
    // its login written in, for the AP it was built from as that AP was last
    // heard. Nothing is searched first, checked again or backed up; each is
    // sent, read back and given its outcome as in an apply.
    struct Send {
        engine::SearchSession::Found ap;
        record::ApConfigRecord record;
        QString name;  // as the caller shows it
    };
    Kind kind = Kind::Plan;
    // Plan, Apply, Backup: which APs, and what they should hold.
    fleet::DesiredState state;
    // Restore: the saved records by MAC text; `allFields` writes their
    // identity and addressing too.
    QMap<QString, record::ApConfigRecord> restores;
    bool allFields = false;
    std::vector<Send> sends;
    // Apply, Restore: each AP's login is the last entry of `logins` that
    // matches it, else `login`; an AP to change without either is invalid.
    std::optional<fleet::LoginsFile> logins;
    std::optional<Login> login;
    // Apply, Restore: backups go into `backupDir` as it is named, or into a
    // new private folder under the user's state home; none with `noBackup`.
    // Backup: the folder the backups go into.
    QString backupDir;
    bool noBackup = false;
    // Apply: change the valid APs even when others are invalid.
    bool keepGoing = false;
    // With no AP of the request answering, the run fails naming this
    // ("--all", a target); plan and apply of a state say nothing then.
    QString noMatchLabel;
    bool failWithoutMatch = false;
};

// The one pipeline for many APs, for tern-ap-cli, the window and a
// long-running service alike, without widgets and without a nested event
// loop: the repeated search (ending as soon as every AP named by MAC has
// answered), a plan for each AP heard, every AP checked before any is sent
// to, backups, parallel retried set requests, the read-back, and each AP's
// outcome with the exit code the outcomes give. Messages for people come as
// signals while it works, the report once finished() is emitted.
class FleetService : public QObject {
    Q_OBJECT
  public:
    using Found = engine::SearchSession::Found;

    FleetService(net::UdpSocketControl& socket, const engine::FleetSession::Options& options,
                 QObject* parent = nullptr);

    // A search only; searched() follows. With `wanted` MACs it ends as soon
    // as each has answered, and asks again while any has not.
    void search(const QSet<QString>& wanted = {});
    // Everything the latest search heard, in arrival order.
    const std::vector<Found>& found() const { return session_.found(); }

    // One run; finished() follows, always, once.
    void run(FleetRequest request);
    // Stops the run: no new request goes out, answers to those already out
    // are awaited (at most 2 s), the APs sent to are read back, and the
    // report names every AP of the run, "not sent" for those never sent to.
    // A search ends with what it has heard.
    void cancel();
    bool cancelled() const { return cancelled_; }
    bool running() const { return stage_ != Stage::Idle && stage_ != Stage::Done; }

    // The report: every AP the run planned, then those it missed.
    const QList<ApReport>& reports() const { return reports_; }
    int exitCode() const { return exitCode_; }
    // Whether any set request went out.
    bool sent() const { return sent_; }
    const engine::FleetSession& session() const { return session_; }

  Q_SIGNALS:
    void searched();
    // Warnings, notes and problems, each in words naming the AP.
    void message(const QString& text);
    void progress(const QString& text);
    // The backups of `count` APs are in `folder`, before any request.
    void backedUp(const QString& folder, int count);
    void finished(int exitCode);

  private:
    enum class Stage { Idle, Search, Research, Send, ReadBack, Done };
    struct Planned {
        fleet::ApPlan plan;
        const Found* ap = nullptr;
        ApReport report;
    };

    void searchedOne();
    void plan();
    void planSends();
    void noteUnmatched(const QSet<int>& matchedAny);
    int backupFolder();
    bool backUp(const std::vector<std::size_t>& which);
    void sendChanges();
    void readBack();
    void conclude();
    void finish(int code);
    QString nameOf(const Found& ap) const;
    std::optional<Login> loginFor(const QString& mac, const QString& name) const;

    engine::FleetSession session_;
    Stage stage_ = Stage::Idle;
    FleetRequest r_;
    fleet::MatchIndex stateIndex_;
    fleet::MatchIndex loginIndex_;
    QSet<QString> wanted_;  // MACs named outright

    // Everything heard, by MAC text (sorted, so every report is in one order).
    std::map<QString, Found> found_;
    std::map<QString, Found> readBack_;  // the search after sending
    std::vector<Planned> planned_;
    QList<ApReport> missing_;
    std::vector<std::size_t> sending_;  // indexes into planned_
    QList<ApReport> reports_;
    int exitCode_ = kExitFailure;
    bool cancelled_ = false;
    bool sent_ = false;
    qint64 lostSaid_ = 0;  // lost datagrams already said
};

}  // namespace tern::service
