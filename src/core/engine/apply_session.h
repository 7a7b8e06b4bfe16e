#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <vector>

#include "core/engine/ap_engine.h"
#include "core/net/udp_socket_control.h"
#include "core/record/ap_config_record.h"

namespace tern::engine {

// The set requests of one apply on their way to the APs, for the window and
// tern-ap-cli alike. With several APs each request waits for the previous
// AP's answer, or for a few short slices without one, so that a silent AP
// never holds up the rest and each answer is credited to the request it
// answers. Each request goes out only through the interface its AP answered
// the search on. The engine counts and credits; the session paces on what
// it says.
class ApplySession : public QObject {
    Q_OBJECT
  public:
    struct Request {
        record::ApConfigRecord record;  // host order, the login written in
        ApplyTarget target;
    };
    struct Options {
        // Each request sets the engine's wait_flag and the next one waits on
        // it: the apply to several APs.
        bool waitForReplies = false;
        int sliceMs = 100;
        // Slices after a request before the next one goes out unanswered.
        int maxSlices = 3;
        // After the last request: tick the engine until it has a verdict, or
        // until every target has answered, then say ended(). The window
        // follows the apply with its own timers instead.
        bool follow = false;
        int tickMs = 2000;
    };
    enum class End { AllAnswered, Verdict };

    explicit ApplySession(ApEngine& engine, QObject* parent = nullptr);

    // Starts the counts for the requests' targets (ApEngine::BeginSending),
    // sends the first request at once and the rest from the event loop.
    // False, with nothing sent, for no request or while an apply is being
    // sent or followed. Without a socket nothing goes out and every send
    // counts as failed.
    bool start(net::UdpSocketControl* socket, std::vector<Request> requests,
               const Options& options);
    // Every datagram the socket receives, a search's too: the engine's
    // verdict. An answer that clears wait_flag sends the next request on the
    // next turn of the event loop, never inside the receive handler.
    Received receive(QByteArrayView datagram, uint interfaceIndex = 0);
    // Nothing more is sent or ticked and no signal follows; the engine keeps
    // its counts.
    void stop();

    bool sending() const { return sending_; }
    bool following() const { return following_; }
    int requestsSent() const { return sent_; }  // taken by the socket
    // Slices that ran out without an answer, over the whole apply.
    int slicesWaited() const { return slicesWaited_; }
    int sendsFailed() const { return failed_; }

  Q_SIGNALS:
    void aboutToSend(int index, int count);           // index from 0
    void allSent();                                   // after ApEngine::RequestsSent
    void ended(tern::engine::ApplySession::End how);  // with follow, once

  private:
    void sendNext();
    void sliceOver();
    void tick();
    void end(End how);

    ApEngine& engine_;
    QPointer<net::UdpSocketControl> socket_;
    std::vector<Request> requests_;
    Options options_;
    std::size_t next_ = 0;
    int slices_ = 0;
    int slicesWaited_ = 0;
    int sent_ = 0;
    int failed_ = 0;
    bool sending_ = false;
    bool following_ = false;
    QTimer slice_;
    QTimer sendSoon_;  // the next request on the next turn of the event loop
    QTimer tick_;
};

}  // namespace tern::engine
