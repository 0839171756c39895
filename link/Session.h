#pragma once

#include "CfgNetClient.h"
#include "CmdThread.h"
#include "DeviceSession.h"
#include "NoticesServer.h"
#include "UpdateThread.h"

#include <QObject>
#include <QString>

// A session's timings, handed to its client and workers as they are built;
// the defaults are the product's, and a simulated device's callers shorten them.
struct SessionTimings {
    int receiveTimeoutMs = 0;  // 0: the device's own 2 s
    int probePauseMs = UpdateThread::kProbePauseMs;
    int pollPauseMs = 0;  // 0: each poll command's own pause
};

// One login to one device: its client, the workers that poll it, its share
// of the notifications and what the login was. Nothing in it is
// process-wide, so several sessions can live side by side (the monitoring
// service keeps one per device). The login state is read and written on the
// owner's thread only; the receive thread sees the route, not the session.
class Session final : public QObject
{
    Q_OBJECT

public:
    explicit Session(const SessionTimings &timings = {}, QObject *parent = nullptr);
    ~Session() override;

    CfgNetClient &Client() { return m_client; }
    CmdThread &Worker() { return m_worker; }
    UpdateThread &Monitor() { return m_monitor; }
    // Emits this device's notifications, on the receive thread.
    NoticeRoute &Notices() { return m_route; }

    // Ends the session before (its workers joined), then logs in. On
    // success the session is online, with the model still to be set.
    DeviceSession::LoginOutcome LogIn(const QString &address, int user, const QString &password);
    // The model the device reported; the notifications are named for it.
    void SetProductType(int productType);
    // Receives this device's notifications through `server` until Close.
    void RouteNotifications(NoticesServer *server);
    void StartWorkers();

    // The one way a session ends, in this order: the workers are told to
    // stop, the client is closed (which wakes their exchanges in flight),
    // and the notifications stop coming. Returns without waiting.
    void Close();
    // Waits for the workers that Close told to stop.
    void Join();

    bool IsOffline() const { return m_offline; }
    bool IsGuest() const { return m_user == kGuest; }
    int User() const { return m_user; }
    QString Address() const { return m_address; }
    QString Password() const { return m_password; }
    void SetPassword(const QString &password) { m_password = password; }
    // 50000 dual 2x1, 50001 4x1, 50002 4x1 AGC; 0 before the first model read.
    int ProductType() const { return m_productType; }

    static constexpr int kAdmin = kUserAdmin;
    static constexpr int kGuest = kUserGuest;

signals:
    // The session went online (after a login) or offline (Close).
    void OnlineChanged(bool online);

private:
    Q_DISABLE_COPY(Session)

    CfgNetClient m_client;
    CmdThread m_worker;
    UpdateThread m_monitor;
    NoticeRoute m_route;
    NoticesServer *m_server = nullptr;  // while routed
    bool m_offline = true;
    int m_user = kAdmin;
    int m_productType = 0;
    QString m_address;
    QString m_password;
};
