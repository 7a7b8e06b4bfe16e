#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>

#include "core/text/caption_tables.h"
#include "gui/mainwindow/tform4.h"
#include "gui/widgets/tquill_grid.h"
#include "tests/gui/mainwindow/main_window_support.h"

using tern::gui::EditColour;
using tern::gui::FontColour;
using tern::gui::HintOf;
using tern::gui::TagOf;
using tern::test::MainWindowTest;
using Answer = tern::gui::DialogSeam::Answer;

namespace {

const QColor kGrey(128, 128, 128);
const QColor kBlack(0, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);

const char* const kNavNames[] = {"l_status", "l_apSet", "l_ipSet", "l_wepSet", "l_802"};
const char* const kImages[] = {"Img_LinkInfo", "Img_ApSet", "Img_IpSet", "Img_WepSet", "Img_1xSet"};

void Type(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

}  // namespace

// ---------------------------------------------------------------- navigation

class Navigation : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->FormActivate();
    }
    QString upDownState() const {
        QString s;
        for (const char* img : kImages) {
            const QString n = QString::fromLatin1(img);
            s += shown(qPrintable(n + QStringLiteral("_up"))) ? u'U' : u'-';
            s += shown(qPrintable(n + QStringLiteral("_down"))) ? u'D' : u'-';
        }
        return s;
    }
    int page() const { return w<QStackedWidget>("PageControl1")->currentIndex(); }
};

TEST_F(Navigation, afterStartUp_upImagesOnly_statusBlueWithMarker) {
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(upDownState(), QStringLiteral("U-U-U-U-U-"));
    EXPECT_EQ(FontColour(label("l_status")), kBlue);
    EXPECT_EQ(HintOf(label("l_status")), QStringLiteral("1"));
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(FontColour(label(kNavNames[i])), kGrey) << kNavNames[i];
        EXPECT_TRUE(HintOf(label(kNavNames[i])).isEmpty());
        EXPECT_EQ(TagOf(label(kNavNames[i])), i);
    }
}

TEST_F(Navigation, img1xSetUp_showsPage4AndMovesTheMarker) {
    form->Img_1xSet_upClick();
    EXPECT_EQ(page(), 4);
    EXPECT_EQ(FontColour(label("l_802")), kBlack);
    EXPECT_EQ(HintOf(label("l_802")), QStringLiteral("1"));
    EXPECT_EQ(FontColour(label("l_status")), kGrey);
    EXPECT_TRUE(HintOf(label("l_status")).isEmpty());
    EXPECT_EQ(upDownState(), QStringLiteral("U-U-U-U--D"));
}

TEST_F(Navigation, imgLinkInfoUpRightAfterStartUp_keepsPage0AndPressesItsImage) {
    form->Img_LinkInfo_upClick();
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(FontColour(label("l_status")), kBlack);
    EXPECT_EQ(HintOf(label("l_status")), QStringLiteral("1"));
    EXPECT_EQ(upDownState(), QStringLiteral("-DU-U-U-U-"));
}

TEST_F(Navigation, everyUpImageReachesItsPage) {
    const auto click = [this](int page) {
        switch (page) {
            case 0:
                form->Img_LinkInfo_upClick();
                break;
            case 1:
                form->Img_ApSet_upClick();
                break;
            case 2:
                form->Img_IpSet_upClick();
                break;
            case 3:
                form->Img_WepSet_upClick();
                break;
            default:
                form->Img_1xSet_upClick();
                break;
        }
    };
    for (int i = 4; i >= 0; --i) {
        click(i);
        EXPECT_EQ(page(), i);
        int marked = 0;
        for (const char* n : kNavNames) {
            marked += HintOf(label(n)) == QStringLiteral("1") ? 1 : 0;
        }
        EXPECT_EQ(marked, 1);
        EXPECT_FALSE(shown(qPrintable(QString::fromLatin1(kImages[i]) + QStringLiteral("_up"))));
    }
}

TEST_F(Navigation, mouseOnUpImage_switchesPage) {
    QWidget* up = w("Img_IpSet_up");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), up->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), up->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(up, &press);
    QCoreApplication::sendEvent(up, &release);
    EXPECT_EQ(page(), 2);
}

