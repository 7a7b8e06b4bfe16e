#include "core/net/network_guard.h"

#include <sys/stat.h>

#include <QFile>
#include <QNetworkInterface>
#include <optional>

namespace tern::net {

namespace {

// True when every network interface that is up is a loopback interface.
bool OnlyLoopbackNetwork(QString* offendingInterface) {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack)) {
            if (offendingInterface) {
                *offendingInterface = iface.name();
            }
            return false;
        }
    }
    return true;
}

struct NamespaceId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const NamespaceId&) const = default;
};

// A namespace is the same one exactly when its device and inode are.
std::optional<NamespaceId> NetNamespaceOf(const QString& pid) {
    struct stat st {};
    const QByteArray path = "/proc/" + pid.toLatin1() + "/ns/net";
    if (::stat(path.constData(), &st) != 0) {
        return std::nullopt;
    }
    return NamespaceId{st.st_dev, st.st_ino};
}

QString ParentOf(const QString& pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return {};
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("PPid:")) {
            return QString::fromLatin1(line.mid(5).trimmed());
        }
    }
    return {};
}

// The namespace of the furthest ancestor whose namespace can be read: the
// one the user started from, before any tools/isolated-net.
std::optional<NamespaceId> OutermostReadableAncestorNamespace() {
    std::optional<NamespaceId> outermost;
    QString pid = ParentOf(QStringLiteral("self"));
    for (int depth = 0; depth < 4096 && !pid.isEmpty() && pid != u"0"; ++depth) {
        const std::optional<NamespaceId> ns = NetNamespaceOf(pid);
        if (!ns) {
            break;
        }
        outermost = ns;
        pid = ParentOf(pid);
    }
    return outermost;
}

}  // namespace

bool InPrivateNetworkNamespace(QString* why) {
    const std::optional<NamespaceId> self = NetNamespaceOf(QStringLiteral("self"));
    if (const std::optional<NamespaceId> host = NetNamespaceOf(QStringLiteral("1")); self && host) {
        if (*self != *host) {
            return true;
        }
        if (why) *why = QStringLiteral("this is the host's network namespace");
        return false;
    }
    // PID 1 is out of reach (an unprivileged user, a sandbox): the furthest
    // ancestor that can be read stands for the host. Entering the host's
    // namespace from inside a private one would need PID 1's, which is out
    // of reach too.
    if (const std::optional<NamespaceId> outer = OutermostReadableAncestorNamespace();
        self && outer) {
        if (*self != *outer) {
            return true;
        }
        if (why) {
            *why = QStringLiteral("this is the network namespace the session started in");
        }
        return false;
    }
    QString offending;
    if (OnlyLoopbackNetwork(&offending)) {
        return true;
    }
    if (why) {
        *why = QStringLiteral(
                   "the host's network namespace cannot be told apart from this one, "
                   "and interface '%1' is up and not loopback")
                   .arg(offending);
    }
    return false;
}

}  // namespace tern::net
