#pragma once

#include "ImportTarget.h"
#include "LinkTypes.h"

#include "WorkerThread.h"

#include <QList>

#include <atomic>
#include <mutex>

class CfgNetClient;
class CmdThread;

// What the command worker repeats while a page is shown: one of its reads
// (a Poll member below) and the pause after it. The page table gives each
// page its poll; an empty one reads nothing.
struct PagePoll {
    void (CmdThread::*request)() = nullptr;
    int pauseMs = 0;
    bool operator==(const PagePoll &other) const
    {
        return request == other.request && pauseMs == other.pauseMs;
    }
};

// Polls the device for whatever the visible page shows, and runs the
// parameter-file import. The shown page's poll is set (SetPoll); the thread
// repeats it with its pause until it changes. An import (RequestImport) is a
// request of its own: it starts at once, cutting the pause short, runs
// between two polls, and no poll replaces it.
// Every import request ends in exactly one NotifyImportFinish: 0, -1 when a
// part failed, or kImportStopped when Stop came first. Results reach the
// pages only through the signals below, queued to their thread.
class CmdThread final : public WorkerThread
{
    Q_OBJECT

public:
    // `pollPauseMs` above 0: one pause after every command's poll instead of
    // each command's own (PauseAfter).
    explicit CmdThread(CfgNetClient *client, int pollPauseMs = 0, QObject *parent = nullptr);
    ~CmdThread() override;

    // The parts an import walks, in file order; they outlive the thread's
    // work (their owner joins it before replacing them).
    void SetImportParts(const QList<ImportTarget *> &parts);

    // Between two parts of an import, on this thread: waits the gap the
    // device needs after each part; false once the thread is ending.
    bool ImportGap();

    // Any thread: the poll to repeat from now on, and the one under way.
    void SetPoll(PagePoll poll);
    PagePoll CurrentPoll() const;
    // The part of a poll's pause that a Wake cannot cut.
    static constexpr int kMinPollGapMs = 20;

    // The reads a page's poll repeats, on this thread only; each hands what
    // the device holds to its signal below.
    void PollSwitchControl();
    void PollAgc();
    void PollGenlock();
    void PollSignalIO();
    void PollGpio();
    void PollStatus();
    void PollRegionLimits();

signals:
    void NotifySwitchControlUpdate(unsigned char gpiStatus, unsigned char gpoStatus);
    void NotifyAGCUpdate(QVector<unsigned short> inputLevel, QVector<unsigned short> outputLevel);
    void NotifyGenLockUpdate(VideoStandard standard, bool present);
    void NotifySignalIOUpdate(QVector<SignalIOInfo> inputs, QVector<bool> locked, bool phaseAlign);
    void NotifyGPIOUpdate(GPIOTriggerMode gpiMode, GPIOTriggerMode gpoMode, unsigned char gpiStatus,
                          unsigned char gpoStatus);
    void NotifyStatusUpdate(QVector<AlarmType> video, QVector<unsigned short> audioLost,
                            QVector<unsigned short> audioSilent, SystemAlarm system);
    void SendRegionMaxValue(QVector<VideoStandard> standards);
    void NotifyImportFinish(int status);
    void SendDetectionInfo(int input, DetectionParam param);
    void SendAlarmTriggerInfo(QVector<alarmTrigger> triggers);
    void SendSystemAlarmInfo(SystemAlarm mask);

public slots:
    // Asks for one parameter-file import; the poll stays as it is.
    void RequestImport();

protected:
    void Step() override;
    void Finished() override;

private:
    Q_DISABLE_COPY(CmdThread)
    void RunImport();

    CfgNetClient *m_client;
    mutable std::mutex m_pollLock;  // guards m_poll
    PagePoll m_poll;
    std::atomic<bool> m_importPending{false};
    std::atomic<bool> m_genlockWasLost{true};  // bit 0 of the last alarm state seen
    const int m_pollPauseMs;
    std::mutex m_partsLock;  // guards m_parts
    QList<ImportTarget *> m_parts;
};
