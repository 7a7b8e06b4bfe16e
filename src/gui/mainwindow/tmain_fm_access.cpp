// The window without a mouse, and for screen readers: Tab goes through the
// navigation, the page shown (top to bottom, left to right), the list and
// the buttons; the navigation pictures take Space and Enter; every control
// carries an accessible name taken from its caption.
#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

#include "gui/mainwindow/nav_pictures.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_tmain_fm.h"

namespace tern::app {

namespace {

// The controls of a page that Tab stops at, in reading order.
std::vector<QWidget*> PageControls(QWidget* page) {
    std::vector<QWidget*> controls;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        // (a list's drop-down is a window of its own)
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->focusProxy() == nullptr &&
            w->window() == page->window()) {
            controls.push_back(w);
        }
    }
    const auto at = [page](const QWidget* w) { return w->mapTo(page, QPoint(0, 0)); };
    std::stable_sort(controls.begin(), controls.end(), [&](const QWidget* a, const QWidget* b) {
        const QPoint pa = at(a);
        const QPoint pb = at(b);
        // A row: controls whose tops lie within a few pixels of each other.
        if (std::abs(pa.y() - pb.y()) > 6) return pa.y() < pb.y();
        return pa.x() < pb.x();
    });
    return controls;
}

QString Plain(QString text) {
    text.remove(u'&');
    text = text.trimmed();
    while (text.endsWith(u':')) text.chop(1);
    return text.trimmed();
}

// The caption of a field: the label on its left in the same row, else the
// nearest label above it.
QString CaptionOf(const QWidget* field) {
    const QWidget* parent = field->parentWidget();
    if (parent == nullptr) return {};
    const QRect f = field->geometry();
    const QLabel* best = nullptr;
    int bestDistance = 0;
    for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->isHidden() || Plain(label->text()).isEmpty() ||
            Plain(label->text()) == QStringLiteral(".")) {
            continue;
        }
        const QRect l = label->geometry();
        const bool sameRow =
            l.center().y() >= f.top() && l.center().y() <= f.bottom() && l.right() <= f.left() + 2;
        const int distance = sameRow ? f.left() - l.right() : -1;
        if (sameRow && (best == nullptr || distance < bestDistance)) {
            best = label;
            bestDistance = distance;
        }
    }
    if (best != nullptr) return Plain(best->text());
    for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        const QRect l = label->geometry();
        if (label->isHidden() || Plain(label->text()).isEmpty() || l.bottom() > f.top() + 2) {
            continue;
        }
        const int distance = f.top() - l.bottom();
        if (best == nullptr || distance < bestDistance) {
            best = label;
            bestDistance = distance;
        }
    }
    return best != nullptr ? Plain(best->text()) : QString();
}

// The place of a field in a row of numbered fields (e_ip_1..e_ip_4,
// e_8_ipS1): its number, or 0.
int NumberInRow(const QWidget* field) {
    const QString name = field->objectName();
    if (name.isEmpty() || !name.back().isDigit()) return 0;
    const QString stem = name.chopped(1);
    const QWidget* parent = field->parentWidget();
    const QString sibling = stem + (name.back() == u'1' ? u'2' : u'1');
    return parent != nullptr && parent->findChild<QWidget*>(sibling) != nullptr
               ? name.back().digitValue()
               : 0;
}

}  // namespace

void TMainFm::SetUpKeyboardAccess() {
    // The navigation pictures are the page buttons: Tab reaches them, and
    // while one has the focus it shows a dotted frame.
    for (QLabel* up : upImages_) {
        up->setFocusPolicy(Qt::TabFocus);
        up->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px dotted rgb(22, 52, 112); }"));
    }
    std::vector<QWidget*> chain(upImages_.begin(), upImages_.end());
    for (QWidget* page : {ui_->Tab1, ui_->Tab2, ui_->Tab3, ui_->Tab4, ui_->Tab5}) {
        const std::vector<QWidget*> controls = PageControls(page);
        chain.insert(chain.end(), controls.begin(), controls.end());
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{filter_, ui_->l_title, ui_->b_Ternapply, ui_->b_refresh,
                                         ui_->b_close, ui_->b_default, ui_->b_exit}) {
        if (w != nullptr) chain.push_back(w);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

bool TMainFm::navImageKey(int page, QKeyEvent* event) {
    if (event->key() != Qt::Key_Space && event->key() != Qt::Key_Return &&
        event->key() != Qt::Key_Enter) {
        return false;
    }
    if (CommitFocusedNumericField()) {
        upImageClick(page);
        // The picture pressed is hidden now: the page's first control next.
        if (QWidget* shown = ui_->PageControl1->currentWidget()) {
            for (QWidget* w : PageControls(shown)) {
                if (w->isVisibleTo(this) && w->isEnabled()) {
                    w->setFocus(Qt::TabFocusReason);
                    break;
                }
            }
        }
    }
    return true;
}

void TMainFm::NameControlsForScreenReaders() {
    for (int i = 0; i < kNavPageCount; ++i) {
        const QString name = Plain(navLabels_[static_cast<std::size_t>(i)]->text());
        upImages_[static_cast<std::size_t>(i)]->setAccessibleName(name);
        downImages_[static_cast<std::size_t>(i)]->setAccessibleName(name);
    }
    ui_->ScrollBar1->setAccessibleName(ui_->l_title->accessibleName());
    for (QWidget* w : findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) == 0 || w->window() != this || w == ui_->l_title ||
            w == filter_ || std::find(upImages_.begin(), upImages_.end(), w) != upImages_.end()) {
            continue;
        }
        QString name;
        if (const auto* button = qobject_cast<QAbstractButton*>(w)) {
            name = Plain(button->text());
        }
        if (name.isEmpty()) {
            name = CaptionOf(w);
            if (const int n = NumberInRow(w); n > 0 && !name.isEmpty()) {
                name += u' ' + QString::number(n);
            }
        }
        if (name.isEmpty()) {
            name = w->objectName();
        }
        w->setAccessibleName(name);
    }
}

}  // namespace tern::app
