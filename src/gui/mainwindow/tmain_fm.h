#pragma once

#include <QByteArray>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "core/engine/ap_engine.h"
#include "core/engine/apply_session.h"
#include "core/fleet/plan.h"
#include "core/form/control_state.h"
#include "core/net/protocol.h"
#include "core/net/udp_socket_control.h"
#include "core/record/ap_config_record.h"
#include "core/record/record_builder.h"
#include "core/rules/validation.h"
#include "core/text/language_text.h"

class QAbstractButton;
class QComboBox;
class QDateTime;
class QKeyEvent;
class QLabel;
class QMenu;
class QWindow;

namespace Ui {
class MainFm;
class StatusPage;
class ApPage;
class IpPage;
class WepPage;
class Dot1xPage;
}  // namespace Ui

namespace tern::gui {

class DialogSeam;
class TQuillGrid;
class UrlOpener;

// The size of the screen the window lives on, for the layout rule.
class ScreenInfo {
  public:
    virtual ~ScreenInfo() = default;
    virtual QSize screenSize() const = 0;
};

// The primary screen of the application (an empty size without one).
class PrimaryScreenInfo : public ScreenInfo {
  public:
    QSize screenSize() const override;
};

// Control properties the handlers share, as dynamic properties:
//   "Tag"  (int)     the page index of a navigation label, the tag of a mode
//                    button, the key length in bytes of a key field, the
//                    representation of w_b_gen (0 none, 1 hex, 2 ASCII);
//   "Hint" (QString) a hint that is never shown: the current-page marker "1"
//                    of the navigation labels. Hints that are shown (the full
//                    text of a shortened label) are tool tips.
int TagOf(const QObject* object);
void SetTag(QObject* object, int tag);
QString HintOf(const QObject* object);
void SetHint(QObject* object, const QString& hint);
// A key field still showing the row of '*' that a shown record put there
// for the AP's key (the "StarsForKept" property); any change of its text
// ends that.
bool KeyShowsStars(const QObject* field);
void SetKeyShowsStars(QObject* field, bool stars);

// Colours as the handlers set them: the font colour of a label or button
// (all colour groups), the background of an edit field.
QColor FontColour(const QWidget* widget);
void SetFontColour(QWidget* widget, const QColor& colour);
QColor EditColour(const QWidget* widget);
void SetEditColour(QWidget* widget, const QColor& colour);

inline const QColor kGreyFont(128, 128, 128);
inline const QColor kEnabledEdit(255, 255, 255);
inline const QColor kDisabledEdit(192, 192, 192);

// The main window: navigation column, five pages, the access-point list and
// the button row. It owns the socket, the timers, the language reader and
// the state of searches and applies. Handlers carry the names of the events
// they serve and are public, so the other parts of the program (and the
// tests) call them directly.
class TMainFm : public QWidget {
    Q_OBJECT
  public:
    TMainFm(std::unique_ptr<net::UdpSocketControl> socket, DialogSeam& dialogs,
            const ScreenInfo& screen, QWidget* parent = nullptr);
    // Over the primary screen.
    TMainFm(std::unique_ptr<net::UdpSocketControl> socket, DialogSeam& dialogs,
            QWidget* parent = nullptr);
    ~TMainFm() override;

  private:
    // Searches and applies happen in the engine; the names below are the
    // window's view of its state (declared first: they refer into it).
    engine::ApEngine engine_;
    // Sends an apply's requests and paces them on the answers; declared
    // after the engine it drives.
    engine::ApplySession applySession_{engine_};

  public:
    // ---- state of searches and applies
    bool& old_fw_pending = engine_.old_fw_pending;
    bool& replies_done = engine_.replies_done;
    bool& busy = engine_.busy;
    bool& accept_replies = engine_.accept_replies;
    bool refresh_skip = false;
    bool& wait_flag = engine_.wait_flag;
    int& tick_count = engine_.tick_count;
    int& datagram_count = engine_.datagram_count;
    int& reply_count = engine_.reply_count;
    int& expected_replies = engine_.expected_replies;
    QStringList& found_macs = engine_.found_macs;
    QList<QByteArray>& failed_macs = engine_.failed_macs;  // 6-byte addresses
    QStringList login_list;                                // MAC TAB name TAB user TAB password TAB
    QString login_user;
    QString login_pass;
    QString apply_name;
    std::array<bool, 4> key_edited{};
    QList<QByteArray> row_packets;  // [row - 1]: the stored packet of list row `row`
    QString list_row;

