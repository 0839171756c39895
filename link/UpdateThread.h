#pragma once

#include "WorkerThread.h"

#include <atomic>

class CfgNetClient;

// Asks the device for its work mode every 3 s and reports whether it answered.
class UpdateThread final : public WorkerThread
{
    Q_OBJECT

public:
    explicit UpdateThread(CfgNetClient *client, QObject *parent = nullptr);
    ~UpdateThread() override;

    // Test seam: the pause between probes (3000 ms in the product).
    void SetPauseForTests(int ms) { m_pauseMs = ms; }

signals:
    // alive: the device answered GetWorkMode; workMode: its mode byte, or 255.
    void IsAlive(bool alive, int workMode);

protected:
    void Step() override;

private:
    Q_DISABLE_COPY(UpdateThread)
    CfgNetClient *m_client;
    std::atomic<int> m_pauseMs{3000};
};
