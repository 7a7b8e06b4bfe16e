// How long the main window takes to list a burst of discovery replies.
// A real window on the offscreen platform, the APs on an in-memory network:
// the search goes out, every AP answers at once, and the clock runs until
// the list is filled and the last AP is shown. A search is settled two
// seconds after it was sent, so a burst must be listed well within that.
//
//   bench_discovery [--each]   (--each: show every AP as it arrives)
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <cstdio>
#include <cstring>

#include "core/net/in_memory_network.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"

using namespace tern;

namespace {

// Answers every message with OK; nothing is shown.
class SilentDialogs : public gui::DialogSeam {
  public:
    Answer showMessage(QWidget*, const Message&) override { return Answer::Ok; }
    int execDialog(QDialog&) override { return 0; }
};

struct Result {
    double totalMs = 0;
    int listed = 0;
    bool lastShown = false;
};

Result Run(int count, bool showEachArrival) {
    net::InMemoryNetwork network;
    SilentDialogs dialogs;
    sim::InMemorySimulator aps(network, sim::ApSimulator(sim::GenerateAps(count)));
    gui::TMainFm form(std::make_unique<net::InMemorySocketControl>(network), dialogs);
    form.setShowEachArrival(showEachArrival);
    form.show();
    form.FormActivate();
    network.deliverPending();
    QCoreApplication::processEvents();
    form.Timer.stop();

    QElapsedTimer clock;
    clock.start();
    form.StartSearch();
    network.deliverPending();
    QCoreApplication::processEvents();  // the deferred show and the repaint
    Result r;
    r.totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    auto* grid = form.findChild<gui::TQuillGrid*>(QStringLiteral("l_title"));
    r.listed = grid->Cells(0, 1).isEmpty() ? 0 : grid->RowCount() - 1;
    const QString lastName = QStringLiteral("TernAP-%1").arg(count, 4, 10, QLatin1Char('0'));
    r.lastShown = form.findChild<QLabel*>(QStringLiteral("l_ap"))->text() == lastName &&
                  grid->Cells(0, r.listed) == lastName;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const bool each = argc > 1 && std::strcmp(argv[1], "--each") == 0;
    std::printf("listing a burst of discovery replies (%s)\n",
                each ? "every AP shown as it arrives" : "last AP shown after the burst");
    std::printf("%6s %10s %12s %8s %10s %s\n", "APs", "total ms", "us per AP", "listed",
                "last shown", "within 2 s");
    bool ok = true;
    for (int count : {100, 1000, 5000}) {
        const Result r = Run(count, each);
        const bool within = r.totalMs < 2000.0 && r.listed == count;
        ok = ok && within && r.lastShown;
        std::printf("%6d %10.1f %12.1f %8d %10s %s\n", count, r.totalMs, r.totalMs * 1000.0 / count,
                    r.listed, r.lastShown ? "yes" : "no", within ? "yes" : "NO");
    }
    return ok ? 0 : 1;
}
