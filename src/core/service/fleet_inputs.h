#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

#include "core/fleet/state_file.h"
#include "core/record/ap_config_record.h"

namespace tern::service {

// Files a fleet command reads are at most this large: a state of thousands
// of APs fits many times over, a wrong path to a disk image does not.
inline constexpr qint64 kMaxInputFileBytes = 1 << 20;

// The whole file, or why not ("larger than 1 MiB", the system's reason).
std::optional<QByteArray> ReadInputFile(const QString& path, QString* error);

// A desired-state file, read and checked as a whole; `warnings` gets what
// is worth saying but no reason to stop (secrets others can read).
std::variant<fleet::DesiredState, QString> LoadStateFile(const QString& path,
                                                         QStringList* warnings);
// A logins file, the same way.
std::variant<fleet::LoginsFile, QString> LoadLoginsFile(const QString& path, QStringList* warnings);

// Backups by the MAC they were saved from: each path a backup file or a
// folder of them (*.json). An error names the file at fault; two backups of
// one AP are one too many.
std::variant<QMap<QString, record::ApConfigRecord>, QString> LoadBackups(const QStringList& paths);

// The words for a file that is not a backup, whoever reads it.
QString NotABackupText(const QString& path);

// A new private folder (0700) inside `parent`, named by the UTC time of
// `now` ("20261210T101500Z"), a suffix when that name is taken, so that an
// earlier backup there is never replaced; empty when it cannot be made.
QString NewBackupFolder(const QString& parent, const QDateTime& now);

// Where an apply keeps its backups unless told: the user's state home.
QString DefaultBackupParent();

}  // namespace tern::service
