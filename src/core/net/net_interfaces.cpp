#include "core/net/net_interfaces.h"

#include <QNetworkInterface>
#include <algorithm>

namespace tern::net {

QList<InterfaceInfo> SystemInterfaces() {
    QList<InterfaceInfo> result;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        InterfaceInfo info;
        info.index = static_cast<uint>(iface.index());
        info.name = iface.name();
        info.up = flags.testFlag(QNetworkInterface::IsUp);
        info.running = flags.testFlag(QNetworkInterface::IsRunning);
        info.canBroadcast = flags.testFlag(QNetworkInterface::CanBroadcast);
        info.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        const auto entries = iface.addressEntries();
        info.hasIpv4 =
            std::any_of(entries.begin(), entries.end(), [](const QNetworkAddressEntry& e) {
                return e.ip().protocol() == QAbstractSocket::IPv4Protocol;
            });
        result.append(info);
    }
    return result;
}

namespace {

bool Searchable(const InterfaceInfo& i) {
    return i.up && i.running && i.canBroadcast && !i.loopback && i.hasIpv4 && i.index != 0;
}

}  // namespace

QList<NetInterface> BroadcastInterfaces(const QList<InterfaceInfo>& all) {
    QList<NetInterface> result;
    for (const InterfaceInfo& i : all) {
        if (Searchable(i)) {
            result.append({i.index, i.name});
        }
    }
    std::sort(result.begin(), result.end(),
              [](const NetInterface& a, const NetInterface& b) { return a.index < b.index; });
    return result;
}

std::variant<QList<NetInterface>, QString> ChooseInterfaces(const QList<InterfaceInfo>& all,
                                                            const QStringList& names) {
    QList<NetInterface> chosen;
    for (const QString& name : names) {
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&name](const InterfaceInfo& i) { return i.name == name; });
        if (it == all.end()) {
            QStringList known;
            for (const NetInterface& i : BroadcastInterfaces(all)) known.append(i.name);
            return QStringLiteral("no network interface '%1' (interfaces that can be searched: %2)")
                .arg(name,
                     known.isEmpty() ? QStringLiteral("none") : known.join(QStringLiteral(", ")));
        }
        QString why;
        if (!it->up || !it->running) {
            why = QStringLiteral("is down");
        } else if (it->loopback || !it->canBroadcast) {
            why = QStringLiteral("cannot broadcast");
        } else if (!it->hasIpv4) {
            why = QStringLiteral("has no IPv4 address");
        }
        if (!why.isEmpty()) {
            return QStringLiteral("network interface '%1' %2").arg(name, why);
        }
        if (std::none_of(chosen.begin(), chosen.end(),
                         [&](const NetInterface& c) { return c.index == it->index; })) {
            chosen.append({it->index, it->name});
        }
    }
    return chosen;
}

}  // namespace tern::net
