#include "cli/prometheus_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace tern::cli {

namespace {

// A label value as the text format wants it: backslash, quote and line
// feed escaped.
QString Escaped(const QString& v) {
    QString out;
    out.reserve(v.size());
    for (const QChar c : v) {
        if (c == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (c == u'"') {
            out += QStringLiteral("\\\"");
        } else if (c == u'\n') {
            out += QStringLiteral("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString Labels(const QList<std::pair<const char*, QString>>& labels) {
    QStringList parts;
    for (const auto& [name, value] : labels) {
        parts << QString::fromLatin1(name) + QStringLiteral("=\"") + Escaped(value) + u'"';
    }
    return u'{' + parts.join(u',') + u'}';
}

void Family(QString& out, const char* name, const char* type, const char* help) {
    out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
               .arg(QLatin1StringView(name), QLatin1StringView(help), QLatin1StringView(type));
}

QString Number(double v) { return QString::number(v, 'g', 15); }

QString KnownPath(const QString& path) { return path + QStringLiteral(".known"); }

}  // namespace

QByteArray MetricsText(const ScanMetrics& scan, const QList<KnownAp>& gone) {
    QString out;
    Family(out, "tern_ap_up", "gauge",
           "1 when the AP answered the last scan, 0 when an earlier scan heard it and this one "
           "did not.");
    for (const MetricsAp& ap : scan.aps) {
        out += QStringLiteral("tern_ap_up") +
               Labels({{"mac", ap.mac}, {"name", ap.name}, {"interface", ap.interfaceName}}) +
               QStringLiteral(" 1\n");
    }
    for (const KnownAp& ap : gone) {
        out += QStringLiteral("tern_ap_up") +
               Labels({{"mac", ap.mac}, {"name", ap.name}, {"interface", ap.interfaceName}}) +
               QStringLiteral(" 0\n");
    }
    Family(out, "tern_ap_info", "gauge", "What the AP reported about itself; always 1.");
    for (const MetricsAp& ap : scan.aps) {
        out += QStringLiteral("tern_ap_info") +
               Labels({{"mac", ap.mac},
                       {"name", ap.name},
                       {"ssid", ap.ssid},
                       {"channel", ap.channel >= 0 ? QString::number(ap.channel) : QString()},
                       {"encryption", ap.encryption},
                       {"auth", ap.auth},
                       {"firmware", ap.firmware},
                       {"interface", ap.interfaceName}}) +
               QStringLiteral(" 1\n");
    }
    Family(out, "tern_ap_channel", "gauge", "The radio channel the AP uses.");
    for (const MetricsAp& ap : scan.aps) {
        if (ap.channel < 0) continue;
        out += QStringLiteral("tern_ap_channel") +
               Labels({{"mac", ap.mac}, {"name", ap.name}, {"interface", ap.interfaceName}}) +
               u' ' + QString::number(ap.channel) + u'\n';
    }
    Family(out, "tern_ap_last_seen_timestamp_seconds", "gauge",
           "When a scan into this file last heard the AP, in seconds since the epoch.");
    for (const MetricsAp& ap : scan.aps) {
        out += QStringLiteral("tern_ap_last_seen_timestamp_seconds") +
               Labels({{"mac", ap.mac}, {"name", ap.name}, {"interface", ap.interfaceName}}) +
               u' ' + QString::number(scan.timestamp) + u'\n';
    }
    for (const KnownAp& ap : gone) {
        out += QStringLiteral("tern_ap_last_seen_timestamp_seconds") +
               Labels({{"mac", ap.mac}, {"name", ap.name}, {"interface", ap.interfaceName}}) +
               u' ' + QString::number(ap.lastSeen) + u'\n';
    }
    Family(out, "tern_ap_build_info", "gauge", "The tern-ap-cli that wrote this file; always 1.");
    out += QStringLiteral("tern_ap_build_info{version=\"" TERN_VERSION "\"} 1\n");
    Family(out, "tern_ap_scan_aps", "gauge", "How many APs answered the last scan.");
    out += QStringLiteral("tern_ap_scan_aps ") + QString::number(scan.aps.size()) + u'\n';
    Family(out, "tern_ap_scan_duration_seconds", "gauge", "How long the last scan took.");
    out += QStringLiteral("tern_ap_scan_duration_seconds ") + Number(scan.durationSeconds) + u'\n';
    Family(out, "tern_ap_scan_lost_datagrams", "gauge",
           "Datagrams the socket dropped during the last scan (a full receive buffer).");
    out += QStringLiteral("tern_ap_scan_lost_datagrams ") + QString::number(scan.lostDatagrams) +
           u'\n';
    Family(out, "tern_ap_last_scan_timestamp_seconds", "gauge",
           "When the last scan ended, in seconds since the epoch.");
    out += QStringLiteral("tern_ap_last_scan_timestamp_seconds ") +
           QString::number(scan.timestamp) + u'\n';
    return out.toUtf8();
}

QList<KnownAp> ReadKnownAps(const QString& path) {
    QFile file(KnownPath(path));
    QList<KnownAp> known;
    if (!file.open(QIODevice::ReadOnly)) return known;
    // A damaged or foreign file only loses the memory of gone APs.
    const QJsonArray list = QJsonDocument::fromJson(file.read(16 << 20)).array();
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        const QString mac = o.value(u"mac").toString();
        if (mac.isEmpty()) continue;
        known.append({mac, o.value(u"name").toString(), o.value(u"interface").toString(),
                      o.value(u"last_seen").toInteger()});
    }
    return known;
}

QList<KnownAp> MergeKnownAps(const QList<KnownAp>& known, const ScanMetrics& scan) {
    QList<KnownAp> merged;
    QSet<QString> heard;
    for (const MetricsAp& ap : scan.aps) {
        merged.append({ap.mac, ap.name, ap.interfaceName, scan.timestamp});
        heard.insert(ap.mac);
    }
    for (const KnownAp& ap : known) {
        if (!heard.contains(ap.mac)) {
            merged.append(ap);
            heard.insert(ap.mac);
        }
    }
    return merged;
}

bool WriteMetricsFile(const QString& path, const ScanMetrics& scan, QString* error) {
    // Said for the path given, before anything is written beside it.
    const QFileInfo target(path);
    if (target.isDir()) {
        *error = QStringLiteral("--prometheus '") + path +
                 QStringLiteral("' is a folder; it wants the path of the metrics file");
        return false;
    }
    if (!target.absoluteDir().exists()) {
        *error = QStringLiteral("--prometheus '") + path + QStringLiteral("': the folder '") +
                 target.absolutePath() + QStringLiteral("' does not exist");
        return false;
    }
    const QList<KnownAp> known = ReadKnownAps(path);
    const QList<KnownAp> merged = MergeKnownAps(known, scan);
    const QList<KnownAp> gone = merged.mid(scan.aps.size());
    const auto write = [error](const QString& to, const QByteArray& bytes) {
        QSaveFile file(to);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            *error =
                QStringLiteral("cannot write '") + to + QStringLiteral("': ") + file.errorString();
            return false;
        }
        return true;
    };
    QJsonArray list;
    for (const KnownAp& ap : merged) {
        list.append(QJsonObject{{QStringLiteral("mac"), ap.mac},
                                {QStringLiteral("name"), ap.name},
                                {QStringLiteral("interface"), ap.interfaceName},
                                {QStringLiteral("last_seen"), ap.lastSeen}});
    }
    // The memory first: metrics that say up 0 for an AP the memory then
    // lost would never say it again.
    return write(KnownPath(path), QJsonDocument(list).toJson(QJsonDocument::Indented)) &&
           write(path, MetricsText(scan, gone));
}

}  // namespace tern::cli
