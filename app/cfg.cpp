#include "cfg.h"

#include "AboutDialog.h"
#include "Alarm.h"
#include "BaseWidget.h"
#include "CfgNetClient.h"
#include "CmdThread.h"
#include "DeviceFlows.h"
#include "DeviceTables.h"
#include "Journal.h"
#include "JournalHistory.h"
#include "JournaledImport.h"
#include "LanguageConfig.h"
#include "Loading.h"
#include "MessageBoxes.h"
#include "NoticesServer.h"
#include "ParameterFileFlows.h"
#include "ParamsFile.h"
#include "Settings.h"
#include "StationWindow.h"
#include "UpdateThread.h"

#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTextStream>

// The images live in this static library; a program linking it must
// register them before any window uses them.
static void InitResources()
{
    Q_INIT_RESOURCE(cfg);
}

namespace {

int StoredProductType()
{
    const int stored = Settings().ProductType();
    return stored == 0 ? static_cast<int>(kProduct4x1AGC) : stored;
}
}  // namespace

cfg::cfg(WindowOptions options, QWidget *parent)
    : QMainWindow(parent),
      m_link(options.timings),
      m_notices(std::make_unique<NoticesServer>()),
      m_chooseFile(std::move(options.chooseFile)),
      m_chooseHistoryFile(std::move(options.chooseHistoryFile)),
      m_alignSettleMs(options.alignSettleMs),
      m_stationUrl(options.stationUrl)
{
    InitResources();
    m_ui.setupUi(this);
    // The desktop menu's icon (the installed qvt-config.png) on the window too.
    setWindowIcon(QIcon(QStringLiteral(":/cfg/Resources/qvt-config.png")));
    RegisterLinkTypes();
    m_journal = std::make_unique<WindowJournal>(
        options.journalLocation.isEmpty() ? WindowJournal::StoredLocation()
                                          : options.journalLocation,
        [this](const QString &text) { SayJournalProblem(text); });
    ApplyConnectionState();
    if (QStyle *style = QStyleFactory::create(QStringLiteral("plastique"))) {
        qApp->setStyle(style);
    }
    m_alarmLog = new Alarm(&m_link.Client(), this, std::move(options.chooseLogFile), {},
                           options.logDirectory);
    connect(&m_link, &Session::OnlineChanged, m_alarmLog, &Alarm::SetOnline);
    m_alarmLog->hide();
    CreatePages();
    // Events of the receive thread arrive queued, in the order received.
    connect(&m_link.Notices(), &NoticeRoute::NotityAlarmInfo, m_alarmLog,
            &Alarm::OnNotityAlarmInfo);
    // A notification means the device's alarm state has changed: the board,
    // when shown, reads it now instead of at its next poll up to a second
    // later. On the receive thread, so the wake does not queue behind the
    // window's events; the worker spaces the polls a flood would cause.
    connect(
        &m_link.Notices(), &NoticeRoute::NotityAlarmInfo, &m_link.Worker(),
        [cmd = &m_link.Worker()] {
            if (cmd->CurrentPoll().request == &CmdThread::PollStatus) {
                cmd->Wake();
            }
        },
        Qt::DirectConnection);
    connect(this, &cfg::AddLogs, m_alarmLog, &Alarm::OnAddAlarmLogs);
    connect(this, &cfg::AppCloseSignal, m_alarmLog, &Alarm::OnAppClose);
    m_unsavedRows = new QLabel(this);
    m_unsavedRows->setObjectName(QStringLiteral("labelUnsavedRows"));
    m_unsavedRows->setStyleSheet(QStringLiteral("QLabel{color: #c00000; font-weight: bold}"));
    m_unsavedRows->hide();
    statusBar()->addPermanentWidget(m_unsavedRows);
    connect(m_alarmLog, &Alarm::NotifyUnsavedRows, this, &cfg::OnUnsavedRows);
    m_journalProblem = new QLabel(this);
    m_journalProblem->setObjectName(QStringLiteral("labelJournalProblem"));
    m_journalProblem->setStyleSheet(QStringLiteral("QLabel{color: #c00000}"));
    m_journalProblem->hide();
    statusBar()->addPermanentWidget(m_journalProblem);
    m_ui.actionDisconnect->setEnabled(false);

    connect(m_ui.actionConnect, &QAction::triggered, this, &cfg::OnConnect);
    connect(m_ui.actionDisconnect, &QAction::triggered, this, &cfg::OnDisConnect);
    connect(m_ui.actionConfigNetwork, &QAction::triggered, this, &cfg::OnNetworkProperty);
    connect(m_ui.actionChangePassword, &QAction::triggered, this, &cfg::OnChangePassword);
    connect(m_ui.actionAddDestIP, &QAction::triggered, this, &cfg::OnAddDestIP);
    connect(m_ui.actionHistory, &QAction::triggered, this, &cfg::OnHistory);
    connect(m_ui.actionStation, &QAction::triggered, this, &cfg::OnStation);
    connect(m_ui.actionImport, &QAction::triggered, this, &cfg::OnImport);
    connect(m_ui.actionExport, &QAction::triggered, this, &cfg::OnExport);
    connect(m_ui.actionLanguageConfig, &QAction::triggered, this, &cfg::OnLanguageConfig);
    connect(m_ui.actionAbout, &QAction::triggered, this, &cfg::OnAbout);
    connect(m_ui.treeWidget, &QTreeWidget::itemPressed, this, &cfg::OnTreeItemPressed);
    connect(&m_link.Monitor(), &UpdateThread::IsAlive, this, &cfg::OnIsAlive);
    connect(&m_link.Worker(), &CmdThread::NotifyImportFinish, this, &cfg::OnImportFinish);
    connect(&m_link.Monitor(), &UpdateThread::VersionRead, this, &cfg::OnVersionRead);
    Wire();

    m_loading = new Loading(this);
    m_loading->hide();
}

