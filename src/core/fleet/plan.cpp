#include "core/fleet/plan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>

#include "core/form/ap_settings.h"
#include "core/form/form_model.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "core/rules/validation.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"

namespace tern::fleet {

namespace {

// Status, not settings: never a change, never a reason to send.
const QSet<QString> kNotSettings = {QStringLiteral("mac"), QStringLiteral("current_ip"),
                                    QStringLiteral("dhcp_server.pool_size")};

void Flatten(const QString& prefix, const QJsonValue& v, bool withStatus,
             QList<std::pair<QString, QJsonValue>>& out) {
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        if (o.size() == 2 && o.contains(u"text") && o.contains(u"code")) {
            // A list entry: the record's code decides, the text says it.
            out.append({prefix, o});
            return;
        }
        for (auto it = o.begin(); it != o.end(); ++it) {
            Flatten(prefix.isEmpty() ? it.key() : prefix + u'.' + it.key(), it.value(), withStatus,
                    out);
        }
    } else if (v.isArray()) {
        const QJsonArray a = v.toArray();
        for (qsizetype i = 0; i < a.size(); ++i) {
            Flatten(prefix + u'.' + QString::number(i + 1), a[i], withStatus, out);
        }
    } else if (withStatus || !kNotSettings.contains(prefix)) {
        out.append({prefix, v});
    }
}

}  // namespace

QString SettingOfControl(const QString& control) {
    static const QList<std::pair<QString, QString>> kStems = {
        {QStringLiteral("e_apname"), QStringLiteral("ap_name")},
        {QStringLiteral("e_essid"), QStringLiteral("ssid")},
        {QStringLiteral("e_rm_mac"), QStringLiteral("remote_mac")},
        {QStringLiteral("wpa_m_"), QStringLiteral("wpa_passphrase")},
        {QStringLiteral("e_ip_"), QStringLiteral("ip_address")},
        {QStringLiteral("e_submask_"), QStringLiteral("subnet_mask")},
        {QStringLiteral("e_gateway_"), QStringLiteral("gateway")},
        {QStringLiteral("e_dhcp_from_"), QStringLiteral("dhcp_server.start")},
        {QStringLiteral("e_dhcp_to_"), QStringLiteral("dhcp_server.end_last_octet")},
        {QStringLiteral("e_dns_"), QStringLiteral("dhcp_server.dns")},
        {QStringLiteral("e_8_ipS"), QStringLiteral("radius_servers.2.ip")},
        {QStringLiteral("e_8_ip"), QStringLiteral("radius_servers.1.ip")},
        {QStringLiteral("e_beacon"), QStringLiteral("beacon_interval")},
        {QStringLiteral("e_rts"), QStringLiteral("rts_threshold")},
        {QStringLiteral("e_frag"), QStringLiteral("frag_threshold")},
        {QStringLiteral("e_dtim"), QStringLiteral("dtim_period")},
    };
    for (const auto& [stem, name] : kStems) {
        if (control.startsWith(stem)) return name;
    }
    const QString last = control.right(1);
    if (control.startsWith(u"e_key")) return QStringLiteral("wep_keys.") + last;
    if (control.startsWith(u"e_8_shared"))
        return QStringLiteral("radius_servers.") + last + QStringLiteral(".shared_secret");
    if (control.startsWith(u"e_8_port"))
        return QStringLiteral("radius_servers.") + last + QStringLiteral(".port");
    return control;
}

QJsonValue CodedText(const QJsonValue& v) {
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        const QString text = o.value(u"text").toString();
        return text.isEmpty() ? o.value(u"code") : QJsonValue(text);
    }
    return v;
}

QString ApLabel(const QString& mac, const QString& name) {
    return mac + QStringLiteral(" (") + text::VisibleText(name) + u')';
}

