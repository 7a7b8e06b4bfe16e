#include "core/net/qt_udp_socket_control.h"

#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QHostAddress>
#include <QNetworkInterface>
#include <QPointer>
#include <QtDebug>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/net/net_interfaces.h"

namespace tern::net {

namespace {

QString SystemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool SetFlag(int fd, int level, int option) {
    const int on = 1;
    return ::setsockopt(fd, level, option, &on, sizeof on) == 0;
}

}  // namespace

QtUdpSocketControl::QtUdpSocketControl(QObject* parent) : UdpSocketControl(parent) {}

QtUdpSocketControl::~QtUdpSocketControl() { CloseSocket(); }

bool QtUdpSocketControl::OpenSocket() {
    CloseSocket();
    droppedSaid_ = false;
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return openFailed(SystemError());
    }
    // The port is shared (the AP simulator may listen on it too), our own
    // broadcasts may go out, and each datagram says which interface it came
    // in on.
    if (!SetFlag(fd_, SOL_SOCKET, SO_REUSEADDR) || !SetFlag(fd_, SOL_SOCKET, SO_BROADCAST) ||
        !SetFlag(fd_, IPPROTO_IP, IP_PKTINFO)) {
        return openFailed(SystemError());
    }

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<quint16>(lclPort));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return openFailed(SystemError());
    }

    QString problem;
    const int wanted = WantedReceiveBuffer(qgetenv("TERN_AP_RCVBUF"), &problem);
    if (!problem.isEmpty()) {
        qWarning().noquote() << problem;
    }
    // A privileged process may go past net.core.rmem_max (SO_RCVBUFFORCE);
    // anyone else gets what the limit allows.
    if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted) != 0) {
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    }
    socklen_t length = sizeof receiveBuffer_;
    if (::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer_, &length) != 0) {
        receiveBuffer_ = 0;
    }
    // Linux reports twice what it grants.
    if (receiveBuffer_ > 0 && receiveBuffer_ / 2 < wanted) {
        qWarning().noquote() << QStringLiteral(
                                    "UDP receive buffer limited to %1 bytes (asked for %2): a "
                                    "large search burst may lose replies. The limit is raised "
                                    "with: sysctl -w net.core.rmem_max=%2")
                                    .arg(receiveBuffer_ / 2)
                                    .arg(wanted);
    }
    // A send waits for room in the send buffer rather than lose a request,
    // but never long enough to hold up the window: requests go out one at a
    // time, so the buffer is full only when the interface cannot send.
    const timeval sendWait{0, 200'000};
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &sendWait, sizeof sendWait);
    return startReading();
}

bool QtUdpSocketControl::OpenDescriptor(int fd) {
    CloseSocket();
    droppedSaid_ = false;
    fd_ = fd;
    return startReading();
}

bool QtUdpSocketControl::startReading() {
    // Told from the reader thread; the batch is handed on from this
    // object's own thread.
    reader_ = std::make_unique<DatagramReader>(fd_, kMaxInboxBytes, [this] {
        QMetaObject::invokeMethod(this, &QtUdpSocketControl::handOnTurn, Qt::QueuedConnection);
    });
    if (!reader_->running()) {
        reader_.reset();
        return openFailed(QStringLiteral("the reader thread could not start"));
    }
    return true;
}

bool QtUdpSocketControl::openFailed(const QString& what) {
    lastError_ = what;
    qWarning().noquote() << "UDP port" << lclPort << "could not be opened:" << lastError_;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    return false;
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
            *problem = QStringLiteral(
                           "TERN_AP_RCVBUF='%1' is not a number of bytes from 4096 up; "
                           "ignored")
                           .arg(QString::fromLatin1(setting));
        }
        return kWantedReceiveBuffer;
    }
    return static_cast<int>(std::min<qint64>(bytes, kWantedReceiveBuffer));
}

void QtUdpSocketControl::handOnTurn() {
    handOnQueued_ = false;
    if (handingOn_ || !reader_) {
        return;  // a handler's own event loop: the turn below goes on afterwards
    }
    if (!droppedSaid_ && reader_->dropped() > 0) {
        droppedSaid_ = true;
        qWarning().noquote() << "UDP datagrams arrive faster than they can be handled;"
                                " some are dropped";
    }
    const QPointer<QtUdpSocketControl> self(this);
    handingOn_ = true;
    int handed = 0;
    DatagramReader::Datagram next;
    for (; handed < kMaxDatagramsPerTurn && reader_ && reader_->take(next); ++handed) {
        Q_EMIT OnRecv(next.data, next.interfaceIndex);
        if (!self) return;
    }
    handingOn_ = false;
    if (handed > 0) {
        Q_EMIT OnRecvDone();
        if (!self) return;
    }
    // A full turn leaves the rest (and what came meanwhile: a turn asked
    // for then found us busy) for the next, behind whatever else is queued
    // (a box to open, a repaint), so a flood never starves the window.
    if (reader_ && handed == kMaxDatagramsPerTurn && !handOnQueued_) {
        handOnQueued_ = true;
        QMetaObject::invokeMethod(this, &QtUdpSocketControl::handOnTurn, Qt::QueuedConnection);
    }
}

int QtUdpSocketControl::SendDataVia(QByteArrayView datagram, uint interfaceIndex) {
    if (fd_ < 0) {
        return -1;
    }
    bool isIPv4 = false;
    const quint32 address = QHostAddress(RmtAddr).toIPv4Address(&isIPv4);
    if (!isIPv4) {
        lastError_ = QStringLiteral("not an IPv4 address: %1").arg(RmtAddr);
        return -1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<quint16>(rmtPort));
    to.sin_addr.s_addr = htonl(address);
    iovec bytes{const_cast<char*>(datagram.data()), static_cast<std::size_t>(datagram.size())};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &bytes;
    message.msg_iovlen = 1;
    // The interface travels with the datagram (IP_PKTINFO): no privilege
    // needed, unlike binding the socket to a device.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (interfaceIndex != 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(interfaceIndex);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    ssize_t sent = -1;
    do {
        sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        lastError_ = SystemError();
        return -1;
    }
    return static_cast<int>(sent);
}

void QtUdpSocketControl::CloseSocket() {
    reader_.reset();  // the thread is gone before the descriptor is closed
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void QtUdpSocketControl::expectReplies() {
    if (reader_) {
        reader_->expectBurst(kExpectRepliesFor);
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

qint64 QtUdpSocketControl::lostCount() const {
    if (!reader_) {
        return 0;
    }
    // What the kernel dropped for want of buffer, as it counts now: a loss
    // at the very end of a burst is counted too.
    std::uint32_t memory[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof memory;
    qint64 kernel = 0;
    if (::getsockopt(fd_, SOL_SOCKET, SO_MEMINFO, memory, &length) == 0 &&
        length > SK_MEMINFO_DROPS * sizeof memory[0]) {
        kernel = memory[SK_MEMINFO_DROPS];
    }
    return kernel + reader_->dropped();
}

bool QtUdpSocketControl::isOpen() const { return fd_ >= 0 && reader_ && reader_->running(); }

}  // namespace tern::net
