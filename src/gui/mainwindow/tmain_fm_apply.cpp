// The apply: the form's settings written to one AP or to several, one set
// request per AP, and the bookkeeping of which APs answered.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

#include "core/fleet/state_file.h"
#include "core/form/form_model.h"
#include "core/net/protocol.h"
#include "core/record/ap_config_record.h"
#include "core/record/net_types.h"
#include "core/record/record_builder.h"
#include "core/rules/validation.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "core/text/screen_text.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/tmain_fm.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_ap_page.h"
#include "ui_dot1x_page.h"
#include "ui_ip_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

// A multi-AP apply waits up to 3 x 100 ms for each AP's answer before the
// next request goes out.
constexpr engine::ApplySession::Options kMultiPacing{
    .waitForReplies = true, .sliceMs = 100, .maxSlices = 3};

const QString kCrLf = QStringLiteral("\r\n");

std::array<QString, 4> Texts(std::initializer_list<const QLineEdit*> edits) {
    std::array<QString, 4> texts;
    std::size_t i = 0;
    for (const QLineEdit* e : edits) {
        if (i < texts.size()) texts[i++] = e->text();
    }
    return texts;
}

template <std::size_t N>
int FirstChecked(const std::array<QRadioButton*, N>& buttons) {
    for (std::size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked()) return static_cast<int>(i);
    }
    return -1;
}

// The AP's record of a stored packet (the callers checked its size).
record::ApConfigRecord StoredRecord(const QByteArray& packet) {
    return engine::PacketRecord(packet).value_or(record::ApConfigRecord());
}

// The window's apply to several APs sends inside the click, each request
// after the previous AP's answer: the event loop runs here meanwhile, the
// receive event among it. False when nothing was started or the session
// was destroyed meanwhile.
bool SendAllInClick(engine::ApplySession& session, net::UdpSocketControl* socket,
                    std::vector<engine::ApplySession::Request> requests,
                    const engine::ApplySession::Options& options) {
    if (!session.start(socket, std::move(requests), options)) return false;
    const QPointer<engine::ApplySession> self(&session);
    while (self && self->sending()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return self != nullptr;
}

// Sets a flag for the length of a scope and puts back what it was.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = before_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

  private:
    bool& flag_;
    bool before_;
};

}  // namespace

void TMainFm::connectApplyHandlers() {
    connect(ui_->b_Ternapply, &QPushButton::clicked, this, [this] { b_TernapplyClick(); });
    connect(&applySession_, &engine::ApplySession::aboutToSend, this,
            [this] { setWaitCursor(true); });
}

// ---------------------------------------------------------------- the click

void TMainFm::b_TernapplyClick() {
    if (applyBlocked()) {
        return;
    }
    // The field the user is in is left first, so its rule has its say on the
    // value before anything reads it.
    if (!CommitFocusedNumericField()) {
        return;
    }
    // A second apply cannot start inside this one. Timer ticks still run
    // while the checks' boxes and the login dialog are open, so a search
    // under way settles in its time; only the multi-AP waits keep them out.
    // A reply listed meanwhile goes to the end of the list: the rows the
    // dialogs read stay the targets' own until the requests are out.
    const ApplyUnderWay applying(*this);

    if (!RunApplyPreconditions().passed()) {
        return;
    }
    setWaitCursor(true);
    const TQuillGrid* grid = ui_->l_title;
    // The selected rows in view: a row the filter leaves out is not applied to.
    const QList<int> rows = ShownSelectedRows();
    engine_.BeginApply(static_cast<int>(rows.size()));
    if (expected_replies == 0) {
        ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
        setWaitCursor(false);
        return;
    }

    // One AP: the one the form shows, which is the current row. One row in
    // view that the form does not show (the current row is filtered out)
    // gets the multi-AP apply, which keeps that AP's own addressing.
    const bool single = rows.size() == 1 && rows.first() == grid->Row();
    const bool sent = single ? applySingle(grid->Row()) : applyMulti(rows);
    if (!sent) {
        setWaitCursor(false);
        return;
    }
    // The session told the engine the requests are out after the last one.
    // Every way the apply ends sets the button again from the list.
    ui_->b_Ternapply->setEnabled(false);
    ui_->b_apply->setEnabled(false);
}

