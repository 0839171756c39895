#include "cfg.h"

#include "AboutDialog.h"
#include "BaseWidget.h"
#include "CfgNetClient.h"
#include "ChangePassword.h"
#include "CmdThread.h"
#include "DeviceTables.h"
#include "LanguageConfig.h"
#include "Loading.h"
#include "Login.h"
#include "NetworkProperty.h"
#include "NoticesServer.h"
#include "NotificationDest.h"
#include "QvtVersion.h"
#include "SessionState.h"
#include "Settings.h"
#include "UpdateThread.h"
#include "XmlDocument.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileDialog>
#include <QMessageBox>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTimer>

// The images live in this static library; a program linking it must
// register them before any window uses them.
static void InitResources()
{
    Q_INIT_RESOURCE(cfg);
}

namespace {
const QString kVersion = QString::fromLatin1(kProgramVersion);
constexpr quint16 kDevicePortNumber = 33903;
constexpr int kVersionCheckDelayMs = 1200;

void Warn(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, QCoreApplication::translate("cfg", "Warning"), text);
}

void Inform(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, QCoreApplication::translate("cfg", "Information"), text);
}

int StoredProductType()
{
    const int stored = Settings().value(QStringLiteral("ProductType"), 0).toInt();
    return stored == 0 ? static_cast<int>(kProduct4x1AGC) : stored;
}
}  // namespace

cfg::cfg(CfgNetClient *client, QWidget *parent) : QMainWindow(parent), m_client(client)
{
    InitResources();
    m_ui.setupUi(this);
    RegisterLinkTypes();
    ApplyConnectionState();
    m_update = std::make_unique<UpdateThread>(m_client);
    m_cmd = std::make_unique<CmdThread>(m_client);
    if (QStyle *style = QStyleFactory::create(QStringLiteral("plastique"))) {
        qApp->setStyle(style);
    }
    CreatePages();
    m_notices = std::make_unique<NoticesServer>();
    m_ui.actionDisconnect->setEnabled(false);

    connect(m_ui.actionConnect, &QAction::triggered, this, &cfg::OnConnect);
    connect(m_ui.actionDisconnect, &QAction::triggered, this, &cfg::OnDisConnect);
    connect(m_ui.actionConfigNetwork, &QAction::triggered, this, &cfg::OnNetworkProperty);
    connect(m_ui.actionChangePassword, &QAction::triggered, this, &cfg::OnChangePassword);
    connect(m_ui.actionAddDestIP, &QAction::triggered, this, &cfg::OnAddDestIP);
    connect(m_ui.actionImport, &QAction::triggered, this, &cfg::OnImport);
    connect(m_ui.actionExport, &QAction::triggered, this, &cfg::OnExport);
    connect(m_ui.actionLanguageConfig, &QAction::triggered, this, &cfg::OnLanguageConfig);
    connect(m_ui.actionAbout, &QAction::triggered, this, &cfg::OnAbout);
    connect(m_ui.treeWidget, &QTreeWidget::itemPressed, this, &cfg::OnTreeItemPressed);
    connect(this, &cfg::SendImportCmd, m_cmd.get(), &CmdThread::OnSetCmd);
    connect(m_update.get(), &UpdateThread::IsAlive, this, &cfg::OnIsAlive);
    connect(m_cmd.get(), &CmdThread::NotifyImportFinish, this, &cfg::OnImportFinish);
    connect(m_update.get(), &UpdateThread::VersionRead, this, &cfg::OnVersionRead);
    Wire();

    m_loading = new Loading(this);
    m_loading->hide();
}

cfg::~cfg()
{
    m_notices->Stop();
    m_update->Stop();
    m_cmd->Stop();
    // Closing wakes the exchanges in flight, so the joins below never wait
    // out a dead device's time-outs.
    m_client->Close();
    m_update->Join();
    m_update.reset();
    m_cmd->Join();
    m_cmd.reset();
    TakePage();
    m_pages.Destroy();
    delete m_loading;
    delete m_language;
    delete m_client;
}

void cfg::ShowIndicator(bool connected)
{
    m_ui.labelConnect->setStyleSheet(
        connected ? QStringLiteral("QLabel{border-image: url(:/cfg/Resources/connect.png)}")
                  : QStringLiteral("QLabel{border-image: url(:/cfg/Resources/disconnect.png)}"));
}

