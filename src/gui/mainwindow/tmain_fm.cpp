#include "gui/mainwindow/tmain_fm.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>

#include "core/form/control_state.h"
#include "core/net/protocol.h"
#include "core/record/code_tables.h"
#include "core/text/caption_tables.h"
#include "core/text/lang_ini.h"
#include "core/text/language_sections.h"
#include "core/text/language_text.h"
#include "core/text/messages.h"
#include "gui/dialogs/dialog_seam.h"
#include "gui/mainwindow/nav_pictures.h"
#include "gui/widgets/tquill_grid.h"
#include "ui_ap_page.h"
#include "ui_dot1x_page.h"
#include "ui_ip_page.h"
#include "ui_status_page.h"
#include "ui_tmain_fm.h"
#include "ui_wep_page.h"

namespace tern::gui {

namespace {

const QColor kWindowColour(198, 219, 247);
const QColor kBlue(0, 0, 255);
const QColor kHeadingColour(22, 52, 112);
const QString kMarker = QStringLiteral("1");

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 512;
constexpr int kOuterWidth = 526;
constexpr int kOuterHeight = 542;
// The tall layout makes the window two pixels taller than start-up does.
constexpr int kTallOuterHeight = 544;

QFont SansFont(int pointSize, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

QFont SansPixelFont(int pixels, bool bold = false, bool underline = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

// Headings keep their colour while enabled; disabled they grey as any label.
void SetHeadingColour(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Active, QPalette::WindowText, colour);
    pal.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    w->setPalette(pal);
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// Sets the text of whatever kind of control a caption row names.
void SetControlText(QObject* target, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(text);
    } else if (auto* widget = qobject_cast<QWidget*>(target)) {
        widget->setWindowTitle(text);
    }
}

}  // namespace

// ---------------------------------------------------------------- helpers

QSize PrimaryScreenInfo::screenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size() : QSize();
}

int TagOf(const QObject* object) { return object->property("Tag").toInt(); }
void SetTag(QObject* object, int tag) { object->setProperty("Tag", tag); }
QString HintOf(const QObject* object) { return object->property("Hint").toString(); }
void SetHint(QObject* object, const QString& hint) { object->setProperty("Hint", hint); }
bool KeyShowsStars(const QObject* field) { return field->property("StarsForKept").toBool(); }
void SetKeyShowsStars(QObject* field, bool stars) { field->setProperty("StarsForKept", stars); }

QColor FontColour(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::WindowText);
}

void SetFontColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::WindowText, colour);
        pal.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(pal);
}

QColor EditColour(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::Base);
}

// A disabled edit is always drawn silver; the colour set here is the one it
// shows while enabled.
void SetEditColour(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Active, QPalette::Base, colour);
    pal.setColor(QPalette::Inactive, QPalette::Base, colour);
    pal.setColor(QPalette::Disabled, QPalette::Base, kDisabledEdit);
    widget->setPalette(pal);
}

// ---------------------------------------------------------------- construction

TMainFm::TMainFm(std::unique_ptr<net::UdpSocketControl> socket, DialogSeam& dialogs,
                 const ScreenInfo& screen, QWidget* parent)
    : QWidget(parent), UDPSocket(std::move(socket)), dialogs_(dialogs), screen_(&screen) {
    init();
}

TMainFm::TMainFm(std::unique_ptr<net::UdpSocketControl> socket, DialogSeam& dialogs,
                 QWidget* parent)
    : QWidget(parent),
      UDPSocket(std::move(socket)),
      dialogs_(dialogs),
      ownScreen_(std::make_unique<PrimaryScreenInfo>()) {
    screen_ = ownScreen_.get();
    init();
}

TMainFm::~TMainFm() { FormDestroy(); }