TEST_F(Navigation, hover_colorsOnlyLabelsWithoutTheMarker) {
    QLabel* current = label("l_status");
    QLabel* other = label("l_wepSet");
    QEvent enter(QEvent::Enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(other, &enter);
    EXPECT_EQ(FontColour(other), kRed);
    QCoreApplication::sendEvent(other, &leave);
    EXPECT_EQ(FontColour(other), kGrey);
    QCoreApplication::sendEvent(current, &enter);
    EXPECT_EQ(FontColour(current), kBlue);
    QCoreApplication::sendEvent(current, &leave);
    EXPECT_EQ(FontColour(current), kBlue);
}

// ---------------------------------------------------------------- size layouts

class SizeLayouts : public MainWindowTest {
  protected:
    int gridHeight() const { return w("l_title")->height(); }
    int panelHeight() const { return w("Panel1")->height(); }
    int buttonsY() const { return w("b_refresh")->y(); }
};

TEST_F(SizeLayouts, startsTall) {
    EXPECT_EQ(gridHeight(), 87);
    EXPECT_EQ(panelHeight(), 447);
    EXPECT_EQ(buttonsY(), 469);
    EXPECT_EQ(w("b_Ternapply")->y(), 469);
    EXPECT_EQ(w("b_close")->y(), 469);
}

TEST_F(SizeLayouts, smallScreen_resizeTo450_compact) {
    screen.setSize(QSize(640, 480));
    form->FormCanResize(450);
    EXPECT_EQ(gridHeight(), 61);
    EXPECT_EQ(panelHeight(), 397);
    EXPECT_EQ(buttonsY(), 405);
    EXPECT_EQ(w("b_close")->y(), 405);
    EXPECT_EQ(form->currentLayout(), tern::form::SizeLayout::Compact);
}

TEST_F(SizeLayouts, largeScreen_resizeTo450_staysTall) {
    form->FormCanResize(450);
    EXPECT_EQ(gridHeight(), 87);
    EXPECT_EQ(buttonsY(), 469);
}

TEST_F(SizeLayouts, settingChange_followsTheScreen) {
    screen.setSize(QSize(640, 480));
    form->SettingChange();
    EXPECT_EQ(panelHeight(), 397);
    screen.setSize(QSize(700, 500));
    form->SettingChange();
    EXPECT_EQ(panelHeight(), 447);
    EXPECT_EQ(buttonsY(), 469);
    screen.setSize(QSize(1024, 499));
    form->SettingChange();
    EXPECT_EQ(gridHeight(), 61);
}

TEST_F(SizeLayouts, tallLayout_windowTwoPixelsTaller_compactKeepsTheHeight) {
    EXPECT_EQ(form->height(), 512);  // start-up's size until a layout is chosen
    form->SettingChange();
    EXPECT_EQ(form->size(), QSize(520, 514));  // outer height 544 with the 30-pixel frame
    screen.setSize(QSize(640, 480));
    form->SettingChange();
    EXPECT_EQ(form->currentLayout(), tern::form::SizeLayout::Compact);
    EXPECT_EQ(form->height(), 514);
}

TEST(SizeLayoutRule, resizeBranches) {
    using tern::form::LayoutOnResize;
    using tern::form::SizeLayout;
    EXPECT_EQ(LayoutOnResize(450, 542, QSize(640, 480)), SizeLayout::Compact);
    EXPECT_EQ(LayoutOnResize(499, 542, QSize(1024, 480)), SizeLayout::Compact);
    EXPECT_EQ(LayoutOnResize(500, 542, QSize(640, 480)), std::nullopt);
    EXPECT_EQ(LayoutOnResize(542, 450, QSize(1024, 768)), SizeLayout::Tall);
    EXPECT_EQ(LayoutOnResize(450, 542, QSize(1024, 768)), std::nullopt);
    // exactly 700 x 500 is neither smaller nor larger
    EXPECT_EQ(LayoutOnResize(542, 450, QSize(700, 500)), std::nullopt);
}

// ---------------------------------------------------------------- AP page text

TEST_F(MainWindowTest, ssidMirroring_bothWays_stopsAfterOneStep) {
    QLineEdit* essid = edit("e_essid");
    QLineEdit* remote = edit("e_RemoteSSID");
    int essidChanges = 0;
    int remoteChanges = 0;
    QObject::connect(essid, &QLineEdit::textChanged, essid, [&] { ++essidChanges; });
    QObject::connect(remote, &QLineEdit::textChanged, remote, [&] { ++remoteChanges; });
    essid->setText(QStringLiteral("Office"));
    EXPECT_EQ(remote->text(), QStringLiteral("Office"));
    EXPECT_EQ(essidChanges, 1);
    EXPECT_EQ(remoteChanges, 1);
    remote->setText(QStringLiteral("Lab"));
    EXPECT_EQ(essid->text(), QStringLiteral("Lab"));
    EXPECT_EQ(essidChanges, 2);
    EXPECT_EQ(remoteChanges, 2);
}

TEST_F(MainWindowTest, remoteMacKeys_0aColonB_enter0AB) {
    form->FormActivate();
    form->r_apmode1Click(radio("r_apmode3"));
    QLineEdit* mac = edit("e_rm_mac");
    ASSERT_TRUE(mac->isEnabled());
    mac->setCursorPosition(0);
    Type(mac, Qt::Key_0, QStringLiteral("0"));
    Type(mac, Qt::Key_A, QStringLiteral("a"));
    Type(mac, Qt::Key_Colon, QStringLiteral(":"));
    Type(mac, Qt::Key_B, QStringLiteral("b"));
    EXPECT_TRUE(mac->displayText().startsWith(QStringLiteral("0A-B_-")))
        << qPrintable(mac->displayText());
    EXPECT_FALSE(mac->text().contains(u':'));
    Type(mac, Qt::Key_G, QStringLiteral("g"));
    Type(mac, Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_TRUE(mac->displayText().startsWith(QStringLiteral("0A-__-")))
        << qPrintable(mac->displayText());
}

TEST(RemoteMacFilter, passesHexAndBackspace_dropsTheRest) {
    using tern::form::FilterRemoteMacKey;
    EXPECT_EQ(FilterRemoteMacKey(u'a'), QChar(u'A'));
    EXPECT_EQ(FilterRemoteMacKey(u'f'), QChar(u'F'));
    EXPECT_EQ(FilterRemoteMacKey(u'F'), QChar(u'F'));
    EXPECT_EQ(FilterRemoteMacKey(u'9'), QChar(u'9'));
    EXPECT_EQ(FilterRemoteMacKey(u'\b'), QChar(u'\b'));
    for (char16_t c : {u'g', u'G', u':', u'-', u' ', u'\r', u'\x16', u'\u00e4'}) {
        EXPECT_EQ(FilterRemoteMacKey(QChar(c)), std::nullopt) << int(c);
    }
}

// ---------------------------------------------------------------- captions

namespace {

const QByteArray kTestLanguage =
    "[GLOBAL]\r\n"
    "Title=Test Utility\r\n"
    "Apply=Uebernehmen\r\n"
    "application=Demo Tool\r\n"
    "link=Zustand\r\n"
    "apname=Name\r\nmacaddr=MAC\r\nssid=SSID\r\nwep=WEP\r\n"
    "[8021x]\r\n"
    "8021x=Radius page\r\n"
    "Encryption=Key\r\n"
    "chk8021x=On\r\n"
    "lenght=Len\r\n"
    "lifetime=Life\r\n"
    "lifetime1=L1\r\nlifetime2=L2\r\nlifetime3=L3\r\nlifetime4=L4\r\nlifetime5=L5\r\n"
    "lifetime6=L6\r\n"
    "keylength1=K64\r\nkeylength2=K128\r\n"
    "radius1=Server one\r\n"
    "radiusOption=Optional\r\n"
    "ip1=Addr 1\r\nip2=Addr 2\r\nport1=Port 1\r\nport2=Port 2\r\n"
    "shared1=Secret 1\r\nshared2=Secret 2\r\n"
    "[WEP]\r\n"
    "Wep_Set64=Short\r\nWep_Set128=Long\r\n";

QStringList Items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) {
        out << c->itemText(i);
    }
    return out;
}

}  // namespace

