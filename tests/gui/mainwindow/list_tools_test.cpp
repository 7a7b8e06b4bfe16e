// The window with many APs: it grows, its list is found in, filtered and
// sorted, an apply shows what it will change first, and the list backs APs
// up and restores them. Driven by real key and mouse events where the
// behaviour lives in event handling.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "core/engine/ap_engine.h"
#include "core/fleet/plan.h"
#include "core/form/backup_file.h"
#include "core/text/lang_ini.h"
#include "core/text/language_text.h"
#include "gui/dialogs/treview_fm.h"
#include "tests/gui/mainwindow/list_tools_support.h"

namespace tern::test::apply_fixture {
namespace {

// ---------------------------------------------------------------- size

TEST_F(ListTools, atTheDefaultSize_everythingStaysWhereItWas) {
    startWith(5);
    EXPECT_EQ(form->size(), QSize(520, 512));
    EXPECT_EQ(grid->geometry(), QRect(6, 24, 336, 87));
    EXPECT_EQ(w("Panel3")->geometry(), QRect(149, 8, 364, 301));
    EXPECT_EQ(w("b_close")->pos(), QPoint(434, 469));
    EXPECT_EQ(grid->ColWidths(2), 50);
    EXPECT_FALSE(filterField()->isVisible());
    EXPECT_FALSE(grid->horizontalHeader()->isSortIndicatorShown());
}

TEST_F(ListTools, madeLarger_theListTakesTheRoom_thePagesStay_neverSmallerThanTheDefault) {
    startWith(40);
    const int before = rowsInView();
    EXPECT_LE(before, 4);  // three rows and a part of the fourth
    form->resize(900, 800);
    EXPECT_GE(rowsInView(), before + 14);
    EXPECT_EQ(grid->width(), 336 + 380);
    EXPECT_GT(grid->ColWidths(2), 50);  // the SSID is no longer cut
    EXPECT_GT(grid->ColWidths(0), 110);
    EXPECT_EQ(w("Panel3")->geometry(), QRect(149, 8, 364, 301));
    // the buttons follow the lower right corner
    EXPECT_EQ(w("b_close")->pos(), QPoint(434 + 380, 469 + 288));
    EXPECT_EQ(w("l_version")->y(), 480 + 288);
    // the scroll bar beside the list stays beside it
    EXPECT_EQ(w("ScrollBar1")->geometry().left(), grid->geometry().right() + 1);
    form->resize(300, 200);
    EXPECT_EQ(form->size(), QSize(520, 512));
    EXPECT_EQ(rowsInView(), before);
}

// ---------------------------------------------------------------- find

TEST_F(ListTools, typingOnTheList_jumpsToTheFirstApByNameOrMac_andShowsIt) {
    startWith(40);
    grid->setFocus();
    QTest::keyClicks(grid, QStringLiteral("ternap-0027"));
    EXPECT_EQ(grid->Cells(0, grid->Row()), QStringLiteral("TernAP-0027"));
    EXPECT_EQ(label("l_mac")->text(), grid->Cells(1, grid->Row()));
    QTest::qWait(QApplication::keyboardInputInterval() + 50);  // a new word
    QTest::keyClicks(grid, Mac(11).left(14));                  // "02-54-45-00-00"
    EXPECT_EQ(grid->Row(), 1);                                 // the first AP whose MAC starts so
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(grid, QStringLiteral("02544500000c"));
    EXPECT_EQ(grid->Cells(1, grid->Row()), Mac(12));
    EXPECT_EQ(label("l_mac")->text(), Mac(12));
}

TEST_F(ListTools, ctrlF_filtersByNameMacSsidOrInterface_escapeShowsEveryRowAgain) {
    startWith(40);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(filterField()->isVisible());
    ASSERT_TRUE(filterField()->hasFocus());
    QTest::keyClicks(filterField(), QStringLiteral("TERN-001"));  // SSIDs, any case
    EXPECT_EQ(shownRows().size(), 10);
    for (const int row : shownRows()) {
        EXPECT_TRUE(grid->Cells(2, row).startsWith(QStringLiteral("tern-001"))) << row;
    }
    filterField()->clear();
    QTest::keyClicks(filterField(), Mac(33).right(5));  // "00-21"
    EXPECT_EQ(shownRows().size(), 1);
    QTest::keyClick(filterField(), Qt::Key_Return);  // on to the list: the row shown
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(label("l_mac")->text(), Mac(33));
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(filterField(), Qt::Key_Escape);
    EXPECT_FALSE(filterField()->isVisible());
    EXPECT_EQ(shownRows().size(), 40);
}

TEST_F(ListTools, aSearchSettlingUnderAFilter_showsTheLastApInView_orNoneWhenNoneIs) {
    startWith(40);
    form->OpenFilter();
    QTest::keyClicks(filterField(), QStringLiteral("tern-001"));  // TernAP-0010..0019
    form->b_refreshClick();
    network.deliverPending();
    form->ShowPendingRecord();
    // Listed, not settled yet: the AP listed last is out of view, and is
    // not the one the form shows.
    EXPECT_NE(label("l_mac")->text(), Mac(39));
    form->TimerTimer();  // settled
    const int current = grid->Row();
    EXPECT_FALSE(grid->isGridRowHidden(current));
    EXPECT_EQ(grid->Cells(0, current), QStringLiteral("TernAP-0019"));
    EXPECT_EQ(label("l_mac")->text(), grid->Cells(1, current));
    EXPECT_EQ(edit("e_essid")->text(), QStringLiteral("tern-0019"));

    filterField()->setText(QStringLiteral("no such AP"));
    form->b_refreshClick();
    settleRefresh();
    ASSERT_TRUE(shownRows().isEmpty());
    EXPECT_EQ(label("l_mac")->text(), QString());  // no AP shown
    EXPECT_EQ(edit("e_essid")->text(), QString());
    // Apply has no AP in view to go to.
    dialogs.messages.clear();
    changeASetting();
    form->b_TernapplyClick();
    EXPECT_TRUE(sets().empty());
}

TEST_F(ListTools, multiApply_sendsOnlyToTheSelectedRowsTheFilterShows) {
    startWith(40);
    form->OpenFilter();
    QTest::keyClicks(filterField(), QStringLiteral("tern-002"));
    select(1, 40);
    changeASetting();
    form->b_TernapplyClick();
    ASSERT_EQ(multiRows.size(), 10);
    QStringList sent;
    for (const QByteArray& set : sets()) sent << tern::record::MacText(RecordOfSet(set).mac_addr());
    ASSERT_EQ(sent.size(), 10);
    for (const QString& mac : sent) {
        bool shown = false;
        for (const int r : shownRows()) shown = shown || grid->Cells(1, r) == mac;
        EXPECT_TRUE(shown) << mac.toStdString();
    }
}

// ---------------------------------------------------------------- sort

TEST_F(ListTools, headerClicksSortAndReverse_eachRowKeepsItsAp_andTheShownApStaysCurrent) {
    startWith(12);
    select(5, 5);
    const QString shownMac = label("l_mac")->text();
    clickHeader(0);
    EXPECT_EQ(form->sortColumn(), 0);
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0001"));
    clickHeader(0);  // reversed
    EXPECT_EQ(form->sortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0012"));
    EXPECT_EQ(grid->Cells(0, 12), QStringLiteral("TernAP-0001"));
    expectEveryRowKeepsItsAp();
    EXPECT_EQ(grid->Cells(1, grid->Row()), shownMac);
    EXPECT_EQ(label("l_mac")->text(), shownMac);

    clickHeader(1);  // by the MAC's bytes
    for (int row = 1; row < grid->RowCount(); ++row) EXPECT_EQ(grid->Cells(1, row), Mac(row - 1));
    expectEveryRowKeepsItsAp();

    // an apply to a row after sorting goes to that row's AP
    clickHeader(1);
    select(3, 3);
    edit("e_essid")->setText(QStringLiteral("sorted"));
    form->b_TernapplyClick();
    ASSERT_EQ(sets().size(), 1u);
    EXPECT_EQ(tern::record::MacText(RecordOfSet(sets()[0]).mac_addr()), grid->Cells(1, 3));
}

TEST_F(ListTools, theSortHoldsForTheNextSearch) {
    startWith(8);
    clickHeader(0);
    clickHeader(0);
    form->b_refreshClick();
    settleRefresh();
    ASSERT_EQ(grid->RowCount(), 9);
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0008"));
    expectEveryRowKeepsItsAp();
}

// ---------------------------------------------------------------- review

TEST_F(ListTools, review_singleApply_listsTheApAndEachChange_thenTheLogin) {
    start(sim::GenerateAps(3));
    readReviews();
    select(2, 2);
    edit("e_essid")->setText(QStringLiteral("lobby"));
    form->b_TernapplyClick();
    ASSERT_EQ(reviews.size(), 1);
    EXPECT_EQ(reviews[0], (QStringList{Mac(1) + QStringLiteral(" (TernAP-0002)"),
                                       QStringLiteral("  ssid: tern-0002 \u2192 lobby")}));
    EXPECT_EQ(singleLogins, 1);
    EXPECT_EQ(sets().size(), 1u);
}

TEST_F(ListTools, review_multiApply_listsEveryTarget_withWhatChangesOnIt) {
    start(ThreeAps());
    readReviews();
    select(1, 3);
    edit("e_essid")->setText(QStringLiteral("everywhere"));
    form->b_TernapplyClick();
    ASSERT_EQ(reviews.size(), 1);
    const QStringList& lines = reviews[0];
    for (int i = 0; i < 3; ++i) {
        const QString heading =
            Mac(i) + QStringLiteral(" (TernAP-000") + QString::number(i + 1) + u')';
        ASSERT_TRUE(lines.contains(heading)) << heading.toStdString();
        const qsizetype at = lines.indexOf(heading);
        EXPECT_EQ(lines.value(at + 1).startsWith(QStringLiteral("  ")), true);
        EXPECT_TRUE(lines.contains(QStringLiteral("  ssid: tern-000") + QString::number(i + 1) +
                                   QStringLiteral(" \u2192 everywhere")));
    }
    // the same words as tern-ap-cli plan
    const auto changes = form->ChangesOf(original[1].record, RecordOfSet(sets()[1]));
    for (const tern::fleet::SettingChange& c : changes) {
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& l) {
            return l.startsWith(QStringLiteral("  ") + c.name + QStringLiteral(": "));
        })) << c.name.toStdString();
    }
    EXPECT_EQ(multiLogins, 1);
}

