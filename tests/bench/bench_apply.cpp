// How long the main window takes to apply one setting to many APs at once.
// A real window on the offscreen platform, the APs on an in-memory network:
// all rows are selected, the multi-AP login is confirmed, and the clock runs
// from the click until every AP's answer is counted. Each request after the
// first waits for the previous AP's reply (at most 3 x 100 ms), so the time
// is bounded by about 0.3 s per AP; anything well below that means the wait
// ends as soon as the reply is in. Afterwards every AP must have kept the
// new SSID and nothing may be missing.
//
//   bench_apply [APs]   (default 100)
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>

#include "core/net/in_memory_network.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/dialogs/tmul_usr_pass_fm.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"

using namespace tern;

namespace {

// Confirms the multi-AP login with admin/admin for every row; counts messages.
class BenchDialogs : public gui::DialogSeam {
  public:
    Answer showMessage(QWidget*, const Message&) override {
        ++messages;
        return Answer::Ok;
    }
    int execDialog(QDialog& dialog) override {
        if (auto* multi = dynamic_cast<gui::TMulUsrPassFm*>(&dialog)) {
            gui::TQuillGrid* g = multi->grid();
            for (int r = 1; r < g->RowCount(); ++r) {
                g->setCell(2, r, QStringLiteral("admin"));
                g->setCell(5, r, QStringLiteral("admin"));
            }
            multi->b_okClick();
        }
        return dialog.result();
    }
    int messages = 0;
};

struct Result {
    double sendMs = 0;      // the click: every request sent
    double concludeMs = 0;  // until every answer is counted
    int listed = 0;
    int acknowledged = 0;
    int kept = 0;
    int unanswered = 0;
    int messages = 0;
};

Result Run(int count, int maxDelayMs) {
    net::InMemoryNetwork network;
    BenchDialogs dialogs;
    sim::SimOptions options;
    options.maxDelayMs = maxDelayMs;
    sim::InMemorySimulator aps(network, sim::ApSimulator(sim::GenerateAps(count), options));
    gui::TMainFm form(std::make_unique<net::InMemorySocketControl>(network), dialogs);
    form.lang_file = QStringLiteral("absent.ini");
    form.show();
    form.FormActivate();
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 5000 && !network.idle()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    network.deliverPending();
    form.ShowPendingRecord();
    form.TimerTimer();  // the first search settled

    auto* grid = form.findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
    Result r;
    r.listed = grid->Cells(0, 1).isEmpty() ? 0 : grid->RowCount() - 1;
    grid->setSelection({0, 1, grid->ColCount() - 1, r.listed});
    form.findChild<QLineEdit*>(QStringLiteral("e_essid"))->setText(QStringLiteral("bench-ssid"));

    QElapsedTimer clock;
    clock.start();
    form.b_TernapplyClick();
    r.sendMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    while (!form.replies_done && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    r.concludeMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    form.TimerTimer();  // the tick that concludes the apply
    for (int i = 0; i < 5; ++i) form.Timer_refreshTimer();

    r.acknowledged = aps.simulator().setsAccepted();
    for (const sim::SimulatedAp& ap : aps.simulator().aps()) {
        r.kept += ap.record.ssid() == "bench-ssid" ? 1 : 0;
    }
    r.unanswered = static_cast<int>(form.unanswered_targets.size());
    r.messages = dialogs.messages;
    form.Timer.stop();
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    std::printf("multi-AP apply of a new SSID to %d simulated APs (in memory)\n", count);
    std::printf("%14s %9s %12s %10s %6s %6s %5s %9s %s\n", "reply delay", "send ms", "conclude ms",
                "ms per AP", "acks", "kept", "lost", "messages", "bound 0.3 s/AP");
    bool ok = true;
    for (int delay : {0, 20, 80}) {
        const Result r = Run(count, delay);
        const bool whole = r.listed == count && r.acknowledged == count && r.kept == count &&
                           r.unanswered == 0 && r.messages == 0;
        const bool bounded = r.concludeMs < 300.0 * count;
        ok = ok && whole && bounded;
        std::printf("%11d ms %9.1f %12.1f %10.2f %6d %6d %5d %9d %s\n", delay, r.sendMs,
                    r.concludeMs, r.concludeMs / count, r.acknowledged, r.kept, count - r.kept,
                    r.messages, bounded ? "yes" : "NO");
    }
    return ok ? 0 : 1;
}
