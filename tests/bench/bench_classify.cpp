// Receive-path throughput: how many datagrams per second the classifier
// (and, for discovery replies, deciphering and byte-order conversion of the
// record) gets through.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstring>
#include <vector>

#include "core/net/protocol.h"

namespace tern::net {
namespace {

const RequestMarker kMarker = {0x31, 0x42, 0x53, 0x64, 0x75, 0x86, 0x97, 0xA8};

QByteArray Payload(int apIndex) {
    QByteArray payload;
    payload.append(kFirmwareModel);
    payload.append("AP-QB2-Z01");
    payload.append(kFirmwareSuffix);
    payload.append(QByteArray(8, '\0'));
    RecordBytes record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(i * 13 + static_cast<std::size_t>(apIndex));
    }
    record[1135] = static_cast<std::uint8_t>(apIndex);
    payload.append(reinterpret_cast<const char*>(record.data()), kRecordSize);
    return payload;
}

QByteArray Enciphered(const QByteArray& payload) {
    QByteArray datagram(reinterpret_cast<const char*>(kMarker.data()), kMarkerSize);
    datagram.append(static_cast<char>((payload.size() >> 8) & 0xFF));
    datagram.append(static_cast<char>(payload.size() & 0xFF));
    datagram.append(CipherRun(DeriveLinkKey(kMarker), payload));
    return datagram;
}

// Sixteen different APs, so the loop does not read one buffer only.
std::vector<QByteArray> Replies(bool enciphered) {
    std::vector<QByteArray> replies;
    for (int ap = 0; ap < 16; ++ap) {
        replies.push_back(enciphered ? Enciphered(Payload(ap)) : Payload(ap));
    }
    return replies;
}

void RunDiscovery(benchmark::State& state, const std::vector<QByteArray>& replies) {
    LinkState link;
    link.SetMarker(kMarker);
    std::size_t next = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const QByteArray& datagram = replies[next];
        next = (next + 1) % replies.size();
        const ClassifiedDatagram c = ClassifyDatagram(datagram, link);
        if (c.kind != DatagramKind::DiscoveryReply) {
            state.SkipWithError("not classified as a discovery reply");
            break;
        }
        RecordBytes record = DiscoveryRecord(c);
        benchmark::DoNotOptimize(record);
        bytes += datagram.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(bytes);
}

void BM_EncipheredDiscoveryReply(benchmark::State& state) { RunDiscovery(state, Replies(true)); }
BENCHMARK(BM_EncipheredDiscoveryReply);

void BM_PlainDiscoveryReply(benchmark::State& state) { RunDiscovery(state, Replies(false)); }
BENCHMARK(BM_PlainDiscoveryReply);

// Datagrams that end as `other`: noise, a short tag, and a full-size reply
// enciphered under an earlier request's marker (taken as plain).
void BM_OtherDatagrams(benchmark::State& state) {
    LinkState link;
    link.SetMarker(kMarker);
    QByteArray stale = Enciphered(Payload(1));
    stale[7] = static_cast<char>(stale[7] ^ 0x01);
    const std::vector<QByteArray> datagrams = {QByteArrayLiteral("hello, segment"),
                                               QByteArrayLiteral("kpl"), stale,
                                               QByteArray(64, '\x7F')};
    std::size_t next = 0;
    for (auto _ : state) {
        const ClassifiedDatagram c = ClassifyDatagram(datagrams[next], link);
        next = (next + 1) % datagrams.size();
        if (c.kind != DatagramKind::Other) {
            state.SkipWithError("not classified as other");
            break;
        }
        benchmark::DoNotOptimize(c.payload.constData());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OtherDatagrams);

// The cipher alone over one reply's worth of bytes, for comparison.
void BM_CipherRun1180(benchmark::State& state) {
    const LinkKey key = DeriveLinkKey(kMarker);
    const QByteArray payload = Payload(0);
    for (auto _ : state) {
        QByteArray out = CipherRun(key, payload);
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * payload.size());
}
BENCHMARK(BM_CipherRun1180);

// The yardstick for the codec: RC4 as plain C would do it per datagram,
// a schedule and 1180 bytes, no allocation.
struct RefRc4 {
    unsigned char s[256];
    unsigned char i, j;
};

void RefSchedule(RefRc4* r, const unsigned char* key, int keyLength) {
    for (int k = 0; k < 256; ++k) r->s[k] = static_cast<unsigned char>(k);
    unsigned char j = 0;
    for (int k = 0; k < 256; ++k) {
        j = static_cast<unsigned char>(j + r->s[k] + key[k % keyLength]);
        const unsigned char t = r->s[k];
        r->s[k] = r->s[j];
        r->s[j] = t;
    }
    r->i = r->j = 0;
}

void RefCrypt(RefRc4* r, const unsigned char* in, unsigned char* out, int n) {
    unsigned char i = r->i, j = r->j;
    for (int k = 0; k < n; ++k) {
        i = static_cast<unsigned char>(i + 1);
        j = static_cast<unsigned char>(j + r->s[i]);
        const unsigned char t = r->s[i];
        r->s[i] = r->s[j];
        r->s[j] = t;
        out[k] =
            static_cast<unsigned char>(in[k] ^ r->s[static_cast<unsigned char>(r->s[i] + r->s[j])]);
    }
    r->i = i;
    r->j = j;
}

void BM_PlainCRc4ScheduleAndDecipher1180(benchmark::State& state) {
    const LinkKey key = DeriveLinkKey(kMarker);
    const QByteArray payload = Payload(0);
    unsigned char out[1180];
    for (auto _ : state) {
        RefRc4 r;
        RefSchedule(&r, key.data(), static_cast<int>(key.size()));
        RefCrypt(&r, reinterpret_cast<const unsigned char*>(payload.constData()), out, 1180);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * payload.size());
}
BENCHMARK(BM_PlainCRc4ScheduleAndDecipher1180);

}  // namespace
}  // namespace tern::net

BENCHMARK_MAIN();
