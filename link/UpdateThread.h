#pragma once

#include "WorkerThread.h"

#include <QString>

#include <atomic>
#include <chrono>

class CfgNetClient;

// Asks the device for its work mode every 3 s and reports whether it answered.
// It also reads the firmware version when asked, so that the version check
// never waits on the network from the user-interface thread.
class UpdateThread final : public WorkerThread
{
    Q_OBJECT

public:
    static constexpr int kProbePauseMs = 3000;

    // `probePauseMs`: the pause between probes.
    explicit UpdateThread(CfgNetClient *client, int probePauseMs = kProbePauseMs,
                          QObject *parent = nullptr);
    ~UpdateThread() override;

    // Starts the loop; its first probe goes out at once.
    void Start();
    // Reads the firmware version at once (between probes) and answers with
    // VersionRead(session, …) when the read succeeds.
    void RequestVersion(int session);

signals:
    // alive: the device answered GetWorkMode; workMode: its mode byte, or 255.
    void IsAlive(bool alive, int workMode);
    void VersionRead(int session, QString firmware);

protected:
    void Step() override;

private:
    Q_DISABLE_COPY(UpdateThread)
    static constexpr int kNoRequest = -1;

    CfgNetClient *m_client;
    const int m_pauseMs;
    std::atomic<int> m_versionRequest{kNoRequest};
    // When the next probe is due; touched by the loop only (and by Start
    // before the loop runs).
    std::chrono::steady_clock::time_point m_nextProbe;
};
