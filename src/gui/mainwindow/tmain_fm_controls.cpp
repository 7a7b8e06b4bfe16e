// The main window's controls that depend on each other: AP page texts,
// address modes, 802.1X, the WEP keys and the defaults.
#include "core/form/control_state.h"
#include "core/record/code_tables.h"
#include "core/text/caption_tables.h"
#include "core/text/language_sections.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/nav_pictures.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_ap_page.h"
#include "ui_dot1x_page.h"
#include "ui_ip_page.h"
#include "ui_status_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

const QColor kBlack(0, 0, 0);

}  // namespace

// ---------------------------------------------------------------- AP page text

void TMainFm::e_essidChange() {
    if (ap_->e_RemoteSSID->text() != ap_->e_essid->text()) {
        ap_->e_RemoteSSID->setText(ap_->e_essid->text());
    }
}

void TMainFm::e_RemoteSSIDChange() {
    if (ap_->e_essid->text() != ap_->e_RemoteSSID->text()) {
        ap_->e_essid->setText(ap_->e_RemoteSSID->text());
    }
}

QChar TMainFm::e_rm_macKeyPress(QChar key) {
    return form::FilterRemoteMacKey(key).value_or(QChar());
}

// ---------------------------------------------------------------- control state

void TMainFm::setEditEnabled(QLineEdit* edit, bool enabled) {
    edit->setEnabled(enabled);
    SetEditColour(edit, enabled ? kEnabledEdit : kDisabledEdit);
}

void TMainFm::r_apmode1Click(QAbstractButton* sender) {
    if (sender == nullptr) {
        return;
    }
    const form::RemoteFields fields = form::RemoteFieldsForModeButton(sender->objectName());
    const text::CaptionEntry* row =
        text::FindCaption(text::MainWindowCaptions(), text::kSectionAp, fields.captionKey);
    ap_->a_l_remote->setText(
        LangText(text::kSectionAp, fields.captionKey,
                 row != nullptr ? row->default_text : QByteArrayView("AP Settings")));
    ap_->a_l_remote->setVisible(fields.labelShown);
    ap_->e_RemoteSSID->setVisible(fields.ssidShown);
    ap_->e_rm_mac->setVisible(fields.macShown);

    const bool enabled = TagOf(sender) == 1;
    ap_->a_l_remote->setEnabled(enabled);
    ap_->e_rm_mac->setEnabled(enabled);
    ap_->e_RemoteSSID->setEnabled(enabled);
    const QColor colour = ap_->e_rm_mac->isEnabled() ? kEnabledEdit : kDisabledEdit;
    SetEditColour(ap_->e_rm_mac, colour);
    SetEditColour(ap_->e_RemoteSSID, colour);
    NameRemoteFields();
}

void TMainFm::i_r_dhcpClick() {
    const bool fixed = ip_->i_r_ip->isChecked();
    for (QLabel* l : {ip_->i_l_ip, ip_->i_l_submask, ip_->i_l_gateway}) {
        l->setEnabled(fixed);
    }
    SetDhcpClient(!fixed);
    if (ip_->i_r_dhcp->isChecked()) {
        ip_->e_submask_1->setText(QStringLiteral("255"));
        ip_->e_submask_2->setText(QStringLiteral("255"));
        ip_->e_submask_3->setText(QStringLiteral("255"));
        ip_->e_submask_4->setText(QStringLiteral("0"));
    }
    for (QLineEdit* e : {ip_->e_ip_1, ip_->e_ip_2, ip_->e_ip_3, ip_->e_ip_4, ip_->e_submask_1,
                         ip_->e_submask_2, ip_->e_submask_3, ip_->e_submask_4, ip_->e_gateway_1,
                         ip_->e_gateway_2, ip_->e_gateway_3, ip_->e_gateway_4}) {
        setEditEnabled(e, fixed);
    }
}

void TMainFm::SetDhcpClient(bool dhcpClient) {
    ip_->chB_dhcp_srv->setEnabled(!dhcpClient);
    SetDhcpServerFields(ip_->chB_dhcp_srv->isEnabled() && ip_->chB_dhcp_srv->isChecked());
}

void TMainFm::SetDhcpServerFields(bool usable) {
    for (QLineEdit* e :
         {ip_->e_dhcp_from_1, ip_->e_dhcp_from_2, ip_->e_dhcp_from_3, ip_->e_dhcp_from_4,
          ip_->e_dhcp_to_1, ip_->e_dhcp_to_2, ip_->e_dhcp_to_3, ip_->e_dhcp_to_4, ip_->e_dns_1,
          ip_->e_dns_2, ip_->e_dns_3, ip_->e_dns_4}) {
        setEditEnabled(e, usable);
    }
    for (QLabel* l : {ip_->i_l_dhcp_from, ip_->i_l_dhcp_to, ip_->i_l_dns}) {
        SetFontColour(l, usable ? kBlack : kGreyFont);
    }
}