TEST_F(ListTools, review_cancelled_sendsNothingAndAsksNoLogin) {
    start(ThreeAps());
    readReviews(QDialog::Rejected);
    select(2, 2);
    changeASetting();
    form->b_TernapplyClick();
    select(1, 3);
    form->b_TernapplyClick();
    EXPECT_EQ(reviews.size(), 2);
    EXPECT_EQ(singleLogins + multiLogins, 0);
    EXPECT_TRUE(sets().empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(form->Timer.isActive());
}

TEST_F(ListTools, review_nothingToChange_saysSo_sendsNothing) {
    start(sim::GenerateAps(3));
    readReviews();
    select(2, 2);
    form->b_TernapplyClick();
    EXPECT_TRUE(reviews.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Nothing to change: the access points already hold these settings."));
    EXPECT_EQ(singleLogins, 0);
    EXPECT_TRUE(sets().empty());
    EXPECT_TRUE(w<QPushButton>("b_Ternapply")->isEnabled());
}

TEST(ReviewDialog, secretsAreStarred_anApWithoutChangesSaysSo) {
    const text::LanguageText english(text::LangIni::FromBytes({}), text::TextEncoding::Windows1252);
    gui::TReviewFm dialog({{QStringLiteral("02-54-45-00-00-01"),
                            QStringLiteral("Lobby"),
                            {{QStringLiteral("wpa_passphrase"), QStringLiteral("old secret"),
                              QStringLiteral("new secret"), true}}},
                           {QStringLiteral("02-54-45-00-00-02"), QStringLiteral("Hall"), {}}},
                          english);
    EXPECT_EQ(dialog.Lines(), (QStringList{QStringLiteral("02-54-45-00-00-01 (Lobby)"),
                                           QStringLiteral("  wpa_passphrase: *** \u2192 ***"),
                                           QStringLiteral("02-54-45-00-00-02 (Hall)"),
                                           QStringLiteral("  nothing to change")}));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Review before Apply"));
}

// ---------------------------------------------------------------- context menu

TEST_F(ListTools, contextMenu_onARow_choosesIt_andCopiesItsMacAndName) {
    startWith(5);
    select(1, 1);
    const QPoint at = grid->visualRect(grid->model()->index(3, 0)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(grid->viewport(), &menuEvent);
    ASSERT_TRUE(form->ListMenu()->isVisible());
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(label("l_mac")->text(), Mac(3));
    QStringList texts;
    for (QAction* a : form->ListMenu()->actions()) texts << a->text();
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("Copy MAC"), QStringLiteral("Copy name"), QString(),
                           QStringLiteral("Back up..."), QStringLiteral("Restore...")}));
    form->ListMenu()->findChild<QAction*>(QStringLiteral("a_copy_mac"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Mac(3));
    form->ListMenu()->hide();
    select(2, 3);
    form->CopyNameClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("TernAP-0002\nTernAP-0003"));
}