void TMainFm::beginSending() {
    // The timer ran on while the login was asked for, so a search may have
    // settled or started meanwhile: the counts start with the sending (the
    // session's), and a search still waiting for its settling tick is taken
    // over by the apply, whose ending brings the refresh.
    refresh_skip = false;
}

bool TMainFm::applySingle(int row) {
    const QByteArray packet = FetchStoredPacket(QString::number(row));
    if (packet.size() < static_cast<qsizetype>(net::kDiscoveryPacketSize)) {
        // a row still being filled: there is nothing to build on
        ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
        return false;
    }
    const record::BuildResult built =
        record::BuildRecord(record::BuildMode::Single, StoredRecord(packet), CollectFormSettings());
    if (!built) {
        reportBuildFailure(built.failure());
        return false;
    }
    const record::ApConfigRecord& apply_record = built.record();

    rules::FormValues dhcp;
    form::TakeDhcpServer(dhcp, apply_record);
    if (!RunValidateSettings(false, dhcp.dhcp_start, dhcp.dhcp_server_on).passed()) {
        return false;
    }
    // Read before the review and the login: a dialog's event loop may see
    // the list change.
    const QString name = ui_->l_title->Cells(0, row);
    if (!ReviewChanges({{StoredRecord(packet), apply_record, name}})) {
        return false;
    }
    if (!LoginSingle()) {
        return false;
    }
    if (!loginWritable(login_user, login_pass)) {
        return false;
    }
    apply_name = name;
    beginSending();
    SendSetRequest(apply_record);
    return true;
}

bool TMainFm::applyMulti(const QList<int>& rows) {
    if (!RunValidateSettings(true, QString(), false).passed()) {
        return false;
    }

    // Every record is built before the first is sent: a setting that cannot
    // be converted stops the apply before any AP is touched, and what goes
    // out is the form as it was at the click, whatever is typed during the
    // waits below. Each target is known by its MAC from here on: the
    // dialogs below run the event loop, and a row number is only a place.
    const record::FormSettings shared = CollectFormSettings();
    const bool keptPhrase = EffectivePassphrase() != wep_->wpa_m_p->text();
    struct Target {
        QString mac;
        QString name;
        record::ApConfigRecord record;
    };
    std::vector<Target> targets;
    targets.reserve(static_cast<std::size_t>(rows.size()));
    QList<ReviewTarget> review;
    for (const int row : rows) {
        const QByteArray packet = FetchStoredPacket(QString::number(row));
        if (packet.size() < static_cast<qsizetype>(net::kDiscoveryPacketSize)) {
            ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
            return false;
        }
        const record::ApConfigRecord source = StoredRecord(packet);
        record::FormSettings settings = shared;
        // An unedited pass phrase is the one of the AP shown last; each AP
        // keeps its own instead, as it keeps its own unedited keys.
        if (keptPhrase && !source.wpa_passphrase().isEmpty()) {
            settings.wpa_m_p = language().recordText(source.wpa_passphrase());
        }
        const record::BuildResult built =
            record::BuildRecord(record::BuildMode::Multi, source, settings);
        if (!built) {
            reportBuildFailure(built.failure());
            return false;
        }
        const QString name = ui_->l_title->Cells(0, row);
        targets.push_back({record::MacText(source.mac_addr()), name, built.record()});
        review.push_back({source, built.record(), name});
    }

    QList<qsizetype> changing;
    if (!ReviewChanges(review, &changing)) {
        return false;
    }
    // An AP the review showed with nothing to change is left alone: no
    // login is asked for it, nothing is sent to it, no answer awaited.
    std::vector<Target> toChange;
    for (const qsizetype i : changing) {
        toChange.push_back(targets[static_cast<std::size_t>(i)]);
    }
    targets = std::move(toChange);
    engine_.BeginApply(static_cast<int>(targets.size()));
    // The report of refusals names a lone AP by its list name.
    apply_name = targets.size() == 1 ? targets.front().name : QString();
    // The login dialog reads each AP's name and MAC from its row: the rows
    // as they are now.
    QStringList row_list;
    for (const Target& target : targets) {
        const int row = rowOfMac(target.mac);
        if (row == 0) {
            ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
            return false;
        }
        row_list << QString::number(row);
    }
    if (!LoginMulti(row_list)) {
        return false;
    }
    // Each AP's login is the line the dialog wrote under its MAC, wherever
    // that line stands.
    QStringList logins;
    for (const Target& target : targets) {
        const auto line =
            std::find_if(login_list.cbegin(), login_list.cend(),
                         [&](const QString& l) { return l.section(u'\t', 0, 0) == target.mac; });
        if (line == login_list.cend()) {
            ShowInfoMessage(text::LookupMessage(language(), text::kMsgNoSelect));
            return false;
        }
        logins << *line;
    }
    for (const QString& line : logins) {
        const QStringList fields = line.split(u'\t');
        if (!loginWritable(fields.value(2), fields.value(3))) {
            return false;
        }
    }

    std::vector<engine::ApplySession::Request> requests;
    requests.reserve(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const QStringList fields = logins.value(static_cast<qsizetype>(i)).split(u'\t');
        login_user = fields.value(2);
        login_pass = fields.value(3);
        const Target& target = targets[i];
        requests.push_back({WithLoginOf(target.record), {target.mac, NameForMac(target.mac)}});
    }
    beginSending();
    {
        // Pending events run while the session waits for each AP's answer,
        // the receive event among them; a timer tick or a refresh there would
        // settle or start a search in the middle of the sending.
        const FlagScope pumping(pumping_);
        SendAllInClick(applySession_, UDPSocket.get(), std::move(requests), kMultiPacing);
    }
    Timer.start();
    MaskSecretFields();
    return true;
}