void cfg::ApplyConnectionState()
{
    if (SessionState::Offline() == 1) {
        m_ui.actionExport->setEnabled(false);
        m_ui.actionImport->setEnabled(false);
        alive = false;
        ShowIndicator(false);
        productType = StoredProductType();
        SessionState::SetProductType(productType);
    } else {
        m_ui.actionExport->setEnabled(true);
        m_ui.actionImport->setEnabled(SessionState::UserIndex() != 1);
        alive = true;
        ShowIndicator(true);
    }
}

void cfg::CreatePages()
{
    m_pages.Create({m_client, productType, this, &m_document});
    BuildTree(m_ui.treeWidget, productType);
    m_cmd->SetImportPages(QList<ImportTarget *>(m_pages.list.begin(), m_pages.list.end()));
}

void cfg::Wire()
{
    m_wiring.Connect(m_pages, m_cmd.get(), statusBar());
}

void cfg::Unwire()
{
    m_wiring.Disconnect();
}

QString cfg::ChooseFile(bool save)
{
    if (m_chooseFile) {
        return m_chooseFile(save);
    }
    const QString initial =
        QCoreApplication::applicationDirPath() + QStringLiteral("/Configure.xml");
    const QString filter = tr("XML files (*.xml)");
    if (save) {
        return QFileDialog::getSaveFileName(this, tr("Select File"), initial, filter);
    }
    return QFileDialog::getOpenFileNames(this, tr("Select File"), initial, filter).value(0);
}

QString cfg::TryLogin(const QString &address, int user, const QString &password)
{
    // A worker of the last session must be gone before the client serves a
    // new one: an import still walking its pages would write to this device.
    JoinWorkers();
    m_client->Open(address, kDevicePortNumber);
    m_client->SetUser(user, password);
    quint32 mode = 255;
    QString failure;
    if (m_client->GetWorkMode(mode) != 0) {
        failure = tr("Device is off-line.");
    } else if (mode == 0) {
        failure = tr("The device is upgrading.");
    } else {
        const int result = m_client->Login();
        if (result == -1) {
            failure = tr("Device is off-line.");
        } else if (result != 0) {
            failure = tr("The password is incorrect.");
        }
    }
    if (!failure.isEmpty()) {
        m_client->Close();
        return failure;
    }
    Settings().setValue(QStringLiteral("IP"), address);
    SessionState::SetDeviceAddress(address);
    SessionState::SetUserIndex(user);
    SessionState::SetPassword(password);
    m_ui.actionConnect->setEnabled(false);
    m_ui.actionDisconnect->setEnabled(true);
    return QString();
}

void cfg::OnConnect()
{
    for (;;) {
        auto dialog = std::make_unique<Login>(this);
        dialog->SetAddress(Settings().value(QStringLiteral("IP")).toString());
        if (dialog->exec() != QDialog::Accepted) {
            return;
        }
        const QString failure =
            TryLogin(dialog->Address(), dialog->UserIndex(), dialog->Password());
        if (failure.isEmpty()) {
            break;
        }
        dialog.reset();
        Warn(this, failure);
    }
    StartSession();
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
    const bool guest = SessionState::UserIndex() == 1;
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
        Settings().setValue(QStringLiteral("ProductType"), type);
        TakePage();
        CreatePages();
        Wire();
    }
    upgradeWarningPending = true;
    connectionLost = false;
    QTimer::singleShot(kVersionCheckDelayMs, this, &cfg::OnMatchVersion);
    emit UpdateStatus(true);
    m_cmd->Start();
    m_update->Start();
    StartReceiver();

    if (m_current) {
        m_current->SetPageDisabled(!alive);
        if (SessionState::UserIndex() == 1) {
            m_current->ApplyGuestRestrictions();
        }
        m_current->RefreshFromDevice();
    }
}

// Listens on the port of the destination that names this computer (else on
// destination 1's port), and says so when notifications cannot arrive.
void cfg::StartReceiver()
{
    QStringList ips;
    QVector<quint16> ports;
    if (m_client->GetNotificationDest(ips, ports) != 0) {
        ReportReceiverProblem(tr("the device did not report where it sends them"));
        return;
    }
    const QString local = m_client->LocalAddressOnDeviceSubnet();
    const quint16 port =
        (local != ips.value(0) && local == ips.value(1)) ? ports.value(1) : ports.value(0);
    if (port == 0) {
        ReportReceiverProblem(tr("the device sends them to no port; set one with Add Dest IP"));
        return;
    }
    m_receiverStarted = true;
    if (!m_notices->Start(port)) {
        ReportReceiverProblem(tr("port %1 cannot be opened on this computer").arg(port));
    }
}

