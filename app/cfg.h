#pragma once

#include "Alarm.h"
#include "DeviceFlows.h"
#include "ImportTarget.h"
#include "LinkTypes.h"
#include "Pages.h"
#include "Session.h"
#include "SignalIOPage.h"
#include "WindowJournal.h"
#include "Wiring.h"
#include "XmlDocument.h"
#include "ui_cfg.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class JournaledImport;
class LanguageConfig;
class Loading;
class NoticesServer;
class QLabel;
class StationWindow;

// What a caller other than the operator hands the window: the session's
// timings, the signal I/O pages' wait after a phase alignment, and answers
// to the file dialogs (unset: the dialogs open).
struct WindowOptions {
    SessionTimings timings;
    int alignSettleMs = SignalIOPage::kAlignSettleMs;
    Alarm::FileChooser chooseLogFile;
    std::function<QString(bool save)> chooseFile;  // true: export's save dialog
    // The change journal's location; empty: the JournalLocation setting.
    QString journalLocation;
    std::function<QString()> chooseHistoryFile;  // History's "Export CSV"
    // The alarm log's directory tried first; empty: "<program>/../logs".
    QString logDirectory;
    // qvt-config --station: the station window opens at start on this service.
    QString stationUrl;
};

// The main window: page tree and page area, the session with one device,
// the workers that poll it, and the menus that open the dialogs.
class cfg final : public QMainWindow
{
    Q_OBJECT

public:
    explicit cfg(WindowOptions options = {}, QWidget *parent = nullptr);
    ~cfg() override;

    // The language dialog that the entry point created (owned from now on).
    void SetLanguageConfig(LanguageConfig *dialog) { m_language = dialog; }

    // The login of the Connect dialog, for a caller that has the answers
    // already (the screenshot run, the benchmark): an empty text on success,
    // else the message the dialog flow would show.
    QString ConnectWithoutDialog(const QString &address, int user, const QString &password);
    void ShowPageOf(QTreeWidgetItem *item);

    // For tests and the screenshot run.
    const Pages &CurrentPages() const { return m_pages; }
    BaseWidget *CurrentPage() const { return m_current; }
    int ProductType() const { return productType; }
    bool IsAlive() const { return alive; }
    NoticesServer *Receiver() const { return m_notices.get(); }
    Alarm *AlarmLog() const { return m_alarmLog; }
    Session &Link() { return m_link; }
    CmdThread *Worker() { return &m_link.Worker(); }
    UpdateThread *Monitor() { return &m_link.Monitor(); }
    Ui::cfg &Form() { return m_ui; }
    WindowJournal &Journal() { return *m_journal; }
    QLabel *JournalProblem() const { return m_journalProblem; }
    StationWindow *Station() const { return m_station.get(); }

signals:
    void AddLogs(AlarmInfo info);
    void UpdateStatus(bool online);
    void AppCloseSignal();

public slots:
    void OnConnect();
    void OnDisConnect();
    void OnNetworkProperty();
    void OnChangePassword();
    void OnAddDestIP();
    void OnHistory();
    // Device > Station...: the station window, made at its first opening.
    void OnStation();
    // A tile of the station window was double-clicked: that switch's login,
    // once the operator agreed to end the current session.
    void OnStationDevice(const QString &address, const QString &user);
    void OnImport();
    void OnExport();
    void OnLanguageConfig();
    void OnAbout();
    void OnTreeItemPressed(QTreeWidgetItem *item, int index);
    void OnIsAlive(bool isAlive, int workMode);
    void OnImportFinish(int status);
    void OnMatchVersion();
    // The device's firmware version, read on the liveness thread for the
    // version check of login `session`.
    void OnVersionRead(int session, const QString &firmware);
    // Shows, or hides at 0, the lasting word on alarm rows not saved.
    void OnUnsavedRows(int count);
    // The program ends without the window being closed (SIGTERM, SIGHUP,
    // the desktop's session manager): the backup of a close, with nobody to
    // ask when it fails.
    void OnAboutToQuit();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QString TryLogin(const QString &address, int user, const QString &password);
    void ApplyConnectionState();
    void CreatePages();
    void Wire();
    void Unwire();
    void StartSession();
    void Disconnect();
    void ApplyUserRestrictions();
    void StartReceiver();
    void ReportReceiverProblem(const DeviceFlows::ReceiverProblem &problem);
    void ShowPage(BaseWidget *page);
    void PreparePage(BaseWidget *page);
    BaseWidget *TakePage();
    void ShowIndicator(bool connected);
    void LogConnection(const QString &status);
    QString ChooseFile(bool save);
    bool MayCloseWithUnsavedRows();
    void BackUpUnattended();
    void SayJournalProblem(const QString &text);
    DeviceFlows::JournalRecord JournalRecorder();

    Ui::cfg m_ui;
    // Declared first, so that it goes last: the pages and the log hold it.
    Session m_link;
    std::unique_ptr<NoticesServer> m_notices;
    int productType = 0;
    bool alive = false;
    bool connectionLost = false;
    bool upgradeWarningPending = true;
    int m_logins = 0;  // counts logins, so a late answer of an earlier one is ignored
    bool m_importing = false;
    bool m_receiverStarted = false;
    bool m_closed = false;      // the backup of the close is made
    bool m_discarded = false;   // the operator closed and gave up the rows
    QString m_receiverProblem;  // the last one said, so it is logged once
    XmlDocument m_document;     // the parameter file of export and import
    // The import's walk, on the command worker: the parts of this model.
    std::unique_ptr<JournaledImport> m_import;
    QString m_importFile;
    Pages m_pages;
    BaseWidget *m_current = nullptr;
    Loading *m_loading = nullptr;
    // The alarm log lives as long as the window: its rows outlive sessions
    // and changes of model, and are written out when the window closes.
    Alarm *m_alarmLog = nullptr;
    LanguageConfig *m_language = nullptr;
    // In the status bar for good: a message of the moment would be gone at
    // the next login or page message, with the rows still unsaved.
    QLabel *m_unsavedRows = nullptr;
    // Why journal entries wait, in the status bar for as long as they do.
    QLabel *m_journalProblem = nullptr;
    std::unique_ptr<WindowJournal> m_journal;
    PageWiring m_wiring;
    std::function<QString(bool)> m_chooseFile;
    std::function<QString()> m_chooseHistoryFile;
    const int m_alignSettleMs;
    std::unique_ptr<StationWindow> m_station;  // made when first opened
    QString m_stationUrl;
};