    // ---- kept values of the advanced settings
    int more_rate = 0;
    int more_bcast = 0;
    int more_11g_only = 0;
    int more_superg = 0;
    int more_txpower = 0;
    int more_wds = 0;
    QString more_beacon;
    QString more_rts;
    QString more_frag;
    QString more_dtim;
    int extended_lock = 0;
    int flag_word_state = 0;

    // ---- set by start-up before the window is first shown
    QString lang_file;

    // ---- owned parts
    std::unique_ptr<net::UdpSocketControl> UDPSocket;
    QTimer Timer;          // 2000 ms
    QTimer Timer_refresh;  // 1500 ms

    // The language reader; null before the first activation and after
    // FormDestroy.
    const text::LanguageText* languageReader() const { return lang_ini_.get(); }
    // A text of the language file (its default while there is no reader).
    QString LangText(QByteArrayView section, QByteArrayView key, QByteArrayView defaultText) const;
    const text::LanguageText& language() const;

    // ---- navigation
    void l_statusClick(QLabel* label);
    void Img_LinkInfo_upClick();
    void Img_ApSet_upClick();
    void Img_IpSet_upClick();
    void Img_WepSet_upClick();
    void Img_1xSet_upClick();
    void l_wepSetMouseEnter(QLabel* label);
    void l_wepSetMouseLeave(QLabel* label);
    void UpdateNavImages();
    int activePage() const;
    QLabel* NavLabel(int page) const;

    // ---- life cycle
    void FormActivate();
    bool activated() const { return activated_; }
    void FormCanResize(int newHeight);
    void SettingChange();
    form::SizeLayout currentLayout() const { return layout_; }
    void FormClose();
    void FormDestroy();
    void b_exitClick();
    void b_closeClick();
    void b_refreshClick();
    void TimerTimer();
    void Timer_refreshTimer();
    void LoadCaptions();
    void ClearApList();

    // ---- AP page text behaviour
    void e_essidChange();
    void e_RemoteSSIDChange();
    // The key filter of e_rm_mac: the key to pass on, or a null QChar to drop it.
    QChar e_rm_macKeyPress(QChar key);

    // ---- control state
    void r_apmode1Click(QAbstractButton* sender);
    void i_r_dhcpClick();
    void SetDhcpClient(bool dhcpClient);
    void SetDhcpServerFields(bool usable);
    void chB_dhcp_srvClick();
    void Chk_8021xClick();
    void s_authChange();

    // ---- WEP keys
    void FormatKeyFields();
    void s_wep_1Change();
    void w_r_hexClick(QObject* sender);
    void chb_encryClick();
    void MaskSecretFields();

    // ---- defaults
    void b_defaultClick();

    // ---- advanced settings and login dialogs
    // Opens the advanced settings afresh; OK there has written the more_* values.
    void a_b_moreClick();
    // The single login: true on OK, which has written login_user and login_pass.
    bool LoginSingle();
    // The multi-AP login over the given rows of l_title (decimal row numbers):
    // empties login_list, then true on OK, which has filled it in row order.
    bool LoginMulti(const QStringList& row_list);

    // ---- Discovery, the AP list and the timers
    // The marker and key of the latest request; shared by search, apply and receive.
    net::LinkState& link_state = engine_.link_state;
    // Shows a 1180-byte packet (reply header, record in host order) on every
    // page and leaves the AP's list cells in list_row; false when the show
    // stopped before the AP name.
    bool ShowRecord(const QByteArray& packet);
    void StartSearch();
    // The socket's receive event: one datagram of any length. A new AP is
    // listed at once, or, while the socket hands on a batch, with the rest
    // of the batch when it ends (ListPendingRows).
    void UDPSocketRecv(QByteArrayView datagram, uint interfaceIndex = 0);
    // Lists the APs of the batch so far: one row insertion, one repaint.
    void ListPendingRows();
    bool RowIsEmpty(int row, int lastCol) const;
    // The stored packet of a list row; empty when the row has none.
    QByteArray PacketOfRow(int row) const;
    void l_titleSelectCell(int col, int row, bool& canSelect);
    void l_titleMouseDown();
    void l_titleDblClick();
    void ResetForm();
    QString NameForMac(const QString& mac) const;
    // Replies arriving in a burst are listed at once and the form shows the
    // AP listed last when the burst is over; this shows it now.
    void ShowPendingRecord();
    bool showPending() const { return showPending_; }
    // Shows every arriving AP as it is listed (slower; for comparison).
    void setShowEachArrival(bool on) { showEachArrival_ = on; }
    // Where an AP's web page is opened; the desktop's browser by default.
    void setUrlOpener(UrlOpener* opener) { urlOpener_ = opener; }

