// The window with many APs for the list's tools: what the list shows, its
// header, its filter, the reviews read, and replies of APs not heard before
// that arrive while a dialog is open.
#pragma once

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "core/engine/ap_engine.h"
#include "core/net/protocol.h"
#include "gui/dialogs/treview_fm.h"
#include "tests/gui/mainwindow/apply_support.h"

namespace tern::test::apply_fixture {

class ListTools : public Apply {
  protected:
    void startWith(int count) {
        start(sim::GenerateAps(count));
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
    }
    // Rows the list shows at once.
    int rowsInView() const {
        const int top = grid->rowAt(0);
        const int bottom = grid->rowAt(grid->viewport()->height() - 1);
        return (bottom < 0 ? grid->model()->rowCount() - 1 : bottom) - top + 1;
    }
    // Each row's stored packet is that row's AP.
    void expectEveryRowKeepsItsAp() const {
        for (int row = 1; row < grid->RowCount(); ++row) {
            const auto record = tern::engine::PacketRecord(form->PacketOfRow(row));
            ASSERT_TRUE(record.has_value()) << row;
            EXPECT_EQ(tern::record::MacText(record->mac_addr()), grid->Cells(1, row)) << row;
            EXPECT_EQ(QString::fromLatin1(record->ap_name()), grid->Cells(0, row)) << row;
        }
    }
    void clickHeader(int col) {
        QHeaderView* header = grid->horizontalHeader();
        const int x = header->sectionViewportPosition(col) + header->sectionSize(col) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    }
    QList<int> shownRows() const {
        QList<int> rows;
        for (int row = 1; row < grid->RowCount(); ++row) {
            if (!grid->isGridRowHidden(row)) rows << row;
        }
        return rows;
    }
    QLineEdit* filterField() const { return edit("e_filter"); }
    // Reviews are read, then answered with `answer`.
    void readReviews(int answer = QDialog::Accepted) {
        dialogs.onReview = [this, answer](QDialog& d) {
            reviews << static_cast<gui::TReviewFm&>(d).Lines();
            return answer;
        };
    }
    // A reply to the search under way from an AP not heard before, named
    // `name` (sorts before TernAP-0001 as "TernAP-0000"), handed to the
    // window as its socket would.
    void lateReply(int index, const QByteArray& name) {
        std::vector<sim::SimulatedAp> aps = sim::GenerateAps(1, index);
        aps[0].record.set_ap_name(name);
        sim::ApSimulator late(std::move(aps));
        const std::vector<sim::SimReply> replies =
            late.handle(net::BuildSearchRequest(form->link_state.request_marker()));
        ASSERT_EQ(replies.size(), 1u);
        form->UDPSocketRecv(replies[0].datagram);
    }
    QList<QStringList> reviews;
};

}  // namespace tern::test::apply_fixture
