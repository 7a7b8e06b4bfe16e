#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace tern::ui {

// Every message box and modal dialog of the program goes through this one
// interface, so that a test can read what would be shown and answer it.
class DialogSeam {
  public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    struct Message {
        QString text;
        QString caption;
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
    };

    virtual ~DialogSeam() = default;
    virtual Answer showMessage(QWidget* parent, const Message& message) = 0;
    // Runs a modal dialog; returns its result code (QDialog::Accepted...).
    virtual int execDialog(QDialog& dialog) = 0;
};

// The real thing: QMessageBox and QDialog::exec.
class WidgetDialogSeam : public DialogSeam {
  public:
    Answer showMessage(QWidget* parent, const Message& message) override;
    int execDialog(QDialog& dialog) override;
};

}  // namespace tern::ui
