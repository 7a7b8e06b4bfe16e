#include "gui/dialogs/tmul_usr_pass_fm.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "core/text/caption_tables.h"
#include "core/text/language_text.h"
#include "gui/dialogs/dialog_captions.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_tmul_usr_pass_fm.h"

namespace tern::gui {

namespace {

constexpr int kUserCol = 2;
constexpr int kMaskCol = 3;
constexpr int kSecretCol = 5;
constexpr int kMaxLoginLength = 16;

// The user-name cell editor: at most 16 characters, every edit written to
// the cell at once, keys filtered by the dialog.
class UserCellDelegate : public QStyledItemDelegate {
  public:
    explicit UserCellDelegate(TMulUsrPassFm& form) : QStyledItemDelegate(&form), form_(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setMaxLength(kMaxLoginLength);
        editor->setFrame(false);
        connect(editor, &QLineEdit::textEdited, this,
                [this, editor] { Q_EMIT const_cast<UserCellDelegate*>(this)->commitData(editor); });
        return editor;
    }

    // Each keystroke is written to the cell at once, and the cell's change
    // comes back here: the editor already holds that text, and setting it
    // again would throw the caret to the end.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line != nullptr && line->text() == index.data(Qt::EditRole).toString()) {
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            if (auto* editor = qobject_cast<QLineEdit*>(watched)) {
                if (form_.g_mul_mngeKeyPress(*editor, static_cast<const QKeyEvent&>(*event))) {
                    return true;
                }
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

  private:
    TMulUsrPassFm& form_;
};

// The column that holds the passwords in clear is never drawn.
class SecretCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant&, const QLocale&) const override { return {}; }
};

}  // namespace

TMulUsrPassFm::TMulUsrPassFm(const TQuillGrid& apList, QStringList& loginList,
                             const text::LanguageText& language, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::MulUsrPassFm>()),
      apList_(apList),
      loginList_(loginList),
      language_(language) {
    ui_->setupUi(this);
    setFixedSize(614, 217);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }

    TQuillGrid* g = ui_->g_mul_mnge;
    g->setColCount(6);
    g->setRowCount(2);
    g->setFixedCols(2);
    g->setDefaultRowHeight(20);
    g->setColWidth({QStringLiteral("110"), QStringLiteral("110"), QStringLiteral("150"),
                    QStringLiteral("150"), QStringLiteral("2000"), QStringLiteral("2000")});
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    g->setEditableColumns({kUserCol});
    g->setItemDelegateForColumn(kUserCol, new UserCellDelegate(*this));
    g->setItemDelegateForColumn(kSecretCol, new SecretCellDelegate(this));

    ui_->e_log_pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui_->e_log_pass->setVisible(false);

    connect(g, &TQuillGrid::SelectCell, this,
            [this](int col, int row) { g_mul_mngeSelectCell(col, row); });
    connect(g->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { g_mul_mngeTopLeftChanged(); });
    connect(g->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { g_mul_mngeTopLeftChanged(); });
    connect(ui_->b_ok, &QPushButton::clicked, this, [this] { b_okClick(); });
    connect(ui_->b_cancel, &QPushButton::clicked, this, [this] { reject(); });
    FormCreate();
}

TMulUsrPassFm::~TMulUsrPassFm() = default;

TQuillGrid* TMulUsrPassFm::grid() const { return ui_->g_mul_mnge; }

QLineEdit* TMulUsrPassFm::passwordEdit() const { return ui_->e_log_pass; }

QString TMulUsrPassFm::MaskText(const QString& text) { return QString(text.size(), u'*'); }

void TMulUsrPassFm::FormCreate() {
    ApplyDialogCaptions(*this, text::MultiLoginDialogCaptions(), language_);
}