void TMainFm::init() {
    noLanguage_ = std::make_unique<text::LanguageText>(text::LangIni::FromBytes({}),
                                                       text::TextEncoding::Windows1252);
    ui_ = std::make_unique<Ui::MainFm>();
    ui_->setupUi(this);
    buildPages();
    setUpControls();
    connectHandlers();

    Timer.setInterval(2000);
    Timer_refresh.setInterval(1500);
    Timer.stop();
    Timer_refresh.stop();

    // the creation state of the window
    old_fw_pending = true;
    replies_done = busy = accept_replies = false;
    tick_count = datagram_count = 0;
    expected_replies = 1000000;
    login_list.clear();
    failed_macs.clear();
    found_macs.clear();
    ui_->PageControl1->setCurrentIndex(0);
    ClearApList();
    Chk_8021xClick();  // the 802.1X page starts switched off

    const QSize screen = screen_->screenSize();
    if (screen.isValid()) {
        move(std::max(0, (screen.width() - kOuterWidth) / 2),
             std::max(0, (screen.height() - kOuterHeight) / 2));
    }
}

void TMainFm::buildPages() {
    status_ = std::make_unique<Ui::StatusPage>();
    status_->setupUi(ui_->Tab1);
    ap_ = std::make_unique<Ui::ApPage>();
    ap_->setupUi(ui_->Tab2);
    ip_ = std::make_unique<Ui::IpPage>();
    ip_->setupUi(ui_->Tab3);
    wep_ = std::make_unique<Ui::WepPage>();
    wep_->setupUi(ui_->Tab4);
    dot1x_ = std::make_unique<Ui::Dot1xPage>();
    dot1x_->setupUi(ui_->Tab5);
}

