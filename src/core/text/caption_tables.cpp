#include "core/text/caption_tables.h"

#include "core/text/language_sections.h"
#include "core/text/language_text.h"

namespace tern::text {

namespace {

using K = CaptionKind;

constexpr CaptionEntry Row(QByteArrayView section, QByteArrayView key, QByteArrayView text,
                           const char* target, CaptionKind kind = K::Caption, int index = -1) {
    return CaptionEntry{section, key, text, QLatin1StringView(target), kind, index};
}

constexpr QByteArrayView kStatusDefault("Status");
constexpr QByteArrayView kApDefault("AP Settings");
constexpr QByteArrayView kIpDefault("IP Settings");
constexpr QByteArrayView kWepDefault("WEP Setting");

constexpr QByteArrayView G = kSectionGlobal;
constexpr QByteArrayView S = kSectionStatus;
constexpr QByteArrayView A = kSectionAp;
constexpr QByteArrayView I = kSectionIp;
constexpr QByteArrayView W = kSectionWep;
constexpr QByteArrayView X = kSection8021x;
constexpr QByteArrayView U = kSectionUsrPass;
constexpr QByteArrayView M = kSectionMulUsrPass;
constexpr QByteArrayView L = kSectionListTools;
constexpr QByteArrayView R = kSectionReview;

constexpr CaptionEntry kMainWindow[] = {
    // GLOBAL
    Row(G, "Title", "Tern AP Utility", "MainFm", K::WindowTitle),
    Row(G, "Refresh", "Refresh", "b_refresh"),
    Row(G, "Apply", "Apply", "b_Ternapply", K::ApplyButton),
    Row(G, "Close", "Close", "b_close"),
    Row(G, "link", "Status", "l_status", K::LinkCaption),
    Row(G, "apset", "AP Settings", "l_apSet"),
    Row(G, "ipset", "IP Settings", "l_ipSet"),
    Row(G, "wepset", "WEP Setting", "l_wepSet"),
    Row(G, "802set", "802.1X Setting", "l_802"),
    Row(G, "ap_list", "WEP Setting", "l_aplist"),
    Row(G, "statue", "WEP Setting", "l_link"),
    Row(G, "cpright", "Copyright (C) The Tern AP Utility authors. All rights reserved.",
        "l_cpright"),
    Row(G, "application", "AP Utility", "l_appName", K::IndentedCaption),
    Row(G, "version", "version declare", "l_version"),
    Row(G, "apname", "WEP Setting", "l_title", K::GridHeader, 0),
    Row(G, "macaddr", "WEP Setting", "l_title", K::GridHeader, 1),
    Row(G, "ssid", "WEP Setting", "l_title", K::GridHeader, 2),
    Row(G, "wep", "WEP Setting", "l_title", K::GridHeader, 3),

    // Status
    Row(S, "Title", kStatusDefault, "Tab1", K::PageCaption),
    Row(S, "FW", kStatusDefault, "s_l_fw"),
    Row(S, "Mac", kStatusDefault, "s_l_mac"),
    Row(S, "IP", kStatusDefault, "s_l_ip"),
    Row(S, "Essid", kStatusDefault, "s_l_essid"),
    Row(S, "CH", kStatusDefault, "s_l_ch"),
    Row(S, "WEP", kStatusDefault, "s_l_wep"),
    Row(S, "REGDOMAIN", kStatusDefault, "s_l_domain"),
    Row(S, "AP", kStatusDefault, "s_l_ap"),

    // AP (the main window's keys; Auth_Type labels the WEP page's list)
    Row(A, "Title", kApDefault, "Tab2", K::PageCaption),
    Row(A, "Basic", kApDefault, "a_l_basic"),
    Row(A, "Essid", kApDefault, "a_l_essid"),
    Row(A, "CH", kApDefault, "a_l_ch"),
    Row(A, "APName", kApDefault, "a_l_ap"),
    Row(A, "RemoteAPMAC", kApDefault, "a_l_remote"),
    Row(A, "RemoteBridgeMAC", kApDefault, "a_l_remote", K::ModeCaption),
    Row(A, "RemoteAPssid", kApDefault, "a_l_remote", K::ModeCaption),
    Row(A, "Extended", kApDefault, "a_l_extended"),
    Row(A, "Extended1", kApDefault, "s_extended", K::ListItem, 0),
    Row(A, "Extended2", kApDefault, "s_extended", K::ListItem, 1),
    Row(A, "Mode", kApDefault, "a_l_adv"),
    Row(A, "APMode1", "Access Point", "r_apmode1"),
    Row(A, "APMode2", "Access Point Client", "r_apmode2"),
    Row(A, "APMode3", "Wireless Bridge", "r_apmode3"),
    Row(A, "APMode4", "Multiple Bridge", "r_apmode4"),
    Row(A, "APMode5", "Repeat Mode", "r_apmode5"),
    Row(A, "Advance Setting", kApDefault, "a_b_more"),
    Row(A, "Auth_Type", kApDefault, "a_l_auth"),
    Row(A, "Auth_Type1", kApDefault, "s_auth", K::ListItem, 0),
    Row(A, "Auth_Type2", kApDefault, "s_auth", K::ListItem, 1),
    Row(A, "Auth_Type3", kApDefault, "s_auth", K::ListItem, 2),
    Row(A, "Auth_Type4", kApDefault, "s_auth", K::ListItem, 3),

    // IP
    Row(I, "Title", kIpDefault, "Tab3", K::PageCaption),
    Row(I, "DHCP", kIpDefault, "i_r_dhcp"),
    Row(I, "FixIP", kIpDefault, "i_r_ip"),
    Row(I, "IPSetting", kIpDefault, "i_l_cap"),
    Row(I, "IP", kIpDefault, "i_l_ip"),
    Row(I, "SubMask", kIpDefault, "i_l_submask"),
    Row(I, "Gateway", kIpDefault, "i_l_gateway"),
    Row(I, "DHCP_SRV", kIpDefault, "chB_dhcp_srv"),
    Row(I, "DHCP_R_from", kIpDefault, "i_l_dhcp_from"),
    Row(I, "DHCP_R_to", kIpDefault, "i_l_dhcp_to"),
    Row(I, "DNS_SRV", kIpDefault, "i_l_dns"),

    // WEP
    Row(W, "Title", kWepDefault, "Tab4", K::PageCaption),
    Row(W, "encry", "Data Encryption", "chb_encry"),
    Row(W, "WEP", kWepDefault, "w_l_wep"),
    Row(W, "Wep_Set64", "AP Settings", "s_wep_1", K::ListItem, 0),
    Row(W, "Wep_Set128", "AP Settings", "s_wep_1", K::ListItem, 1),
    Row(W, "PASS", kWepDefault, "w_l_pass"),
    Row(W, "PASS_B", kWepDefault, "w_b_gen"),
    Row(W, "WEPSET", kWepDefault, "w_l_key"),
    Row(W, "Passphrase", "Passphrase", "wpa_l_h"),
    Row(W, "Confirmed", "Confirmed Passphrase", "wpa_l_c"),
    Row(W, "WPA", "Passphrase", "wpa_l_p"),
    Row(W, "HEX", kWepDefault, "w_r_hex"),
    Row(W, "ASCII", kWepDefault, "w_r_ascii"),
    Row(W, "Key1", kWepDefault, "w_rb_key1"),
    Row(W, "Key2", kWepDefault, "w_rb_key2"),
    Row(W, "Key3", kWepDefault, "w_rb_key3"),
    Row(W, "Key4", kWepDefault, "w_rb_key4"),
    Row(W, "SelKey", kWepDefault, "w_l_selkey"),

    // 8021x: the leading blanks belong to the texts
    Row(X, "8021x", "802.1X Setting", "l_802_1x"),
    Row(X, "Encryption", "Encryption Key", "l_Encryption_key"),
    Row(X, "chk8021x", " Enable 802.1X", "Chk_8021x"),
    Row(X, "lenght", " Length", "l_8_lenghth"),
    Row(X, "lifetime", " Lifetime", "l_8_lifetime"),
    Row(X, "lifetime1", "  1 Day", "c_8_lifetime", K::ListItem, 0),
    Row(X, "lifetime2", "  8 Hours", "c_8_lifetime", K::ListItem, 1),
    Row(X, "lifetime3", "  1 Hour", "c_8_lifetime", K::ListItem, 2),
    Row(X, "lifetime4", " 30 Minutes", "c_8_lifetime", K::ListItem, 3),
    Row(X, "lifetime5", " 15 Minutes", "c_8_lifetime", K::ListItem, 4),
    Row(X, "lifetime6", "  5 Minutes", "c_8_lifetime", K::ListItem, 5),
    Row(X, "keylength1", "   64 bits", "c_8_keylength", K::ListItem, 0),
    Row(X, "keylength2", "  128 bits", "c_8_keylength", K::ListItem, 1),
    Row(X, "radius1", " RADIUS Server 1", "l_8_radius1"),
    Row(X, "radius2", " RADIUS Server 2", "l_8_radius2"),
    Row(X, "radiusOption", " Option", "l_8_radius2option"),
    Row(X, "ip1", " IP Address", "l_8_ip1"),
    Row(X, "ip2", " IP Address", "l_8_ip2"),
    Row(X, "port1", " Port", "l_8_port1"),
    Row(X, "port2", " Port", "l_8_port2"),
    Row(X, "shared1", " Shared Secret", "l_8_shared1"),
    Row(X, "shared2", " Shared Secret", "l_8_shared2"),
};

constexpr CaptionEntry kAdvancedDialog[] = {
    Row(A, "MoreSet", kApDefault, "AP_MoreFm", K::WindowTitle),
    Row(A, "MoreSet1", kApDefault, "a_l_more"),
    Row(A, "SSID_BCast", kApDefault, "a_l_bcast"),
    Row(A, "BCast_ON", kApDefault, "s_bcast", K::ListItem, 0),
    Row(A, "BCast_OFF", kApDefault, "s_bcast", K::ListItem, 1),
    Row(A, "Beacon", kApDefault, "l_beacon"),
    Row(A, "RTS", kApDefault, "l_rts"),
    Row(A, "Fragmentation", kApDefault, "l_frag"),
    Row(A, "DTIM", kApDefault, "l_dtim"),
    Row(A, "RATES", kApDefault, "a_l_trate"),
    Row(A, "Rate1", kApDefault, "s_rate", K::ListItem, 0),
    Row(A, "Rate2", kApDefault, "s_rate", K::ListItem, 1),
    Row(A, "Rate3", kApDefault, "s_rate", K::ListItem, 2),
    Row(A, "Rate4", kApDefault, "s_rate", K::ListItem, 3),
    Row(A, "Rate5", kApDefault, "s_rate", K::ListItem, 4),
    Row(A, "Rate6", kApDefault, "s_rate", K::ListItem, 5),
    Row(A, "Rate7", kApDefault, "s_rate", K::ListItem, 6),
    Row(A, "Rate8", kApDefault, "s_rate", K::ListItem, 7),
    Row(A, "Rate9", kApDefault, "s_rate", K::ListItem, 8),
    Row(A, "Rate10", kApDefault, "s_rate", K::ListItem, 9),
    Row(A, "Rate11", kApDefault, "s_rate", K::ListItem, 10),
    Row(A, "Rate12", kApDefault, "s_rate", K::ListItem, 11),
    Row(A, "Rate13", kApDefault, "s_rate", K::ListItem, 12),
    Row(A, "11g_only_caption", "11G Only Mode", "l_11g_only"),
    Row(A, "11g_Only_Off", kApDefault, "s_11g_only", K::ListItem, 0),
    Row(A, "11g_Only_On", kApDefault, "s_11g_only", K::ListItem, 1),
    Row(A, "11g_SuperG", "11g_SuperG", "l_11g_SuperG"),
    Row(A, "11g_SuperG_DISABLE", "11g_SuperG_DISABLE", "s_11g_SuperG", K::ListItem, 0),
    Row(A, "11g_SuperG_NoTURBO", "11g_SuperG_NoTURBO", "s_11g_SuperG", K::ListItem, 1),
    Row(A, "11g_SuperG_DynamicTURBO", "11g_SuperG_DynamicTURBO", "s_11g_SuperG", K::ListItem, 2),
    Row(A, "11g_SuperG_StaticTURBO", "11g_SuperG_StaticTURBO", "s_11g_SuperG", K::ListItem, 3),
    Row(A, "txPower_label", "txPower_label", "l_txPower"),
    Row(A, "txPower_FULL", "txPower_FULL", "s_txPower", K::ListItem, 0),
    Row(A, "txPower_HALF", "txPower_HALF", "s_txPower", K::ListItem, 1),
    Row(A, "txPower_QUARTER", "txPower_QUARTER", "s_txPower", K::ListItem, 2),
    Row(A, "txPower_EIGHTER", "txPower_EIGHTER", "s_txPower", K::ListItem, 3),
    Row(A, "txPower_MINIMUN", "txPower_MINIMUN", "s_txPower", K::ListItem, 4),
    Row(A, "WDS", kApDefault, "a_l_wds"),
    Row(A, "WDS1", kApDefault, "s_wds", K::ListItem, 0),
    Row(A, "WDS2", kApDefault, "s_wds", K::ListItem, 1),
    Row(A, "MoreOK", kApDefault, "b_ok"),
    Row(A, "MoreCancel", kApDefault, "b_cancel"),
};

constexpr CaptionEntry kLoginDialog[] = {
    Row(U, "Cap", "Management Login", "UsrPassFm", K::WindowTitle),
    Row(U, "mng_l_login", "Login", "mng_l_login"),
    Row(U, "mng_l_name", "UserName", "mng_l_name"),
    Row(U, "mng_l_pass", "Password", "mng_l_pass"),
    Row(U, "UsrOK", "OK", "b_ok"),
    Row(U, "UsrCancel", "Cancel", "b_cancel"),
};

constexpr CaptionEntry kMultiLoginDialog[] = {
    Row(M, "Cap", "Management Login", "MulUsrPassFm", K::WindowTitle),
    Row(M, "Mul_l_login", "Login", "Mul_l_login"),
    Row(M, "g_mul_cell_0", "AP Name", "g_mul_mnge", K::GridHeader, 0),
    Row(M, "g_mul_cell_1", "Mac Address", "g_mul_mnge", K::GridHeader, 1),
    Row(M, "g_mul_cell_2", "UserName", "g_mul_mnge", K::GridHeader, 2),
    Row(M, "g_mul_cell_3", "Password", "g_mul_mnge", K::GridHeader, 3),
    Row(M, "MulUsrOK", "OK", "b_ok"),
    Row(M, "MulUsrCancel", "Cancel", "b_cancel"),
};

constexpr CaptionEntry kListTools[] = {
    Row(L, "Filter", "Filter: name, MAC, SSID or interface", "e_filter"),
    Row(L, "List", "Access point list", "l_title"),
    Row(L, "CopyMac", "Copy MAC", "a_copy_mac"),
    Row(L, "CopyName", "Copy name", "a_copy_name"),
    Row(L, "Backup", "Back up...", "a_backup"),
    Row(L, "Restore", "Restore...", "a_restore"),
    Row(L, "BackupCap", "Back up access points", ""),
    Row(L, "BackupDone", "Backed up:", ""),
    Row(L, "BackupFail", "Could not write the backup:", ""),
    Row(L, "RestoreCap", "Restore an access point", ""),
    Row(L, "RestoreBad", "This file is not a backup of an access point:", ""),
    Row(L, "Files", "Backups (*.json)", ""),
};

constexpr CaptionEntry kReviewDialog[] = {
    Row(R, "Cap", "Review before Apply", "ReviewFm", K::WindowTitle),
    Row(R, "Intro", "Apply will change these settings:", "l_review"),
    Row(R, "Setting", "Setting", "g_review", K::GridHeader, 0),
    Row(R, "Now", "Now", "g_review", K::GridHeader, 1),
    Row(R, "New", "New", "g_review", K::GridHeader, 2),
    Row(R, "NoChange", "nothing to change", ""),
    Row(R, "Nothing", "Nothing to change: the access points already hold these settings.", ""),
    Row(R, "OK", "Apply", "b_ok"),
    Row(R, "Cancel", "Cancel", "b_cancel"),
};

constexpr QLatin1StringView kIndent("  ");

}  // namespace

std::span<const CaptionEntry> MainWindowCaptions() { return kMainWindow; }
std::span<const CaptionEntry> AdvancedDialogCaptions() { return kAdvancedDialog; }
std::span<const CaptionEntry> LoginDialogCaptions() { return kLoginDialog; }
std::span<const CaptionEntry> MultiLoginDialogCaptions() { return kMultiLoginDialog; }
std::span<const CaptionEntry> ListToolCaptions() { return kListTools; }
std::span<const CaptionEntry> ReviewDialogCaptions() { return kReviewDialog; }

const CaptionEntry* FindCaption(std::span<const CaptionEntry> table, QByteArrayView section,
                                QByteArrayView key) {
    for (const CaptionEntry& entry : table) {
        if (entry.section == section && entry.key == key) return &entry;
    }
    return nullptr;
}

QString CaptionScreenText(const LanguageText& language, const CaptionEntry& entry) {
    QString text = language.text(entry.section, entry.key, entry.default_text);
    if (entry.kind == CaptionKind::IndentedCaption) text.prepend(kIndent);
    return text;
}

}  // namespace tern::text
