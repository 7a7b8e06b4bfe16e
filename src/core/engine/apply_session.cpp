#include "core/engine/apply_session.h"

#include "core/net/udp_socket_control.h"

namespace tern::engine {

ApplySession::ApplySession(ApEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    slice_.setSingleShot(true);
    connect(&slice_, &QTimer::timeout, this, &ApplySession::sliceOver);
    // A timer of the session's own rather than a posted call: stop() and a
    // new start() cancel it, so no request of an old apply goes out late.
    sendSoon_.setSingleShot(true);
    sendSoon_.setInterval(0);
    connect(&sendSoon_, &QTimer::timeout, this, &ApplySession::sendNext);
    connect(&tick_, &QTimer::timeout, this, &ApplySession::tick);
}

bool ApplySession::start(net::UdpSocketControl* socket, std::vector<Request> requests,
                         const Options& options) {
    if (requests.empty() || sending_ || following_) return false;
    stop();
    socket_ = socket;
    requests_ = std::move(requests);
    options_ = options;
    next_ = 0;
    slices_ = 0;
    slicesWaited_ = 0;
    sent_ = 0;
    failed_ = 0;
    sending_ = true;
    QList<ApplyTarget> targets;
    for (const Request& request : requests_) targets.append(request.target);
    engine_.BeginSending(targets);
    engine_.wait_flag = false;
    sendNext();
    return true;
}

Received ApplySession::receive(QByteArrayView datagram, uint interfaceIndex) {
    const Received r = engine_.Receive(datagram, interfaceIndex);
    if (sending_ && slice_.isActive() && !engine_.wait_flag) {
        // The previous AP answered: the next request goes out now, though
        // not from inside the socket's handler.
        slice_.stop();
        sendSoon_.start();
    } else if (following_ && engine_.unanswered_targets.isEmpty()) {
        end(End::AllAnswered);
    }
    return r;
}

void ApplySession::stop() {
    sending_ = false;
    following_ = false;
    slice_.stop();
    sendSoon_.stop();
    tick_.stop();
}

void ApplySession::sendNext() {
    if (!sending_ || next_ >= requests_.size()) return;
    const std::size_t index = next_++;
    const Request& request = requests_[index];
    Q_EMIT aboutToSend(static_cast<int>(index), static_cast<int>(requests_.size()));
    const QByteArray datagram =
        engine_.SetRequest(request.record, request.target, options_.waitForReplies);
    // Only through the interface the AP answered on: the same MAC may not be
    // meant on another segment, and the others need not hear it.
    const int written =
        socket_ ? socket_->SendDataVia(datagram, engine_.InterfaceOf(request.target.mac)) : -1;
    if (written >= 0) {
        ++sent_;
    } else {
        ++failed_;
    }
    if (next_ < requests_.size()) {
        slices_ = 0;
        if (engine_.wait_flag) {
            slice_.start(options_.sliceMs);
        } else {
            sendSoon_.start();
        }
        return;
    }
    sending_ = false;
    engine_.RequestsSent();
    Q_EMIT allSent();
    if (!options_.follow) return;
    following_ = true;
    if (engine_.unanswered_targets.isEmpty()) {
        end(End::AllAnswered);
        return;
    }
    tick_.start(options_.tickMs);
}

void ApplySession::sliceOver() {
    ++slices_;
    ++slicesWaited_;
    if (engine_.wait_flag && slices_ < options_.maxSlices) {
        slice_.start(options_.sliceMs);
        return;
    }
    sendNext();
}

void ApplySession::tick() {
    if (engine_.Tick() != TimerTick::Waiting) end(End::Verdict);
}

void ApplySession::end(End how) {
    if (!following_) return;
    following_ = false;
    tick_.stop();
    Q_EMIT ended(how);
}

}  // namespace tern::engine
