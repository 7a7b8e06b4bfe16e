#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <memory>

#include "core/text/language_text.h"

class QComboBox;
class QKeyEvent;
class QLineEdit;

namespace Ui {
class AP_MoreFm;
}

namespace tern::gui {

class DialogSeam;

// The main window's kept values of the advanced settings, by reference: the
// dialog reads them when it is created and writes them on OK only.
struct MoreValues {
    int& rate;
    int& bcast;
    int& only11g;
    int& superg;
    int& txpower;
    int& wds;
    QString& beacon;
    QString& rts;
    QString& frag;
    QString& dtim;
    int extended_lock;  // 1 locks the SuperG and SSID-broadcast lists
};

// The advanced radio settings dialog. Each numeric edit carries its limits:
// the smallest value in the "Tag" property (int), the largest in "Hint"
// (decimal text).
class TAP_MoreFm : public QDialog {
    Q_OBJECT
  public:
    TAP_MoreFm(const MoreValues& values, const text::LanguageText& language, DialogSeam& dialogs,
               QWidget* parent = nullptr);
    ~TAP_MoreFm() override;

    // The key filter of the numeric edits; true when the key is consumed
    // (dropped, or Enter moving the focus on).
    bool e_beaconKeyPress(QLineEdit* field, const QKeyEvent& event);
    // The range check on leaving a numeric edit; false when the value was
    // refused and the field has the focus back.
    bool e_beaconExit(QLineEdit* field);
    // Writes every value back to the main window and closes with Accepted.
    void b_okClick();

    // The text a numeric edit gets after a range error, and on OK when empty
    // (empty for a name that is not one of the four edits).
    static QString ValueAfterError(QStringView fieldName);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    QLineEdit* numericField(QObject* object) const;
    // Runs the exit check once per leaving, however the field is left.
    bool leaveField(QLineEdit* field);

    std::unique_ptr<Ui::AP_MoreFm> ui_;
    MoreValues values_;
    const text::LanguageText& language_;
    DialogSeam& dialogs_;
    bool checking_ = false;
    QPointer<QLineEdit> exitDone_;     // its check ran for the leaving under way
    QPointer<QLineEdit> exitRefused_;  // its value was refused on leaving
};

}  // namespace tern::gui
