// One copy of the window per user: a second start of the same user ends
// silently, and nothing another user can put in its way stops a start.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>
#include <cstring>
#include <functional>

#include "app/startup.h"
#include "tests/support/recording_dialog_seam.h"

using namespace tern::app;

namespace {

constexpr uid_t kNobody = 65534;

class EnglishOnly : public StartupPlatform {
  public:
    QLocale::Language systemLanguage() const override { return QLocale::English; }
    bool fileExists(const QString& path) const override { return path == kEng; }
    bool fileReadable(const QString& path) const override { return path == kEng; }
    QString executableDir() const override { return QStringLiteral("/opt/tern"); }
    const QString kEng = QStringLiteral("/opt/tern/language/eng.ini");
};

// A unique title keeps a test apart from anything else in its folder.
QString UniqueTitle() { return QStringLiteral("Tern test ") + QUuid::createUuid().toString(); }

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Lets queued connections and notifications arrive, for tests that expect
// none.
void Settle() {
    WaitFor([] { return false; }, 300);
}

bool SetMode(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

StartupOutcome StartWith(const InstanceRegistry& registry) {
    tern::test::RecordingDialogSeam dialogs;
    const EnglishOnly platform;
    const auto d = DecideStartup(
        platform, [&](const QString& title) { return registry.notifyRunning(title); }, dialogs);
    EXPECT_TRUE(dialogs.messages.empty());
    return d.outcome;
}

// Counts the notifications a registry receives.
struct Received {
    explicit Received(InstanceRegistry& r) {
        QObject::connect(&r, &InstanceRegistry::notified, &r, [this](int m) { last = m; });
    }
    int last = 0;
};

class PrivateFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        ASSERT_EQ(WhyNotPrivate(tmp_.path(), ::getuid()), QString());
    }
    QString folder() const { return tmp_.path(); }
    QString path(const QString& name) const { return tmp_.filePath(name); }

  private:
    QTemporaryDir tmp_;
};

// A socket at `path` nobody listens on, as a copy that crashed leaves it.
bool LeaveDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(),
                std::min<std::size_t>(bytes.size(), sizeof address.sun_path - 1));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

}  // namespace

using SingleInstance = PrivateFolder;

TEST_F(SingleInstance, runningInstanceIsFoundByItsExactTitleAndNotified) {
    const QString title = UniqueTitle();
    InstanceRegistry first(folder());
    const InstanceRegistry second(folder());
    Received received(first);
    ASSERT_TRUE(first.publish(title));
    EXPECT_TRUE(first.serverNameFor(title).startsWith(folder() + u'/'));

    EXPECT_FALSE(second.notifyRunning(title + QStringLiteral(" 2")));
    EXPECT_TRUE(second.notifyRunning(title));
    EXPECT_TRUE(WaitFor([&] { return received.last != 0; }));
    EXPECT_EQ(received.last, kSecondInstanceMessage);

    // A retitled window is found by its new title only.
    ASSERT_TRUE(first.publish(title + QStringLiteral(" new")));
    EXPECT_FALSE(second.notifyRunning(title));
    EXPECT_TRUE(second.notifyRunning(title + QStringLiteral(" new")));
    first.publish(QString());
    EXPECT_FALSE(second.notifyRunning(title + QStringLiteral(" new")));
}

TEST_F(SingleInstance, secondPublisherOfTheSameTitleIsRefused_aDeadSocketIsTakenOver) {
    const QString title = UniqueTitle();
    InstanceRegistry first(folder()), second(folder());
    ASSERT_TRUE(first.publish(title));
    EXPECT_FALSE(second.publish(title));

    const QString other = UniqueTitle();
    ASSERT_TRUE(LeaveDeadSocket(first.serverNameFor(other)));
    EXPECT_FALSE(second.notifyRunning(other));
    EXPECT_TRUE(second.publish(other));
    EXPECT_TRUE(first.notifyRunning(other));
}

TEST_F(SingleInstance, secondStartOfTheSameUser_endsSilently_andTheFirstIsNotified) {
    InstanceRegistry first(folder());
    Received received(first);
    ASSERT_TRUE(first.publish(QString::fromLatin1(kInstanceTitle)));

    QTemporaryDir fallback;
    const InstanceRegistry second(ChooseInstanceFolder(folder(), fallback.path()).folder);
    EXPECT_EQ(StartWith(second), StartupOutcome::AlreadyRunning);
    EXPECT_TRUE(WaitFor([&] { return received.last == kSecondInstanceMessage; }));
}

TEST_F(SingleInstance, serverOfAnotherUser_isNoRunningCopy_andHearsNothing) {
    // Seen from a registry of another user, this process's server is
    // another user's; and the other way round.
    const QString title = QString::fromLatin1(kInstanceTitle);
    InstanceRegistry ours(folder());
    Received oursReceived(ours);
    ASSERT_TRUE(ours.publish(title));

    InstanceRegistry theirs(folder(), ::getuid() + 1);
    Received theirsReceived(theirs);
    EXPECT_FALSE(theirs.notifyRunning(title));
    EXPECT_EQ(StartWith(theirs), StartupOutcome::Run);
    Settle();
    EXPECT_EQ(oursReceived.last, 0);

    // Nobody of its user answers, so the start takes the name over; a
    // peer of another user reaching it is not heard either.
    EXPECT_TRUE(theirs.publish(title));
    EXPECT_TRUE(InstanceRegistry(folder()).notifyRunning(title));
    Settle();
    EXPECT_EQ(theirsReceived.last, 0);
}

