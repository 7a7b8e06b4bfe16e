// Discovery on the main window: showing a record, the receive handler, the
// AP list, the refresh and status timers.
#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <random>
#include <set>

#include "core/form/record_view.h"
#include "core/net/protocol.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "gui/mainwindow/url_opener.h"
#include "gui/widgets/tquill_grid.h"
#include "sim/ap_simulator.h"
#include "sim/in_memory_simulator.h"
#include "tests/gui/mainwindow/main_window_support.h"

using tern::gui::HintOf;
using tern::gui::TagOf;
using tern::gui::TQuillGrid;
using tern::record::ApConfigRecord;
using tern::test::MainWindowTest;
namespace sim = tern::sim;
namespace net = tern::net;

namespace {

const QByteArray kHeader = QByteArrayLiteral("MX9000AP-TRN-G01     -01") + QByteArray(8, '\0');

// A record that shows on every page: fixed address, WEP off.
ApConfigRecord Record(int n = 1) {
    ApConfigRecord r;
    r.set_ap_name("AP-" + QByteArray::number(n));
    r.set_ssid("net-" + QByteArray::number(n));
    r.set_mac_addr({0x00, 0x1A, 0x2B, static_cast<std::uint8_t>(n >> 16),
                    static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    r.set_reg_domain(0x10);
    r.set_channel(6);
    r.set_ip_mode(true);
    r.set_ip_addr({10, 0, 0, 5});
    r.set_current_ip({10, 0, 0, 99});
    r.set_subnet_mask({255, 255, 0, 0});
    r.set_gateway({10, 0, 0, 1});
    r.set_dhcp_pool_start({10, 0, 0, 200});
    r.set_dhcp_pool_size(100);
    r.set_beacon_interval(100);
    r.set_rts_threshold(2347);
    r.set_frag_threshold(2346);
    r.set_dtim_period(3);
    return r;
}

// What ShowRecord takes: header and record in host order.
QByteArray Packet(const ApConfigRecord& r) { return kHeader + r.toByteArray(); }

// What an AP sends in plain: header and record in wire order.
QByteArray Reply(const ApConfigRecord& r) {
    const net::RecordBytes wire = net::SwapRecordOrder(r.bytes());
    return kHeader + QByteArray(reinterpret_cast<const char*>(wire.data()), wire.size());
}

QByteArray ErrorReply(const tern::record::MacAddress& mac) {
    return QByteArrayLiteral("kplerr") + '\0' +
           QByteArray(reinterpret_cast<const char*>(mac.data()), 6) + QByteArray(3, '\0');
}

QByteArray OldFirmwareReply() {
    return QByteArrayLiteral("MX9000AP-QA1-Z00     -01") + QByteArray(100, 'x');
}

class RecordingOpener : public tern::gui::UrlOpener {
  public:
    bool openUrl(const QUrl& url) override {
        opened << url.toString();
        return true;
    }
    QStringList opened;
};

// A window after its first activation: captions loaded, defaults set, the
// first search sent and its own echo received.
class Discovery : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->FormActivate();
        network.deliverPending();
        grid = w<TQuillGrid>("l_title");
    }

    // Lists the replies as one burst and lets the form show the last one.
    void receive(std::initializer_list<QByteArray> datagrams) {
        for (const QByteArray& d : datagrams) {
            form->UDPSocketRecv(d);
        }
        form->ShowPendingRecord();
    }

    QStringList row(int r) const {
        QStringList cells;
        for (int c = 0; c < 4; ++c) {
            cells << grid->Cells(c, r);
        }
        return cells;
    }

    bool enabled(const char* name) const { return w(name)->isEnabled(); }
    int page() const { return w<QStackedWidget>("PageControl1")->currentIndex(); }

    TQuillGrid* grid = nullptr;
};

}  // namespace

// ---------------------------------------------------------------- showing a record

using ShowRecord = Discovery;

