#pragma once

// Runs the project's front ends as the unprivileged user nobody, as an
// administrator's desktop session would, where the test can switch to it.
//
// nobody may not be able to read the build where it is: a clone in root's
// home (0700 on Debian) is the usual case. So the programs and the language
// files they need are copied into a folder of their own that nobody can
// reach, and every program is tried there once, as nobody, with a run that
// needs everything a real run needs (the window starts and lists its demo
// AP). Only when that works do the tests run as nobody; otherwise they run
// as the test's own user, and the reason is given.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "tests/support/run_program.h"

namespace tern::test {

// One program to run, and the run that shows it works as the user it runs
// as (a demo run: no socket is opened).
struct ProgramToRun {
    QString path;
    QStringList probeArgs;
};

// What a front end needs: the CLI only itself, the window its language files
// in the folder beside it.
inline ProgramToRun CliProgram(const QString& path) {
    return {path, {QStringLiteral("--demo=1"), QStringLiteral("--quiet"), QStringLiteral("scan")}};
}
inline ProgramToRun WindowProgram(const QString& path) {
    return {path,
            {QStringLiteral("--demo"), QStringLiteral("1"), QStringLiteral("--quit-after-start")}};
}

class UnprivilegedPrograms {
  public:
    static constexpr uid_t kNobody = 65534;

    // environment: what the programs run with; HOME and the XDG folders are
    // set to a folder the running user owns.
    UnprivilegedPrograms(std::vector<ProgramToRun> programs, QProcessEnvironment environment)
        : programs_(std::move(programs)), environment_(std::move(environment)) {
        environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        asNobody_ = prepareCopy();
        if (!asNobody_) {
            copy_.reset();
            home_ = std::make_unique<QTemporaryDir>();
            setHome(home_->path());
        }
    }

    bool asNobody() const { return asNobody_; }

    // A line for the test's output: who the programs run as, and why.
    QString who() const {
        return asNobody_ ? QStringLiteral("as the unprivileged user nobody (from a copy in %1)")
                               .arg(copy_->path())
                         : QStringLiteral("as this test's own user: %1").arg(reason_);
    }

    // Runs the program given at `index` as the chosen user.
    ProgramRun run(std::size_t index, QStringList args, int timeoutMs) const {
        if (!asNobody_) return RunProgram(programs_.at(index).path, args, timeoutMs, environment_);
        return runAsNobody(copiedPath(index), std::move(args), timeoutMs);
    }

  private:
    ProgramRun runAsNobody(const QString& path, QStringList args, int timeoutMs) const {
        const QString id = QString::number(kNobody);
        args = QStringList{QStringLiteral("--reuid"),        id,  QStringLiteral("--regid"), id,
                           QStringLiteral("--clear-groups"), path} +
               args;
        // The test's own folder may be one nobody cannot enter.
        return RunProgram(QStringLiteral("setpriv"), args, timeoutMs, environment_, copy_->path());
    }

    QString copiedPath(std::size_t index) const {
        return copy_->filePath(QFileInfo(programs_.at(index).path).fileName());
    }

    void setHome(const QString& home) {
        environment_.insert(QStringLiteral("HOME"), home);
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    }

    // Every folder from the root down to `path` may be entered by others.
    static bool ReachableByOthers(const QString& path) {
        QString folder = QDir(path).absolutePath();
        for (;;) {
            struct stat st {};
            if (::stat(QFile::encodeName(folder).constData(), &st) != 0) return false;
            if ((st.st_mode & S_IXOTH) == 0) return false;
            if (folder == QStringLiteral("/")) return true;
            folder = QFileInfo(folder).absolutePath();
        }
    }

    static bool CopyReadable(const QString& from, const QString& to, bool executable) {
        if (!QFile::copy(from, to)) return false;
        QFileDevice::Permissions p = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ReadGroup | QFileDevice::ReadOther;
        if (executable) p |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        return QFile::setPermissions(to, p);
    }

    bool prepareCopy() {
        if (::geteuid() != 0) {
            reason_ = QStringLiteral("it is not root, so it cannot switch to nobody");
            return false;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
            reason_ = QStringLiteral("setpriv is not installed");
            return false;
        }
        // TMPDIR may itself lie below a folder nobody cannot enter.
        QString base = QDir::tempPath();
        if (!ReachableByOthers(base)) base = QStringLiteral("/tmp");
        if (!ReachableByOthers(base)) {
            reason_ = QStringLiteral("no temporary folder that nobody may enter");
            return false;
        }
        copy_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tern-nobody-XXXXXX"));
        if (!copy_->isValid()) {
            reason_ = QStringLiteral("no temporary folder could be made in %1").arg(base);
            return false;
        }
        const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                              QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther;
        QFile::setPermissions(copy_->path(), open);
        const QDir dir(copy_->path());
        for (const ProgramToRun& program : programs_) {
            const QFileInfo info(program.path);
            if (!CopyReadable(program.path, dir.filePath(info.fileName()), true)) {
                reason_ = QStringLiteral("%1 could not be copied").arg(program.path);
                return false;
            }
            // The language files the window looks for beside itself.
            const QDir language(info.dir().filePath(QStringLiteral("language")));
            if (language.exists() && !dir.exists(QStringLiteral("language"))) {
                dir.mkdir(QStringLiteral("language"));
                QFile::setPermissions(dir.filePath(QStringLiteral("language")), open);
                for (const QString& name : language.entryList(QDir::Files)) {
                    CopyReadable(language.filePath(name),
                                 dir.filePath(QStringLiteral("language/") + name), false);
                }
            }
        }
        // A home of nobody's own: Qt wants its runtime folder private.
        const QString home = dir.filePath(QStringLiteral("home"));
        dir.mkdir(QStringLiteral("home"));
        if (::chown(QFile::encodeName(home).constData(), kNobody, kNobody) != 0 ||
            ::chmod(QFile::encodeName(home).constData(), 0700) != 0) {
            reason_ = QStringLiteral("%1 could not be given to nobody").arg(home);
            return false;
        }
        setHome(home);
        for (std::size_t i = 0; i < programs_.size(); ++i) {
            const ProgramRun probe = runAsNobody(copiedPath(i), programs_[i].probeArgs, 30000);
            if (probe.exitCode != 0) {
                reason_ = QStringLiteral("%1 %2 did not run as nobody (exit %3): %4")
                              .arg(QFileInfo(programs_[i].path).fileName(),
                                   programs_[i].probeArgs.join(QLatin1Char(' ')))
                              .arg(probe.exitCode)
                              .arg(probe.err.trimmed());
                return false;
            }
        }
        return true;
    }

    std::vector<ProgramToRun> programs_;
    QProcessEnvironment environment_;
    std::unique_ptr<QTemporaryDir> copy_;
    std::unique_ptr<QTemporaryDir> home_;
    QString reason_;
    bool asNobody_ = false;
};

}  // namespace tern::test
