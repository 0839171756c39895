// The main window's session with one device: the login, the session's start,
// the supervision of the connection, the version check and the disconnect.

#include "cfg.h"

#include "Alarm.h"
#include "BaseWidget.h"
#include "CfgNetClient.h"
#include "CmdThread.h"
#include "DeviceFlows.h"
#include "MessageBoxes.h"
#include "NoticesServer.h"
#include "QvtVersion.h"
#include "SessionState.h"
#include "Settings.h"
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
    // A worker of the last session must be gone before the client serves a
    // new one: an import still walking its parts would write to this device.
    // Closing first ends an exchange in flight, so the join does not wait.
    m_cmd->Stop();
    m_update->Stop();
    m_client->Close();
    JoinWorkers();
    const QString failure = DeviceFlows::LogIn(m_client, {address, user, password});
    if (!failure.isEmpty()) {
        return failure;
    }
    Settings().setValue(QLatin1String(Settings::kAddress), address);
    SessionState::SetDeviceAddress(address);
    SessionState::SetUserIndex(user);
    SessionState::SetPassword(password);
    m_ui.actionConnect->setEnabled(false);
    m_ui.actionDisconnect->setEnabled(true);
    return QString();
}

void cfg::OnConnect()
{
    const auto attempt = [this](const DeviceFlows::Credentials &login) {
        return TryLogin(login.address, login.user, login.password);
    };
    if (DeviceFlows::AskAndLogIn(
            this, Settings().value(QLatin1String(Settings::kAddress)).toString(), attempt)) {
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

void cfg::JoinWorkers()
{
    m_cmd->Stop();
    m_update->Stop();
    m_cmd->Join();
    m_update->Join();
}

// Each session starts with its own user's controls: what a guest session
// disabled is enabled again for an admin, on every page that still exists.
void cfg::ApplyUserRestrictions()
{
    const bool guest = SessionState::IsGuest();
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
    ++m_session;
    m_receiverProblem.clear();
    SessionState::SetOffline(0);
    ApplyConnectionState();
    ApplyUserRestrictions();
    statusBar()->clearMessage();

    quint32 code = 0;
    QByteArray serial, extra;
    if (m_client->GetProductInfo(code, serial, extra) != 0) {
        // Without the model no worker starts: nothing would poll the pages or
        // run an import, so Import stays off and the operator is told.
        m_ui.actionImport->setEnabled(false);
        statusBar()->showMessage(
            tr("The device did not report its model: pages are not kept up to date and Import "
               "is off. Disconnect and connect again."));
        return;
    }
    const int type = static_cast<int>(code);
    if (type != productType) {
        // The pages go only once no worker can reach them any more.
        JoinWorkers();
        Unwire();
        productType = type;
        SessionState::SetProductType(type);
        Settings().setValue(QLatin1String(Settings::kProductType), type);
        TakePage();
        CreatePages();
        Wire();
    }
    m_alarmLog->Start();
    upgradeWarningPending = true;
    connectionLost = false;
    QTimer::singleShot(kVersionCheckDelayMs, this, &cfg::OnMatchVersion);
    emit UpdateStatus(true);
    m_cmd->Start();
    m_update->Start();
    StartReceiver();

    if (m_current) {
        PreparePage(m_current);
        m_current->RefreshFromDevice();
    }
}

void cfg::StartReceiver()
{
    const DeviceFlows::ReceiverProblem problem =
        DeviceFlows::StartReceiver(m_client, m_notices.get(), &m_receiverStarted);
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
    // The workers are told first, so that an exchange that the close cuts
    // short counts as the session's end (an import then says it did not
    // complete, not that a page failed). Closing wakes the exchanges in
    // flight: nothing here waits on the network, the workers end on their
    // own, and the next login joins them before it opens the client again.
    m_cmd->Stop();
    m_update->Stop();
    m_client->Close();
    m_ui.actionExport->setEnabled(false);
    m_ui.actionImport->setEnabled(false);
    m_notices->Stop();
    m_receiverStarted = false;
    emit UpdateStatus(false);
    emit AppCloseSignal();
    SessionState::SetOffline(1);
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
    if (SessionState::IsOffline()) {
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
        m_client->Login();
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
    if (SessionState::IsOffline()) {
        return;
    }
    // Read on the liveness thread: a device that stopped answering must not
    // freeze the window for the length of its time-outs.
    m_update->RequestVersion(m_session);
}

void cfg::OnVersionRead(int session, const QString &firmware)
{
    if (SessionState::IsOffline() || session != m_session || firmware == kVersion) {
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
