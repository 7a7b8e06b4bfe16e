#include "core/text/caption_tables.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QSet>

#include "core/text/lang_ini.h"
#include "core/text/language_sections.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"

namespace tern::text {
namespace {

const QString kFullWidthBang = QString(QChar(0xFF01));

LanguageText EmptyFile() { return LanguageText(LangIni::FromBytes(""), TextEncoding::Windows1252); }

std::vector<std::span<const CaptionEntry>> AllTables() {
    return {MainWindowCaptions(),       AdvancedDialogCaptions(), LoginDialogCaptions(),
            MultiLoginDialogCaptions(), ListToolCaptions(),       ReviewDialogCaptions()};
}

QStringList ItemsOf(std::span<const CaptionEntry> table, QLatin1StringView list) {
    const LanguageText language = EmptyFile();
    QStringList items;
    for (const CaptionEntry& entry : table) {
        if (entry.kind == CaptionKind::ListItem && entry.target == list) {
            items.append(CaptionScreenText(language, entry));
        }
    }
    return items;
}

TEST(CaptionTables, emptyFile_everyCaptionIsItsDefault) {
    const LanguageText language = EmptyFile();
    for (const auto table : AllTables()) {
        for (const CaptionEntry& entry : table) {
            QString expected = QString::fromLatin1(entry.default_text);
            if (entry.kind == CaptionKind::IndentedCaption) expected.prepend(QStringLiteral("  "));
            EXPECT_EQ(CaptionScreenText(language, entry), expected)
                << entry.section.data() << "/" << entry.key.data();
        }
    }
    const auto main = MainWindowCaptions();
    for (int column = 0; column < 4; ++column) {
        const auto it = std::find_if(main.begin(), main.end(), [&](const CaptionEntry& e) {
            return e.kind == CaptionKind::GridHeader && e.index == column;
        });
        ASSERT_NE(it, main.end());
        EXPECT_EQ(it->target, QLatin1StringView("l_title"));
        EXPECT_EQ(CaptionScreenText(language, *it), QStringLiteral("WEP Setting"));
    }
    const CaptionEntry* app = FindCaption(main, kSectionGlobal, "application");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(CaptionScreenText(language, *app), QStringLiteral("  AP Utility"));
}

TEST(CaptionTables, indentAddsExactlyTwoBlanks_andNothingElseIsTouched) {
    const LanguageText language(
        LangIni::FromBytes("[GLOBAL]\napplication=\" Tern \"\n[8021x]\nlenght=\"  L  \"\n"),
        TextEncoding::Windows1252);
    const auto main = MainWindowCaptions();
    EXPECT_EQ(CaptionScreenText(language, *FindCaption(main, kSectionGlobal, "application")),
              QStringLiteral("   Tern "));
    EXPECT_EQ(CaptionScreenText(language, *FindCaption(main, kSection8021x, "lenght")),
              QStringLiteral("  L  "));
}

TEST(CaptionTables, fixedListsHaveTheirItemCountsInOrder) {
    EXPECT_EQ(ItemsOf(MainWindowCaptions(), QLatin1StringView("s_auth")).size(), 4);
    EXPECT_EQ(ItemsOf(MainWindowCaptions(), QLatin1StringView("s_wep_1")).size(), 2);
    EXPECT_EQ(ItemsOf(MainWindowCaptions(), QLatin1StringView("s_extended")).size(), 2);
    EXPECT_EQ(ItemsOf(MainWindowCaptions(), QLatin1StringView("c_8_keylength")).size(), 2);
    EXPECT_EQ(ItemsOf(MainWindowCaptions(), QLatin1StringView("c_8_lifetime")),
              (QStringList{QStringLiteral("  1 Day"), QStringLiteral("  8 Hours"),
                           QStringLiteral("  1 Hour"), QStringLiteral(" 30 Minutes"),
                           QStringLiteral(" 15 Minutes"), QStringLiteral("  5 Minutes")}));
    EXPECT_EQ(ItemsOf(AdvancedDialogCaptions(), QLatin1StringView("s_rate")).size(), 13);
    EXPECT_EQ(
        ItemsOf(AdvancedDialogCaptions(), QLatin1StringView("s_11g_SuperG")),
        (QStringList{QStringLiteral("11g_SuperG_DISABLE"), QStringLiteral("11g_SuperG_NoTURBO"),
                     QStringLiteral("11g_SuperG_DynamicTURBO"),
                     QStringLiteral("11g_SuperG_StaticTURBO")}));
    EXPECT_EQ(ItemsOf(AdvancedDialogCaptions(), QLatin1StringView("s_txPower")).size(), 5);
    EXPECT_EQ(ItemsOf(AdvancedDialogCaptions(), QLatin1StringView("s_bcast")).size(), 2);
    EXPECT_EQ(ItemsOf(AdvancedDialogCaptions(), QLatin1StringView("s_11g_only")).size(), 2);
    EXPECT_EQ(ItemsOf(AdvancedDialogCaptions(), QLatin1StringView("s_wds")).size(), 2);
}

TEST(CaptionTables, listItemsAndGridColumnsAreContiguousFromZero_keysUnique) {
    for (const auto table : AllTables()) {
        QHash<QString, int> next_index;  // per target and kind
        QSet<QByteArray> keys;
        QLatin1StringView previous_list;
        for (const CaptionEntry& entry : table) {
            const QByteArray id = entry.section.toByteArray() + '/' + entry.key.toByteArray();
            EXPECT_FALSE(keys.contains(id)) << id.constData();
            keys.insert(id);
            const bool indexed =
                entry.kind == CaptionKind::ListItem || entry.kind == CaptionKind::GridHeader;
            if (!indexed) {
                EXPECT_EQ(entry.index, -1) << id.constData();
                previous_list = {};
                continue;
            }
            const QString slot = QString(entry.target) + QString::number(int(entry.kind));
            // One list's items stand together.
            if (entry.index > 0) {
                EXPECT_EQ(entry.target, previous_list) << id.constData();
            }
            EXPECT_EQ(entry.index, next_index.value(slot, 0)) << id.constData();
            next_index[slot] = entry.index + 1;
            previous_list = entry.target;
        }
    }
}

TEST(CaptionTables, targetsAndSpecialRows) {
    const auto main = MainWindowCaptions();
    ASSERT_FALSE(main.empty());
    EXPECT_EQ(main.front().section, kSectionGlobal);
    EXPECT_EQ(main.front().kind, CaptionKind::WindowTitle);
    EXPECT_EQ(main.front().target, kMainWindowName);
    EXPECT_EQ(main.back().section, kSection8021x);
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "Apply")->kind, CaptionKind::ApplyButton);
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "Apply")->target, QLatin1StringView("b_Ternapply"));
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "link")->kind, CaptionKind::LinkCaption);
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "link")->target, QLatin1StringView("l_status"));
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "statue")->target, QLatin1StringView("l_link"));
    EXPECT_EQ(FindCaption(main, kSectionAp, "Advance Setting")->target,
              QLatin1StringView("a_b_more"));
    EXPECT_EQ(FindCaption(main, kSectionAp, "RemoteBridgeMAC")->kind, CaptionKind::ModeCaption);
    EXPECT_EQ(FindCaption(main, kSectionAp, "RemoteAPMAC")->kind, CaptionKind::Caption);
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "QuitAsk"), nullptr);
    EXPECT_EQ(FindCaption(main, kSectionGlobal, "title"), nullptr);

    // Sections appear in loading order, each in one run.
    QList<QByteArray> order;
    for (const CaptionEntry& entry : main) {
        if (order.isEmpty() || order.back() != entry.section)
            order.append(entry.section.toByteArray());
    }
    EXPECT_EQ(order, (QList<QByteArray>{"GLOBAL", "Status", "AP", "IP", "WEP", "8021x"}));

    EXPECT_EQ(AdvancedDialogCaptions().front().target, kAdvancedDialogName);
    EXPECT_EQ(LoginDialogCaptions().front().target, kLoginDialogName);
    EXPECT_EQ(MultiLoginDialogCaptions().front().target, kMultiLoginDialogName);
    for (const CaptionEntry& entry : AdvancedDialogCaptions()) EXPECT_EQ(entry.section, kSectionAp);
    for (const CaptionEntry& entry : LoginDialogCaptions()) {
        EXPECT_EQ(entry.section, kSectionUsrPass);
    }
    for (const CaptionEntry& entry : MultiLoginDialogCaptions()) {
        EXPECT_EQ(entry.section, kSectionMulUsrPass);
    }
}