QString Dot1xSwitchedOnWords(const QString& apLabel) {
    return apLabel +
           QStringLiteral(": dot1x will be switched on by this change, as WPA-PSK wants it (\"") +
           text::LookupMessage(text::BuiltInEnglish(), text::kMsgNoSelect3).text.simplified() +
           QStringLiteral("\")");
}

namespace {

QString Who(const ApPlan& plan) { return ApLabel(plan.mac, plan.name); }

QString WindowText(const rules::CheckMessage& m) {
    return rules::CheckMessageText(text::BuiltInEnglish(), m).text.simplified();
}

QString ValueOf(const QList<std::pair<QString, QJsonValue>>& flat, const QString& name) {
    for (const auto& [n, v] : flat) {
        if (n == name) return ShownValue(CodedText(v), IsSecretSetting(name), false);
    }
    return {};
}

}  // namespace

QString BuildFailureWords(const QString& control, const QString& text, bool showSecrets) {
    const QString setting = SettingOfControl(control);
    const QString shown =
        IsSecretSetting(setting) && !showSecrets ? QStringLiteral("***") : text::Abbreviated(text);
    const std::optional<QByteArray> bytes = text::ScreenTextToRecord(text, kPlanEncoding);
    return setting + QStringLiteral(" '") + shown + QStringLiteral("': ") +
           (bytes ? QStringLiteral("%1 bytes, longer than the AP's record holds for it")
                        .arg(bytes->size())
                  : QStringLiteral("a character the AP's code page (windows-1252) cannot hold"));
}