TEST_F(MainWindowTest, captions_8021xSectionFromTheFile_missingKeyGivesDefault) {
    useLanguageFile(kTestLanguage);
    form->FormActivate();
    EXPECT_EQ(label("l_802_1x")->text(), QStringLiteral("Radius page"));
    EXPECT_EQ(label("l_Encryption_key")->text(), QStringLiteral("Key"));
    EXPECT_EQ(w<QCheckBox>("Chk_8021x")->text(), QStringLiteral("On"));
    EXPECT_EQ(label("l_8_lenghth")->text(), QStringLiteral("Len"));
    EXPECT_EQ(label("l_8_lifetime")->text(), QStringLiteral("Life"));
    EXPECT_EQ(label("l_8_radius1")->text(), QStringLiteral("Server one"));
    EXPECT_EQ(label("l_8_radius2")->text(), QStringLiteral(" RADIUS Server 2"));  // not in the file
    EXPECT_EQ(label("l_8_radius2option")->text(), QStringLiteral("Optional"));
    EXPECT_EQ(label("l_8_ip1")->text(), QStringLiteral("Addr 1"));
    EXPECT_EQ(label("l_8_ip2")->text(), QStringLiteral("Addr 2"));
    EXPECT_EQ(label("l_8_port1")->text(), QStringLiteral("Port 1"));
    EXPECT_EQ(label("l_8_port2")->text(), QStringLiteral("Port 2"));
    EXPECT_EQ(label("l_8_shared1")->text(), QStringLiteral("Secret 1"));
    EXPECT_EQ(label("l_8_shared2")->text(), QStringLiteral("Secret 2"));
    EXPECT_EQ(Items(combo("c_8_lifetime")),
              (QStringList{QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3"),
                           QStringLiteral("L4"), QStringLiteral("L5"), QStringLiteral("L6")}));
    EXPECT_EQ(Items(combo("c_8_keylength")),
              (QStringList{QStringLiteral("K64"), QStringLiteral("K128")}));
}