TEST(Messages, big5EndingDefaultsAreByteExact) {
    EXPECT_EQ(kMsgErrEBeacon.text_default, QByteArrayView("Setting Error\xA1\x49"));
    EXPECT_EQ(kMsgErrEBeacon.text_default.size(), 15);
    EXPECT_EQ(kMsgErrDomain.text_default.toByteArray(), QByteArray("Domain different\xA1I"));
    EXPECT_EQ(kMsgErrMacValue.text_default.toByteArray().right(3), QByteArray("r\xA1\x49"));
    EXPECT_EQ(kMsgErrIp1IpCheck.text_default.toByteArray(),
              QByteArray("IP Settings have Error") + '\xA1' + 'I');
    EXPECT_EQ(kMsgErrWepKeyStr1.text_default.toByteArray(), QByteArray("Wep Key Error\xA1I"));
    EXPECT_EQ(kDhcpRangeErrorText.toByteArray(),
              QByteArray("DHCP IP range Settings have Error\xA1I"));
    EXPECT_EQ(kMsgErrGateway.text_default,
              QByteArrayView("The last set of Gateway's IP Adresse can't be set to zero!"));
}

TEST(Messages, lookupUsesBothSectionsUnderOneKey_perCheckDefaults) {
    const LangIni ini = LangIni::FromBytes(
        "[ErrRangMsg]\nErr_subnet=Bad mask\n[ErrMsgCap]\nErr_subnet=Mask\nErr_IP_1=IP\n");
    const MessageBytes subnet = LookupMessage(ini, kMsgErrSubnet);
    EXPECT_EQ(subnet.text, "Bad mask");
    EXPECT_EQ(subnet.caption, "Mask");

    const MessageBytes ip = LookupMessage(ini, kMsgErrIp1IpCheck);
    EXPECT_EQ(ip.text, "IP Settings have Error\xA1\x49");
    EXPECT_EQ(ip.caption, "IP");
    const MessageBytes radius = LookupMessage(LangIni::FromBytes(""), kMsgErrIp1Radius);
    EXPECT_EQ(radius.text, "RADIUS Server1: IP, Port, or Shared Secret is empty.");
    EXPECT_EQ(radius.caption, "RADIUS Server1 setting Error");

    // A half the file does not supply: the program's own text, never a lookup.
    const LangIni tries_to_override =
        LangIni::FromBytes("[ErrRangMsg]\nErr_IP_Domain=from file\nErr_Apply=from file\n");
    const MessageBytes dhcp = LookupMessage(tries_to_override, kMsgErrIpDomainDhcpRange);
    EXPECT_EQ(dhcp.text, kDhcpRangeErrorText.toByteArray());
    EXPECT_EQ(dhcp.caption, "Message");
    EXPECT_EQ(LookupMessage(tries_to_override, kMsgErrApply).text, QByteArray());

    const MessageText shown = LookupMessage(EmptyFile(), kMsgErrEDtim);
    EXPECT_EQ(shown.text, QStringLiteral("Setting Error") + kFullWidthBang);
    EXPECT_EQ(shown.caption, QStringLiteral("Message"));
}