QString CheckInWords(const rules::ApplyCheckResult& r, const record::ApConfigRecord& built,
                     const rules::FormValues* typed) {
    auto flat = FlatSettings(built);
    if (typed != nullptr) {
        // What was typed, where the record would say something else.
        for (auto& [name, value] : flat) {
            if (name == u"dhcp_server.end_last_octet") value = typed->dhcp_to[3];
        }
    }
    const auto v = [&flat](const char* name) {
        return QString::fromLatin1(name) + u' ' + ValueOf(flat, QString::fromLatin1(name));
    };
    // A value as it is, secrets too: only to tell empty from set.
    const auto raw = [&flat](const char* name) {
        for (const auto& [n, value] : flat) {
            if (n == QLatin1StringView(name)) return ShownValue(CodedText(value), false, true);
        }
        return QString();
    };
    QString words;
    switch (r.failed) {
        case rules::ApplyCheck::None:
        case rules::ApplyCheck::PassphraseNeedsDot1x:
            break;
        case rules::ApplyCheck::RemoteMac:
            words = v("remote_mac") +
                    QStringLiteral(": wants six pairs of hexadecimal digits, not all zero");
            break;
        case rules::ApplyCheck::PassphraseLength:
            words = QStringLiteral("wpa_passphrase: wants 8 to 63 characters");
            break;
        case rules::ApplyCheck::WpaNeedsDot1x:
            words = QStringLiteral("auth_type WPA: wants dot1x on, with a RADIUS server");
            break;
        case rules::ApplyCheck::PassphraseMismatch:
            words = QStringLiteral("wpa_passphrase: the confirmation differs");
            break;
        case rules::ApplyCheck::WepKeyEmpty: {
            const QString slot = raw("wep_default_key");
            words = v("wep_default_key") + QStringLiteral(": wep_keys.") + slot +
                    QStringLiteral(" is empty while WEP is on");
        } break;
        case rules::ApplyCheck::WepKeyLength: {
            const bool hex = raw("wep_key_format") == u"hex";
            // The window's message carries the number of the key at fault.
            int key = 0;
            for (const rules::CheckMessage& m : r.messages) key = m.wep_key > 0 ? m.wep_key : key;
            // The length the form wants, where it is known; else by the
            // record's key length (64, 128 or 256 bits).
            const QString bits = raw("wep_key_length");
            int bytes = bits == u"128" ? 13 : bits == u"256" ? 29 : 5;
            if (typed != nullptr && key > 0)
                bytes = typed->key_bytes[static_cast<std::size_t>(key - 1)];
            words = (key > 0 ? QStringLiteral("wep_keys.") + QString::number(key)
                             : QStringLiteral("a key in wep_keys")) +
                    QStringLiteral(": wants ") +
                    (hex ? QString::number(2 * bytes) + QStringLiteral(" hexadecimal digits")
                         : QString::number(bytes) + QStringLiteral(" characters")) +
                    QStringLiteral(" for ") + v("wep_key_length") + QStringLiteral(" and ") +
                    v("wep_key_format");
        } break;
        case rules::ApplyCheck::SubnetMask:
            words = v("subnet_mask") + QStringLiteral(": not a mask of leading ones");
            break;
        case rules::ApplyCheck::IpAddress:
            words = v("ip_address") + QStringLiteral(": not an address a host may have");
            break;
        case rules::ApplyCheck::DhcpRange:
            words = v("dhcp_server.start") + QStringLiteral(", ") +
                    v("dhcp_server.end_last_octet") +
                    QStringLiteral(": the range must lie in the subnet of ") + v("ip_address") +
                    QStringLiteral(" with ") + v("subnet_mask") +
                    QStringLiteral(" and end at or above its start");
            break;
        case rules::ApplyCheck::GatewaySubnet:
            words = v("gateway") + QStringLiteral(" lies outside the subnet of ") +
                    v("ip_address") + QStringLiteral(" with ") + v("subnet_mask");
            break;
        case rules::ApplyCheck::RadiusServer: {
            // Which of the three is missing, by name.
            QStringList missing;
            if (raw("radius_servers.1.ip") == u"0.0.0.0")
                missing << QStringLiteral("radius_servers.1.ip is 0.0.0.0");
            if (raw("radius_servers.1.port") == u"0")
                missing << QStringLiteral("radius_servers.1.port is 0");
            if (raw("radius_servers.1.shared_secret").isEmpty())
                missing << QStringLiteral("radius_servers.1.shared_secret is empty");
            words = QStringLiteral(
                        "dot1x on: radius_servers.1 wants an ip, a port and a shared_secret") +
                    (missing.isEmpty() ? QString()
                                       : QStringLiteral("; ") + missing.join(QStringLiteral(", ")));
        } break;
        case rules::ApplyCheck::GatewayLastOctet:
            words = v("gateway") + QStringLiteral(": a gateway may not end in 0");
            break;
        case rules::ApplyCheck::TextCodePage:
            words = SettingOfControl(r.focus) +
                    QStringLiteral(": a character the AP's code page (windows-1252) cannot hold");
            break;
        case rules::ApplyCheck::TextTooLong:
            words = SettingOfControl(r.focus) +
                    QStringLiteral(": longer than the AP's record holds for it");
            break;
    }
    QStringList window;
    for (rules::CheckMessage m : r.messages) {
        m.detail.clear();  // the text itself: it may be a secret
        if (const QString t = WindowText(m); !t.isEmpty()) window << t;
    }
    if (!window.isEmpty())
        words += QStringLiteral(" (\"") + window.join(u' ') + QStringLiteral("\")");
    return words;
}