    // ---- finding an AP in the list (tmain_fm_find.cpp)
    // A click on a column header: sorted by that column, a second click
    // reverses. Rows keep their packets; sorting lasts for later searches.
    void l_titleHeaderClick(int col);
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    // Typed on the list: the first shown AP whose name or MAC starts with
    // it becomes current (and is shown).
    void l_titleTypeAhead(const QString& typed);
    // Enter on a list row: that AP is shown.
    void l_titleEnter(int row);
    // Ctrl+F: the filter field above the list; Escape there closes it and
    // shows every row again.
    void OpenFilter();
    void CloseFilter();
    // The selected rows the filter leaves in view, top to bottom; none for
    // an empty list. An apply acts on these.
    QList<int> ShownSelectedRows() const;

    // ---- the list's context menu (tmain_fm_menu.cpp)
    // On a listed AP: the menu (a row outside the selection is chosen first).
    void l_titleContextMenu(const QPoint& at);
    QMenu* ListMenu() const;
    // The MACs or names of the selected rows in view, a line each.
    void CopyMacClick();
    void CopyNameClick();
    // The selected APs into backup files tern-ap-cli restores: one AP into a
    // file, several into a folder (MAC.json each), chosen through the seam.
    void BackupClick();
    // A backup file onto the AP the form shows, as tern-ap-cli's restore
    // plans it: checked, reviewed and logged in as an apply is.
    void RestoreClick();
    void LoadListToolCaptions();

    // ---- keyboard and screen readers (tmain_fm_access.cpp)
    // Tab goes through each page top to bottom, left to right, then the
    // list and the buttons; every control has an accessible name.
    void SetUpKeyboardAccess();
    void NameControlsForScreenReaders();
    // Again for the remote AP's fields, whose caption follows the mode.
    void NameRemoteFields();

  private:
    // The accessible name of a control: its text, else its caption label's
    // (or a plain description where the caption is empty); empty if it has
    // neither.
    QString CaptionNameOf(const QWidget* w) const;
    QString ToolText(QByteArrayView key) const;
    QStringList selectedCells(int col) const;
    void connectMenuHandlers();
    QMenu* listMenu_ = nullptr;
    bool navImageKey(int page, QKeyEvent* event);

    void connectFindHandlers();
    void placeFilterField();
    QString filterText() const;
    bool rowMatchesFilter(int row, const QString& text) const;
    void applyFilter();
    bool filterKeyPress(QKeyEvent* event);
    void sortList();
    // After new rows: in sorted order and filtered, if the user asked so;
    // during an apply only once it is over (see ApplyUnderWay).
    void afterRowsListed();
    // The row of the listed AP with this MAC (as the list shows it), or 0.
    int rowOfMac(const QString& mac) const;
    // The last (or first) listed AP the filter leaves in view, or 0.
    int rowInView(bool last) const;
    // An apply, from its click through the review, the login and the last
    // request: the list keeps its order meanwhile (rows that come in are
    // added at the end), so the rows the apply's dialogs read are still its
    // targets; the order and the filter catch up when it ends.
    class ApplyUnderWay {
      public:
        explicit ApplyUnderWay(TMainFm& form);
        ~ApplyUnderWay();
        ApplyUnderWay(const ApplyUnderWay&) = delete;
        ApplyUnderWay& operator=(const ApplyUnderWay&) = delete;

      private:
        TMainFm& form_;
        bool before_;
    };
    bool listOrderStale_ = false;  // rows came in during an apply
    QLineEdit* filter_ = nullptr;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;

    void connectDiscoveryHandlers();
    void showOldFirmwareWarning();
    void listAp(const QByteArray& packet, uint interfaceIndex);
    struct NewRow {
        QStringList cells;  // name, MAC, SSID, WEP, interface
        QByteArray packet;
    };
    // Adds the rows below the last AP listed (the first into the empty row
    // of an empty list) and makes the last one current.
    void appendRows(const std::vector<NewRow>& rows);
    // The interface an AP was heard on, for the list's fifth column: named
    // only when several were searched.
    QString interfaceCell(uint interfaceIndex) const;
    // Said once a search settles: replies the socket lost since it began.
    void reportLostReplies();
    void makeRowCurrent(int row, bool notify);
    void enableAfterListing();
    void reEnableWindow();
    void setWaitCursor(bool on);
    void fillChannelList(int firstChannel, int lastChannel);