bool TMainFm::loginWritable(const QString& user, const QString& password) {
    // Refused, never cut: a cut password would log in as its first bytes.
    const std::optional<fleet::LoginFault> fault =
        fleet::CheckLogin(user, password, language().recordEncoding());
    if (!fault) return true;
    // The password is never shown; the user name is, to tell which it was.
    rules::CheckMessage message{fault->kind == fleet::LoginFault::Kind::TooLong
                                    ? &text::kMsgErrTextLength
                                    : &text::kMsgErrCharset,
                                nullptr, 0, fault->password ? QString() : text::VisibleText(user)};
    ShowInfoMessage(rules::CheckMessageText(language(), message));
    return false;
}

void TMainFm::reportBuildFailure(const record::BuildFailure& failure) {
    const text::MessageText message = text::LookupMessage(language(), text::kMsgErrBuild);
    DialogSeam::Message box;
    box.text = message.text + kCrLf + failure.field + QStringLiteral(" = \"") +
               text::VisibleText(failure.text) + u'"';
    box.caption = message.caption;
    box.icon = DialogSeam::Icon::Information;
    box.buttons = DialogSeam::Buttons::Ok;
    dialogs_.showMessage(this, box);
    if (const rules::NumericField* field = rules::FindNumericField(failure.field)) {
        l_statusClick(NavLabel(field->page));
        HighlightPageLabel();
    }
    if (auto* edit = findChild<QLineEdit*>(failure.field)) {
        edit->setFocus(Qt::OtherFocusReason);
    }
}

// ---------------------------------------------------------------- helpers

QByteArray TMainFm::FetchStoredPacket(const QString& row) const {
    if (ui_->l_title->RowCount() == 2) {
        return PacketOfRow(1);
    }
    bool ok = false;
    const int n = row.toInt(&ok);
    return ok ? PacketOfRow(n) : QByteArray();
}

