// Backing APs up from the list's context menu and restoring them: each file
// holds the AP it is named for, and a restore goes to the AP it was chosen
// for, even when the list moves while the file chooser is open; a backup
// into a folder never replaces an earlier one.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "core/form/backup_file.h"
#include "tests/gui/mainwindow/list_tools_support.h"

namespace tern::test::apply_fixture {
namespace {

class ListBackup : public ListTools {
  protected:
    // Three APs sorted by name, the list shown.
    void startSorted() {
        start(ThreeAps());
        form->show();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
        clickHeader(0);
    }
    // A new AP that sorts first answers while the file chooser is open.
    void replyDuringTheChooser() {
        dialogs.onAskPath = [this](const gui::DialogSeam::PathQuestion&) {
            lateReply(3, "TernAP-0000");
        };
    }
    // Every backup file under the test's folder, by path.
    QStringList backupFiles() const {
        QStringList files;
        QDirIterator it(dir.path(), {QStringLiteral("*.json")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) files << it.next();
        files.sort();
        return files;
    }
    static std::optional<ApConfigRecord> Read(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
        return tern::form::ReadBackupFile(file.readAll());
    }
    // Each file is named for the AP whose record it holds, one of the three.
    void expectEachFileHoldsItsAp(const QStringList& files) {
        for (const QString& path : files) {
            const auto record = Read(path);
            ASSERT_TRUE(record.has_value()) << path.toStdString();
            const QString mac = tern::record::MacText(record->mac_addr());
            EXPECT_EQ(QFileInfo(path).fileName(), mac + QStringLiteral(".json"));
            const int i = record->mac_addr()[5];
            ASSERT_LT(i, 3) << mac.toStdString();
            EXPECT_EQ(record->bytes(), original[static_cast<std::size_t>(i)].record.bytes());
        }
    }
};

// ---------------------------------------------------------------- the list moves

TEST_F(ListBackup, oneAp_aReplyWhileTheChooserIsOpen_theFileHoldsTheApChosen) {
    startSorted();
    select(2, 2);  // TernAP-0002
    const QString file = dir.filePath(QStringLiteral("ap.json"));
    dialogs.paths = {file};
    replyDuringTheChooser();
    form->BackupClick();
    ASSERT_EQ(dialogs.pathQuestions.size(), 1u);
    EXPECT_TRUE(dialogs.pathQuestions[0].directory.endsWith(Mac(1) + QStringLiteral(".json")));
    const auto record = Read(file);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->bytes(), original[1].record.bytes());
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0000"));  // the list did move
}

TEST_F(ListBackup, severalAps_aReplyWhileTheChooserIsOpen_theFilesAreThoseChosen) {
    startSorted();
    select(1, 3);
    dialogs.paths = {dir.path()};
    replyDuringTheChooser();
    form->BackupClick();
    const QStringList files = backupFiles();
    QStringList names;
    for (const QString& f : files) names << QFileInfo(f).fileName();
    EXPECT_EQ(names,
              (QStringList{Mac(0) + QStringLiteral(".json"), Mac(1) + QStringLiteral(".json"),
                           Mac(2) + QStringLiteral(".json")}));
    expectEachFileHoldsItsAp(files);
}

TEST_F(ListBackup, restore_aReplyWhileTheChooserIsOpen_reviewsAndWritesTheApShown) {
    startSorted();
    const QString file = dir.filePath(QStringLiteral("first.json"));
    select(1, 1);
    dialogs.paths = {file};
    form->BackupClick();  // TernAP-0001's record
    dialogs.messages.clear();

    select(2, 2);  // onto TernAP-0002, which keeps its MAC, addresses and name
    readReviews();
    dialogs.paths = {file};
    replyDuringTheChooser();
    form->RestoreClick();
    ASSERT_EQ(reviews.size(), 1);
    EXPECT_EQ(reviews[0].value(0), Mac(1) + QStringLiteral(" (TernAP-0002)"));
    const std::vector<QByteArray> out = sets();
    ASSERT_EQ(out.size(), 1u);
    const ApConfigRecord sent = RecordOfSet(out[0]);
    EXPECT_EQ(sent.mac_addr(), original[1].record.mac_addr());
    EXPECT_EQ(sent.ap_name(), original[1].record.ap_name());
    for (int k = 0; k < 4; ++k) EXPECT_EQ(sent.wep64_key(k), original[0].record.wep64_key(k)) << k;
    // the restore over, the new AP takes its place in the order
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0000"));
    expectEveryRowKeepsItsAp();
}

// ---------------------------------------------------------------- a folder

TEST_F(ListBackup, severalAps_goIntoANewFolderNamedByTheTime_anEarlierBackupStays) {
    startSorted();
    // An earlier backup of the first AP, as the folder held it.
    const QString earlier = dir.filePath(Mac(0) + QStringLiteral(".json"));
    QFile old(earlier);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();

    select(1, 3);
    dialogs.paths = {dir.path()};
    form->BackupClick();
    dialogs.paths = {dir.path()};
    form->BackupClick();  // again, within the same second perhaps

    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier"));
    const QStringList folders = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 2) << folders.join(u' ').toStdString();
    const QRegularExpression utcTime(QStringLiteral("^\\d{8}T\\d{6}Z(-\\d+)?$"));
    for (const QString& folder : folders) {
        EXPECT_TRUE(utcTime.match(folder).hasMatch()) << folder.toStdString();
        const QDir sub(dir.filePath(folder));
        EXPECT_EQ(sub.entryList(QDir::Files).size(), 3) << folder.toStdString();
        QStringList files;
        for (const QString& f : sub.entryList(QDir::Files)) files << sub.filePath(f);
        expectEachFileHoldsItsAp(files);  // files tern-ap-cli restore reads
    }
    // The user is told where they went.
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const QString folder = dir.filePath(folders[static_cast<qsizetype>(i)]);
        EXPECT_TRUE(
            std::any_of(dialogs.messages.begin(), dialogs.messages.end(),
                        [&](const gui::DialogSeam::Message& m) { return m.text.contains(folder); }))
            << folder.toStdString();
    }
}

}  // namespace
}  // namespace tern::test::apply_fixture
