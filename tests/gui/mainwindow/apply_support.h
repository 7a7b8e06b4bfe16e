// The main window over simulated APs on an in-memory network, ready for an
// apply: what went out, the records inside the set requests, the login
// dialogs answered.
#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <cstring>

#include "core/net/protocol.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "gui/dialogs/tmul_usr_pass_fm.h"
#include "gui/dialogs/tusr_pass_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"
#include "tests/gui/mainwindow/main_window_support.h"

namespace tern::test::apply_fixture {

using tern::gui::TQuillGrid;
using tern::record::ApConfigRecord;
using tern::test::MainWindowTest;
namespace sim = tern::sim;
// The tests that take this fixture name the program's parts as it does.
namespace net = tern::net;
namespace text = tern::text;
namespace gui = tern::gui;
namespace record = tern::record;
namespace engine = tern::engine;

// Everything sent on the AP port, the program's own requests among it.
class Recorder : public net::InMemoryNetwork::Endpoint {
  public:
    void deliver(const QByteArray& datagram, int) override { seen.push_back(datagram); }
    std::vector<QByteArray> sets() const {
        std::vector<QByteArray> out;
        for (const QByteArray& d : seen) {
            if (d.startsWith("kplset")) out.push_back(d);
        }
        return out;
    }
    int searches() const {
        int n = 0;
        for (const QByteArray& d : seen) n += d.startsWith("kplsearch") ? 1 : 0;
        return n;
    }
    std::vector<QByteArray> seen;
};

// The record inside a set request, host order, login included.
inline ApConfigRecord RecordOfSet(const QByteArray& request) {
    net::RequestMarker marker{};
    std::memcpy(marker.data(), request.constData() + 6, marker.size());
    const QByteArray plain = net::CipherRun(net::DeriveLinkKey(marker), request.mid(16));
    net::RecordBytes wire{};
    std::memcpy(wire.data(), plain.constData(), wire.size());
    return ApConfigRecord(net::SwapRecordOrder(wire));
}

inline QString Mac(int index) {
    return tern::record::MacText({0x02, 0x54, 0x45, 0x00, 0x00, static_cast<std::uint8_t>(index)});
}

// Three APs with WEP 64 hex keys of their own, so that nothing of one can
// pass unnoticed into another's record.
// The "Apply Fail!" report of one refusing AP, as the default texts read.
inline QString RefusalReport(const QString& mac, const QString& name) {
    return QStringLiteral("MAC Addr.  ") + mac + QStringLiteral(" --- AP Name  ") + name +
           QStringLiteral("\r\nID or Password Error!\r\nThe Apply Settings is not accept!");
}

// The "Apply not confirmed" report of one AP without an answer.
inline QString UnconfirmedReport(const QString& mac, const QString& name) {
    return QStringLiteral("These access points did not confirm the settings:\r\nMAC Addr.  ") +
           mac + QStringLiteral(" --- AP Name  ") + name + QStringLiteral("\r\n");
}

inline std::vector<sim::SimulatedAp> ThreeAps() {
    std::vector<sim::SimulatedAp> aps = sim::GenerateAps(3);
    for (std::size_t i = 0; i < aps.size(); ++i) {
        ApConfigRecord& r = aps[i].record;
        r.set_wep_on(true);
        r.set_wep_key_len(5);
        r.set_wep_key_format(false);
        r.set_auth_type(0);
        for (int k = 0; k < 4; ++k) {
            r.set_wep64_key(k, QByteArray(5, static_cast<char>(0x10 * (i + 1) + k)));
        }
        r.set_wep_default_key(0);
    }
    return aps;
}

class Apply : public MainWindowTest {
  protected:
    void start(std::vector<sim::SimulatedAp> aps) {
        original = aps;
        aps_ = std::make_unique<sim::InMemorySimulator>(network, sim::ApSimulator(std::move(aps)));
        network.attach(&recorder, net::kDefaultPort);
        form->FormActivate();
        network.deliverPending();
        form->ShowPendingRecord();
        form->TimerTimer();  // settles the first search
        grid = w<TQuillGrid>("l_title");
        recorder.seen.clear();
        dialogs.onDialog = [this](QDialog& d) { return login(d); };
    }
    void TearDown() override {
        network.detach(&recorder);
        MainWindowTest::TearDown();
    }

