#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tern::cli {

// One AP as a scan heard it, for the metrics.
struct MetricsAp {
    QString mac;
    QString name;
    QString interfaceName;
    QString ssid;
    int channel = -1;  // -1: none the list knows
    QString encryption;
    QString auth;
    QString firmware;
};

// An AP heard by an earlier scan into the same file.
struct KnownAp {
    QString mac;
    QString name;
    QString interfaceName;
    qint64 lastSeen = 0;  // seconds since the epoch
};

struct ScanMetrics {
    QList<MetricsAp> aps;
    double durationSeconds = 0;
    qint64 lostDatagrams = 0;
    qint64 timestamp = 0;  // seconds since the epoch
};

// The node exporter's textfile-collector format (Prometheus text format
// 0.0.4): every family with HELP and TYPE, labels escaped. `gone` are the
// known APs this scan did not hear: up 0, so an alert can fire.
QByteArray MetricsText(const ScanMetrics& scan, const QList<KnownAp>& gone);

// The APs remembered beside `path` (PATH.known, JSON), and the list after
// this scan: every AP heard, with the time, plus those heard before.
QList<KnownAp> ReadKnownAps(const QString& path);
QList<KnownAp> MergeKnownAps(const QList<KnownAp>& known, const ScanMetrics& scan);

// Writes the metrics into `path` through a temporary file in the same
// folder and a rename, so the collector never reads half a file, and
// updates PATH.known. False with `error` when it cannot.
bool WriteMetricsFile(const QString& path, const ScanMetrics& scan, QString* error);

}  // namespace tern::cli
