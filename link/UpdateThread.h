#pragma once

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

class CfgNetClient;

// Asks the device for its work mode every 3 s and reports whether it answered.
class UpdateThread final : public QThread
{
    Q_OBJECT

public:
    explicit UpdateThread(CfgNetClient *client, QObject *parent = nullptr);
    ~UpdateThread() override;

    void Start();
    // Clears the running flag; a pause in progress is cut short. The owner
    // waits for the thread where it must be gone.
    void Stop();

    // Test seam: the pause between probes (3000 ms in the product).
    void SetPauseForTests(int ms) { m_pauseMs = ms; }

signals:
    // alive: the device answered GetWorkMode; workMode: its mode byte, or 255.
    void IsAlive(bool alive, int workMode);

protected:
    void run() override;

private:
    Q_DISABLE_COPY(UpdateThread)
    CfgNetClient *m_client;
    std::atomic<bool> m_running{true};
    std::atomic<int> m_pauseMs{3000};
    std::mutex m_pauseLock;  // with m_wake: lets Stop cut a pause short
    std::condition_variable m_wake;
};
