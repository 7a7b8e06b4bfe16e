#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/net/protocol.h"
#include "core/record/ap_config_record.h"

namespace tern::engine {

// An AP an apply sends to: its MAC text and the name it is reported by.
struct ApplyTarget {
    QString mac;
    QString name;
};

// The AP's record inside a stored packet (reply header, record in host
// order); nothing when the packet is too short to hold one.
std::optional<record::ApConfigRecord> PacketRecord(QByteArrayView packet);

// What one received datagram meant to the search or apply under way.
struct Received {
    enum class Kind {
        Other,            // not for us, or not now
        OwnEcho,          // our own request, back from the broadcast
        Duplicate,        // an AP already listed
        NewAp,            // an AP answering the search for the first time
        OldFirmware,      // an AP whose firmware is too old to be configured
        Acknowledgement,  // "kplack"
        Refusal,          // "kplerr"
    };
    Kind kind = Kind::Other;
    // OldFirmware: the first one since the program started (warn once).
    bool firstOldFirmware = false;
    // NewAp: the 1180-byte packet (reply header, record in host order), the
    // same as it came (record in wire order), and whether the reply was
    // enciphered.
    QByteArray packet;
    QByteArray wirePacket;
    bool enciphered = false;
    // NewAp: the interface it answered on (0 when not known); the AP is
    // listed on the first one it was heard on.
    uint interfaceIndex = 0;
    // Acknowledgement / Refusal: the target the answer was credited to;
    // empty when it could not be matched.
    QString credited;
};

// How a tick of the search-and-apply timer ends.
enum class TimerTick {
    Settled,    // a search (or an apply that heard too little) is settled
    Concluded,  // every expected reply of the apply came
    TimedOut,   // the apply waited its five ticks
    Waiting,    // the apply waits on
};

// Why an apply ended without every expected reply, for its report.
struct Unconfirmed {
    QList<ApplyTarget> silent;   // the targets without an answer (named only when unmatched is 0)
    int missing = 0;             // expected replies that did not come
    int unmatched = 0;           // replies that could not be told apart
    QList<QByteArray> refusals;  // the refusing APs' MACs (6 bytes each)
};

// The one place where searches and applies happen, without widgets: the
// link state, the requests, what every datagram means, each AP listed once
// with its packet, acknowledgements and refusals counted and credited, and
// the ticks that settle a search and conclude an apply. The window and
// tern-ap-cli drive it and show what it says; time reaches it only as
// ticks, so tests drive them without waiting.
class ApEngine {
  public:
    static constexpr int kTicksPerApply = 5;

    // ---- the state of searches and applies, under the names the window
    // has always used (it refers to these members)
    bool old_fw_pending = true;
    bool replies_done = false;
    bool busy = false;
    bool accept_replies = false;
    bool wait_flag = false;
    int tick_count = 0;
    int datagram_count = 0;
    int reply_count = 0;
    int expected_replies = 1000000;
    QStringList found_macs;
    QList<QByteArray> failed_macs;  // 6-byte addresses
    QList<ApplyTarget> unanswered_targets;
    net::LinkState link_state;

    // ---- search
    // Empties the list of APs, draws a new marker and returns the search
    // request to broadcast.
    QByteArray StartSearch();
    // Every AP that answered since the search started, in arrival order:
    // MAC text and packet (reply header, record in host order).
    const QList<QByteArray>& packets() const { return packets_; }

    // The interface the AP with this MAC text answered the search on; 0
    // when unknown (its requests then go where the routing table says).
    uint InterfaceOf(const QString& mac) const { return interfaces_.value(mac, 0); }

    // ---- receive: one datagram of any length, and the interface it
    // arrived on
    Received Receive(QByteArrayView datagram, uint interfaceIndex = 0);

    // ---- apply
    // The click: counts and refusals start from nothing for `targets` APs.
    void BeginApply(int targets);
    // The requests are about to go out (after the login): the counts start
    // again, every target known, so an answer naming any of them is
    // credited to it whenever it comes.
    void BeginSending(const QList<ApplyTarget>& targets);
    // The set request for one target: its record (host order, login
    // written in) under a new marker. `waitForReply` sets wait_flag, as a
    // multi-AP apply waits for each AP's answer.
    QByteArray SetRequest(const record::ApConfigRecord& record, const ApplyTarget& target,
                          bool waitForReply);
    // The requests are out; the apply is followed until it ends.
    void RequestsSent();
    bool applyOutstanding() const { return applyOutstanding_; }
    // Ends the apply's bookkeeping. Nothing when the apply was not
    // outstanding, or every expected reply came; otherwise who did not
    // answer (or only the counts, where replies could not be told apart) and
    // the refusals, which are then taken.
    std::optional<Unconfirmed> TakeUnconfirmed();

    // ---- ticks
    // The 2-s timer: settles a search, concludes or times out an apply.
    // Settled leaves busy and tick_count for the caller to reset once its
    // own steps are done (SettleDone); the others set them.
    TimerTick Tick();
    void SettleDone();
    // The 1.5-s timer that waits before the refusal report: true at its
    // fifth tick (the count then starts again).
    bool RefreshTick();

  private:
    // True when the packet's MAC was new; it is then in found_macs, heard
    // on that interface.
    bool RememberMac(const QByteArray& packet, uint interfaceIndex);
    QString credit(const net::ClassifiedDatagram& answer);

    QList<QByteArray> packets_;
    QSet<QString> foundIndex_;         // the texts of found_macs, for lookups
    QHash<QString, uint> interfaces_;  // MAC text -> interface it answered on
    bool applyOutstanding_ = false;
    int applyTargets_ = 0;
    QStringList targetMacs_;
    QString latestTarget_;
    int unmatched_ = 0;
};

}  // namespace tern::engine