TEST_F(ShowRecord, fixedAddressWepOff_fillsEveryPageAndTheListRow) {
    ApConfigRecord r = Record(7);
    r.set_op_mode(2);
    r.set_remote_mac({0xAA, 0xBB, 0xCC, 0x01, 0x02, 0x03});
    r.set_dhcp_server_on(true);
    r.set_dns_server({8, 8, 4, 4});
    r.set_dot1x_on(true);
    r.set_dot1x_key_len(13);
    r.set_dot1x_key_lifetime(900);
    r.set_radius_ip(1, {172, 16, 0, 9});
    r.set_radius_port(1, 1645);
    r.set_radius_secret(1, "s3cret");
    ASSERT_TRUE(form->ShowRecord(Packet(r)));

    EXPECT_EQ(form->list_row, QStringLiteral("AP-7\t00-1A-2B-00-00-07\tnet-7\tNo\t"));
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-7"));
    EXPECT_EQ(label("l_ip")->text(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(label("l_mac")->text(), QStringLiteral("00-1A-2B-00-00-07"));
    EXPECT_EQ(label("l_domn")->text(), QStringLiteral("FCC"));
    EXPECT_EQ(label("l_ch")->text(), QStringLiteral("6"));
    EXPECT_EQ(label("l_wep")->text(), QStringLiteral("Disable"));
    EXPECT_EQ(combo("s_ch")->count(), 11);
    EXPECT_EQ(combo("s_ch")->currentText(), QStringLiteral("6"));
    EXPECT_EQ(ip("e_ip_"), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(ip("e_submask_"), QStringLiteral("255.255.0.0"));
    EXPECT_EQ(ip("e_gateway_"), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(ip("e_dhcp_from_"), QStringLiteral("10.0.0.200"));
    EXPECT_EQ(ip("e_dhcp_to_"), QStringLiteral("10.0.0.254"));
    EXPECT_EQ(ip("e_dns_"), QStringLiteral("8.8.4.4"));
    EXPECT_TRUE(w<QCheckBox>("chB_dhcp_srv")->isEnabled());
    EXPECT_TRUE(edit("e_dhcp_from_1")->isEnabled());
    EXPECT_TRUE(radio("i_r_ip")->isChecked());
    EXPECT_TRUE(radio("r_apmode3")->isChecked());
    EXPECT_TRUE(shown("e_rm_mac"));
    EXPECT_FALSE(shown("e_RemoteSSID"));
    EXPECT_EQ(edit("e_rm_mac")->text(), QStringLiteral("AA-BB-CC-01-02-03"));
    EXPECT_EQ(edit("e_essid")->text(), QStringLiteral("net-7"));
    EXPECT_EQ(edit("e_apname")->text(), QStringLiteral("AP-7"));
    EXPECT_TRUE(w<QCheckBox>("Chk_8021x")->isChecked());
    EXPECT_TRUE(edit("e_8_port2")->isEnabled());
    EXPECT_EQ(combo("c_8_keylength")->currentIndex(), 1);
    EXPECT_EQ(combo("c_8_lifetime")->currentIndex(), 4);
    EXPECT_EQ(ip("e_8_ipS"), QStringLiteral("172.16.0.9"));
    EXPECT_EQ(edit("e_8_port2")->text(), QStringLiteral("1645"));
    EXPECT_EQ(edit("e_8_shared2")->text(), QStringLiteral("s3cret"));
    EXPECT_FALSE(w<QCheckBox>("chb_encry")->isChecked());
    EXPECT_EQ(form->more_beacon, QStringLiteral("100"));
    EXPECT_EQ(form->more_dtim, QStringLiteral("3"));
    EXPECT_EQ(form->flag_word_state, 1);
}

TEST_F(ShowRecord, dhcpClient_showsCurrentIpAndResetsTheMask) {
    ApConfigRecord r = Record();
    r.set_ip_mode(false);
    r.set_dhcp_pool_size(10);
    r.set_op_mode(1);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_ip")->text(), QStringLiteral("10.0.0.99"));
    EXPECT_TRUE(radio("i_r_dhcp")->isChecked());
    EXPECT_FALSE(w<QCheckBox>("chB_dhcp_srv")->isEnabled());
    EXPECT_EQ(ip("e_submask_"), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(edit("e_dhcp_to_4")->text(), QStringLiteral("209"));
    EXPECT_FALSE(edit("e_ip_1")->isEnabled());
    EXPECT_TRUE(radio("r_apmode2")->isChecked());
    EXPECT_TRUE(shown("e_RemoteSSID"));
    EXPECT_FALSE(shown("e_rm_mac"));
}

TEST_F(ShowRecord, wep64Hex_keysStayInHintsAndFieldsShowStars) {
    ApConfigRecord r = Record();
    r.set_wep_on(true);
    r.set_wep_key_len(5);
    r.set_wep64_key(0, QByteArray::fromHex("1a2b3c4d5e"));
    r.set_wep64_key(3, QByteArray::fromHex("0000000001"));
    r.set_wep_default_key(3);
    form->key_edited.fill(true);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));

    EXPECT_EQ(form->list_row.section(u'\t', 3, 3), QStringLiteral("Yes"));
    EXPECT_EQ(label("l_wep")->text(), QStringLiteral("64 bits"));
    EXPECT_EQ(combo("s_wep_1")->currentIndex(), 0);
    EXPECT_TRUE(radio("w_r_hex")->isChecked());
    EXPECT_TRUE(radio("w_rb_key4")->isChecked());
    EXPECT_EQ(HintOf(edit("e_key1")), QStringLiteral("1A2B3C4D5E"));
    EXPECT_EQ(HintOf(edit("e_key4")), QStringLiteral("0000000001"));
    EXPECT_EQ(HintOf(edit("e_key2")), QStringLiteral("0000000000"));
    for (const char* name : {"e_key1", "e_key2", "e_key3", "e_key4"}) {
        EXPECT_EQ(edit(name)->text(), QString(10, u'*')) << name;
        EXPECT_EQ(edit(name)->echoMode(), QLineEdit::Password) << name;
        EXPECT_TRUE(edit(name)->toolTip().isEmpty()) << name;
        EXPECT_EQ(TagOf(edit(name)), 5) << name;
    }
    EXPECT_EQ(form->key_edited, (std::array<bool, 4>{}));
}

TEST_F(ShowRecord, wep128Ascii_starsEachKeyOfThirteenCharacters_noneWithAZeroByte) {
    ApConfigRecord r = Record();
    r.set_wep_on(true);
    r.set_wep_key_len(13);
    r.set_wep_key_format(true);
    r.set_wep128_key(0, "tern-wep-key1");
    r.set_wep128_key(1, "short");  // zero bytes after five characters
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_wep")->text(), QStringLiteral("128 bits"));
    EXPECT_TRUE(radio("w_r_ascii")->isChecked());
    EXPECT_EQ(edit("e_key1")->text(), QString(13, u'*'));
    EXPECT_EQ(HintOf(edit("e_key1")), QStringLiteral("7465726E2D7765702D6B657931"));
    EXPECT_EQ(edit("e_key2")->text(), QString(5, u'*'));
    EXPECT_TRUE(edit("e_key3")->text().isEmpty());
    EXPECT_EQ(TagOf(edit("e_key1")), 13);
}

TEST_F(ShowRecord, wep128Hex_twentySixStars) {
    ApConfigRecord r = Record();
    r.set_wep_on(true);
    r.set_wep_key_len(13);
    r.set_wep128_key(2, QByteArray::fromHex("00112233445566778899aabbcc"));
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(edit("e_key3")->text(), QString(26, u'*'));
    EXPECT_EQ(HintOf(edit("e_key3")), QStringLiteral("00112233445566778899AABBCC"));
}

TEST_F(ShowRecord, wideKeys_showFifteenBytesWithoutAListEntry) {
    ApConfigRecord r = Record();
    r.set_wep_on(true);
    r.set_wep_key_len(15);
    r.set_wep_wide_key(0, QByteArray(16, '\x11'));
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_wep")->text(), QStringLiteral("256 bits"));
    EXPECT_EQ(combo("s_wep_1")->currentIndex(), -1);
    EXPECT_EQ(HintOf(edit("e_key1")), QString(30, u'1'));
    EXPECT_EQ(edit("e_key1")->text(), QString(30, u'*'));
}

TEST_F(ShowRecord, asciiKeysOfUnknownLength_stopAfterTheListRow) {
    ApConfigRecord r = Record();
    r.set_wep_on(true);
    r.set_wep_key_len(7);
    r.set_wep_key_format(true);
    r.set_op_mode(4);
    EXPECT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(form->list_row.count(u'\t'), 4);
    EXPECT_FALSE(radio("r_apmode5")->isChecked());  // the show stopped before the mode
}

TEST_F(ShowRecord, wpaAndWpaPsk_listNoWep_passphraseInTheHint) {
    ApConfigRecord r = Record();
    r.set_auth_type(3);
    r.set_wep_on(true);
    r.set_wpa_passphrase("correct horse");
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_wep")->text(), QStringLiteral("WPA-PSK"));
    EXPECT_EQ(form->list_row.section(u'\t', 3, 3), QStringLiteral("No"));
    EXPECT_TRUE(w<QCheckBox>("chb_encry")->isChecked());
    EXPECT_EQ(HintOf(edit("wpa_m_p")), QStringLiteral("correct horse"));
    EXPECT_EQ(edit("wpa_m_c")->text(), QString(13, u'*'));
    EXPECT_TRUE(edit("wpa_m_p")->toolTip().isEmpty());
    EXPECT_TRUE(shown("wpa_m_p"));

    r.set_auth_type(2);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_wep")->text(), QStringLiteral("WPA"));
    EXPECT_FALSE(shown("wpa_m_p"));
    EXPECT_FALSE(shown("e_key1"));
}

TEST_F(ShowRecord, keysOfTheAPShownBefore_doNotLingerInTheHints) {
    ApConfigRecord wep = Record(1);
    wep.set_wep_on(true);
    wep.set_wep_key_len(5);
    wep.set_wep64_key(0, QByteArray::fromHex("1a2b3c4d5e"));
    ASSERT_TRUE(form->ShowRecord(Packet(wep)));
    ASSERT_TRUE(form->ShowRecord(Packet(Record(2))));
    EXPECT_TRUE(HintOf(edit("e_key1")).isEmpty());
    EXPECT_TRUE(edit("e_key1")->text().trimmed().isEmpty());  // the mask's blanks only
}

TEST_F(ShowRecord, everyOperatingMode_checksItsButton) {
    const char* const buttons[] = {"r_apmode1", "r_apmode2", "r_apmode3", "r_apmode4", "r_apmode5"};
    for (std::uint8_t mode = 0; mode < 5; ++mode) {
        ApConfigRecord r = Record();
        r.set_op_mode(mode);
        ASSERT_TRUE(form->ShowRecord(Packet(r)));
        EXPECT_TRUE(radio(buttons[mode])->isChecked()) << int(mode);
        EXPECT_EQ(edit("e_RemoteSSID")->isEnabled(), mode == 1 || mode == 2 || mode == 4);
    }
}

TEST_F(ShowRecord, unknownModes_digitsIgnored_lettersStopBeforeTheAdvancedValues) {
    ApConfigRecord r = Record();
    r.set_op_mode(1);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    r.set_op_mode(5);
    r.set_beacon_interval(77);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_TRUE(radio("r_apmode2")->isChecked());
    EXPECT_EQ(form->more_beacon, QStringLiteral("77"));
    r.set_op_mode(10);
    r.set_beacon_interval(55);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(form->more_beacon, QStringLiteral("77"));
}

TEST_F(ShowRecord, defaultKeyOutOfRange_stopsAfterTheSsid) {
    ApConfigRecord r = Record();
    r.set_wep_default_key(4);
    r.set_beacon_interval(42);
    EXPECT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(form->list_row, QStringLiteral("AP-1\t00-1A-2B-00-00-01\tnet-1\t"));
    EXPECT_EQ(label("l_essid")->text(), QStringLiteral("net-1"));
    EXPECT_NE(form->more_beacon, QStringLiteral("42"));
    // the list row built from the record alone agrees
    EXPECT_TRUE(tern::form::ListCellsOf(r).wep.isEmpty());
}

TEST_F(ShowRecord, domainsAndChannels) {
    ApConfigRecord r = Record();
    r.set_reg_domain(0x31);
    r.set_channel(11);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(combo("s_ch")->count(), 2);
    EXPECT_EQ(combo("s_ch")->itemText(0), QStringLiteral("10"));
    EXPECT_EQ(combo("s_ch")->currentText(), QStringLiteral("11"));
    EXPECT_EQ(label("l_domn")->text(), QStringLiteral("Spain"));

    r.set_reg_domain(0x40);
    r.set_channel(1);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(combo("s_ch")->count(), 1);
    EXPECT_EQ(label("l_ch")->text(), QStringLiteral("1"));
    EXPECT_EQ(combo("s_ch")->currentIndex(), -1);

    r.set_reg_domain(0x41);
    r.set_channel(0x0E);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_ch")->text(), QStringLiteral("14"));
    EXPECT_EQ(combo("s_ch")->currentText(), QStringLiteral("14"));

    r.set_reg_domain(0x99);  // unknown: label and list stay
    r.set_channel(0xF1);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(label("l_domn")->text(), QStringLiteral("Japan(All)"));
    EXPECT_TRUE(label("l_ch")->text().isEmpty());
    EXPECT_EQ(combo("s_ch")->currentIndex(), -1);
}

TEST_F(ShowRecord, extendedMode_locksRateAndKeepsSuperG) {
    form->more_superg = 2;
    ApConfigRecord r = Record();
    r.set_mode_bits(0x0040);
    r.set_tx_rate(108);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(combo("s_extended")->currentIndex(), 1);
    EXPECT_EQ(form->extended_lock, 1);
    EXPECT_EQ(form->more_rate, 0);
    EXPECT_EQ(form->more_superg, 2);

    r.set_mode_bits(0x003C);
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_EQ(form->more_rate, 12);
    EXPECT_EQ(form->more_superg, 1);
}

TEST_F(ShowRecord, longName_cutWithTheWholeNameAsToolTip) {
    ApConfigRecord r = Record();
    r.set_ap_name("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    ASSERT_TRUE(form->ShowRecord(Packet(r)));
    EXPECT_TRUE(label("l_ap")->text().endsWith(QStringLiteral("...")));
    EXPECT_EQ(label("l_ap")->toolTip(), QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    EXPECT_EQ(edit("e_apname")->text(), QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    ASSERT_TRUE(form->ShowRecord(Packet(Record())));
    EXPECT_TRUE(label("l_ap")->toolTip().isEmpty());
}

TEST_F(ShowRecord, ssidWithoutTerminator_emptyInTheListRow) {
    ApConfigRecord r = Record();
    r.set_ssid(QByteArray(32, 'S'));
    QByteArray packet = Packet(r);
    packet[32 + 865] = 'x';  // the byte after the text
    ASSERT_TRUE(form->ShowRecord(packet));
    EXPECT_EQ(form->list_row.section(u'\t', 2, 2), QString());
    EXPECT_EQ(edit("e_essid")->text(), QString(32, u'S'));
}

TEST_F(ShowRecord, shortPacket_showsNothing) {
    EXPECT_FALSE(form->ShowRecord(Packet(Record()).left(1179)));
    EXPECT_FALSE(form->ShowRecord(QByteArray()));
    EXPECT_TRUE(label("l_ap")->text().isEmpty());
}

// ---------------------------------------------------------------- the AP list

using ApList = Discovery;

TEST_F(ApList, threeApsOneTwice_threeRowsInArrivalOrder_lastShown) {
    receive({Reply(Record(3)), Reply(Record(1)), Reply(Record(3)), Reply(Record(2))});
    ASSERT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(row(1), (QStringList{QStringLiteral("AP-3"), QStringLiteral("00-1A-2B-00-00-03"),
                                   QStringLiteral("net-3"), QStringLiteral("No")}));
    EXPECT_EQ(row(2)[0], QStringLiteral("AP-1"));
    EXPECT_EQ(row(3)[0], QStringLiteral("AP-2"));
    EXPECT_EQ(form->found_macs.size(), 3);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-2"));
    EXPECT_FALSE(form->busy);
    EXPECT_TRUE(enabled("b_Ternapply"));
    EXPECT_TRUE(enabled("b_refresh"));
    EXPECT_TRUE(enabled("l_wepSet"));
    EXPECT_EQ(form->datagram_count, 5);  // the own echo too
}

TEST_F(ApList, ownSearchEcho_countsAndChangesNothingElse) {
    EXPECT_EQ(form->datagram_count, 1);
    EXPECT_TRUE(form->busy);
    EXPECT_EQ(form->reply_count, 0);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_FALSE(enabled("b_Ternapply"));
    EXPECT_FALSE(enabled("b_refresh"));
}

TEST_F(ApList, errorReplyBeforeAnySearch_isNotAFailure) {
    makeForm();  // a window that has sent nothing
    form->UDPSocketRecv(ErrorReply({1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(form->failed_macs.isEmpty());
    EXPECT_EQ(form->reply_count, 1);  // counted as other while idle
    form->UDPSocketRecv(Reply(Record()));
    EXPECT_TRUE(form->found_macs.isEmpty());
}

TEST_F(ApList, errorAndAcknowledgement_countTowardsTheExpectedReplies) {
    form->busy = false;
    form->replies_done = false;
    form->expected_replies = 2;
    form->wait_flag = true;
    form->UDPSocketRecv(ErrorReply({1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(form->wait_flag);
    EXPECT_FALSE(form->replies_done);
    form->UDPSocketRecv(QByteArrayLiteral("kplack"));
    EXPECT_TRUE(form->replies_done);
    ASSERT_EQ(form->failed_macs.size(), 1);
    EXPECT_EQ(form->failed_macs[0], QByteArray::fromHex("010203040506"));
}

TEST_F(ApList, shortOrMalformedReplies_neverListed) {
    const QByteArray good = Reply(Record());
    receive({good.left(1179), good.left(33), QByteArrayLiteral("MX9000"),
             QByteArrayLiteral("MX9000AP-TRN-G01     -0")});
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_TRUE(grid->Cells(0, 1).isEmpty());
    EXPECT_TRUE(form->found_macs.isEmpty());
    receive({good + QByteArray(40, 'z')});  // trailing bytes are not part of the record
    EXPECT_EQ(row(1)[0], QStringLiteral("AP-1"));
    EXPECT_EQ(form->PacketOfRow(1).size(), 1180);
}

TEST_F(ApList, selectingARow_showsItsRecordOnTheStatusPage) {
    receive({Reply(Record(1)), Reply(Record(2))});
    form->Img_WepSet_upClick();
    bool canSelect = true;
    form->l_titleSelectCell(0, 1, canSelect);
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-1"));
    EXPECT_EQ(page(), 0);
    EXPECT_TRUE(canSelect);
}

TEST_F(ApList, selectingARowWithoutPacket_showsNothingAndKeepsThePage) {
    receive({Reply(Record(1))});
    form->Img_WepSet_upClick();
    bool canSelect = true;
    form->l_titleSelectCell(0, 2, canSelect);
    form->l_titleSelectCell(0, -1, canSelect);
    EXPECT_EQ(page(), 3);
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-1"));
}

TEST_F(ApList, clickingARowOfTheGrid_showsIt) {
    receive({Reply(Record(1)), Reply(Record(2))});
    grid->setSelection({0, 1, 4, 1});  // what a click does
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-1"));
}

TEST_F(ApList, severalRowsSelected_lockChannelAndAddressSettings) {
    receive({Reply(Record(1)), Reply(Record(2)), Reply(Record(3))});
    grid->setSelection({0, 1, 4, 2});
    form->l_titleMouseDown();
    EXPECT_FALSE(combo("s_ch")->isEnabled());
    EXPECT_FALSE(w("a_l_ch")->isEnabled());
    EXPECT_FALSE(radio("i_r_ip")->isEnabled());
    EXPECT_FALSE(radio("i_r_dhcp")->isEnabled());
    EXPECT_FALSE(edit("e_ip_1")->isEnabled());
    EXPECT_FALSE(edit("e_gateway_4")->isEnabled());

    grid->setSelection({0, 2, 4, 2});
    form->l_titleMouseDown();
    EXPECT_TRUE(combo("s_ch")->isEnabled());
    EXPECT_TRUE(radio("i_r_dhcp")->isEnabled());
    EXPECT_TRUE(edit("e_ip_1")->isEnabled());  // the shown AP has a fixed address
}

TEST_F(ApList, doubleClick_opensTheApsPage_unlessItHasNoAddress) {
    RecordingOpener opener;
    form->setUrlOpener(&opener);
    form->l_titleDblClick();  // nothing shown yet
    receive({Reply(Record(1))});
    form->l_titleDblClick();
    ApConfigRecord none = Record(2);
    none.set_ip_addr({0, 0, 0, 0});
    receive({Reply(none)});
    form->l_titleDblClick();
    EXPECT_EQ(opener.opened, QStringList{QStringLiteral("http://10.0.0.5")});
}

TEST_F(ApList, oldFirmware_warnedOncePerRun) {
    receive({OldFirmwareReply(), OldFirmwareReply()});
    EXPECT_TRUE(dialogs.messages.empty());  // opened once the receive handler is done
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Detect old firmware"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Detect old firmware!\r\nDetect old firmware!"));
    EXPECT_EQ(dialogs.messages[0].icon, tern::gui::DialogSeam::Icon::Information);
    form->StartSearch();
    receive({OldFirmwareReply()});
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(grid->RowCount(), 2);
}

TEST_F(ApList, newSearch_emptiesListPacketsAndMacs) {
    receive({Reply(Record(1)), Reply(Record(2))});
    form->key_edited.fill(true);
    form->StartSearch();
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_TRUE(grid->Cells(0, 1).isEmpty());
    EXPECT_TRUE(form->row_packets.isEmpty());
    EXPECT_TRUE(form->found_macs.isEmpty());
    EXPECT_EQ(form->key_edited, (std::array<bool, 4>{}));
    EXPECT_FALSE(enabled("b_close"));
    EXPECT_FALSE(enabled("l_802"));
}

TEST_F(ApList, moreThan255Aps_eachRowShowsItsOwnRecord) {
    std::vector<QByteArray> replies;
    for (int n = 1; n <= 300; ++n) {
        form->UDPSocketRecv(Reply(Record(n)));
    }
    form->ShowPendingRecord();
    ASSERT_EQ(grid->RowCount(), 301);
    for (int r : {1, 2, 255, 256, 257, 300}) {
        bool canSelect = true;
        form->l_titleSelectCell(0, r, canSelect);
        EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-%1").arg(r)) << r;
        EXPECT_EQ(label("l_mac")->text(), grid->Cells(1, r)) << r;
    }
}

TEST_F(ApList, packetsContainingTheOldRowMarker_stayWithTheirRows) {
    ApConfigRecord r = Record(1);
    r.set_ssid(QByteArrayLiteral("ap_list\x02"));
    receive({Reply(r), Reply(Record(2))});
    EXPECT_EQ(ApConfigRecord::FromBytes(QByteArrayView(form->PacketOfRow(2)).sliced(32))->ap_name(),
              QByteArray("AP-2"));
}

TEST_F(ApList, burstThroughTheSimulator_thousandApsEachListedWithItsOwnPacket) {
    sim::InMemorySimulator aps(network, sim::ApSimulator(sim::GenerateAps(1000)));
    form->StartSearch();
    network.deliverPending();
    EXPECT_TRUE(form->showPending());
    QCoreApplication::processEvents();  // the deferred show
    EXPECT_FALSE(form->showPending());
    ASSERT_EQ(grid->RowCount(), 1001);
    std::set<QString> macs;
    for (int r = 1; r <= 1000; ++r) {
        const QByteArray packet = form->PacketOfRow(r);
        ASSERT_EQ(packet.size(), 1180) << r;
        const ApConfigRecord rec = *ApConfigRecord::FromBytes(QByteArrayView(packet).sliced(32));
        EXPECT_EQ(tern::record::MacText(rec.mac_addr()), grid->Cells(1, r)) << r;
        EXPECT_EQ(QString::fromLatin1(rec.ap_name()), grid->Cells(0, r)) << r;
        macs.insert(grid->Cells(1, r));
    }
    EXPECT_EQ(macs.size(), 1000u);
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("TernAP-1000"));
    EXPECT_EQ(label("l_mac")->text(), grid->Cells(1, 1000));
}

TEST_F(ApList, aBurstFromTheSocket_isListedWithOneRowInsertion_whenTheBatchEnds) {
    sim::InMemorySimulator aps(network, sim::ApSimulator(sim::GenerateAps(300)));
    int insertions = 0;
    QObject::connect(grid->model(), &QAbstractItemModel::rowsInserted, grid,
                     [&insertions] { ++insertions; });
    int rowsWhenTheLastArrived = -1;
    QObject::connect(socket, &net::UdpSocketControl::OnRecv, grid, [&](const QByteArray& d) {
        if (d.size() > 1000) rowsWhenTheLastArrived = grid->RowCount();
    });
    form->StartSearch();
    network.deliverPending();
    // Nothing was laid out per reply; all of them are in once the batch ended.
    EXPECT_EQ(rowsWhenTheLastArrived, 2);
    EXPECT_EQ(insertions, 1);
    ASSERT_EQ(grid->RowCount(), 301);
    for (int r = 1; r <= 300; ++r) {
        EXPECT_EQ(grid->Cells(0, r), QStringLiteral("TernAP-%1").arg(r, 4, 10, QLatin1Char('0')));
        const ApConfigRecord rec =
            *ApConfigRecord::FromBytes(QByteArrayView(form->PacketOfRow(r)).sliced(32));
        EXPECT_EQ(tern::record::MacText(rec.mac_addr()), grid->Cells(1, r)) << r;
    }
    EXPECT_EQ(grid->Row(), 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("TernAP-0300"));

    // The next search empties the list and fills it again, in one insertion.
    sim::InMemorySimulator more(network, sim::ApSimulator(sim::GenerateAps(5, 300)));
    insertions = 0;
    form->StartSearch();
    network.deliverPending();
    EXPECT_EQ(insertions, 1);
    ASSERT_EQ(grid->RowCount(), 306);
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("TernAP-0001"));
    EXPECT_EQ(grid->Cells(0, 305), QStringLiteral("TernAP-0305"));
}

TEST_F(ApList, aSocketClosedInsideABatch_stillListsWhatCameBeforeIt) {
    sim::InMemorySimulator aps(network, sim::ApSimulator(sim::GenerateAps(20)));
    int seen = 0;
    QObject::connect(socket, &net::UdpSocketControl::OnRecv, grid, [&](const QByteArray& d) {
        if (d.size() > 1000 && ++seen == 5) socket->CloseSocket();
    });
    form->StartSearch();
    network.deliverPending();
    QCoreApplication::processEvents();  // the batch never ends: the next turn lists,
    QCoreApplication::processEvents();  // and the one after shows the last
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(grid->Cells(0, 5), QStringLiteral("TernAP-0005"));
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("TernAP-0005"));
}

TEST_F(ApList, deferredShow_sameListAndFormAsShowingEachArrival) {
    const std::vector<sim::SimulatedAp> aps = sim::GenerateAps(16);
    for (const auto& ap : aps) {
        form->UDPSocketRecv(sim::ApSimulator::DiscoveryPayload(ap));
    }
    form->ShowPendingRecord();
    QStringList deferred;
    for (int r = 1; r < grid->RowCount(); ++r) {
        deferred << row(r).join(u'|');
    }
    const QString lastShown = label("l_wep")->text() + label("l_ap")->text() + ip("e_ip_");

    form->setShowEachArrival(true);
    form->StartSearch();
    for (const auto& ap : aps) {
        form->UDPSocketRecv(sim::ApSimulator::DiscoveryPayload(ap));
    }
    QStringList each;
    for (int r = 1; r < grid->RowCount(); ++r) {
        each << row(r).join(u'|');
    }
    EXPECT_EQ(deferred, each);
    EXPECT_EQ(lastShown, label("l_wep")->text() + label("l_ap")->text() + ip("e_ip_"));
}

// Nothing a datagram carries may crash the window, whatever it is doing,
// and only whole records are listed.
class Fuzz : public Discovery {
  protected:
    // As an AP under the current marker would send it.
    QByteArray enciphered(const QByteArray& payload) const {
        const auto& marker = form->link_state.request_marker();
        return QByteArray(reinterpret_cast<const char*>(marker.data()), 8) + QByteArray(2, '\0') +
               net::CipherRun(form->link_state.link_key(), payload);
    }

    void feed(int count) {
        const std::array<QByteArray, 5> seeds = {
            Reply(Record(9)), OldFirmwareReply(), ErrorReply({9, 9, 9, 9, 9, 9}),
            QByteArrayLiteral("kplack"), QByteArrayLiteral("kplsearch12345678")};
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < count; ++i) {
            QByteArray d;
            switch (random() % 4) {
                case 0: {  // noise of any length
                    d.resize(static_cast<qsizetype>(random() % 1300));
                    for (char& c : d) {
                        c = static_cast<char>(byte(random));
                    }
                    break;
                }
                case 1:  // a known datagram cut anywhere
                    d = seeds[random() % seeds.size()];
                    d.truncate(static_cast<qsizetype>(random() % (d.size() + 1)));
                    break;
                case 2: {  // a known datagram with bytes changed
                    d = seeds[random() % seeds.size()];
                    for (int k = 0; k < 4 && !d.isEmpty(); ++k) {
                        d[static_cast<qsizetype>(random() % d.size())] =
                            static_cast<char>(byte(random));
                    }
                    break;
                }
                default: {  // enciphered, cut anywhere
                    const QByteArray& seed = seeds[random() % seeds.size()];
                    d = enciphered(seed.left(static_cast<qsizetype>(random() % (seed.size() + 1))));
                    break;
                }
            }
            form->UDPSocketRecv(d);
        }
        QCoreApplication::processEvents();
    }

    void expectConsistentList() {
        const int listed = grid->Cells(0, 1).isEmpty() ? 0 : grid->RowCount() - 1;
        EXPECT_EQ(listed, form->found_macs.size());
        for (int r = 1; r <= listed; ++r) {
            const QByteArray packet = form->PacketOfRow(r);
            ASSERT_EQ(packet.size(), 1180) << r;
            const ApConfigRecord rec =
                *ApConfigRecord::FromBytes(QByteArrayView(packet).sliced(32));
            EXPECT_EQ(tern::record::MacText(rec.mac_addr()), grid->Cells(1, r)) << r;
        }
    }

    std::mt19937 random{20240611};
};

TEST_F(Fuzz, idleWindowBeforeAnySearch) {
    makeForm();
    grid = w<TQuillGrid>("l_title");
    feed(3000);
    EXPECT_TRUE(form->found_macs.isEmpty());
    EXPECT_TRUE(form->failed_macs.isEmpty());
}

TEST_F(Fuzz, duringASearch) {
    feed(3000);
    expectConsistentList();
}

TEST_F(Fuzz, afterASettledSearch) {
    receive({Reply(Record(1)), Reply(Record(2))});
    form->TimerTimer();
    feed(3000);
    expectConsistentList();
}

TEST_F(Fuzz, whileAnApplyWaits) {
    receive({Reply(Record(1))});
    form->busy = true;
    form->replies_done = false;
    form->expected_replies = 3;
    form->datagram_count = 0;
    feed(3000);
    expectConsistentList();
    form->TimerTimer();
    form->Timer_refreshTimer();
}

// ---------------------------------------------------------------- timers

using Timers = Discovery;

TEST_F(Timers, noApAnswers_firstTickSettles_resetsTheForm_noSecondSearch) {
    form->ShowRecord(Packet(Record(5)));
    const std::size_t sent = network.sentCount();
    form->TimerTimer();
    EXPECT_FALSE(form->Timer.isActive());
    EXPECT_FALSE(enabled("b_Ternapply"));
    EXPECT_TRUE(enabled("b_refresh"));
    EXPECT_TRUE(enabled("b_close"));
    EXPECT_TRUE(enabled("l_802"));
    EXPECT_TRUE(label("l_ap")->text().isEmpty());
    EXPECT_TRUE(edit("e_apname")->text().isEmpty());
    EXPECT_TRUE(radio("i_r_dhcp")->isChecked());
    EXPECT_TRUE(radio("r_apmode1")->isChecked());
    EXPECT_FALSE(w<QCheckBox>("chb_encry")->isChecked());
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_FALSE(form->refresh_skip);
    EXPECT_FALSE(form->busy);
    EXPECT_EQ(network.sentCount(), sent);
}

TEST_F(Timers, apsListed_tickSettles_enablesApply_andTheNextSettleSearchesAgain) {
    receive({Reply(Record(1)), Reply(Record(2))});
    form->Img_IpSet_upClick();
    form->TimerTimer();
    EXPECT_TRUE(enabled("b_Ternapply"));
    EXPECT_TRUE(enabled("b_apply"));
    EXPECT_EQ(page(), 0);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(label("l_ap")->text(), QStringLiteral("AP-2"));
    EXPECT_FALSE(form->refresh_skip);

    const std::size_t sent = network.sentCount();
    form->TimerTimer();  // refresh_skip is clear now: a search without the timer
    EXPECT_EQ(network.sentCount(), sent + 1);
    EXPECT_FALSE(form->Timer.isActive());
    EXPECT_TRUE(form->busy);
}

namespace {
QStringList g_warnings;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) g_warnings << text;
}
}  // namespace

TEST_F(Timers, aSearchThatLostReplies_saysHowManyWhenItSettles_once) {
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    socket->lost = 12;  // lost before this search: not its own
    form->StartSearch();
    network.deliverPending();
    socket->lost = 15;
    receive({Reply(Record(1))});
    form->TimerTimer();                                    // settles
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("AP-1"));  // what came is listed all the same
    form->TimerTimer();                                    // the next search, nothing lost
    qInstallMessageHandler(previous);
    ASSERT_EQ(g_warnings.size(), 1) << g_warnings.join(u'\n').toStdString();
    EXPECT_TRUE(g_warnings[0].startsWith(QStringLiteral("3 datagram(s) lost")));
    EXPECT_TRUE(g_warnings[0].contains(QStringLiteral("net.core.rmem_max")));
}

TEST_F(Timers, applyAnswered_refreshTimerReportsRefusals_thenSearches) {
    receive({Reply(Record(1))});
    form->TimerTimer();
    // a single-AP apply that was refused
    form->busy = true;
    form->datagram_count = 2;
    form->replies_done = true;
    form->expected_replies = 1;
    form->apply_name = QStringLiteral("AP-1");
    form->failed_macs = {QByteArray::fromHex("001A2B000001")};
    form->Timer.start();
    form->TimerTimer();
    EXPECT_FALSE(form->Timer.isActive());
    EXPECT_TRUE(form->Timer_refresh.isActive());
    EXPECT_FALSE(form->replies_done);
    EXPECT_EQ(form->tick_count, 0);

    for (int i = 0; i < 4; ++i) {
        form->Timer_refreshTimer();
    }
    EXPECT_TRUE(dialogs.messages.empty());
    const std::size_t sent = network.sentCount();
    form->Timer_refreshTimer();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, QStringLiteral("Apply Fail!"));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("MAC Addr.  00-1A-2B-00-00-01 --- AP Name  AP-1\r\n"
                             "ID or Password Error!\r\nThe Apply Settings is not accept!"));
    EXPECT_TRUE(form->failed_macs.isEmpty());
    EXPECT_FALSE(form->Timer_refresh.isActive());
    EXPECT_TRUE(form->Timer.isActive());
    EXPECT_EQ(network.sentCount(), sent + 1);
    EXPECT_FALSE(enabled("b_Ternapply"));
}

TEST_F(Timers, multiApApply_namesComeFromTheLoginList_missingOneEmpty) {
    form->expected_replies = 2;
    form->login_list = {QStringLiteral("00-1A-2B-00-00-01\tFirst\tadmin\tpw\t")};
    form->failed_macs = {QByteArray::fromHex("001A2B000001"), QByteArray::fromHex("001A2B000002")};
    form->tick_count = 4;
    form->Timer_refreshTimer();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("MAC Addr.  00-1A-2B-00-00-01 --- AP Name  First\r\n"
                       "MAC Addr.  00-1A-2B-00-00-02 --- AP Name  \r\n")));
}

