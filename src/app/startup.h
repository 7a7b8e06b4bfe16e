#pragma once

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
    virtual QString executableDir() const = 0;
};

class RealStartupPlatform : public StartupPlatform {
  public:
    QLocale::Language systemLanguage() const override;
    bool fileExists(const QString& path) const override;
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

// Single instance, keyed by window title: a running instance publishes its
// title as a local server; a second start finds it by that title, sends the
// notification and ends. A title other than the one looked for is never
// found, as with a window search by title.
class InstanceRegistry : public QObject {
    Q_OBJECT
  public:
    explicit InstanceRegistry(QObject* parent = nullptr);
    ~InstanceRegistry() override;

    // Name of the local server for a title (per user, so two users of one
    // machine do not see each other's windows).
    static QString ServerNameFor(const QString& title);

    // True when an instance with exactly this title runs; it is sent the
    // notification.
    static bool NotifyRunning(const QString& title, int timeoutMs = 500);

    // Publishes (or re-publishes, when the title changes) this instance's
    // title; an empty title withdraws it.
    bool publish(const QString& title);
    QString publishedTitle() const { return title_; }

  Q_SIGNALS:
    void notified(int message);

  private:
    std::unique_ptr<QLocalServer> server_;
    QString title_;
};

}  // namespace tern::app