    UrlOpener* urlOpener_ = nullptr;
    bool showPending_ = false;
    bool showEachArrival_ = false;
    bool pumping_ = false;
    bool silentSelect_ = false;
    bool inReceiveBatch_ = false;
    qint64 lostAtSearch_ = 0;
    struct PendingAp {
        QByteArray packet;
        uint interfaceIndex = 0;
    };
    std::vector<PendingAp> pendingAps_;

  public:
    // ---- Key entry and validation
    // The key filter of e_key1..e_key4: the key to pass on, or a null QChar
    // to drop it. Enter moves the focus on.
    QChar e_key1KeyPress(QLineEdit* field, QChar key);
    void e_key1KeyDown(QLineEdit* field);
    void e_key1Exit(QLineEdit* field);
    void e_key1MouseDown(QLineEdit* field);
    // Entering a key field or e_pass: a starred field is emptied.
    void e_key1Enter(QLineEdit* field);
    // Entering wpa_m_p / wpa_m_c while it shows its kept pass phrase as '*'.
    void wpa_m_pEnter(QLineEdit* field);
    void w_b_genClick();
    // A key field holds no key characters (blanks and separators aside).
    bool KeyFieldIsEmpty(const QLineEdit* field) const;
    // The key a field stands for (hex digits or ASCII characters): the kept
    // key while the field is unedited, else what it holds.
    QString EffectiveKeyText(int n) const;
    // The pass phrase and its confirmation: the kept value while unedited.
    QString EffectivePassphrase() const;
    QString EffectiveConfirmation() const;
    // The numeric fields' key filter (same contract as e_key1KeyPress).
    QChar e_ip_1KeyPress(QLineEdit* field, QChar key);
    // The exit rules; e_ip_1Exit is false when the value was refused and the
    // field has the focus back.
    bool e_ip_1Exit(QLineEdit* field);
    void e_submask_1Exit(QLineEdit* field);
    // A numeric field is left (mouse, Tab, Enter, a completing digit, a
    // page change, Apply): its exit rule runs once for that leaving. False
    // when the value was refused and the field keeps the focus.
    bool LeaveNumericField(QLineEdit* field);
    // Before an action that takes the values (Apply, a page change): the
    // focused numeric field is left now. False when its value was refused,
    // also when it was refused by the focus change that started the action.
    bool CommitFocusedNumericField();
    void numericFieldFocusOut(QLineEdit* field);
    void numericFieldTouched(QLineEdit* field);
    void numericFieldEdited(QLineEdit* field);
    bool CheckNumberField(QLineEdit* field, const QString& text);
    void HighlightPageLabel();
    void ShowInfoMessage(const text::MessageText& message);
    // The apply's checks over the form's values: each shows its messages,
    // switches the page and sets the focus, and returns what it found.
    rules::FormValues CollectFormValues(bool multi) const;
    void ShowApplyCheckResult(const rules::ApplyCheckResult& result);
    rules::ApplyCheckResult RunApplyPreconditions();
    rules::ApplyCheckResult RunValidateSettings(bool multi, const QString& dhcpStart,
                                                bool dhcpServerOn);
    // Preconditions, then the whole-form check (the DHCP start and server
    // state from the form); ends where the login would follow.
    rules::ApplyCheckResult RunApplyChecks(bool multi = false);

  private:
    void connectKeysChecksHandlers();
    void connectKeyHandlers();
    void connectCheckHandlers();
    int keyIndexOf(const QLineEdit* field) const;
    void markKeyEdited(const QLineEdit* field);
    void focusNextAfter(QWidget* field);
    void moveOnFromNumericField(QLineEdit* field);
    QPointer<QLineEdit> numericExitDone_;     // its rule ran for the leaving under way
    QPointer<QLineEdit> numericExitRefused_;  // its value was refused on leaving
    bool numericExitRunning_ = false;

  public Q_SLOTS:
    // A second start of the program knocks; nothing is done.
    void OnSecondInstance();

  public:
    // ---- Apply transaction
    // The apply button: checks, target rows, login, one set request per AP.
    void b_TernapplyClick();
    // The stored packet of a list row given as decimal text; empty when the
    // row has none.
    QByteArray FetchStoredPacket(const QString& row) const;
    // The login goes into a copy of the record, which is sent to the AP of
    // a single-AP apply (or restore) in one set request under a new marker.
    // (The requests of several APs go out together from the multi-AP apply.)
    void SendSetRequest(const record::ApConfigRecord& record);
    // Whether an apply, its report or the pumping of a multi-AP apply is
    // under way: a second apply or restore would reset the counts and drop
    // the first one's refusals.
    bool applyBlocked() const;
    // The record with the login being used written in, as the AP takes it.
    record::ApConfigRecord WithLoginOf(const record::ApConfigRecord& record) const;
    // The form as the record builder reads it. The pass phrase and the keys
    // stand for what the fields mean, never for their row of '*'.
    record::FormSettings CollectFormSettings() const;
    // An AP an apply was sent to and that has not answered yet.
    using ApplyTarget = engine::ApplyTarget;
    QList<ApplyTarget>& unanswered_targets = engine_.unanswered_targets;
    // Between the last request of an apply and its conclusion.
    bool applyOutstanding() const { return engine_.applyOutstanding(); }

