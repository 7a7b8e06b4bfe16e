// Showing one AP's record on the pages of the main window.
#include <QFontMetrics>

#include "core/form/form_model.h"
#include "core/form/record_view.h"
#include "core/record/ap_config_record.h"
#include "core/record/code_tables.h"
#include "core/record/net_types.h"
#include "core/rules/key_text.h"
#include "core/text/language_text.h"
#include "gui/mainwindow/tmain_fm.h"
#include "ui_ap_page.h"
#include "ui_dot1x_page.h"
#include "ui_ip_page.h"
#include "ui_status_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

// Status values wider than this are cut and get their whole text as tool tip.
constexpr int kLabelWidth = 180;

void FitLabel(QLabel* label, const QString& text) {
    const QFontMetrics metrics(label->font());
    if (metrics.horizontalAdvance(text) <= kLabelWidth) {
        label->setText(text);
        label->setToolTip(QString());
        return;
    }
    qsizetype n = 1;
    while (n < text.size() && metrics.horizontalAdvance(text.left(n)) <= kLabelWidth) {
        ++n;
    }
    label->setText(text.left(n) + QStringLiteral("..."));
    label->setToolTip(text);
}

void SetOctets(std::initializer_list<QLineEdit*> edits, const std::array<QString, 4>& octets) {
    std::size_t i = 0;
    for (QLineEdit* e : edits) {
        e->clear();
        e->setText(octets[i++]);
    }
}

