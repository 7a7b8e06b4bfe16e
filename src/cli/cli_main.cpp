// tern-ap-cli: the command-line front end over the same engine as the
// window. Data goes to stdout, messages to stderr; see --help.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <type_traits>

#include "cli/cli_options.h"
#include "cli/cli_runner.h"
#include "cli/fleet_runner.h"
#include "core/fleet/plan.h"
#include "core/fleet/state_file.h"
#include "core/net/network_socket.h"
#include "core/net/protocol.h"
#include "sim/demo_network.h"

using namespace tern;

namespace {

void Error(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("tern-ap-cli: ") + text + u'\n'), stderr);
}

void Write(std::FILE* to, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
}

// SIGINT and SIGTERM. The first stops the run: the handler only writes the
// signal's number into a pipe the event loop watches, and the run ends
// with its report. A second one, or one before the event loop runs, ends
// the program at once. Either way a terminal left without echo by the
// password prompt gets it back.
int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_signals = 0;
volatile sig_atomic_t g_terminalSaved = 0;
volatile sig_atomic_t g_lastSignal = 0;
termios g_terminal{};

void OnSignal(int signal) {
    if (g_terminalSaved) tcsetattr(STDIN_FILENO, TCSANOW, &g_terminal);
    g_signals = g_signals + 1;
    g_lastSignal = signal;
    if (g_signals > 1 || g_signalPipe[1] < 0) _exit(128 + signal);
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &number, 1);
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// From here on the first signal reaches `onSignal` through the event loop.
void DeliverStopSignals(QObject* context, const std::function<void(int)>& onSignal) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [fd = fds[0], onSignal] {
        unsigned char number = 0;
        if (read(fd, &number, 1) == 1) onSignal(number);
    });
    g_signalPipe[0] = fds[0];
    g_signalPipe[1] = fds[1];
}

// The password without echo, from the terminal.
std::optional<QString> Prompt() {
    termios old{};
    if (tcgetattr(STDIN_FILENO, &old) != 0) return std::nullopt;
    termios quiet = old;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    std::fputs("Password: ", stderr);
    std::fflush(stderr);
    g_terminal = old;
    g_terminalSaved = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    g_terminalSaved = 0;
    std::fputs("\n", stderr);
    // Stopped at the prompt: nothing was asked of any AP yet.
    if (g_signals > 0) _exit(128 + g_lastSignal);
    if (!read) return std::nullopt;
    return QString::fromLocal8Bit(line).chopped(QByteArrayView(line).endsWith('\n') ? 1 : 0);
}

// The login's password, from the first of its sources that is given.
std::optional<QString> Password(const cli::CliOptions& o) {
    if (!o.passwordFile.isEmpty()) {
        QFile file(o.passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            Error(QStringLiteral("cannot read --password-file '") + o.passwordFile + u'\'');
            return std::nullopt;
        }
        struct stat st {};
        if (fstat(file.handle(), &st) == 0) {
            if (const auto w = fleet::SecretFileWarning(o.passwordFile, st.st_mode, true))
                Error(*w);
        }
        QByteArray first = file.readLine(4096);
        while (first.endsWith('\n') || first.endsWith('\r')) first.chop(1);
        return QString::fromUtf8(first);
    }
    if (o.passwordGiven) {
        Error(
            QStringLiteral("warning: --password is visible to other users of this machine; "
                           "--password-file or TERN_AP_PASSWORD is not"));
        return o.password;
    }
    if (qEnvironmentVariableIsSet("TERN_AP_PASSWORD")) {
        return qEnvironmentVariable("TERN_AP_PASSWORD");
    }
    if (isatty(STDIN_FILENO)) return Prompt();
    Error(
        QStringLiteral("no password: give --password-file FILE, TERN_AP_PASSWORD, or a terminal"));
    return std::nullopt;
}

bool IsDirectory(const QString& path) { return QFileInfo(path).isDir(); }
bool Exists(const QString& path) { return QFileInfo::exists(path); }

