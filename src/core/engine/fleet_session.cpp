#include "core/engine/fleet_session.h"

#include <algorithm>
#include <functional>

#include "core/engine/ap_engine.h"
#include "core/net/udp_socket_control.h"
#include "core/record/net_types.h"

namespace tern::engine {

namespace {

// How often the session looks at its clock while it works: often enough
// that a resend is late by at most this, seldom enough to cost nothing.
constexpr int kStepMs = 10;
// Past every answer's last wait, the sending ends whatever happened: a
// bound on the whole run, however the answers come.
constexpr int kSendGraceMs = 5000;

}  // namespace

FleetSession::FleetSession(net::UdpSocketControl& socket, const Options& options, QObject* parent)
    : QObject(parent), socket_(socket), o_(options) {
    o_.searchRequests = std::max(1, o_.searchRequests);
    o_.parallel = std::max(1, o_.parallel);
    o_.retries = std::max(0, o_.retries);
    timer_.setInterval(kStepMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (phase_ == Phase::Searching) searchStep();
        if (phase_ == Phase::Sending) checkDeadlines();
    });
    connect(&socket_, &net::UdpSocketControl::OnRecv, this, &FleetSession::receive);
    clock_.start();
}

void FleetSession::stop() {
    phase_ = Phase::Idle;
    timer_.stop();
}

void FleetSession::cancel() {
    if (phase_ == Phase::Searching) {
        // From the event loop: the caller may be inside a signal of ours.
        searchStart_ = clock_.elapsed() - o_.searchWindowMs;
        QTimer::singleShot(0, this, [this] {
            if (phase_ == Phase::Searching) searchStep();
        });
        return;
    }
    if (phase_ != Phase::Sending || cancelling_) return;
    cancelling_ = true;
    // A job waiting for its resend had its request out and unanswered: no
    // answer, though the read-back may yet find it changed.
    for (const std::size_t i : queue_)
        settle(i, jobs_[i].sends == 0 ? Answer::NotSent : Answer::NoAnswer);
    queue_.clear();
    sendDeadline_ = std::min(sendDeadline_, clock_.elapsed() + kCancelWaitMs);
    QTimer::singleShot(0, this, [this] {
        if (phase_ == Phase::Sending) checkDeadlines();
    });
}

// ---------------------------------------------------------------- search

void FleetSession::search(const QSet<QString>& wanted) {
    stop();
    wanted_ = wanted;
    heard_.clear();
    found_.clear();
    searchLinks_.clear();
    searchSent_ = 0;
    heardAtLastRequest_ = 0;
    searchStart_ = clock_.elapsed();
    lostBefore_ = socket_.lostCount();
    phase_ = Phase::Searching;
    timer_.start();
    searchStep();
}

void FleetSession::searchStep() {
    const qint64 age = clock_.elapsed() - searchStart_;
    const bool allHeard = !wanted_.isEmpty() &&
                          std::all_of(wanted_.begin(), wanted_.end(),
                                      [this](const QString& mac) { return heard_.contains(mac); });
    if (allHeard || age >= o_.searchWindowMs) {
        endSearch();
        return;
    }
    // The first requests close together; while APs the caller waits for
    // are still unheard, one more now and then until the window closes.
    const qint64 due = searchSent_ < o_.searchRequests
                           ? qint64(searchSent_) * o_.searchSpacingMs
                           : qint64(o_.searchRequests - 1) * o_.searchSpacingMs +
                                 qint64(searchSent_ - o_.searchRequests + 1) * 3 *
                                     std::max(o_.searchSpacingMs, 100);
    // Without named APs, one more as long as the last one still brought APs
    // not heard before: on a lossy segment the last few are found by a
    // fourth or fifth request, and a segment that has answered in full
    // costs no more than the first ones.
    const bool stillNew = heard_.size() > heardAtLastRequest_;
    const bool more = searchSent_ < o_.searchRequests || !wanted_.isEmpty() || stillNew;
    if (more && age >= due && searchSent_ < 64) {
        heardAtLastRequest_ = heard_.size();
        searchLinks_.emplace_back();
        searchLinks_.back().NewRequest();
        ++searchSent_;
        counters_.searchRequests +=
            socket_.BroadcastData(net::BuildSearchRequest(searchLinks_.back().request_marker()));
    }
}

