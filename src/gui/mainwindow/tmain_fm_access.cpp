// The window without a mouse, and for screen readers: Tab goes through the
// navigation, the page shown (top to bottom, left to right), the list and
// the buttons; the navigation pictures take Space and Enter; every control
// carries an accessible name taken from its text or its caption label.
#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

#include "gui/mainwindow/nav_pictures.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_ap_page.h"
#include "ui_tmain_fm.h"

namespace tern::gui {

namespace {

// The controls of a page that Tab stops at, in reading order.
std::vector<QWidget*> PageControls(QWidget* page) {
    std::vector<QWidget*> controls;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        // (a list's drop-down is a window of its own)
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->focusProxy() == nullptr &&
            w->window() == page->window()) {
            controls.push_back(w);
        }
    }
    const auto at = [page](const QWidget* w) { return w->mapTo(page, QPoint(0, 0)); };
    std::stable_sort(controls.begin(), controls.end(), [&](const QWidget* a, const QWidget* b) {
        const QPoint pa = at(a);
        const QPoint pb = at(b);
        // A row: controls whose tops lie within a few pixels of each other.
        if (std::abs(pa.y() - pb.y()) > 6) return pa.y() < pb.y();
        return pa.x() < pb.x();
    });
    return controls;
}

QString Plain(QString text) {
    text.remove(u'&');
    text = text.trimmed();
    while (text.endsWith(u':')) text.chop(1);
    return text.trimmed();
}

// The caption label of each field, as the pages lay them out: named
// explicitly, since a caption may be hidden or shared (the remote label of
// the operating modes, the WEP and WPA labels) when the names are given.
// `group` is the heading of a part with fields of the same caption (the two
// RADIUS servers); `part` the place in a row of numbered fields. Where the
// language file leaves a caption empty, `plain` describes the field.
struct CaptionPair {
    const char* control;
    const char* caption;
    const char* group;
    int part;
    const char* plain;
};

