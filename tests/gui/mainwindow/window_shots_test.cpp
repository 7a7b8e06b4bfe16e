// Pictures of the main window's five pages, for looking at the layout.
// Written only when TERN_SHOTS_DIR names a folder; TERN_SHOTS_LANG may name
// a language file, TERN_SHOTS_COMPACT asks for the compact layout.
#include <QCheckBox>
#include <QDir>
#include <QPixmap>

#include "gui/widgets/tquill_grid.h"
#include "tests/gui/mainwindow/main_window_support.h"

using tern::test::MainWindowTest;

TEST_F(MainWindowTest, shots_fivePages) {
    const QString out = qEnvironmentVariable("TERN_SHOTS_DIR");
    if (out.isEmpty()) {
        GTEST_SKIP() << "TERN_SHOTS_DIR not set";
    }
    ASSERT_TRUE(QDir().mkpath(out));
    const QString language = qEnvironmentVariable("TERN_SHOTS_LANG");
    if (!language.isEmpty()) {
        form->lang_file = language;
    }
    form->FormActivate();
    // a listed AP, so that the pages show what they look like in use
    label("l_ap")->setText(QStringLiteral("Access Point"));
    label("l_essid")->setText(QStringLiteral("Wireless"));
    label("l_ip")->setText(QStringLiteral("192.168.1.250"));
    label("l_mac")->setText(QStringLiteral("00-0E-2E-12-34-56"));
    label("l_ch")->setText(QStringLiteral("6"));
    label("l_wep")->setText(QStringLiteral("Disable"));
    auto* grid = w<tern::gui::TQuillGrid>("l_title");
    grid->setCell(0, 1, QStringLiteral("Access Point"));
    grid->setCell(1, 1, QStringLiteral("00-0E-2E-12-34-56"));
    grid->setCell(2, 1, QStringLiteral("Wireless"));
    grid->setCell(3, 1, QStringLiteral("No"));
    const bool compact = qEnvironmentVariableIsSet("TERN_SHOTS_COMPACT");
    if (compact) {
        screen.setSize(QSize(640, 480));
        form->SettingChange();
    }
    for (int page = 0; page < 5; ++page) {
        form->l_statusClick(form->NavLabel(page));
        form->UpdateNavImages();
        const QString name = QStringLiteral("%1/page-%2%3.png")
                                 .arg(out)
                                 .arg(page + 1)
                                 .arg(compact ? QStringLiteral("-compact") : QString());
        EXPECT_TRUE(form->grab().save(name)) << qPrintable(name);
    }
    // the pages in their other states
    form->l_statusClick(form->NavLabel(1));
    radio("r_apmode3")->setChecked(true);
    form->r_apmode1Click(radio("r_apmode3"));
    EXPECT_TRUE(form->grab().save(out + QStringLiteral("/page-2-bridge.png")));
    form->l_statusClick(form->NavLabel(3));
    w<QCheckBox>("chb_encry")->setChecked(true);
    form->chb_encryClick();
    EXPECT_TRUE(form->grab().save(out + QStringLiteral("/page-4-wep.png")));
    combo("s_auth")->setCurrentIndex(3);
    form->s_authChange();
    EXPECT_TRUE(form->grab().save(out + QStringLiteral("/page-4-wpa-psk.png")));
}
