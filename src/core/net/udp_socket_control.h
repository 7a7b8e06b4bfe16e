#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

namespace tern::net {

// A network interface a search goes out through: the system's index and
// the name an administrator knows it by.
struct NetInterface {
    uint index = 0;
    QString name;
    bool operator==(const NetInterface&) const = default;
};

// The program's one UDP endpoint. Its operations mirror the socket control
// the forms were designed around: set the ports and the remote address, open,
// send whole datagrams, close; every received datagram (the program's own
// broadcasts included) raises OnRecv on the thread that owns the object,
// with the index of the interface it arrived on (0 when not known).
// Datagrams come in batches (all that arrived together, up to a bound), and
// OnRecvDone follows each batch, so a handler can leave the work that a
// batch needs only once (a list to lay out) until then.
// Results are returned but the forms do not rely on them.
// The receive buffer a socket asks for: a burst of thousands of replies
// fits, where a stock one holds a few dozen.
inline constexpr int kWantedReceiveBuffer = 8 * 1024 * 1024;

class UdpSocketControl : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~UdpSocketControl() override = default;

    QString LclAddr;  // never set by the program
    QString RmtAddr;
    int lclPort = 0;
    int rmtPort = 0;

    virtual bool OpenSocket() = 0;
    // Sends the bytes as one datagram to RmtAddr:rmtPort through the
    // interface with this index, or where the routing table says when it is
    // 0; returns the number of bytes sent or -1.
    virtual int SendDataVia(QByteArrayView datagram, uint interfaceIndex) = 0;
    int SendData(QByteArrayView datagram) { return SendDataVia(datagram, 0); }
    virtual void CloseSocket() = 0;
    virtual bool isOpen() const = 0;

    // The interfaces a search goes out through, as they are now: every one
    // that can broadcast (or those the user chose). Empty when there is
    // none, and a search then goes where the routing table says.
    virtual QList<NetInterface> searchInterfaces() const = 0;
    // A search request out of every search interface, or once by the
    // routing table; returns the number of sends that went out.
    int BroadcastData(QByteArrayView datagram);
    // The interfaces the latest BroadcastData went out through.
    const QList<NetInterface>& searchedInterfaces() const { return searched_; }
    // The name of the interface with this index; empty when unknown.
    QString interfaceName(uint index) const;
    // Datagrams that arrived but were lost since OpenSocket (a receive
    // buffer overflowed), as far as the system has said.
    virtual qint64 lostCount() const { return 0; }
    // What people are told of `lost` datagrams: how many, and what to do.
    virtual QString lostText(qint64 lost) const;

  protected:
    // A search request is about to go out: a burst of replies may follow.
    virtual void expectReplies() {}
    // Interfaces not searched (loopback, a search by the routing table).
    virtual QString otherInterfaceName(uint) const { return {}; }

  Q_SIGNALS:
    void OnRecv(const QByteArray& datagram, uint interfaceIndex);
    void OnRecvDone();

  private:
    QList<NetInterface> searched_;
    mutable QHash<uint, QString> otherNames_;
};

// Opens the socket on the program's own port, sending to the broadcast
// address: what both programs and their tests talk through.
bool OpenOnProgramPort(UdpSocketControl& socket);

}  // namespace tern::net
