#pragma once

// What the tests over real UDP share: the simulator as a bounded child
// process, and a fixture that refuses the host's network namespace.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include "core/net/network_guard.h"

namespace tern::test {

// tern-ap-sim, bounded: it stops by itself after `seconds` (60 unless
// given) or its --max-requests, and is killed when the test ends. With a
// log file its stderr goes there as it is written: a simulator that prints
// a line per set request would otherwise stall on a full pipe nobody reads
// while the test waits for another program.
class SimProcess {
  public:
    explicit SimProcess(QStringList args, int seconds = 60, const QString& logFile = {})
        : logFile_(logFile) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setReadChannel(QProcess::StandardError);
        if (!logFile_.isEmpty()) process_.setStandardErrorFile(logFile_);
        process_.start(QStringLiteral(TERN_AP_SIM_PATH),
                       args << QStringLiteral("--duration") << QString::number(seconds));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && !listening_ && process_.state() != QProcess::NotRunning) {
            if (logFile_.isEmpty()) {
                process_.waitForReadyRead(100);
                log_ += process_.readAllStandardError();
            } else {
                process_.waitForFinished(20);  // nothing to wait on but the file
            }
            listening_ = log().contains("listening");
        }
    }
    ~SimProcess() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool listening() const { return listening_; }
    // Everything it printed so far (with a log file: up to now; without:
    // up to "listening").
    QByteArray log() const {
        if (logFile_.isEmpty()) return log_;
        QFile file(logFile_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

  private:
    QProcess process_;
    QByteArray log_;
    QString logFile_;
    bool listening_ = false;
};

// Fails before anything is sent unless the test runs in a private network
// namespace, as inside tools/isolated-net.
class IsolatedNetworkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString why;
        ASSERT_TRUE(net::InPrivateNetworkNamespace(&why))
            << why.toStdString() << ": this test runs only inside tools/isolated-net";
    }
};

}  // namespace tern::test