TEST_F(MainWindowTest, captions_globalRowsWithTheirOwnRules) {
    useLanguageFile(kTestLanguage);
    form->FormActivate();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Test Utility"));
    EXPECT_EQ(w<QPushButton>("b_Ternapply")->text(), QStringLiteral("Uebernehmen"));
    EXPECT_EQ(w<QPushButton>("b_apply")->text(), QStringLiteral("Uebernehmen"));
    EXPECT_EQ(label("l_appName")->text(), QStringLiteral("  Demo Tool"));
    EXPECT_EQ(label("l_status")->text(), QStringLiteral("Zustand"));
    EXPECT_EQ(FontColour(label("l_status")), kBlue);
    auto* grid = w<tern::gui::TQuillGrid>("l_title");
    EXPECT_EQ(grid->Cells(0, 0), QStringLiteral("Name"));
    EXPECT_EQ(grid->Cells(1, 0), QStringLiteral("MAC"));
    EXPECT_EQ(grid->Cells(2, 0), QStringLiteral("SSID"));
    EXPECT_EQ(grid->Cells(3, 0), QStringLiteral("WEP"));
    EXPECT_EQ(grid->Cells(4, 0), QString());
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(w<QPushButton>("b_refresh")->text(), QStringLiteral("Refresh"));  // default
}

TEST_F(MainWindowTest, captions_noLanguageFile_defaultsEverywhere) {
    form->lang_file = dir.filePath(QStringLiteral("missing.ini"));
    form->FormActivate();
    auto* grid = w<tern::gui::TQuillGrid>("l_title");
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(grid->Cells(c, 0), QStringLiteral("WEP Setting"));
    }
    EXPECT_EQ(label("l_appName")->text(), QStringLiteral("  AP Utility"));
    EXPECT_EQ(label("l_link")->text(), QStringLiteral("WEP Setting"));
    EXPECT_EQ(w("Tab1")->windowTitle(), QStringLiteral("Status"));
    EXPECT_EQ(radio("r_apmode2")->text(), QStringLiteral("Access Point Client"));
    EXPECT_EQ(Items(combo("s_auth")).size(), 4);
}

TEST_F(MainWindowTest, captions_everyRowOfTheTableHasItsControl) {
    for (const tern::text::CaptionEntry& row : tern::text::MainWindowCaptions()) {
        const QString target(row.target);
        const bool found = target == form->objectName() || form->findChild<QObject*>(target);
        EXPECT_TRUE(found) << qPrintable(target);
    }
}

TEST_F(MainWindowTest, fixedLists_filledOnce_evenWhenLoadedTwice) {
    form->FormActivate();
    form->FormActivate();
    form->LoadCaptions();
    EXPECT_EQ(combo("s_auth")->count(), 4);
    EXPECT_EQ(combo("c_8_lifetime")->count(), 6);
    EXPECT_EQ(combo("c_8_keylength")->count(), 2);
    EXPECT_EQ(combo("s_wep_1")->count(), 2);
    EXPECT_EQ(combo("s_extended")->count(), 2);
}

// ---------------------------------------------------------------- defaults

