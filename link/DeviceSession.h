#pragma once

#include <QString>

class CfgNetClient;

// The steps of a session that the window and the command-line tool take
// alike, without widgets.
namespace DeviceSession {

// How a login attempt ended.
enum class LoginOutcome {
    LoggedIn,
    Unreachable,  // no answer to the work mode or to the login
    Upgrading,    // the device runs its update loader (work mode 0)
    Refused,      // wrong user or password
};

// Opens the client on the device's address, reads the work mode and logs in
// as `user` (0 admin, 1 guest). The client is closed again on failure.
LoginOutcome LogIn(CfgNetClient &client, const QString &address, int user, const QString &password);

// Where the device sends its alarm notifications, seen from this computer.
struct NotificationRoute {
    bool read = false;                 // the destinations could be read
    const char *failedRead = nullptr;  // else the read that failed ("GetNetParam")
    QString local;                     // this computer's address on the device's subnet, or empty
    bool listed = false;               // a destination is one of this computer's addresses there
    quint16 port = 0;                  // that destination's port, else destination 1's
};
NotificationRoute FindNotificationRoute(CfgNetClient &client);

}  // namespace DeviceSession
