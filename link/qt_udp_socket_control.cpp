#include "link/qt_udp_socket_control.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QPointer>
#include <QVariant>
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
    drainQueued_ = false;
    if (reading_) {
        return;  // a handler's own event loop: the loop below goes on afterwards
    }
    const QPointer<QtUdpSocketControl> self(this);
    reading_ = true;
    readTurn();
    if (self) reading_ = false;
}

void QtUdpSocketControl::readTurn() {
    // readyRead is not raised again while a datagram is left unread, nor
    // while a handler of it runs; so what is not read in this turn is read
    // in the next one, queued behind whatever else waits (a box to open, a
    // repaint). The socket may be closed by a handler.
    for (int n = 0; socket_ && socket_->hasPendingDatagrams(); ++n) {
        if (n == kMaxDatagramsPerTurn) {
            if (!drainQueued_) {
                drainQueued_ = true;
                QMetaObject::invokeMethod(this, &QtUdpSocketControl::drainPending,
                                          Qt::QueuedConnection);
            }
            return;
        }
        const QNetworkDatagram datagram = socket_->receiveDatagram();
        if (!datagram.isValid()) {
            break;
        }
        Q_EMIT OnRecv(datagram.data());
    }
}

int QtUdpSocketControl::SendData(QByteArrayView datagram) {
    if (!socket_) {
        return -1;
    }
    const qint64 sent = socket_->writeDatagram(datagram.data(), datagram.size(),
                                               QHostAddress(RmtAddr),
                                               static_cast<quint16>(rmtPort));
    if (sent < 0) {
        lastError_ = socket_->errorString();
    }
    return static_cast<int>(sent);
}

void QtUdpSocketControl::CloseSocket() {
    if (socket_) {
        socket_->disconnect(this);
        socket_->close();
        socket_.reset();
    }
}

bool QtUdpSocketControl::isOpen() const {
    return socket_ != nullptr;
}

}  // namespace tern::link
