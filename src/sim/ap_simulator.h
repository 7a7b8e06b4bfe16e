#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "core/net/protocol.h"
#include "core/record/ap_config_record.h"

namespace tern::sim {

// One simulated access point: its record as it would send it, its
// management login and how it behaves on the wire.
struct SimulatedAp {
    record::ApConfigRecord record;  // host order; mgmt fields are never sent
    QByteArray user = "admin";
    QByteArray password = "admin";
    bool oldFirmware = false;  // answers a search with the old identifier only
    bool silentOnSet = false;  // never answers a set request, nor takes it
    bool silentOnSearch = false;
    // Acknowledges a set request with the right login but keeps its old
    // settings: an AP whose firmware drops what it was sent.
    bool acksWithoutTaking = false;
    int setsTaken = 0;  // set requests whose settings this AP took (kept by the simulator)
};

// How the whole simulated segment behaves. Each loss is its own chance in
// percent, drawn from one generator in a fixed order, so a seed reproduces
// a run: per set request the loss of the request, then of its answer, then
// the delay; per search reply its loss, then its delay.
struct SimOptions {
    bool plainReplies = false;  // discovery replies not enciphered
    int dropPercent = 0;        // each reply to a search lost
    // Each answer to a set request ("kplack" or "kplerr") lost on its way
    // back: the AP got the request and acted on it, only the answer is lost.
    int ackDropPercent = 0;
    // Each set request lost before its AP sees it: nothing taken, no answer.
    int setDropPercent = 0;
    int maxDelayMs = 0;  // each reply delayed by 0..maxDelayMs
    std::uint32_t seed = 1;
};

// A reply an AP sends: the datagram and how long after the request.
struct SimReply {
    QByteArray datagram;
    int delayMs = 0;
};

// The device side of the wire protocol for any number of APs. It answers a
// search with one discovery reply per AP and a set request addressed (by
// the record's MAC) to one of its APs with "kplack", keeping the record it
// received exactly (less the login), or with "kplerr" and the AP's MAC when
// the login is wrong. Everything else, the replies of other APs included, is
// ignored.
class ApSimulator {
  public:
    static constexpr char kVariant[] = "AP-TRN-G01";  // header bytes 6..15

    explicit ApSimulator(std::vector<SimulatedAp> aps, SimOptions options = {});

    std::vector<SimReply> handle(QByteArrayView datagram);

    const std::vector<SimulatedAp>& aps() const { return aps_; }
    std::vector<SimulatedAp>& aps() { return aps_; }
    const SimOptions& options() const { return options_; }

    int searchesAnswered() const { return searches_; }
    int searchRepliesDropped() const { return searchRepliesDropped_; }

    // Every well-formed set request that came, whichever AP it names (ours or
    // not), before any loss: stays put when the program sent nothing.
    int setRequestsSeen() const { return setRequestsSeen_; }
    int setRequestsLost() const { return setRequestsLost_; }  // by setDropPercent
    // Set requests that reached the AP they name, whatever it did with them.
    int setRequestsReachingAps() const { return setRequestsReachingAps_; }
    int setsAccepted() const { return accepted_; }
    int setsRefused() const { return refused_; }
    int answersDropped() const { return answersDropped_; }  // by ackDropPercent
    // APs that took the settings of at least one set request (identical to
    // what they held or not); each AP's own count is its `setsTaken`.
    int apsChanged() const;

    // The 1180-byte discovery payload of an AP: header + record in wire order.
    static QByteArray DiscoveryPayload(const SimulatedAp& ap);

  private:
    std::vector<SimReply> answerSearch(const net::RequestMarker& marker);
    std::vector<SimReply> answerSet(QByteArrayView datagram);
    bool lost(int percent);
    int delay();

    std::vector<SimulatedAp> aps_;
    SimOptions options_;
    std::mt19937 random_;
    int searches_ = 0;
    int searchRepliesDropped_ = 0;
    int setRequestsSeen_ = 0;
    int setRequestsLost_ = 0;
    int setRequestsReachingAps_ = 0;
    int accepted_ = 0;
    int refused_ = 0;
    int answersDropped_ = 0;
};

// `count` APs with distinct MACs (02-54-45-xx-xx-xx, locally administered),
// names "TernAP-0001"... and SSIDs "tern-0001"..., and settings that vary
// from AP to AP (modes, address modes, WEP off/64/128, hex and ASCII keys,
// WPA-PSK, 802.1X). With `first`, the numbering starts there: AP number
// first + 1 has the same MAC and settings whichever call made it.
std::vector<SimulatedAp> GenerateAps(int count, int first = 0);

// A small segment for the demo mode: a handful of APs with clearly different
// settings, one with a different login (user "admin", password "secret").
std::vector<SimulatedAp> DemoAps(int count, bool withOldFirmware = false);

}  // namespace tern::sim