void TMainFm::chB_dhcp_srvClick() { SetDhcpServerFields(ip_->chB_dhcp_srv->isChecked()); }

void TMainFm::Chk_8021xClick() {
    const bool on = dot1x_->Chk_8021x->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{
             dot1x_->l_Encryption_key,  dot1x_->l_8_lenghth,  dot1x_->l_8_lifetime,
             dot1x_->l_8_radius2option, dot1x_->c_8_lifetime, dot1x_->c_8_keylength,
             dot1x_->l_8_port1,         dot1x_->l_8_radius1,  dot1x_->l_8_ip1,
             dot1x_->l_8_shared1,       dot1x_->e_8_port1,    dot1x_->e_8_shared1,
             dot1x_->l_8_port2,         dot1x_->l_8_radius2,  dot1x_->l_8_ip2,
             dot1x_->l_8_shared2,       dot1x_->e_8_port2,    dot1x_->e_8_shared2,
             dot1x_->e_8_ip1,           dot1x_->e_8_ip2,      dot1x_->e_8_ip3,
             dot1x_->e_8_ip4,           dot1x_->e_8_ipS1,     dot1x_->e_8_ipS2,
             dot1x_->e_8_ipS3,          dot1x_->e_8_ipS4}) {
        w->setEnabled(on);
    }
}

void TMainFm::s_authChange() {
    const std::optional<form::AuthControls> shown =
        form::AuthControlsFor(wep_->s_auth->currentIndex());
    if (!shown) {
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{
             wep_->e_key1, wep_->e_key2, wep_->e_key3, wep_->e_key4, wep_->w_rb_key1,
             wep_->w_rb_key2, wep_->w_rb_key3, wep_->w_rb_key4, wep_->w_l_wep, wep_->s_wep_1,
             wep_->w_r_hex, wep_->w_r_ascii}) {
        w->setVisible(shown->wepKeys);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{wep_->wpa_m_p, wep_->wpa_m_c, wep_->wpa_l_p,
                                                      wep_->wpa_l_c}) {
        w->setVisible(shown->passphrase);
    }
    wep_->wpa_l_h->setVisible(shown->wpaHeading);
    wep_->w_l_key->setVisible(shown->keyHeading);
}

// ---------------------------------------------------------------- WEP keys

void TMainFm::clearKeyField(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Normal);
    edit->setInputMask(QString());
    edit->clear();
}

void TMainFm::FormatKeyFields() {
    const std::optional<int> bytes = form::KeyBytesForLength(wep_->s_wep_1->currentIndex());
    if (!bytes) {
        return;  // no length chosen: the fields stay as they are
    }
    const int n = *bytes;
    if (wep_->w_r_hex->isChecked()) {
        for (int k = 1; k <= 4; ++k) {
            QLineEdit* e = keyField(k);
            e->setInputMask(form::HexKeyMask(n));
            SetTag(e, n);
        }
        SetTag(wep_->w_b_gen, 1);
    } else if (wep_->w_r_ascii->isChecked()) {
        for (int k = 1; k <= 4; ++k) {
            QLineEdit* e = keyField(k);
            e->setInputMask(QString());
            e->setMaxLength(n);
            SetTag(e, n);
        }
        SetTag(wep_->w_b_gen, 2);
    }
}

void TMainFm::s_wep_1Change() {
    key_edited.fill(true);
    for (int k = 1; k <= 4; ++k) {
        QLineEdit* e = keyField(k);
        e->clear();
        e->setEchoMode(QLineEdit::Normal);
    }
    FormatKeyFields();
}

void TMainFm::w_r_hexClick(QObject* sender) {
    key_edited.fill(true);
    const auto emptyKeys = [this] {
        for (int k = 1; k <= 4; ++k) {
            clearKeyField(keyField(k));
        }
    };
    const auto generatorFollows = [this](bool hex) {
        wep_->w_l_pass->setEnabled(hex);
        setEditEnabled(wep_->e_pass, hex);
        wep_->w_b_gen->setEnabled(hex);
    };
    switch (TagOf(wep_->w_b_gen)) {
        case 0:
            emptyKeys();
            FormatKeyFields();
            break;
        case 1:
            if (sender == wep_->w_r_ascii) {
                emptyKeys();
                FormatKeyFields();
                generatorFollows(!wep_->w_r_ascii->isChecked());
                SetTag(wep_->w_b_gen, 2);
            }
            break;
        case 2:
            if (sender == wep_->w_r_hex) {
                emptyKeys();
                FormatKeyFields();
                generatorFollows(wep_->w_r_hex->isChecked());
                SetTag(wep_->w_b_gen, 1);
            }
            break;
        default:
            break;
    }
}