TEST_F(ListTools, backUpThenRestore_givesTheApItsRecordBack) {
    start(ThreeAps());
    const QString file = dir.filePath(QStringLiteral("ap2.json"));
    select(2, 2);
    dialogs.paths = {file};
    form->BackupClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.contains(file));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto record = tern::form::ReadBackupFile(saved.readAll());
    ASSERT_TRUE(record.has_value());  // what tern-ap-cli restore reads
    EXPECT_EQ(record->bytes(), original[1].record.bytes());

    // the AP changed since
    edit("e_essid")->setText(QStringLiteral("changed"));
    form->b_TernapplyClick();
    network.deliverPending();
    ASSERT_EQ(ap(1).record.ssid(), "changed");
    form->TimerTimer();
    tickRefresh();
    settleRefresh();
    dialogs.messages.clear();

    select(rowNamed(QStringLiteral("TernAP-0002")), rowNamed(QStringLiteral("TernAP-0002")));
    readReviews();
    dialogs.paths = {file};
    form->RestoreClick();
    ASSERT_EQ(reviews.size(), 1);
    EXPECT_TRUE(reviews[0].contains(QStringLiteral("  ssid: changed \u2192 tern-0002")));
    ASSERT_EQ(singleLogins, 2);
    network.deliverPending();
    EXPECT_EQ(ap(1).record.ssid(), "tern-0002");
    EXPECT_TRUE(tern::fleet::DiffRecords(original[1].record, ap(1).record).isEmpty());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ListTools, backUpSeveral_oneFileEachInTheFolder_restoreRefusesAForeignFile) {
    start(ThreeAps());
    select(1, 3);
    dialogs.paths = {dir.path()};
    form->BackupClick();
    ASSERT_EQ(dialogs.pathQuestions.size(), 1u);
    EXPECT_EQ(dialogs.pathQuestions[0].kind, gui::DialogSeam::PathQuestion::Kind::Folder);
    // into a new folder named by the time, so that no earlier backup is replaced
    const QStringList made = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(made.size(), 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(QFile::exists(dir.filePath(made[0] + u'/' + Mac(i) + QStringLiteral(".json"))))
            << i;
    }
    const QString foreign = dir.filePath(QStringLiteral("notes.json"));
    QFile notes(foreign);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("{\"format\": \"something else\"}");
    notes.close();
    select(1, 1);
    dialogs.messages.clear();
    dialogs.paths = {foreign};
    form->RestoreClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("This file is not a backup of an access point:")));
    EXPECT_EQ(dialogs.reviewsShown, 0);
    EXPECT_TRUE(sets().empty());
}