TEST(Messages, pairedMessagesAndRangeKeys) {
    const LangIni ini = LangIni::FromBytes("[ApplyMsg]\nnoselect2=Differs\nmescap2=Pass\n");
    const MessageBytes differs = LookupMessage(ini, kMsgNoSelect2);
    EXPECT_EQ(differs.text, "Differs");
    EXPECT_EQ(differs.caption, "Pass");
    const MessageBytes quit = LookupMessage(ini, kQuitQuestion);
    EXPECT_EQ(quit.text, "Scan");
    EXPECT_EQ(quit.caption, "Scan");
    EXPECT_EQ(kQuitQuestion.section, kSectionGlobal);
    EXPECT_EQ(PairedMessages().size(), 8u);

    for (const char* key :
         {"Err_e_beacon", "Err_e_rts", "Err_e_frag_rang", "Err_e_frag_even", "Err_e_dtim", "Err_IP",
          "Err_IP1_rang", "Err_fixIP_1", "Err_IP4_rang", "Err_Gateway4_rang", "Err_Port_rang"}) {
        const ErrorMessage* message = FindRangeErrorMessage(key);
        ASSERT_NE(message, nullptr) << key;
        EXPECT_EQ(message->key, QByteArrayView(key));
        EXPECT_EQ(message->text_default, kSettingError);
        EXPECT_EQ(message->caption_default, kMessageCaption);
    }
    EXPECT_EQ(FindRangeErrorMessage("0"), nullptr);
    EXPECT_EQ(FindRangeErrorMessage("Err_subnet"), nullptr);
    EXPECT_EQ(kStartupWarningCaption, QLatin1StringView("Warning!"));
}

}  // namespace
}  // namespace tern::text
