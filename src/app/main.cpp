// tern-ap-utility: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/display_check.h"
#include "app/startup.h"
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

bool AsksForHelp(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0) return true;
        }
    }
    return false;
}

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
    const app::DisplayEnvironment display = app::CurrentDisplayEnvironment(argc, argv);
    const bool noDisplay = app::NoDisplayFor(display);
    const bool deadDisplay = app::OnlyX11DisplayNamed(display) && !app::X11DisplayOpens();
    if (noDisplay || deadDisplay) {
        if (!AsksForHelp(argc, argv)) {
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
    // Wayland matches the window to its desktop entry (and icon) by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(TERN_APP_ID));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Finds the wireless access points on the LAN segment, shows and edits their settings.\n"
        "--demo [N] runs against N simulated APs inside the program: no network traffic."));
    parser.addHelpOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Simulated APs in memory instead of the network."));
    const QCommandLineOption oldFirmware(
        QStringLiteral("old-firmware"),
        QStringLiteral("With --demo: add one AP with old firmware."));
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QStringLiteral(
            "Save a picture of each page to DIR once the first search is over, then quit."),
        QStringLiteral("DIR"));
    const QCommandLineOption screenshotsSize(
        QStringLiteral("screenshots-size"),
        QStringLiteral(
            "With --screenshots: the window's size, WIDTHxHEIGHT (at least its default)."),
        QStringLiteral("WxH"));
    const QCommandLineOption interfaceOption(
        QStringLiteral("interface"),
        QStringLiteral("Search only through this network interface (repeatable); by default every\n"
                       "interface that is up and can broadcast is searched."),
        QStringLiteral("NAME"));
    parser.addOption(interfaceOption);
    const QCommandLineOption quitAfterStart(
        QStringLiteral("quit-after-start"),
        QStringLiteral(
            "Check an installation: start (a running copy is no reason to stop), let the\n"
            "first search run, print the language file, the window title and the number\n"
            "of APs listed, and quit. Boxes are printed instead of shown."));
    parser.addOption(demo);
    parser.addOption(oldFirmware);
    parser.addOption(screenshots);
    parser.addOption(screenshotsSize);
    parser.addOption(quitAfterStart);
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("Number of simulated APs with --demo (default 8)."),
                                 QStringLiteral("[N]"));
    parser.process(app);
    int demoCount = 8;
    if (!parser.positionalArguments().isEmpty()) {
        bool ok = false;
        demoCount = parser.positionalArguments().first().toInt(&ok);
        if (!parser.isSet(demo) || !ok || demoCount < 1 || demoCount > 5000) {
            std::fprintf(stderr, "tern-ap-utility: N (1..5000) is taken with --demo only\n");
            return 2;
        }
    }

    if (parser.isSet(interfaceOption) && parser.isSet(demo)) {
        std::fprintf(stderr, "tern-ap-utility: --interface is not taken with --demo\n");
        return 2;
    }
    // Chosen before the window opens: a typing error in an interface's name
    // must not turn into a search of some other segment. The demo network
    // lives as long as the window that talks to it.
    sim::DemoNetwork demoNetwork;
    std::unique_ptr<net::UdpSocketControl> socket;
    if (parser.isSet(demo)) {
        auto made = sim::MakeDemoNetwork(demoCount, parser.isSet(oldFirmware));
        if (const QString* error = std::get_if<QString>(&made)) {
            std::fprintf(stderr, "tern-ap-utility: %s\n", qPrintable(*error));
            return 2;
        }
        demoNetwork = std::move(std::get<sim::DemoNetwork>(made));
        socket = std::move(demoNetwork.socket);
    } else {
        auto chosen = net::NetworkSocket(parser.values(interfaceOption));
        if (const QString* error = std::get_if<QString>(&chosen)) {
            std::fprintf(stderr, "tern-ap-utility: %s\n", qPrintable(*error));
            return 2;
        }
        socket = std::move(std::get<std::unique_ptr<net::UdpSocketControl>>(chosen));
    }

    const bool checking = parser.isSet(quitAfterStart);
    gui::WidgetDialogSeam shownDialogs;
    PrintingDialogSeam printedDialogs;
    gui::DialogSeam& dialogs =
        checking ? static_cast<gui::DialogSeam&>(printedDialogs) : shownDialogs;
    const app::RealStartupPlatform platform;
    const auto decision = app::DecideStartup(
        platform,
        [checking](const QString& title) {
            if (checking) return false;
            // Both are asked: the window search sees other programs' windows,
            // the registry delivers the notification to our own copy.
            const bool window = app::TopLevelWindowWithTitleExists(title);
            const bool copy = app::InstanceRegistry::NotifyRunning(title);
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

    gui::TMainFm window(std::move(socket), dialogs);
    window.lang_file = decision.langFile;
    gui::TForm4 form4;  // never shown

    app::InstanceRegistry registry;
    if (!checking) {
        QObject::connect(&window, &QWidget::windowTitleChanged, &registry,
                         [&registry](const QString& title) { registry.publish(title); });
    }
    QObject::connect(&registry, &app::InstanceRegistry::notified, &window,
                     [&window](int) { window.OnSecondInstance(); });
    // The size the user left the window at, unless the run is a check or
    // for pictures, which must look the same everywhere and leave nothing.
    QSettings settings(QStringLiteral(TERN_APP_ID));
    if (!checking && !parser.isSet(screenshots)) {
        new app::WindowSizeKeeper(window, settings);  // owned by the window
    }
    if (parser.isSet(screenshotsSize)) {
        const QStringList parts = parser.value(screenshotsSize).split(u'x');
        const QSize size(parts.value(0).toInt(), parts.value(1).toInt());
        if (parts.size() != 2 || !size.isValid()) {
            std::fprintf(stderr, "tern-ap-utility: --screenshots-size takes WIDTHxHEIGHT\n");
            return 2;
        }
        window.resize(size.expandedTo(window.minimumSize()));
    }
    window.show();
    if (parser.isSet(screenshots)) {
        const QString dir = parser.value(screenshots);
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
