#pragma once

#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <deque>

#include "sim/ap_simulator.h"

namespace tern::sim {

// Puts an ApSimulator on a real UDP socket bound to the AP port (shared, so
// the program can bind it too). Replies go out by broadcast: a unicast to a
// port two sockets share would reach only one of them.
class UdpSimulator : public QObject {
    Q_OBJECT
  public:
    UdpSimulator(ApSimulator simulator, int port, QObject* parent = nullptr);

    bool open(QString* error);
    ApSimulator& simulator() { return simulator_; }
    int requestsHandled() const { return requests_; }
    int repliesSent() const { return sent_; }
    int sendFailures() const { return failures_; }

  Q_SIGNALS:
    void requestHandled();
    // A set request came, whichever AP it was for (or none of ours).
    void setRequestReceived();

  private:
    void readPending();
    void queueReply(QByteArray datagram, int delayMs);
    void flush();

    ApSimulator simulator_;
    int port_;
    QUdpSocket socket_;
    std::deque<QByteArray> outbox_;
    QTimer retry_;
    int requests_ = 0;
    int sent_ = 0;
    int failures_ = 0;
    int retries_ = 0;
};

}  // namespace tern::sim
