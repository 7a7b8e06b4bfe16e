#include "core/engine/ap_engine.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"

namespace tern::engine {

namespace {

// The record's MAC address inside a packet (header + record).
constexpr qsizetype kPacketMacOffset =
    static_cast<qsizetype>(net::kReplyHeaderSize + record::ApConfigRecord::kMacAddrOffset);

}  // namespace

std::optional<record::ApConfigRecord> PacketRecord(QByteArrayView packet) {
    if (packet.size() < static_cast<qsizetype>(net::kDiscoveryPacketSize)) return std::nullopt;
    return record::ApConfigRecord::FromBytes(
        packet.sliced(net::kReplyHeaderSize, net::kRecordSize));
}

// ---------------------------------------------------------------- search

QByteArray ApEngine::StartSearch() {
    datagram_count = 0;
    packets_.clear();
    found_macs.clear();
    foundIndex_.clear();
    interfaces_.clear();
    link_state.NewRequest();
    busy = true;
    replies_done = true;
    expected_replies = 1000000;
    accept_replies = true;
    return net::BuildSearchRequest(link_state.request_marker());
}

bool ApEngine::RememberMac(const QByteArray& packet, uint interfaceIndex) {
    if (packet.size() < kPacketMacOffset + 6) {
        return false;
    }
    record::MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        mac[i] = static_cast<std::uint8_t>(packet[kPacketMacOffset + static_cast<qsizetype>(i)]);
    }
    const QString text = record::MacText(mac);
    // The set mirrors found_macs, so a burst of thousands of replies does not
    // scan the whole list for each one; it is rebuilt if the list was changed
    // behind its back.
    if (foundIndex_.size() != found_macs.size()) {
        foundIndex_ = QSet<QString>(found_macs.begin(), found_macs.end());
    }
    if (foundIndex_.contains(text)) {
        return false;
    }
    found_macs.append(text);
    foundIndex_.insert(text);
    interfaces_.insert(text, interfaceIndex);
    return true;
}

// ---------------------------------------------------------------- receive

Received ApEngine::Receive(QByteArrayView datagram, uint interfaceIndex) {
    ++datagram_count;
    const net::ClassifiedDatagram c = net::ClassifyDatagram(datagram, link_state);
    net::DatagramKind kind = c.kind;
    if (!accept_replies &&
        (kind == net::DatagramKind::DiscoveryReply || kind == net::DatagramKind::ErrorReply)) {
        kind = net::DatagramKind::Other;
    }
    Received r;
    switch (kind) {
        case net::DatagramKind::OldFirmwareReply:
            r.kind = Received::Kind::OldFirmware;
            r.firstOldFirmware = std::exchange(old_fw_pending, false);
            return r;
        case net::DatagramKind::OwnSearchEcho:
        case net::DatagramKind::OwnSetEcho:
            r.kind = Received::Kind::OwnEcho;
            return r;
        case net::DatagramKind::ErrorReply: {
            r.kind = Received::Kind::Refusal;
            record::MacAddress mac = net::ErrorReplyMac(c);
            // A refusal that does not name one of the targets is reported
            // under the target it was credited to.
            // One that matches no target (another tool's, a forged one) is
            // only counted, never reported as a refusal of one of ours.
            const bool applying = !targetMacs_.isEmpty();
            r.credited = credit(c);
            if (!r.credited.isEmpty() || !applying) {
                if (!r.credited.isEmpty() && r.credited != record::MacText(mac)) {
                    mac = record::ParseMacText(r.credited).value_or(mac);
                }
                failed_macs.append(record::MacBytes(mac));
            }
            ++reply_count;
            wait_flag = false;
            break;
        }
        case net::DatagramKind::DiscoveryReply: {
            if (c.payload.size() < static_cast<qsizetype>(net::kDiscoveryPacketSize)) {
                return r;  // never listed without its whole record
            }
            const net::RecordBytes record = net::DiscoveryRecord(c);
            QByteArray packet = c.payload.left(static_cast<qsizetype>(net::kReplyHeaderSize));
            packet.append(reinterpret_cast<const char*>(record.data()),
                          static_cast<qsizetype>(record.size()));
            if (!RememberMac(packet, interfaceIndex)) {
                r.kind = Received::Kind::Duplicate;
                return r;  // a duplicate changes nothing
            }
            busy = false;
            r.kind = Received::Kind::NewAp;
            r.packet = packet;
            r.wirePacket = c.payload.left(static_cast<qsizetype>(net::kDiscoveryPacketSize));
            r.enciphered = c.enciphered;
            r.interfaceIndex = interfaceIndex;
            packets_.append(packet);
            break;
        }
        case net::DatagramKind::Acknowledgement:
            r.kind = Received::Kind::Acknowledgement;
            ++reply_count;
            wait_flag = false;
            r.credited = credit(c);
            break;
        case net::DatagramKind::Other:
            if (!busy) {
                ++reply_count;
            }
            break;
    }
    if (!replies_done && reply_count == expected_replies) {
        replies_done = true;
    }
    return r;
}

