#pragma once

#include <QString>
#include <memory>

#include "core/net/datagram_reader.h"
#include "core/net/udp_socket_control.h"

namespace tern::net {

// The socket control over a real IPv4 UDP socket: bound to lclPort on every
// address with the port shared (the AP simulator may listen on it too),
// broadcasts allowed, the arrival interface of each datagram known
// (IP_PKTINFO). A reader thread drains the socket as datagrams arrive; they
// are handed on (OnRecv) on the thread that owns this object, in batches
// that end with OnRecvDone.
class QtUdpSocketControl : public UdpSocketControl {
    Q_OBJECT
  public:
    static constexpr int kWantedReceiveBuffer = net::kWantedReceiveBuffer;

    // The receive buffer to ask for: kWantedReceiveBuffer, or less when the
    // environment variable TERN_AP_RCVBUF (bytes, digits only) says so, so
    // that a machine's stock limit can be tried anywhere. A value that is not
    // a number from 4096 up is ignored, and `problem` says why.
    static int WantedReceiveBuffer(const QByteArray& setting, QString* problem);

    explicit QtUdpSocketControl(QObject* parent = nullptr);
    ~QtUdpSocketControl() override;

    bool OpenSocket() override;
    // Reads a datagram socket opened elsewhere (a local socket pair in
    // tests) as if OpenSocket had opened it; it is closed with this one.
    bool OpenDescriptor(int fd);
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
    // Datagrams lost since OpenSocket: dropped by the kernel for want of
    // receive buffer, or read but dropped here because too many waited.
    qint64 lostCount() const override;
    // What to tell the user when a search lost some.

    // At most this many datagrams are handed on per turn of the event loop,
    // the rest on the next turns, so a flood never starves the window. What
    // waits is held up to kMaxInboxBytes; beyond that, datagrams are dropped
    // (and said so once).
    static constexpr int kMaxDatagramsPerTurn = 512;
    static constexpr qsizetype kMaxInboxBytes = 64 * 1024 * 1024;

    // How long after a search request the reader keeps looking for
    // replies instead of sleeping (less when the burst is over sooner).
    static constexpr std::chrono::milliseconds kExpectRepliesFor{250};

  protected:
    void expectReplies() override;
    QString otherInterfaceName(uint index) const override;

  private:
    bool openFailed(const QString& what);
    bool startReading();
    void handOnTurn();

    int fd_ = -1;
    std::unique_ptr<DatagramReader> reader_;
    QList<NetInterface> chosen_;
    bool restricted_ = false;
    bool droppedSaid_ = false;
    bool handOnQueued_ = false;
    bool handingOn_ = false;
    int receiveBuffer_ = 0;
    QString lastError_;
};

}  // namespace tern::net