    int login(QDialog& d) {
        if (cancelLogin) return QDialog::Rejected;
        if (auto* single = dynamic_cast<gui::TUsrPassFm*>(&d)) {
            ++singleLogins;
            d.findChild<QLineEdit*>(QStringLiteral("mng_e_name"))->setText(QStringLiteral("admin"));
            d.findChild<QLineEdit*>(QStringLiteral("mng_e_pass"))->setText(QStringLiteral("admin"));
            single->b_okClick();
        } else if (auto* multi = dynamic_cast<gui::TMulUsrPassFm*>(&d)) {
            ++multiLogins;
            multiRows = multi->row_list;
            TQuillGrid* g = multi->grid();
            for (int r = 1; r < g->RowCount(); ++r) {
                g->setCell(2, r, QStringLiteral("admin"));
                g->setCell(5, r, QStringLiteral("admin"));
            }
            multi->b_okClick();
        }
        return d.result();
    }

    // The single login dialog is answered with this user and password.
    void answerSingleLogin(const QString& user, const QString& password) {
        dialogs.onDialog = [user, password](QDialog& d) {
            d.findChild<QLineEdit*>(QStringLiteral("mng_e_name"))->setText(user);
            d.findChild<QLineEdit*>(QStringLiteral("mng_e_pass"))->setText(password);
            static_cast<gui::TUsrPassFm&>(d).b_okClick();
            return d.result();
        };
    }

    // What went out so far (delivery runs from the event loop).
    std::vector<QByteArray> sets() {
        network.deliverPending();
        return recorder.sets();
    }
    int searches() {
        network.deliverPending();
        return recorder.searches();
    }
    void select(int top, int bottom) { grid->setSelection({0, top, grid->ColCount() - 1, bottom}); }
    // A setting the shown AP does not hold yet (its beacon interval), so
    // that an apply has something to send: an apply of the form as shown
    // changes nothing and sends nothing.
    void changeASetting() { form->more_beacon = QString::number(form->more_beacon.toInt() + 1); }

    // Ticks of Timer until it stops, at most five.
    void tickApply() {
        for (int i = 0; i < 5 && form->Timer.isActive(); ++i) form->TimerTimer();
    }
    void tickRefresh() {
        for (int i = 0; i < 5; ++i) form->Timer_refreshTimer();
    }
    // The search that follows an apply, answered and settled.
    void settleRefresh() {
        network.deliverPending();
        form->ShowPendingRecord();
        form->TimerTimer();
    }
    // Two APs, the second with a password the default login does not match.
    void startWithSecondApRefusing() {
        std::vector<sim::SimulatedAp> aps = sim::GenerateAps(2);
        aps[1].password = "other";
        start(std::move(aps));
    }
    int rowNamed(const QString& name) const {
        for (int r = 1; r < grid->RowCount(); ++r) {
            if (grid->Cells(0, r) == name) return r;
        }
        return 0;
    }
    const sim::SimulatedAp& ap(int i) {
        return aps_->simulator().aps()[static_cast<std::size_t>(i)];
    }
    int page() const { return w<QStackedWidget>("PageControl1")->currentIndex(); }

    std::vector<sim::SimulatedAp> original;
    std::unique_ptr<sim::InMemorySimulator> aps_;
    Recorder recorder;
    TQuillGrid* grid = nullptr;
    bool cancelLogin = false;
    int singleLogins = 0;
    int multiLogins = 0;
    QStringList multiRows;
};

}  // namespace tern::test::apply_fixture
