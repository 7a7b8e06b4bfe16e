// The main window's size: at its smallest it is laid out as it always was;
// made larger, the AP list takes the added width and height.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>
#include <algorithm>

#include "core/form/control_state.h"
#include "gui/mainwindow/nav_pictures.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_tmain_fm.h"

namespace tern::gui {

namespace {

// The list panel never reaches past Panel1's lower border.
constexpr int kListPanelHeight = 129;
// The columns the AP list widens when the window does, and their shares of
// the added width: the name and the SSID are what gets cut.
constexpr int kNameColumn = 0;
constexpr int kSsidColumn = 2;
constexpr int kNameColumnWidth = 110;
constexpr int kSsidColumnWidth = 50;
constexpr double kNameShare = 0.4;

}  // namespace

void TMainFm::rememberBaseGeometry() {
    baseGeometry_.clear();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui_->Panel1, ui_->Panel2, ui_->Img_background, ui_->Panel5, ui_->l_aplist,
             ui_->l_title, ui_->ScrollBar1, ui_->l_cpright, ui_->l_appName, ui_->l_version,
             ui_->b_apply, ui_->b_Ternapply, ui_->b_refresh, ui_->b_close}) {
        baseGeometry_.push_back({widget, widget->geometry()});
    }
}

void TMainFm::stretchToSize() {
    if (baseGeometry_.empty()) {
        return;
    }
    const auto base = [this](const QWidget* widget) {
        for (const BaseGeometry& g : baseGeometry_) {
            if (g.widget == widget) return g.rect;
        }
        return widget->geometry();
    };
    const int dw = std::max(0, width() - minimumWidth());
    const int dh = std::max(0, height() - baseClientHeight_);
    const form::LayoutMetrics m = form::MetricsOf(layout_);

    for (QWidget* panel :
         {static_cast<QWidget*>(ui_->Panel1), static_cast<QWidget*>(ui_->Panel2)}) {
        const QRect r = base(panel);
        panel->setGeometry(r.x(), r.y(), r.width() + dw, m.panel1Height + dh);
    }
    const QRect back = base(ui_->Img_background);
    ui_->Img_background->setGeometry(back.x(), back.y(), back.width() + dw, back.height() + dh);

    // The list panel keeps its lower border inside the shorter panel of the
    // compact layout, and grows with the window.
    const QRect list = base(ui_->Panel5);
    ui_->Panel5->setGeometry(list.x(), list.y(), list.width() + dw,
                             std::min(kListPanelHeight, m.panel1Height - list.y() - 2) + dh);
    const QRect title = base(ui_->l_aplist);
    ui_->l_aplist->resize(title.width() + dw, title.height());
    const QRect grid = base(ui_->l_title);
    ui_->l_title->setGeometry(grid.x(), grid.y(), grid.width() + dw, m.gridHeight + dh);
    const QRect bar = base(ui_->ScrollBar1);
    ui_->ScrollBar1->setGeometry(bar.x() + dw, bar.y(), bar.width(), m.gridHeight + dh);
    placeFilterField();

    for (QLabel* line : {ui_->l_cpright, ui_->l_appName, ui_->l_version}) {
        const QRect r = base(line);
        line->move(r.x(), r.y() + dh);
    }
    // The hidden second apply button keeps its place beside the others.
    const QRect hidden = base(ui_->b_apply);
    ui_->b_apply->move(hidden.x() + dw, hidden.y() + dh);
    for (QPushButton* b : {ui_->b_Ternapply, ui_->b_refresh, ui_->b_close}) {
        b->move(base(b).x() + dw, m.buttonsY + dh);
    }

    // Wider columns only when the width changed: a column the user sized
    // keeps its width while the window only grows taller.
    if (dw != stretchedWidth_) {
        stretchedWidth_ = dw;
        const int nameExtra = static_cast<int>(dw * kNameShare);
        ui_->l_title->setColWidths(kNameColumn, kNameColumnWidth + nameExtra);
        ui_->l_title->setColWidths(kSsidColumn, kSsidColumnWidth + dw - nameExtra);
    }
    redrawPictures();
}

void TMainFm::redrawPictures() {
    const qreal ratio = devicePixelRatioF();
    const QSize size = ui_->Img_background->size();
    if (size == picturesSize_ && ratio == picturesRatio_) {
        return;
    }
    const bool ratioChanged = ratio != picturesRatio_;
    picturesSize_ = size;
    picturesRatio_ = ratio;
    ui_->Img_background->setPixmap(BackgroundPicture(size, ratio));
    if (!ratioChanged) {
        return;
    }
    for (int i = 0; i < kNavPageCount; ++i) {
        QLabel* up = upImages_[static_cast<std::size_t>(i)];
        QLabel* down = downImages_[static_cast<std::size_t>(i)];
        up->setPixmap(NavButtonPicture(i, up->size(), false, ratio));
        down->setPixmap(NavButtonPicture(i, down->size(), true, ratio));
    }
}

void TMainFm::watchScreen() {
    QWindow* window = windowHandle();
    if (window == nullptr || window == watchedWindow_) {
        return;
    }
    watchedWindow_ = window;
    connect(window, &QWindow::screenChanged, this, [this] { redrawPictures(); });
}

}  // namespace tern::gui
