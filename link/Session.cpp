#include "Session.h"

Session::Session(const SessionTimings &timings, QObject *parent)
    : QObject(parent),
      m_client(timings.receiveTimeoutMs),
      m_worker(&m_client, timings.pollPauseMs),
      m_monitor(&m_client, timings.probePauseMs)
{}

Session::~Session()
{
    Close();
    Join();
}

DeviceSession::LoginOutcome Session::LogIn(const QString &address, int user,
                                           const QString &password)
{
    // A worker of the last login must be gone before the client serves a new
    // one: an import still walking its parts would write to this device.
    Close();
    Join();
    const DeviceSession::LoginOutcome outcome =
        DeviceSession::LogIn(m_client, address, user, password);
    if (outcome != DeviceSession::LoginOutcome::LoggedIn) {
        return outcome;
    }
    m_address = address;
    m_user = user;
    m_password = password;
    m_route.Masks().Clear();
    m_offline = false;
    emit OnlineChanged(true);
    return outcome;
}

void Session::SetProductType(int productType)
{
    m_productType = productType;
    if (m_server) {
        m_server->Attach(&m_route, m_address, m_productType);
    }
}

void Session::RouteNotifications(NoticesServer *server)
{
    if (m_server && m_server != server) {
        m_server->Detach(&m_route);
    }
    m_server = server;
    m_server->Attach(&m_route, m_address, m_productType);
}

void Session::StartWorkers()
{
    m_worker.Start();
    m_monitor.Start();
}

void Session::Close()
{
    // The workers are told first, so that an exchange the close cuts short
    // counts as the session's end (an import then says it did not complete,
    // not that a page failed).
    m_worker.Stop();
    m_monitor.Stop();
    m_client.Close();
    if (m_server) {
        m_server->Detach(&m_route);
        m_server = nullptr;
    }
    if (!m_offline) {
        m_offline = true;
        emit OnlineChanged(false);
    }
}

void Session::Join()
{
    m_worker.Join();
    m_monitor.Join();
}
