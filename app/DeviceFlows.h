#pragma once

#include "JournalTypes.h"

#include <QString>

#include <functional>

class NoticesServer;
class QWidget;
class Session;

// The dialogs of the Device menu as the main window runs them: each reads
// what it shows from the device, runs its dialog, checks the answer, writes
// it and says how it went. They block the window for one transaction at a
// time, as every dialog does.
namespace DeviceFlows {

// The login dialog, again after each failure, until a login succeeds (true,
// with what was typed) or the operator cancels (false). `tryLogin` makes one
// attempt and returns why it failed, or an empty text. `user`, when 0 or 1,
// is chosen in the dialog at first.
struct Credentials {
    QString address;
    int user = 0;
    QString password;
};
bool AskAndLogIn(QWidget *window, const QString &lastAddress,
                 const std::function<QString(const Credentials &)> &tryLogin, int user = -1);
// One login attempt of the session: work mode, then Authentication; the
// client is closed again on failure. Empty text on success, else the message.
QString LogIn(Session &session, const Credentials &credentials);

// Hands one operation's changes to the window's change journal: every write
// of the dialogs below, taken or refused (a password as changed only).
using JournalRecord =
    std::function<void(const QString &operation, const QVector<FieldChange> &changes)>;

void NetworkProperty(QWidget *window, Session &session, const JournalRecord &record);
void ChangePassword(QWidget *window, Session &session, const JournalRecord &record);
// Why notifications cannot arrive: for the status bar in the interface
// language, and for the alarm log in English.
struct ReceiverProblem {
    QString shown;
    QString logged;
    bool IsEmpty() const { return shown.isEmpty(); }
};
// Routes the session's notifications through the receiver and starts it on
// the port of the destination that names this computer (else on destination
// 1's port); `started` tells whether its thread runs. An empty problem, or
// why notifications cannot arrive.
ReceiverProblem StartReceiver(Session &session, NoticesServer *receiver, bool *started);

// What the destinations flow did: nothing, wrote the device's destinations,
// or wrote them and moved the receiver to one of their ports.
enum class DestOutcome { Unchanged, Written, Listening };
DestOutcome AddDestIP(QWidget *window, Session &session, NoticesServer *receiver,
                      const JournalRecord &record);

}  // namespace DeviceFlows
