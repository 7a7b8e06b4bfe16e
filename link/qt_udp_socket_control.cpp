#include "link/qt_udp_socket_control.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QVariant>

#include "link/net_interfaces.h"
#include <QtDebug>

namespace tern::link {

QtUdpSocketControl::QtUdpSocketControl(QObject* parent) : UdpSocketControl(parent) {}

QtUdpSocketControl::~QtUdpSocketControl() {
    CloseSocket();
}

bool QtUdpSocketControl::OpenSocket() {
    CloseSocket();
    socket_ = std::make_unique<QUdpSocket>();
    // AnyIPv4, not Any: on a dual-stack socket sender addresses come back
    // IPv4-mapped and broadcasts are not delivered.
    if (!socket_->bind(QHostAddress::AnyIPv4, static_cast<quint16>(lclPort),
                       QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        lastError_ = socket_->errorString();
        qWarning().noquote() << "UDP port" << lclPort << "could not be opened:" << lastError_;
        socket_.reset();
        return false;
    }
    // Set after bind: before it there is no descriptor to set it on.
    socket_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kWantedReceiveBuffer);
    receiveBuffer_ =
        socket_->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    if (receiveBuffer_ < kWantedReceiveBuffer) {
        qWarning().noquote() << "UDP receive buffer limited to" << receiveBuffer_
                             << "bytes (net.core.rmem_max); a large search burst may lose replies";
    }
    connect(socket_.get(), &QUdpSocket::readyRead, this, &QtUdpSocketControl::drainPending);
    return true;
}

void QtUdpSocketControl::drainPending() {
    // Everything pending is read here, inside the socket's own notification:
    // a datagram left unread would silence the socket. Only the handing on
    // is spread over turns of the event loop.
    while (socket_ && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_->receiveDatagram();
        if (!datagram.isValid()) {
            break;
        }
        // Each waiting datagram costs its bytes and its bookkeeping, so a
        // flood of empty ones is bounded too.
        const qsizetype cost = datagram.data().size() + kInboxOverheadBytes;
        if (inboxBytes_ + cost > kMaxInboxBytes) {
            if (dropped_++ == 0) {
                qWarning().noquote() << "UDP datagrams arrive faster than they can be handled;"
                                        " some are dropped";
            }
            continue;
        }
        inboxBytes_ += cost;
        inbox_.push_back({datagram.data(), datagram.interfaceIndex()});
    }
    handOnTurn();
}

void QtUdpSocketControl::handOnTurn() {
    handOnQueued_ = false;
    if (handingOn_) {
        return;  // a handler's own event loop: the loop below goes on afterwards
    }
    const QPointer<QtUdpSocketControl> self(this);
    handingOn_ = true;
    for (int n = 0; n < kMaxDatagramsPerTurn && socket_ && !inbox_.empty(); ++n) {
        const Waiting next = std::move(inbox_.front());
        inbox_.pop_front();
        inboxBytes_ -= next.datagram.size() + kInboxOverheadBytes;
        Q_EMIT OnRecv(next.datagram, next.interfaceIndex);
        if (!self) return;
    }
    handingOn_ = false;
    // The rest waits behind whatever else is queued (a box to open, a
    // repaint), so a flood never starves the window.
    if (socket_ && !inbox_.empty() && !handOnQueued_) {
        handOnQueued_ = true;
        QMetaObject::invokeMethod(this, &QtUdpSocketControl::handOnTurn, Qt::QueuedConnection);
    }
}

int QtUdpSocketControl::SendDataVia(QByteArrayView datagram, uint interfaceIndex) {
    if (!socket_) {
        return -1;
    }
    QNetworkDatagram out(datagram.toByteArray(), QHostAddress(RmtAddr),
                         static_cast<quint16>(rmtPort));
    // The interface travels with the datagram (IP_PKTINFO): no privilege
    // needed, unlike binding the socket to a device.
    out.setInterfaceIndex(interfaceIndex);
    const qint64 sent = socket_->writeDatagram(out);
    if (sent < 0) {
        lastError_ = socket_->errorString();
    }
    return static_cast<int>(sent);
}

void QtUdpSocketControl::CloseSocket() {
    inbox_.clear();
    inboxBytes_ = 0;
    if (socket_) {
        socket_->disconnect(this);
        socket_->close();
        socket_.reset();
    }
}

QList<NetInterface> QtUdpSocketControl::searchInterfaces() const {
    return restricted_ ? chosen_ : BroadcastInterfaces(SystemInterfaces());
}

QString QtUdpSocketControl::otherInterfaceName(uint index) const {
    return QNetworkInterface::interfaceNameFromIndex(static_cast<int>(index));
}

void QtUdpSocketControl::restrictTo(QList<NetInterface> interfaces) {
    chosen_ = std::move(interfaces);
    restricted_ = true;
}

bool QtUdpSocketControl::isOpen() const {
    return socket_ != nullptr;
}

}  // namespace tern::link
