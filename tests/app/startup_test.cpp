#include "app/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <set>

#include "tests/support/recording_dialog_seam.h"

using namespace tern::app;

namespace {

class FakePlatform : public StartupPlatform {
  public:
    QLocale::Language systemLanguage() const override { return language; }
    bool fileExists(const QString& path) const override { return files.count(path) > 0; }
    bool fileReadable(const QString& path) const override {
        return fileExists(path) && unreadable.count(path) == 0;
    }
    QString executableDir() const override { return exeDir; }

    QString exeDir = QStringLiteral("/opt/tern");
    QLocale::Language language = QLocale::English;
    std::set<QString> files;
    std::set<QString> unreadable;  // of the files
};

const QString kEng = QStringLiteral("/opt/tern/language/eng.ini");
const QString kJap = QStringLiteral("/opt/tern/language/jap.ini");
const QString kGem = QStringLiteral("/opt/tern/language/gem.ini");

}  // namespace

TEST(LanguageChoice, systemLanguageSelectsItsFile) {
    FakePlatform p;
    p.files = {kEng, kJap, kGem};
    p.language = QLocale::Japanese;
    EXPECT_EQ(ChooseLanguageFile(p), kJap);
    p.language = QLocale::German;
    EXPECT_EQ(ChooseLanguageFile(p), kGem);
    p.language = QLocale::French;  // any other language: English, though the others exist
    EXPECT_EQ(ChooseLanguageFile(p), kEng);
}

TEST(LanguageChoice, missingTranslation_fallsBackToEnglishSilently) {
    FakePlatform p;
    p.files = {kEng};
    p.language = QLocale::German;
    EXPECT_EQ(ChooseLanguageFile(p), kEng);
}

TEST(LanguageChoice, noEnglishFileEither_isNoChoice) {
    FakePlatform p;
    p.files = {kJap};
    p.language = QLocale::German;
    EXPECT_EQ(ChooseLanguageFile(p), std::nullopt);
    p.files = {};
    p.language = QLocale::English;
    EXPECT_EQ(ChooseLanguageFile(p), std::nullopt);
}

// An installed tree: the programs in /inst/bin, the data where the install
// puts it relative to them.
QString Installed(const QString& name) {
    return QDir::cleanPath(QStringLiteral("/inst/bin/") + InstalledDataFromExecutable() +
                           QStringLiteral("/language/") + name);
}
QString Beside(const QString& name) { return QStringLiteral("/inst/bin/language/") + name; }

TEST(LanguageChoice, installedTree_isFoundRelativeToTheExecutable_whereverItWasMoved) {
    FakePlatform p;
    p.exeDir = QStringLiteral("/inst/bin");
    p.files = {Installed(QStringLiteral("eng.ini")), Installed(QStringLiteral("gem.ini"))};
    EXPECT_EQ(ChooseLanguageFile(p), Installed(QStringLiteral("eng.ini")));
    p.language = QLocale::German;
    EXPECT_EQ(ChooseLanguageFile(p), Installed(QStringLiteral("gem.ini")));
    p.language = QLocale::Japanese;  // not installed: English, no warning
    EXPECT_EQ(ChooseLanguageFile(p), Installed(QStringLiteral("eng.ini")));
    EXPECT_TRUE(Installed(QStringLiteral("eng.ini")).startsWith(u'/'));
    EXPECT_FALSE(Installed(QStringLiteral("eng.ini")).contains(QStringLiteral("..")));
}

TEST(LanguageChoice, filesBesideTheExecutable_comeBeforeTheInstalledOnes) {
    FakePlatform p;
    p.exeDir = QStringLiteral("/inst/bin");
    p.files = {Beside(QStringLiteral("eng.ini")), Beside(QStringLiteral("jap.ini")),
               Installed(QStringLiteral("eng.ini")), Installed(QStringLiteral("jap.ini"))};
    EXPECT_EQ(ChooseLanguageFile(p), Beside(QStringLiteral("eng.ini")));
    p.language = QLocale::Japanese;
    EXPECT_EQ(ChooseLanguageFile(p), Beside(QStringLiteral("jap.ini")));
}