void SelectByText(QComboBox* list, const QString& text) {
    list->setCurrentIndex(list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

}  // namespace

void TMainFm::fillChannelList(int firstChannel, int lastChannel) {
    ap_->s_ch->clear();
    for (int c = firstChannel; c <= lastChannel; ++c) {
        ap_->s_ch->addItem(QString::number(c));
    }
}

bool TMainFm::ShowRecord(const QByteArray& packet) {
    list_row.clear();
    if (packet.size() < static_cast<qsizetype>(net::kDiscoveryPacketSize)) {
        return false;
    }
    const std::optional<record::ApConfigRecord> parsed = record::ApConfigRecord::FromBytes(
        QByteArrayView(packet).sliced(net::kReplyHeaderSize, net::kRecordSize));
    if (!parsed) {
        return false;
    }
    // What the record says is worked out without the widgets; this writes it
    // into them in the order the handlers below expect.
    const form::ShownRecord s =
        form::ShownRecordOf(*parsed, language().recordEncoding(), wep_->s_auth->count());
    const record::FormSettings& f = s.form;
    const std::array<QLineEdit*, 4> keys = {wep_->e_key1, wep_->e_key2, wep_->e_key3, wep_->e_key4};

    bool keysReplaced = false;
    // Each step may give up; what is set stays set.
    const auto show = [&]() {
        // 802.1X; a key length or lifetime the lists do not hold leaves them
        dot1x_->Chk_8021x->setChecked(f.Chk_8021x);
        Chk_8021xClick();
        if (f.c_8_keylength >= 0) {
            dot1x_->c_8_keylength->setCurrentIndex(f.c_8_keylength);
        }
        if (f.c_8_lifetime >= 0) {
            dot1x_->c_8_lifetime->setCurrentIndex(f.c_8_lifetime);
        }

        // RADIUS servers
        dot1x_->e_8_port1->setText(f.e_8_port[0]);
        dot1x_->e_8_shared1->setText(f.e_8_shared[0]);
        dot1x_->e_8_port2->setText(f.e_8_port[1]);
        dot1x_->e_8_shared2->setText(f.e_8_shared[1]);
        SetOctets({dot1x_->e_8_ip1, dot1x_->e_8_ip2, dot1x_->e_8_ip3, dot1x_->e_8_ip4}, f.e_8_ip);
        SetOctets({dot1x_->e_8_ipS1, dot1x_->e_8_ipS2, dot1x_->e_8_ipS3, dot1x_->e_8_ipS4},
                  f.e_8_ipS);

        // addresses
        SetOctets({ip_->e_ip_1, ip_->e_ip_2, ip_->e_ip_3, ip_->e_ip_4}, f.e_ip);
        status_->l_ip->setText(s.status_ip);
        SetOctets({ip_->e_submask_1, ip_->e_submask_2, ip_->e_submask_3, ip_->e_submask_4},
                  f.e_submask);
        SetOctets({ip_->e_gateway_1, ip_->e_gateway_2, ip_->e_gateway_3, ip_->e_gateway_4},
                  f.e_gateway);

        // the AP's DHCP server
        ip_->chB_dhcp_srv->setChecked(f.chB_dhcp_srv);
        SetOctets({ip_->e_dhcp_from_1, ip_->e_dhcp_from_2, ip_->e_dhcp_from_3, ip_->e_dhcp_from_4},
                  f.e_dhcp_from);
        SetOctets({ip_->e_dhcp_to_1, ip_->e_dhcp_to_2, ip_->e_dhcp_to_3, ip_->e_dhcp_to_4},
                  f.e_dhcp_to);
        SetOctets({ip_->e_dns_1, ip_->e_dns_2, ip_->e_dns_3, ip_->e_dns_4}, f.e_dns);
        SetDhcpClient(f.i_r_dhcp);

        // name: from here on the AP can be listed
        ap_->e_apname->setText(f.e_apname);
        FitLabel(status_->l_ap, f.e_apname);
        list_row = form::ListRowLine(s.list_cells);
        status_->l_mac->setText(s.mac);

        if (s.domain != nullptr) {
            status_->l_domn->setText(QString(s.domain->label));
            fillChannelList(s.domain->first_channel, s.domain->last_channel);
        }

        if (s.channel_text) {
            SelectByText(ap_->s_ch, *s.channel_text);
            status_->l_ch->setText(*s.channel_text);
        } else {
            ap_->s_ch->setCurrentIndex(-1);
            status_->l_ch->clear();
        }

        for (QLineEdit* e : {wep_->wpa_m_c, wep_->wpa_m_p}) {
            SetHint(e, f.wpa_m_p);
            e->setText(rules::StarRow(f.wpa_m_p.size()));
        }

        ap_->e_essid->setText(f.e_essid);
        ap_->e_RemoteSSID->setText(f.e_essid);
        FitLabel(status_->l_essid, f.e_essid);

        QRadioButton* const defaultKey[] = {wep_->w_rb_key1, wep_->w_rb_key2, wep_->w_rb_key3,
                                            wep_->w_rb_key4};
        if (s.stop == form::ShowStop::BeforeDefaultKey) {
            return;
        }
        defaultKey[f.w_rb_key]->setChecked(true);

        // The fields take this AP's keys; another AP's keys must not linger
        // in the hints either.
        keysReplaced = true;
        for (QLineEdit* e : keys) {
            e->clear();
            SetHint(e, QString());
        }

        wep_->s_auth->setCurrentIndex(f.s_auth);
        s_authChange();

        if (!s.wep_in_use) {
            wep_->chb_encry->setChecked(f.chb_encry);  // on for WPA
            setEncryptionControlsEnabled(wep_->chb_encry->isChecked());
            wep_->s_auth->setEnabled(wep_->chb_encry->isChecked());
            status_->l_wep->setText(s.status_wep);
            if (!f.chb_encry) {
                wep_->s_wep_1->setCurrentIndex(0);
                FormatKeyFields();
            }
        } else {
            wep_->chb_encry->setChecked(true);
            // A checked box enables what it governs, as a click would: the
            // keys of an AP shown with WEP can be typed at once.
            setEncryptionControlsEnabled(true);
            wep_->s_auth->setEnabled(true);

            // the keys, kept in the hints; the fields show a "*" per character
            if (s.wep_length_known) {
                status_->l_wep->setText(s.status_wep);
                wep_->s_wep_1->setCurrentIndex(f.s_wep_1);  // 256 bits is not offered: none
                for (std::size_t k = 0; k < keys.size(); ++k) {
                    SetHint(keys[k], f.key_hint[k]);
                }
            }
            const int tag = form::KeyBytesForLength(wep_->s_wep_1->currentIndex()).value_or(0);
            for (QLineEdit* e : keys) {
                e->setInputMask(QString());
                SetTag(e, tag);
            }
            SetTag(wep_->w_b_gen, 1);

            QRadioButton* const format = f.w_r_hex ? wep_->w_r_hex : wep_->w_r_ascii;
            format->setChecked(true);
            w_r_hexClick(format);
            const std::optional<std::array<QString, 4>> stars = form::ShownKeyStars(
                {HintOf(keys[0]), HintOf(keys[1]), HintOf(keys[2]), HintOf(keys[3])}, f.w_r_hex,
                tag);
            if (!stars) {
                return;
            }
            FormatKeyFields();
            // A mask would refuse the '*': the starred fields carry none until
            // they are entered and formatted again.
            for (std::size_t k = 0; k < keys.size(); ++k) {
                QLineEdit* e = keys[k];
                const QString& row = (*stars)[k];
                e->setInputMask(QString());
                e->setMaxLength(std::max<int>(e->maxLength(), static_cast<int>(row.size())));
                e->setText(row);
                SetKeyShowsStars(e, !row.isEmpty());
                e->setEchoMode(QLineEdit::Password);
            }
        }

        // address mode
        if (f.i_r_dhcp) {
            ip_->i_r_dhcp->setChecked(true);
        } else {
            ip_->i_r_ip->setChecked(true);
        }
        i_r_dhcpClick();

        // operating mode
        QRadioButton* const modes[] = {ap_->r_apmode1, ap_->r_apmode2, ap_->r_apmode3,
                                       ap_->r_apmode4, ap_->r_apmode5};
        if (const int mode = f.r_apmode; mode >= 0) {
            if (mode == 1 || mode == 4) {
                ap_->e_rm_mac->setVisible(false);
                ap_->e_RemoteSSID->setVisible(true);
                ap_->e_rm_mac->setEnabled(false);
            } else if (mode == 2) {
                ap_->e_RemoteSSID->setVisible(false);
                ap_->e_rm_mac->setVisible(true);
                ap_->e_RemoteSSID->setEnabled(false);
            }
            modes[mode]->setChecked(true);
            r_apmode1Click(modes[mode]);
        } else if (s.stop == form::ShowStop::BeforeRemoteMac) {
            return;
        }
        ap_->e_rm_mac->setText(f.e_rm_mac);

        // kept for the advanced settings and the build
        if (s.tx_rate_known) {
            more_rate = f.more_rate;
        }
        flag_word_state = f.flag_word_state;
        more_wds = f.more_wds;
        more_bcast = f.more_bcast;
        more_txpower = f.more_txpower;
        more_11g_only = f.more_11g_only;
        more_beacon = f.more_beacon;
        more_rts = f.more_rts;
        more_frag = f.more_frag;
        more_dtim = f.more_dtim;
        extended_lock = f.s_extended;
        if (extended_lock == 1) {
            more_rate = 0;
        }
        ap_->s_extended->setCurrentIndex(extended_lock);
        if (s.turbo_listed) {
            more_superg = f.more_superg;
        }
    };
    show();
    if (keysReplaced) {
        // The fields now hold this AP's keys: none of them is edited.
        key_edited.fill(false);
    }
    return true;
}

}  // namespace tern::gui