void TMainFm::setUpControls() {
    // The default size is the smallest; made larger, the AP list takes the
    // room (stretchToSize).
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    baseClientHeight_ = kClientHeight;
    setFont(SansFont(8));
    SetBackground(this, kWindowColour);
    SetBackground(ui_->Panel3, Qt::white);
    SetBackground(ui_->Panel5, Qt::white);
    for (QWidget* page : {ui_->Tab1, ui_->Tab2, ui_->Tab3, ui_->Tab4, ui_->Tab5}) {
        SetBackground(page, Qt::white);
    }

    // Every edit: blue on white, silver while disabled; secrets as '*'.
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Active, QPalette::Text, kBlue);
        pal.setColor(QPalette::Inactive, QPalette::Text, kBlue);
        edit->setPalette(pal);
        SetEditColour(edit, kEnabledEdit);
        edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    }

    // navigation
    navLabels_ = {ui_->l_status, ui_->l_apSet, ui_->l_ipSet, ui_->l_wepSet, ui_->l_802};
    upImages_ = {ui_->Img_LinkInfo_up, ui_->Img_ApSet_up, ui_->Img_IpSet_up, ui_->Img_WepSet_up,
                 ui_->Img_1xSet_up};
    downImages_ = {ui_->Img_LinkInfo_down, ui_->Img_ApSet_down, ui_->Img_IpSet_down,
                   ui_->Img_WepSet_down, ui_->Img_1xSet_down};
    for (int i = 0; i < kNavPageCount; ++i) {
        QLabel* label = navLabels_[static_cast<std::size_t>(i)];
        label->setFont(SansPixelFont(13, true, true));
        SetFontColour(label, kGreyFont);
        SetHint(label, i == 0 ? kMarker : QString());
        label->installEventFilter(this);
        QLabel* up = upImages_[static_cast<std::size_t>(i)];
        QLabel* down = downImages_[static_cast<std::size_t>(i)];
        up->installEventFilter(this);
        up->setVisible(true);
        down->setVisible(false);
    }

    // the list
    TQuillGrid* grid = ui_->l_title;
    grid->setColCount(5);
    grid->setRowCount(2);
    grid->setFixedCols(0);
    grid->setDefaultRowHeight(20);
    grid->setColWidth({QStringLiteral("110"), QStringLiteral("110"), QStringLiteral("50"),
                       QStringLiteral("40"), QStringLiteral("2000")});
    grid->setRowSelect(true);
    grid->setRangeSelect(true);
    // The list scrolls through the bar beside it; the last column takes up
    // the rest of the width, so there is nothing to scroll sideways.
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QScrollBar* own = grid->verticalScrollBar();
    ui_->ScrollBar1->setRange(own->minimum(), own->maximum());
    connect(own, &QScrollBar::rangeChanged, ui_->ScrollBar1, &QScrollBar::setRange);
    connect(own, &QScrollBar::valueChanged, ui_->ScrollBar1, &QScrollBar::setValue);
    connect(ui_->ScrollBar1, &QScrollBar::valueChanged, own, &QScrollBar::setValue);
    ui_->b_apply->setVisible(false);
    rememberBaseGeometry();
    redrawPictures();

    // fonts of the bottom lines, titles and status values
    for (QLabel* l : {ui_->l_cpright, ui_->l_appName, ui_->l_version}) {
        l->setFont(SansPixelFont(11));
    }
    for (QLabel* l : {status_->l_link, dot1x_->l_802_1x}) {
        l->setFont(SansFont(10, true));
        SetHeadingColour(l, kHeadingColour);
    }
    for (QLabel* l :
         {ui_->l_aplist, ap_->a_l_basic, ap_->a_l_adv, ip_->i_l_cap, wep_->w_l_key, wep_->wpa_l_h,
          dot1x_->l_Encryption_key, dot1x_->l_8_radius1, dot1x_->l_8_radius2}) {
        l->setFont(SansFont(8, true));
        SetHeadingColour(l, kHeadingColour);
    }
    for (QLabel* l : {status_->l_ap, status_->l_essid, status_->l_ip, status_->l_mac, status_->l_ch,
                      status_->l_wep, status_->l_fw, status_->l_domn, status_->l_tmpLimit}) {
        l->setFont(SansPixelFont(13));
        SetFontColour(l, kBlue);
    }

    // laid out on the pages but never shown
    for (QWidget* w : std::initializer_list<QWidget*>{
             status_->s_l_fw,     status_->s_c_fw,  status_->l_fw,       status_->s_l_domain,
             status_->s_c_domain, status_->l_domn,  status_->l_tmpLimit, wep_->e_pass,
             wep_->w_l_pass,      wep_->w_b_gen,    wep_->s_key,         wep_->e_key1_tmp,
             wep_->e_key2_tmp,    wep_->e_key3_tmp, wep_->e_key4_tmp,    wep_->w_l_key1,
             wep_->w_l_key2,      wep_->w_l_key3,   wep_->w_l_key4,      wep_->w_l_selkey}) {
        w->setVisible(false);
    }
    // as the first operating mode and an empty authentication list leave them
    for (QWidget* w :
         {static_cast<QWidget*>(ap_->a_l_remote), static_cast<QWidget*>(ap_->e_rm_mac),
          static_cast<QWidget*>(ap_->e_RemoteSSID), static_cast<QWidget*>(wep_->wpa_l_h),
          static_cast<QWidget*>(wep_->wpa_l_p), static_cast<QWidget*>(wep_->wpa_m_p),
          static_cast<QWidget*>(wep_->wpa_l_c), static_cast<QWidget*>(wep_->wpa_m_c)}) {
        w->setVisible(false);
    }

    ap_->e_rm_mac->setInputMask(form::kRemoteMacMask.toString());
    ap_->e_rm_mac->setEnabled(false);
    SetEditColour(ap_->e_rm_mac, kDisabledEdit);
    ap_->e_rm_mac->installEventFilter(this);
    SetTag(wep_->w_b_gen, 0);
    for (int n = 1; n <= 4; ++n) {
        SetTag(keyField(n), 0);
    }
}