constexpr CaptionPair kCaptionPairs[] = {
    // AP page
    {"e_essid", "a_l_essid", nullptr, 0, "Network name (SSID)"},
    {"s_ch", "a_l_ch", nullptr, 0, "Channel"},
    {"e_apname", "a_l_ap", nullptr, 0, "Access point name"},
    {"s_extended", "a_l_extended", nullptr, 0, "Extended mode"},
    {"e_rm_mac", "a_l_remote", nullptr, 0, "MAC address of the remote access point"},
    {"e_RemoteSSID", "a_l_remote", nullptr, 0, "SSID of the remote access point"},
    // IP page
    {"e_ip_1", "i_l_ip", nullptr, 1, "IP address"},
    {"e_ip_2", "i_l_ip", nullptr, 2, "IP address"},
    {"e_ip_3", "i_l_ip", nullptr, 3, "IP address"},
    {"e_ip_4", "i_l_ip", nullptr, 4, "IP address"},
    {"e_submask_1", "i_l_submask", nullptr, 1, "Subnet mask"},
    {"e_submask_2", "i_l_submask", nullptr, 2, "Subnet mask"},
    {"e_submask_3", "i_l_submask", nullptr, 3, "Subnet mask"},
    {"e_submask_4", "i_l_submask", nullptr, 4, "Subnet mask"},
    {"e_gateway_1", "i_l_gateway", nullptr, 1, "Gateway"},
    {"e_gateway_2", "i_l_gateway", nullptr, 2, "Gateway"},
    {"e_gateway_3", "i_l_gateway", nullptr, 3, "Gateway"},
    {"e_gateway_4", "i_l_gateway", nullptr, 4, "Gateway"},
    {"e_dhcp_from_1", "i_l_dhcp_from", nullptr, 1, "DHCP range from"},
    {"e_dhcp_from_2", "i_l_dhcp_from", nullptr, 2, "DHCP range from"},
    {"e_dhcp_from_3", "i_l_dhcp_from", nullptr, 3, "DHCP range from"},
    {"e_dhcp_from_4", "i_l_dhcp_from", nullptr, 4, "DHCP range from"},
    {"e_dhcp_to_1", "i_l_dhcp_to", nullptr, 1, "DHCP range to"},
    {"e_dhcp_to_2", "i_l_dhcp_to", nullptr, 2, "DHCP range to"},
    {"e_dhcp_to_3", "i_l_dhcp_to", nullptr, 3, "DHCP range to"},
    {"e_dhcp_to_4", "i_l_dhcp_to", nullptr, 4, "DHCP range to"},
    {"e_dns_1", "i_l_dns", nullptr, 1, "DNS server"},
    {"e_dns_2", "i_l_dns", nullptr, 2, "DNS server"},
    {"e_dns_3", "i_l_dns", nullptr, 3, "DNS server"},
    {"e_dns_4", "i_l_dns", nullptr, 4, "DNS server"},
    // WEP page
    {"s_auth", "a_l_auth", nullptr, 0, "Authentication"},
    {"s_wep_1", "w_l_wep", nullptr, 0, "Key length"},
    {"e_key1", "w_l_key1", nullptr, 0, "Key 1"},
    {"e_key2", "w_l_key2", nullptr, 0, "Key 2"},
    {"e_key3", "w_l_key3", nullptr, 0, "Key 3"},
    {"e_key4", "w_l_key4", nullptr, 0, "Key 4"},
    {"e_key1_tmp", "w_l_key1", nullptr, 0, "Key 1"},
    {"e_key2_tmp", "w_l_key2", nullptr, 0, "Key 2"},
    {"e_key3_tmp", "w_l_key3", nullptr, 0, "Key 3"},
    {"e_key4_tmp", "w_l_key4", nullptr, 0, "Key 4"},
    {"s_key", "w_l_selkey", nullptr, 0, "Default key"},
    {"e_pass", "w_l_pass", nullptr, 0, "Pass phrase for the key generator"},
    {"wpa_m_p", "wpa_l_p", nullptr, 0, "Pass phrase"},
    {"wpa_m_c", "wpa_l_c", nullptr, 0, "Pass phrase again, to confirm"},
    // 802.1X page
    {"c_8_keylength", "l_8_lenghth", "l_Encryption_key", 0, "Encryption key length"},
    {"c_8_lifetime", "l_8_lifetime", "l_Encryption_key", 0, "Encryption key lifetime"},
    {"e_8_ip1", "l_8_ip1", "l_8_radius1", 1, "RADIUS server 1 IP address"},
    {"e_8_ip2", "l_8_ip1", "l_8_radius1", 2, "RADIUS server 1 IP address"},
    {"e_8_ip3", "l_8_ip1", "l_8_radius1", 3, "RADIUS server 1 IP address"},
    {"e_8_ip4", "l_8_ip1", "l_8_radius1", 4, "RADIUS server 1 IP address"},
    {"e_8_port1", "l_8_port1", "l_8_radius1", 0, "RADIUS server 1 port"},
    {"e_8_shared1", "l_8_shared1", "l_8_radius1", 0, "RADIUS server 1 shared secret"},
    {"e_8_ipS1", "l_8_ip2", "l_8_radius2", 1, "RADIUS server 2 IP address"},
    {"e_8_ipS2", "l_8_ip2", "l_8_radius2", 2, "RADIUS server 2 IP address"},
    {"e_8_ipS3", "l_8_ip2", "l_8_radius2", 3, "RADIUS server 2 IP address"},
    {"e_8_ipS4", "l_8_ip2", "l_8_radius2", 4, "RADIUS server 2 IP address"},
    {"e_8_port2", "l_8_port2", "l_8_radius2", 0, "RADIUS server 2 port"},
    {"e_8_shared2", "l_8_shared2", "l_8_radius2", 0, "RADIUS server 2 shared secret"},
};

