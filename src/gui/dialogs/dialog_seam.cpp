#include "gui/dialogs/dialog_seam.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace tern::gui {

DialogSeam::Answer WidgetDialogSeam::showMessage(QWidget* parent, const Message& message) {
    QMessageBox box(parent);
    box.setText(message.text);
    box.setWindowTitle(message.caption);
    switch (message.icon) {
        case Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    if (message.buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Ok:
            return Answer::Ok;
        default:
            return message.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

int WidgetDialogSeam::execDialog(QDialog& dialog) { return dialog.exec(); }

int DialogSeam::execReview(QDialog& /*dialog*/) { return QDialog::Accepted; }

QString DialogSeam::askPath(QWidget* /*parent*/, const PathQuestion& /*question*/) { return {}; }

int WidgetDialogSeam::execReview(QDialog& dialog) { return dialog.exec(); }

QString WidgetDialogSeam::askPath(QWidget* parent, const PathQuestion& question) {
    switch (question.kind) {
        case PathQuestion::Kind::OpenFile:
            return QFileDialog::getOpenFileName(parent, question.caption, question.directory,
                                                question.filter);
        case PathQuestion::Kind::SaveFile:
            return QFileDialog::getSaveFileName(parent, question.caption, question.directory,
                                                question.filter);
        case PathQuestion::Kind::Folder:
            return QFileDialog::getExistingDirectory(parent, question.caption, question.directory);
    }
    return {};
}

}  // namespace tern::gui