void FleetSession::endSearch() {
    stop();
    counters_.lost += socket_.lostCount() - lostBefore_;
    Q_EMIT searched();
}

void FleetSession::takeReply(const net::ClassifiedDatagram& c, uint interfaceIndex) {
    if (c.kind != net::DatagramKind::DiscoveryReply ||
        c.payload.size() < static_cast<qsizetype>(net::kDiscoveryPacketSize)) {
        return;
    }
    const net::RecordBytes record = net::DiscoveryRecord(c);
    const record::ApConfigRecord parsed(record);
    const QString mac = record::MacText(parsed.mac_addr());
    if (heard_.contains(mac)) return;
    heard_.insert(mac);
    SearchSession::Found ap;
    ap.mac = parsed.mac_addr();
    ap.packet = c.payload.left(static_cast<qsizetype>(net::kDiscoveryPacketSize));
    ap.record = record;
    ap.enciphered = c.enciphered;
    ap.interfaceIndex = interfaceIndex;
    ap.interfaceName = socket_.interfaceName(interfaceIndex);
    found_.push_back(std::move(ap));
}

// ---------------------------------------------------------------- receive

void FleetSession::receive(const QByteArray& datagram, uint interfaceIndex) {
    if (phase_ == Phase::Searching) {
        // A reply to any request of this search is read with that request's
        // key; one that starts with none of the markers is plain.
        const net::LinkState* under = nullptr;
        for (const net::LinkState& l : searchLinks_) {
            if (net::StartsWithMarker(datagram, l.request_marker())) {
                under = &l;
                break;
            }
        }
        takeReply(
            under ? net::ClassifyDatagram(datagram, *under) : net::ClassifyPlainDatagram(datagram),
            interfaceIndex);
        return;
    }
    if (phase_ != Phase::Sending) return;
    const SetLink* under = nullptr;
    for (const SetLink& l : setLinks_) {
        if (net::StartsWithMarker(datagram, l.marker)) {
            under = &l;
            break;
        }
    }
    const net::ClassifiedDatagram c =
        under ? net::ClassifyDatagram(datagram, under->marker, under->key)
              : net::ClassifyPlainDatagram(datagram);
    if (c.kind == net::DatagramKind::Acknowledgement || c.kind == net::DatagramKind::ErrorReply) {
        takeAnswer(c, under);
    }
}

void FleetSession::takeAnswer(const net::ClassifiedDatagram& c, const SetLink* under) {
    // The MAC the answer carries says whose it is; else the request whose
    // key it came under.
    std::size_t job = jobs_.size();
    if (const auto mac = net::AnswerMac(c)) job = jobOfMac(record::MacText(*mac));
    if (job == jobs_.size() && under != nullptr) job = under->job;
    if (job == jobs_.size()) {
        ++counters_.unmatchedAnswers;
        return;
    }
    // A second answer (to a resend) changes nothing; nor does an answer for
    // an AP not sent to yet (another tool's, or one to an earlier run).
    if (jobs_[job].answer != Answer::Pending || jobs_[job].sends == 0) {
        ++counters_.unmatchedAnswers;
        return;
    }
    settle(job,
           c.kind == net::DatagramKind::Acknowledgement ? Answer::Acknowledged : Answer::Refused);
    pump();
}

std::size_t FleetSession::jobOfMac(const QString& mac) const {
    return jobByMac_.value(mac, jobs_.size());
}

// ---------------------------------------------------------------- send

