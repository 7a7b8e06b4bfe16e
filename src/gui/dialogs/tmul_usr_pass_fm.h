#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

#include "core/text/language_text.h"

class QKeyEvent;
class QLineEdit;

namespace Ui {
class MulUsrPassFm;
}

namespace tern::gui {

class TQuillGrid;

// The management login for several access points: one grid row per unit
// with its name and MAC address from the main window's list, a user name
// typed in the cell and a password typed into an overlay edit. Columns:
// 0 AP name, 1 MAC, 2 user, 3 the password as "*"s, 4 empty, 5 the
// password itself (never drawn).
class TMulUsrPassFm : public QDialog {
    Q_OBJECT
  public:
    // `apList` is the main window's AP list (read only); OK writes one line
    // per grid row into `loginList`, Cancel writes nothing.
    TMulUsrPassFm(const TQuillGrid& apList, QStringList& loginList,
                  const text::LanguageText& language, QWidget* parent = nullptr);
    ~TMulUsrPassFm() override;

    // The decimal row numbers of the chosen rows of the AP list, set before
    // the dialog is shown.
    QStringList row_list;
    // The cell selected before the current one.
    int last_col = 0;
    int last_row = 0;

    static QString MaskText(const QString& text);

    // Fills the grid from row_list; runs once, at the latest when shown.
    void FormShow();
    void g_mul_mngeSelectCell(int col, int row);
    // The filter of the user-name cell editor; true when the key is dropped.
    bool g_mul_mngeKeyPress(const QLineEdit& editor, const QKeyEvent& event) const;
    void g_mul_mngeTopLeftChanged();
    void b_okClick();

    TQuillGrid* grid() const;
    QLineEdit* passwordEdit() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormCreate();
    void placeOverCell(int col, int row);
    QRect cellRect(int col, int row) const;
    void storePassword();

    std::unique_ptr<Ui::MulUsrPassFm> ui_;
    const TQuillGrid& apList_;
    QStringList& loginList_;
    const text::LanguageText& language_;
    bool filled_ = false;
};

}  // namespace tern::gui
