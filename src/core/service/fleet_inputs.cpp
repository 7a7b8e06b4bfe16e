#include "core/service/fleet_inputs.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/form/backup_file.h"
#include "core/record/net_types.h"

namespace tern::service {

namespace {

// Secrets written into a file others can read: said, not refused.
void WarnIfReadable(const QString& path, bool holdsSecrets, QStringList* warnings) {
    struct stat st {};
    if (warnings == nullptr || ::stat(QFile::encodeName(path).constData(), &st) != 0) return;
    if (const auto w = fleet::SecretFileWarning(path, st.st_mode, holdsSecrets)) {
        warnings->append(*w);
    }
}

QString CannotRead(const QString& path, const QString& why) {
    return QStringLiteral("cannot read '") + path + QStringLiteral("': ") + why;
}

}  // namespace

std::optional<QByteArray> ReadInputFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    QByteArray content = file.read(kMaxInputFileBytes + 1);
    if (content.size() > kMaxInputFileBytes) {
        *error = QStringLiteral("larger than 1 MiB");
        return std::nullopt;
    }
    return content;
}

std::variant<fleet::DesiredState, QString> LoadStateFile(const QString& path,
                                                         QStringList* warnings) {
    QString why;
    const std::optional<QByteArray> content = ReadInputFile(path, &why);
    if (!content) return CannotRead(path, why);
    auto read = fleet::ReadStateFile(*content, path, fleet::SecretSources::System());
    if (const auto* e = std::get_if<fleet::FileError>(&read)) return e->text();
    fleet::DesiredState state = std::get<fleet::DesiredState>(std::move(read));
    // One address for every AP, or for whichever APs a pattern matches, is
    // never meant: it belongs under an entry for one AP.
    for (const fleet::StateEntry& e : state.entries) {
        if (e.match.kind != fleet::ApMatch::Kind::All && e.match.kind != fleet::ApMatch::Kind::Glob)
            continue;
        for (const fleet::DesiredSetting& d : e.settings) {
            if (d.name == u"ip_address") {
                return fleet::FileError{path, d.line, d.name,
                                        QStringLiteral("each AP has its own: give it under an "
                                                       "entry that names one AP")}
                    .text();
            }
        }
    }
    WarnIfReadable(path, state.holdsSecrets, warnings);
    return state;
}

std::variant<fleet::LoginsFile, QString> LoadLoginsFile(const QString& path,
                                                        QStringList* warnings) {
    QString why;
    const std::optional<QByteArray> content = ReadInputFile(path, &why);
    if (!content) return CannotRead(path, why);
    auto read = fleet::ReadLoginsFile(*content, path, fleet::SecretSources::System());
    if (const auto* e = std::get_if<fleet::FileError>(&read)) return e->text();
    fleet::LoginsFile logins = std::get<fleet::LoginsFile>(std::move(read));
    WarnIfReadable(path, logins.holdsSecrets, warnings);
    return logins;
}

QString NotABackupText(const QString& path) {
    return QStringLiteral("'") + path +
           QStringLiteral("' is not a backup of an AP made by tern-ap-cli, or it is damaged");
}

std::variant<QMap<QString, record::ApConfigRecord>, QString> LoadBackups(const QStringList& paths) {
    QStringList files;
    for (const QString& arg : paths) {
        if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& f :
                 dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
                files << dir.filePath(f);
            }
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        return QStringLiteral("no backup file (*.json) in '") + paths.join(u' ') + u'\'';
    }
    QMap<QString, record::ApConfigRecord> out;
    for (const QString& path : files) {
        QString why;
        const std::optional<QByteArray> content = ReadInputFile(path, &why);
        if (!content)
            return QStringLiteral("'") + path + QStringLiteral("' cannot be read: ") + why;
        const std::optional<record::ApConfigRecord> record = form::ReadBackupFile(*content);
        if (!record) return NotABackupText(path);
        const QString mac = record::MacText(record->mac_addr());
        if (out.contains(mac)) {
            return QStringLiteral("two backups of ") + mac + QStringLiteral(" are given; '") +
                   path + QStringLiteral("' is one of them");
        }
        out.insert(mac, *record);
    }
    return out;
}

QString NewBackupFolder(const QString& parent, const QDateTime& now) {
    if (!QDir().mkpath(parent)) return {};
    const QString base =
        QDir(parent).filePath(now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder) && n < 1000; ++n) {
        folder = base + u'-' + QString::number(n);
    }
    // mkdir, not mkpath: a folder someone made meanwhile is not taken over.
    if (QFileInfo::exists(folder) || !QDir().mkdir(folder) ||
        !QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        return {};
    }
    return folder;
}

QString DefaultBackupParent() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/tern-ap-utility/backups");
}

}  // namespace tern::service
