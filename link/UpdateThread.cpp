#include "UpdateThread.h"

#include "CfgNetClient.h"

UpdateThread::UpdateThread(CfgNetClient *client, int probePauseMs, QObject *parent)
    : WorkerThread(parent), m_client(client), m_pauseMs(probePauseMs)
{}

UpdateThread::~UpdateThread()
{
    Stop();
    Join();
}

void UpdateThread::Start()
{
    m_versionRequest = kNoRequest;
    m_nextProbe = {};
    WorkerThread::Start();
}

void UpdateThread::RequestVersion(int session)
{
    m_versionRequest = session;
    Wake();
}

void UpdateThread::Step()
{
    const int session = m_versionRequest.exchange(kNoRequest);
    if (session != kNoRequest) {
        QString pcb, fpga, firmware;
        if (m_client->ProbeVersion(pcb, fpga, firmware) == 0) {
            emit VersionRead(session, firmware);
        } else if (CfgNetClient::LastResult() == -1) {
            // No answer to this read is the probe's answer too; waiting for
            // the probe's own would add its time-outs to the silence.
            emit IsAlive(false, 255);
            m_nextProbe = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_pauseMs);
        }
    }
    // A version read wakes the pause; the probe keeps its own rhythm: 3 s
    // after the end of the previous one.
    if (std::chrono::steady_clock::now() >= m_nextProbe) {
        quint32 mode = 255;
        const bool alive = m_client->ProbeWorkMode(mode) == 0;
        emit IsAlive(alive, alive ? static_cast<int>(mode) : 255);
        m_nextProbe = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_pauseMs);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_nextProbe - std::chrono::steady_clock::now());
    Pause(static_cast<int>(std::max<qint64>(0, left.count())));
}