QString ApEngine::credit(const net::ClassifiedDatagram& answer) {
    if (targetMacs_.isEmpty()) {
        return {};  // no apply under way: nothing to credit
    }
    const std::optional<record::MacAddress> mac = net::AnswerMac(answer);
    const auto take = [this](const QString& target) {
        for (qsizetype i = 0; i < unanswered_targets.size(); ++i) {
            if (unanswered_targets[i].mac == target) {
                unanswered_targets.removeAt(i);
                return true;
            }
        }
        return false;
    };
    if (mac) {
        const QString text = record::MacText(*mac);
        if (targetMacs_.contains(text)) {
            take(text);  // a second answer from the same AP changes nothing
            return text;
        }
    }
    // No MAC, or none of ours: the answer to the request the program was
    // waiting for, the latest one sent, unless that one has its answer.
    if (!latestTarget_.isEmpty() && take(latestTarget_)) {
        return latestTarget_;
    }
    ++unmatched_;
    return {};
}

// ---------------------------------------------------------------- apply

void ApEngine::BeginApply(int targets) {
    replies_done = false;
    busy = true;
    datagram_count = 0;
    reply_count = 0;
    failed_macs.clear();
    unanswered_targets.clear();
    targetMacs_.clear();
    latestTarget_.clear();
    unmatched_ = 0;
    applyOutstanding_ = false;
    applyTargets_ = targets;
    expected_replies = targets;
}

void ApEngine::BeginSending(const QList<ApplyTarget>& targets) {
    replies_done = false;
    busy = true;
    datagram_count = 0;
    reply_count = 0;
    expected_replies = applyTargets_;
    failed_macs.clear();
    unanswered_targets = targets;
    targetMacs_.clear();
    for (const ApplyTarget& target : targets) targetMacs_.append(target.mac);
    latestTarget_.clear();
    unmatched_ = 0;
}

QByteArray ApEngine::SetRequest(const record::ApConfigRecord& record, const ApplyTarget& target,
                                bool waitForReply) {
    link_state.NewRequest();
    const QByteArray request =
        net::BuildSetRequest(link_state.request_marker(), link_state.link_key(), record.bytes());
    if (!targetMacs_.contains(target.mac)) {
        unanswered_targets.append(target);
        targetMacs_.append(target.mac);
    }
    latestTarget_ = target.mac;
    if (waitForReply) {
        wait_flag = true;
    }
    accept_replies = true;
    return request;
}

void ApEngine::RequestsSent() {
    replies_done = false;
    busy = true;
    datagram_count = 0;
    // Every reply may already have come while the requests went out; the
    // receive path would not see the count reach the target again.
    if (reply_count == expected_replies) {
        replies_done = true;
    }
    applyOutstanding_ = true;
}

std::optional<Unconfirmed> ApEngine::TakeUnconfirmed() {
    if (!applyOutstanding_) {
        return std::nullopt;
    }
    applyOutstanding_ = false;
    Unconfirmed u;
    u.silent = std::exchange(unanswered_targets, {});
    u.unmatched = std::exchange(unmatched_, 0);
    targetMacs_.clear();
    latestTarget_.clear();
    // Every reply the apply waited for came: nothing is unconfirmed, even
    // where a reply could not be told apart; the refusals are reported as
    // usual.
    if (u.silent.isEmpty() || reply_count >= expected_replies) {
        return std::nullopt;
    }
    u.missing = std::max(0, expected_replies - reply_count);
    u.refusals = std::exchange(failed_macs, {});
    return u;
}

// ---------------------------------------------------------------- ticks

TimerTick ApEngine::Tick() {
    if (!busy || datagram_count == 0 || datagram_count == 1) {
        return TimerTick::Settled;
    }
    ++tick_count;
    if (replies_done) {
        busy = false;
        tick_count = 0;
        replies_done = false;
        return TimerTick::Concluded;
    }
    if (tick_count >= kTicksPerApply) {
        return TimerTick::TimedOut;
    }
    return TimerTick::Waiting;
}

void ApEngine::SettleDone() {
    tick_count = 0;
    busy = false;
}

bool ApEngine::RefreshTick() {
    ++tick_count;
    return tick_count == kTicksPerApply;
}

}  // namespace tern::engine