TEST_F(SingleInstance, socketOfAnotherUserMovedIntoTheFolder_doesNotStopTheStart) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to listen as another user";
    QTemporaryDir open;
    ASSERT_TRUE(open.isValid());
    ASSERT_TRUE(SetMode(open.path(), 0777));
    const QByteArray where = QFile::encodeName(open.filePath(QStringLiteral("s")));

    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // System calls only: the parent has threads.
        ::close(ready[0]);
        ::close(release[1]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            ::_exit(1);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, where.constData(),
                    std::min<std::size_t>(where.size(), sizeof address.sun_path - 1));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 8) != 0) {
            ::_exit(2);
        }
        char byte = 1;
        if (::write(ready[1], &byte, 1) != 1) ::_exit(3);
        while (::read(release[0], &byte, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char byte = 0;
    const bool listening = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);

    const QString title = QString::fromLatin1(kInstanceTitle);
    InstanceRegistry ours(folder());
    if (listening) {
        EXPECT_EQ(
            ::rename(where.constData(), QFile::encodeName(ours.serverNameFor(title)).constData()),
            0);
        EXPECT_FALSE(ours.notifyRunning(title));
        EXPECT_EQ(StartWith(ours), StartupOutcome::Run);
        EXPECT_TRUE(ours.publish(title));
        EXPECT_TRUE(InstanceRegistry(folder()).notifyRunning(title));
    }
    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(listening) << "the child of uid " << kNobody << " did not listen";
}

using InstanceFolders = PrivateFolder;

TEST_F(InstanceFolders, runtimeDirOfThisUser_isTaken) {
    const InstanceFolder chosen = ChooseInstanceFolder(folder(), path(QStringLiteral("fallback")));
    EXPECT_EQ(chosen.folder, folder());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("fallback"))));
}

TEST_F(InstanceFolders, runtimeDirUnsetOrUnfit_aPrivateFallbackIsMadeAndTaken) {
    const QString runtime = path(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkdir(runtime));
    ASSERT_TRUE(SetMode(runtime, 0755));
    const QString fallback = path(QStringLiteral("fallback"));

    for (const QString& runtimeDir : {runtime, QString(), QStringLiteral("relative/run")}) {
        const InstanceFolder chosen = ChooseInstanceFolder(runtimeDir, fallback);
        EXPECT_EQ(chosen.folder, fallback) << qPrintable(runtimeDir);
        EXPECT_EQ(WhyNotPrivate(fallback, ::getuid()), QString());
    }
    // The unfit folder is refused, never repaired.
    EXPECT_EQ(QFileInfo(runtime).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);
    EXPECT_TRUE(WhyNotPrivate(runtime, ::getuid()).contains(QStringLiteral("0755")));
}

TEST_F(InstanceFolders, fallbackNotPrivate_isRefusedAsItIs_andNoFolderIsUsed) {
    const QString runtime = path(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkdir(runtime));
    ASSERT_TRUE(SetMode(runtime, 0711));

    const QString open = path(QStringLiteral("open"));
    ASSERT_TRUE(QDir().mkdir(open));
    ASSERT_TRUE(SetMode(open, 0770));
    const QString link = path(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(folder(), link));  // to a private folder
    const QString file = path(QStringLiteral("file"));
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));

    for (const QString& fallback : {open, link, file}) {
        const InstanceFolder chosen = ChooseInstanceFolder(runtime, fallback);
        EXPECT_EQ(chosen.folder, std::nullopt) << qPrintable(fallback);
        EXPECT_TRUE(chosen.refusal.contains(runtime)) << qPrintable(chosen.refusal);
        EXPECT_TRUE(chosen.refusal.contains(fallback)) << qPrintable(chosen.refusal);
    }
    EXPECT_TRUE(WhyNotPrivate(open, ::getuid()).contains(QStringLiteral("0770")));
    EXPECT_TRUE(WhyNotPrivate(link, ::getuid()).contains(QStringLiteral("link")));

    // Without a folder nothing is found or published, and the start runs.
    InstanceRegistry none(std::nullopt);
    EXPECT_FALSE(none.publish(QString::fromLatin1(kInstanceTitle)));
    EXPECT_EQ(StartWith(none), StartupOutcome::Run);
}

TEST_F(InstanceFolders, folderOfAnotherUser_isRefused) {
    EXPECT_TRUE(WhyNotPrivate(folder(), ::getuid() + 1).contains(QStringLiteral("belongs to")));
    EXPECT_EQ(
        ChooseInstanceFolder(folder(), path(QStringLiteral("fallback")), ::getuid() + 1).folder,
        std::nullopt);
}

TEST_F(InstanceFolders, aCopyListeningInAFolderOpenToOthers_doesNotStopTheStart) {
    const QString runtime = path(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkdir(runtime));
    ASSERT_TRUE(SetMode(runtime, 0700));
    InstanceRegistry first(runtime);
    Received received(first);
    ASSERT_TRUE(first.publish(QString::fromLatin1(kInstanceTitle)));
    ASSERT_TRUE(SetMode(runtime, 0777));  // anyone could have put it there

    const InstanceRegistry second(
        ChooseInstanceFolder(runtime, path(QStringLiteral("fallback"))).folder);
    EXPECT_EQ(StartWith(second), StartupOutcome::Run);
    Settle();
    EXPECT_EQ(received.last, 0);
}
