#include "app/startup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace tern::app {

QLocale::Language RealStartupPlatform::systemLanguage() const {
    return QLocale::system().language();
}

bool RealStartupPlatform::fileExists(const QString& path) const { return QFileInfo(path).isFile(); }

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
    return {StartupOutcome::Run, *file};
}

InstanceRegistry::InstanceRegistry(QObject* parent) : QObject(parent) {}

InstanceRegistry::~InstanceRegistry() = default;

QString InstanceRegistry::ServerNameFor(const QString& title) {
    const QByteArray digest =
        QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("tern-window-%1-%2")
        .arg(static_cast<qulonglong>(::getuid()))
        .arg(QString::fromLatin1(digest));
}

bool InstanceRegistry::NotifyRunning(const QString& title, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerNameFor(title));
    if (!socket.waitForConnected(timeoutMs)) {
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
    auto server = std::make_unique<QLocalServer>();
    const QString name = ServerNameFor(title);
    if (!server->listen(name)) {
        // A socket file left behind by a copy that crashed: nobody answers
        // on it, so it may be taken over.
        if (NotifyRunning(title, 200)) {
            return false;
        }
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            return false;
        }
    }
    connect(server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                bool ok = false;
                const int message = peer->readAll().toInt(&ok);
                if (ok) {
                    Q_EMIT notified(message);
                }
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    server_ = std::move(server);
    title_ = title;
    return true;
}

}  // namespace tern::app