const CaptionPair* PairOf(const QWidget* w) {
    for (const CaptionPair& pair : kCaptionPairs) {
        if (w->objectName() == QLatin1String(pair.control)) return &pair;
    }
    return nullptr;
}

}  // namespace

void TMainFm::SetUpKeyboardAccess() {
    // The navigation pictures are the page buttons: Tab reaches them, and
    // while one has the focus it shows a dotted frame.
    for (QLabel* up : upImages_) {
        up->setFocusPolicy(Qt::TabFocus);
        up->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px dotted rgb(22, 52, 112); }"));
    }
    std::vector<QWidget*> chain(upImages_.begin(), upImages_.end());
    for (QWidget* page : {ui_->Tab1, ui_->Tab2, ui_->Tab3, ui_->Tab4, ui_->Tab5}) {
        const std::vector<QWidget*> controls = PageControls(page);
        chain.insert(chain.end(), controls.begin(), controls.end());
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{filter_, ui_->l_title, ui_->b_Ternapply, ui_->b_refresh,
                                         ui_->b_close, ui_->b_default, ui_->b_exit}) {
        if (w != nullptr) chain.push_back(w);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

bool TMainFm::navImageKey(int page, QKeyEvent* event) {
    if (event->key() != Qt::Key_Space && event->key() != Qt::Key_Return &&
        event->key() != Qt::Key_Enter) {
        return false;
    }
    if (CommitFocusedNumericField()) {
        upImageClick(page);
        // The picture pressed is hidden now: the page's first control next.
        if (QWidget* shown = ui_->PageControl1->currentWidget()) {
            for (QWidget* w : PageControls(shown)) {
                if (w->isVisibleTo(this) && w->isEnabled()) {
                    w->setFocus(Qt::TabFocusReason);
                    break;
                }
            }
        }
    }
    return true;
}

QString TMainFm::CaptionNameOf(const QWidget* w) const {
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        if (QString name = Plain(button->text()); !name.isEmpty()) return name;
    }
    if (const CaptionPair* pair = PairOf(w)) {
        const auto text = [this](const char* label) {
            const auto* l = label != nullptr ? findChild<QLabel*>(QLatin1String(label)) : nullptr;
            return l != nullptr ? Plain(l->text()) : QString();
        };
        QString name = text(pair->caption);
        if (name.isEmpty()) name = QString::fromLatin1(pair->plain);
        const QString group = text(pair->group);
        if (!group.isEmpty() && group != name) name = group + QStringLiteral(", ") + name;
        if (pair->part > 0) name += u' ' + QString::number(pair->part);
        return name;
    }
    return {};
}

void TMainFm::NameControlsForScreenReaders() {
    for (int i = 0; i < kNavPageCount; ++i) {
        const QString name = Plain(navLabels_[static_cast<std::size_t>(i)]->text());
        upImages_[static_cast<std::size_t>(i)]->setAccessibleName(name);
        downImages_[static_cast<std::size_t>(i)]->setAccessibleName(name);
    }
    for (QWidget* w : findChildren<QWidget*>()) {
        if ((w->focusPolicy() & Qt::TabFocus) == 0 || w->window() != this || w == ui_->l_title ||
            w == filter_ || std::find(upImages_.begin(), upImages_.end(), w) != upImages_.end()) {
            continue;
        }
        // A control with neither text nor caption stays unnamed; the tests
        // look for such a one.
        w->setAccessibleName(CaptionNameOf(w));
    }
    ui_->ScrollBar1->setAccessibleName(ui_->l_title->accessibleName());
}

void TMainFm::NameRemoteFields() {
    // The remote field's caption follows the operating mode.
    for (QWidget* w : std::initializer_list<QWidget*>{ap_->e_rm_mac, ap_->e_RemoteSSID}) {
        w->setAccessibleName(CaptionNameOf(w));
    }
}

}  // namespace tern::gui
