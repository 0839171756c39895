#include "UpdateThread.h"

#include "CfgNetClient.h"

UpdateThread::UpdateThread(CfgNetClient *client, QObject *parent)
    : WorkerThread(parent), m_client(client)
{}

UpdateThread::~UpdateThread()
{
    Stop();
    Join();
}

void UpdateThread::Step()
{
    quint32 mode = 255;
    const bool alive = m_client->GetWorkMode(mode) == 0;
    emit IsAlive(alive, alive ? static_cast<int>(mode) : 255);
    Pause(m_pauseMs);
}
