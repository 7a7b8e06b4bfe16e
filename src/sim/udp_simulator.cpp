#include "sim/udp_simulator.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QVariant>

namespace tern::sim {

namespace {
// A full send buffer is retried this often, 1 ms apart, before a reply is
// given up: the simulator never loops without end.
constexpr int kMaxRetries = 2000;
}  // namespace

UdpSimulator::UdpSimulator(ApSimulator simulator, int port, QObject* parent)
    : QObject(parent), simulator_(std::move(simulator)), port_(port) {
    retry_.setSingleShot(true);
    retry_.setInterval(1);
    connect(&retry_, &QTimer::timeout, this, &UdpSimulator::flush);
}

bool UdpSimulator::open(QString* error) {
    if (!socket_.bind(QHostAddress::AnyIPv4, static_cast<quint16>(port_),
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        if (error) {
            *error = socket_.errorString();
        }
        return false;
    }
    socket_.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 * 1024 * 1024);
    socket_.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 8 * 1024 * 1024);
    connect(&socket_, &QUdpSocket::readyRead, this, &UdpSimulator::readPending);
    return true;
}

void UdpSimulator::readPending() {
    while (socket_.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_.receiveDatagram();
        if (!datagram.isValid()) {
            break;
        }
        if (datagram.data().startsWith(QByteArrayView(net::kTagSet))) {
            Q_EMIT setRequestReceived();
        }
        auto replies = simulator_.handle(datagram.data());
        if (replies.empty()) {
            continue;
        }
        ++requests_;
        for (SimReply& reply : replies) {
            queueReply(std::move(reply.datagram), reply.delayMs);
        }
        Q_EMIT requestHandled();
    }
}

void UdpSimulator::queueReply(QByteArray datagram, int delayMs) {
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, this, [this, datagram = std::move(datagram)]() mutable {
            outbox_.push_back(std::move(datagram));
            flush();
        });
        return;
    }
    outbox_.push_back(std::move(datagram));
    flush();
}

void UdpSimulator::flush() {
    while (!outbox_.empty()) {
        const qint64 n = socket_.writeDatagram(outbox_.front(), QHostAddress::Broadcast,
                                               static_cast<quint16>(port_));
        if (n < 0) {
            if (++retries_ <= kMaxRetries) {
                retry_.start();
                return;
            }
            ++failures_;
        } else {
            ++sent_;
        }
        retries_ = 0;
        outbox_.pop_front();
    }
}

}  // namespace tern::sim