cfg::~cfg()
{
    m_station.reset();  // it reads nothing more, and asks the window for nothing
    m_notices->Stop();
    // The session's workers end before the pages they signal go.
    m_link.Close();
    m_link.Join();
    if (!m_journal->Flush()) {
        // The last chance: standard error is all that is left to tell.
        QTextStream(stderr) << "qvt-config: " << m_journal->Writer().Pending()
                            << " operation(s) could not be written to the change journal: "
                            << m_journal->Writer().LastError() << '\n';
    }
    m_journal.reset();
    TakePage();
    m_pages.Destroy();
    delete m_alarmLog;  // before the session it holds
    delete m_loading;
    delete m_language;
}

void cfg::ShowIndicator(bool connected)
{
    m_ui.labelConnect->setStyleSheet(
        connected ? QStringLiteral("QLabel{border-image: url(:/cfg/Resources/connect.png)}")
                  : QStringLiteral("QLabel{border-image: url(:/cfg/Resources/disconnect.png)}"));
}

void cfg::ApplyConnectionState()
{
    if (m_link.IsOffline()) {
        m_ui.actionExport->setEnabled(false);
        m_ui.actionImport->setEnabled(false);
        alive = false;
        ShowIndicator(false);
        productType = StoredProductType();
    } else {
        m_ui.actionExport->setEnabled(true);
        m_ui.actionImport->setEnabled(!m_link.IsGuest());
        alive = true;
        ShowIndicator(true);
    }
}

void cfg::CreatePages()
{
    m_pages.Create({&m_link, productType, m_alignSettleMs, this, {{PageKey::Alarm, m_alarmLog}}});
    const QList<PageKey> keys = m_pages.Keys();
    for (int i = 0; i < keys.size(); ++i) {
        connect(m_pages.list[i], &BaseWidget::Applied, this,
                [this, key = keys[i]](const ApplyRecord &record) {
                    m_journal->RecordApply(m_link.Client(), productType, key, record);
                });
    }
    BuildTree(m_ui.treeWidget, productType);
    // The worker is joined whenever the model, and so the parts, change.
    // One walk over all parts, so that the journal has each field's value
    // before the first write.
    CmdThread *worker = &m_link.Worker();
    auto import = std::make_unique<JournaledImport>(productType, m_link.Client(), m_document,
                                                    [worker] { return worker->ImportGap(); });
    m_link.Worker().SetImportParts({import.get()});
    m_import = std::move(import);
}

void cfg::Wire()
{
    m_wiring.Connect(m_pages, &m_link.Worker(), this);
}

void cfg::Unwire()
{
    m_wiring.Disconnect();
}

QString cfg::ChooseFile(bool save)
{
    return m_chooseFile ? m_chooseFile(save) : ParameterFileFlows::ChooseFile(this, save);
}

BaseWidget *cfg::TakePage()
{
    BaseWidget *page = m_current;
    if (page) {
        m_ui.scrollArea->takeWidget();
        page->setParent(this);
        page->hide();
        m_current = nullptr;
    }
    return page;
}

void cfg::ShowPageOf(QTreeWidgetItem *item)
{
    m_ui.treeWidget->setCurrentItem(item);
    OnTreeItemPressed(item, 0);
}