int FleetSession::backoffMs(int sends) const {
    qint64 wait = o_.answerTimeoutMs;
    for (int i = 1; i < sends && wait < o_.maxBackoffMs; ++i) wait *= 2;
    return static_cast<int>(std::min<qint64>(wait, std::max(o_.maxBackoffMs, o_.answerTimeoutMs)));
}

void FleetSession::send(std::vector<Job> jobs) {
    stop();
    jobs_ = std::move(jobs);
    jobByMac_.clear();
    queue_.clear();
    outstanding_.clear();
    setLinks_.clear();
    settled_ = 0;
    cancelling_ = false;
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
        jobs_[i].answer = Answer::Pending;
        jobs_[i].sends = 0;
        jobByMac_.insert(jobs_[i].mac, i);
        queue_.push_back(i);
    }
    qint64 oneJob = 0;
    for (int s = 1; s <= o_.retries + 1; ++s) oneJob += backoffMs(s);
    const qint64 rounds = (qint64(jobs_.size()) + o_.parallel - 1) / o_.parallel;
    sendDeadline_ = clock_.elapsed() + (rounds + 1) * oneJob + kSendGraceMs;
    phase_ = Phase::Sending;
    if (jobs_.empty()) {
        endSending();
        return;
    }
    timer_.start();
    pump();
}

void FleetSession::pump() {
    while (phase_ == Phase::Sending && !cancelling_ && !queue_.empty() &&
           outstanding_.size() < static_cast<qsizetype>(o_.parallel)) {
        const std::size_t next = queue_.front();
        queue_.pop_front();
        if (jobs_[next].answer == Answer::Pending) sendJob(next);
    }
    if (phase_ == Phase::Sending && settled_ >= jobs_.size()) endSending();
}

void FleetSession::sendJob(std::size_t index) {
    Job& job = jobs_[index];
    setLink_.NewRequest();  // every request its own marker and key
    setLinks_.push_back({setLink_.request_marker(), setLink_.link_key(), index});
    const QByteArray request =
        net::BuildSetRequest(setLink_.request_marker(), setLink_.link_key(), job.record.bytes());
    if (job.sends > 0) ++counters_.resends;
    ++job.sends;
    ++counters_.setRequests;
    // Only through the interface the AP answered on: never onto another
    // segment. A failed send waits like a lost one and is sent again.
    socket_.SendDataVia(request, job.interfaceIndex);
    outstanding_.insert(index, clock_.elapsed() + backoffMs(job.sends));
}

void FleetSession::settle(std::size_t index, Answer answer) {
    if (jobs_[index].answer != Answer::Pending) return;  // settled once only
    jobs_[index].answer = answer;
    outstanding_.remove(index);
    ++settled_;
    Q_EMIT progress(static_cast<int>(settled_), static_cast<int>(jobs_.size()));
}

void FleetSession::checkDeadlines() {
    const qint64 now = clock_.elapsed();
    std::vector<std::size_t> due;
    for (auto it = outstanding_.begin(); it != outstanding_.end(); ++it) {
        if (it.value() <= now) due.push_back(it.key());
    }
    // Resends go first, the lowest job first.
    std::sort(due.begin(), due.end(), std::greater<>());
    for (const std::size_t index : due) {
        outstanding_.remove(index);
        if (jobs_[index].sends <= o_.retries && !cancelling_) {
            queue_.push_front(index);  // the same record again: harmless to an AP
        } else {
            settle(index, Answer::NoAnswer);
        }
    }
    if (now >= sendDeadline_) {
        queue_.clear();
        for (std::size_t i = 0; i < jobs_.size(); ++i) {
            settle(i, jobs_[i].sends > 0 ? Answer::NoAnswer : Answer::NotSent);
        }
        endSending();  // whatever the counts say: the deadline is the bound
        return;
    }
    pump();
}

void FleetSession::endSending() {
    stop();
    Q_EMIT sent();
}

}  // namespace tern::engine