void TMulUsrPassFm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TMulUsrPassFm::FormShow() {
    if (filled_) {
        return;
    }
    filled_ = true;
    TQuillGrid* g = ui_->g_mul_mnge;
    const int col = g->currentIndex().isValid() ? g->Col() : kUserCol;
    bool first = true;
    for (const QString& entry : row_list) {
        // Row 1 takes the first unit, each further unit a row of its own: one
        // row per entry, so the lines of the login list stay in step with the
        // entries even where a unit has no name.
        if (!first) {
            g->InsertRows(g->RowCount() + 1, 1);
        }
        first = false;
        const int last = g->RowCount() - 1;
        g->setSelection({col, last, col, last});
        bool isNumber = false;
        const int n = entry.trimmed().toInt(&isNumber);
        // A row number outside the list leaves the unit's row empty rather
        // than taking the header texts or another unit's identity.
        if (isNumber && n >= 1 && n < apList_.RowCount()) {
            g->setCell(0, last, apList_.Cells(0, n));
            g->setCell(1, last, apList_.Cells(1, n));
        }
    }
    ui_->ScrollBar1->setVisible(g->RowCount() < 4);
    g->setSelection({col, 1, col, 1});
}

QRect TMulUsrPassFm::cellRect(int col, int row) const {
    const TQuillGrid* g = ui_->g_mul_mnge;
    if (row < 1 || row >= g->RowCount() || col < 0 || col >= g->ColCount()) {
        return {};
    }
    return g->visualRect(g->model()->index(row - 1, col));
}

void TMulUsrPassFm::placeOverCell(int col, int row) {
    TQuillGrid* g = ui_->g_mul_mnge;
    QLineEdit* overlay = ui_->e_log_pass;
    const QRect cell = cellRect(col, row);
    const QPoint at = g->viewport()->mapTo(overlay->parentWidget(), cell.topLeft());
    overlay->setGeometry(at.x(), at.y(), std::max(1, cell.width() - 1),
                         std::max(1, cell.height() - 1));
}

void TMulUsrPassFm::storePassword() {
    const QString password = ui_->e_log_pass->text();
    ui_->g_mul_mnge->setCell(kSecretCol, last_row, password);
    ui_->g_mul_mnge->setCell(kMaskCol, last_row, MaskText(password));
}

void TMulUsrPassFm::g_mul_mngeSelectCell(int col, int row) {
    QLineEdit* overlay = ui_->e_log_pass;
    placeOverCell(col, row);
    overlay->setVisible(false);
    // Only the user-name column is edited in its cell (fixed at creation);
    // the password column is edited through the overlay.
    if (last_col == kMaskCol) {
        storePassword();
    }
    if (col == kMaskCol) {
        overlay->setVisible(true);
        overlay->setText(ui_->g_mul_mnge->Cells(kSecretCol, row));
    }
    if (!overlay->isHidden()) {
        overlay->setFocus(Qt::OtherFocusReason);
    }
    last_col = col;
    last_row = row;
}

bool TMulUsrPassFm::g_mul_mngeKeyPress(const QLineEdit& editor, const QKeyEvent& event) const {
    const int col = ui_->g_mul_mnge->Col();
    if (col != kUserCol && col != kMaskCol) {
        return false;
    }
    // A full name takes no further character; Backspace, Delete and the
    // caret keys still work, so the name can be shortened.
    const QString text = event.text();
    if (text.isEmpty() || !text[0].isPrint()) {
        return false;
    }
    return editor.text().size() >= kMaxLoginLength && !editor.hasSelectedText();
}

void TMulUsrPassFm::g_mul_mngeTopLeftChanged() {
    QLineEdit* overlay = ui_->e_log_pass;
    if (overlay->isHidden()) {
        return;
    }
    const QRect cell = cellRect(last_col, last_row);
    const QRect view = ui_->g_mul_mnge->viewport()->rect();
    if (cell.isEmpty() || !view.contains(cell)) {
        overlay->move(-1000, overlay->y());  // out of sight, still open
    } else {
        placeOverCell(last_col, last_row);
    }
}

void TMulUsrPassFm::b_okClick() {
    if (last_col == kMaskCol) {
        storePassword();
    }
    const TQuillGrid* g = ui_->g_mul_mnge;
    const QChar tab(u'\t');
    loginList_.clear();
    for (int r = 1; r < g->RowCount(); ++r) {
        loginList_.append(g->Cells(1, r) + tab + g->Cells(0, r) + tab + g->Cells(kUserCol, r) +
                          tab + g->Cells(kSecretCol, r) + tab);
    }
    accept();
}

}  // namespace tern::gui
