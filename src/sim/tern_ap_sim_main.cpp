// tern-ap-sim: any number of simulated access points on one UDP socket.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "core/net/network_guard.h"
#include "core/record/net_types.h"
#include "core/rules/validation.h"
#include "sim/udp_simulator.h"

using namespace tern;

namespace {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

// Digits only: "+3", " 7", "1e3" and "0x10" are refused, not read as
// something else. The error names the option and the value it refused.
bool ParseInt(const QString& option, const QString& text, int min, int max, int* value) {
    const std::optional<qint64> v = rules::DecimalValue(text);
    if (!v || *v < min || *v > max) {
        std::fprintf(stderr, "tern-ap-sim: %s wants a whole number from %d to %d, not '%s'\n",
                     qPrintable(option), min, max, qPrintable(text));
        return false;
    }
    *value = static_cast<int>(*v);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tern-ap-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TERN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated wireless access points answering the Tern AP Utility's searches and set\n"
        "requests on UDP port 27155. Replies are broadcast, so it runs only inside a private\n"
        "network namespace: start it through tools/isolated-net."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Number of APs, 1..5000 (default 5)."),
                                   QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption first(
        QStringLiteral("first"),
        QStringLiteral("Number of the first AP, 1..100000 (default 1): two\n"
                       "simulators with different numbers simulate different APs."),
        QStringLiteral("I"), QStringLiteral("1"));
    const QCommandLineOption plain(QStringLiteral("plain"),
                                   QStringLiteral("Send discovery replies without encipherment."));
    const QCommandLineOption oldFw(QStringLiteral("old-firmware"),
                                   QStringLiteral("The last N APs have old firmware (default 0)."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption drop(
        QStringLiteral("drop"),
        QStringLiteral("Lose each reply to a search with this percent chance (default 0)."),
        QStringLiteral("PERCENT"), QStringLiteral("0"));
    const QCommandLineOption dropAcks(
        QStringLiteral("drop-acks"),
        QStringLiteral("Lose each answer to a set request with this percent chance (default "
                       "0); the AP has taken the settings all the same."),
        QStringLiteral("PERCENT"), QStringLiteral("0"));
    const QCommandLineOption dropSets(
        QStringLiteral("drop-sets"),
        QStringLiteral("Lose each set request before its AP sees it with this percent "
                       "chance (default 0): nothing taken, no answer."),
        QStringLiteral("PERCENT"), QStringLiteral("0"));
    const QCommandLineOption delay(
        QStringLiteral("delay"),
        QStringLiteral("Delay each reply by a random 0..MS milliseconds (default 0)."),
        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption silentSet(
        QStringLiteral("silent-on-set"),
        QStringLiteral("The first N APs never answer a set request (default 0)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption user(
        QStringLiteral("user"), QStringLiteral("Management user name of every AP (default admin)."),
        QStringLiteral("NAME"), QStringLiteral("admin"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("Management password of every AP (default admin)."), QStringLiteral("PASS"),
        QStringLiteral("admin"));
    const QCommandLineOption apLogin(
        QStringLiteral("ap-login"),
        QStringLiteral("Give AP number I (from 1) its own login; repeatable."),
        QStringLiteral("I:USER:PASS"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed for drops and delays (default 1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("UDP port (default 27155)."),
                                  QStringLiteral("PORT"), QStringLiteral("27155"));
    const QCommandLineOption duration(QStringLiteral("duration"),
                                      QStringLiteral("Stop after this many seconds (default 300)."),
                                      QStringLiteral("S"), QStringLiteral("300"));
    const QCommandLineOption maxRequests(
        QStringLiteral("max-requests"),
        QStringLiteral("Stop after answering this many requests (default 10000)."),
        QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption list(
        QStringLiteral("list"),
        QStringLiteral("Print the simulated APs (MAC, name, SSID) and go on."));
    parser.addOptions({count, first, plain, oldFw, drop, dropAcks, dropSets, delay, silentSet, user,
                       password, apLogin, seed, port, duration, maxRequests, list});
    parser.process(app);

    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tern-ap-sim: unexpected argument '%s'; see --help\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    int n = 0, old = 0, dropPct = 0, dropAcksPct = 0, dropSetsPct = 0, delayMs = 0, silent = 0,
        seedValue = 0, portValue = 0, seconds = 0, requests = 0, firstIndex = 0;
    const auto number = [&parser](const QCommandLineOption& option, int min, int max, int* value) {
        return ParseInt(QStringLiteral("--") + option.names().first(), parser.value(option), min,
                        max, value);
    };
    if (!number(count, 1, 5000, &n) || !number(first, 1, 100000, &firstIndex) ||
        !number(oldFw, 0, 5000, &old) || !number(drop, 0, 100, &dropPct) ||
        !number(dropAcks, 0, 100, &dropAcksPct) || !number(dropSets, 0, 100, &dropSetsPct) ||
        !number(delay, 0, 60000, &delayMs) || !number(silentSet, 0, 5000, &silent) ||
        !number(seed, 0, 2147483647, &seedValue) || !number(port, 1, 65535, &portValue) ||
        !number(duration, 1, 86400, &seconds) || !number(maxRequests, 1, 10000000, &requests)) {
        return 2;
    }
    if (old > n || silent > n) {
        std::fprintf(stderr, "tern-ap-sim: --%s %d is more than the %d AP(s) of --count\n",
                     old > n ? "old-firmware" : "silent-on-set", old > n ? old : silent, n);
        return 2;
    }

    // Every argument is checked before anything else happens.
    struct ApLogin {
        int index = 0;
        QByteArray user;
        QByteArray password;
    };
    std::vector<ApLogin> logins;
    for (const QString& entry : parser.values(apLogin)) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.size() != 3) {
            std::fprintf(stderr, "tern-ap-sim: --ap-login wants I:USER:PASS, not '%s'\n",
                         qPrintable(entry));
            return 2;
        }
        ApLogin login;
        if (!ParseInt(QStringLiteral("--ap-login"), parts[0], 1, n, &login.index)) {
            return 2;
        }
        login.user = parts[1].toUtf8();
        login.password = parts[2].toUtf8();
        logins.push_back(login);
    }

    QString why;
    if (!net::InPrivateNetworkNamespace(&why)) {
        std::fprintf(stderr,
                     "tern-ap-sim: refusing to run: %s.\n"
                     "Run it inside a private network namespace: tools/isolated-net %s ...\n",
                     qPrintable(why), argv[0]);
        return 3;
    }

    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(n, firstIndex - 1);
    for (int i = 0; i < n; ++i) {
        auto& ap = aps[static_cast<std::size_t>(i)];
        ap.user = parser.value(user).toUtf8();
        ap.password = parser.value(password).toUtf8();
        ap.oldFirmware = i >= n - old;
        ap.silentOnSet = i < silent;
    }
    for (const ApLogin& login : logins) {
        aps[static_cast<std::size_t>(login.index - 1)].user = login.user;
        aps[static_cast<std::size_t>(login.index - 1)].password = login.password;
    }
    if (parser.isSet(list)) {
        for (const auto& ap : aps) {
            Out() << record::MacText(ap.record.mac_addr()) << '\t'
                  << QString::fromLatin1(ap.record.ap_name()) << '\t'
                  << QString::fromLatin1(ap.record.ssid()) << '\n';
        }
        Out().flush();
    }

    sim::SimOptions options;
    options.plainReplies = parser.isSet(plain);
    options.dropPercent = dropPct;
    options.ackDropPercent = dropAcksPct;
    options.setDropPercent = dropSetsPct;
    options.maxDelayMs = delayMs;
    options.seed = static_cast<std::uint32_t>(seedValue);
    sim::UdpSimulator simulator(sim::ApSimulator(std::move(aps), options), portValue);
    QString error;
    if (!simulator.open(&error)) {
        std::fprintf(stderr, "tern-ap-sim: cannot open UDP port %d: %s\n", portValue,
                     qPrintable(error));
        return 1;
    }
    QObject::connect(&simulator, &sim::UdpSimulator::requestHandled, &app, [&] {
        if (simulator.requestsHandled() >= requests) {
            QTimer::singleShot(500, &app, &QCoreApplication::quit);
        }
    });
    // One line per set request, so a test can tell which segment heard it.
    QObject::connect(&simulator, &sim::UdpSimulator::setRequestReceived, &app,
                     [] { std::fprintf(stderr, "tern-ap-sim: set request received\n"); });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    std::fprintf(stderr, "tern-ap-sim: %d AP(s) listening on UDP port %d\n", n, portValue);
    const int rc = QCoreApplication::exec();
    const auto& s = simulator.simulator();
    std::fprintf(stderr,
                 "tern-ap-sim: %d search(es) answered, %d search replies dropped, %d set "
                 "request(s) received, %d lost before an AP, %d set(s) accepted by %d AP(s), %d "
                 "refused, %d answer(s) dropped, %d replies sent, %d send failures\n",
                 s.searchesAnswered(), s.searchRepliesDropped(), s.setRequestsSeen(),
                 s.setRequestsLost(), s.setsAccepted(), s.apsChanged(), s.setsRefused(),
                 s.answersDropped(), simulator.repliesSent(), simulator.sendFailures());
    return rc;
}