TEST_F(Timers, applyWithoutAllReplies_fiveTicksThenANewSearchWithoutMessage) {
    receive({Reply(Record(1))});
    form->busy = true;
    form->datagram_count = 2;
    form->replies_done = false;
    form->failed_macs = {QByteArray::fromHex("001A2B000001")};
    for (int i = 0; i < 4; ++i) {
        form->TimerTimer();
    }
    EXPECT_EQ(form->tick_count, 4);
    const std::size_t sent = network.sentCount();
    form->TimerTimer();
    EXPECT_EQ(network.sentCount(), sent + 1);
    EXPECT_TRUE(form->Timer.isActive());
    EXPECT_EQ(form->reply_count, 0);
    EXPECT_EQ(form->tick_count, 0);
    EXPECT_FALSE(form->busy);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->failed_macs.size(), 1);
}

TEST_F(Timers, searchWithOldFirmwareOnly_followsTheApplyBranch) {
    receive({OldFirmwareReply()});
    ASSERT_EQ(form->datagram_count, 2);
    form->TimerTimer();
    EXPECT_TRUE(form->Timer_refresh.isActive());
}

TEST_F(Timers, nameForMac) {
    form->login_list = {QStringLiteral("AA\tone\tu\tp\t"), QStringLiteral("BB\ttwo"),
                        QStringLiteral("AA\tlater\t"), QStringLiteral("CC")};
    EXPECT_EQ(form->NameForMac(QStringLiteral("AA")), QStringLiteral("one"));
    EXPECT_EQ(form->NameForMac(QStringLiteral("BB")), QString());
    EXPECT_EQ(form->NameForMac(QStringLiteral("CC")), QString());
    EXPECT_EQ(form->NameForMac(QStringLiteral("DD")), QString());
}

