#include "app/startup.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QUuid>
#include <set>

#include "tests/support/recording_dialog_seam.h"

using namespace tern::app;

namespace {

class FakePlatform : public StartupPlatform {
  public:
    QLocale::Language systemLanguage() const override { return language; }
    bool fileExists(const QString& path) const override { return files.count(path) > 0; }
    QString executableDir() const override { return exeDir; }

    QString exeDir = QStringLiteral("/opt/tern");
    QLocale::Language language = QLocale::English;
    std::set<QString> files;
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

TEST(SingleInstance, runningInstanceIsFoundByItsExactTitleAndNotified) {
    // A unique title keeps this test apart from a copy of the program that
    // may be running on the machine.
    const QString title = QStringLiteral("Tern test ") + QUuid::createUuid().toString();
    InstanceRegistry first;
    int received = 0;
    QObject::connect(&first, &InstanceRegistry::notified, &first, [&](int m) { received = m; });
    ASSERT_TRUE(first.publish(title));

    EXPECT_FALSE(InstanceRegistry::NotifyRunning(title + QStringLiteral(" 2")));
    EXPECT_TRUE(InstanceRegistry::NotifyRunning(title));
    QElapsedTimer t;
    t.start();
    while (received == 0 && t.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(received, kSecondInstanceMessage);

    // A retitled window is found by its new title only.
    ASSERT_TRUE(first.publish(title + QStringLiteral(" new")));
    EXPECT_FALSE(InstanceRegistry::NotifyRunning(title));
    EXPECT_TRUE(InstanceRegistry::NotifyRunning(title + QStringLiteral(" new")));
    first.publish(QString());
    EXPECT_FALSE(InstanceRegistry::NotifyRunning(title + QStringLiteral(" new")));
}

TEST(SingleInstance, secondPublisherOfTheSameTitleIsRefused) {
    const QString title = QStringLiteral("Tern test ") + QUuid::createUuid().toString();
    InstanceRegistry first, second;
    ASSERT_TRUE(first.publish(title));
    EXPECT_FALSE(second.publish(title));
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
