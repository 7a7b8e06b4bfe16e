// tern-ap-utility: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/display_check.h"
#include "app/startup.h"
#include "app/window_options.h"
#include "app/window_search.h"
#include "app/window_size.h"
#include "core/net/network_socket.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/tform4.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/demo_network.h"

using namespace tern;

namespace {

// For a start nobody watches: what would open a box is printed, and every
// question is answered as its safe choice.
class PrintingDialogSeam : public gui::DialogSeam {
  public:
    Answer showMessage(QWidget*, const Message& message) override {
        std::fprintf(stderr, "tern-ap-utility: %s %s\n", qPrintable(message.caption),
                     qPrintable(message.text.trimmed()));
        return message.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    int execDialog(QDialog&) override { return QDialog::Rejected; }
};

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    // Answered without a display, so that an installation can be asked
    // which version it is from anywhere.
    if (app::AsksForVersion(arguments)) {
        std::fputs("tern-ap-utility " TERN_VERSION "\n", stdout);
        return 0;
    }
    const app::DisplayEnvironment display = app::CurrentDisplayEnvironment(argc, argv);
    const bool noDisplay = app::NoDisplayFor(display);
    const bool deadDisplay = app::OnlyX11DisplayNamed(display) && !app::X11DisplayOpens();
    if (noDisplay || deadDisplay) {
        if (!app::AsksForHelp(arguments)) {
            std::fprintf(stderr, "%s\n",
                         noDisplay
                             ? app::kNoDisplayMessage
                             : app::UnreachableDisplayMessage(display.x11Display).constData());
            return 1;
        }
        // The options are worth reading without a display too.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tern-ap-utility"));
    QApplication::setApplicationVersion(QStringLiteral(TERN_VERSION));
    // Wayland matches the window to its desktop entry (and icon) by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(TERN_APP_ID));

    QCommandLineParser parser;
    app::AddWindowOptions(parser);
    parser.process(app);
    const auto parsed = app::WindowOptionsFrom(parser);
    if (const QString* error = std::get_if<QString>(&parsed)) {
        std::fprintf(stderr, "tern-ap-utility: %s\n", qPrintable(*error));
        return app::kExitUsage;
    }
    const app::WindowOptions options = std::get<app::WindowOptions>(parsed);

    // Chosen before the window opens: a typing error in an interface's name
    // must not turn into a search of some other segment. The demo network
    // lives as long as the window that talks to it.
    sim::DemoNetwork demoNetwork;
    std::unique_ptr<net::UdpSocketControl> socket;
    if (options.demo) {
        auto made = sim::MakeDemoNetwork(options.demoCount, options.oldFirmware);
        if (const QString* error = std::get_if<QString>(&made)) {
            std::fprintf(stderr, "tern-ap-utility: %s\n", qPrintable(*error));
            return app::kExitUsage;
        }
        demoNetwork = std::move(std::get<sim::DemoNetwork>(made));
        socket = std::move(demoNetwork.socket);
    } else {
        auto chosen = net::NetworkSocket(options.interfaces);
        if (const QString* error = std::get_if<QString>(&chosen)) {
            std::fprintf(stderr, "tern-ap-utility: %s\n", qPrintable(*error));
            return app::kExitUsage;
        }
        socket = std::move(std::get<std::unique_ptr<net::UdpSocketControl>>(chosen));
    }

    const bool checking = options.quitAfterStart;
    gui::WidgetDialogSeam shownDialogs;
    PrintingDialogSeam printedDialogs;
    gui::DialogSeam& dialogs =
        checking ? static_cast<gui::DialogSeam&>(printedDialogs) : shownDialogs;
    const app::RealStartupPlatform platform;
    // A check neither looks for a running copy nor publishes itself, so it
    // leaves no folder behind either.
    app::InstanceFolder instanceFolder;
    if (!checking) {
        instanceFolder = app::ThisUsersInstanceFolder();
        if (!instanceFolder.folder) {
            std::fprintf(stderr,
                         "tern-ap-utility: no private folder for the single-instance socket "
                         "(%s); starting without looking for a running copy of this user's\n",
                         qPrintable(instanceFolder.refusal));
        }
    }
    app::InstanceRegistry registry(instanceFolder.folder);
    const auto decision = app::DecideStartup(
        platform,
        [checking, &registry](const QString& title) {
            if (checking) return false;
            // Both are asked: the window search sees other programs' windows,
            // the registry delivers the notification to our own copy.
            const bool window = app::TopLevelWindowWithTitleExists(title);
            const bool copy = registry.notifyRunning(title);
            return window || copy;
        },
        dialogs);
    if (decision.outcome == app::StartupOutcome::AlreadyRunning) {
        return 0;
    }
    if (decision.outcome == app::StartupOutcome::NoLanguageFile) {
        // Whoever started it from a terminal learns where it looked.
        std::fprintf(stderr, "tern-ap-utility: no language file in %s\n",
                     qPrintable(app::LanguageSearchFolders(platform.executableDir())
                                    .join(QStringLiteral("/language or "))
                                    .append(QStringLiteral("/language"))));
        return 1;
    }
    if (decision.outcome == app::StartupOutcome::UnreadableLanguageFile) {
        std::fprintf(stderr, "tern-ap-utility: cannot read the language file %s%s\n",
                     qPrintable(decision.langFile),
                     checking ? "" : "; the window shows its built-in texts");
        // A check reports the installation as it is: broken.
        if (checking) return 1;
    }

    gui::TMainFm window(std::move(socket), dialogs);
    window.lang_file = decision.langFile;
    gui::TForm4 form4;  // never shown

    if (!checking) {
        QObject::connect(&window, &QWidget::windowTitleChanged, &registry,
                         [&registry](const QString& title) { registry.publish(title); });
    }
    QObject::connect(&registry, &app::InstanceRegistry::notified, &window,
                     [&window](int) { window.OnSecondInstance(); });
    // The size the user left the window at, unless the run is a check or
    // for pictures, which must look the same everywhere and leave nothing.
    QSettings settings(QStringLiteral(TERN_APP_ID));
    if (!checking && !options.screenshotsDir) {
        new app::WindowSizeKeeper(window, settings);  // owned by the window
    }
    if (options.screenshotsSize) {
        window.resize(options.screenshotsSize->expandedTo(window.minimumSize()));
    }
    window.show();
    if (options.screenshotsDir) {
        const QString dir = *options.screenshotsDir;
        // Past the 2-second search window, so the list shows what was found.
        QTimer::singleShot(2600, &window, [&window, dir] {
            QDir().mkpath(dir);
            for (int page = 0; page < 5; ++page) {
                window.l_statusClick(window.NavLabel(page));
                const QString file =
                    QDir(dir).filePath(QStringLiteral("page-%1.png").arg(page + 1));
                if (!window.grab().save(file)) {
                    std::fprintf(stderr, "tern-ap-utility: cannot write %s\n", qPrintable(file));
                }
            }
            window.l_statusClick(window.NavLabel(0));
            window.close();
        });
    }
    if (checking) {
        // Past the 2-second search window, as above.
        QTimer::singleShot(2600, &window, [&window] {
            // The rows of the list, not what the engine has heard of.
            const auto* list = window.findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
            const int listed =
                list == nullptr || list->Cells(1, 1).isEmpty() ? 0 : list->RowCount() - 1;
            std::printf("language file: %s\nwindow title: %s\nAPs listed: %d\n",
                        qPrintable(window.lang_file), qPrintable(window.windowTitle()), listed);
            std::fflush(stdout);
            window.close();
        });
    }
    return QApplication::exec();
}