TEST_F(MainWindowTest, defaultsAfterFirstActivation) {
    form->FormActivate();
    EXPECT_EQ(edit("e_essid")->text(), QStringLiteral("Wireless"));
    EXPECT_EQ(edit("e_RemoteSSID")->text(), QStringLiteral("Wireless"));
    EXPECT_EQ(edit("e_apname")->text(), QStringLiteral("Access Point"));
    EXPECT_EQ(combo("s_extended")->currentIndex(), 0);
    EXPECT_TRUE(radio("r_apmode1")->isChecked());
    EXPECT_FALSE(shown("a_l_remote"));
    EXPECT_FALSE(shown("e_rm_mac"));
    EXPECT_FALSE(shown("e_RemoteSSID"));
    EXPECT_FALSE(edit("e_rm_mac")->isEnabled());
    EXPECT_EQ(EditColour(edit("e_rm_mac")), kSilver);

    EXPECT_TRUE(radio("i_r_ip")->isChecked());
    EXPECT_EQ(ip("e_ip_"), QStringLiteral("192.168.1.250"));
    EXPECT_EQ(ip("e_submask_"), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(ip("e_gateway_"), QStringLiteral("0.0.0.0"));
    EXPECT_TRUE(edit("e_ip_1")->isEnabled());
    EXPECT_EQ(EditColour(edit("e_ip_1")), kWhite);
    EXPECT_TRUE(w("chB_dhcp_srv")->isEnabled());

    EXPECT_EQ(combo("c_8_lifetime")->currentIndex(), 0);
    EXPECT_EQ(combo("c_8_keylength")->currentIndex(), 0);

    EXPECT_EQ(combo("s_auth")->currentIndex(), 0);
    EXPECT_FALSE(combo("s_auth")->isEnabled());
    EXPECT_TRUE(shown("e_key1"));
    EXPECT_FALSE(shown("wpa_m_p"));
    EXPECT_EQ(combo("s_wep_1")->currentIndex(), 0);
    EXPECT_TRUE(radio("w_r_hex")->isChecked());
    for (const char* name : {"w_r_hex", "w_r_ascii", "e_pass", "w_b_gen"}) {
        EXPECT_FALSE(w(name)->isEnabled()) << name;
    }
    for (int n = 1; n <= 4; ++n) {
        QLineEdit* key = edit(qPrintable(QStringLiteral("e_key%1").arg(n)));
        EXPECT_TRUE(key->text().trimmed().isEmpty()) << n;
        EXPECT_FALSE(key->isEnabled());
        EXPECT_EQ(TagOf(key), 5);
        EXPECT_FALSE(w(qPrintable(QStringLiteral("w_rb_key%1").arg(n)))->isEnabled());
    }
    EXPECT_EQ(form->more_rate, 1);
    EXPECT_EQ(form->more_bcast, 0);
    EXPECT_EQ(form->more_11g_only, 0);
    EXPECT_EQ(form->more_wds, 0);
    EXPECT_EQ(form->flag_word_state, 0);
    EXPECT_EQ(form->more_beacon, QStringLiteral("100"));
    EXPECT_EQ(form->more_rts, QStringLiteral("2432"));
    EXPECT_EQ(form->more_frag, QStringLiteral("2346"));
    EXPECT_EQ(form->more_dtim, QStringLiteral("3"));
}

TEST_F(MainWindowTest, bDefault_afterChanges_resetsFieldsButKeepsSupergAndTxpower) {
    form->FormActivate();
    form->more_superg = 2;
    form->more_txpower = 3;
    form->extended_lock = 1;
    form->more_rate = 7;
    form->more_beacon = QStringLiteral("50");
    edit("e_essid")->setText(QStringLiteral("Other"));
    radio("r_apmode3")->setChecked(true);
    form->r_apmode1Click(radio("r_apmode3"));
    radio("i_r_dhcp")->setChecked(true);
    form->i_r_dhcpClick();
    edit("e_8_port1")->setText(QStringLiteral("1812"));

    form->b_defaultClick();
    EXPECT_EQ(form->more_superg, 2);
    EXPECT_EQ(form->more_txpower, 3);
    EXPECT_EQ(form->extended_lock, 1);
    EXPECT_EQ(form->more_rate, 1);
    EXPECT_EQ(form->more_beacon, QStringLiteral("100"));
    EXPECT_EQ(edit("e_essid")->text(), QStringLiteral("Wireless"));
    EXPECT_TRUE(radio("r_apmode1")->isChecked());
    EXPECT_FALSE(shown("e_rm_mac"));
    EXPECT_TRUE(radio("i_r_ip")->isChecked());
    EXPECT_TRUE(edit("e_ip_1")->isEnabled());
    EXPECT_EQ(edit("e_8_port1")->text(), QStringLiteral("1812"));  // not a default
}

// ---------------------------------------------------------------- control state

TEST_F(MainWindowTest, operatingModes_remoteFieldAndItsCaption) {
    form->FormActivate();
    form->r_apmode1Click(radio("r_apmode3"));
    EXPECT_TRUE(shown("a_l_remote"));
    EXPECT_TRUE(shown("e_rm_mac"));
    EXPECT_FALSE(shown("e_RemoteSSID"));
    EXPECT_TRUE(edit("e_rm_mac")->isEnabled());
    EXPECT_EQ(EditColour(edit("e_rm_mac")), kWhite);
    EXPECT_EQ(label("a_l_remote")->text(), QStringLiteral("AP Settings"));
    edit("e_rm_mac")->setText(QStringLiteral("00-11-22-33-44-55"));

    form->r_apmode1Click(radio("r_apmode5"));
    EXPECT_TRUE(shown("e_RemoteSSID"));
    EXPECT_FALSE(shown("e_rm_mac"));
    EXPECT_TRUE(edit("e_RemoteSSID")->isEnabled());

    form->r_apmode1Click(radio("r_apmode4"));
    EXPECT_FALSE(shown("a_l_remote"));
    EXPECT_FALSE(shown("e_rm_mac"));
    EXPECT_FALSE(edit("e_rm_mac")->isEnabled());
    EXPECT_EQ(EditColour(edit("e_RemoteSSID")), kSilver);
    EXPECT_EQ(edit("e_rm_mac")->text(), QStringLiteral("00-11-22-33-44-55"));
}

TEST_F(MainWindowTest, dhcpClient_disablesServerBoxAndGreysItsFields) {
    form->FormActivate();
    w<QCheckBox>("chB_dhcp_srv")->setChecked(true);
    form->chB_dhcp_srvClick();
    EXPECT_TRUE(edit("e_dhcp_from_1")->isEnabled());
    EXPECT_EQ(FontColour(label("i_l_dns")), kBlack);

    radio("i_r_dhcp")->setChecked(true);
    form->i_r_dhcpClick();
    EXPECT_FALSE(w("chB_dhcp_srv")->isEnabled());
    EXPECT_TRUE(w<QCheckBox>("chB_dhcp_srv")->isChecked());
    EXPECT_FALSE(edit("e_dhcp_to_4")->isEnabled());
    EXPECT_EQ(EditColour(edit("e_dns_2")), kSilver);
    EXPECT_EQ(FontColour(label("i_l_dhcp_from")), kGrey);
    EXPECT_FALSE(edit("e_ip_3")->isEnabled());
    EXPECT_FALSE(label("i_l_gateway")->isEnabled());

    edit("e_submask_2")->setText(QStringLiteral("0"));
    form->i_r_dhcpClick();  // as a change of the channel list runs it
    EXPECT_EQ(ip("e_submask_"), QStringLiteral("255.255.255.0"));
}

TEST_F(MainWindowTest, dot1xOff_disablesTheRadiusFieldsAndKeepsTheirTexts) {
    form->FormActivate();
    edit("e_8_shared2")->setText(QStringLiteral("secret"));
    w<QCheckBox>("Chk_8021x")->setChecked(false);
    form->Chk_8021xClick();
    for (const char* name : {"e_8_ip1", "e_8_ipS4", "e_8_port2", "e_8_shared2", "c_8_lifetime",
                             "l_8_radius2option", "l_Encryption_key"}) {
        EXPECT_FALSE(w(name)->isEnabled()) << name;
    }
    EXPECT_EQ(edit("e_8_shared2")->text(), QStringLiteral("secret"));
    w<QCheckBox>("Chk_8021x")->setChecked(true);
    form->Chk_8021xClick();
    EXPECT_TRUE(w("e_8_ipS4")->isEnabled());
}

TEST_F(MainWindowTest, authTypes_showTheirControls) {
    form->FormActivate();
    QComboBox* auth = combo("s_auth");
    auth->setCurrentIndex(2);
    form->s_authChange();
    EXPECT_FALSE(shown("e_key1"));
    EXPECT_FALSE(shown("wpa_m_p"));
    EXPECT_TRUE(shown("wpa_l_h"));
    EXPECT_FALSE(shown("w_l_key"));
    auth->setCurrentIndex(3);
    form->s_authChange();
    EXPECT_TRUE(shown("wpa_m_p"));
    EXPECT_TRUE(shown("wpa_l_c"));
    auth->setCurrentIndex(-1);
    form->s_authChange();  // no selection: nothing changes
    EXPECT_TRUE(shown("wpa_m_p"));
    auth->setCurrentIndex(1);
    form->s_authChange();
    EXPECT_TRUE(shown("e_key4"));
    EXPECT_TRUE(shown("w_l_key"));
    EXPECT_FALSE(shown("wpa_l_h"));
}

// ---------------------------------------------------------------- WEP keys

class WepKeys : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->FormActivate();
        w<QCheckBox>("chb_encry")->setChecked(true);
        form->chb_encryClick();
        form->key_edited = {};
    }
    QLineEdit* key(int n) const { return edit(qPrintable(QStringLiteral("e_key%1").arg(n))); }
};