void TMainFm::setEncryptionControlsEnabled(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             wep_->w_r_hex, wep_->w_r_ascii, wep_->w_l_wep, wep_->w_l_key1, wep_->w_l_key2,
             wep_->w_l_key3, wep_->w_l_key4, wep_->e_key1, wep_->e_key2, wep_->e_key3, wep_->e_key4,
             wep_->w_rb_key1, wep_->w_rb_key2, wep_->w_rb_key3, wep_->w_rb_key4, wep_->s_wep_1,
             wep_->w_l_selkey}) {
        w->setEnabled(on);
    }
}

void TMainFm::chb_encryClick() {
    const bool on = wep_->chb_encry->isChecked();
    setEncryptionControlsEnabled(on);
    wep_->w_r_hex->setChecked(true);
    w_r_hexClick(wep_->w_r_hex);
    if (on) {
        wep_->s_auth->setEnabled(true);
        s_authChange();
    } else {
        wep_->s_auth->setEnabled(false);
        if (wep_->s_auth->currentIndex() != 0) {
            wep_->s_auth->setCurrentIndex(0);
            s_authChange();
        }
    }
}

void TMainFm::MaskSecretFields() {
    for (int k = 1; k <= 4; ++k) {
        keyField(k)->setEchoMode(QLineEdit::Password);
    }
    wep_->e_pass->setEchoMode(QLineEdit::Password);
}

// ---------------------------------------------------------------- defaults

void TMainFm::b_defaultClick() {
    ap_->e_essid->setText(QStringLiteral("Wireless"));
    ap_->s_ch->setCurrentIndex(0);
    ap_->s_extended->setCurrentIndex(0);
    ap_->e_apname->setText(QStringLiteral("Access Point"));

    ap_->r_apmode1->setChecked(true);
    r_apmode1Click(ap_->r_apmode1);

    dot1x_->c_8_lifetime->setCurrentIndex(0);
    dot1x_->c_8_keylength->setCurrentIndex(0);

    ap_->a_l_remote->setEnabled(false);
    ap_->e_rm_mac->setEnabled(false);

    more_rate = 1;
    flag_word_state = 0;
    wep_->s_auth->setCurrentIndex(record::kAuthTypeCount);  // one past the last: no item
    more_bcast = 0;
    more_beacon = QStringLiteral("100");
    more_rts = QStringLiteral("2432");
    more_frag = QStringLiteral("2346");
    more_dtim = QStringLiteral("3");
    more_11g_only = 0;
    more_wds = 0;

    ip_->i_r_ip->setChecked(true);
    i_r_dhcpClick();

    const auto fill = [](std::initializer_list<QLineEdit*> edits,
                         std::initializer_list<const char16_t*> texts) {
        auto t = texts.begin();
        for (QLineEdit* e : edits) {
            e->setText(QString::fromUtf16(*t++));
        }
    };
    fill({ip_->e_ip_1, ip_->e_ip_2, ip_->e_ip_3, ip_->e_ip_4}, {u"192", u"168", u"1", u"250"});
    fill({ip_->e_submask_1, ip_->e_submask_2, ip_->e_submask_3, ip_->e_submask_4},
         {u"255", u"255", u"255", u"0"});
    fill({ip_->e_gateway_1, ip_->e_gateway_2, ip_->e_gateway_3, ip_->e_gateway_4},
         {u"0", u"0", u"0", u"0"});

    wep_->s_wep_1->setCurrentIndex(0);
    wep_->w_r_hex->setChecked(true);
    chb_encryClick();

    for (QWidget* w : std::initializer_list<QWidget*>{wep_->e_pass, wep_->w_b_gen, wep_->w_r_hex,
                                                      wep_->w_r_ascii}) {
        w->setEnabled(false);
    }
    const bool keysEnabled = wep_->e_pass->isEnabled();
    for (int n = 1; n <= 4; ++n) {
        const QString digit = QString::number(n);
        if (auto* label = findChild<QWidget*>(QStringLiteral("w_l_key") + digit)) {
            label->setEnabled(keysEnabled);
        }
        if (auto* select = findChild<QWidget*>(QStringLiteral("w_rb_key") + digit)) {
            select->setEnabled(keysEnabled);
        }
        if (auto* key = findChild<QLineEdit*>(QStringLiteral("e_key") + digit)) {
            key->setEnabled(keysEnabled);
            key->clear();
        }
    }
}

}  // namespace tern::gui