TEST(LanguageChoice, theUsersLanguageAnywhere_comesBeforeEnglishBesideTheExecutable) {
    FakePlatform p;
    p.exeDir = QStringLiteral("/inst/bin");
    p.language = QLocale::German;
    p.files = {Beside(QStringLiteral("eng.ini")), Installed(QStringLiteral("gem.ini")),
               Installed(QStringLiteral("eng.ini"))};
    EXPECT_EQ(ChooseLanguageFile(p), Installed(QStringLiteral("gem.ini")));
    p.files = {Installed(QStringLiteral("jap.ini"))};  // no English anywhere
    EXPECT_EQ(ChooseLanguageFile(p), std::nullopt);
}

TEST(StartupFlow, runningCopy_endsSilentlyBeforeLookingForLanguageFiles) {
    FakePlatform p;  // no language files at all: the warning would show if asked
    tern::test::RecordingDialogSeam dialogs;
    QString askedFor;
    const auto d = DecideStartup(
        p,
        [&](const QString& title) {
            askedFor = title;
            return true;
        },
        dialogs);
    EXPECT_EQ(d.outcome, StartupOutcome::AlreadyRunning);
    EXPECT_EQ(askedFor, QStringLiteral("108Mbps Wireless LAN Access Point"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartupFlow, noLanguageFile_showsTheWarningAndEnds) {
    FakePlatform p;
    tern::test::RecordingDialogSeam dialogs;
    const auto d = DecideStartup(
        p, [](const QString&) { return false; }, dialogs);
    EXPECT_EQ(d.outcome, StartupOutcome::NoLanguageFile);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const auto& m = dialogs.messages[0];
    EXPECT_EQ(
        m.text,
        QStringLiteral(
            "The necessary file is not found. It is recommended that you reinstall the utility."));
    EXPECT_EQ(m.caption, QStringLiteral("Warning!"));
    EXPECT_EQ(m.icon, tern::gui::DialogSeam::Icon::Error);
    EXPECT_EQ(m.buttons, tern::gui::DialogSeam::Buttons::Ok);
}

TEST(StartupFlow, languageFound_runsWithIt) {
    FakePlatform p;
    p.files = {kEng, kGem};
    p.language = QLocale::German;
    tern::test::RecordingDialogSeam dialogs;
    const auto d = DecideStartup(
        p, [](const QString&) { return false; }, dialogs);
    EXPECT_EQ(d.outcome, StartupOutcome::Run);
    EXPECT_EQ(d.langFile, kGem);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(StartupFlow, languageFileThatCannotBeRead_isNamed_andNoBoxIsShown) {
    FakePlatform p;
    p.files = {kEng, kGem};
    p.unreadable = {kGem};
    p.language = QLocale::German;
    tern::test::RecordingDialogSeam dialogs;
    const auto d = DecideStartup(
        p, [](const QString&) { return false; }, dialogs);
    EXPECT_EQ(d.outcome, StartupOutcome::UnreadableLanguageFile);
    EXPECT_EQ(d.langFile, kGem);
    EXPECT_TRUE(dialogs.messages.empty());

    p.unreadable = {kEng};  // not the one chosen
    EXPECT_EQ(DecideStartup(
                  p, [](const QString&) { return false; }, dialogs)
                  .outcome,
              StartupOutcome::Run);
}

TEST(StartupFlow, realPlatform_readsWhatItCanOpen) {
    const RealStartupPlatform real;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString file = tmp.filePath(QStringLiteral("eng.ini"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();  // empty is still read
    EXPECT_TRUE(real.fileReadable(file));
    EXPECT_FALSE(real.fileReadable(tmp.filePath(QStringLiteral("gone.ini"))));
    if (::geteuid() != 0) {  // root reads any file
        ASSERT_TRUE(f.setPermissions(QFileDevice::WriteOwner));
        EXPECT_TRUE(real.fileExists(file));
        EXPECT_FALSE(real.fileReadable(file));
    }
}