TEST_F(WepKeys, encryptionOn_enablesKeysAndAuth) {
    EXPECT_TRUE(key(1)->isEnabled());
    EXPECT_TRUE(w("w_r_ascii")->isEnabled());
    EXPECT_TRUE(combo("s_auth")->isEnabled());
    EXPECT_EQ(key(1)->inputMask(), QStringLiteral(">HH HH HH HH HH;_"));
}

TEST_F(WepKeys, hexToAscii_emptiesAndReformats_andBack) {
    key(2)->setText(QStringLiteral("0102030405"));
    radio("w_r_ascii")->setChecked(true);
    form->w_r_hexClick(radio("w_r_ascii"));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_TRUE(key(n)->text().isEmpty());
        EXPECT_TRUE(key(n)->inputMask().isEmpty());
        EXPECT_EQ(key(n)->maxLength(), 5);
        EXPECT_TRUE(form->key_edited[static_cast<std::size_t>(n - 1)]);
    }
    EXPECT_FALSE(w("e_pass")->isEnabled());
    EXPECT_FALSE(w("w_b_gen")->isEnabled());
    EXPECT_EQ(TagOf(w("w_b_gen")), 2);

    key(1)->setText(QStringLiteral("abcde"));
    radio("w_r_hex")->setChecked(true);
    form->w_r_hexClick(radio("w_r_hex"));
    EXPECT_TRUE(key(1)->text().trimmed().isEmpty());
    EXPECT_FALSE(key(1)->inputMask().isEmpty());
    EXPECT_TRUE(w("e_pass")->isEnabled());
    EXPECT_EQ(EditColour(edit("e_pass")), kWhite);
    EXPECT_TRUE(w("w_b_gen")->isEnabled());
    EXPECT_EQ(TagOf(w("w_b_gen")), 1);
}

