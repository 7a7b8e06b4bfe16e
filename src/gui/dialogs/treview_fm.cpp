#include "gui/dialogs/treview_fm.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>

#include "core/text/caption_tables.h"
#include "core/text/language_sections.h"
#include "gui/dialogs/dialog_captions.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_treview_fm.h"

namespace tern::gui {

namespace {

constexpr int kColumns = 3;  // setting, now, new
const QString kArrow = QString(QChar(0x2192));

QString Heading(const ReviewedAp& ap) {
    return ap.name.isEmpty() ? ap.mac : ap.mac + QStringLiteral(" (") + ap.name + u')';
}

}  // namespace

TReviewFm::TReviewFm(const QList<ReviewedAp>& aps, const text::LanguageText& language,
                     QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ReviewFm>()) {
    ui_->setupUi(this);
    ApplyDialogCaptions(*this, text::ReviewDialogCaptions(), language);
    const QString noChange =
        CaptionText(text::ReviewDialogCaptions(), text::kSectionReview, "NoChange", language);

    TQuillGrid* grid = ui_->g_review;
    grid->setColCount(kColumns);
    grid->setRowSelect(true);
    grid->setColWidth({QStringLiteral("170"), QStringLiteral("150"), QStringLiteral("150")});
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setAccessibleName(ui_->l_review->text());
    QList<QStringList> rows;
    QList<int> headings;
    for (const ReviewedAp& ap : aps) {
        headings << static_cast<int>(rows.size()) + 1;
        rows << QStringList{Heading(ap)};
        if (ap.changes.isEmpty()) {
            rows << QStringList{QStringLiteral("  ") + noChange};
        }
        for (const fleet::SettingChange& c : ap.changes) {
            rows << QStringList{QStringLiteral("  ") + c.name,
                                fleet::ShownValue(c.before, c.secret, false),
                                fleet::ShownValue(c.after, c.secret, false)};
        }
    }
    grid->setRowCount(static_cast<int>(rows.size()) + 1);
    grid->setRows(1, rows);
    for (const int row : headings) {
        grid->setSpan(row - 1, 0, 1, kColumns);  // the AP's line runs across
    }

    connect(ui_->b_ok, &QPushButton::clicked, this, [this] { b_okClick(); });
    connect(ui_->b_cancel, &QPushButton::clicked, this, [this] { b_cancelClick(); });
    ui_->b_ok->setDefault(true);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

TReviewFm::~TReviewFm() = default;

TQuillGrid* TReviewFm::grid() const { return ui_->g_review; }

QStringList TReviewFm::Lines() const {
    const TQuillGrid* grid = ui_->g_review;
    QStringList lines;
    for (int row = 1; row < grid->RowCount(); ++row) {
        const QString first = grid->Cells(0, row);
        if (grid->Cells(1, row).isEmpty() && grid->Cells(2, row).isEmpty()) {
            lines << first;
        } else {
            lines << first + QStringLiteral(": ") + grid->Cells(1, row) + u' ' + kArrow + u' ' +
                         grid->Cells(2, row);
        }
    }
    return lines;
}

void TReviewFm::b_okClick() { accept(); }

void TReviewFm::b_cancelClick() { reject(); }

}  // namespace tern::gui
