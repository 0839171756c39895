#include "UpdateThread.h"

#include "CfgNetClient.h"

UpdateThread::UpdateThread(CfgNetClient *client, QObject *parent)
    : QThread(parent), m_client(client)
{}

UpdateThread::~UpdateThread()
{
    Stop();
    wait();
}

void UpdateThread::Start()
{
    m_running = true;
    start(QThread::InheritPriority);
}

void UpdateThread::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_pauseLock);
        m_running = false;
    }
    m_wake.notify_all();
}

void UpdateThread::run()
{
    while (m_running) {
        quint32 mode = 255;
        const bool alive = m_client->GetWorkMode(mode) == 0;
        emit IsAlive(alive, alive ? static_cast<int>(mode) : 255);
        std::unique_lock<std::mutex> lock(m_pauseLock);
        m_wake.wait_for(lock, std::chrono::milliseconds(m_pauseMs.load()),
                        [this] { return !m_running; });
    }
}