TEST_F(WepKeys, clickingTheRepresentationInForce_onlySetsTheFlags) {
    key(3)->setText(QStringLiteral("AABBCCDDEE"));
    form->w_r_hexClick(radio("w_r_hex"));
    EXPECT_EQ(key(3)->text(), QStringLiteral("AA BB CC DD EE"));
    EXPECT_TRUE(form->key_edited[0] && form->key_edited[3]);
}

TEST_F(WepKeys, lengthChange_emptiesKeysAndFormats128) {
    key(1)->setText(QStringLiteral("AABBCCDDEE"));
    key(1)->setEchoMode(QLineEdit::Password);
    combo("s_wep_1")->setCurrentIndex(1);
    form->s_wep_1Change();
    for (int n = 1; n <= 4; ++n) {
        EXPECT_TRUE(key(n)->text().trimmed().isEmpty());
        EXPECT_EQ(TagOf(key(n)), 13);
        EXPECT_EQ(key(n)->inputMask().count(u'H'), 26);
        EXPECT_EQ(key(n)->echoMode(), QLineEdit::Normal);
    }
    EXPECT_TRUE(form->key_edited[1]);
}

TEST_F(WepKeys, maskSecretFields_starsKeysAndPassphrase) {
    form->MaskSecretFields();
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(key(n)->echoMode(), QLineEdit::Password);
    }
    EXPECT_EQ(edit("e_pass")->echoMode(), QLineEdit::Password);
}

TEST_F(WepKeys, encryptionOff_putsAuthBackToItem0) {
    QComboBox* auth = combo("s_auth");
    auth->setCurrentIndex(3);
    form->s_authChange();
    w<QCheckBox>("chb_encry")->setChecked(false);
    form->chb_encryClick();
    EXPECT_EQ(auth->currentIndex(), 0);
    EXPECT_FALSE(auth->isEnabled());
    EXPECT_TRUE(shown("e_key1"));
    EXPECT_FALSE(shown("wpa_m_p"));
    EXPECT_FALSE(key(1)->isEnabled());
}