record::ApConfigRecord TMainFm::WithLoginOf(const record::ApConfigRecord& record) const {
    // Whole characters of the code page, as many as fit the field; the
    // login was checked to be writable before the first request.
    const text::TextEncoding encoding = language().recordEncoding();
    const qsizetype loginMax = record::ApConfigRecord::kLoginTextMax;
    return record::WithLogin(
        record,
        text::ScreenTextToRecordWithin(login_user, encoding, loginMax).value_or(QByteArray()),
        text::ScreenTextToRecordWithin(login_pass, encoding, loginMax).value_or(QByteArray()));
}

bool TMainFm::applyBlocked() const {
    return applying_ || pumping_ || engine_.applyOutstanding() || Timer_refresh.isActive();
}

void TMainFm::SendSetRequest(const record::ApConfigRecord& record) {
    // Its request, then the apply is followed by the window's timer.
    const QString mac = record::MacText(record.mac_addr());
    SendAllInClick(applySession_, UDPSocket.get(), {{WithLoginOf(record), {mac, apply_name}}},
                   engine::ApplySession::Options{});
    Timer.start();
    MaskSecretFields();
}

record::FormSettings TMainFm::CollectFormSettings() const {
    record::FormSettings f;
    f.text_from_record = [this](QByteArrayView bytes) { return language().recordText(bytes); };
    f.text_to_record = [this](const QString& text) { return language().recordBytes(text); };
    f.i_r_dhcp = ip_->i_r_dhcp->isChecked();
    f.e_ip = Texts({ip_->e_ip_1, ip_->e_ip_2, ip_->e_ip_3, ip_->e_ip_4});
    f.e_submask = Texts({ip_->e_submask_1, ip_->e_submask_2, ip_->e_submask_3, ip_->e_submask_4});
    f.e_gateway = Texts({ip_->e_gateway_1, ip_->e_gateway_2, ip_->e_gateway_3, ip_->e_gateway_4});
    f.chB_dhcp_srv = ip_->chB_dhcp_srv->isChecked();
    f.e_dhcp_from =
        Texts({ip_->e_dhcp_from_1, ip_->e_dhcp_from_2, ip_->e_dhcp_from_3, ip_->e_dhcp_from_4});
    f.e_dhcp_to = Texts({ip_->e_dhcp_to_1, ip_->e_dhcp_to_2, ip_->e_dhcp_to_3, ip_->e_dhcp_to_4});
    f.e_dns = Texts({ip_->e_dns_1, ip_->e_dns_2, ip_->e_dns_3, ip_->e_dns_4});

    if (ap_->s_ch->currentIndex() >= 0) {
        bool ok = false;
        const int channel = ap_->s_ch->currentText().toInt(&ok);
        if (ok) f.s_ch = channel;
    }
    f.e_apname = ap_->e_apname->text();
    f.e_essid = ap_->e_essid->text();
    f.r_apmode = FirstChecked(std::array<QRadioButton*, 5>{
        ap_->r_apmode1, ap_->r_apmode2, ap_->r_apmode3, ap_->r_apmode4, ap_->r_apmode5});
    f.e_rm_mac = ap_->e_rm_mac->displayText().replace(u'_', u' ');
    f.s_extended = ap_->s_extended->currentIndex();

    f.w_rb_key = FirstChecked(std::array<QRadioButton*, 4>{wep_->w_rb_key1, wep_->w_rb_key2,
                                                           wep_->w_rb_key3, wep_->w_rb_key4});
    f.chb_encry = wep_->chb_encry->isChecked();
    f.s_wep_1 = wep_->s_wep_1->currentIndex();
    f.w_r_hex = wep_->w_r_hex->isChecked();
    for (int n = 1; n <= 4; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        // A masked hex key's text() drops its blank positions but keeps the
        // separators, which would move every pair after a gap; the shown
        // text keeps each pair where it stands.
        QLineEdit* key = keyField(n);
        f.e_key[i] = !key->inputMask().isEmpty() && key->echoMode() == QLineEdit::Normal
                         ? key->displayText().replace(u'_', u' ')
                         : key->text();
        f.key_hint[i] = HintOf(keyField(n));
        f.key_starred[i] = KeyShowsStars(key);
    }
    f.key_edited = key_edited;
    f.s_auth = wep_->s_auth->currentIndex();
    // The effective pass phrase already stands for the kept value while the
    // field is unedited; without a hint the builder writes exactly that, and
    // a typed row of '*' is taken as typed.
    f.wpa_m_p = EffectivePassphrase();
    f.wpa_m_p_hint.clear();

