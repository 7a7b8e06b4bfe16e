// Showing one AP's record on the pages of the main window.
#include <QFontMetrics>

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

namespace tern::app {

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

void SetOctets(std::initializer_list<QLineEdit*> edits, const config::Ipv4Address& address) {
    std::size_t i = 0;
    for (QLineEdit* e : edits) {
        e->clear();
        e->setText(QString::number(address[i++]));
    }
}

void SelectByText(QComboBox* list, const QString& text) {
    list->setCurrentIndex(list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

QString Stars(qsizetype count) { return QString(count, u'*'); }

}  // namespace

void TMainFm::fillChannelList(int firstChannel, int lastChannel) {
    ap_->s_ch->clear();
    for (int c = firstChannel; c <= lastChannel; ++c) {
        ap_->s_ch->addItem(QString::number(c));
    }
}

bool TMainFm::ShowRecord(const QByteArray& packet) {
    list_row.clear();
    if (packet.size() < static_cast<qsizetype>(link::kDiscoveryPacketSize)) {
        return false;
    }
    const std::optional<config::ApConfigRecord> parsed = config::ApConfigRecord::FromBytes(
        QByteArrayView(packet).sliced(link::kReplyHeaderSize, link::kRecordSize));
    if (!parsed) {
        return false;
    }
    const config::ApConfigRecord& r = *parsed;
    const auto screen = [this](const QByteArray& bytes) { return language().recordText(bytes); };
    const std::array<QLineEdit*, 4> keys = {wep_->e_key1, wep_->e_key2, wep_->e_key3, wep_->e_key4};

    bool shown = false;
    bool keysReplaced = false;
    // Each step may give up; what is set stays set.
    const auto show = [&]() {
        // 802.1X
        dot1x_->Chk_8021x->setChecked(r.dot1x_on());
        Chk_8021xClick();
        switch (r.dot1x_key_len()) {
            case 5:
                dot1x_->c_8_keylength->setCurrentIndex(0);
                break;
            case 13:
                dot1x_->c_8_keylength->setCurrentIndex(1);
                break;
            case 29:
                dot1x_->c_8_keylength->setCurrentIndex(2);
                break;
            default:
                break;
        }
        static constexpr std::array<std::uint32_t, 6> kLifetimes = {86400, 28800, 3600,
                                                                    1800,  900,   300};
        for (std::size_t i = 0; i < kLifetimes.size(); ++i) {
            if (r.dot1x_key_lifetime() == kLifetimes[i]) {
                dot1x_->c_8_lifetime->setCurrentIndex(static_cast<int>(i));
            }
        }

        // RADIUS servers
        dot1x_->e_8_port1->setText(QString::number(r.radius_port(0)));
        dot1x_->e_8_shared1->setText(screen(r.radius_secret(0)));
        dot1x_->e_8_port2->setText(QString::number(r.radius_port(1)));
        dot1x_->e_8_shared2->setText(screen(r.radius_secret(1)));
        SetOctets({dot1x_->e_8_ip1, dot1x_->e_8_ip2, dot1x_->e_8_ip3, dot1x_->e_8_ip4},
                  r.radius_ip(0));
        SetOctets({dot1x_->e_8_ipS1, dot1x_->e_8_ipS2, dot1x_->e_8_ipS3, dot1x_->e_8_ipS4},
                  r.radius_ip(1));

        // addresses
        SetOctets({ip_->e_ip_1, ip_->e_ip_2, ip_->e_ip_3, ip_->e_ip_4}, r.ip_addr());
        if (!r.ip_mode()) {
            status_->l_ip->setText(config::Ipv4Text(r.current_ip()));
        } else {
            status_->l_ip->setText(ip_->e_ip_1->text() + u'.' + ip_->e_ip_2->text() + u'.' +
                                   ip_->e_ip_3->text() + u'.' + ip_->e_ip_4->text());
        }
        SetOctets({ip_->e_submask_1, ip_->e_submask_2, ip_->e_submask_3, ip_->e_submask_4},
                  r.subnet_mask());
        SetOctets({ip_->e_gateway_1, ip_->e_gateway_2, ip_->e_gateway_3, ip_->e_gateway_4},
                  r.gateway());

        // the AP's DHCP server
        ip_->chB_dhcp_srv->setChecked(r.dhcp_server_on());
        const config::Ipv4Address start = r.dhcp_pool_start();
        SetOctets({ip_->e_dhcp_from_1, ip_->e_dhcp_from_2, ip_->e_dhcp_from_3, ip_->e_dhcp_from_4},
                  start);
        SetOctets({ip_->e_dhcp_to_1, ip_->e_dhcp_to_2, ip_->e_dhcp_to_3, ip_->e_dhcp_to_4}, start);
        SetOctets({ip_->e_dns_1, ip_->e_dns_2, ip_->e_dns_3, ip_->e_dns_4}, r.dns_server());
        ip_->e_dhcp_to_4->setText(QString::number(DhcpPoolEnd(start[3], r.dhcp_pool_size())));
        SetDhcpClient(!r.ip_mode());

        // name: from here on the AP can be listed
        const QString name = screen(r.ap_name());
        ap_->e_apname->setText(name);
        FitLabel(status_->l_ap, name);
        shown = true;
        list_row = name + u'\t';

        const QString mac = config::MacText(r.mac_addr());
        status_->l_mac->setText(mac);
        list_row += mac + u'\t';

        if (const config::RegDomain* domain = config::FindRegDomain(r.reg_domain())) {
            status_->l_domn->setText(QString(domain->label));
            fillChannelList(domain->first_channel, domain->last_channel);
        }

        if (const std::optional<QString> channel = ChannelText(r.channel())) {
            SelectByText(ap_->s_ch, *channel);
            status_->l_ch->setText(*channel);
        } else {
            ap_->s_ch->setCurrentIndex(-1);
            status_->l_ch->clear();
        }

        const QString passphrase = screen(r.wpa_passphrase());
        for (QLineEdit* e : {wep_->wpa_m_c, wep_->wpa_m_p}) {
            SetHint(e, passphrase);
            e->setText(Stars(passphrase.size()));
        }

        const QString ssid = screen(r.ssid());
        ap_->e_essid->setText(ssid);
        ap_->e_RemoteSSID->setText(ssid);
        FitLabel(status_->l_essid, ssid);
        list_row += screen(ListSsid(r)) + u'\t';

        QRadioButton* const defaultKey[] = {wep_->w_rb_key1, wep_->w_rb_key2, wep_->w_rb_key3,
                                            wep_->w_rb_key4};
        if (r.wep_default_key() > 3) {
            return;
        }
        defaultKey[r.wep_default_key()]->setChecked(true);

        // The fields take this AP's keys; another AP's keys must not linger
        // in the hints either.
        keysReplaced = true;
        for (QLineEdit* e : keys) {
            e->clear();
            SetHint(e, QString());
        }

        wep_->s_auth->setCurrentIndex(r.auth_type() < wep_->s_auth->count() ? r.auth_type() : -1);
        s_authChange();

        const int auth = wep_->s_auth->currentIndex();
        if (!WepInUse(auth, r.wep_on())) {
            wep_->chb_encry->setChecked(auth == config::kAuthWpa || auth == config::kAuthWpaPsk);
            setEncryptionControlsEnabled(wep_->chb_encry->isChecked());
            wep_->s_auth->setEnabled(wep_->chb_encry->isChecked());
            if (auth == config::kAuthWpa) {
                status_->l_wep->setText(QStringLiteral("WPA"));
            } else if (auth == config::kAuthWpaPsk) {
                status_->l_wep->setText(QStringLiteral("WPA-PSK"));
            } else {
                status_->l_wep->setText(QStringLiteral("Disable"));
                wep_->s_wep_1->setCurrentIndex(0);
                FormatKeyFields();
            }
            list_row += QStringLiteral("No\t");
        } else {
            wep_->chb_encry->setChecked(true);
            // A checked box enables what it governs, as a click would: the
            // keys of an AP shown with WEP can be typed at once.
            setEncryptionControlsEnabled(true);
            wep_->s_auth->setEnabled(true);
            list_row += QStringLiteral("Yes\t");

            // the keys, kept in the hints; the fields show a "*" per character
            switch (r.wep_key_len()) {
                case config::kWepKeyLen64:
                    status_->l_wep->setText(QStringLiteral("64 bits"));
                    wep_->s_wep_1->setCurrentIndex(0);
                    for (int k = 0; k < 4; ++k) {
                        SetHint(keys[static_cast<std::size_t>(k)],
                                apply::BytesToHexText(r.wep64_key(k)));
                    }
                    break;
                case config::kWepKeyLen128:
                    status_->l_wep->setText(QStringLiteral("128 bits"));
                    wep_->s_wep_1->setCurrentIndex(1);
                    for (int k = 0; k < 4; ++k) {
                        SetHint(keys[static_cast<std::size_t>(k)],
                                apply::BytesToHexText(r.wep128_key(k)));
                    }
                    break;
                case config::kWepKeyLenWide:
                    status_->l_wep->setText(QStringLiteral("256 bits"));
                    wep_->s_wep_1->setCurrentIndex(2);  // not offered: no selection
                    for (int k = 0; k < 4; ++k) {
                        SetHint(keys[static_cast<std::size_t>(k)],
                                apply::BytesToHexText(r.wep_wide_shown_key(k)));
                    }
                    break;
                default:
                    break;
            }
            const int tag = KeyBytesForLength(wep_->s_wep_1->currentIndex());
            for (QLineEdit* e : keys) {
                e->setInputMask(QString());
                SetTag(e, tag);
            }
            SetTag(wep_->w_b_gen, 1);

            std::array<QString, 4> stars;
            if (r.wep_key_format() == 0) {
                wep_->w_r_hex->setChecked(true);
                w_r_hexClick(wep_->w_r_hex);
                for (std::size_t k = 0; k < keys.size(); ++k) {
                    stars[k] = Stars(HintOf(keys[k]).size());
                }
            } else {
                wep_->w_r_ascii->setChecked(true);
                w_r_hexClick(wep_->w_r_ascii);
                for (std::size_t k = 0; k < keys.size(); ++k) {
                    const std::optional<QString> text =
                        apply::AsciiKeyFromHexPairs(HintOf(keys[k]), TagOf(keys[k]));
                    if (!text) {
                        return;
                    }
                    const qsizetype n = text->size();
                    stars[k] = (n == 5 || n == 13 || n == 29) ? Stars(n) : QString();
                }
            }
            FormatKeyFields();
            // A mask would refuse the '*': the starred fields carry none until
            // they are entered and formatted again.
            for (std::size_t k = 0; k < keys.size(); ++k) {
                QLineEdit* e = keys[k];
                e->setInputMask(QString());
                e->setMaxLength(std::max<int>(e->maxLength(), static_cast<int>(stars[k].size())));
                e->setText(stars[k]);
                SetKeyShowsStars(e, !stars[k].isEmpty());
                e->setEchoMode(QLineEdit::Password);
            }
        }

        // address mode
        if (!r.ip_mode()) {
            ip_->i_r_dhcp->setChecked(true);
        } else {
            ip_->i_r_ip->setChecked(true);
        }
        i_r_dhcpClick();

        // operating mode
        QRadioButton* const modes[] = {ap_->r_apmode1, ap_->r_apmode2, ap_->r_apmode3,
                                       ap_->r_apmode4, ap_->r_apmode5};
        const std::uint8_t mode = r.op_mode();
        if (config::FindOpMode(mode) != nullptr) {
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
        } else if (OpModeStopsShow(mode)) {
            return;
        }
        ap_->e_rm_mac->setText(config::MacText(r.remote_mac()));

        // kept for the advanced settings and the build
        if (const int rate = config::TxRateIndex(r.tx_rate()); rate >= 0) {
            more_rate = rate;
        }
        flag_word_state = r.flag_word() == 0 ? 1 : 0;
        more_wds = r.wds() != 0 ? 1 : 0;
        more_bcast = r.ssid_hidden() ? 1 : 0;
        more_txpower = r.tx_power();
        more_11g_only = r.g_only();
        more_beacon = QString::number(r.beacon_interval());
        more_rts = QString::number(r.rts_threshold());
        more_frag = QString::number(r.frag_threshold());
        more_dtim = QString::number(r.dtim_period());
        extended_lock = config::IsExtendedMode(r.mode_bits()) ? 1 : 0;
        if (extended_lock == 1) {
            more_rate = 0;
        }
        ap_->s_extended->setCurrentIndex(extended_lock);
        if (extended_lock == 0) {
            if (const int turbo = config::TurboIndex(r); turbo >= 0) {
                more_superg = turbo;
            }
        }
    };
    show();
    if (keysReplaced) {
        // The fields now hold this AP's keys: none of them is edited.
        key_edited.fill(false);
    }
    return shown;
}

}  // namespace tern::app