// A page's controls as the connection and the user allow: a guest's
// restrictions come after every enabling, or they would be undone.
void cfg::PreparePage(BaseWidget *page)
{
    page->SetPageDisabled(!alive);
    if (m_link.IsGuest() && !m_link.IsOffline()) {
        page->ApplyGuestRestrictions();
    }
}

void cfg::ShowPage(BaseWidget *page)
{
    if (BaseWidget *previous = TakePage()) {
        previous->LeavePage();
    }
    if (!page) {
        return;
    }
    m_ui.scrollArea->setWidget(page);
    page->show();
    m_current = page;
    PreparePage(page);
    if (alive && !m_link.IsOffline()) {
        page->RefreshFromDevice();
    }
}

void cfg::OnTreeItemPressed(QTreeWidgetItem *item, int)
{
    if (item && item->childCount() > 0) {
        if (BaseWidget *previous = TakePage()) {
            previous->LeavePage();
        }
        return;
    }
    if (BaseWidget *page = m_pages.Find(KeyOf(item))) {
        ShowPage(page);
    }
}

void cfg::OnExport()
{
    const QString file = ChooseFile(true);
    if (!file.isEmpty()) {
        ParameterFileFlows::Export(this, m_link.Client(), m_document, productType, file);
    }
}

void cfg::OnImport()
{
    // The command worker runs the import; without it the overlay would stay for ever.
    if (!m_link.Worker().isRunning()) {
        Warn(this, tr("The import cannot start: the tool is not polling the device. Disconnect "
                      "and connect again."));
        return;
    }
    const QString file = ChooseFile(false);
    if (file.isEmpty() || !ParameterFileFlows::Load(this, m_document, productType, file)) {
        return;
    }
    m_importing = true;
    m_importFile = file;
    m_link.Worker().RequestImport();
    m_loading->show();
    m_loading->raise();
}

void cfg::OnImportFinish(int status)
{
    if (m_importing) {
        m_importing = false;
        m_loading->hide();
        m_journal->Record(QStringLiteral("import ") + m_importFile, m_import->TakeResult().changes);
        // The parts wrote alarm settings the board colours its lamps by: it
        // reads them afresh, as at a session start.
        if (status != kImportStopped && alive) {
            emit UpdateStatus(true);
        }
        ParameterFileFlows::Finish(this, m_document, status, m_current);
    }
}

void cfg::OnNetworkProperty()
{
    DeviceFlows::NetworkProperty(this, m_link, JournalRecorder());
}

void cfg::OnChangePassword()
{
    DeviceFlows::ChangePassword(this, m_link, JournalRecorder());
}

void cfg::OnAddDestIP()
{
    if (DeviceFlows::AddDestIP(this, m_link, m_notices.get(), JournalRecorder()) ==
        DeviceFlows::DestOutcome::Listening) {
        m_receiverProblem.clear();
        statusBar()->clearMessage();
    } else if (!m_link.IsOffline()) {
        // "Auto" moves the receiver while the dialog is open, and a session
        // that could not listen before may be able to now: listen again
        // where the device sends.
        StartReceiver();
    }
}

void cfg::OnLanguageConfig()
{
    if (!m_language) {
        return;
    }
    m_language->move(x() + (width() - m_language->width()) / 2,
                     y() + (height() - m_language->height()) / 2);
    m_language->SelectCurrent();
    if (m_language->exec() != QDialog::Accepted) {
        return;
    }
    m_language->Apply();
    m_ui.retranslateUi(this);
    RetranslateTree(m_ui.treeWidget);
    for (BaseWidget *page : m_pages.list) {
        page->Retranslate();
    }
    OnUnsavedRows(m_alarmLog->UnsavedRows());
    if (alive && m_current) {
        m_current->RefreshFromDevice();
    }
}

void cfg::OnAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void cfg::OnUnsavedRows(int count)
{
    m_unsavedRows->setText(count == 1 ? tr("1 alarm row not saved")
                                      : tr("%1 alarm rows not saved").arg(count));
    m_unsavedRows->setToolTip(m_alarmLog->FailureText());
    m_unsavedRows->setVisible(count > 0);
}