namespace {

// Built and checked as the window's single-AP apply would.
void BuildAndCheck(ApPlan& plan, record::FormSettings form) {
    const record::ApConfigRecord& shown = plan.current;
    const rules::ApplyCheckResult pre =
        rules::CheckApplyPreconditions(form::FormValuesOf(form, shown, kPlanEncoding, false));
    if (pre.passed() && pre.check_dot1x && !form.Chk_8021x) {
        form.Chk_8021x = true;
        plan.notes << Dot1xSwitchedOnWords(Who(plan));
    }
    const record::BuildResult built = record::BuildRecord(record::BuildMode::Single, shown, form);
    if (!built) {
        plan.verdict = ApPlan::Verdict::Invalid;
        plan.problems << Who(plan) + QStringLiteral(": ") +
                             BuildFailureWords(built.failure().field, built.failure().text, false);
        return;
    }
    plan.changes = DiffRecords(plan.current, built.record());
    if (plan.changes.isEmpty()) {
        // Nothing to send, so nothing the checks could refuse: an AP whose
        // own record they would not pass still holds what is wanted.
        plan.notes.clear();
        plan.verdict = ApPlan::Verdict::InState;
        return;
    }
    rules::FormValues values = form::FormValuesOf(form, shown, kPlanEncoding, false);
    form::TakeDhcpServer(values, built.record());
    const rules::ApplyCheckResult checked = rules::RunApplyChecks(values);
    if (!checked.passed()) {
        plan.changes.clear();
        plan.verdict = ApPlan::Verdict::Invalid;
        plan.problems << Who(plan) + QStringLiteral(": ") +
                             CheckInWords(checked, built.record(), &values);
        return;
    }
    plan.desired = built.record();
    plan.verdict = ApPlan::Verdict::ToChange;
}

ApPlan Begin(const record::ApConfigRecord& current) {
    ApPlan plan;
    plan.current = current;
    plan.desired = current;
    plan.mac = record::MacText(current.mac_addr());
    plan.name = text::RecordTextToScreen(current.ap_name(), kPlanEncoding);
    return plan;
}

}  // namespace

QList<std::pair<QString, QJsonValue>> FlatSettings(const record::ApConfigRecord& record) {
    QList<std::pair<QString, QJsonValue>> out;
    Flatten({}, form::DecodeSettings(record, kPlanEncoding, true), false, out);
    return out;
}

QList<std::pair<QString, QJsonValue>> FlattenDecoded(const QJsonObject& decoded, bool withStatus) {
    QList<std::pair<QString, QJsonValue>> out;
    Flatten({}, decoded, withStatus, out);
    return out;
}

QList<SettingChange> DiffRecords(const record::ApConfigRecord& from,
                                 const record::ApConfigRecord& to) {
    const auto before = FlatSettings(from);
    const auto after = FlatSettings(to);
    QList<SettingChange> changes;
    for (qsizetype i = 0; i < before.size() && i < after.size(); ++i) {
        // Both come from the same decoder, so the names line up.
        if (before[i].second != after[i].second) {
            changes.append({before[i].first, CodedText(before[i].second),
                            CodedText(after[i].second), IsSecretSetting(before[i].first)});
        }
    }
    return changes;
}