void TMainFm::connectHandlers() {
    connect(ui_->b_exit, &QPushButton::clicked, this, [this] { b_exitClick(); });
    connect(ui_->b_close, &QPushButton::clicked, this, [this] { b_closeClick(); });
    connect(ui_->b_default, &QPushButton::clicked, this, [this] { b_defaultClick(); });
    connect(ui_->b_refresh, &QPushButton::clicked, this, [this] { b_refreshClick(); });
    connect(&Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    connect(&Timer_refresh, &QTimer::timeout, this, [this] { Timer_refreshTimer(); });

    for (QRadioButton* r :
         {ap_->r_apmode1, ap_->r_apmode2, ap_->r_apmode3, ap_->r_apmode4, ap_->r_apmode5}) {
        connect(r, &QRadioButton::clicked, this, [this, r] { r_apmode1Click(r); });
    }
    connect(ip_->i_r_ip, &QRadioButton::clicked, this, [this] { i_r_dhcpClick(); });
    connect(ip_->i_r_dhcp, &QRadioButton::clicked, this, [this] { i_r_dhcpClick(); });
    connect(ap_->s_ch, &QComboBox::activated, this, [this] { i_r_dhcpClick(); });
    connect(ap_->s_extended, &QComboBox::activated, this, [this] { i_r_dhcpClick(); });
    connect(ip_->chB_dhcp_srv, &QCheckBox::clicked, this, [this] { chB_dhcp_srvClick(); });
    connect(dot1x_->Chk_8021x, &QCheckBox::clicked, this, [this] { Chk_8021xClick(); });
    connect(wep_->s_auth, &QComboBox::activated, this, [this] { s_authChange(); });
    connect(wep_->s_wep_1, &QComboBox::activated, this, [this] { s_wep_1Change(); });
    connect(wep_->w_r_hex, &QRadioButton::clicked, this, [this] { w_r_hexClick(wep_->w_r_hex); });
    connect(wep_->w_r_ascii, &QRadioButton::clicked, this,
            [this] { w_r_hexClick(wep_->w_r_ascii); });
    connect(wep_->chb_encry, &QCheckBox::clicked, this, [this] { chb_encryClick(); });

    connect(ap_->e_essid, &QLineEdit::textChanged, this, [this] { e_essidChange(); });
    connect(ap_->e_RemoteSSID, &QLineEdit::textChanged, this, [this] { e_RemoteSSIDChange(); });

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        connect(screen, &QScreen::geometryChanged, this, [this] { SettingChange(); });
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { SettingChange(); });
    }
    connectDialogHandlers();
    connectDiscoveryHandlers();
    connectKeysChecksHandlers();
    connectApplyHandlers();
    connectFindHandlers();
    connectMenuHandlers();
    SetUpKeyboardAccess();
}

QLineEdit* TMainFm::keyField(int n) const {
    switch (n) {
        case 1:
            return wep_->e_key1;
        case 2:
            return wep_->e_key2;
        case 3:
            return wep_->e_key3;
        case 4:
            return wep_->e_key4;
        default:
            return nullptr;
    }
}

const text::LanguageText& TMainFm::language() const {
    return lang_ini_ ? *lang_ini_ : *noLanguage_;
}

QString TMainFm::LangText(QByteArrayView section, QByteArrayView key,
                          QByteArrayView defaultText) const {
    return language().text(section, key, defaultText);
}

// ---------------------------------------------------------------- life cycle

void TMainFm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_) {
        FormActivate();
    }
}

void TMainFm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redrawPictures();  // for the screen it is shown on
    watchScreen();
    // A window shown without being activated (focus-stealing prevention, a
    // start from a script while another window keeps the focus) must still
    // fill itself and search. Queued: the first search pumps events, which
    // is no business for the middle of a show.
    if (!activated_ && !activationQueued_) {
        activationQueued_ = true;
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
}

void TMainFm::FormActivate() {
    if (activated_ || destroyed_) {
        return;
    }
    activated_ = true;
    lang_ini_ = std::make_unique<text::LanguageText>(lang_file);
    LoadCaptions();
    for (int i = 0; i < kNavPageCount; ++i) {
        upImages_[static_cast<std::size_t>(i)]->setVisible(true);
        downImages_[static_cast<std::size_t>(i)]->setVisible(false);
    }
    b_defaultClick();
    net::OpenOnProgramPort(*UDPSocket);
    refresh_skip = true;
    b_refreshClick();
}