TEST(KeyFormats, lengthsAndMasks) {
    using namespace tern::form;
    EXPECT_EQ(KeyBytesForLength(0), 5);
    EXPECT_EQ(KeyBytesForLength(1), 13);
    EXPECT_EQ(KeyBytesForLength(2), 29);
    EXPECT_EQ(KeyBytesForLength(-1), std::nullopt);
    EXPECT_EQ(HexDigitsForLength(2), 58);
    EXPECT_EQ(HexKeyMask(2), QStringLiteral(">HH HH;_"));
    EXPECT_TRUE(HexKeyMask(0).isEmpty());
}

// ---------------------------------------------------------------- start and stop

TEST_F(MainWindowTest, createdState) {
    EXPECT_TRUE(form->old_fw_pending);
    EXPECT_FALSE(form->busy || form->replies_done || form->accept_replies || form->refresh_skip);
    EXPECT_EQ(form->expected_replies, 1000000);
    EXPECT_EQ(form->tick_count, 0);
    EXPECT_FALSE(form->Timer.isActive());
    EXPECT_FALSE(form->Timer_refresh.isActive());
    EXPECT_EQ(form->Timer.interval(), 2000);
    EXPECT_EQ(form->Timer_refresh.interval(), 1500);
    EXPECT_EQ(form->objectName(), QStringLiteral("MainFm"));
    EXPECT_EQ(form->size(), QSize(520, 512));
    EXPECT_EQ(form->languageReader(), nullptr);
    EXPECT_FALSE(socket->isOpen());
    EXPECT_FALSE(shown("b_apply"));
    EXPECT_EQ(w<tern::gui::TQuillGrid>("l_title")->RowCount(), 2);
}

TEST_F(MainWindowTest, firstActivation_opensTheSocketOnTheBroadcastPort_andArmsTheTimer) {
    form->FormActivate();
    EXPECT_EQ(socket->lclPort, 27155);
    EXPECT_EQ(socket->rmtPort, 27155);
    EXPECT_EQ(socket->RmtAddr, QStringLiteral("255.255.255.255"));
    EXPECT_TRUE(socket->isOpen());
    EXPECT_TRUE(form->refresh_skip);
    EXPECT_TRUE(form->Timer.isActive());
    EXPECT_NE(form->languageReader(), nullptr);
}

TEST_F(MainWindowTest, destroy_freesTheReaderThenClosesTheSocket) {
    form->FormActivate();
    bool readerGoneAtClose = false;
    socket->onClose = [&] { readerGoneAtClose = form->languageReader() == nullptr; };
    form->FormDestroy();
    EXPECT_TRUE(readerGoneAtClose);
    EXPECT_EQ(socket->closes, 1);
    socket->onClose = nullptr;
    form.reset();  // destroying does not close twice
}

TEST_F(MainWindowTest, destructor_closesTheSocket) {
    form->FormActivate();
    int closes = 0;
    socket->onClose = [&] { ++closes; };
    form.reset();
    EXPECT_EQ(closes, 1);
}

TEST_F(MainWindowTest, exitQuestion_yesCloses) {
    form->show();
    dialogs.answers.push_back(Answer::Yes);
    form->b_exitClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const auto& m = dialogs.messages.front();
    EXPECT_EQ(m.text, QStringLiteral("\r\nScan"));
    EXPECT_EQ(m.caption, QStringLiteral("Scan"));
    EXPECT_EQ(m.buttons, tern::gui::DialogSeam::Buttons::YesNo);
    EXPECT_EQ(m.icon, tern::gui::DialogSeam::Icon::Warning);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, exitQuestion_noLeavesTheWindow_textsFromTheFile) {
    useLanguageFile("[GLOBAL]\r\nQuitAsk=Really quit?\r\nQuitASKTitle=Quit\r\n");
    form->FormActivate();
    form->show();
    dialogs.answers.push_back(Answer::No);
    form->b_exitClick();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages.front().text, QStringLiteral("\r\nReally quit?"));
    EXPECT_EQ(dialogs.messages.front().caption, QStringLiteral("Quit"));
    EXPECT_TRUE(form->isVisible());
    form->b_closeClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1u);  // no question on close
}

TEST(SecondForm, holdsItsFourControlsAndStaysHidden) {
    tern::gui::TForm4 form4;
    EXPECT_NE(form4.findChild<QGroupBox*>(), nullptr);
    EXPECT_NE(form4.findChild<QLineEdit*>(), nullptr);
    EXPECT_NE(form4.findChild<QPushButton*>(), nullptr);
    EXPECT_NE(form4.findChild<QListWidget*>(), nullptr);
    EXPECT_FALSE(form4.isVisible());
}
