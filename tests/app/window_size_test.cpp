// The window's size kept across starts in the user's settings.
#include "app/window_size.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

namespace tern::app {
namespace {

class WindowSize : public ::testing::Test {
  protected:
    QSettings settings() const {
        return QSettings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }
    static void closeByTheUser(QWidget& window) {
        QCloseEvent close;
        QCoreApplication::sendEvent(&window, &close);
    }
    QTemporaryDir dir;
};

TEST_F(WindowSize, theSizeTheUserLeftIsTheNextStartsSize) {
    QSettings first = settings();
    {
        QWidget window;
        window.setMinimumSize(520, 512);
        window.resize(520, 512);
        new WindowSizeKeeper(window, first);
        EXPECT_EQ(window.size(), QSize(520, 512));  // nothing kept yet
        window.resize(800, 700);
        closeByTheUser(window);
    }
    QSettings second = settings();
    QWidget window;
    window.setMinimumSize(520, 512);
    new WindowSizeKeeper(window, second);
    EXPECT_EQ(window.size(), QSize(800, 700));
}

TEST_F(WindowSize, aKeptSizeBelowTheSmallestOrBeyondTheScreen_isBroughtWithin) {
    EXPECT_EQ(SizeWithin(QSize(300, 900), QSize(520, 512), QSize(1280, 800)), QSize(520, 800));
    EXPECT_EQ(SizeWithin(QSize(3000, 600), QSize(520, 512), QSize(1280, 800)), QSize(1280, 600));
    EXPECT_EQ(SizeWithin(QSize(900, 600), QSize(520, 512), QSize()), QSize(900, 600));
    // a screen smaller than the window's smallest size still gets that size
    EXPECT_EQ(SizeWithin(QSize(900, 600), QSize(520, 512), QSize(480, 400)), QSize(520, 512));
}

}  // namespace
}  // namespace tern::app