// ---------------------------------------------------------------- keyboard

TEST_F(ListTools, everyControlHasAnAccessibleName) {
    startWith(3);
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if ((control->focusPolicy() & Qt::TabFocus) == 0 || control->window() != form.get())
            continue;
        EXPECT_FALSE(control->accessibleName().isEmpty())
            << control->objectName().toStdString() << " " << control->metaObject()->className();
        // a name for people, never the control's name in the code
        EXPECT_NE(control->accessibleName(), control->objectName())
            << control->metaObject()->className();
    }
    // a field is named by its caption, a row of numbers by the place too
    EXPECT_EQ(edit("e_ip_2")->accessibleName(), label("i_l_ip")->text() + QStringLiteral(" 2"));
    EXPECT_EQ(grid->accessibleName(), QStringLiteral("Access point list"));
}

TEST_F(ListTools, accessibleNames_fromTheCaptionOfEachField_whateverIsShown) {
    useLanguageFile(
        "[AP]\r\nRemoteAPMAC=Remote AP MAC\r\nRemoteBridgeMAC=Remote bridge MAC\r\n"
        "RemoteAPssid=Remote SSID\r\n");
    startWith(3);
    // captions hidden while the names were given (the WPA fields, the remote
    // AP's) name their fields all the same
    EXPECT_EQ(edit("wpa_m_p")->accessibleName(), QStringLiteral("Passphrase"));
    EXPECT_EQ(edit("wpa_m_c")->accessibleName(), QStringLiteral("Confirmed Passphrase"));
    EXPECT_EQ(edit("e_rm_mac")->accessibleName(), QStringLiteral("Remote AP MAC"));
    // the second RADIUS server's fields say which server
    EXPECT_EQ(edit("e_8_ipS2")->accessibleName(), QStringLiteral("RADIUS Server 2, IP Address 2"));
    EXPECT_EQ(edit("e_8_port1")->accessibleName(), QStringLiteral("RADIUS Server 1, Port"));
    // the shared remote caption follows the operating mode
    w("Img_ApSet_up")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w("Img_ApSet_up"), Qt::Key_Space);
    ASSERT_EQ(page(), 1);
    QTest::mouseClick(radio("r_apmode3"), Qt::LeftButton);
    ASSERT_TRUE(radio("r_apmode3")->isChecked());
    EXPECT_EQ(edit("e_rm_mac")->accessibleName(), QStringLiteral("Remote bridge MAC"));
    QTest::mouseClick(radio("r_apmode2"), Qt::LeftButton);
    EXPECT_EQ(edit("e_RemoteSSID")->accessibleName(), QStringLiteral("Remote SSID"));
}

