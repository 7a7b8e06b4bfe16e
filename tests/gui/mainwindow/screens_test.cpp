// The window moved to a screen of another scale draws its pictures again
// for that scale. Run on two offscreen screens, at scale 1 and 2
// (two_screens.json, given to the platform by the test's environment).
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include "tests/gui/mainwindow/main_window_support.h"

namespace tern::test {
namespace {

class Screens : public MainWindowTest {
  protected:
    QScreen* screenOfScale(qreal ratio) const {
        for (QScreen* s : QGuiApplication::screens()) {
            if (s->devicePixelRatio() == ratio) return s;
        }
        return nullptr;
    }
    qreal pictureRatio(const char* name) const { return label(name)->pixmap().devicePixelRatio(); }
};

TEST_F(Screens, movedToAScreenOfScale2_thePicturesAreDrawnForIt_andBack) {
    QScreen* one = screenOfScale(1.0);
    QScreen* two = screenOfScale(2.0);
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr) << "the platform was not given two_screens.json";
    form->show();
    ASSERT_NE(form->windowHandle(), nullptr);
    form->windowHandle()->setScreen(one);
    QCoreApplication::processEvents();
    EXPECT_EQ(pictureRatio("Img_background"), 1.0);

    form->windowHandle()->setScreen(two);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->devicePixelRatioF(), 2.0);
    EXPECT_EQ(pictureRatio("Img_background"), 2.0);
    EXPECT_EQ(pictureRatio("Img_ApSet_up"), 2.0);
    EXPECT_EQ(pictureRatio("Img_ApSet_down"), 2.0);

    form->windowHandle()->setScreen(one);
    QCoreApplication::processEvents();
    EXPECT_EQ(pictureRatio("Img_background"), 1.0);
    EXPECT_EQ(pictureRatio("Img_ApSet_up"), 1.0);
}

}  // namespace
}  // namespace tern::test