void cfg::ReportReceiverProblem(const QString &why)
{
    const QString text = tr("Alarm notifications cannot be received: %1.").arg(why);
    statusBar()->showMessage(text);
    qWarning().noquote() << text;
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.notes = text;
    emit AddLogs(info);
}

void cfg::Disconnect()
{
    // Closing wakes the workers' exchanges in flight, so nothing here waits
    // on the network; the workers end on their own, and the next login joins
    // them before it opens the client again.
    m_client->Close();
    m_ui.actionExport->setEnabled(false);
    m_ui.actionImport->setEnabled(false);
    m_cmd->Stop();
    m_update->Stop();
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
    page->SetPageDisabled(!alive);
    if (SessionState::UserIndex() == 1 && SessionState::Offline() == 0) {
        page->ApplyGuestRestrictions();
    }
    if (alive && SessionState::Offline() == 0) {
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

void cfg::LogConnection(const QString &status)
{
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.alarmType = tr("Connection Lost");
    info.alarmStatus = status;
    emit AddLogs(info);
}

void cfg::OnIsAlive(bool isAlive, int workMode)
{
    if (SessionState::Offline() == 1) {
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
            LogConnection(tr("Asserted"));
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
            m_current->SetPageDisabled(!alive);
            m_current->RefreshFromDevice();
        }
        emit UpdateStatus(true);
        LogConnection(tr("Cleared"));
    }
    ShowIndicator(true);
}

void cfg::OnMatchVersion()
{
    if (SessionState::Offline() == 1) {
        return;
    }
    // Read on the liveness thread: a device that stopped answering must not
    // freeze the window for the length of its time-outs.
    m_update->RequestVersion(m_session);
}

void cfg::OnVersionRead(int session, const QString &firmware)
{
    if (SessionState::Offline() == 1 || session != m_session || firmware == kVersion) {
        return;
    }
    Warn(this, tr("The versions between the device %1 and control software %2 are "
                  "mismatched.Please use identical versions and re-login.")
                   .arg(firmware, kVersion));
    AlarmInfo info;
    info.time = QDateTime::currentDateTime();
    info.notes = tr("Version mismatch between the Config Tool and the Firmware");
    emit AddLogs(info);
    Disconnect();
}

void cfg::OnExport()
{
    const QString file = ChooseFile(true);
    if (file.isEmpty()) {
        return;
    }
    XmlDocument &doc = m_document;
    doc.SetFileName(file);
    if (!doc.CreateNew()) {
        Warn(this, tr("The export fails."));
        return;
    }
    QDomElement root = doc.Root();
    doc.AddTextElement(root, QStringLiteral("ModuleType"), QString::number(productType));
    for (BaseWidget *page : m_pages.list) {
        if (page->ExportParameters() != 0) {
            // The file on disk stays as it was.
            doc.Close();
            Warn(this, tr("The export fails."));
            return;
        }
    }
    if (!doc.Save()) {
        Warn(this, tr("The export fails."));
        return;
    }
    Inform(this, tr("The export is done."));
}

void cfg::OnImport()
{
    // The command worker runs the import; without it the overlay would stay for ever.
    if (!m_cmd->isRunning()) {
        Warn(this, tr("The import cannot start: the tool is not polling the device. Disconnect "
                      "and connect again."));
        return;
    }
    const QString file = ChooseFile(false);
    if (file.isEmpty()) {
        return;
    }
    XmlDocument &doc = m_document;
    doc.SetFileName(file);
    doc.Load();
    const int fileType =
        doc.FindElement(doc.ChildNodes(doc.Root()), QStringLiteral("ModuleType")).text().toInt();
    if (fileType != productType) {
        doc.Close();
        Warn(this, tr("The parameter file and the device are mismatched."));
        return;
    }
    doc.SetProblem(QString());
    m_importing = true;
    emit SendImportCmd(ImportCmd);
    m_loading->show();
    m_loading->raise();
}

void cfg::OnImportFinish(int status)
{
    if (!m_importing) {
        return;
    }
    m_importing = false;
    m_loading->hide();
    m_document.Close();
    if (status == kImportStopped) {
        Warn(this, tr("The import did not complete: the session ended before every page was "
                      "written. The device keeps the values written so far."));
        return;
    }
    if (status != 0) {
        // The second line says which element or which device operation.
        const QString problem = m_document.Problem();
        Warn(this, problem.isEmpty() ? tr("The import fails.")
                                     : tr("The import fails.") + QLatin1Char('\n') + problem);
        return;
    }
    if (m_current) {
        m_current->RefreshFromDevice();
    }
    Inform(this, tr("The import is done."));
}

void cfg::OnNetworkProperty()
{
    for (;;) {
        NetworkProperty dialog(this);
        if (SessionState::Offline() == 1) {
            dialog.DisableInputs();
            dialog.exec();
            return;
        }
        QString ip, mask, gateway;
        quint8 isDefault = 0;
        if (m_client->GetNetParam(ip, mask, gateway, isDefault) != 0) {
            Warn(this, tr("Device is off-line."));
            return;
        }
        dialog.SetValues(QHostAddress(ip), QHostAddress(mask), QHostAddress(gateway));
        if (isDefault) {
            dialog.SetInfo(tr("Current network parameters is default"));
        }
        if (SessionState::UserIndex() == 1) {
            dialog.DisableInputs();
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        const QString newIp = dialog.Ip();
        if (m_client->LocalAddresses().contains(newIp)) {
            Warn(this, tr("The IP address is invalid."));
            continue;
        }
        if (m_client->SetNetParam(newIp, dialog.Mask(), dialog.Gateway()) != 0) {
            // Nothing was stored: the device keeps its address.
            Warn(this, tr("Fail to set the network parameters."));
            return;
        }
        Settings().setValue(QStringLiteral("IP"), newIp);
        Warn(this, tr("The new IP address will be used after reboot."));
        return;
    }
}

void cfg::OnChangePassword()
{
    for (;;) {
        ChangePassword dialog(this);
        if (SessionState::Offline() == 1 || SessionState::UserIndex() == 1) {
            dialog.DisableInputs();
            dialog.exec();
            return;
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        if (m_client->ModifyPassword(dialog.User(), dialog.NewPassword()) != 0) {
            Warn(this, tr("The password is not changed."));
            continue;
        }
        if (dialog.User() == QLatin1String("admin")) {
            SessionState::SetPassword(dialog.NewPassword());
            m_client->SetUser(0, dialog.NewPassword());
            m_client->Login();
        }
        Warn(this, tr("The password has been changed."));
        return;
    }
}

void cfg::OnAddDestIP()
{
    for (;;) {
        NotificationDest dialog(m_client, m_notices.get(), this);
        if (SessionState::Offline() == 1) {
            dialog.DisableInputs();
            dialog.exec();
            return;
        }
        QStringList ips;
        QVector<quint16> ports;
        if (m_client->GetNotificationDest(ips, ports) != 0) {
            Warn(this, tr("Fail to get the Dest IP."));
            return;
        }
        dialog.SetValues(ips, ports);
        if (SessionState::UserIndex() == 1) {
            dialog.DisableInputs();
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        const QStringList newIps = dialog.Addresses();
        const QVector<quint16> newPorts = dialog.Ports();
        if (newIps[0] == newIps[1] && newPorts[0] == newPorts[1]) {
            Warn(this, tr("The two Ports should be different."));
            continue;
        }
        if (m_client->SetNotificationDest(newIps, newPorts) != 0) {
            Warn(this, tr("Fail to set the Dest IP."));
            continue;
        }
        const QString local = m_client->LocalAddressOnDeviceSubnet();
        bool attempted = false;
        bool bound = false;
        if (local == newIps[0] && !dialog.IsAuto(0)) {
            attempted = true;
            bound = m_notices->Rebind(newPorts[0]);
            if (!bound && local == newIps[1] && !dialog.IsAuto(1)) {
                bound = m_notices->Rebind(newPorts[1]);
            }
        } else if (local == newIps[1] && !dialog.IsAuto(1)) {
            attempted = true;
            bound = m_notices->Rebind(newPorts[1]);
        }
        if (attempted && !bound) {
            Warn(this, tr("Fail to set the Port."));
            continue;
        }
        if (attempted) {
            statusBar()->clearMessage();
        }
        if (!m_receiverStarted) {
            StartReceiver();
        }
        return;
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
    if (alive && m_current) {
        m_current->RefreshFromDevice();
    }
}

void cfg::OnAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void cfg::closeEvent(QCloseEvent *event)
{
    emit AppCloseSignal();
    event->accept();
}

void cfg::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_loading) {
        m_loading->setGeometry(-30, -30, width() + 60, height() + 60);
    }
}
