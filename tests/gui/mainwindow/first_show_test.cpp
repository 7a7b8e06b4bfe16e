// The first start fills the window and searches as soon as the window is
// shown, activated or not, and never twice.
#include <QApplication>
#include <QCoreApplication>

#include "tests/gui/mainwindow/main_window_support.h"

namespace tern::test {
namespace {

class SearchCounter : public net::InMemoryNetwork::Endpoint {
  public:
    void deliver(const QByteArray& datagram, int) override {
        searches += datagram.startsWith("kplsearch") ? 1 : 0;
    }
    int searches = 0;
};

class FirstShow : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        network.attach(&counter, net::kDefaultPort);
    }
    void TearDown() override {
        network.detach(&counter);
        MainWindowTest::TearDown();
    }
    void runEventLoop() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            network.deliverPending();
        }
    }
    SearchCounter counter;
};

TEST_F(FirstShow, shownWithoutBeingActivated_theFirstSearchGoesOut) {
    // As under focus-stealing prevention, or started from a script while
    // another window keeps the focus. The offscreen platform activates every
    // window it shows but a tool tip, so the window is shown as one.
    form->setWindowFlags(Qt::ToolTip);
    form->setAttribute(Qt::WA_ShowWithoutActivating);
    form->show();
    runEventLoop();
    ASSERT_FALSE(form->isActiveWindow()) << "the platform activated the window anyway";
    EXPECT_TRUE(form->activated());
    EXPECT_TRUE(socket->isOpen());
    EXPECT_EQ(counter.searches, 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tern AP Utility"));  // captions loaded
}

TEST_F(FirstShow, shownThenActivated_theFirstActivationWorkRunsOnce) {
    form->show();
    QApplication::setActiveWindow(form.get());
    runEventLoop();
    form->hide();
    form->show();
    QApplication::setActiveWindow(form.get());
    runEventLoop();
    EXPECT_TRUE(form->activated());
    EXPECT_EQ(counter.searches, 1);
}

}  // namespace
}  // namespace tern::test
