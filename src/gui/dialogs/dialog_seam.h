#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace tern::gui {

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

    // A file or folder to be chosen.
    struct PathQuestion {
        enum class Kind { OpenFile, SaveFile, Folder };
        Kind kind = Kind::OpenFile;
        QString caption;
        QString directory;  // where the chooser starts (or the file proposed)
        QString filter;     // "Backups (*.json)"
    };

    virtual ~DialogSeam() = default;
    virtual Answer showMessage(QWidget* parent, const Message& message) = 0;
    // Runs a modal dialog; returns its result code (QDialog::Accepted...).
    virtual int execDialog(QDialog& dialog) = 0;
    // Runs the review of an apply's changes; Accepted goes on with the
    // apply. A seam that shows nobody anything takes the review as read,
    // so an apply it answers the login of goes out as before.
    virtual int execReview(QDialog& dialog);
    // The chosen path; empty when the choice was cancelled (and from a seam
    // that shows nobody anything).
    virtual QString askPath(QWidget* parent, const PathQuestion& question);
};

// The real thing: QMessageBox and QDialog::exec.
class WidgetDialogSeam : public DialogSeam {
  public:
    Answer showMessage(QWidget* parent, const Message& message) override;
    int execDialog(QDialog& dialog) override;
    int execReview(QDialog& dialog) override;
    QString askPath(QWidget* parent, const PathQuestion& question) override;
};

}  // namespace tern::gui
