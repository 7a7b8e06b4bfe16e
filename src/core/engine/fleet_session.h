#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <deque>
#include <vector>

#include "core/engine/search_session.h"
#include "core/net/protocol.h"
#include "core/net/udp_socket_control.h"
#include "core/record/ap_config_record.h"

namespace tern::engine {

// Searches and set requests for many APs at once over a lossy segment,
// without widgets: a search asked several times (a reply to any of its
// requests is taken, each AP listed once), set requests to many APs in
// parallel, each through its AP's interface, sent again with backoff while
// unanswered, and a search that reads the changed APs back. Every loop is
// bounded in count and in time.
class FleetSession : public QObject {
    Q_OBJECT
  public:
    struct Options {
        int searchRequests = 3;     // requests per search
        int searchSpacingMs = 200;  // between them
        int searchWindowMs = 2000;  // how long a search listens in all
        int parallel = 64;          // set requests outstanding at once
        int retries = 3;            // sends after the first, per AP
        int answerTimeoutMs = 300;  // before the first resend; doubled each time
        int maxBackoffMs = 2400;    // the longest wait for one answer
    };
    // How one AP's set request ended.
    enum class Answer { Pending, Acknowledged, Refused, NoAnswer, NotSent };
    struct Job {
        record::ApConfigRecord record;  // host order, the login written in
        QString mac;                    // MAC text
        uint interfaceIndex = 0;        // where it answered the search
        Answer answer = Answer::Pending;
        int sends = 0;
    };
    struct Counters {
        int searchRequests = 0;  // sends of search requests (per interface)
        int setRequests = 0;     // sends of set requests, resends included
        int resends = 0;
        int unmatchedAnswers = 0;  // answers no request could be credited with
        qint64 lost = 0;           // datagrams the socket lost (a full buffer)
    };

    explicit FleetSession(net::UdpSocketControl& socket, const Options& options,
                          QObject* parent = nullptr);

    // A search. With `wanted` MACs it ends as soon as each of them has
    // answered (else when its window closes); without, it listens its whole
    // window. searched() follows.
    void search(const QSet<QString>& wanted = {});
    // Everything heard by the latest search, in arrival order.
    const std::vector<SearchSession::Found>& found() const { return found_; }

    // Sends every job's request, `parallel` at a time; sent() follows when
    // each job has an answer or has used its retries.
    void send(std::vector<Job> jobs);
    const std::vector<Job>& jobs() const { return jobs_; }

    const Counters& counters() const { return counters_; }
    bool busy() const { return phase_ != Phase::Idle; }
    // Nothing more is sent and no signal follows.
    void stop();
    // Ends what is under way early, its signal following as usual: a search
    // with what it has heard (searched() on the next turn of the event
    // loop); a sending with no request going out any more, the jobs never
    // sent NotSent, and the answers to requests already out awaited no
    // longer than kCancelWaitMs before sent().
    void cancel();
    static constexpr int kCancelWaitMs = 2000;
    net::UdpSocketControl& socket() const { return socket_; }

  Q_SIGNALS:
    void searched();
    void sent();
    void progress(int answered, int total);

  private:
    enum class Phase { Idle, Searching, Sending };
    // The marker and key of one set request, and the job it was for.
    struct SetLink {
        net::RequestMarker marker;
        net::LinkKey key;
        std::size_t job;
    };

    void receive(const QByteArray& datagram, uint interfaceIndex);
    void takeReply(const net::ClassifiedDatagram& c, uint interfaceIndex);
    void takeAnswer(const net::ClassifiedDatagram& c, const SetLink* link);
    void searchStep();
    void endSearch();
    void pump();
    void sendJob(std::size_t index);
    void settle(std::size_t index, Answer answer);
    void checkDeadlines();
    void endSending();
    int backoffMs(int sends) const;
    std::size_t jobOfMac(const QString& mac) const;

    net::UdpSocketControl& socket_;
    Options o_;
    Phase phase_ = Phase::Idle;
    QElapsedTimer clock_;
    QTimer timer_;

    // search
    QSet<QString> wanted_;
    QSet<QString> heard_;
    std::vector<SearchSession::Found> found_;
    std::vector<net::LinkState> searchLinks_;  // one per request of this search
    int searchSent_ = 0;
    qsizetype heardAtLastRequest_ = 0;
    qint64 searchStart_ = 0;
    qint64 lostBefore_ = 0;

    // sending
    std::vector<Job> jobs_;
    QHash<QString, std::size_t> jobByMac_;
    std::deque<std::size_t> queue_;           // waiting for a slot, resends first
    QHash<std::size_t, qint64> outstanding_;  // job -> deadline
    // Every set request's marker, so an answer enciphered under any of them
    // is read, and credited to its job when it names no MAC.
    std::vector<SetLink> setLinks_;
    net::LinkState setLink_;  // draws each set request's marker
    std::size_t settled_ = 0;
    qint64 sendDeadline_ = 0;
    bool cancelling_ = false;

    Counters counters_;
};

}  // namespace tern::engine
