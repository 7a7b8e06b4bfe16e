// How long the AP list takes to sort, find and filter when a segment has
// thousands of APs. A real window on the offscreen platform, filled by one
// search on an in-memory network; each step is timed once per size, with
// the repaint it causes.
//
//   bench_list
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>
#include <functional>

#include "core/net/in_memory_network.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"
#include "tests/support/recording_dialog_seam.h"

using namespace tern;

namespace {

double Timed(const std::function<void()>& step) {
    QElapsedTimer clock;
    clock.start();
    step();
    QCoreApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::printf("%6s %12s %12s %12s %12s %12s\n", "APs", "sort MAC ms", "reverse ms",
                "sort name ms", "find ms", "filter ms");
    for (int count : {100, 1000, 5000}) {
        net::InMemoryNetwork network;
        test::RecordingDialogSeam dialogs;  // nothing is shown; a message gets OK
        sim::InMemorySimulator aps(network, sim::ApSimulator(sim::GenerateAps(count)));
        gui::TMainFm form(std::make_unique<net::InMemorySocketControl>(network), dialogs);
        form.resize(860, 700);
        form.show();
        form.FormActivate();
        network.deliverPending();
        QCoreApplication::processEvents();
        form.Timer.stop();
        form.StartSearch();
        network.deliverPending();
        QCoreApplication::processEvents();

        const double byMac = Timed([&] { form.l_titleHeaderClick(1); });
        const double reverse = Timed([&] { form.l_titleHeaderClick(1); });
        const double byName = Timed([&] { form.l_titleHeaderClick(0); });
        const QString last = QStringLiteral("TernAP-%1").arg(count, 4, 10, QLatin1Char('0'));
        const double find = Timed([&] { form.l_titleTypeAhead(last); });
        form.OpenFilter();
        auto* filter = form.findChild<QLineEdit*>(QStringLiteral("e_filter"));
        const double filtered = Timed([&] { filter->setText(QStringLiteral("tern-00")); });
        std::printf("%6d %12.1f %12.1f %12.1f %12.1f %12.1f\n", count, byMac, reverse, byName, find,
                    filtered);
    }
    return 0;
}
