#include "DeviceFlows.h"

#include "CfgNetClient.h"
#include "ChangePassword.h"
#include "DeviceSession.h"
#include "JournalDiff.h"
#include "Login.h"
#include "MessageBoxes.h"
#include "NetworkProperty.h"
#include "NoticesServer.h"
#include "NotificationDest.h"
#include "Session.h"
#include "Settings.h"

#include <memory>

namespace DeviceFlows {

namespace {
// The fields that differ; all refused with the device's answer when the
// write failed (the device stores a dialog's values together or not at all).
QVector<FieldChange> Written(const QMap<QString, QString> &before,
                             const QMap<QString, QString> &after, bool taken)
{
    QVector<FieldChange> changes = Changes(before, after);
    if (!taken) {
        const int code = CfgNetClient::LastResult();
        for (FieldChange &change : changes) {
            change.result = JournalResult::Refused;
            change.resultCode = code;
        }
    }
    return changes;
}

QMap<QString, QString> Destinations(const QStringList &ips, const QVector<quint16> &ports)
{
    QMap<QString, QString> fields;
    for (int i = 0; i < ips.size() && i < ports.size(); ++i) {
        const QString dest = QStringLiteral("NotificationDest/%1/").arg(i + 1);
        fields.insert(dest + QStringLiteral("IP"), ips[i]);
        fields.insert(dest + QStringLiteral("Port"), QString::number(ports[i]));
    }
    return fields;
}
}  // namespace

bool AskAndLogIn(QWidget *window, const QString &lastAddress,
                 const std::function<QString(const Credentials &)> &tryLogin, int user)
{
    for (;;) {
        auto dialog = std::make_unique<Login>(window);
        dialog->SetAddress(lastAddress);
        if (user == kUserAdmin || user == kUserGuest) {
            dialog->SetUser(user);
        }
        if (dialog->exec() != QDialog::Accepted) {
            return false;
        }
        const QString failure =
            tryLogin({dialog->Address(), dialog->UserIndex(), dialog->Password()});
        if (failure.isEmpty()) {
            return true;
        }
        user = dialog->UserIndex();  // tried again as the operator chose
        dialog.reset();
        Warn(window, failure);
    }
}

QString LogIn(Session &session, const Credentials &credentials)
{
    switch (session.LogIn(credentials.address, credentials.user, credentials.password)) {
        case DeviceSession::LoginOutcome::LoggedIn:
            return QString();
        case DeviceSession::LoginOutcome::Upgrading:
            return QCoreApplication::translate("cfg", "The device is upgrading.");
        case DeviceSession::LoginOutcome::Refused:
            return QCoreApplication::translate("cfg", "The password is incorrect.");
        case DeviceSession::LoginOutcome::Unreachable:
            break;
    }
    return QCoreApplication::translate("cfg", "Device is off-line.");
}

void NetworkProperty(QWidget *window, Session &session, const JournalRecord &record)
{
    CfgNetClient *client = &session.Client();
    for (;;) {
        ::NetworkProperty dialog(window);
        if (session.IsOffline()) {
            dialog.DisableInputs();
            dialog.exec();
            return;
        }
        QString ip, mask, gateway;
        quint8 isDefault = 0;
        if (client->GetNetParam(ip, mask, gateway, isDefault) != 0) {
            Warn(window, QCoreApplication::translate("cfg", "Device is off-line."));
            return;
        }
        dialog.SetValues(QHostAddress(ip), QHostAddress(mask), QHostAddress(gateway));
        if (isDefault) {
            dialog.SetInfo(
                QCoreApplication::translate("cfg", "Current network parameters is default"));
        }
        if (session.IsGuest()) {
            dialog.DisableInputs();
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        const QString newIp = dialog.Ip();
        if (client->LocalAddresses().contains(newIp)) {
            Warn(window, QCoreApplication::translate("cfg", "The IP address is invalid."));
            continue;
        }
        const bool taken = client->SetNetParam(newIp, dialog.Mask(), dialog.Gateway()) == 0;
        record(QStringLiteral("Network"),
               Written({{QStringLiteral("Network/IP"), ip},
                        {QStringLiteral("Network/Mask"), mask},
                        {QStringLiteral("Network/Gateway"), gateway}},
                       {{QStringLiteral("Network/IP"), newIp},
                        {QStringLiteral("Network/Mask"), dialog.Mask()},
                        {QStringLiteral("Network/Gateway"), dialog.Gateway()}},
                       taken));
        if (!taken) {
            // Nothing was stored: the device keeps its address.
            Warn(window, QCoreApplication::translate("cfg", "Fail to set the network parameters."));
            return;
        }
        Settings().SetAddress(newIp);
        Warn(window,
             QCoreApplication::translate("cfg", "The new IP address will be used after reboot."));
        return;
    }
}

void ChangePassword(QWidget *window, Session &session, const JournalRecord &record)
{
    CfgNetClient *client = &session.Client();
    for (;;) {
        ::ChangePassword dialog(window);
        if (session.IsOffline() || session.IsGuest()) {
            dialog.DisableInputs();
            dialog.exec();
            return;
        }
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        const bool taken = client->ModifyPassword(dialog.User(), dialog.NewPassword()) == 0;
        FieldChange change = PasswordChange(dialog.User());
        if (!taken) {
            change.result = JournalResult::Refused;
            change.resultCode = CfgNetClient::LastResult();
        }
        record(QStringLiteral("Password"), {change});
        if (!taken) {
            Warn(window, QCoreApplication::translate("cfg", "The password is not changed."));
            continue;
        }
        if (UserIndex(dialog.User()) == kUserAdmin) {
            session.SetPassword(dialog.NewPassword());
            client->SetUser(kUserAdmin, dialog.NewPassword());
            client->Login();
        }
        Warn(window, QCoreApplication::translate("cfg", "The password has been changed."));
        return;
    }
}

namespace {
ReceiverProblem Problem(const char *text, const QString &arg = QString())
{
    ReceiverProblem problem{QCoreApplication::translate("cfg", text), QString::fromLatin1(text)};
    if (!arg.isNull()) {
        problem.shown = problem.shown.arg(arg);
        problem.logged = problem.logged.arg(arg);
    }
    return problem;
}
}  // namespace

ReceiverProblem StartReceiver(Session &session, NoticesServer *receiver, bool *started)
{
    session.RouteNotifications(receiver);
    const DeviceSession::NotificationRoute route =
        DeviceSession::FindNotificationRoute(session.Client());
    if (!route.read) {
        return Problem(QT_TRANSLATE_NOOP("cfg", "the device did not report where it sends them"));
    }
    if (route.port == 0) {
        return Problem(QT_TRANSLATE_NOOP(
            "cfg", "the device sends them to no port; set one with \"Device > Add Dest IP...\""));
    }
    *started = true;
    if (!receiver->Start(route.port)) {
        return Problem(QT_TRANSLATE_NOOP("cfg",
                                         "port %1 cannot be opened on this computer; "
                                         "choose another with \"Device > Add Dest IP...\""),
                       QString::number(route.port));
    }
    // The receiver listens all the same: the operator may have routed them.
    if (!route.listed && route.local.isEmpty()) {
        return Problem(QT_TRANSLATE_NOOP(
            "cfg",
            "this computer has no address on the device's subnet, and the device sends "
            "them elsewhere; add an address of this computer with \"Device > Add Dest IP...\""));
    }
    if (!route.listed) {
        return Problem(QT_TRANSLATE_NOOP("cfg",
                                         "this computer (%1) is in neither of the device's "
                                         "notification destinations; add it with \"Device > "
                                         "Add Dest IP...\""),
                       route.local);
    }
    return {};
}

DestOutcome AddDestIP(QWidget *window, Session &session, NoticesServer *receiver,
                      const JournalRecord &record)
{
    CfgNetClient *client = &session.Client();
    for (;;) {
        NotificationDest dialog(client, receiver, window);
        if (session.IsOffline()) {
            dialog.DisableInputs();
            dialog.exec();
            return DestOutcome::Unchanged;
        }
        QStringList ips;
        QVector<quint16> ports;
        if (client->GetNotificationDest(ips, ports) != 0) {
            Warn(window, QCoreApplication::translate("cfg", "Fail to get the Dest IP."));
            return DestOutcome::Unchanged;
        }
        dialog.SetValues(ips, ports);
        if (session.IsGuest()) {
            dialog.DisableInputs();
        }
        if (dialog.exec() != QDialog::Accepted) {
            return DestOutcome::Unchanged;
        }
        const QStringList newIps = dialog.Addresses();
        const QVector<quint16> newPorts = dialog.Ports();
        if (newIps[0] == newIps[1] && newPorts[0] == newPorts[1]) {
            Warn(window, QCoreApplication::translate("cfg", "The two Ports should be different."));
            continue;
        }
        const bool taken = client->SetNotificationDest(newIps, newPorts) == 0;
        record(QStringLiteral("Notification Destinations"),
               Written(Destinations(ips, ports), Destinations(newIps, newPorts), taken));
        if (!taken) {
            Warn(window, QCoreApplication::translate("cfg", "Fail to set the Dest IP."));
            continue;
        }
        const QString local = client->LocalAddressOnDeviceSubnet();
        bool attempted = false;
        bool bound = false;
        if (local == newIps[0] && !dialog.IsAuto(0)) {
            attempted = true;
            bound = receiver->Rebind(newPorts[0]);
            if (!bound && local == newIps[1] && !dialog.IsAuto(1)) {
                bound = receiver->Rebind(newPorts[1]);
            }
        } else if (local == newIps[1] && !dialog.IsAuto(1)) {
            attempted = true;
            bound = receiver->Rebind(newPorts[1]);
        }
        if (attempted && !bound) {
            Warn(window, QCoreApplication::translate("cfg", "Fail to set the Port."));
            continue;
        }
        return attempted ? DestOutcome::Listening : DestOutcome::Written;
    }
}

}  // namespace DeviceFlows
