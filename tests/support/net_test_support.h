#pragma once

// What the tests over real UDP share: the simulator as a bounded child
// process, and a fixture that refuses the host's network namespace.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include "core/net/network_guard.h"

namespace tern::test {

// tern-ap-sim, bounded: it stops by itself after 60 s (or its
// --max-requests) and is killed when the test ends.
class SimProcess {
  public:
    explicit SimProcess(QStringList args) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setReadChannel(QProcess::StandardError);
        process_.start(QStringLiteral(TERN_AP_SIM_PATH),
                       args << QStringLiteral("--duration") << QStringLiteral("60"));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && !listening_ && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
            log_ += process_.readAllStandardError();
            listening_ = log_.contains("listening");
        }
    }
    ~SimProcess() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool listening() const { return listening_; }
    QByteArray log() const { return log_; }

  private:
    QProcess process_;
    QByteArray log_;
    bool listening_ = false;
};

// Fails before anything is sent unless the test runs in a private network
// namespace, as inside tools/isolated-net.
class IsolatedNetworkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString why;
        ASSERT_TRUE(link::InPrivateNetworkNamespace(&why))
            << why.toStdString() << ": this test runs only inside tools/isolated-net";
    }
};

}  // namespace tern::test
