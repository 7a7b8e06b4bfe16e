#include "link/qt_udp_socket_control.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QVariant>

#include "link/net_interfaces.h"
#include <QtDebug>

#include <sys/socket.h>

#include <algorithm>

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
    QString problem;
    const int wanted = WantedReceiveBuffer(qgetenv("TERN_AP_RCVBUF"), &problem);
    if (!problem.isEmpty()) {
        qWarning().noquote() << problem;
    }
    // Set after bind: before it there is no descriptor to set it on. A
    // privileged process may go past net.core.rmem_max (SO_RCVBUFFORCE);
    // anyone else gets what the limit allows.
    const auto fd = static_cast<int>(socket_->socketDescriptor());
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted) != 0) {
        socket_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, wanted);
    }
    receiveBuffer_ =
        socket_->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    // Linux reports twice what it grants.
    if (receiveBuffer_ / 2 < wanted) {
        qWarning().noquote() << QStringLiteral(
                                    "UDP receive buffer limited to %1 bytes (asked for %2): a "
                                    "large search burst may lose replies. The limit is raised "
                                    "with: sysctl -w net.core.rmem_max=%2")
                                    .arg(receiveBuffer_ / 2)
                                    .arg(wanted);
    }
    connect(socket_.get(), &QUdpSocket::readyRead, this, &QtUdpSocketControl::drainPending);
    return true;
}

int QtUdpSocketControl::WantedReceiveBuffer(const QByteArray& setting, QString* problem) {
    if (setting.isEmpty()) {
        return kWantedReceiveBuffer;
    }
    bool digitsOnly = setting.size() <= 10;
    for (const char c : setting) {
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    }
    const qint64 bytes = digitsOnly ? setting.toLongLong() : 0;
    if (bytes < 4096) {
        if (problem) {
            *problem = QStringLiteral("TERN_AP_RCVBUF='%1' is not a number of bytes from 4096 up; "
                                      "ignored")
                           .arg(QString::fromLatin1(setting));
        }
        return kWantedReceiveBuffer;
    }
    return static_cast<int>(std::min<qint64>(bytes, kWantedReceiveBuffer));
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