// The refresh lets pending events run before it searches: whatever arrives
// then is handled exactly once, and nothing inside starts a search of its own.
TEST_F(Timers, refreshPump_datagramInsideIsHandledOnce_nestedRefreshAndTicksIgnored) {
    receive({Reply(Record(1))});
    form->TimerTimer();
    network.send(ErrorReply({1, 2, 3, 4, 5, 6}), net::kDefaultPort);
    network.send(OldFirmwareReply(), net::kDefaultPort);
    int nested = 0;
    QTimer::singleShot(0, form.get(), [&] {
        ++nested;
        form->b_refreshClick();
        form->TimerTimer();
        form->Timer_refreshTimer();
    });
    const std::size_t sent = network.sentCount();
    form->b_refreshClick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(form->failed_macs.size(), 1);
    EXPECT_EQ(network.sentCount(), sent + 1);  // one search request
    EXPECT_TRUE(form->busy);
    EXPECT_TRUE(form->refresh_skip);
    EXPECT_TRUE(form->Timer.isActive());
    EXPECT_EQ(edit("e_key1")->echoMode(), QLineEdit::Password);
    network.deliverPending();
    EXPECT_EQ(form->datagram_count, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 1u);  // the old-firmware warning, after the handler
}

// ---------------------------------------------------------------- demo

TEST_F(MainWindowTest, demoNetwork_listsItsApsAndShowsEachWhenSelected) {
    sim::InMemorySimulator aps(network, sim::ApSimulator(sim::DemoAps(8)));
    form->FormActivate();
    network.deliverPending();
    QCoreApplication::processEvents();
    form->TimerTimer();
    auto* grid = w<TQuillGrid>("l_title");
    ASSERT_EQ(grid->RowCount(), 9);
    EXPECT_EQ(grid->Cells(0, 1), QStringLiteral("Lobby"));
    EXPECT_EQ(grid->Cells(3, 2), QStringLiteral("Yes"));
    for (int r = 1; r <= 8; ++r) {
        grid->setSelection({0, r, 4, r});
        EXPECT_EQ(label("l_ap")->text(), grid->Cells(0, r)) << r;
        EXPECT_EQ(label("l_mac")->text(), grid->Cells(1, r)) << r;
    }
}