TEST_F(ListTools, tabGoesThroughThePageInReadingOrder_andThePicturesTakeSpace) {
    startWith(3);
    QWidget* ipButton = w("Img_IpSet_up");
    ipButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ipButton, Qt::Key_Space);
    ASSERT_EQ(page(), 2);
    QWidget* previous = QApplication::focusWidget();
    ASSERT_NE(previous, nullptr);
    QWidget* pageWidget = w("Tab3");
    int stops = 0;
    while (pageWidget->isAncestorOf(QApplication::focusWidget()) && stops < 40) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        if (!pageWidget->isAncestorOf(next)) break;
        const QPoint a = previous->mapTo(pageWidget, QPoint(0, 0));
        const QPoint b = next->mapTo(pageWidget, QPoint(0, 0));
        EXPECT_TRUE(b.y() > a.y() + 6 || (std::abs(b.y() - a.y()) <= 6 && b.x() > a.x()))
            << previous->objectName().toStdString() << " -> " << next->objectName().toStdString();
        previous = next;
        ++stops;
    }
    EXPECT_GT(stops, 3);
}

TEST_F(ListTools, enterOnARow_showsThatApAgain) {
    startWith(3);
    select(2, 2);
    edit("e_essid")->setText(QStringLiteral("typed"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(edit("e_essid")->text(), QStringLiteral("tern-0002"));
    EXPECT_EQ(page(), 0);
}

}  // namespace
}  // namespace tern::test::apply_fixture
