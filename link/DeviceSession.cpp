#include "DeviceSession.h"

#include "CfgNetClient.h"
#include "Message.h"

#include <QHostAddress>

namespace DeviceSession {

LoginOutcome LogIn(CfgNetClient &client, const QString &address, int user, const QString &password)
{
    client.Open(address, kDevicePort);
    client.SetUser(user, password);
    quint32 mode = 255;
    LoginOutcome outcome = LoginOutcome::LoggedIn;
    if (client.GetWorkMode(mode) != 0) {
        outcome = LoginOutcome::Unreachable;
    } else if (mode == 0) {
        outcome = LoginOutcome::Upgrading;
    } else {
        const int result = client.Login();
        if (result == -1) {
            outcome = LoginOutcome::Unreachable;
        } else if (result != 0) {
            outcome = LoginOutcome::Refused;
        }
    }
    if (outcome != LoginOutcome::LoggedIn) {
        client.Close();
    }
    return outcome;
}

NotificationRoute FindNotificationRoute(CfgNetClient &client)
{
    NotificationRoute route;
    QStringList ips;
    QVector<quint16> ports;
    QString deviceIp, mask, gateway;
    quint8 isDefault = 0;
    if (client.GetNotificationDest(ips, ports) != 0) {
        route.failedRead = "GetNotificationDest";
        return route;
    }
    if (client.GetNetParam(deviceIp, mask, gateway, isDefault) != 0) {
        route.failedRead = "GetNetParam";
        return route;
    }
    route.read = true;
    // A destination reaches this computer when it is one of this computer's
    // addresses on the device's subnet (a computer often has several there:
    // the host name's and the interface's). An unset entry reads 0.0.0.0.
    const QHostAddress device(deviceIp);
    const int prefix = QHostAddress::parseSubnet(deviceIp + QLatin1Char('/') + mask).second;
    const QStringList locals = client.LocalAddresses();
    for (const QString &local : locals) {
        if (QHostAddress(local).isInSubnet(device, prefix) && route.local.isEmpty()) {
            route.local = local;
        }
    }
    for (int entry = 0; entry < ips.size() && !route.listed; ++entry) {
        const QHostAddress destination(ips.at(entry));
        if (locals.contains(ips.at(entry)) && destination.isInSubnet(device, prefix)) {
            route.listed = true;
            route.local = ips.at(entry);
            route.port = ports.value(entry);
        }
    }
    if (!route.listed) {
        route.port = ports.value(0);
    }
    return route;
}

}  // namespace DeviceSession