void TMainFm::LoadCaptions() {
    const text::LanguageText& lang = language();
    for (const text::CaptionEntry& row : text::MainWindowCaptions()) {
        if (row.kind == text::CaptionKind::ModeCaption) {
            continue;  // the operating-mode handler sets these
        }
        const QString text = text::CaptionScreenText(lang, row);
        const QString target(row.target);
        QObject* control =
            target == objectName() ? static_cast<QObject*>(this) : findChild<QObject*>(target);
        if (control == nullptr) {
            continue;
        }
        switch (row.kind) {
            case text::CaptionKind::WindowTitle:
            case text::CaptionKind::PageCaption:
                if (auto* w = qobject_cast<QWidget*>(control)) {
                    w->setWindowTitle(text);
                }
                break;
            case text::CaptionKind::ListItem:
                if (auto* list = qobject_cast<QComboBox*>(control)) {
                    // Items are set by index, so loading again never adds items.
                    while (list->count() <= row.index) {
                        list->addItem(QString());
                    }
                    list->setItemText(row.index, text);
                }
                break;
            case text::CaptionKind::GridHeader:
                if (auto* grid = qobject_cast<TQuillGrid*>(control)) {
                    grid->setCell(row.index, 0, text);
                }
                break;
            case text::CaptionKind::ApplyButton:
                SetControlText(control, text);
                if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                    if (auto* copy = findChild<QAbstractButton*>(QString(text::kApplyCopyTarget))) {
                        copy->setText(button->text());
                    }
                }
                break;
            case text::CaptionKind::LinkCaption:
                SetControlText(control, text);
                if (auto* w = qobject_cast<QWidget*>(control)) {
                    SetFontColour(w, kBlue);
                }
                break;
            case text::CaptionKind::Caption:
            case text::CaptionKind::IndentedCaption:
            case text::CaptionKind::ModeCaption:
                SetControlText(control, text);
                break;
        }
    }
    LoadListToolCaptions();
    NameControlsForScreenReaders();
}

void TMainFm::ClearApList() {
    TQuillGrid* grid = ui_->l_title;
    if (grid->RowCount() > 2) {
        grid->DeleteRows(2, grid->RowCount() - 2);  // at once: thousands of rows, one change
    }
    if (grid->RowCount() < 2) {
        grid->setRowCount(2);
    }
    for (int c = 0; c < grid->ColCount(); ++c) {
        grid->setCell(c, 1, QString());
    }
}

void TMainFm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    stretchToSize();
    const int frame = std::max(0, frameGeometry().height() - geometry().height());
    FormCanResize(event->size().height() + frame);
}

void TMainFm::FormCanResize(int newHeight) {
    if (inLayout_) {
        return;
    }
    const std::optional<form::SizeLayout> layout =
        form::LayoutOnResize(newHeight, frameGeometry().height(), screen_->screenSize());
    if (layout) {
        applyLayout(*layout);
    }
}

void TMainFm::SettingChange() { applyLayout(form::LayoutOnSettingChange(screen_->screenSize())); }

void TMainFm::applyLayout(form::SizeLayout layout) {
    if (inLayout_) {
        return;
    }
    inLayout_ = true;
    layout_ = layout;
    if (layout == form::SizeLayout::Tall) {
        // The smallest size becomes the tall one; a larger window keeps its size.
        baseClientHeight_ = kTallOuterHeight - (kOuterHeight - kClientHeight);
        setMinimumSize(kClientWidth, baseClientHeight_);
        resize(size().expandedTo(minimumSize()));
    }
    stretchToSize();
    inLayout_ = false;
}

void TMainFm::FormClose() {
    // Nothing to unregister on this platform: the socket needs no
    // registration. The close is never refused.
}

void TMainFm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TMainFm::FormDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    lang_ini_.reset();
    if (UDPSocket) {
        UDPSocket->CloseSocket();
    }
}

void TMainFm::b_exitClick() {
    const text::MessageText quit = text::LookupMessage(language(), text::kQuitQuestion);
    DialogSeam::Message message;
    message.text = QStringLiteral("\r\n") + quit.text;
    message.caption = quit.caption;
    message.icon = DialogSeam::Icon::Warning;
    message.buttons = DialogSeam::Buttons::YesNo;
    if (dialogs_.showMessage(this, message) == DialogSeam::Answer::Yes) {
        close();
    }
}

void TMainFm::b_closeClick() { close(); }

void TMainFm::OnSecondInstance() {}

}  // namespace tern::gui
