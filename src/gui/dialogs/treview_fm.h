#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "core/fleet/plan.h"
#include "core/text/language_text.h"

namespace Ui {
class ReviewFm;
}

namespace tern::gui {

class TQuillGrid;

// One AP an apply is about to write to, and what would change on it.
struct ReviewedAp {
    QString mac;   // MAC text
    QString name;  // as the list shows it
    QList<fleet::SettingChange> changes;
};

// Before the login of an apply: for each target AP the settings that would
// change, under tern-ap-cli's names, with their value now and the new one
// (secrets as "***"). OK goes on with the apply, Cancel sends nothing.
class TReviewFm : public QDialog {
    Q_OBJECT
  public:
    TReviewFm(const QList<ReviewedAp>& aps, const text::LanguageText& language,
              QWidget* parent = nullptr);
    ~TReviewFm() override;

    // What the list shows, a line per AP ("MAC (name)") and per setting
    // ("  name: now → new"; an AP without changes "  nothing to change").
    QStringList Lines() const;
    TQuillGrid* grid() const;
    void b_okClick();
    void b_cancelClick();

  private:
    std::unique_ptr<Ui::ReviewFm> ui_;
};

}  // namespace tern::gui
