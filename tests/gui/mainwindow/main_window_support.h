#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/net/in_memory_network.h"
#include "gui/mainwindow/tmain_fm.h"
#include "tests/support/recording_dialog_seam.h"

namespace tern::test {

class FakeScreen : public gui::ScreenInfo {
  public:
    explicit FakeScreen(QSize size) : size_(size) {}
    QSize screenSize() const override { return size_; }
    void setSize(QSize size) { size_ = size; }

  private:
    QSize size_;
};

// The in-memory socket, telling a test when it is closed.
class WatchedSocket : public net::InMemorySocketControl {
  public:
    using InMemorySocketControl::InMemorySocketControl;
    void CloseSocket() override {
        ++closes;
        if (onClose) {
            onClose();
        }
        InMemorySocketControl::CloseSocket();
    }
    qint64 lostCount() const override { return lost; }
    int closes = 0;
    std::function<void()> onClose;
    qint64 lost = 0;  // what the socket says it lost, as a real one's kernel would
};

// A main window on a fake screen and an in-memory network.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { makeForm(); }

    void makeForm() {
        auto s = std::make_unique<WatchedSocket>(network);
        socket = s.get();
        form = std::make_unique<gui::TMainFm>(std::move(s), dialogs, screen);
        form->lang_file = dir.filePath(QStringLiteral("absent.ini"));  // defaults only
    }

    // Writes a language file into a fresh folder and hands its path to the form.
    void useLanguageFile(const QByteArray& content) {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("eng.ini"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        form->lang_file = path;
    }

    template <typename T = QWidget>
    T* w(const char* name) const {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLabel* label(const char* name) const { return w<QLabel>(name); }
    QLineEdit* edit(const char* name) const { return w<QLineEdit>(name); }
    QComboBox* combo(const char* name) const { return w<QComboBox>(name); }
    QRadioButton* radio(const char* name) const { return w<QRadioButton>(name); }

    // The text of a four-field address row, dotted.
    QString ip(const char* prefix) const {
        QStringList parts;
        for (int i = 1; i <= 4; ++i) {
            parts << edit(qPrintable(QString::fromLatin1(prefix) + QString::number(i)))->text();
        }
        return parts.join(u'.');
    }

    // Visibility as the window would show it once on screen.
    bool shown(const char* name) const {
        QWidget* x = w(name);
        return x != nullptr && !x->isHidden();
    }

    FakeScreen screen{QSize(1280, 1024)};
    RecordingDialogSeam dialogs;
    net::InMemoryNetwork network;
    WatchedSocket* socket = nullptr;
    std::unique_ptr<gui::TMainFm> form;
    QTemporaryDir dir;
};

}  // namespace tern::test
