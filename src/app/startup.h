#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "gui/dialogs/dialog_seam.h"

namespace tern::app {

// The window title by which a running copy is recognised; the shipped
// language files carry it, so a second start of a shipped build is refused.
inline constexpr char kInstanceTitle[] = "108Mbps Wireless LAN Access Point";
// The private notification a second start sends the first (which ignores it).
inline constexpr int kSecondInstanceMessage = 0x1400;

inline constexpr char kStartupWarningText[] =
    "The necessary file is not found. It is recommended that you reinstall the utility.";
inline constexpr char kStartupWarningCaption[] = "Warning!";

// What start-up asks of the platform, behind one seam for tests.
class StartupPlatform {
  public:
    virtual ~StartupPlatform() = default;
    virtual QLocale::Language systemLanguage() const = 0;
    virtual bool fileExists(const QString& path) const = 0;
    // Whether the file opens and reads: a file that exists but cannot be read
    // would leave every text at its built-in default.
    virtual bool fileReadable(const QString& path) const = 0;
    virtual QString executableDir() const = 0;
};

class RealStartupPlatform : public StartupPlatform {
  public:
    QLocale::Language systemLanguage() const override;
    bool fileExists(const QString& path) const override;
    bool fileReadable(const QString& path) const override;
    QString executableDir() const override;
};

// "language/jap.ini" for Japanese, "language/gem.ini" for German, else
// "language/eng.ini".
QString LanguageFileFor(QLocale::Language language);

// The installed data folder as seen from the installed executable
// ("../share/tern-ap-utility" for the usual bin/ and share/ layout).
QString InstalledDataFromExecutable();

// The folders that may hold "language/", in the order they are asked: the
// executable's own (a build folder, or a copy unpacked anywhere), then the
// installed data folder relative to it, so an installed tree can be moved
// as a whole.
QStringList LanguageSearchFolders(const QString& executableDir);

// The full path of the language file to use: the one for the system
// language from the first folder that has it, else English the same way;
// nullopt when none exists (start-up then shows the warning and ends).
std::optional<QString> ChooseLanguageFile(const StartupPlatform& platform);

enum class StartupOutcome {
    AlreadyRunning,  // a window with the instance title exists: end silently
    NoLanguageFile,  // the warning was shown: end
    // The chosen file exists but cannot be read (langFile names it): a check
    // of the installation fails; a start for the user runs on the built-in
    // texts, as a start with a file whose texts are missing does.
    UnreadableLanguageFile,
    Run,
};
struct StartupDecision {
    StartupOutcome outcome = StartupOutcome::Run;
    QString langFile;
};

// Start-up up to the creation of the main window: the running-copy check
// (`windowWithTitleExists` asks the platform and notifies the copy it
// finds), then the language file, with the warning when there is none.
StartupDecision DecideStartup(
    const StartupPlatform& platform,
    const std::function<bool(const QString& title)>& windowWithTitleExists,
    gui::DialogSeam& dialogs);

// Where the single-instance sockets are kept: a folder of this user's that
// no other user can enter, so that nobody else can take a socket's name
// first and answer for a copy that does not run.
struct InstanceFolder {
    std::optional<QString> folder;  // nothing: start without the check
    QString refusal;                // why the folders asked were not taken
};

// Empty when `folder` is a directory itself (not a link to one) owned by
// `uid` with mode 0700; else why it is not.
QString WhyNotPrivate(const QString& folder, uid_t uid);

// `runtimeDir` ($XDG_RUNTIME_DIR) when it is set, absolute and private;
// else `fallback`, made 0700 when it does not exist yet, when that is
// private. A folder found otherwise is never changed, only refused.
InstanceFolder ChooseInstanceFolder(const QString& runtimeDir, const QString& fallback,
                                    uid_t uid = ::getuid());

// The fallback of this user: tern-ap-utility-UID in the temporary folder
// ($TMPDIR, else /tmp).
QString FallbackInstanceFolder();

// The folder for this process: $XDG_RUNTIME_DIR or the fallback.
InstanceFolder ThisUsersInstanceFolder();

// The user a peer on a connected local socket runs as, by the kernel's
// account of it; nothing when it cannot be had.
std::optional<uid_t> PeerUid(qintptr socketDescriptor);

// Single instance, keyed by window title: a running instance publishes its
// title as a local server in its user's private folder; a second start finds
// it by that title, sends the notification and ends. A title other than the
// one looked for is never found, as with a window search by title, and a
// server that runs as another user is never taken for a copy, whichever
// way its socket got there.
class InstanceRegistry : public QObject {
    Q_OBJECT
  public:
    // Servers live in `folder`, which the caller has checked; with no folder
    // no copy is ever found and nothing is published. Only peers running as
    // `uid` count.
    explicit InstanceRegistry(std::optional<QString> folder, uid_t uid = ::getuid(),
                              QObject* parent = nullptr);
    ~InstanceRegistry() override;

    bool active() const { return folder_.has_value(); }

    // Path of the local server for a title; empty when inactive.
    QString serverNameFor(const QString& title) const;

    // True when an instance of this user with exactly this title runs; it
    // is sent the notification.
    bool notifyRunning(const QString& title, int timeoutMs = 500) const;

    // Publishes (or re-publishes, when the title changes) this instance's
    // title; an empty title withdraws it. False when nothing was published.
    bool publish(const QString& title);
    QString publishedTitle() const { return title_; }

  Q_SIGNALS:
    void notified(int message);

  private:
    std::optional<QString> folder_;
    uid_t uid_;
    std::unique_ptr<QLocalServer> server_;
    QString title_;
};

}  // namespace tern::app
