#include "app/startup.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <cerrno>
#include <cstring>

namespace tern::app {

QLocale::Language RealStartupPlatform::systemLanguage() const {
    return QLocale::system().language();
}

bool RealStartupPlatform::fileExists(const QString& path) const { return QFileInfo(path).isFile(); }

bool RealStartupPlatform::fileReadable(const QString& path) const {
    QFile file(path);
    char byte = 0;
    return file.open(QIODevice::ReadOnly) && file.read(&byte, 1) >= 0;
}

QString RealStartupPlatform::executableDir() const {
    return QCoreApplication::applicationDirPath();
}

QString LanguageFileFor(QLocale::Language language) {
    switch (language) {
        case QLocale::Japanese:
            return QStringLiteral("language/jap.ini");
        case QLocale::German:
            return QStringLiteral("language/gem.ini");
        default:
            return QStringLiteral("language/eng.ini");
    }
}

QString InstalledDataFromExecutable() {
#ifdef TERN_DATA_FROM_BIN
    return QStringLiteral(TERN_DATA_FROM_BIN);
#else
    return QStringLiteral("../share/tern-ap-utility");
#endif
}

QStringList LanguageSearchFolders(const QString& executableDir) {
    const QDir exe(executableDir);
    return {QDir::cleanPath(exe.absolutePath()),
            QDir::cleanPath(exe.absoluteFilePath(InstalledDataFromExecutable()))};
}

std::optional<QString> ChooseLanguageFile(const StartupPlatform& platform) {
    // The user's language wherever it is found beats English beside the
    // executable: a partial copy must not hide a complete install.
    const QStringList folders = LanguageSearchFolders(platform.executableDir());
    for (const QString& name :
         {LanguageFileFor(platform.systemLanguage()), QStringLiteral("language/eng.ini")}) {
        for (const QString& folder : folders) {
            const QString path = QDir(folder).filePath(name);
            if (platform.fileExists(path)) {
                return path;
            }
        }
    }
    return std::nullopt;
}

StartupDecision DecideStartup(
    const StartupPlatform& platform,
    const std::function<bool(const QString& title)>& windowWithTitleExists,
    gui::DialogSeam& dialogs) {
    if (windowWithTitleExists(QString::fromLatin1(kInstanceTitle))) {
        return {StartupOutcome::AlreadyRunning, {}};
    }
    const auto file = ChooseLanguageFile(platform);
    if (!file) {
        dialogs.showMessage(nullptr, {QString::fromLatin1(kStartupWarningText),
                                      QString::fromLatin1(kStartupWarningCaption),
                                      gui::DialogSeam::Icon::Error, gui::DialogSeam::Buttons::Ok});
        return {StartupOutcome::NoLanguageFile, {}};
    }
    if (!platform.fileReadable(*file)) {
        return {StartupOutcome::UnreadableLanguageFile, *file};
    }
    return {StartupOutcome::Run, *file};
}

QString WhyNotPrivate(const QString& folder, uid_t uid) {
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0) {
        return QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (S_ISLNK(st.st_mode)) {
        return QStringLiteral("%1 is a symbolic link").arg(folder);
    }
    if (!S_ISDIR(st.st_mode)) {
        return QStringLiteral("%1 is not a folder").arg(folder);
    }
    if (st.st_uid != uid) {
        return QStringLiteral("%1 belongs to uid %2, not %3")
            .arg(folder)
            .arg(static_cast<qulonglong>(st.st_uid))
            .arg(static_cast<qulonglong>(uid));
    }
    if ((st.st_mode & 07777) != 0700) {
        return QStringLiteral("%1 has mode %2, not 0700")
            .arg(folder)
            .arg(static_cast<uint>(st.st_mode & 07777), 4, 8, QLatin1Char('0'));
    }
    return {};
}

InstanceFolder ChooseInstanceFolder(const QString& runtimeDir, const QString& fallback, uid_t uid) {
    QStringList refusals;
    if (!runtimeDir.isEmpty()) {
        const QString why = QDir::isAbsolutePath(runtimeDir)
                                ? WhyNotPrivate(runtimeDir, uid)
                                : QStringLiteral("%1 is not an absolute path").arg(runtimeDir);
        if (why.isEmpty()) {
            return {runtimeDir, {}};
        }
        refusals << QStringLiteral("XDG_RUNTIME_DIR: ") + why;
    }
    // mkdir never follows a link or widens a folder that is there already;
    // whatever it finds is checked as it is.
    ::mkdir(QFile::encodeName(fallback).constData(), 0700);
    const QString why = WhyNotPrivate(fallback, uid);
    if (why.isEmpty()) {
        return {fallback, {}};
    }
    refusals << why;
    return {std::nullopt, refusals.join(QStringLiteral("; "))};
}

QString FallbackInstanceFolder() {
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("tern-ap-utility-%1").arg(static_cast<qulonglong>(::getuid())));
}

InstanceFolder ThisUsersInstanceFolder() {
    return ChooseInstanceFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), FallbackInstanceFolder());
}

std::optional<uid_t> PeerUid(qintptr socketDescriptor) {
    if (socketDescriptor < 0) return std::nullopt;
    const int fd = static_cast<int>(socketDescriptor);
#if defined(SO_PEERCRED)
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(fd, &uid, &gid) != 0) return std::nullopt;
    return uid;
#endif
}

InstanceRegistry::InstanceRegistry(std::optional<QString> folder, uid_t uid, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), uid_(uid) {}

InstanceRegistry::~InstanceRegistry() = default;

QString InstanceRegistry::serverNameFor(const QString& title) const {
    if (!folder_) return {};
    const QByteArray digest =
        QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(*folder_).filePath(
        QStringLiteral("tern-window-%1").arg(QString::fromLatin1(digest)));
}

bool InstanceRegistry::notifyRunning(const QString& title, int timeoutMs) const {
    if (!folder_) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(serverNameFor(title));
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    if (PeerUid(socket.socketDescriptor()) != uid_) {
        socket.abort();
        return false;
    }
    socket.write(QByteArray::number(kSecondInstanceMessage));
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool InstanceRegistry::publish(const QString& title) {
    if (server_ && title == title_) {
        return true;
    }
    server_.reset();
    title_.clear();
    if (title.isEmpty()) {
        return true;
    }
    if (!folder_) {
        return false;
    }
    auto server = std::make_unique<QLocalServer>();
    const QString name = serverNameFor(title);
    if (!server->listen(name)) {
        // A socket file left behind by a copy that crashed, or one of a
        // server that is not this user's: nobody of ours answers on it, so
        // it may be taken over.
        if (notifyRunning(title, 200)) {
            return false;
        }
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            return false;
        }
    }
    connect(server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (PeerUid(peer->socketDescriptor()) != uid_) {
                // Another user has no say in this window.
                peer->abort();
                peer->deleteLater();
                continue;
            }
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                bool ok = false;
                const int message = peer->readAll().toInt(&ok);
                if (ok) {
                    Q_EMIT notified(message);
                }
            });
        }
    });
    server_ = std::move(server);
    title_ = title;
    return true;
}

}  // namespace tern::app
