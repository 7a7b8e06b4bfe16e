#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "core/text/language_text.h"

class QKeyEvent;
class QLineEdit;

namespace Ui {
class UsrPassFm;
}

namespace tern::gui {

// The management login for one access point. OK writes the entries into the
// main window's login_user and login_pass; Cancel writes nothing.
class TUsrPassFm : public QDialog {
    Q_OBJECT
  public:
    TUsrPassFm(QString& loginUser, QString& loginPass, const text::LanguageText& language,
               QWidget* parent = nullptr);
    ~TUsrPassFm() override;

    // Enter in either edit moves the focus on; true when the key is consumed.
    bool mng_e_nameKeyPress(QLineEdit* field, const QKeyEvent& event);
    void b_okClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();

    std::unique_ptr<Ui::UsrPassFm> ui_;
    QString& loginUser_;
    QString& loginPass_;
    const text::LanguageText& language_;
};

}  // namespace tern::gui