void cfg::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // At a logout nobody may be there to answer.
    if (qApp->isSavingSession()) {
        BackUpUnattended();
        event->accept();
        return;
    }
    emit AppCloseSignal();
    m_journal->Flush();
    if (MayCloseWithUnsavedRows()) {
        m_closed = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void cfg::OnAboutToQuit()
{
    m_journal->Flush();
    // No close (a signal, a logout), or rows that came in after the close's
    // backup: the receiver runs until the window goes.
    if (!m_closed || (!m_discarded && m_alarmLog->Rows() > 0)) {
        BackUpUnattended();
    }
}

void cfg::OnHistory()
{
    JournalWriter &writer = m_journal->Writer();
    ::Journal *journal = writer.Current();
    // An auditor may read what they may not write; a journal of a newer
    // version is read as far as this version can.
    std::unique_ptr<::Journal> reading;
    QString problem = writer.LastError();
    if (!journal) {
        reading = ::Journal::OpenToRead(writer.Location(), &problem);
        journal = reading.get();
        problem = journal ? QString() : writer.LastError();
    }
    JournalHistory dialog(journal, problem, m_chooseHistoryFile, this);
    dialog.exec();
}

void cfg::OnStation()
{
    if (!m_station) {
        // A window of its own, not one kept above the main window: a wall
        // screen shows it alone, and the pages are not hidden behind it.
        m_station = std::make_unique<StationWindow>(nullptr, m_stationUrl);
        connect(m_station.get(), &StationWindow::OpenDevice, this, &cfg::OnStationDevice);
    }
    m_station->show();
    m_station->raise();
    m_station->activateWindow();
}

void cfg::OnStationDevice(const QString &address, const QString &user)
{
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
    if (!m_link.IsOffline() && m_link.Address() == address) {
        return;  // its pages are here already
    }
    if (!m_link.IsOffline()) {
        const auto answer = QMessageBox::question(
            this, tr("Warning"),
            tr("You are connected to %1. Disconnect from it and connect to %2?")
                .arg(m_link.Address(), address),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            return;
        }
    }
    // The session ends only once another login is under way: a cancelled
    // dialog leaves the operator where they were.
    const auto attempt = [this](const DeviceFlows::Credentials &login) {
        if (!m_link.IsOffline()) {
            Disconnect();
        }
        return TryLogin(login.address, login.user, login.password);
    };
    if (DeviceFlows::AskAndLogIn(this, address, attempt, UserIndex(user))) {
        StartSession();
    }
}

DeviceFlows::JournalRecord cfg::JournalRecorder()
{
    return [this](const QString &operation, const QVector<FieldChange> &changes) {
        m_journal->Record(operation, changes);
    };
}

void cfg::SayJournalProblem(const QString &text)
{
    m_journalProblem->setText(text);
    m_journalProblem->setVisible(!text.isEmpty());
}

// Standard error is all that is left to tell: a desktop session keeps it in
// its journal.
void cfg::BackUpUnattended()
{
    m_closed = true;
    emit AppCloseSignal();
    const int rows = m_alarmLog->UnsavedRows();
    if (rows == 0) {
        return;
    }
    const QString failed = QDir::toNativeSeparators(m_alarmLog->FailedPath());
    const QString reason = m_alarmLog->FailureReason();
    const QStringList written = m_alarmLog->SaveToFallback();
    const int lost = m_alarmLog->UnsavedRows();
    QTextStream err(stderr);
    err << "qvt-config: the alarm log could not be written to " << failed << " (" << reason << ")";
    if (!written.isEmpty()) {
        err << "; " << rows - lost << " of its " << rows << " rows were written to "
            << QDir::toNativeSeparators(written.join(QStringLiteral(", "))) << " instead";
    }
    if (lost > 0) {
        err << (written.isEmpty() ? " nor to a fallback directory; " : "; ") << lost
            << " alarm rows are lost";
    }
    err << ".\n";
    err.flush();
}

// A backup at close that failed: the operator decides what becomes of the
// rows, not the window by going away with them.
bool cfg::MayCloseWithUnsavedRows()
{
    while (m_alarmLog->UnsavedRows() > 0) {
        QMessageBox box(QMessageBox::Warning, tr("Warning"),
                        m_alarmLog->FailureText() + QStringLiteral("\n\n") +
                            tr("Alarm rows not saved: %1. Save them to another file, close "
                               "anyway and lose them, or cancel and keep the window open.")
                                .arg(m_alarmLog->UnsavedRows()),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.button(QMessageBox::Save)->setText(tr("Save Elsewhere..."));
        box.button(QMessageBox::Discard)->setText(tr("Close Anyway"));
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        box.exec();
        const QMessageBox::StandardButton answer = box.standardButton(box.clickedButton());
        if (answer == QMessageBox::Discard) {
            m_discarded = true;
            return true;
        }
        if (answer != QMessageBox::Save) {
            return false;
        }
        // A cancelled dialog or a file that fails asks again.
        m_alarmLog->SaveElsewhere();
    }
    return true;
}

void cfg::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_loading) {
        m_loading->setGeometry(-30, -30, width() + 60, height() + 60);
    }
}
