#pragma once

// Runs one of the project's programs to its end, for tests of command
// lines; bounded, and killed when it hangs.
#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "tests/support/core_app.h"

namespace tern::test {

struct ProgramRun {
    int exitCode = -1;  // -1: it did not end in time
    QByteArray out;
    QString err;
};

inline ProgramRun RunProgram(
    const QString& path, const QStringList& args, int timeoutMs = 20000,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    const QString& workingDirectory = {}) {
    EnsureCoreApp();
    QProcess program;
    program.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty()) program.setWorkingDirectory(workingDirectory);
    program.start(path, args);
    if (!program.waitForFinished(timeoutMs)) {
        program.kill();
        program.waitForFinished(2000);
        return {};
    }
    return {program.exitCode(), program.readAllStandardOutput(),
            QString::fromUtf8(program.readAllStandardError())};
}

}  // namespace tern::test
