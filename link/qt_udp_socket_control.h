#pragma once

#include "link/udp_socket_control.h"

#include <QUdpSocket>

#include <deque>
#include <memory>

namespace tern::link {

// The socket control over a real QUdpSocket: bound to lclPort on every IPv4
// address with the port shared (the AP simulator may listen on it too),
// broadcasts allowed, and a receive buffer large enough for a burst of a
// thousand discovery replies.
class QtUdpSocketControl : public UdpSocketControl {
    Q_OBJECT
public:
    static constexpr int kWantedReceiveBuffer = 8 * 1024 * 1024;

    // The receive buffer to ask for: kWantedReceiveBuffer, or less when the
    // environment variable TERN_AP_RCVBUF (bytes, digits only) says so, so
    // that a machine's stock limit can be tried anywhere. A value that is not
    // a number from 4096 up is ignored, and `problem` says why.
    static int WantedReceiveBuffer(const QByteArray& setting, QString* problem);

    explicit QtUdpSocketControl(QObject* parent = nullptr);
    ~QtUdpSocketControl() override;

    bool OpenSocket() override;
    int SendDataVia(QByteArrayView datagram, uint interfaceIndex) override;
    void CloseSocket() override;
    bool isOpen() const override;

    // Every interface that can broadcast, looked up again for each search
    // (a cable plugged in, a VPN up), unless restrictTo chose some.
    QList<NetInterface> searchInterfaces() const override;
    void restrictTo(QList<NetInterface> interfaces);

    // The receive buffer the system granted after OpenSocket, as the kernel
    // reports it (Linux doubles what it grants for its bookkeeping, and caps
    // the grant at net.core.rmem_max unless the process may exceed it);
    // 0 before.
    int receiveBufferSize() const { return receiveBuffer_; }
    QString lastError() const { return lastError_; }

    // Every pending datagram is read as soon as the socket says so; at most
    // this many are handed on per turn of the event loop, the rest on the
    // next turns, so a flood never starves the window. What waits is held
    // up to kMaxInboxBytes; beyond that, datagrams are dropped (and said so
    // once).
    static constexpr int kMaxDatagramsPerTurn = 512;
    static constexpr qsizetype kMaxInboxBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kInboxOverheadBytes = 64;  // per datagram waiting

protected:
    QString otherInterfaceName(uint index) const override;

private:
    void drainPending();
    void handOnTurn();
    struct Waiting {
        QByteArray datagram;
        uint interfaceIndex = 0;
    };
    std::deque<Waiting> inbox_;
    QList<NetInterface> chosen_;
    bool restricted_ = false;
    qsizetype inboxBytes_ = 0;
    qint64 dropped_ = 0;
    bool handOnQueued_ = false;
    bool handingOn_ = false;

    std::unique_ptr<QUdpSocket> socket_;
    int receiveBuffer_ = 0;
    QString lastError_;
};

}  // namespace tern::link
