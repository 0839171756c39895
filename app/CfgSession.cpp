// The main window's session with one device: the login, the session's start,
// the supervision of the connection, the version check and the disconnect.

#include "cfg.h"

#include "Alarm.h"
#include "BaseWidget.h"
#include "CfgNetClient.h"
#include "CmdThread.h"
#include "DeviceFlows.h"
#include "DeviceTables.h"
#include "MessageBoxes.h"
#include "NoticesServer.h"
#include "QvtVersion.h"
#include "Settings.h"
#include "TextForms.h"
#include "UpdateThread.h"

#include <QDebug>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

namespace {
const QString kVersion = QString::fromLatin1(kProgramVersion);
constexpr int kVersionCheckDelayMs = 1200;
}  // namespace

QString cfg::TryLogin(const QString &address, int user, const QString &password)
{
    // The session ends the last login (its workers joined) before it opens
    // the client again.
    const QString failure = DeviceFlows::LogIn(m_link, {address, user, password});
    if (!failure.isEmpty()) {
        return failure;
    }
    Settings().SetAddress(address);
    m_ui.actionConnect->setEnabled(false);
    m_ui.actionDisconnect->setEnabled(true);
    return QString();
}

void cfg::OnConnect()
{
    const auto attempt = [this](const DeviceFlows::Credentials &login) {
        return TryLogin(login.address, login.user, login.password);
    };
    if (DeviceFlows::AskAndLogIn(this, Settings().Address(), attempt)) {
        StartSession();
    }
}

QString cfg::ConnectWithoutDialog(const QString &address, int user, const QString &password)
{
    const QString failure = TryLogin(address, user, password);
    if (failure.isEmpty()) {
        StartSession();
    }
    return failure;
}

// Each session starts with its own user's controls: what a guest session
// disabled is enabled again for an admin, on every page that still exists.
void cfg::ApplyUserRestrictions()
{
    const bool guest = m_link.IsGuest();
    m_ui.actionChangePassword->setEnabled(!guest);
    m_ui.actionConfigNetwork->setEnabled(!guest);
    if (!guest) {
        for (BaseWidget *page : m_pages.list) {
            page->LiftGuestRestrictions();
        }
    }
}

void cfg::StartSession()
{
    ++m_logins;
    m_receiverProblem.clear();
    ApplyConnectionState();
    ApplyUserRestrictions();
    statusBar()->clearMessage();

    quint32 code = 0;
    QByteArray serial, extra;
    if (m_link.Client().GetProductInfo(code, serial, extra) != 0) {
        // Without the model no worker starts: nothing would poll the pages or
        // run an import, so Import stays off and the operator is told.
        m_ui.actionImport->setEnabled(false);
        statusBar()->showMessage(
            tr("The device did not report its model: pages are not kept up to date and Import "
               "is off. Disconnect and connect again."));
        return;
    }
    const int type = static_cast<int>(code);
    m_link.SetProductType(type);
    m_journal->SetDevice(
        serial.size() == 8 ? SerialNumberText(reinterpret_cast<const quint8 *>(serial.data()))
                           : QString(),
        m_link.Address(), EnglishModelName(code), QString::fromLatin1(UserName(m_link.User())));
    if (type != productType) {
        // The pages go only once no worker can reach them any more (none
        // runs yet: the login joined the last session's).
        Unwire();
        productType = type;
        Settings().SetProductType(type);
        TakePage();
        CreatePages();
        Wire();
    }
    m_alarmLog->Start(m_link.Address());
    upgradeWarningPending = true;
    connectionLost = false;
    QTimer::singleShot(kVersionCheckDelayMs, this, &cfg::OnMatchVersion);
    emit UpdateStatus(true);
    m_link.StartWorkers();
    StartReceiver();

    if (m_current) {
        PreparePage(m_current);
        m_current->RefreshFromDevice();
    }
}