// Runs the command to its end: data to stdout, messages to stderr.
template <typename Runner>
int Run(net::UdpSocketControl& socket, const cli::CliOptions& o,
        const std::function<std::optional<cli::CliLogin>()>& login) {
    Runner runner(socket, o);
    // The files and settings are checked first, the password asked after.
    runner.setLoginSource(login);
    if constexpr (std::is_same_v<Runner, cli::FleetRunner>) {
        // Said as it happens: the backup folder before the first request,
        // should the run be stopped or the machine fail.
        runner.setMessageSink([](const QByteArray& line) {
            Write(stderr, line);
            std::fflush(stderr);
        });
    }
    bool done = false;
    QObject::connect(&runner, &Runner::done, qApp, [&] {
        done = true;
        Write(stdout, runner.out());
        Write(stderr, runner.err());
        socket.CloseSocket();
        QCoreApplication::quit();
    });
    int stoppedBy = 0;
    DeliverStopSignals(&runner, [&](int signal) {
        stoppedBy = 128 + signal;
        if constexpr (std::is_same_v<Runner, cli::FleetRunner>) {
            runner.interrupt(stoppedBy);
        } else {
            // One AP or a search: nothing worth waiting for.
            Write(stdout, runner.out());
            Write(stderr, runner.err());
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(0, &runner, &Runner::start);
    QCoreApplication::exec();
    if (!done && stoppedBy != 0) return stoppedBy;
    return runner.exitCode();
}

}  // namespace

int main(int argc, char* argv[]) {
    CatchStopSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tern-ap-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TERN_VERSION));

    const auto parsed = cli::ParseCliOptions(app.arguments().mid(1));
    if (const QString* error = std::get_if<QString>(&parsed)) {
        Error(*error + QStringLiteral("; see --help"));
        return service::kExitUsage;
    }
    const cli::CliOptions o = std::get<cli::CliOptions>(parsed);
    if (o.help) {
        Write(stdout, cli::CliUsage().toUtf8());
        return service::kExitOk;
    }
    if (o.version) {
        Write(stdout, QByteArrayLiteral("tern-ap-cli " TERN_VERSION "\n"));
        return service::kExitOk;
    }
    const bool fleet = cli::IsFleetCommand(o, IsDirectory, Exists);
    if (!fleet && !o.logins.isEmpty() && o.command == u"restore") {
        Error(QStringLiteral("restore FILE TARGET takes its login from --user, not --logins"));
        return service::kExitUsage;
    }
    const bool wantsLogin =
        (o.command == u"set" || o.command == u"restore" || o.command == u"apply") &&
        !o.user.isEmpty();
    const auto login = [&o, wantsLogin]() -> std::optional<cli::CliLogin> {
        if (!wantsLogin) return cli::CliLogin{};
        const std::optional<QString> password = Password(o);
        if (!password) return std::nullopt;
        if (const std::optional<QString> problem =
                fleet::LoginProblem(o.user, *password, fleet::kPlanEncoding)) {
            // Refused, never cut: a cut password would log in as another.
            Error(QStringLiteral("the login of --user: ") + *problem +
                  QStringLiteral("; nothing sent"));
            return std::nullopt;
        }
        return cli::CliLogin{o.user, *password};
    };

    // The demo's APs in this process, or the real network; the demo network
    // outlives every use of its socket.
    sim::DemoNetwork demoNetwork;
    std::unique_ptr<net::UdpSocketControl> networkSocket;
    if (o.demo) {
        auto demo = sim::MakeDemoNetwork(o.demoCount, false);
        if (const QString* error = std::get_if<QString>(&demo)) {
            Error(*error);
            return service::kExitUsage;
        }
        demoNetwork = std::move(std::get<sim::DemoNetwork>(demo));
    } else {
        auto chosen = net::NetworkSocket(o.interfaces);
        if (const QString* error = std::get_if<QString>(&chosen)) {
            Error(*error);
            return service::kExitUsage;
        }
        networkSocket = std::move(std::get<std::unique_ptr<net::UdpSocketControl>>(chosen));
    }
    net::UdpSocketControl* socket = o.demo ? demoNetwork.socket.get() : networkSocket.get();
    if (!net::OpenOnProgramPort(*socket)) {
        Error(QStringLiteral("UDP port ") + QString::number(net::kDefaultPort) +
              QStringLiteral(" cannot be opened"));
        return service::kExitFailure;
    }

    if (fleet) return Run<cli::FleetRunner>(*socket, o, login);
    return Run<cli::CliRunner>(*socket, o, login);
}
