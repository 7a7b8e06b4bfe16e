#pragma once

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "gui/dialogs/dialog_seam.h"

namespace tern::test {

// Records every message and answers from a queue (OK / No when empty);
// modal dialogs are handed to a callback that fills and closes them.
class RecordingDialogSeam : public gui::DialogSeam {
  public:
    Answer showMessage(QWidget*, const Message& message) override {
        messages.push_back(message);
        if (onMessage) {
            onMessage(message);
        }
        if (answers.empty()) {
            return message.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    int execDialog(QDialog& dialog) override {
        ++dialogsShown;
        if (onDialog) {
            return onDialog(dialog);
        }
        return QDialog::Rejected;
    }

    // Reviews are recorded and answered by onReview, else accepted.
    int execReview(QDialog& dialog) override {
        ++reviewsShown;
        if (onReview) {
            return onReview(dialog);
        }
        return QDialog::Accepted;
    }
    // File choices are recorded and answered from `paths` (empty: cancelled).
    QString askPath(QWidget*, const PathQuestion& question) override {
        pathQuestions.push_back(question);
        if (onAskPath) {
            onAskPath(question);
        }
        if (paths.empty()) {
            return {};
        }
        const QString path = paths.front();
        paths.pop_front();
        return path;
    }

    std::vector<Message> messages;
    std::function<int(QDialog&)> onReview;
    int reviewsShown = 0;
    std::vector<PathQuestion> pathQuestions;
    std::deque<QString> paths;
    // Sees the window while the file chooser is up (replies still arrive).
    std::function<void(const PathQuestion&)> onAskPath;
    std::deque<Answer> answers;
    std::function<int(QDialog&)> onDialog;
    // Sees the window as it stands while the box is up.
    std::function<void(const Message&)> onMessage;
    int dialogsShown = 0;
};

}  // namespace tern::test
