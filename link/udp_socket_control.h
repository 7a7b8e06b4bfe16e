#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

namespace tern::link {

// The program's one UDP endpoint. Its operations mirror the socket control
// the forms were designed around: set the ports and the remote address, open,
// send whole datagrams, close; every received datagram (the program's own
// broadcasts included) raises OnRecv on the thread that owns the object.
// Results are returned but the forms do not rely on them.
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
    // Sends the bytes as one datagram to RmtAddr:rmtPort; returns the number
    // of bytes sent or -1.
    virtual int SendData(QByteArrayView datagram) = 0;
    virtual void CloseSocket() = 0;
    virtual bool isOpen() const = 0;

Q_SIGNALS:
    void OnRecv(const QByteArray& datagram);
};

}  // namespace tern::link