    // ---- the review before an apply (tmain_fm_review.cpp)
    struct ReviewTarget {
        record::ApConfigRecord current;  // as the AP last reported it
        record::ApConfigRecord toSend;   // built from the form, before the login
        QString name;                    // the list's name of the AP
    };
    // After the checks, before the login: what the apply would change on
    // each target. False when the user cancels, or when nothing would
    // change anywhere (a message says so): nothing is sent then. On true,
    // `changing` (if given) holds the indices of the targets with a change,
    // the only ones to send to.
    bool ReviewChanges(const QList<ReviewTarget>& targets, QList<qsizetype>* changing = nullptr);
    // The settings that differ, under tern-ap-cli's names, as `plan` finds
    // them; texts in the window's code page.
    QList<fleet::SettingChange> ChangesOf(const record::ApConfigRecord& current,
                                          const record::ApConfigRecord& toSend) const;

  private:
    void connectApplyHandlers();
    bool applySingle(int row);
    bool applyMulti(const QList<int>& rows);
    void reportBuildFailure(const record::BuildFailure& failure);
    // Whether a login can be written in the code page; if not, says so.
    bool loginWritable(const QString& user, const QString& password);
    // Ends the apply's bookkeeping; the report of the APs that did not
    // answer (and the refusals that did), empty when every target answered.
    QString takeUnconfirmedReport();
    void showUnconfirmedReport(const QString& text);
    bool applying_ = false;
    void beginSending();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // ---- the window's size (tmain_fm_size.cpp)
    // Where the controls that move or grow with the window sit at its
    // smallest size.
    void rememberBaseGeometry();
    // Lays the window out for its size: the AP list takes what the window
    // has beyond its smallest size, the buttons and bottom lines follow the
    // corners, the pages stay as they are.
    void stretchToSize();
    // The backdrop and navigation pictures for the window's size and the
    // screen's pixel ratio.
    void redrawPictures();
    // Once the window has its native window: pictures drawn again when it
    // moves to a screen of another scale (Qt 6.4 has no event for it).
    void watchScreen();
    QPointer<QWindow> watchedWindow_;
    struct BaseGeometry {
        QWidget* widget;
        QRect rect;
    };
    std::vector<BaseGeometry> baseGeometry_;
    int baseClientHeight_ = 0;
    int stretchedWidth_ = 0;  // the extra width the columns were last widened for
    QSize picturesSize_;
    qreal picturesRatio_ = 0;

    void init();
    void buildPages();
    void setUpControls();
    void connectHandlers();
    void connectDialogHandlers();
    void applyLayout(form::SizeLayout layout);
    void upImageClick(int page);
    QLineEdit* keyField(int n) const;
    void setEditEnabled(QLineEdit* edit, bool enabled);
    // The key area and s_auth as the encryption check box says, without the
    // rest of its click (which would reset the representation and flag keys).
    void setEncryptionControlsEnabled(bool on);
    void clearKeyField(QLineEdit* edit);

    std::unique_ptr<Ui::MainFm> ui_;
    std::unique_ptr<Ui::StatusPage> status_;
    std::unique_ptr<Ui::ApPage> ap_;
    std::unique_ptr<Ui::IpPage> ip_;
    std::unique_ptr<Ui::WepPage> wep_;
    std::unique_ptr<Ui::Dot1xPage> dot1x_;
    DialogSeam& dialogs_;
    std::unique_ptr<ScreenInfo> ownScreen_;
    const ScreenInfo* screen_ = nullptr;
    std::unique_ptr<text::LanguageText> lang_ini_;
    std::unique_ptr<text::LanguageText> noLanguage_;
    std::array<QLabel*, 5> navLabels_{};
    std::array<QLabel*, 5> upImages_{};
    std::array<QLabel*, 5> downImages_{};
    bool activated_ = false;
    bool activationQueued_ = false;
    bool destroyed_ = false;
    bool inLayout_ = false;
    form::SizeLayout layout_ = form::SizeLayout::Tall;
    bool forwardingKey_ = false;
};

}  // namespace tern::gui