ApPlan PlanSettings(const record::ApConfigRecord& current, const QList<DesiredSetting>& settings) {
    ApPlan plan = Begin(current);
    record::FormSettings form = form::ShownForm(current, kPlanEncoding);
    for (const DesiredSetting& s : settings) {
        if (const form::SetResult set = form::SetNamed(form, current, s.name, s.value, false);
            !set.passed()) {
            plan.verdict = ApPlan::Verdict::Invalid;
            form::SetResult shown = set;
            if (s.secret) shown.value = QStringLiteral("***");
            plan.problems << Who(plan) + QStringLiteral(": ") + form::RefusalText(shown);
        }
    }
    if (plan.verdict == ApPlan::Verdict::Invalid) return plan;
    BuildAndCheck(plan, std::move(form));
    if (plan.verdict != ApPlan::Verdict::Invalid) {
        // {code: 0, text: WPA-PSK} says two things; the record the code
        // makes must show that text, else neither is taken.
        const auto flat = FlatSettings(plan.desired);
        for (const DesiredSetting& s : settings) {
            if (s.codedText.isEmpty()) continue;
            for (const auto& [n, v] : flat) {
                const QString shown = v.toObject().value(u"text").toString();
                if (n != s.name || !v.isObject() ||
                    shown.compare(s.codedText, Qt::CaseInsensitive) == 0) {
                    continue;
                }
                plan.verdict = ApPlan::Verdict::Invalid;
                plan.problems << Who(plan) + QStringLiteral(": ") + s.name +
                                     QStringLiteral(": code ") + text::Abbreviated(s.value) +
                                     QStringLiteral(" is '") + shown + QStringLiteral("', not '") +
                                     text::Abbreviated(s.codedText) +
                                     QStringLiteral("'; give the code, the text, or both agreeing");
            }
        }
    }
    if (plan.verdict != ApPlan::Verdict::ToChange) return plan;
    // An AP that does not hold a desired value is to change.
    QSet<QString> wanted;
    for (const DesiredSetting& s : settings) wanted.insert(s.name);
    if (std::any_of(plan.changes.begin(), plan.changes.end(),
                    [&wanted](const SettingChange& c) { return wanted.contains(c.name); })) {
        return plan;
    }
    // Only what the checks and the builder change by themselves (802.1X
    // for WPA-PSK, say) differs: no reason to send when the same form
    // without the desired settings gives the same record. Otherwise a
    // state that asks for nothing new would send to such an AP on every
    // run.
    ApPlan baseline = Begin(current);
    BuildAndCheck(baseline, form::ShownForm(current, kPlanEncoding));
    if (baseline.verdict != ApPlan::Verdict::Invalid &&
        DiffRecords(baseline.desired, plan.desired).isEmpty()) {
        plan.verdict = ApPlan::Verdict::InState;
        plan.changes.clear();
        plan.notes.clear();
        plan.desired = current;
    }
    return plan;
}

ApPlan PlanRestore(const record::ApConfigRecord& current, const record::ApConfigRecord& saved,
                   bool allFields) {
    ApPlan plan = Begin(current);
    record::ApConfigRecord out = saved;
    if (current.mac_addr() != saved.mac_addr() && !allFields) {
        // Another AP keeps who and where it is.
        out.set_ip_addr(current.ip_addr());
        out.set_subnet_mask(current.subnet_mask());
        out.set_gateway(current.gateway());
        out.set_ip_mode(current.ip_mode());
        out.set_current_ip(current.current_ip());
        out.set_ap_name(current.ap_name());
    }
    out.set_mac_addr(current.mac_addr());
    // The record a restore writes, byte for byte, whatever the verdict.
    plan.desired = out;
    plan.changes = DiffRecords(plan.current, out);
    if (plan.changes.isEmpty()) {
        plan.verdict = ApPlan::Verdict::InState;  // nothing to send, nothing to check
        return plan;
    }
    // The same checks as any apply, over the form the record would show;
    // the saved record goes out as it was saved, not rebuilt.
    rules::FormValues values =
        form::FormValuesOf(form::ShownForm(out, kPlanEncoding), out, kPlanEncoding, false);
    form::TakeDhcpServer(values, out);
    if (const rules::ApplyCheckResult checked = rules::RunApplyChecks(values); !checked.passed()) {
        plan.changes.clear();
        plan.verdict = ApPlan::Verdict::Invalid;
        plan.problems << Who(plan) + QStringLiteral(": ") + CheckInWords(checked, out);
        return plan;
    }
    plan.verdict = ApPlan::Verdict::ToChange;
    return plan;
}

QList<SettingChange> Unheld(const ApPlan& plan, const record::ApConfigRecord& readBack) {
    QList<SettingChange> unheld;
    const QList<SettingChange> still = DiffRecords(readBack, plan.desired);
    for (const SettingChange& want : plan.changes) {
        for (const SettingChange& s : still) {
            if (s.name == want.name) unheld.append(s);
        }
    }
    return unheld;
}

QString ShownValue(const QJsonValue& value, bool secret, bool showSecrets) {
    if (secret && !showSecrets) return QStringLiteral("***");
    if (value.isString()) return text::VisibleText(value.toString());
    return QString::fromUtf8(
        QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1));
}

}  // namespace tern::fleet