void cfg::StartReceiver()
{
    const DeviceFlows::ReceiverProblem problem =
        DeviceFlows::StartReceiver(m_link, m_notices.get(), &m_receiverStarted);
    if (!problem.IsEmpty()) {
        ReportReceiverProblem(problem);
    } else if (!m_receiverProblem.isEmpty()) {
        m_receiverProblem.clear();
        statusBar()->clearMessage();
    }
}

void cfg::ReportReceiverProblem(const DeviceFlows::ReceiverProblem &problem)
{
    const QString text = tr("Alarm notifications will not arrive: %1.").arg(problem.shown);
    statusBar()->showMessage(text);
    if (text == m_receiverProblem) {
        return;  // logged already
    }
    m_receiverProblem = text;
    qWarning().noquote() << text;
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.notes = QStringLiteral("Alarm notifications will not arrive: %1.").arg(problem.logged);
    emit AddLogs(info);
}

void cfg::Disconnect()
{
    // Nothing here waits on the network: the session's workers end on their
    // own, and the next login joins them before it opens the client again.
    // The log's backup is of a session that was online, rows or none.
    emit AppCloseSignal();
    m_link.Close();
    m_ui.actionExport->setEnabled(false);
    m_ui.actionImport->setEnabled(false);
    m_notices->Stop();
    m_receiverStarted = false;
    emit UpdateStatus(false);
    ShowIndicator(false);
    alive = false;
    if (m_current) {
        m_current->SetPageDisabled(true);
        m_current->LeavePage();
    }
    m_ui.actionConnect->setEnabled(true);
    m_ui.actionDisconnect->setEnabled(false);
}

void cfg::OnDisConnect()
{
    const auto answer = QMessageBox::question(this, tr("Warning"), tr("Do you want to disconnect?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    // Escape and the close button answer No.
    if (answer != QMessageBox::No) {
        Disconnect();
    }
}

// The alarm log keeps its rows and files in English whatever the interface
// language (other programs read the files, and a log must not change
// language halfway); its table shows them translated.
void cfg::LogConnection(const QString &status)
{
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.alarmType = QString::fromLatin1(QT_TRANSLATE_NOOP("cfg", "Connection Lost"));
    info.alarmStatus = status;
    emit AddLogs(info);
}

void cfg::OnIsAlive(bool isAlive, int workMode)
{
    if (m_link.IsOffline()) {
        return;
    }
    alive = isAlive;
    if (!isAlive) {
        if (!connectionLost) {
            if (m_current) {
                m_current->SetPageDisabled(true);
                m_current->LeavePage();
            }
            emit UpdateStatus(false);
            LogConnection(QStringLiteral("Asserted"));
        }
        connectionLost = true;
        ShowIndicator(false);
        return;
    }
    if (workMode == 0 && upgradeWarningPending) {
        upgradeWarningPending = false;
        Disconnect();
        Warn(this, tr("The device is upgrading."));
        return;
    }
    if (connectionLost) {
        m_link.Client().Login();
        connectionLost = false;
        if (m_current) {
            PreparePage(m_current);
            m_current->RefreshFromDevice();
        }
        emit UpdateStatus(true);
        LogConnection(QStringLiteral("Cleared"));
    }
    ShowIndicator(true);
}

void cfg::OnMatchVersion()
{
    if (m_link.IsOffline()) {
        return;
    }
    // Read on the liveness thread: a device that stopped answering must not
    // freeze the window for the length of its time-outs.
    m_link.Monitor().RequestVersion(m_logins);
}

void cfg::OnVersionRead(int session, const QString &firmware)
{
    if (m_link.IsOffline() || session != m_logins || firmware == kVersion) {
        return;
    }
    Warn(this, tr("The versions between the device %1 and control software %2 are "
                  "mismatched.Please use identical versions and re-login.")
                   .arg(firmware, kVersion));
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.notes = QString::fromLatin1(
        QT_TRANSLATE_NOOP("cfg", "Version mismatch between the Config Tool and the Firmware"));
    emit AddLogs(info);
    Disconnect();
}