    f.more_rate = more_rate;
    f.more_bcast = more_bcast;
    f.more_11g_only = more_11g_only;
    f.more_superg = more_superg;
    f.more_txpower = more_txpower;
    f.more_wds = more_wds;
    f.more_beacon = more_beacon;
    f.more_rts = more_rts;
    f.more_frag = more_frag;
    f.more_dtim = more_dtim;
    f.flag_word_state = flag_word_state;

    f.Chk_8021x = dot1x_->Chk_8021x->isChecked();
    f.c_8_keylength = dot1x_->c_8_keylength->currentIndex();
    f.c_8_lifetime = dot1x_->c_8_lifetime->currentIndex();
    f.e_8_port = {dot1x_->e_8_port1->text(), dot1x_->e_8_port2->text()};
    f.e_8_shared = {dot1x_->e_8_shared1->text(), dot1x_->e_8_shared2->text()};
    f.e_8_ip = Texts({dot1x_->e_8_ip1, dot1x_->e_8_ip2, dot1x_->e_8_ip3, dot1x_->e_8_ip4});
    f.e_8_ipS = Texts({dot1x_->e_8_ipS1, dot1x_->e_8_ipS2, dot1x_->e_8_ipS3, dot1x_->e_8_ipS4});
    return f;
}

// ---------------------------------------------------------------- answers

QString TMainFm::takeUnconfirmedReport() {
    const std::optional<engine::Unconfirmed> u = engine_.TakeUnconfirmed();
    if (!u) {
        return {};
    }
    const text::LanguageText& lang = language();
    const QString macText = text::LookupMessage(lang, text::kMsgMac).text;
    const QString apText = text::LookupMessage(lang, text::kMsgAp).text;
    const auto line = [&](const QString& mac, const QString& name) {
        // A name is what an AP sent: shown, never acted on.
        return macText + QStringLiteral("  ") + mac + QStringLiteral(" --- ") + apText +
               QStringLiteral("  ") + text::VisibleText(name) + kCrLf;
    };
    QString text;
    if (u->unmatched == 0) {
        text = text::LookupMessage(lang, text::kMsgErrNoReply).text + kCrLf;
        for (const ApplyTarget& target : u->silent) {
            text += line(target.mac, target.name);
        }
    } else {
        // Some answers could not be told apart, so any AP still without
        // one may have sent them: no AP is named, only the counts.
        text = text::LookupMessage(lang, text::kMsgErrMissing).text + u' ' +
               QString::number(u->missing) + kCrLf +
               text::LookupMessage(lang, text::kMsgErrUnmatched).text + u' ' +
               QString::number(u->unmatched) + kCrLf;
    }
    if (!u->refusals.isEmpty()) {
        text += kCrLf + text::LookupMessage(lang, text::kMsgErrRefused).text + kCrLf;
        for (const QByteArray& failed : u->refusals) {
            const QString mac = record::MacText(record::MacFromBytes(failed));
            text += line(mac, expected_replies == 1 ? apply_name : NameForMac(mac));
        }
        text += text::LookupMessage(lang, text::kMsgErrId).text;
    }
    return text;
}

void TMainFm::showUnconfirmedReport(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    DialogSeam::Message message;
    message.text = text;
    message.caption = text::LookupMessage(language(), text::kMsgErrNoReply).caption;
    message.icon = DialogSeam::Icon::Information;
    message.buttons = DialogSeam::Buttons::Ok;
    dialogs_.showMessage(this, message);
}

}  // namespace tern::gui
